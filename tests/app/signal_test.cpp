#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>

#include "app/settingsstore.h"
#include "simprocess.h"

namespace eqset {
namespace {

// The lock QSerialPort keeps for a device while it is open.
QString lockFileOf(const QString& device) {
  QString name = device;
  name.remove(0, QStringLiteral("/dev/").size()).replace('/', '_');
  return QStringLiteral("/run/lock/LCK..") + name;
}

bool waitFor(const std::function<bool()>& condition, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    if (condition()) return true;
    QThread::msleep(20);
  }
  return condition();
}

// Ended by a signal, the real program closes the port and its lock goes with
// it, so the port is free for the next user.
TEST(EndedBySignal, ThePortLockGoesWithTheProgram) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    const QString exe = QDir(program.path()).filePath("eqset");
    ASSERT_TRUE(QFile::copy(EQSET_PATH, exe));
    simtest::SimProcess sim({"--com", "7", "--dir", program.path().toStdString()});
    ASSERT_TRUE(sim.ready());
    SettingsRecord record;
    record.U_Main_Com = "Com7";
    QString error;
    ASSERT_TRUE(SettingsStore(QDir(program.path()).filePath(SettingsStore::kFileName))
                    .save(record, &error));

    const QString lock = lockFileOf(QString::fromStdString(sim.ptyPath()));
    QFile::remove(lock);
    QProcess eqset;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    eqset.setProcessEnvironment(env);
    eqset.start(exe, {});
    ASSERT_TRUE(eqset.waitForStarted(5000));
    if (!waitFor([&] { return QFile::exists(lock); }, 10'000)) {
      eqset.kill();
      eqset.waitForFinished(5000);
      GTEST_SKIP() << "this machine keeps no serial lock files in /run/lock";
    }
    ::kill(static_cast<pid_t>(eqset.processId()), sig);
    ASSERT_TRUE(eqset.waitForFinished(10'000));
    EXPECT_FALSE(QFile::exists(lock));
  }
}

}  // namespace
}  // namespace eqset
