// Where the tool's writes land: the bank the processor plays, the keeps of
// the technician's hand tuning across runs, banks and starts, and sweeps
// that only count when the processor started them.
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "app/widgets.h"
#include "files/tuningkeep.h"
#include "measure/autosequence.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

constexpr std::array<int, kBands> kHand = {15, 15, 18, 17, 15, 12, 15, 15, 16, 15, 15,
                                           20, 14, 15, 15, 9,  15, 15, 13, 15, 22, 15,
                                           15, 17, 15, 15, 15, 15, 15, 15, 12};
const QColor kGreen(0, 192, 0);

class BankTest : public WindowTest {
 protected:
  // The hand tuning on `channel` of the bank the processor plays.
  void handTune(int channel) {
    for (int b = 0; b < kBands; ++b)
      model.writeRegister(equalizerRegister(channel, b), static_cast<std::uint16_t>(kHand[b]),
                          clock.now());
  }
  std::array<int, kBands> held(int bank, int channel) const {
    std::array<int, kBands> r{};
    for (int b = 0; b < kBands; ++b)
      r[static_cast<std::size_t>(b)] = model.bankCell(bank, equalizerRegister(channel, b));
    return r;
  }
  void chooseChannel(int channel) {
    showPageOf(window->GroupNum);
    QLineEdit* field = window->GroupNum->findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClicks(field, QString::number(channel));
    QTest::keyClick(field, Qt::Key_Return);
  }
  // "全自动均衡" on `channel`, the open-loop step confirmed, to its end.
  void autoRun(int channel) {
    chooseChannel(channel);
    dialogs.answers = {Dialogs::Answer::Ok};
    press(find<QPushButton>("CmdTest2"));
    for (int seconds = 0; nextSecond(); ++seconds)
      ASSERT_LT(seconds, 60);
  }
  // "恢复调试前均衡", answering its boxes with Ok; returns the last box's text.
  QString restore() {
    dialogs.asked.clear();
    dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok};
    press(find<QPushButton>("CmdRestoreEq"));
    return dialogs.asked.empty() ? QString() : dialogs.asked.back().text;
  }
  int writesOf(int function) const {
    int n = 0;
    for (const Frame& f : frames())
      n += f.function == function;
    return n;
  }
};

// A processor left on another input or mode is shown as it plays, and a
// live edit lands where the window says.
TEST_F(BankTest, TheWindowStartsOnWhatTheProcessorPlays) {
  struct Case {
    const char* what;
    int input, mode;  // registers 262 and 288 before the start
    int shownInput, shownMode;
    int bank;     // the window's bank offset
    int playing;  // the bank the processor plays, 0..2
  };
  const Case cases[] = {
      {"analog B, three groups", 2, 1, 1, 1, 300, 1},
      {"auxiliary, unified", 4, 0, 2, 0, 0, 0},
      {"auxiliary, three groups", 4, 1, 2, 1, 600, 2},
      {"an input code the tool does not know", 7, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window.reset();
    model = sim::ProcessorModel{};
    model.writeRegister(262, static_cast<std::uint16_t>(c.input), 0);
    model.writeRegister(288, static_cast<std::uint16_t>(c.mode), 0);
    startConnected();
    EXPECT_TRUE(window->Option5[static_cast<std::size_t>(c.shownInput)]->isChecked());
    EXPECT_TRUE(window->Option3[static_cast<std::size_t>(c.shownMode)]->isChecked());
    showPageOf(window->Option5[0]);
    QRadioButton* shown = window->Option5[static_cast<std::size_t>(c.shownInput)];
    // An input the tool cannot place leaves the start's grey strips.
    if (c.input != 7) {
      EXPECT_EQ(pixel(shown, emptySpot(shown)), kGreen);
    }
    EXPECT_EQ(window->bankOffset(), c.bank);
    EXPECT_TRUE(port.writes().empty());  // nothing was written

    showPageOf(window->Slider1[33]);
    window->Slider1[33]->setFocus();
    QTest::keyClick(window->Slider1[33], Qt::Key_Up);
    for (int bank = 0; bank < 3; ++bank)
      EXPECT_EQ(model.bankCell(bank, 33), bank == c.playing ? 16 : 15) << bank;
  }

  // Pages read, then the processor switched while the link was down:
  // "确认并重启" shows what it plays, and the pages read no longer count. An
  // input the tool cannot place leaves the buttons, and every page unread.
  const struct { int input, mode; } switched[] = {{2, 1}, {9, 1}};
  for (const auto& sw : switched) {
    SCOPED_TRACE(sw.input);
    press(window->CmdReadAllEq);
    model.writeRegister(262, static_cast<std::uint16_t>(sw.input), clock.now());
    model.writeRegister(288, static_cast<std::uint16_t>(sw.mode), clock.now());
    press(window->Command1);
    EXPECT_EQ(window->bankOffset(), 300);
    dialogs.asked.clear();
    dialogs.answers = {Dialogs::Answer::Cancel};
    press(window->CmdWriteToMcu);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, MainWindow::kBlindWriteQuestion);
  }
}

TEST_F(BankTest, ARestoreWritesOnlyTheBankItWasKeptFor) {
  model.writeRegister(288, 1, 0);  // three groups, digital input
  startConnected();
  handTune(0);
  autoRun(0);
  ASSERT_EQ(window->Label12->text(), "本通道自调完成.");
  ASSERT_NE(held(0, 0), kHand);

  clickOption(window->Option5[1]);
  port.clearEvents();
  const QString refused = restore();
  EXPECT_TRUE(refused.startsWith("当前输入没有保存的调试前均衡。")) << refused.toStdString();
  EXPECT_TRUE(refused.contains("数字输入(模拟A)"));
  EXPECT_EQ(writesOf(16), 0);
  EXPECT_EQ(held(1, 0),
            (std::array<int, kBands>{15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                     15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15}));

  clickOption(window->Option5[0]);
  EXPECT_EQ(restore(), "已恢复左声道的调试前均衡。");
  EXPECT_EQ(held(0, 0), kHand);
  EXPECT_EQ(window->eqView().channelRegisters(0), kHand);
  EXPECT_EQ(restore(), QString::fromUtf8(TuningKeep::kNothingKept));
}

// Each channel keeps what the processor held before the first automatic
// write to it, through later runs and a new start, until it is restored.
TEST_F(BankTest, ThreeRunsAndANewStartThenOneRestoreBringsBackBothHandTunings) {
  startConnected();
  handTune(0);
  handTune(1);
  autoRun(0);
  autoRun(1);
  window.reset();
  startConnected();
  autoRun(0);
  ASSERT_NE(held(0, 0), kHand);
  EXPECT_EQ(restore(), "已恢复左、右声道的调试前均衡。");
  EXPECT_EQ(held(0, 0), kHand);
  EXPECT_EQ(held(0, 1), kHand);
}

TEST_F(BankTest, ARestoreDuringARunEndsTheRunAndNothingIsWrittenAfterIt) {
  startConnected();
  handTune(2);
  chooseChannel(2);
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  while (!window->Timer6->running())
    ASSERT_TRUE(nextSecond());
  port.clearEvents();
  EXPECT_EQ(restore(), "已恢复中置声道的调试前均衡。");
  EXPECT_FALSE(nextSecond());
  const auto f = frames();
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f.front().address, 902);  // the sweep stopped first
  EXPECT_EQ(f.back().function, 16);   // and the restore is the last word
  EXPECT_EQ(f.back().address, equalizerRegister(2, 0));
  EXPECT_EQ(held(0, 2), kHand);
}

// The processor misses a sweep start: one more try, and when that is lost
// too the run ends; the curve of the sweep before is never taken for it.
TEST_F(BankTest, ALostSweepStartIsTriedOnceMoreThenTheRunStops) {
  struct Case {
    const char* what;
    std::vector<int> lost;  // which 901 frames never reach the processor, from 1
    const char* state;
    int corrections;
  };
  const Case cases[] = {
      {"one lost", {2}, "本通道自调完成.", 2},
      {"both tries lost", {2, 3}, AutoSequence::kSweepNotStarted, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    window.reset();
    model = sim::ProcessorModel{};
    startConnected();
    int sweepStarts = 0;
    port.setResponder([&](const QByteArray& request) {
      if (request.left(4) == QByteArray::fromHex("01060385") &&
          std::count(c.lost.begin(), c.lost.end(), ++sweepStarts)) {
        return QByteArray();
      }
      std::vector<std::uint8_t> bytes(request.begin(), request.end());
      const auto reply = model.handleFrame(bytes, clock.now());
      return QByteArray(reinterpret_cast<const char*>(reply.data()),
                        static_cast<qsizetype>(reply.size()));
    });
    chooseChannel(2);
    port.clearEvents();
    dialogs.answers = {Dialogs::Answer::Ok};
    press(find<QPushButton>("CmdTest2"));
    for (int seconds = 0; nextSecond(); ++seconds)
      ASSERT_LT(seconds, 60);
    EXPECT_EQ(window->Label12->text(), QString::fromUtf8(c.state));
    EXPECT_EQ(writesOf(16), c.corrections);
    port.setResponder({});
  }
}

TEST_F(BankTest, TheSubwooferKeepsItsUpperBandsThroughARunAndARestore) {
  startConnected();
  handTune(kSubwoofer);
  autoRun(kSubwoofer);
  ASSERT_EQ(window->Label12->text(), "本通道自调完成.");
  const auto tuned = held(0, kSubwoofer);
  EXPECT_NE(tuned, kHand);
  for (int b = kSubwooferBands; b < kBands; ++b)
    EXPECT_EQ(tuned[static_cast<std::size_t>(b)], kHand[static_cast<std::size_t>(b)]) << b;
  EXPECT_EQ(restore(), "已恢复次低频声道的调试前均衡。");
  EXPECT_EQ(held(0, kSubwoofer), kHand);
}

}  // namespace
}  // namespace eqset::test

namespace eqset::test {
namespace {

// A band register no equalizer step stands for: shown and named, the page
// unread, and no automatic run corrects from it or keeps it.
TEST_F(BankTest, AValueOutsideTheEqualizersStepsIsNamedAndNeverTakenAsAGain) {
  startConnected();
  model.writeRegister(equalizerRegister(1, 12), 185, clock.now());
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdReadAllEq);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains("右声道 315Hz：读到 185"))
      << dialogs.asked[0].text.toStdString();
  EXPECT_EQ(window->Text5[43]->text(), "170");
  dialogs.asked.clear();
  dialogs.answers = {Dialogs::Answer::Cancel};
  press(window->CmdWriteToMcu);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, MainWindow::kBlindWriteQuestion);

  port.clearEvents();
  autoRun(1);
  EXPECT_EQ(window->Label12->text(), QString::fromUtf8(AutoSequence::kGainsUnread));
  EXPECT_EQ(writesOf(16), 0);
  EXPECT_EQ(restore(), QString::fromUtf8(TuningKeep::kNothingKept));
}

}  // namespace
}  // namespace eqset::test
