#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>

#include "fakeindicators.h"
#include "fakeserialport.h"
#include "link/modbuslink.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace eqset {
namespace {

using test::FakeSerialPort;
using Kind = FakeSerialPort::EventKind;

// The link in fast mode against the in-process processor, in virtual time.
class FastLinkTest : public ::testing::Test {
 protected:
  FastLinkTest() {
    port.setPort(2, FakeSerialPort::PortState::Free);
    link.setPortNumberSource([] { return 2; });
    link.setFast(true);
    EXPECT_EQ(link.openPort(kTxBufferStartup), LinkError::None);
    port.clearEvents();
  }

  // When the last byte of a reply of `replyBytes` to a request of
  // `requestBytes` sent at `sent` is in, as the line delivers it.
  static double replyCompleteAt(std::int64_t sent, int requestBytes, int replyBytes) {
    return static_cast<double>(sent) + requestBytes * FakeSerialPort::kMsPerByte +
           FakeSerialPort::kTurnaroundMs + replyBytes * FakeSerialPort::kMsPerByte;
  }

  test::VirtualClock clock;
  sim::ProcessorModel model;
  FakeSerialPort port{clock, &model};
  test::FakeIndicators indicators;
  ModbusLink link{port, clock, indicators};
};

struct Profile {
  const char* name;
  int requestBytes;
  int replyBytes;
  int fixedWaitMs;  // the wait for the reply at full timing
  int pauseMs;      // what follows the reply in fast mode: the frame gap, or nothing
  std::function<bool(ModbusLink&)> run;  // true when it judged the reply good
};

const Profile kProfiles[] = {
    {"WriteRegister", 8, 8, 100, 0,
     [](ModbusLink& l) {
       l.WriteRegister(250, 22);
       return l.replyStatus() == 0;
     }},
    {"band live write", 8, 8, 100, 4,
     [](ModbusLink& l) { return l.writeSingleEchoed(33, 19, 75).has_value(); }},
    {"WriteRegisters 6", 21, 8, 200, 4,
     [](ModbusLink& l) {
       l.WriteRegisters(250, std::vector<int>{1, 2, 3, 4, 5, 6});
       return l.replyStatus() == 0;
     }},
    {"channel equalizer", 71, 8, 200, 0,
     [](ModbusLink& l) { return l.writeBlock(0, std::vector<int>(31, 15), 200, 0); }},
    {"block read", 8, 37, 600, 0,
     [](ModbusLink& l) { return l.readRegisters(0, 16, 600) == ModbusLink::ReadOutcome::Good; }},
    {"curve read", 8, 255, 400, 0,
     [](ModbusLink& l) { return l.readRegisters(904, 125, 400) == ModbusLink::ReadOutcome::Good; }},
};

TEST_F(FastLinkTest, EachTransactionEndsWhenItsReplyIsCompleteOrItsWaitRunsOut) {
  for (const Profile& p : kProfiles) {
    SCOPED_TRACE(p.name);
    // The processor answers: the transaction ends at the first millisecond the
    // whole reply is in, without closing the port.
    port.setResponder(nullptr);
    port.clearEvents();
    std::int64_t t0 = clock.now();
    EXPECT_TRUE(p.run(link));
    ASSERT_FALSE(port.writes().empty());
    EXPECT_EQ(port.writes().back().time, t0);
    for (const auto& e : port.events()) {
      EXPECT_NE(e.kind, Kind::Close);
      EXPECT_NE(e.kind, Kind::Open);
    }
    const auto complete =
        static_cast<std::int64_t>(std::ceil(replyCompleteAt(t0, p.requestBytes, p.replyBytes)));
    EXPECT_EQ(clock.now(), complete + p.pauseMs);

    // A silent processor: the wait runs its full time, and fails as before.
    port.setResponder([](const QByteArray&) { return QByteArray(); });
    const QString failedBefore = indicators.failedCount();
    t0 = clock.now();
    EXPECT_FALSE(p.run(link));
    EXPECT_EQ(clock.now(), t0 + p.fixedWaitMs + p.pauseMs);
    EXPECT_EQ(indicators.failedCount().toInt(), failedBefore.toInt() + 1);
  }
}

TEST_F(FastLinkTest, ALateEchoIsNeverTakenForTheNextAnswer) {
  // Each reply comes one transaction late: the echo of the previous write is
  // what is waiting, and it does not answer this request.
  QByteArray onTheWay;
  port.setReplyFilter([&onTheWay](const QByteArray&, QByteArray reply) {
    std::swap(onTheWay, reply);
    return reply;
  });
  for (int value : {19, 20, 21})
    EXPECT_FALSE(link.writeSingleEchoed(33, value, 75)) << value;
  EXPECT_EQ(indicators.goodCount(), "0");
  EXPECT_EQ(indicators.failedCount(), "3");
}

}  // namespace
}  // namespace eqset
