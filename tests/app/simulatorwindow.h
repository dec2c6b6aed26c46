#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "scripteddialogs.h"
#include "simprocess.h"

namespace eqset::test {

// The real window, serial port and clock against the simulator executable on
// a pseudo-terminal linked as Com7 in a fresh program folder.
class SimulatorWindow {
 protected:
  QString folder() const { return QString::fromStdString(dir.path()); }

  // eqset-sim on Com7 of the folder, with `extra` arguments after the port.
  void startSimulator(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"--com", "7", "--dir", dir.path()};
    args.insert(args.end(), extra.begin(), extra.end());
    sim = std::make_unique<simtest::SimProcess>(args);
    ASSERT_TRUE(sim->ready());
  }

  // The simulator, a store that chose Com7 (and `eqMode` when given), and the
  // window shown, started and connected.
  void startOnLine(const std::vector<std::string>& simArgs, const QString& eqMode = {}) {
    ASSERT_NO_FATAL_FAILURE(startSimulator(simArgs));
    SettingsRecord record;
    record.U_Main_Com = "Com7";
    if (!eqMode.isEmpty()) record.EqMode = eqMode;
    QString error;
    ASSERT_TRUE(
        SettingsStore(QDir(folder()).filePath(SettingsStore::kFileName)).save(record, &error));
    port = std::make_unique<QtSerialPort>(PortMap(folder()));
    window = std::make_unique<MainWindow>(*port, clock, dialogs, DataFolders::portable(folder()));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->startUp();
    ASSERT_EQ(window->ComState->text(), "已经连接");
  }

  simtest::TempDir dir;
  std::unique_ptr<simtest::SimProcess> sim;
  std::unique_ptr<QtSerialPort> port;
  RealClock clock;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace eqset::test
