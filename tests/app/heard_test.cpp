#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>

#include "measure/curvegraph.h"
#include "measure/periodictimer.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

const QString kMutedText = "全部静音已勾选，无法自动均衡。请先取消全部静音。";
const QString kQuietText = "测得的声压过低，请检查静音、功放和测试话筒后重试。";
const QColor kNoticeBackground(255, 255, 192);

// "全自动均衡" with nothing to hear: the processor muted, the amplifier down.
class HeardTest : public WindowTest {
 protected:
  void SetUp() override {
    startConnected();
    window->SSTab1->setCurrentIndex(7);
    QApplication::processEvents();
  }

  void clickMute() {
    QCheckBox* mute = window->Check3;
    showPageOf(mute);
    QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(8, mute->height() / 2));
  }

  void chooseChannel(int channel) {
    showPageOf(window->GroupNum);
    QLineEdit* field = window->GroupNum->findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClicks(field, QString::number(channel));
    QTest::keyClick(field, Qt::Key_Return);
  }

  // The processor mutes itself (its own panel, a full read of another tool):
  // the window's "全部静音" stays unticked.
  void muteTheProcessor(bool muted) { model.writeRegister(258, muted ? 1 : 0, clock.now()); }

  void sweepInTheModel(int channel) {
    model.writeRegister(905, static_cast<std::uint16_t>(channel), clock.now());
    model.writeRegister(901, 1, clock.now());
    clock.advance(model.options().sweepMs);
  }

  // Lets the sequence run in virtual time until no timer is left.
  void runOut() {
    for (int seconds = 0; nextSecond(); ++seconds) {
      if (seconds > 60) {
        ADD_FAILURE() << "the run does not end";
        return;
      }
    }
  }

  int writes(int function, int address = -1) const {
    int n = 0;
    for (const Frame& f : frames())
      n += f.function == function && (address < 0 || f.address == address);
    return n;
  }

  // The run has ended the way "停止测试" leaves it.
  void expectStopped() {
    for (PeriodicTimer* t : {window->Timer5, window->Timer6, window->Timer7}) {
      EXPECT_FALSE(t->isEnabled()) << t->objectName().toStdString();
      EXPECT_EQ(t->period(), 0) << t->objectName().toStdString();
    }
    EXPECT_TRUE(window->Command24->isEnabled());
    for (QWidget* b : {window->Command18, window->Command9, window->Command22, window->Command10})
      EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  }

  // Pixels of the graph, as the technician sees it, in the notice's colour.
  int noticePixels() {
    showPageOf(window->CWGraph1);
    const QImage shot = window->CWGraph1->grab().toImage();
    int n = 0;
    for (int y = 0; y < shot.height(); ++y) {
      for (int x = 0; x < shot.width(); ++x)
        n += shot.pixelColor(x, y) == kNoticeBackground;
    }
    return n;
  }
  QLabel* notice() { return window->CWGraph1->findChild<QLabel*>("LblOutOfRange"); }
};

TEST_F(HeardTest, AMutedWindowRefusesTheRunAndSendsNothing) {
  clickMute();
  ASSERT_TRUE(window->Check3->isChecked());
  port.clearEvents();
  const QString statusBefore = window->Label12->text();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  EXPECT_TRUE(frames().empty());
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, kMutedText);
  EXPECT_EQ(dialogs.asked[0].title, "提示");
  EXPECT_EQ(dialogs.asked[0].icon, Dialogs::Icon::Warning);
  EXPECT_EQ(dialogs.asked[0].buttons, Dialogs::Buttons::Ok);
  EXPECT_EQ(window->Label12->text(), statusBefore);
  EXPECT_FALSE(nextSecond());

  // Unmuted, the same button starts the sweep.
  clickMute();
  port.clearEvents();
  press(find<QPushButton>("CmdTest2"));
  EXPECT_EQ(window->Label12->text(), "已经启动扫描...");
  EXPECT_EQ(writes(6, 901), 1);
  EXPECT_TRUE(window->Timer5->running());
}

TEST_F(HeardTest, AFirstSweepThatHeardNothingWritesNoCorrection) {
  muteTheProcessor(true);
  ASSERT_FALSE(window->Check3->isChecked());
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  runOut();
  EXPECT_EQ(writes(6, 901), 1);  // swept once, never again
  EXPECT_EQ(writes(16), 0);      // no equalizer written
  EXPECT_EQ(window->measure.passCount[0], 0);
  ASSERT_EQ(dialogs.asked.size(), 1u);  // no open-loop question either
  EXPECT_EQ(dialogs.asked[0].text, kQuietText);
  EXPECT_EQ(dialogs.asked[0].title, "提示");
  EXPECT_EQ(window->Label12->text(), "声压过低，自调已停止");
  expectStopped();
  // The silent sweep is no room as it was found.
  EXPECT_FALSE(window->measure.firstCurveKept[0]);
  // The graph says where the curve went.
  ASSERT_NE(notice(), nullptr);
  EXPECT_TRUE(notice()->isVisible());
  EXPECT_EQ(notice()->text(), "曲线超出显示范围");
  EXPECT_GT(noticePixels(), 100);
}

TEST_F(HeardTest, ASecondSweepThatHeardNothingStopsAfterTheFirstCorrection) {
  chooseChannel(2);
  port.clearEvents();
  // The amplifier goes quiet while the technician answers the question.
  dialogs.onAsk = [this](const auto&) { muteTheProcessor(true); };
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  runOut();
  EXPECT_EQ(writes(16, 62), 1);  // the first correction only
  EXPECT_EQ(writes(6, 901), 2);  // no final sweep
  EXPECT_EQ(window->measure.passCount[2], 1);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[1].text, kQuietText);
  EXPECT_EQ(window->Label12->text(), "声压过低，自调已停止");
  expectStopped();
}

TEST_F(HeardTest, TheGraphSaysWhenTheCurveLiesOffItsRange) {
  QPushButton* read = find<QPushButton>("Command8");
  sweepInTheModel(0);
  press(read);
  // The range buttons widened until the room's whole curve is on the graph.
  const auto levels = [this] {
    const CurveRow& row = window->measure.plot.rows[0];
    return std::minmax_element(row.begin() + 1, row.begin() + 1 + kBands);
  };
  const float quietest = *levels().first;
  const float loudest = *levels().second;
  while (window->measure.yMin > quietest)
    press(find<QPushButton>("Command15"));
  while (window->measure.yMax < loudest)
    press(find<QPushButton>("Command17"));
  EXPECT_FALSE(notice()->isVisible());
  EXPECT_EQ(noticePixels(), 0);

  // A muted room: its noise alone, some 25 dB, under the floor.
  ASSERT_GT(window->measure.yMin, 30);
  muteTheProcessor(true);
  sweepInTheModel(0);
  press(read);
  EXPECT_TRUE(notice()->isVisible());
  EXPECT_EQ(notice()->text(), "曲线超出显示范围");
  EXPECT_GT(noticePixels(), 100);

  // Heard again, and inside the range.
  muteTheProcessor(false);
  sweepInTheModel(0);
  press(read);
  EXPECT_FALSE(notice()->isVisible());

  // The top of the axis lowered below the loudest band: off the top.
  QPushButton* lowerMaximum = find<QPushButton>("Command16");
  while (window->measure.yMax >= loudest && window->measure.yMax - 5 > window->measure.yMin)
    press(lowerMaximum);
  ASSERT_LT(window->measure.yMax, loudest);
  EXPECT_TRUE(notice()->isVisible());
  EXPECT_GT(noticePixels(), 100);
}

}  // namespace
}  // namespace eqset::test
