#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "app/pages/roomeqdialog.h"
#include "app/widgets.h"
#include "measure/compensation.h"
#include "measure/roomsequence.h"
#include "tests/report/poppler.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

const QString kTitle = "全场均衡";

// "全场均衡" through the dialog, against the in-process processor in virtual
// time, with a hand-tuned equalizer on the processor before the run.
class RoomEqTest : public WindowTest {
 protected:
  static constexpr std::array<int, kBands> kHandTuned = {15, 15, 18, 17, 15, 12, 15, 15, 16, 15, 15,
                                                         15, 14, 15, 15, 15, 15, 15, 13, 15, 15, 15,
                                                         15, 17, 15, 15, 15, 15, 15, 15, 12};

  void SetUp() override {
    startConnected();
    for (int c = 0; c < kChannels; ++c) {
      for (int b = 0; b < kBands; ++b)
        model.writeRegister(equalizerRegister(c, b), kHandTuned[b], clock.now());
    }
    // The technician walks the microphone where each box asks.
    dialogs.onAsk = [this](const ScriptedDialogs::Asked& asked) {
      static const QRegularExpression prompt("第(\\d)个测量位置");
      if (const auto m = prompt.match(asked.text); m.hasMatch()) {
        model.setMicPosition(m.captured(1).toInt());
        promptedAt.push_back(static_cast<int>(frames().size()));
      }
    };
    QPushButton* open = find<QPushButton>("CmdRoomEq");
    // The page laid out before the pointer goes to the button.
    showPageOf(open);
    QApplication::processEvents();
    clickUnderPointer(open, open->rect().center());
    dialog = window->roomDialog;
    ASSERT_TRUE(dialog->isVisible());
    port.clearEvents();
  }

  // Ticks the channels off in the dialog, as the technician clicks them.
  void untick(std::initializer_list<int> channels) {
    for (int c : channels) {
      QCheckBox* box = dialog->ChkRoomCh[static_cast<std::size_t>(c)];
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
      ASSERT_FALSE(box->isChecked());
    }
  }
  void setPositions(int n) {
    dialog->SpinRoomPos->setFocus();
    dialog->SpinRoomPos->selectAll();
    QTest::keyClicks(dialog->SpinRoomPos, QString::number(n));
    QTest::keyClick(dialog->SpinRoomPos, Qt::Key_Enter);
    ASSERT_EQ(dialog->SpinRoomPos->value(), n);
  }
  // Virtual time runs while the run polls; `each` after every tick.
  void runOn(const std::function<void()>& each = {}) {
    for (int guard = 0; window->TimerRoom->running(); ++guard) {
      ASSERT_LT(guard, 500);
      clock.advance(window->TimerRoom->period());
      window->TimerRoom->fire();
      if (each) each();
    }
  }
  int count(int function, int address) const {
    int n = 0;
    for (const Frame& f : frames())
      n += f.function == function && f.address == address;
    return n;
  }
  std::array<int, kBands> held(int channel) {
    std::array<int, kBands> r{};
    for (int b = 0; b < kBands; ++b)
      r[b] = model.bankCell(0, equalizerRegister(channel, b));
    return r;
  }
  QString state() const { return dialog->LblRoomState->text(); }

  RoomEqDialog* dialog = nullptr;
  std::vector<int> promptedAt;  // frames sent before each position's box
};

TEST_F(RoomEqTest, TwoPositionsTwoChannelsThenTheHandTuningComesBack) {
  untick({2, 3, 4, 5});
  setPositions(2);
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  QTest::mouseClick(dialog->CmdRoomStart, Qt::LeftButton);
  EXPECT_TRUE(dialog->CmdRoomStop->isEnabled());
  EXPECT_FALSE(dialog->SpinRoomPos->isEnabled());
  runOn();
  EXPECT_EQ(state(), "全场均衡完成。");

  // One question, then a box per position, in order, before its sweeps.
  ASSERT_EQ(dialogs.asked.size(), 3u);
  EXPECT_EQ(dialogs.asked[0].buttons, Dialogs::Buttons::OkCancel);
  EXPECT_TRUE(dialogs.asked[0].text.contains("2个测量位置")) << dialogs.asked[0].text.toStdString();
  for (int k = 1; k <= 2; ++k) {
    const auto& box = dialogs.asked[static_cast<std::size_t>(k)];
    EXPECT_EQ(box.text, QString("请把测试话筒放到第%1个测量位置（共2个），然后按确定。").arg(k));
    EXPECT_EQ(box.title, kTitle);
    EXPECT_EQ(box.icon, Dialogs::Icon::Question);
    EXPECT_EQ(box.buttons, Dialogs::Buttons::OkCancel);
  }
  // The frames in order: sweeps of channels 0 and 1 at the first position;
  // at the last, each channel's sweep, its corrections (the first and two
  // refinements, one write each) each followed by a sweep where the
  // microphone stands, then the next channel.
  int channel = -1;
  std::vector<int> sweptChannels, writtenChannels;
  for (const Frame& f : frames()) {
    if (f.function == 6 && f.address == 905) channel = f.values[0];
    if (f.function == 6 && f.address == 901) sweptChannels.push_back(channel);
    if (f.function == 16) {
      EXPECT_EQ((f.address - equalizerRegister(0, 0)) % kBands, 0);
      writtenChannels.push_back((f.address - equalizerRegister(0, 0)) / kBands);
    }
  }
  EXPECT_EQ(sweptChannels, (std::vector<int>{0, 1, 0, 0, 0, 0, 1, 1, 1, 1}));
  EXPECT_EQ(writtenChannels, (std::vector<int>{0, 0, 0, 1, 1, 1}));
  ASSERT_EQ(promptedAt.size(), 2u);
  int sweepsBeforeSecondBox = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(promptedAt[1]); ++i)
    sweepsBeforeSecondBox += frames()[i].function == 6 && frames()[i].address == 901;
  EXPECT_EQ(sweepsBeforeSecondBox, 2);
  EXPECT_EQ(model.micPosition(), 2);

  // Tuned channels changed and left closer to the target on average; the
  // unticked ones hold the hand tuning untouched.
  EXPECT_NE(held(0), kHandTuned);
  EXPECT_NE(held(1), kHandTuned);
  for (int c = 2; c < kChannels; ++c)
    EXPECT_EQ(held(c), kHandTuned) << c;
  const RoomRun& run = window->measure.room;
  EXPECT_EQ(run.positions, 2);
  EXPECT_EQ(run.sweeps.size(), 10u);
  for (int c = 0; c < 2; ++c) {
    ASSERT_TRUE(run.finished[static_cast<std::size_t>(c)]);
    EXPECT_LT(deviationFromTarget(run.averageAfter[c], TargetType::Iso2969, false).rms,
              deviationFromTarget(run.averageBefore[c], TargetType::Iso2969, false).rms);
  }
  // The page's sliders follow what was written.
  EXPECT_EQ(window->eqView().channelRegisters(0), held(0));
  EXPECT_FALSE(dialog->TblRoom->item(0, 3)->text().isEmpty());

  // What the processor held before the run is in "用户数据", and comes back.
  QDirIterator kept(QDir(folder.path()).filePath("用户数据"), {"调试前均衡_*.json"});
  ASSERT_TRUE(kept.hasNext());
  dialogs.asked.clear();
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  dialog->close();
  QPushButton* restore = find<QPushButton>("CmdRestoreEq");
  clickUnderPointer(restore, restore->rect().center());
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[1].text, "已恢复左、右声道的调试前均衡。");
  EXPECT_EQ(count(16, equalizerRegister(0, 0)) + count(16, equalizerRegister(1, 0)), 2);
  for (int c = 0; c < kChannels; ++c)
    EXPECT_EQ(held(c), kHandTuned) << c;
  EXPECT_EQ(window->eqView().channelRegisters(1), kHandTuned);
}

// Cancel at a box, "停止" during a sweep, and a lost line: the run ends at
// once, nothing more is sent, and the state says which channels were written.
TEST_F(RoomEqTest, CancelStopAndALostLineEndTheRunAtOnce) {
  untick({2, 3, 4, 5});
  setPositions(2);
  struct Case {
    const char* name;
    bool cancelSecondBox;
    int stopAfterSweeps;  // stop or lose the line once this many sweeps started
    bool loseLine;
    const char* state;
    int sweeps;
    int writes;
  };
  // clang-format off
  const Case cases[] = {
      {"cancel", true,  -1, false, "全场均衡已取消。没有写入任何声道。",     2, 0},
      {"stop",   false,  2, false, "全场均衡已停止。没有写入任何声道。",     2, 0},
      {"line",   false,  4, true,  "通讯中断，全场均衡已停止。已写入：左。", 4, 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    port.clearEvents();
    dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok,
                       c.cancelSecondBox ? Dialogs::Answer::Cancel : Dialogs::Answer::Ok};
    QTest::mouseClick(dialog->CmdRoomStart, Qt::LeftButton);
    bool ended = false;
    runOn([&] {
      if (ended || c.stopAfterSweeps < 0 || count(6, 901) < c.stopAfterSweeps) return;
      ended = true;
      if (c.loseLine) {
        port.loseLine();
      } else {
        QTest::mouseClick(dialog->CmdRoomStop, Qt::LeftButton);
        // The processor stops its sweep as "停止测试" stops it.
        EXPECT_EQ(frames().back().address, 902);
      }
    });
    EXPECT_EQ(state(), QString::fromUtf8(c.state));
    EXPECT_EQ(count(6, 901), c.sweeps);
    int blockWrites = 0;
    for (const Frame& f : frames())
      blockWrites += f.function == 16;
    EXPECT_EQ(blockWrites, c.writes);
    EXPECT_FALSE(window->TimerRoom->running());
    EXPECT_TRUE(dialog->CmdRoomStart->isEnabled());
    EXPECT_FALSE(dialog->CmdRoomStop->isEnabled());
    const auto sent = frames().size();
    clock.advance(5000);
    QApplication::processEvents();
    EXPECT_EQ(frames().size(), sent);
  }
}

}  // namespace
}  // namespace eqset::test

namespace eqset::test {
namespace {

// The report names what the processor holds as it is made, and the run that
// last wrote a channel: a run cancelled before its first write changes neither.
TEST_F(RoomEqTest, TheReportReadsTheProcessorAndKeepsTheRunThatWrote) {
  if (!popplerInstalled()) GTEST_SKIP() << "pdftotext is not installed";
  untick({1, 2, 3, 4, 5});
  setPositions(2);
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  QTest::mouseClick(dialog->CmdRoomStart, Qt::LeftButton);
  runOn();
  ASSERT_EQ(state(), "全场均衡完成。");
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Cancel};
  QTest::mouseClick(dialog->CmdRoomStart, Qt::LeftButton);
  ASSERT_TRUE(state().startsWith("全场均衡已取消。")) << state().toStdString();
  dialog->close();
  // Changed at the processor after the run: the report follows it.
  model.writeRegister(equalizerRegister(0, 5), 27, clock.now());

  const auto report = [this] {
    dialogs.answers = {Dialogs::Answer::Ok};
    press(window->CmdReport);
    QStringList files = QDir(QDir(folder.path()).filePath("用户数据"))
                            .entryList({"调试报告_*.pdf"}, QDir::Files, QDir::Time);
    return files.isEmpty() ? QString()
                           : pdfText(QDir(folder.path()).filePath("用户数据/" + files.front()));
  };
  const QString text = report();
  EXPECT_EQ(text.count("测量位置：2个"), 1);
  EXPECT_FALSE(text.contains("未能从处理器读回"));
  EXPECT_EQ(window->Slider1[5]->value(), -12);

  // No answer from the processor: every channel's gains say so.
  port.setReplyFilter([](const QByteArray& request, QByteArray reply) {
    return request.at(1) == 3 ? QByteArray() : reply;
  });
  EXPECT_EQ(report().count("未能从处理器读回"), kChannels);
}

}  // namespace
}  // namespace eqset::test
