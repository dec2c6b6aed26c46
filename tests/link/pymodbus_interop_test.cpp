// The link against a Modbus slave it shares no code with: pymodbus 3.0 on one
// end of a pseudo-terminal pair, the real QtSerialPort and RealClock on the
// other, reached through ports/comN like the technician's adapter.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

#include "link/crc.h"
#include "link/modbuslink.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "reallink.h"

namespace eqset {
namespace {

constexpr int kPort = 5;
const QString kPython = QStringLiteral("/usr/bin/python3");

// pymodbus_server.py starts register a at this value.
int startValue(int address) {
  return 1000 + 37 * address;
}

bool pymodbusAvailable() {
  if (!QFileInfo::exists(kPython)) return false;
  return QProcess::execute(kPython,
                           {QStringLiteral("-c"), QStringLiteral("import pymodbus.server")}) == 0;
}

QByteArray withCrc(const char* hex) {
  QByteArray frame = QByteArray::fromHex(hex);
  appendCrc(frame);
  return frame;
}

class PymodbusInterop : public test::RealLinkTest {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty()) {
      GTEST_SKIP() << "socat is not installed";
    }
    if (!pymodbusAvailable())
      GTEST_SKIP()
          << "pymodbus.server does not import: install python3-pymodbus and python3-serial-asyncio";
    const QString script = QStringLiteral(EQSET_PYMODBUS_SERVER);

    ASSERT_TRUE(program_.isValid());
    ASSERT_TRUE(QDir(program_.path()).mkpath("ports"));
    const QString portEnd = program_.filePath(QStringLiteral("ports/com%1").arg(kPort));
    const QString slaveEnd = program_.filePath(QStringLiteral("slave"));
    socat_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat_.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + portEnd,
                                           QStringLiteral("pty,raw,echo=0,link=") + slaveEnd});
    ASSERT_TRUE(socat_.waitForStarted(kSettleMs));
    const QDeadlineTimer linked(kSettleMs);
    while (!(QFileInfo::exists(portEnd) && QFileInfo::exists(slaveEnd)) && !linked.hasExpired()) {
      QThread::msleep(5);
    }
    ASSERT_TRUE(QFileInfo::exists(portEnd) && QFileInfo::exists(slaveEnd));

    server_.setProcessChannelMode(QProcess::ForwardedChannels);
    server_.start(kPython, {script, slaveEnd});
    ASSERT_TRUE(server_.waitForStarted(kSettleMs));

    openLink(kPort);

    // pymodbus takes a moment to import and open its end; ask until it answers.
    const QDeadlineTimer answering(kSettleMs);
    bool up = false;
    while (!up && !answering.hasExpired() && server_.state() == QProcess::Running) {
      up = link_->readRegisters(0, 1, 100) == ModbusLink::ReadOutcome::Good;
    }
    ASSERT_TRUE(up) << "pymodbus never answered";
    indicators_ = test::FakeIndicators();
  }

  void TearDown() override {
    closeLink();
    for (QProcess* p : {&server_, &socat_}) {
      if (p->state() == QProcess::NotRunning) continue;
      p->kill();
      p->waitForFinished(kSettleMs);
    }
  }

  std::vector<int> readBack(int start, int count) {
    std::vector<int> values;
    if (link_->readRegisters(start, count, 400) != ModbusLink::ReadOutcome::Good) return values;
    for (int i = 0; i < count; ++i)
      values.push_back(link_->replyRegister(i));
    return values;
  }

  QProcess socat_;
  QProcess server_;
};

TEST_F(PymodbusInterop, BlockReadOfSixteenRegistersFromZero) {
  ASSERT_EQ(link_->readRegisters(0, 16, 600), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_->replyBuffer().size(), 37);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(link_->replyRegister(i), startValue(i)) << i;
  EXPECT_EQ(indicators_.progress, 100);
  expectCounters("1", "0");
}

TEST_F(PymodbusInterop, WriteRegisterIsEchoedAndReadsBack) {
  link_->WriteRegister(250, 17);
  EXPECT_EQ(link_->replyStatus(), 0);
  // A function-6 reply echoes the request byte for byte.
  EXPECT_EQ(link_->replyBuffer(), QByteArray::fromHex("010600FA001169F7"));
  EXPECT_EQ(indicators_.progress, 100);
  expectCounters("1", "0");

  EXPECT_EQ(readBack(249, 3), (std::vector<int>{startValue(249), 17, startValue(251)}));
}

TEST_F(PymodbusInterop, LiveWritesReturnTheEchoedValue) {
  EXPECT_EQ(link_->writeSingleEchoed(33, 19, 75), 19);
  EXPECT_EQ(link_->writeSingleEchoed(1084, 40, 50), 40);
  expectCounters("2", "0");
  EXPECT_EQ(readBack(33, 1), std::vector<int>{19});
  EXPECT_EQ(readBack(1084, 1), std::vector<int>{40});
}

TEST_F(PymodbusInterop, WriteRegistersReadsBack) {
  const std::vector<int> values{0, 1, 255, 256, 32767, 12345};
  link_->WriteRegisters(200, values);
  EXPECT_EQ(link_->replyStatus(), 0);
  // start 200 = 00 C8, six registers.
  EXPECT_EQ(link_->replyBuffer(), withCrc("011000C80006"));
  expectCounters("1", "0");
  EXPECT_EQ(readBack(199, 8),
            (std::vector<int>{startValue(199), 0, 1, 255, 256, 32767, 12345, startValue(206)}));
}

TEST_F(PymodbusInterop, ChannelEqualizerBlockOf31ReadsBack) {
  std::vector<int> gains;
  for (int b = 0; b < 31; ++b)
    gains.push_back(30 - b);
  EXPECT_TRUE(link_->writeBlock(93, gains, 200, 0));
  EXPECT_EQ(readBack(93, 31), gains);
  expectCounters("2", "0");
}

TEST_F(PymodbusInterop, ReadPastTheLastRegisterIsAnExceptionReplyCountedAsFailure) {
  // What the slave really sends: a 5-byte exception reply, "illegal address".
  link_->SendReadRequest(1090, 20);
  clock_.sleep(200);
  ASSERT_EQ(port_->bytesWaiting(), 5);
  const QByteArray exception = port_->readAll();
  EXPECT_EQ(exception, withCrc("018302"));

  EXPECT_EQ(link_->readRegisters(1090, 20, 200), ModbusLink::ReadOutcome::Failed);
  EXPECT_EQ(link_->replyStatus(), -1);
  EXPECT_EQ(link_->replyBuffer(), QByteArray(46, '\0'));
  EXPECT_EQ(indicators_.progress, 0);
  expectCounters("0", "1");

  // The last ten registers are there.
  ASSERT_EQ(link_->readRegisters(1090, 10, 200), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(link_->replyRegister(9), startValue(1099));
}

}  // namespace
}  // namespace eqset
