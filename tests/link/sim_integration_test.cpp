// The link through the real QtSerialPort and RealClock against eqset-sim, which
// answers with the timing of a 9600-baud line and can spoil its replies the way
// a poor cable does.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "link/modbuslink.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "reallink.h"
#include "simprocess.h"

namespace eqset {
namespace {

constexpr int kPort = 4;
// The processor out of the box: every equalizer cell flat.
constexpr int kFlatCell = 15;

class SimulatedProcessor : public test::RealLinkTest {
 protected:
  // Starts eqset-sim with ports/comN in a fresh program folder and opens the
  // port as the program does at start-up.
  void startSim(const std::vector<std::string>& lineFaults = {}) {
    ASSERT_TRUE(program_.isValid());
    std::vector<std::string> args = {"--com", std::to_string(kPort), "--dir",
                                     program_.path().toStdString()};
    args.insert(args.end(), lineFaults.begin(), lineFaults.end());
    sim_ = std::make_unique<simtest::SimProcess>(args);
    ASSERT_TRUE(sim_->ready());
    ASSERT_TRUE(QFileInfo::exists(program_.filePath(QStringLiteral("ports/com%1").arg(kPort))));
    openLink(kPort);
  }

  void TearDown() override {
    closeLink();
    sim_.reset();  // ends it with SIGTERM, so it removes its links
  }

  std::unique_ptr<simtest::SimProcess> sim_;
};

TEST_F(SimulatedProcessor, BlockReadGetsTheFlatEqualizer) {
  startSim();
  // The reply takes about 53 ms on the simulated line; the block read waits
  // 600.
  ASSERT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_->replyBuffer().size(), 37);
  EXPECT_EQ(registers(16), std::vector<int>(16, kFlatCell));
  EXPECT_EQ(indicators_.progress, 100);
  expectCounters("1", "0");
}

TEST_F(SimulatedProcessor, WritesAreEchoedAndReadBack) {
  startSim();
  // Slider1(33) at -4: register 33 = 19, the example every technician knows.
  link_->WriteRegister(33, 19);
  EXPECT_EQ(link_->replyBuffer(), QByteArray::fromHex("010600210013980D"));
  EXPECT_EQ(link_->echoedValue(), 19);

  const std::vector<int> gains{10, 11, 12, 13, 14, 16};
  link_->WriteRegisters(62, gains);
  EXPECT_EQ(link_->replyStatus(), 0);
  expectCounters("2", "0");

  ASSERT_EQ(link_->readRegisters(33, 1, 100), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_->replyRegister(0), 19);
  ASSERT_EQ(link_->readRegisters(61, 8, 100), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(registers(8), (std::vector<int>{kFlatCell, 10, 11, 12, 13, 14, 16, kFlatCell}));
  expectCounters("4", "0");
}

// Every reply spoiled the same way: each must count as a failure and leave
// zeros behind, never the spoiled bytes.
class SpoiledReplies : public SimulatedProcessor,
                       public ::testing::WithParamInterface<const char*> {};

TEST_P(SpoiledReplies, CountAsFailuresWithZeroFilledReply) {
  startSim({"--fault", GetParam()});

  EXPECT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Failed);
  EXPECT_EQ(link_->replyStatus(), -1);
  EXPECT_EQ(link_->replyBuffer(), QByteArray(38, '\0'));
  EXPECT_EQ(indicators_.progress, 0);
  expectCounters("0", "1");

  EXPECT_EQ(link_->writeSingleEchoed(33, 19, 75), std::nullopt);
  EXPECT_EQ(link_->replyBuffer(), QByteArray(9, '\0'));
  expectCounters("0", "2");
}

INSTANTIATE_TEST_SUITE_P(LineFaults, SpoiledReplies,
                         ::testing::Values("corrupt", "short", "long", "silent"));

TEST_F(SimulatedProcessor, GoodRepliesAfterASpoiledOneAreGoodAgain) {
  // A stray byte after every second reply: it must not spill into the next
  // transaction.
  startSim({"--fault", "long", "--fault-every", "2"});
  EXPECT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Failed);
  EXPECT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(registers(16), std::vector<int>(16, kFlatCell));
  expectCounters("2", "1");
}

}  // namespace
}  // namespace eqset
