#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "app/widgets.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "qtprinters.h"
#include "scripteddialogs.h"
#include "simprocess.h"

namespace eqset {
namespace {

// The real window, serial port and clock against the simulator executable on
// a pseudo-terminal linked as Com7 in the program folder.
class WindowOnLine : public ::testing::Test {
 protected:
  // The simulator on Com7 of a fresh program folder whose store chose Com7,
  // and the window started there.
  void startOnLine(const char* seed) {
    sim = std::make_unique<simtest::SimProcess>(
        std::vector<std::string>{"--com", "7", "--dir", dir.path(), "--seed", seed});
    ASSERT_TRUE(sim->ready());
    const QString folder = QString::fromStdString(dir.path());
    SettingsRecord record;
    record.U_Main_Com = "Com7";
    QString error;
    ASSERT_TRUE(
        SettingsStore(QDir(folder).filePath(SettingsStore::kFileName)).save(record, &error));
    port = std::make_unique<QtSerialPort>(PortMap(folder));
    owned = std::make_unique<MainWindow>(*port, clock, dialogs, folder);
    owned->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owned.get()));
    owned->startUp();
    ASSERT_EQ(owned->ComState->text(), "已经连接");
  }

  simtest::TempDir dir;
  std::unique_ptr<simtest::SimProcess> sim;
  std::unique_ptr<QtSerialPort> port;
  RealClock clock;
  test::ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> owned;
};

TEST_F(WindowOnLine, StartsConnectedEditsLiveAndReadsBack) {
  ASSERT_NO_FATAL_FAILURE(startOnLine("3"));
  MainWindow& window = *owned;
  EXPECT_NE(window.Combo2->findText("Com7"), -1);
  EXPECT_TRUE(dialogs.asked.empty());

  // A band, the master volume and a level, moved as a drag moves them.
  window.Slider1[3]->setSliderPosition(-4);
  EXPECT_EQ(window.Text5[3]->text(), "4");
  window.Slider2->setSliderPosition(-20);
  EXPECT_EQ(window.Text5[248]->text(), "-20");
  window.Slider3[2]->setSliderPosition(-11);
  EXPECT_EQ(window.Text5[252]->text(), "-3");
  EXPECT_EQ(window.Text13->text(), "3");
  EXPECT_EQ(window.Text14->text(), "0");

  // "读取DSP数据" shows the raw register of band 3: 15 + 4.
  QTest::mouseClick(window.CmdReadHardL, Qt::LeftButton);
  EXPECT_EQ(window.Text5[3]->text(), "19");
  EXPECT_EQ(window.Text5[4]->text(), "15");

  ASSERT_EQ(window.link().readRegisters(248, 8, 200), ModbusLink::ReadOutcome::Good);
  EXPECT_EQ(window.link().replyRegister(0), 35);          // -20 dB
  EXPECT_EQ(window.link().replyRegister(252 - 248), 19);  // -3 dB
  EXPECT_EQ(window.Text14->text(), "0");
}

// "数据写入DSP" over the real line, then every value read back from the
// simulator.
TEST_F(WindowOnLine, WriteAllLandsInEveryRegister) {
  ASSERT_NO_FATAL_FAILURE(startOnLine("5"));
  MainWindow& window = *owned;

  for (int i = 0; i < kBandIndexes; ++i)
    window.Slider1[static_cast<std::size_t>(i)]->setValue((i * 11) % 31 - 15);
  for (int k = 0; k < kChannels; ++k)
    window.Slider3[static_cast<std::size_t>(k)]->setValue(-20 + 4 * k);
  window.Slider2->setValue(-7);
  window.TxtInvert[4]->setText("反相");
  window.TxtAuxOut6->setText("禁止");
  window.Text2[0]->setText("25");
  window.Text2[1]->setText("15");
  QTest::mouseClick(window.CmdWriteToMcu, Qt::LeftButton);
  EXPECT_EQ(window.Text13->text(), "12");
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
