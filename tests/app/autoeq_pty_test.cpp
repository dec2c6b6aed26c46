#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "measure/compensation.h"
#include "qtprinters.h"
#include "scripteddialogs.h"
#include "simprocess.h"

namespace eqset {
namespace {

// "全自动均衡" on every channel of the simulator's room over a real line, with
// the real timers: each channel ends closer to its target than it began.
TEST(AutoEqOnLine, EveryChannelEndsCloserToItsTarget) {
  simtest::TempDir dir;
  simtest::SimProcess sim(
      {"--com", "7", "--dir", dir.path(), "--seed", "11", "--sweep-seconds", "1"});
  ASSERT_TRUE(sim.ready());
  const QString folder = QString::fromStdString(dir.path());
  SettingsRecord record;
  record.U_Main_Com = "Com7";
  record.EqMode = "ISO2969";
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
  window.SSTab1->setCurrentIndex(7);

  CurveRow first{};
  dialogs.onAsk = [&](const auto&) { first = window.measure.plot.rows[0]; };
  for (int channel = 0; channel < kChannels; ++channel) {
    SCOPED_TRACE(channel);
    window.GroupNum->setValue(channel);
    dialogs.answers = {Dialogs::Answer::Ok};
    QTest::mouseClick(window.findChild<QPushButton*>("CmdTest2"), Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window.Label12->text() == "本通道自调完成."; }, 60'000))
        << window.Label12->text().toStdString();
    ASSERT_EQ(dialogs.asked.size(), static_cast<std::size_t>(channel + 1));
    const bool sub = channel == kSubwoofer;
    const Deviation before = deviationFromTarget(first, TargetType::Iso2969, sub);
    const Deviation after =
        deviationFromTarget(window.measure.plot.rows[0], TargetType::Iso2969, sub);
    EXPECT_LT(after.largest, before.largest);
    EXPECT_LT(after.rms, before.rms);
    EXPECT_EQ(window.measure.passCount[static_cast<std::size_t>(channel)], 2);
  }
  EXPECT_EQ(window.Text14->text(), "0");
}

}  // namespace
}  // namespace eqset
