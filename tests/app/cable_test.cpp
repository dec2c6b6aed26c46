#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <functional>
#include <thread>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "app/widgets.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "measure/periodictimer.h"
#include "qtprinters.h"
#include "scripteddialogs.h"
#include "simprocess.h"

namespace eqset {
namespace {

using namespace std::chrono_literals;

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The window turns its event loop for `ms`, as between a technician's actions.
void idle(int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired())
    QTest::qWait(20);
}

enum class Pull {
  Killed,     // the processor's end dies with the simulator
  Unplugged,  // the adapter goes: the pseudo-terminal closes, the processor stays on
};

// The window on a real line to the simulator, whose cable the test pulls.
class CableTest : public ::testing::TestWithParam<Pull> {
 protected:
  void SetUp() override {
    startSimulator();
    ASSERT_TRUE(sim_->ready());
    SettingsRecord record;
    record.U_Main_Com = "Com7";
    record.EqMode = "ISO2969";
    QString error;
    ASSERT_TRUE(
        SettingsStore(QDir(folder()).filePath(SettingsStore::kFileName)).save(record, &error));
    port_ = std::make_unique<QtSerialPort>(PortMap(folder()));
    window_ = std::make_unique<MainWindow>(*port_, clock_, dialogs_, folder());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    window_->startUp();
    ASSERT_EQ(window_->ComState->text(), "已经连接");
  }

  QString folder() const { return QString::fromStdString(dir_.path()); }

  void startSimulator() {
    sim_ = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
        "--com", "7", "--dir", dir_.path(), "--seed", "4", "--sweep-seconds", "1"});
  }

  // Pulls the cable `after` from now, from another thread: the window's thread
  // is blocked in the middle of its operation then.
  void pullCableIn(std::chrono::milliseconds after) {
    puller_ = std::thread([this, after] {
      std::this_thread::sleep_for(after);
      pullCableNow();
    });
  }
  void pullCableNow() {
    if (GetParam() == Pull::Killed) {
      sim_->stop(SIGKILL);
    } else {
      sim_->signal(SIGUSR1);
    }
  }
  // The processor back on the same port.
  void plugBackIn() {
    if (GetParam() == Pull::Killed) {
      startSimulator();
      ASSERT_TRUE(sim_->ready());
      return;
    }
    sim_->signal(SIGUSR2);
    const QString link = QDir(folder()).filePath("ports/com7");
    const QDeadlineTimer deadline(5000);
    while (!QFile::exists(link) && !deadline.hasExpired())
      QTest::qWait(20);
    ASSERT_TRUE(QFile::exists(link));
  }

  void TearDown() override {
    if (puller_.joinable()) puller_.join();
  }

  // What every pulled cable must leave: the window idle, truthful and
  // reconnectable on the same port once the processor is back.
  void expectRecovery() {
    if (puller_.joinable()) puller_.join();
    const double cpuBefore = cpuSeconds();
    idle(1000);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.5) << "the window spins on the lost line";
    const QString state = window_->ComState->text();
    // What the technician saw, for the record of each pulled cable.
    std::printf("%s: ComState \"%s\", boxes %zu, Label12 \"%s\", failures %s\n",
                ::testing::UnitTest::GetInstance()->current_test_info()->name(), qPrintable(state),
                dialogs_.asked.size(), qPrintable(window_->Label12->text()),
                qPrintable(window_->Text14->text()));
    EXPECT_TRUE(state == "没有连接" || state == "用户取消连接" || state == "连接重试失败")
        << state.toStdString();
    for (PeriodicTimer* t : {window_->Timer2, window_->Timer5, window_->Timer6, window_->Timer7})
      EXPECT_FALSE(t->running()) << t->objectName().toStdString();

    ASSERT_NO_FATAL_FAILURE(plugBackIn());
    QTest::mouseClick(window_->Command1, Qt::LeftButton);
    EXPECT_EQ(window_->ComState->text(), "连接正常");
    const QString good = window_->Text13->text();
    window_->SSTab1->setCurrentIndex(1);
    window_->Slider1[5]->setSliderPosition(-3);
    EXPECT_EQ(window_->Text5[5]->text(), "3");
    EXPECT_EQ(window_->Text13->text().toInt(), good.toInt() + 1);
  }

  simtest::TempDir dir_;
  std::unique_ptr<simtest::SimProcess> sim_;
  std::unique_ptr<QtSerialPort> port_;
  RealClock clock_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  std::thread puller_;
};

TEST_P(CableTest, DuringALiveBandWrite) {
  dialogs_.answers = {Dialogs::Answer::Cancel};
  pullCableIn(150ms);
  window_->Slider1[3]->setSliderPosition(-4);
  EXPECT_LE(dialogs_.asked.size(), 1u);
  expectRecovery();
}

TEST_P(CableTest, DuringABlockRead) {
  dialogs_.answers = {Dialogs::Answer::Cancel};
  pullCableIn(300ms);
  QTest::mouseClick(window_->CmdReadHardL, Qt::LeftButton);
  EXPECT_LE(dialogs_.asked.size(), 1u);
  expectRecovery();
}

TEST_P(CableTest, DuringTheFullWriteOfAParameterFileJustLoaded) {
  QByteArray file(300, '\x0F');
  QDir().mkpath(QDir(folder()).filePath("用户数据"));
  const QString path = QDir(folder()).filePath("用户数据/hall.bin");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(file);
  }
  dialogs_.paths = {path};
  QTest::mouseClick(window_->CmdReadPCToWindows, Qt::LeftButton);
  dialogs_.answers = {Dialogs::Answer::Cancel};
  pullCableIn(1500ms);
  QTest::mouseClick(window_->CmdWriteToMcu, Qt::LeftButton);
  EXPECT_LE(dialogs_.asked.size(), 1u);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), file);
  expectRecovery();
}

class CableSequenceTest : public CableTest {
 protected:
  // "全自动均衡" on the left channel; `onQuestion` runs when the open-loop
  // question comes, before it is answered OK.
  void runSequence(const std::function<void()>& onQuestion, int waitMs) {
    dialogs_.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Cancel};
    dialogs_.onAsk = [onQuestion](const test::ScriptedDialogs::Asked& asked) {
      if (asked.text == "这是开环状态，请确认是否需要继续？") onQuestion();
    };
    window_->SSTab1->setCurrentIndex(7);
    QTest::mouseClick(window_->findChild<QPushButton*>("CmdTest2"), Qt::LeftButton);
    idle(waitMs);
    // The question and at most one reconnection box.
    EXPECT_LE(dialogs_.asked.size(), 2u);
  }
};

TEST_P(CableSequenceTest, DuringASweep) {
  pullCableIn(300ms);
  runSequence([] {}, 3000);
  EXPECT_EQ(window_->Label12->text(), "通讯中断，自调已停止");
  expectRecovery();
}

TEST_P(CableSequenceTest, AtTheConfirmation) {
  runSequence([this] { pullCableNow(); }, 4000);
  expectRecovery();
}

TEST_P(CableSequenceTest, DuringTheCorrections) {
  runSequence([this] { pullCableIn(600ms); }, 5000);
  expectRecovery();
}

const auto kPulls = ::testing::Values(Pull::Killed, Pull::Unplugged);
std::string pullName(const ::testing::TestParamInfo<Pull>& info) {
  return info.param == Pull::Killed ? "Killed" : "Unplugged";
}
INSTANTIATE_TEST_SUITE_P(Pulled, CableTest, kPulls, pullName);
INSTANTIATE_TEST_SUITE_P(Pulled, CableSequenceTest, kPulls, pullName);

}  // namespace
}  // namespace eqset
