#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "app/widgets.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class FullWriteTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  // A recognisable window: band b of channel c at position (c + b) % 31 - 15,
  // levels, volume, one inverted channel, the auxiliary input forbidden and a
  // theatre of 20 x 12 m.
  void shapeTheWindow() {
    for (int i = 0; i < kBandIndexes; ++i)
      window->Slider1[static_cast<std::size_t>(i)]->setValue((i / 31 + i % 31) % 31 - 15);
    window->Slider3[2]->setValue(-11);
    window->Slider2->setValue(-20);
    press(window->CmdInvert[1]);
    press(window->CmdAuxOut6);
    typeInto(window->Text2[0], "20");
    typeInto(window->Text2[1], "12");
    window->Text13->setText("0");
    // Every band set deliberately, as after "读取全部均衡" and the edits.
    window->eqKnown.markAll(window->bankOffset());
    port.clearEvents();
  }

  std::vector<int> channelValues(int c) const {
    std::vector<int> v;
    for (int b = 0; b < kBands; ++b)
      v.push_back(15 - window->Slider1[static_cast<std::size_t>(31 * c + b)]->value());
    return v;
  }
};

struct BankCase {
  const char* name;
  int mode;   // Option3
  int input;  // Option5
  int bank;   // the model's bank 0..2
};

void PrintTo(const BankCase& c, std::ostream* os) {
  *os << c.name;
}

class FullWriteBankTest : public FullWriteTest, public ::testing::WithParamInterface<BankCase> {};

TEST_P(FullWriteBankTest, SendsEveryBandLevelVolumePolarityPermissionAndDelay) {
  const BankCase& c = GetParam();
  if (c.mode == 1) {
    clickOption(window->Option3[1]);
    clickOption(window->Option5[c.input]);
  }
  shapeTheWindow();
  const int offset = 300 * c.bank;
  const auto t0 = clock.now();
  press(window->CmdWriteToMcu);

  const auto f = frames();
  ASSERT_EQ(f.size(), 12u);
  for (int k = 0; k < kChannels; ++k) {
    EXPECT_EQ(f[k].function, 16);
    EXPECT_EQ(f[k].address, offset + 31 * k);
    EXPECT_EQ(f[k].values, channelValues(k));
  }
  const struct {
    int function;
    int address;
    std::vector<int> values;
  } rest[] = {
      {16, offset + 250, {22, 22, 19, 22, 22, 22}},
      {6, offset + 248, {35}},
      {16, 263, {0, 1, 0, 0, 0, 0}},
      {6, 271, {0}},
      {16, 272, {0, 0, 4, 4, 25, 25}},
      {16, 290, {20, 12}},
  };
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(f[6 + i].function, rest[i].function) << i;
    EXPECT_EQ(f[6 + i].address, rest[i].address) << i;
    EXPECT_EQ(f[6 + i].values, rest[i].values) << i;
  }
  // Six channels of 100 + 200 + 50, levels 100 + 200 + 75 + 70, volume
  // 100 + 100 + 10, polarity 100 + 200 + 75 + 10, permission 100 + 100 + 10,
  // delays 2 x (100 + 200 + 75) + 10.
  EXPECT_EQ(clock.now() - t0, 6 * 350 + 445 + 210 + 385 + 210 + 760);
  EXPECT_EQ(window->Text13->text(), "12");
  EXPECT_EQ(window->ProgressBar1->value(), 100);

  // What the processor holds now is what the window shows.
  for (int i = 0; i < kBandIndexes; ++i)
    EXPECT_EQ(model.bankCell(c.bank, i),
              15 - window->Slider1[static_cast<std::size_t>(i)]->value());
  EXPECT_EQ(model.bankCell(c.bank, 248), 35);
  EXPECT_EQ(model.bankCell(c.bank, 252), 19);
  EXPECT_EQ(model.sharedRegister(264), 1);
  EXPECT_EQ(model.sharedRegister(274), 4);
}

INSTANTIATE_TEST_SUITE_P(Banks, FullWriteBankTest,
                         ::testing::Values(BankCase{"unified", 0, 0, 0},
                                           BankCase{"auxiliaryInThreeGroups", 1, 2, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CopyCase {
  const char* name;
  int destination;
  const char* listText;
  int source;  // -1: nothing copied
  Dialogs::Answer answer;
};

void PrintTo(const CopyCase& c, std::ostream* os) {
  *os << c.name;
}

class CopyTest : public FullWriteTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyTest, CopiesTheNamedSiblingAndWritesOnlyWhenConfirmed) {
  const CopyCase& c = GetParam();
  for (int i = 0; i < kBandIndexes; ++i) {
    window->Slider1[static_cast<std::size_t>(i)]->setValue((i * 7) % 31 - 15);
    window->Text5[static_cast<std::size_t>(i)]->setText(QString("t%1").arg(i));
  }
  const auto before = channelValues(c.destination);
  window->CmbCopy[c.destination]->setCurrentText(c.listText);
  dialogs.answers = {c.answer};
  press(window->CmdCopy[c.destination]);

  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, "界面数据已经复制,要确认写入DSP吗?");
  EXPECT_EQ(dialogs.asked[0].title, "提示");
  EXPECT_EQ(dialogs.asked[0].icon, Dialogs::Icon::Question);
  const auto after = channelValues(c.destination);
  EXPECT_EQ(after, c.source < 0 ? before : channelValues(c.source));
  if (c.source >= 0) {
    EXPECT_EQ(window->Text5[static_cast<std::size_t>(31 * c.destination + 30)]->text(),
              QString("t%1").arg(31 * c.source + 30));
  }
  const auto f = frames();
  if (c.answer == Dialogs::Answer::Cancel) {
    EXPECT_TRUE(f.empty());
    return;
  }
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].address, 31 * c.destination);
  EXPECT_EQ(f[0].values, after);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CopyTest,
    ::testing::Values(CopyCase{"leftIntoRight", 1, "左", 0, Dialogs::Answer::Ok},
                      CopyCase{"cancelled", 1, "左", 0, Dialogs::Answer::Cancel},
                      CopyCase{"centreOnTheLeftPage", 0, "中置", 2, Dialogs::Answer::Ok},
                      CopyCase{"rightIntoLeftSurround", 4, "右", 1, Dialogs::Answer::Ok},
                      CopyCase{"subwooferNeverReceives", 3, "无", -1, Dialogs::Answer::Ok},
                      CopyCase{"typedText", 5, "左环 ", -1, Dialogs::Answer::Ok}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FullWriteTest, ResetAsksWritesFlatAndReadsBack) {
  for (int b = 0; b < kBands; ++b)
    window->Slider1[static_cast<std::size_t>(b)]->setValue(-4);
  window->Text5[3]->setText("x");
  window->Text5[20]->setText("y");
  dialogs.answers = {Dialogs::Answer::Cancel};
  press(window->CmdResetL[0]);
  EXPECT_EQ(dialogs.asked.at(0).text, "确认要全部写入0dB?");
  EXPECT_EQ(dialogs.asked.at(0).title, "重要提示");
  EXPECT_EQ(dialogs.asked.at(0).icon, Dialogs::Icon::None);
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(window->Slider1[0]->value(), -4);

  // Ahead of the reset, the processor holds something else in band 3.
  model.writeRegister(3, 20, clock.now());
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdResetL[0]);
  auto f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].function, 16);
  EXPECT_EQ(f[0].address, 0);
  EXPECT_EQ(f[0].values, std::vector<int>(31, 15));
  EXPECT_EQ(f[1].function, 3);
  EXPECT_GE(f[1].time, f[0].time + 200 + 500);
  EXPECT_EQ(window->Slider1[30]->value(), 0);
  EXPECT_EQ(model.bankCell(0, 3), 15);
  EXPECT_EQ(window->Text5[3]->text(), "0");   // read back flat
  EXPECT_EQ(window->Text5[20]->text(), "0");  // beyond the read: the flat gain written

  // The auxiliary bank in three-group mode.
  clickOption(window->Option3[1]);
  clickOption(window->Option5[2]);
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdResetL[0]);
  f = frames();
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].address, 600);
}

}  // namespace
}  // namespace eqset::test
