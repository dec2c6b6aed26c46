#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <utility>

#include "fakeindicators.h"
#include "fakeserialport.h"
#include "link/crc.h"
#include "link/frames.h"
#include "link/modbuslink.h"
#include "sim/processormodel.h"
#include "sim/usblatency.h"
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
  int fixedWaitMs;    // the wait for the reply at full timing
  int pauseMs;        // what follows a good reply in fast mode: the frame gap, or nothing
  int failedPauseMs;  // what follows a failed one: the full pause, as the full waits do
  bool resetsPort;    // starts from a port reset (a read leaves that to its caller)
  std::function<bool(ModbusLink&)> run;  // true when it judged the reply good
};

const Profile kProfiles[] = {
    {"WriteRegister", 8, 8, 100, 0, 0, true,
     [](ModbusLink& l) {
       l.WriteRegister(250, 22);
       return l.replyStatus() == 0;
     }},
    {"band live write", 8, 8, 100, 4, 75, true,
     [](ModbusLink& l) { return l.writeSingleEchoed(33, 19, 75).has_value(); }},
    {"WriteRegisters 6", 21, 8, 200, 4, 75, true,
     [](ModbusLink& l) {
       l.WriteRegisters(250, std::vector<int>{1, 2, 3, 4, 5, 6});
       return l.replyStatus() == 0;
     }},
    {"channel equalizer", 71, 8, 200, 0, 0, true,
     [](ModbusLink& l) { return l.writeBlock(0, std::vector<int>(31, 15), 200, 0); }},
    {"block read", 8, 37, 600, 0, 0, false,
     [](ModbusLink& l) { return l.readRegisters(0, 16, 600) == ModbusLink::ReadOutcome::Good; }},
    {"curve read", 8, 255, 400, 0, 0, false,
     [](ModbusLink& l) { return l.readRegisters(904, 125, 400) == ModbusLink::ReadOutcome::Good; }},
};

TEST_F(FastLinkTest, EachTransactionEndsWhenItsReplyIsCompleteOrItsWaitRunsOut) {
  for (const Profile& p : kProfiles) {
    SCOPED_TRACE(p.name);
    // After the previous profile's failure a port reset reopens the port, as
    // the full waits always do: a late reply must not fall into this one too.
    port.setResponder(nullptr);
    port.clearEvents();
    EXPECT_TRUE(p.run(link));
    const bool reopened = std::any_of(port.events().begin(), port.events().end(),
                                      [](const auto& e) { return e.kind == Kind::Open; });
    EXPECT_EQ(reopened, p.resetsPort && &p != &kProfiles[0]);

    // The processor answers: the transaction ends at the first millisecond the
    // whole reply is in, without closing the port.
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
    // The pause after it is the full one: a late reply has time to pass.
    port.setResponder([](const QByteArray&) { return QByteArray(); });
    const QString failedBefore = indicators.failedCount();
    t0 = clock.now();
    EXPECT_FALSE(p.run(link));
    EXPECT_EQ(clock.now(), t0 + p.fixedWaitMs + p.failedPauseMs);
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

TEST_F(FastLinkTest, AWholeFrameThatIsNotTheAnswerIsSetAsideAndTheWaitGoesOn) {
  const QByteArray lateEcho = *writeSingleRequest(33, 18);  // an echo is its request
  const QByteArray otherRegister = *writeSingleRequest(40, 7);
  QByteArray levelRead("\x01\x03\x04\x00\x16\x00\x16", 7);
  appendCrc(levelRead);
  QByteArray damaged = lateEcho;
  damaged[5] = static_cast<char>(damaged[5] ^ 0x01);
  const struct {
    const char* what;
    QByteArray inFront;
    bool answered;  // the processor's echo follows
    bool good;
    int usbLatencyMs = 0;  // a USB adapter hands the bytes over in bursts
  } cases[] = {
      {"the late echo of the unanswered write, then the answer", lateEcho, true, true},
      {"an echo of another register, then the answer", otherRegister, true, true},
      {"a read reply, then the answer", levelRead, true, true},
      {"two strays, then the answer", lateEcho + otherRegister, true, true},
      {"the late echo and no answer behind it", lateEcho, false, false},
      {"a frame with a wrong CRC is not a frame to set aside", damaged, true, false},
      // In one burst the earlier echo of the same write is never alone: with
      // bytes behind it, it is not the answer.
      {"the same write's earlier echo and the answer in one burst", *writeSingleRequest(33, 19),
       true, true, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Band 33 was written with 18 and the processor said nothing in time.
    port.setReplyFilter([](const QByteArray&, QByteArray) { return QByteArray(); });
    ASSERT_FALSE(link.writeSingleEchoed(33, 18, 75));
    ASSERT_TRUE(link.unansweredWrites().holds(33, 18));

    port.setUsbLatency(c.usbLatencyMs);
    port.setReplyFilter([&c](const QByteArray&, QByteArray reply) {
      return c.inFront + (c.answered ? reply : QByteArray());
    });
    const int goodBefore = indicators.goodCount().toInt();
    const int failedBefore = indicators.failedCount().toInt();
    const std::optional<int> echo = link.writeSingleEchoed(33, 19, 75);
    // Sent once the port, after the failure, was reopened.
    const std::int64_t t0 = port.writes().back().time;
    EXPECT_EQ(echo.has_value(), c.good);
    EXPECT_EQ(indicators.goodCount().toInt(), goodBefore + (c.good ? 1 : 0));
    EXPECT_EQ(indicators.failedCount().toInt(), failedBefore + (c.good ? 0 : 1));
    const int kPause = 4;  // the frame gap after a good reply
    if (c.good) {
      EXPECT_EQ(*echo, 19);
      EXPECT_EQ(link.replyBuffer(), *writeSingleRequest(33, 19));
      // Over as soon as the answer behind the strays is in.
      const auto complete = static_cast<std::int64_t>(std::ceil(sim::usbDeliveryMs(
          replyCompleteAt(t0, 8, static_cast<int>(c.inFront.size()) + 8), c.usbLatencyMs)));
      EXPECT_EQ(clock.now(), complete + kPause);
      EXPECT_FALSE(link.unansweredWrites().holds(33, 18));
    } else {
      // As with the full waits: the whole wait, a failure and the full pause.
      EXPECT_EQ(clock.now(), t0 + 100 + 75);
    }
  }
}

}  // namespace
}  // namespace eqset
