// The Windows build's own port and link against the simulated processor on a
// real COM port: COM7, which com_test.sh points at eqset-sim's
// pseudo-terminal before it starts this program under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "fakeindicators.h"
#include "link/connection.h"
#include "link/modbuslink.h"
#include "link/realclock.h"
#include "link/win32serialport.h"

namespace eqset {
namespace {

constexpr int kCom = 7;
constexpr int kFlatCell = 15;  // every equalizer cell of a processor out of the box

class ComPort : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.setPortNumberSource([] { return kCom; });
    ASSERT_EQ(link_.openPort(kTxBufferStartup), LinkError::None)
        << openFailureText(link_.openFailure()).toStdString();
  }

  std::vector<int> registers(int count) const {
    std::vector<int> values;
    for (int i = 0; i < count; ++i)
      values.push_back(link_.replyRegister(i));
    return values;
  }

  Win32SerialPort port_;
  RealClock clock_;
  test::FakeIndicators indicators_;
  ModbusLink link_{port_, clock_, indicators_};
};

TEST_F(ComPort, ReadsWritesABandAndSeesTheEchoWithFullWaitsAndFast) {
  ASSERT_EQ(link_.readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(registers(16), std::vector<int>(16, kFlatCell));

  // The left channel's 250 Hz band at -4 dB: register 33 = 19.
  EXPECT_TRUE(link_.WriteRegister(33, 19));
  EXPECT_EQ(link_.replyBuffer(), QByteArray::fromHex("010600210013980D"));
  EXPECT_EQ(link_.echoedValue(), 19);

  ASSERT_EQ(link_.readRegisters(32, 3, 100), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(registers(3), (std::vector<int>{kFlatCell, 19, kFlatCell}));
  EXPECT_EQ(indicators_.good, QStringLiteral("3"));

  // The fast link looks ahead on the port: reads of the processor's state and
  // live writes, back to back.
  link_.setFast(true);
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(link_.readRegisters(262, 27, 600), ModbusLink::ReadOutcome::Good);
    EXPECT_TRUE(link_.WriteRegister(34, 20));
  }
  ASSERT_EQ(link_.readRegisters(34, 1, 100), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_.replyRegister(0), 20);
  EXPECT_EQ(indicators_.failed, QStringLiteral("0"));
}

}  // namespace
}  // namespace eqset
