#include <QLineSeries>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cmath>

#include "app/widgets.h"
#include "measure/bandedit.h"
#include "measure/curvegraph.h"
#include "measure/periodictimer.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class MeasureTest : public WindowTest {
 protected:
  void SetUp() override {
    startConnected();
    window->SSTab1->setCurrentIndex(7);
    QApplication::processEvents();
  }

  // Has the processor sweep `channel` and lets the sweep finish.
  void sweepInTheModel(int channel) {
    model.writeRegister(905, static_cast<std::uint16_t>(channel), clock.now());
    model.writeRegister(901, 1, clock.now());
    clock.advance(model.options().sweepMs);
  }

  int writesTo(int address, int function) const {
    int n = 0;
    for (const Frame& f : frames())
      n += f.address == address && f.function == function;
    return n;
  }

  void typeBandValue(int band, const char* text) {
    BandEdit* edit = window->FreqNum[static_cast<std::size_t>(band)];
    QLineEdit* field = edit->findChild<QLineEdit*>();
    edit->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  void chooseChannel(int channel) {
    QLineEdit* field = window->GroupNum->findChild<QLineEdit*>();
    field->selectAll();
    QTest::keyClicks(field, QString::number(channel));
    QTest::keyClick(field, Qt::Key_Return);
  }
};

TEST_F(MeasureTest, CurveReadShowsStoresAndDrawsTheSweepOfAChannel) {
  for (const int channel : {1, 3}) {
    SCOPED_TRACE(channel);
    chooseChannel(channel);
    sweepInTheModel(channel);
    port.clearEvents();
    press(find<QPushButton>("Command8"));
    const auto f = frames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].address, 904);
    const int measured = channel == 3 ? 11 : 31;
    for (int b = 0; b < kBands; ++b) {
      const double shown = window->FreqNum[static_cast<std::size_t>(b)]->value();
      const float stored = window->measure.curves.areas[channel][b + 1];
      if (b < measured) {
        EXPECT_NEAR(shown, model.heardBandDb(channel, b), 0.35) << b;
      } else {
        EXPECT_EQ(shown, 0) << b;
      }
      EXPECT_FLOAT_EQ(stored, static_cast<float>(shown)) << b;
      EXPECT_FLOAT_EQ(window->measure.plot.rows[0][b + 1], stored) << b;
      EXPECT_FALSE(window->FreqNum[static_cast<std::size_t>(b)]->isEnabled());
    }
    EXPECT_EQ(window->measure.sweepStatus, 1);
  }

  // The graph draws the curve in the measured plot's colour where its point is.
  CurveGraph* graph = window->CWGraph1;
  window->measure.yMin = 40;
  window->measure.yMax = 100;
  press(find<QPushButton>("Command8"));
  const QImage shot = graph->grab().toImage();
  const float level = window->measure.plot.rows[0][4];
  const QPoint at = graph->pointAt(4, level);
  bool blue = false;
  for (int dy = -2; dy <= 2 && !blue; ++dy) {
    const QColor c = shot.pixelColor(at + QPoint(0, dy));
    blue = c.blue() > 180 && c.red() < 120 && c.green() < 120;
  }
  EXPECT_TRUE(blue) << "no curve drawn at band 3";

  // A short reply changes nothing stored but still locks the band edits.
  const auto before = window->measure.curves.areas[3];
  window->measure.sweepStatus = 0;
  port.setReplyFilter([](const QByteArray&, QByteArray reply) { return reply.left(254); });
  press(find<QPushButton>("Command8"));
  EXPECT_EQ(window->measure.curves.areas[3], before);
  EXPECT_EQ(window->measure.sweepStatus, 0);
  EXPECT_FALSE(window->FreqNum[0]->isEnabled());
}

TEST_F(MeasureTest, ABandEditWritesItsBandInTheBankAndWatchesTheLevel) {
  clickOption(window->Option3[1]);
  clickOption(window->Option5[1]);
  window->SSTab1->setCurrentIndex(7);
  chooseChannel(1);
  press(window->Command24);
  press(window->Command18);  // "读取绝对参数": the edits now edit the equalizer
  ASSERT_TRUE(window->FreqNum[4]->isEnabled());
  port.clearEvents();
  typeBandValue(4, "-3");
  const auto f = frames();
  // Focus: the band's tone (903 = 4); the edit: 335 = 12; a second later the level.
  ASSERT_GE(f.size(), 3u);
  EXPECT_EQ(f[0].address, 903);
  EXPECT_EQ(f[0].values[0], 4);
  EXPECT_EQ(f[1].function, 6);
  EXPECT_EQ(f[1].address, 335);
  EXPECT_EQ(f[1].values[0], 12);
  EXPECT_EQ(f[2].address, 900);
  EXPECT_GE(f[2].time, f[1].time + 100 + 1000);
  EXPECT_EQ(window->FreqNum[4]->value(), -3);
  EXPECT_EQ(window->Timer2->period(), 1000);
  EXPECT_EQ(window->Text7->text(), "4");

  // Beyond what a band can take: nothing written, the reading stays stopped.
  port.clearEvents();
  typeBandValue(5, "-16");
  EXPECT_EQ(writesTo(336, 6), 0);
  EXPECT_EQ(window->Timer2->period(), 0);
}

TEST_F(MeasureTest, TheChannelSelectorTellsTheProcessorOnlyInRange) {
  window->measure.curves.areas[3][5] = 77;
  window->measure.curves.areas[5][5] = 55;
  chooseChannel(3);
  auto f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].address, 905);
  EXPECT_EQ(f[0].values[0], 3);
  EXPECT_EQ(f[1].address, 260);
  EXPECT_EQ(f[1].values[0], 3);
  EXPECT_EQ(window->Label11->text(), "低频");
  for (int k = 0; k < kChannels; ++k)
    EXPECT_EQ(window->CWNumEdit1[k]->isEnabled(), k == 3);
  EXPECT_EQ(window->measure.plot.rows[0][5], 77);

  port.clearEvents();
  chooseChannel(7);
  EXPECT_EQ(window->GroupNum->value(), 5);
  f = frames();
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].address, 260);
  EXPECT_EQ(f[0].values[0], 5);
  EXPECT_TRUE(window->CWNumEdit1[3]->isEnabled());
  EXPECT_EQ(window->measure.plot.rows[0][5], 55);
  EXPECT_EQ(window->measure.lastCommand, 260);
}

TEST_F(MeasureTest, AWholeAutomaticRunSweepsThreeTimesAndCorrectsTwice) {
  chooseChannel(2);
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  EXPECT_EQ(window->Label12->text(), "已经启动扫描...");
  int seconds = 0;
  while (nextSecond())
    ASSERT_LT(++seconds, 60);
  EXPECT_EQ(window->Label12->text(), "本通道自调完成.");
  EXPECT_EQ(writesTo(901, 6), 3);
  EXPECT_EQ(writesTo(62, 16), 2);  // channel 2's 31 bands, bank 0
  EXPECT_EQ(writesTo(902, 6), 1);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, "这是开环状态，请确认是否需要继续？");
  EXPECT_EQ(window->measure.passCount[2], 2);
  EXPECT_TRUE(window->Command24->isEnabled());
  for (QWidget* b : {window->Command18, window->Command9, window->Command22, window->Command10})
    EXPECT_FALSE(b->isEnabled());
}

TEST_F(MeasureTest, CancelAtTheQuestionEndsTheRunWithoutACorrection) {
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Cancel};
  press(find<QPushButton>("CmdTest2"));
  while (nextSecond()) {
  }
  EXPECT_EQ(window->Label12->text(), "首次测试结束...");
  EXPECT_EQ(writesTo(901, 6), 1);
  EXPECT_EQ(writesTo(0, 16), 0);
}

TEST_F(MeasureTest, StopDuringTheSecondSweepEndsEverything) {
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  while (!window->Timer6->running())
    ASSERT_TRUE(nextSecond());
  port.clearEvents();
  press(find<QPushButton>("Command4"));
  const auto f = frames();
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].address, 902);
  EXPECT_EQ(f[0].values[0], 1);
  for (PeriodicTimer* t : {window->Timer5, window->Timer6, window->Timer7}) {
    EXPECT_FALSE(t->isEnabled());
    EXPECT_EQ(t->period(), 0);
  }
  EXPECT_EQ(window->Timer2->period(), 0);
  EXPECT_TRUE(window->Command24->isEnabled());
  EXPECT_FALSE(nextSecond());
}

TEST_F(MeasureTest, TypedValuesThatCannotBeSentAreRefused) {
  struct Case {
    const char* box;
    const char* text;
    const char* button;
    int address;  // -1: refused
    int value;
  };
  const Case cases[] = {
      {"Text7", "12", "Command7", 903, 12},        {"Text7", "2.5", "Command7", 903, 2},
      {"Text7", "31", "Command7", -1, 0},          {"Text7", "-1", "Command7", -1, 0},
      {"Text6", "-255", "Command11(0)", 47, -255}, {"Text6", "40000", "Command11(0)", -1, 0},
      {"Text8", "7", "Command23(3)", 48, 7},       {"Text8", "-300", "Command23(0)", -1, 0},
      {"Text6", "1e400", "Command11(0)", -1, 0},   {"Text7", "1e400", "Command7", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.box) + " " + c.text);
    typeInto(find<QLineEdit>(c.box), c.text);
    port.clearEvents();
    dialogs.asked.clear();
    if (c.address < 0) dialogs.answers = {Dialogs::Answer::Ok};
    press(find<QPushButton>(c.button));
    const auto f = frames();
    if (c.address < 0) {
      EXPECT_TRUE(f.empty());
      EXPECT_EQ(dialogs.asked.size(), 1u);
      continue;
    }
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].address, c.address);
    // -255..-1 go out as 00 and the low byte of the two's complement.
    EXPECT_EQ(f[0].values[0], c.value < 0 ? (c.value & 0xFF) : c.value);
  }

  // The display mode takes numbers only; the mode in force comes back.
  dialogs.asked.clear();
  dialogs.answers = {Dialogs::Answer::Ok};
  typeInto(find<QLineEdit>("Text4"), "abc");
  QTest::keyClick(find<QLineEdit>("Text4"), Qt::Key_Return);
  EXPECT_EQ(find<QLineEdit>("Text4")->text(), "1");
  EXPECT_EQ(dialogs.asked.size(), 1u);
}

}  // namespace
}  // namespace eqset::test
