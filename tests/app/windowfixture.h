#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "fakeserialport.h"
#include "qtprinters.h"
#include "scripteddialogs.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace eqset::test {

// The real window with the fake port, virtual time and scripted dialogs.
class WindowTest : public ::testing::Test {
 protected:
  using PortState = FakeSerialPort::PortState;

  QString storePath() const { return QDir(folder.path()).filePath(SettingsStore::kFileName); }

  void storePort(const QString& entry) {
    SettingsRecord r;
    r.U_Main_Com = entry;
    r.CmbCopy = {"右", "左", "左", "无", "右环", "左环"};
    r.EqMode = "ISO2969";
    r.TypeSig = "粉噪源测试";
    r.MicZero = "0";
    QString error;
    ASSERT_TRUE(SettingsStore(storePath()).save(r, &error)) << error.toStdString();
  }

  void start() {
    window = std::make_unique<MainWindow>(port, clock, dialogs, folder.path());
    // Shown and laid out, so that clicks land where a technician's would.
    window->resize(1366, 768);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->startUp();
  }

  // A window connected to Com2 of the in-process processor, events cleared.
  void startConnected() {
    port.setPort(2, PortState::Free);
    storePort("Com2");
    start();
    ASSERT_EQ(window->ComState->text(), "已经连接");
    port.clearEvents();
  }

  // Clicks an option button on its round indicator, where it always reacts.
  static void clickOption(QWidget* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(7, option->height() / 2));
  }

  template <typename W>
  W* find(const QString& name) const {
    auto* w = window->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }

  QTemporaryDir folder;
  VirtualClock clock;
  sim::ProcessorModel model;
  FakeSerialPort port{clock, &model};
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace eqset::test
