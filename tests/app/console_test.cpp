#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "app/widgets.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

const QColor kGreen(0, 192, 0);
const QColor kGrey(192, 192, 192);
const QColor kToggled(192, 192, 0);
const QColor kDefault(224, 224, 224);
const QColor kVolumeNormal(128, 128, 255);
const QColor kMuted(255, 0, 0);

class ConsoleTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  void click(QWidget* w) { clickUnderPointer(w, emptySpot(w)); }
};

TEST_F(ConsoleTest, OptionStripsStartGreyAndTheChosenOneTurnsGreenWhereverItIsClicked) {
  // The input and mode the processor plays were read as the link came up and
  // are shown as chosen; the other strips start grey.
  for (QWidget* b : {window->Option5[1], window->Option5[2], window->Option3[1], window->Option1[0],
                     window->Option2[2]}) {
    showPageOf(b);
    EXPECT_EQ(pixel(b, emptySpot(b)), kGrey) << b->objectName().toStdString();
  }
  for (QWidget* b : {window->Option5[0], window->Option3[0]})
    EXPECT_EQ(pixel(b, emptySpot(b)), kGreen) << b->objectName().toStdString();
  EXPECT_EQ(pixel(window->Text5[248], emptySpot(window->Text5[248])), kVolumeNormal);

  // A click at the far end of the strip, away from the mark and the caption.
  click(window->Option5[1]);
  EXPECT_TRUE(window->Option5[1]->isChecked());
  EXPECT_EQ(pixel(window->Option5[1], emptySpot(window->Option5[1])), kGreen);
  EXPECT_EQ(pixel(window->Option5[0], emptySpot(window->Option5[0])), kGrey);
  ASSERT_FALSE(frames().empty());
  EXPECT_EQ(frames()[0].address, 262);
  EXPECT_EQ(frames()[0].values[0], 2);

  click(window->Option3[1]);
  EXPECT_EQ(pixel(window->Option3[1], emptySpot(window->Option3[1])), kGreen);
  EXPECT_EQ(window->bankOffset(), 300);
}

TEST_F(ConsoleTest, PinkNoiseChannelIsWrittenAndColouredEvenWhenAlreadyChosen) {
  for (int k : {4, 4, 0}) {
    port.clearEvents();
    click(window->Option1[k]);
    const auto f = frames();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].address, 260);
    EXPECT_EQ(f[0].values[0], k);
    for (int j = 0; j < kChannels; ++j) {
      EXPECT_EQ(pixel(window->Option1[j], emptySpot(window->Option1[j])), j == k ? kGreen : kGrey);
    }
  }
  EXPECT_EQ(model.sharedRegister(260), 0);
}

TEST_F(ConsoleTest, LimiterWritesTheFrontChannelsSeventyMillisecondsApart) {
  const auto t0 = clock.now();
  click(window->Option2[1]);
  const auto f = frames();
  ASSERT_EQ(f.size(), 3u);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(f[r].address, 280 + r);
    EXPECT_EQ(f[r].values[0], 1);
    // Reopen 100 ms, echo 100 ms, then 70 ms before the next one.
    EXPECT_EQ(f[r].time, t0 + 100 + r * 270);
    EXPECT_EQ(model.sharedRegister(280 + r), 1);
  }
  EXPECT_EQ(clock.now(), t0 + 3 * 270);
  EXPECT_EQ(pixel(window->Option2[1], emptySpot(window->Option2[1])), kGreen);
  EXPECT_EQ(pixel(window->Option2[2], emptySpot(window->Option2[2])), kGrey);
}

TEST_F(ConsoleTest, MuteTurnsTheVolumeBoxRedAndBack) {
  QCheckBox* mute = window->Check3;
  QLineEdit* volume = window->Text5[248];
  showPageOf(mute);
  QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(8, mute->height() / 2));
  EXPECT_EQ(pixel(volume, emptySpot(volume)), kMuted);
  QTest::mouseClick(mute, Qt::LeftButton, {}, QPoint(8, mute->height() / 2));
  EXPECT_EQ(pixel(volume, emptySpot(volume)), kVolumeNormal);
  const auto f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].address, 258);
  EXPECT_EQ(f[0].values[0], 1);
  EXPECT_EQ(f[1].values[0], 0);
}

TEST_F(ConsoleTest, PolarityTogglesTextColourAndRegister) {
  QLineEdit* box = window->TxtInvert[3];
  EXPECT_EQ(pixel(box, emptySpot(box)), kDefault);
  click(window->CmdInvert[3]);
  EXPECT_EQ(box->text(), "反相");
  EXPECT_EQ(pixel(box, emptySpot(box)), kToggled);
  EXPECT_EQ(model.sharedRegister(266), 1);
  click(window->CmdInvert[3]);
  EXPECT_EQ(box->text(), "正相");
  EXPECT_EQ(pixel(box, emptySpot(box)), kDefault);
  const auto f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[1].address, 266);
  EXPECT_EQ(f[1].values[0], 0);
  // With the port closed the control still changes; nothing is sent.
  port.close();
  port.clearEvents();
  click(window->CmdInvert[0]);
  EXPECT_EQ(window->TxtInvert[0]->text(), "反相");
  EXPECT_TRUE(port.writes().empty());
}

struct DelayCase {
  const char* length;
  const char* width;
  std::vector<int> delays;  // empty: nothing may be written
  int lengthRegister;
  int widthRegister;
  bool warned;
};

TEST_F(ConsoleTest, DelayCalculatorShowsWritesAndWarns) {
  const DelayCase cases[] = {
      {"20", "12", {0, 0, 4, 4, 25, 25}, 20, 12, false},
      {"25", "15", {0, 0, 5, 5, 32, 32}, 25, 15, false},
      {"40", "24", {0, 0, 8, 8, 51, 51}, 40, 24, false},
      {"10", "0", {0, 0, 0, 0, 0, 0}, 10, 0, false},
      {"150", "20", {0, 0, 1, 1, 266, 266}, 150, 20, true},
      {"131", "1", {0, 0, 0, 0, 255, 255}, 131, 1, false},
      {"132", "2", {0, 0, 0, 0, 256, 256}, 132, 2, true},
      {"1", "175", {0, 0, 255, 255, 0, 0}, 1, 175, false},
      {"2", "177", {0, 0, 256, 256, 0, 0}, 2, 177, true},
      {"12.5", "12", {0, 0, 6, 6, 13, 13}, 12, 12, false},  // "12" alone gives 12 ms surrounds
      {"20m", "12", {}, 0, 0, true},
      {"-20", "12", {}, 0, 0, true},
      {"", "12", {}, 0, 0, true},
      {"99999", "12", {}, 0, 0, true},
  };
  for (const DelayCase& c : cases) {
    SCOPED_TRACE(std::string(c.length) + " x " + c.width);
    for (int k = 0; k < kChannels; ++k)
      window->Text1[k]->setText("7");
    typeInto(window->Text2[0], c.length);
    typeInto(window->Text2[1], c.width);
    port.clearEvents();
    dialogs.asked.clear();
    if (c.warned) dialogs.answers = {Dialogs::Answer::Ok};
    click(window->Command2);
    EXPECT_EQ(dialogs.asked.size(), c.warned ? 1u : 0u);
    const auto f = frames();
    if (c.delays.empty()) {
      EXPECT_TRUE(f.empty());
      EXPECT_EQ(window->Text1[4]->text(), "7");
      continue;
    }
    if (c.warned) {
      EXPECT_EQ(dialogs.asked[0].text, "距离超出有效范围，请认真核对！");
    }
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].address, 272);
    EXPECT_EQ(f[0].values, c.delays);
    EXPECT_EQ(f[1].address, 290);
    EXPECT_EQ(f[1].values, (std::vector<int>{c.lengthRegister, c.widthRegister}));
    for (int k = 0; k < kChannels; ++k)
      EXPECT_EQ(window->Text1[k]->text().toInt(), c.delays[static_cast<std::size_t>(k)]);
  }
}

TEST_F(ConsoleTest, ATypedLevelIsAppliedByAClickOnTheNumberField) {
  NumEdit* edit = window->CWNumEdit1[0];
  QLineEdit* field = edit->findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr);
  typeInto(field, "-3");  // not confirmed with Enter
  EXPECT_TRUE(port.writes().empty());
  clickUnderPointer(field, QPoint(field->width() / 3, field->height() / 2));
  EXPECT_EQ(window->Slider3[0]->value(), -11);
  EXPECT_EQ(window->Text5[250]->text(), "-3");
  const auto f = frames();
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].address, 250);
  EXPECT_EQ(f[0].values[0], 19);
  // A disabled box applies nothing, wherever it is pressed.
  port.clearEvents();
  QLineEdit* other = window->CWNumEdit1[1]->findChild<QLineEdit*>();
  clickUnderPointer(other, QPoint(other->width() / 3, other->height() / 2));
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(ConsoleTest, MicrophoneZeroIsKeptWithinEightDecibels) {
  const struct {
    const char* typed;
    const char* kept;
    bool told;
  } cases[] = {{"9", "8", true},     {"-8.5", "-8", true},   {"8", "8", false},
               {"-8", "-8", false},  {"7.5", "7.5", false},  {"abc", "abc", false},
               {"1e400", "8", true}, {"-1e400", "-8", true}, {"1e-400", "1e-400", false}};
  QLineEdit* box = window->Text10;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialogs.asked.clear();
    if (c.told) dialogs.answers = {Dialogs::Answer::Ok};
    typeInto(box, c.typed);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), c.kept);
    // Leaving the box checks again; a kept value says nothing more.
    window->Combo3->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(dialogs.asked.size(), c.told ? 1u : 0u);
    if (c.told) {
      EXPECT_EQ(dialogs.asked[0].text, "设置超过范围,参数在[-8,+8]之间");
      EXPECT_EQ(dialogs.asked[0].title, "设置提示");
      EXPECT_EQ(dialogs.asked[0].buttons, Dialogs::Buttons::Ok);
    }
  }
  // Typed and left without Enter: the focus loss alone checks it.
  dialogs.asked.clear();
  dialogs.answers = {Dialogs::Answer::Ok};
  typeInto(box, "12");
  window->Combo3->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(box->text(), "8");
  EXPECT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(port.writes().empty());
}

}  // namespace
}  // namespace eqset::test
