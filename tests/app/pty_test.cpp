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
TEST(WindowOnLine, StartsConnectedEditsLiveAndReadsBack) {
  simtest::TempDir dir;
  simtest::SimProcess sim({"--com", "7", "--dir", dir.path(), "--seed", "3"});
  ASSERT_TRUE(sim.ready());
  const QString folder = QString::fromStdString(dir.path());
  SettingsRecord record;
  record.U_Main_Com = "Com7";
  QString error;
  ASSERT_TRUE(SettingsStore(QDir(folder).filePath(SettingsStore::kFileName)).save(record, &error));

  QtSerialPort port{PortMap(folder)};
  RealClock clock;
  test::ScriptedDialogs dialogs;
  MainWindow window(port, clock, dialogs, folder);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.startUp();
  ASSERT_EQ(window.ComState->text(), "已经连接");
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

}  // namespace
}  // namespace eqset
