#include "link/modbuslink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fakeindicators.h"
#include "fakeserialport.h"
#include "link/crc.h"
#include "link/frames.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace eqset {
namespace {

using test::FakeSerialPort;
using Kind = FakeSerialPort::EventKind;

QByteArray hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray withCrc(QByteArray frame) {
  appendCrc(frame);
  return frame;
}

class LinkTest : public ::testing::Test {
 protected:
  LinkTest() {
    port.setPort(2, FakeSerialPort::PortState::Free);
    link.setPortNumberSource([this] { return portNumber; });
    link.setInvalidPortHandler([this] {
      ++invalidPortCalls;
      handlerCalls.push_back("invalid port");
    });
    link.setLinkDownHandler([this] { handlerCalls.push_back("link down"); });
  }

  void openPort() {
    ASSERT_EQ(link.openPort(kTxBufferStartup), LinkError::None);
    port.clearEvents();
  }

  test::VirtualClock clock;
  sim::ProcessorModel model;
  FakeSerialPort port{clock, &model};
  test::FakeIndicators indicators;
  ModbusLink link{port, clock, indicators};
  int portNumber = 2;
  int invalidPortCalls = 0;
  std::vector<std::string> handlerCalls;
};

using Calls = std::vector<std::string>;

TEST_F(LinkTest, WriteRegisterReopensWritesWaitsAndCountsTheEcho) {
  openPort();
  const auto t0 = clock.now();
  link.WriteRegister(250, 17);

  const auto& ev = port.events();
  ASSERT_EQ(ev.size(), 4u);
  EXPECT_EQ(ev[0].kind, Kind::Close);
  EXPECT_EQ(ev[1].kind, Kind::Open);
  EXPECT_EQ(ev[1].time, t0 + 100);
  EXPECT_EQ(ev[1].txBufferHint, kTxBufferReset);
  EXPECT_EQ(ev[2].kind, Kind::Discard);
  EXPECT_EQ(ev[3].kind, Kind::Write);
  EXPECT_EQ(ev[3].bytes, hex("01 06 00 FA 00 11 69 F7"));
  EXPECT_EQ(clock.now(), t0 + 200);  // 100 ms reopen pause, 100 ms for the echo, no pause after
  EXPECT_EQ(link.replyStatus(), 0);
  EXPECT_EQ(indicators.good, "1");
  EXPECT_EQ(indicators.failed, "0");
  EXPECT_EQ(indicators.progress, 100);
  EXPECT_EQ(model.bankCell(0, 250), 17);
}

TEST_F(LinkTest, WriteRegisterOnAClosedPortSendsAndCountsNothing) {
  indicators.progress = 100;
  link.WriteRegister(250, 17);
  EXPECT_TRUE(port.events().empty());
  EXPECT_EQ(indicators.good, "0");
  EXPECT_EQ(indicators.failed, "0");
  EXPECT_EQ(indicators.progress, 0);
  EXPECT_EQ(clock.now(), 0);
}

TEST_F(LinkTest, WriteRegisterRunsTheReconnectionDialogOnlyForAnInvalidPort) {
  openPort();
  port.setPort(2, FakeSerialPort::PortState::Missing);
  link.WriteRegister(250, 17);
  EXPECT_EQ(invalidPortCalls, 1);
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(indicators.failed, "0");

  // A port another program grabbed meanwhile ends the write silently.
  port.setPort(2, FakeSerialPort::PortState::Free);
  ASSERT_EQ(link.openPort(kTxBufferStartup), LinkError::None);
  port.setPort(2, FakeSerialPort::PortState::Busy);
  link.WriteRegister(250, 17);
  EXPECT_EQ(invalidPortCalls, 1);
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(LinkTest, ATypedValueBelowMinus255IsNeverSent) {
  openPort();
  link.WriteRegister(47, -256);
  EXPECT_TRUE(port.events().empty());
  EXPECT_EQ(indicators.good, "0");
  EXPECT_EQ(indicators.failed, "0");
  link.WriteRegister(47, -5);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].bytes.mid(0, 6), hex("01 06 00 2F 00 FB"));
}

TEST_F(LinkTest, WriteRepliesAreJudgedByLengthAndContent) {
  struct Case {
    const char* name;
    QByteArray reply;  // empty: echo the request
    bool good;
  };
  const Case cases[] = {
      {"echo", {}, true},
      {"echo of a value the processor chose", withCrc(hex("01 06 00 FA 00 1E")), true},
      {"echo of register 99", withCrc(hex("01 06 00 63 12 34")), false},
      {"7 bytes", hex("01 06 00 FA 00 11 69"), false},
      {"9 bytes", hex("01 06 00 FA 00 11 69 F7 00"), false},
      {"8 bytes, bad crc", hex("01 06 00 FA 00 11 69 F8"), false},
      {"8 bytes, other slave", withCrc(hex("02 06 00 FA 00 11")), false},
      {"exception", withCrc(hex("01 86 02")), false},
      {"silence", QByteArray(), false},
  };
  openPort();
  for (const auto& c : cases) {
    const bool silence = std::string(c.name) == "silence";
    port.setResponder([&](const QByteArray& req) {
      return silence ? QByteArray() : c.reply.isEmpty() ? req : c.reply;
    });
    indicators.good = "0";
    indicators.failed = "0";
    link.WriteRegister(250, 17);
    EXPECT_EQ(link.replyStatus(), c.good ? 0 : -1) << c.name;
    EXPECT_EQ(indicators.good, c.good ? "1" : "0") << c.name;
    EXPECT_EQ(indicators.failed, c.good ? "0" : "1") << c.name;
    EXPECT_EQ(indicators.progress, c.good ? 100 : 0) << c.name;
    if (!c.good) {
      EXPECT_EQ(link.replyBuffer(), QByteArray(9, '\0')) << c.name;
    }
  }
}

TEST_F(LinkTest, AWriteThatNeverWentOutIsOwedNoAnswer) {
  openPort();
  // The adapter is gone: the port does not reopen and nothing goes out.
  port.setPort(2, FakeSerialPort::PortState::Missing);
  EXPECT_FALSE(link.writeSingleEchoed(33, 19, 0));
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(indicators.failed, "1");
  EXPECT_EQ(link.unansweredWrites().size(), 0u);
  port.setPort(2, FakeSerialPort::PortState::Free);
  ASSERT_EQ(link.openPort(kTxBufferStartup), LinkError::None);
  port.setResponder([](const QByteArray&) { return *writeSingleRequest(33, 19); });
  EXPECT_EQ(link.writeSingleEchoed(33, 20, 0), 19);
}

TEST_F(LinkTest, CounterRulesDifferBetweenWriteRegisterAndTheRest) {
  openPort();
  struct Case {
    const char* name;
    bool good;
    bool viaWriteRegister;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"failure to limit", false, false, "655349", "655350"},
      {"failure past limit", false, false, "655350", "0"},
      {"failure past limit in WriteRegister", false, true, "655350", "0"},
      {"good past limit in WriteRegister", true, true, "655350", "0"},
      {"good past limit elsewhere", true, false, "655350", "655351"},
      {"good with spaces", true, true, " 41 ", "42"},
  };
  for (const auto& c : cases) {
    // A good reply to either function is the first six request bytes plus CRC.
    port.setResponder(
        [&](const QByteArray& req) { return c.good ? withCrc(req.left(6)) : QByteArray(); });
    QString& counter = c.good ? indicators.good : indicators.failed;
    counter = c.before;
    if (c.viaWriteRegister) {
      link.WriteRegister(250, 1);
    } else {
      const std::vector<int> v = {1, 2};
      link.WriteRegisters(290, v);
    }
    EXPECT_EQ(counter, c.after) << c.name;
  }
}

TEST_F(LinkTest, ACounterThatIsNotANumberStaysAsItIs) {
  openPort();
  indicators.good = "abc";
  link.WriteRegister(250, 1);
  EXPECT_EQ(indicators.good, "abc");
  EXPECT_EQ(indicators.progress, 100);
  indicators.failed = "x1";
  port.setResponder([](const QByteArray&) { return QByteArray(); });
  const std::vector<int> v = {1};
  link.WriteRegisters(290, v);
  EXPECT_EQ(indicators.failed, "x1");
}

TEST_F(LinkTest, WriteRegistersOpensAClosedPortAndPausesAfterCounting) {
  const std::vector<int> levels = {22, 22, 22, 22, 22, 30};
  link.WriteRegisters(250, levels);
  const auto& ev = port.events();
  ASSERT_GE(ev.size(), 3u);
  EXPECT_EQ(ev[0].kind, Kind::Open);  // nothing to close: no reopen pause
  EXPECT_EQ(ev[0].time, 0);
  EXPECT_EQ(port.writes().at(0).bytes.size(), 21);
  EXPECT_EQ(clock.now(), 200 + 75);
  EXPECT_EQ(indicators.good, "1");
  EXPECT_EQ(model.bankCell(0, 255), 30);
}

TEST_F(LinkTest, WriteRegistersToAMissingPortEndsAsACountedFailure) {
  portNumber = 9;
  const std::vector<int> v = {1, 2};
  link.WriteRegisters(290, v);
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(indicators.failed, "1");
  EXPECT_EQ(clock.now(), 275);
  EXPECT_EQ(invalidPortCalls, 0);
}

TEST_F(LinkTest, EchoedLiveWriteReturnsTheEchoAndPauses) {
  openPort();
  const auto t0 = clock.now();
  const auto echo = link.writeSingleEchoed(33, 19, 75);
  ASSERT_TRUE(echo);
  EXPECT_EQ(*echo, 19);
  EXPECT_EQ(port.writes().at(0).bytes.mid(0, 6), hex("01 06 00 21 00 13"));
  EXPECT_EQ(clock.now(), t0 + 100 + 100 + 75);

  port.setReplyFilter([](const QByteArray&, QByteArray reply) { return reply.left(7); });
  EXPECT_FALSE(link.writeSingleEchoed(33, 19, 75));
  EXPECT_EQ(indicators.failed, "1");
}

TEST_F(LinkTest, EchoedWriteGrowsTheGoodCounterPastTheLimit) {
  openPort();
  indicators.good = "655350";
  link.writeSingleEchoed(33, 19, 75);
  EXPECT_EQ(indicators.good, "655351");
}

TEST_F(LinkTest, BlockReadDecodesTheModelsRegisters) {
  openPort();
  link.writeSingleEchoed(3, 20, 0);
  const auto t0 = clock.now();
  ASSERT_EQ(link.readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  const auto writes = port.writes();
  EXPECT_EQ(writes.back().bytes, hex("01 03 00 00 00 10 44 06"));
  EXPECT_EQ(writes.back().time, t0);
  EXPECT_EQ(clock.now(), t0 + 600);
  EXPECT_EQ(link.replyBuffer().size(), 37);
  EXPECT_EQ(link.replyRegister(3), 20);
  EXPECT_EQ(link.replyRegister(4), 15);
}

TEST_F(LinkTest, AFailedReadZeroFillsTheReplyBuffer) {
  using Filter = std::function<QByteArray(const QByteArray&, QByteArray)>;
  struct Case {
    const char* name;
    Filter filter;
  };
  const Case cases[] = {
      {"a byte short", [](const QByteArray&, QByteArray reply) { return reply.left(36); }},
      {"byte count of 15 registers",
       [](const QByteArray&, QByteArray reply) {
         reply[2] = 30;
         return withCrc(reply.left(reply.size() - 2));
       }},
  };
  openPort();
  for (const auto& c : cases) {
    port.setReplyFilter(c.filter);
    indicators.failed = "0";
    EXPECT_EQ(link.readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Failed) << c.name;
    EXPECT_EQ(link.replyBuffer(), QByteArray(38, '\0')) << c.name;
    for (int i = 0; i < 16; ++i)
      EXPECT_EQ(link.replyRegister(i), 0) << c.name;
    EXPECT_EQ(indicators.failed, "1") << c.name;
  }
}

TEST_F(LinkTest, AReplyThatHasNotArrivedYetCountsAsFailed) {
  // 255 bytes need about 300 ms on the wire: a 50 ms wait sees part of them.
  openPort();
  EXPECT_EQ(link.readRegisters(904, 125, 50), ModbusLink::ReadOutcome::Failed);
  clock.advance(1000);
  EXPECT_EQ(link.readRegisters(904, 125, 400), ModbusLink::ReadOutcome::Good);
}

TEST_F(LinkTest, StaleBytesAreDiscardedBeforeARead) {
  openPort();
  port.inject(hex("01 03 02 00 05"));
  EXPECT_EQ(link.readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
}

TEST_F(LinkTest, ReadsOnAClosedPortDoNothing) {
  EXPECT_EQ(link.readRegisters(0, 16, 600), ModbusLink::ReadOutcome::PortClosed);
  link.SendReadRequest(0, 16);
  EXPECT_TRUE(port.events().empty());
  EXPECT_EQ(indicators.failed, "0");
  EXPECT_EQ(clock.now(), 0);
}

TEST_F(LinkTest, WorkingTransactionsNeverReportTheLinkDown) {
  openPort();
  const std::vector<int> six = {1, 2, 3, 4, 5, 6};
  link.WriteRegister(250, 17);
  link.writeSingleEchoed(33, 19, 75);
  link.WriteRegisters(250, six);
  link.readRegisters(0, 16, 600);
  EXPECT_EQ(link.ResetPort(), LinkError::None);
  EXPECT_EQ(link.reopenPort(kTxBufferStartup), LinkError::None);
  EXPECT_EQ(port.events().back().txBufferHint, kTxBufferStartup);
  // A silent processor fails the transaction, not the link.
  port.setResponder([](const QByteArray&) { return QByteArray(); });
  link.WriteRegister(250, 17);
  EXPECT_EQ(indicators.failed, "1");
  EXPECT_TRUE(handlerCalls.empty());
}

TEST_F(LinkTest, TheLinkIsReportedDownBeforeTheReconnectionDialogOpens) {
  openPort();
  port.setPort(2, FakeSerialPort::PortState::Missing);
  link.WriteRegister(250, 17);
  EXPECT_EQ(handlerCalls, (Calls{"link down", "invalid port"}));
}

TEST_F(LinkTest, ReplyBufferStartsAs64Zeros) {
  EXPECT_EQ(link.replyBuffer(), QByteArray(64, '\0'));
}

}  // namespace
}  // namespace eqset
