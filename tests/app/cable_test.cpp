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

#include "app/widgets.h"
#include "measure/periodictimer.h"
#include "qtprinters.h"
#include "simulatorwindow.h"

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

// The processor of every pulled cable: a room, with a short sweep.
const std::vector<std::string> kSimArgs{"--seed", "4", "--sweep-seconds", "1"};

enum class Pull {
  Killed,     // the processor's end dies with the simulator
  Unplugged,  // the adapter goes: the pseudo-terminal closes, the processor stays on
};

// The window on a real line to the simulator, whose cable the test pulls.
class CableTest : public ::testing::TestWithParam<Pull>, protected test::SimulatorWindow {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(startOnLine(kSimArgs, "ISO2969")); }

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
      sim->stop(SIGKILL);
    } else {
      sim->signal(SIGUSR1);
    }
  }
  // The processor back on the same port.
  void plugBackIn() {
    if (GetParam() == Pull::Killed) {
      ASSERT_NO_FATAL_FAILURE(startSimulator(kSimArgs));
      return;
    }
    sim->signal(SIGUSR2);
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
    const QString state = window->ComState->text();
    // What the technician saw, for the record of each pulled cable.
    std::printf("%s: ComState \"%s\", boxes %zu, Label12 \"%s\", failures %s\n",
                ::testing::UnitTest::GetInstance()->current_test_info()->name(), qPrintable(state),
                dialogs.asked.size(), qPrintable(window->Label12->text()),
                qPrintable(window->Text14->text()));
    EXPECT_TRUE(state == "没有连接" || state == "用户取消连接" || state == "连接重试失败")
        << state.toStdString();
    for (PeriodicTimer* t : {window->Timer2, window->Timer5, window->Timer6, window->Timer7})
      EXPECT_FALSE(t->running()) << t->objectName().toStdString();

    ASSERT_NO_FATAL_FAILURE(plugBackIn());
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(window->ComState->text(), "连接正常");
    const QString good = window->Text13->text();
    window->SSTab1->setCurrentIndex(1);
    window->Slider1[5]->setSliderPosition(-3);
    EXPECT_EQ(window->Text5[5]->text(), "3");
    EXPECT_EQ(window->Text13->text().toInt(), good.toInt() + 1);
  }

  std::thread puller_;
};

TEST_P(CableTest, DuringALiveBandWrite) {
  dialogs.answers = {Dialogs::Answer::Cancel};
  pullCableIn(150ms);
  window->Slider1[3]->setSliderPosition(-4);
  EXPECT_LE(dialogs.asked.size(), 1u);
  expectRecovery();
}

TEST_P(CableTest, DuringABlockRead) {
  dialogs.answers = {Dialogs::Answer::Cancel};
  pullCableIn(300ms);
  QTest::mouseClick(window->CmdReadHardL, Qt::LeftButton);
  EXPECT_LE(dialogs.asked.size(), 1u);
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
  dialogs.paths = {path};
  QTest::mouseClick(window->CmdReadPCToWindows, Qt::LeftButton);
  // The pages were never read: the write asks first, then the lost line may.
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Cancel};
  pullCableIn(1500ms);
  QTest::mouseClick(window->CmdWriteToMcu, Qt::LeftButton);
  ASSERT_GE(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, MainWindow::kBlindWriteQuestion);
  EXPECT_LE(dialogs.asked.size(), 2u);
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
    dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Cancel};
    dialogs.onAsk = [onQuestion](const test::ScriptedDialogs::Asked& asked) {
      if (asked.text == "这是开环状态，请确认是否需要继续？") onQuestion();
    };
    window->SSTab1->setCurrentIndex(7);
    QTest::mouseClick(window->findChild<QPushButton*>("CmdTest2"), Qt::LeftButton);
    idle(waitMs);
    // The question and at most one reconnection box.
    EXPECT_LE(dialogs.asked.size(), 2u);
  }
};

TEST_P(CableSequenceTest, DuringASweep) {
  pullCableIn(300ms);
  runSequence([] {}, 3000);
  EXPECT_EQ(window->Label12->text(), "通讯中断，自调已停止");
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
