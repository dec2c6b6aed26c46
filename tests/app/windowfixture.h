#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "fakeserialport.h"
#include "measure/periodictimer.h"
#include "qtprinters.h"
#include "scripteddialogs.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace eqset::test {

// The entries of a list, in order.
inline QStringList entries(const QComboBox* combo) {
  QStringList out;
  for (int i = 0; i < combo->count(); ++i)
    out << combo->itemText(i);
  return out;
}

// The real window with the fake port, virtual time and scripted dialogs.
class WindowTest : public ::testing::Test {
 protected:
  using PortState = FakeSerialPort::PortState;

  QString storePath() const { return QDir(folder.path()).filePath(SettingsStore::kFileName); }
  // A file in the folder "用户数据" beside the program.
  QString userData(const QString& name) const {
    return QDir(folder.path()).filePath("用户数据/" + name);
  }

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

  // Where the window keeps its store and files; the fixture's folder when unset.
  std::optional<DataFolders> dataFolders;

  void start() {
    window = std::make_unique<MainWindow>(
        port, clock, dialogs, dataFolders.value_or(DataFolders::portable(folder.path())));
    // Shown and laid out, so that clicks land where a technician's would.
    window->resize(1366, 768);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->startUp();
  }

  // A window connected to Com2 of the in-process processor, events and
  // counters cleared (the window reads the input and mode as it connects).
  void startConnected() {
    port.setPort(2, PortState::Free);
    storePort("Com2");
    start();
    ASSERT_EQ(window->ComState->text(), "已经连接");
    QTest::mouseClick(window->Command5, Qt::LeftButton);
    port.clearEvents();
  }

  // Virtual time: a second passes and whichever sequence timer runs ticks.
  // Returns false when none runs any more.
  bool nextSecond() {
    for (PeriodicTimer* t : {window->Timer5, window->Timer6, window->Timer7}) {
      if (t->running()) {
        clock.advance(t->period());
        t->fire();
        return true;
      }
    }
    return false;
  }

  // Clicks an option button on its round indicator, where it always reacts.
  static void clickOption(QWidget* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(7, option->height() / 2));
  }

  // A mouse click at `local` of `target`, delivered as a real mouse delivers it:
  // to whatever widget of the window lies under the pointer there.
  void clickUnderPointer(QWidget* target, QPoint local) {
    showPageOf(target);
    const QPoint inWindow = target->mapTo(window.get(), local);
    QWidget* under = window->childAt(inWindow);
    ASSERT_NE(under, nullptr);
    QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(window.get(), inWindow));
  }

  // Brings the tab page that holds `w` to the front, as the technician would.
  void showPageOf(QWidget* w) {
    for (int i = 0; i < window->SSTab1->count(); ++i) {
      if (window->SSTab1->widget(i)->isAncestorOf(w)) window->SSTab1->setCurrentIndex(i);
    }
    QApplication::processEvents();
  }

  // The colour drawn at `at` of `w`, as the screen shows it.
  static QColor pixel(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }
  // Inside a strip or box, right of its mark and text.
  static QPoint emptySpot(QWidget* w) { return {w->width() - 5, w->height() / 2}; }

  // Types `text` into a box, replacing what it held.
  void typeInto(QLineEdit* box, const QString& text) {
    showPageOf(box);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
  }

  struct Frame {
    std::int64_t time;
    int function;
    int address;
    std::vector<int> values;  // the value written, or all values of a block
  };
  std::vector<Frame> frames() const {
    std::vector<Frame> out;
    for (const auto& e : port.writes()) {
      const auto b = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(e.bytes[i])); };
      Frame f{e.time, b(1), 256 * b(2) + b(3), {}};
      if (f.function == 6) f.values = {256 * b(4) + b(5)};
      if (f.function == 16) {
        for (int i = 0; i < b(6) / 2; ++i)
          f.values.push_back(256 * b(7 + 2 * i) + b(8 + 2 * i));
      }
      out.push_back(f);
    }
    return out;
  }

  // A click on a button of whichever page holds it, that page brought forward.
  void press(QWidget* button) {
    showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
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
