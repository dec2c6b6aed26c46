#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <vector>

#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"

namespace eqset {
namespace {

constexpr int kPort = 3;
// Generous bounds for things that happen "at once" on a pseudo-terminal; the
// tests never wait for them to run out unless something is broken.
constexpr int kSettleMs = 10'000;

bool waitFor(const std::function<bool()>& done, int ms = kSettleMs) {
  const QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(2);
  }
  return true;
}

// Two pseudo-terminals joined by socat, like the two ends of a null-modem
// cable: the port under test opens one through ports/comN, the test plays the
// processor on the other.
class NullModem {
 public:
  ~NullModem() { pullThePlug(); }

  bool start(const QString& portEnd, const QString& peerEnd) {
    socat_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat_.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + portEnd,
                                           QStringLiteral("pty,raw,echo=0,link=") + peerEnd});
    if (!socat_.waitForStarted(kSettleMs)) return false;
    return waitFor([&] { return QFileInfo::exists(portEnd) && QFileInfo::exists(peerEnd); });
  }

  // Both pseudo-terminals vanish, as when the adapter is pulled out.
  void pullThePlug() {
    if (socat_.state() == QProcess::NotRunning) return;
    socat_.kill();
    socat_.waitForFinished(kSettleMs);
  }

 private:
  QProcess socat_;
};

// A raw descriptor on a pseudo-terminal, outside Qt.
class RawEnd {
 public:
  ~RawEnd() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool open(const QString& path, int mode) {
    fd_ = ::open(QFile::encodeName(path).constData(), mode | O_NOCTTY | O_NONBLOCK);
    return fd_ >= 0;
  }
  bool write(const QByteArray& bytes) {
    return ::write(fd_, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
  }
  // Bytes the driver holds for this terminal, whoever reads them.
  int driverHolds() const {
    int n = -1;
    return ::ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
  }
  QByteArray read(int n) {
    QByteArray bytes;
    const QDeadlineTimer deadline(kSettleMs);
    while (bytes.size() < n && !deadline.hasExpired()) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char buffer[256];
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got > 0) bytes.append(buffer, static_cast<qsizetype>(got));
    }
    return bytes;
  }

 private:
  int fd_ = -1;
};

QByteArray pattern(int n, int seed) {
  QByteArray bytes;
  for (int i = 0; i < n; ++i)
    bytes.append(static_cast<char>((seed + 53 * i) & 0xFF));
  return bytes;
}

class QtSerialPortPty : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty()) {
      GTEST_SKIP() << "socat is not installed";
    }
    ASSERT_TRUE(program_.isValid());
    ASSERT_TRUE(QDir(program_.path()).mkpath("ports"));
    portEnd_ = program_.filePath(QStringLiteral("ports/com%1").arg(kPort));
    ASSERT_TRUE(modem_.start(portEnd_, program_.filePath("peer")));
    ASSERT_TRUE(peer_.open(program_.filePath("peer"), O_RDWR));
    // Opened before the port claims the terminal for itself.
    ASSERT_TRUE(observer_.open(portEnd_, O_RDONLY));
  }

  // Lets the peer's bytes cross socat into the driver of the port's end.
  void peerSends(const QByteArray& bytes, int alreadyInDriver = 0) {
    ASSERT_TRUE(peer_.write(bytes));
    ASSERT_TRUE(waitFor([&] { return observer_.driverHolds() == alreadyInDriver + bytes.size(); }));
  }

  QTemporaryDir program_;
  QString portEnd_;
  NullModem modem_;
  RawEnd peer_;
  RawEnd observer_;
  QtSerialPort port_{PortMap(program_.path())};
};

TEST_F(QtSerialPortPty, OpensClosesAndReopens) {
  EXPECT_FALSE(port_.isOpen());
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
    EXPECT_TRUE(port_.isOpen());
    EXPECT_EQ(port_.device().toStdString(), QFileInfo(portEnd_).canonicalFilePath().toStdString());
    port_.close();
    EXPECT_FALSE(port_.isOpen());
    EXPECT_TRUE(port_.device().isEmpty());
  }
}

TEST_F(QtSerialPortPty, ClosedPortNeitherSendsNorReceives) {
  peerSends("stale");
  EXPECT_FALSE(port_.write("\x01\x03"));
  EXPECT_EQ(port_.bytesWaiting(), 0);
  EXPECT_TRUE(port_.readAll().isEmpty());
  EXPECT_FALSE(port_.discardBuffers());
  EXPECT_EQ(peer_.driverHolds(), 0);
}

TEST_F(QtSerialPortPty, OpenWhileOpenAnswersInUseAndKeepsThePort) {
  ASSERT_EQ(port_.open(kPort, 40), LinkError::None);
  EXPECT_EQ(port_.open(kPort, 8), LinkError::PortAlreadyOpen);
  EXPECT_EQ(port_.open(kPort + 1, 8), LinkError::PortAlreadyOpen);
  ASSERT_TRUE(port_.isOpen());
  // Still the same working port.
  peerSends("\x01\x06");
  EXPECT_EQ(port_.readAll(), QByteArray("\x01\x06"));
}

TEST_F(QtSerialPortPty, BytesWaitingCountsWhatTheDriverAlreadyHolds) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  const QByteArray reply = pattern(37, 1);
  peerSends(reply);
  // One look, no event loop: the link reads the count once, after its fixed
  // wait.
  EXPECT_EQ(port_.bytesWaiting(), 37);
  EXPECT_EQ(port_.readAll(), reply);
  EXPECT_EQ(port_.bytesWaiting(), 0);
}

TEST_F(QtSerialPortPty, BytesWaitingAddsNewArrivalsToBytesAlreadyTaken) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  const QByteArray head = pattern(5, 2);
  const QByteArray tail = pattern(3, 9);
  peerSends(head);
  ASSERT_EQ(port_.bytesWaiting(), 5);  // now in Qt's hands, out of the driver
  peerSends(tail);
  EXPECT_EQ(port_.bytesWaiting(), 8);
  EXPECT_EQ(port_.readAll(), head + tail);
}

TEST_F(QtSerialPortPty, ReadAllTakesEverythingWaitingWithoutBeingAsked) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  const QByteArray reply = pattern(255, 3);  // the 125-register curve block
  peerSends(reply);
  EXPECT_EQ(port_.readAll(), reply);
  EXPECT_TRUE(port_.readAll().isEmpty());
}

TEST_F(QtSerialPortPty, WriteHandsTheWholeFrameToTheLine) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  // The longest frame the link sends: 31 equalizer registers, 71 bytes. The
  // transmit-buffer hint of 8 must not cut it.
  const QByteArray frame = pattern(71, 4);
  ASSERT_TRUE(port_.write(frame));
  // No event loop turns here, as during a transaction's fixed wait.
  EXPECT_EQ(peer_.read(71), frame);
  ASSERT_TRUE(port_.write(frame.left(8)));
  EXPECT_EQ(peer_.read(8), frame.left(8));
}

TEST_F(QtSerialPortPty, DiscardDropsBytesHeldByQtAndByTheDriver) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  peerSends(pattern(4, 5));
  ASSERT_EQ(port_.bytesWaiting(), 4);  // taken into Qt's buffer
  peerSends(pattern(6, 6));            // left in the driver
  ASSERT_TRUE(port_.discardBuffers());
  EXPECT_EQ(observer_.driverHolds(), 0);
  EXPECT_EQ(port_.bytesWaiting(), 0);
  // The next reply is seen alone, without stale bytes before it.
  const QByteArray reply = pattern(8, 7);
  peerSends(reply);
  EXPECT_EQ(port_.bytesWaiting(), 8);
  EXPECT_EQ(port_.readAll(), reply);
}

TEST_F(QtSerialPortPty, AChatteringLineDoesNotGrowMemoryBetweenTransactions) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  // Noise while no transaction waits: the event loop turns, Qt reads.
  const QByteArray noise = pattern(1024, 9);
  QDeadlineTimer deadline(1500);
  while (!deadline.hasExpired()) {
    peer_.write(noise);
    QCoreApplication::processEvents();
  }
  EXPECT_LE(port_.bufferedBytes(), 4096);
  // Once the line is quiet, the next transaction starts clean and sees its
  // reply alone.
  QDeadlineTimer quiet(300);
  while (!quiet.hasExpired()) {
    QCoreApplication::processEvents();
    if (port_.bytesWaiting() > 0 || observer_.driverHolds() > 0) quiet.setRemainingTime(300);
    port_.discardBuffers();
  }
  const QByteArray reply = pattern(8, 7);
  peerSends(reply);
  EXPECT_EQ(port_.readAll(), reply);
}

TEST_F(QtSerialPortPty, VanishedPeerClosesThePortInsteadOfSpinning) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  modem_.pullThePlug();
  // Between transactions the window's event loop turns; a lost terminal makes
  // QSerialPort report read errors there without end unless the port closes.
  EXPECT_TRUE(waitFor([&] {
    QCoreApplication::processEvents();
    return !port_.isOpen();
  }));
  EXPECT_EQ(port_.bytesWaiting(), 0);
  EXPECT_EQ(port_.open(kPort, 8), LinkError::InvalidPort);
}

TEST_F(QtSerialPortPty, VanishedPeerSeenDuringATransactionClosesThePort) {
  ASSERT_EQ(port_.open(kPort, 8), LinkError::None);
  modem_.pullThePlug();
  // No event loop: the read after the fixed wait finds the line gone.
  EXPECT_EQ(port_.bytesWaiting(), 0);
  EXPECT_FALSE(port_.isOpen());
  EXPECT_TRUE(port_.readAll().isEmpty());
}

// Ports that cannot be used at all: each must give 8002, never 8005, and
// leave the port closed.
TEST(QtSerialPortUnusable, AnswersInvalidPort) {
  QTemporaryDir program;
  ASSERT_TRUE(program.isValid());
  ASSERT_TRUE(QDir(program.path()).mkpath("ports"));
  ASSERT_TRUE(QFile::link(program.filePath("gone"), program.filePath("ports/com7")));
  QFile notATerminal(program.filePath("ports/com8"));
  ASSERT_TRUE(notATerminal.open(QIODevice::WriteOnly));
  notATerminal.close();
  ASSERT_TRUE(QDir(program.path()).mkpath("ports/com9"));

  struct Case {
    const char* what;
    int port;
  };
  const Case cases[] = {
      {"link to a vanished device", 7},
      {"a plain file", 8},
      {"a folder", 9},
      {"port 0", 0},
      {"port 17", 17},
  };
  QtSerialPort port{PortMap(program.path())};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(port.open(c.port, 8), LinkError::InvalidPort);
    EXPECT_FALSE(port.isOpen());
  }
}

// Not a test: PortHeldByAnotherProgram runs this binary a second time with only
// this case, as the other program that holds the port.
TEST(PortHolder, DISABLED_HoldsThePortUntilStdinCloses) {
  const QString device = qEnvironmentVariable("EQSET_TEST_HOLD_DEVICE");
  if (device.isEmpty()) GTEST_SKIP() << "only runs as the helper of PortHeldByAnotherProgram";
  QSerialPort holder(device);
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite)) << holder.errorString().toStdString();
  std::fputs("holding\n", stdout);
  std::fflush(stdout);
  char c = 0;
  while (::read(STDIN_FILENO, &c, 1) > 0) {
  }
}

TEST_F(QtSerialPortPty, PortHeldByAnotherProgramIsInUse) {
  QProcess holder;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("EQSET_TEST_HOLD_DEVICE"), QFileInfo(portEnd_).canonicalFilePath());
  holder.setProcessEnvironment(env);
  holder.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_also_run_disabled_tests"),
                QStringLiteral("--gtest_filter=PortHolder.*")});
  ASSERT_TRUE(holder.waitForStarted(kSettleMs));
  QByteArray said;
  ASSERT_TRUE(waitFor([&] {
    holder.waitForReadyRead(20);
    said += holder.readAllStandardOutput();
    return said.contains("holding\n") || holder.state() == QProcess::NotRunning;
  }));
  ASSERT_TRUE(said.contains("holding\n")) << said.toStdString();

  EXPECT_EQ(port_.open(kPort, 40), LinkError::PortAlreadyOpen);
  EXPECT_FALSE(port_.isOpen());

  // Once the other program lets go, the port is free again.
  holder.closeWriteChannel();
  ASSERT_TRUE(holder.waitForFinished(kSettleMs));
  EXPECT_EQ(port_.open(kPort, 40), LinkError::None);
}

// Counts what reaches a widget.
class EventCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    if (e->type() == QEvent::KeyPress) ++keys;
    return false;
  }
  int paints = 0;
  int keys = 0;
};

TEST(RealClock, SleepRepaintsTheCounterBoxButHandsOverNoInputOrTimers) {
  QLineEdit box(QStringLiteral("0"));
  box.show();
  ASSERT_TRUE(waitFor([&] {
    QCoreApplication::processEvents();
    return box.windowHandle() != nullptr && box.windowHandle()->isExposed();
  }));
  QCoreApplication::processEvents();

  EventCounter counter;
  box.installEventFilter(&counter);
  box.setText(QStringLiteral("1"));  // a good reply counted, just before the pause
  QCoreApplication::postEvent(&box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
  bool timerFired = false;
  QTimer::singleShot(0, [&] { timerFired = true; });

  RealClock clock;
  clock.sleep(5);
  EXPECT_GT(counter.paints, 0);
  EXPECT_EQ(counter.keys, 0);
  EXPECT_FALSE(timerFired);

  // They were pending all along and come once the transaction is over.
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.keys, 1);
  EXPECT_TRUE(timerFired);
}

TEST(RealClock, SleepLastsAtLeastTheWait) {
  RealClock clock;
  QElapsedTimer outside;
  outside.start();
  for (int ms : {0, 1, 20, 100}) {
    const auto before = clock.now();
    clock.sleep(ms);
    EXPECT_GE(clock.now() - before, ms) << ms;
  }
  EXPECT_GE(outside.elapsed(), 121);
}

}  // namespace
}  // namespace eqset
