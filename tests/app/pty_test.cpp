#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/widgets.h"
#include "qtprinters.h"
#include "simulatorwindow.h"

namespace eqset {
namespace {

class WindowOnLine : public ::testing::Test, protected test::SimulatorWindow {};

TEST_F(WindowOnLine, StartsConnectedEditsLiveAndReadsBack) {
  ASSERT_NO_FATAL_FAILURE(startOnLine({"--seed", "3"}));
  MainWindow& window = *this->window;
  EXPECT_NE(window.Combo2->findText("Com7"), -1);
  EXPECT_TRUE(dialogs.asked.empty());

  // A band, the master volume and a level, moved as a drag moves them.
  window.Slider1[3]->setSliderPosition(-4);
  EXPECT_EQ(window.Text5[3]->text(), "4");
  window.Slider2->setSliderPosition(-20);
  EXPECT_EQ(window.Text5[248]->text(), "-20");
  window.Slider3[2]->setSliderPosition(-11);
  EXPECT_EQ(window.Text5[252]->text(), "-3");
  EXPECT_EQ(window.Text13->text(), "4");  // and the input and mode read at start
  EXPECT_EQ(window.Text14->text(), "0");

  // "读取DSP数据" shows band 3 as the processor holds it, in dB, and moves
  // the sliders it read.
  window.Slider1[4]->setValue(7);  // moved without a write: the read puts it back
  QTest::mouseClick(window.CmdReadHardL, Qt::LeftButton);
  EXPECT_EQ(window.Text5[3]->text(), "4");
  EXPECT_EQ(window.Text5[4]->text(), "0");
  EXPECT_EQ(window.Slider1[4]->value(), 0);

  ASSERT_EQ(window.link().readRegisters(248, 8, 200), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(window.link().replyRegister(0), 35);          // -20 dB
  EXPECT_EQ(window.link().replyRegister(252 - 248), 19);  // -3 dB
  EXPECT_EQ(window.Text14->text(), "0");
}

// "数据写入DSP" over the real line, then every value read back from the
// simulator.
TEST_F(WindowOnLine, WriteAllLandsInEveryRegister) {
  ASSERT_NO_FATAL_FAILURE(startOnLine({"--seed", "5"}));
  MainWindow& window = *this->window;

  for (int i = 0; i < kBandIndexes; ++i)
    window.Slider1[static_cast<std::size_t>(i)]->setValue((i * 11) % 31 - 15);
  for (int k = 0; k < kChannels; ++k)
    window.Slider3[static_cast<std::size_t>(k)]->setValue(-20 + 4 * k);
  window.Slider2->setValue(-7);
  window.TxtInvert[4]->setText("反相");
  window.TxtAuxOut6->setText("禁止");
  window.Text2[0]->setText("25");
  window.Text2[1]->setText("15");
  dialogs.answers = {Dialogs::Answer::Ok};  // the pages were never read
  QTest::mouseClick(window.CmdWriteToMcu, Qt::LeftButton);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(window.Text13->text(), "13");  // and the input and mode read at start
  EXPECT_EQ(window.Text14->text(), "0");

  ModbusLink& link = window.link();
  auto readBack = [&link](int start, int count) {
    std::vector<int> v;
    if (link.readRegisters(start, count, 300) != ModbusLink::ReadOutcome::Good) return v;
    for (int i = 0; i < count; ++i)
      v.push_back(link.replyRegister(i));
    return v;
  };
  const auto bands = readBack(0, 100);
  const auto moreBands = readBack(100, kBandIndexes - 100);
  ASSERT_EQ(bands.size() + moreBands.size(), static_cast<std::size_t>(kBandIndexes));
  for (int i = 0; i < kBandIndexes; ++i) {
    const int held =
        i < 100 ? bands[static_cast<std::size_t>(i)] : moreBands[static_cast<std::size_t>(i - 100)];
    EXPECT_EQ(held, 15 - ((i * 11) % 31 - 15)) << "band " << i;
  }
  const auto settings = readBack(248, 44);  // 248 .. 291
  ASSERT_EQ(settings.size(), 44u);
  const auto at = [&settings](int address) {
    return settings[static_cast<std::size_t>(address - 248)];
  };
  EXPECT_EQ(at(248), 48);
  for (int k = 0; k < kChannels; ++k)
    EXPECT_EQ(at(250 + k), 8 - (-20 + 4 * k)) << "level " << k;
  for (int k = 0; k < kChannels; ++k)
    EXPECT_EQ(at(263 + k), k == 4 ? 1 : 0) << "polarity " << k;
  EXPECT_EQ(at(271), 0);
  const int delays[] = {0, 0, 5, 5, 32, 32};
  for (int k = 0; k < kChannels; ++k)
    EXPECT_EQ(at(272 + k), delays[k]) << "delay " << k;
  EXPECT_EQ(at(290), 25);
  EXPECT_EQ(at(291), 15);
}

}  // namespace
}  // namespace eqset
