#include "monitor/linemonitorwindow.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "files/filestore.h"
#include "link/crc.h"
#include "link/frames.h"
#include "monitor/linelog.h"
#include "qtprinters.h"
#include "scripteddialogs.h"

namespace eqset {
namespace {

using monitor::LineLog;

QByteArray echo(const QByteArray& request) {
  QByteArray f = request.left(6);
  appendCrc(f);
  return f;
}

class MonitorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<LineMonitorWindow>(dialogs, files);
    listen = window->listener();
    window->showAndRaise();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  // One transaction on the line: the request and what the read took.
  void transaction(const QByteArray& request, const QByteArray& reply) {
    listen({QDateTime::currentDateTime(), now, true, request});
    now += 100;
    listen({QDateTime::currentDateTime(), now, false, reply});
    now += 75;
  }

  // The texts of one column, as the table shows them.
  QStringList shownColumn(int column) const {
    QStringList out;
    const QAbstractItemModel* m = window->MonitorTable->model();
    for (int r = 0; r < m->rowCount(); ++r)
      out << m->index(r, column).data().toString();
    return out;
  }

  static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

  test::ScriptedDialogs dialogs;
  FileStore files;
  std::unique_ptr<LineMonitorWindow> window;
  WatchedPort::Listener listen;
  std::int64_t now = 0;
};

TEST_F(MonitorWindowTest, ATitledToolWindowWithItsControls) {
  EXPECT_EQ(window->windowTitle().toStdString(), "通讯监视");
  EXPECT_FALSE(window->isModal());
  EXPECT_TRUE(window->isWindow());
  for (const char* name : {"MonitorTable", "MonitorPause", "MonitorClear", "MonitorAddress",
                           "MonitorVerdict", "MonitorSave", "MonitorStatus"}) {
    EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
  }
  EXPECT_EQ(window->MonitorPause->text().toStdString(), "暂停");
}

TEST_F(MonitorWindowTest, RowsAppearOnTheNextTurnOfTheLoop) {
  const QByteArray band = *writeSingleRequest(33, 16);
  transaction(band, echo(band));
  EXPECT_EQ(window->MonitorTable->model()->rowCount(), 0);
  QApplication::processEvents();
  EXPECT_EQ(shownColumn(LineLog::kDirection), (QStringList{"发送", "接收"}));
  EXPECT_EQ(shownColumn(LineLog::kVerdict), (QStringList{"正确", "正确"}));
  EXPECT_TRUE(window->MonitorStatus->text().contains(QStringLiteral("共记录 2 帧")));
}

TEST_F(MonitorWindowTest, FilterByTypedAddressAndByVerdict) {
  const QByteArray band = *writeSingleRequest(33, 16);
  const QByteArray volume = *writeSingleRequest(548, 55);
  const QByteArray read = *readRequest(31, 31);
  transaction(band, echo(band));
  transaction(volume, echo(volume).left(7));
  transaction(read, QByteArray());
  QApplication::processEvents();
  ASSERT_EQ(window->MonitorTable->model()->rowCount(), 6);

  struct Case {
    const char* typed;
    const char* box;  // what the box holds: letters are refused
    QStringList verdicts;
  };
  const Case cases[] = {
      {"548", "548", {"长度错误", "长度错误"}},
      {"33", "33", {"正确", "正确", "无应答", "无应答"}},  // the channel read holds 33 too
      {"2x5", "25", {}},
      {"", "", {"正确", "正确", "长度错误", "长度错误", "无应答", "无应答"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    window->MonitorAddress->setFocus();
    window->MonitorAddress->selectAll();
    QTest::keyClick(window->MonitorAddress, Qt::Key_Backspace);
    QTest::keyClicks(window->MonitorAddress, QString::fromUtf8(c.typed));
    EXPECT_EQ(window->MonitorAddress->text().toStdString(), c.box);
    EXPECT_EQ(shownColumn(LineLog::kVerdict), c.verdicts);
  }

  // The verdict list, moved with the keyboard: "全部结论", "正确", ...
  window->MonitorVerdict->setFocus();
  QTest::keyClick(window->MonitorVerdict, Qt::Key_Down);
  EXPECT_EQ(window->MonitorVerdict->currentText().toStdString(), "正确");
  EXPECT_EQ(shownColumn(LineLog::kVerdict), (QStringList{"正确", "正确"}));
  for (int i = 0; i < 5; ++i)
    QTest::keyClick(window->MonitorVerdict, Qt::Key_Down);
  EXPECT_EQ(window->MonitorVerdict->currentText().toStdString(), "无应答");
  EXPECT_EQ(shownColumn(LineLog::kDirection), (QStringList{"发送", "接收"}));
  EXPECT_TRUE(window->MonitorStatus->text().contains(QStringLiteral("显示 2 帧")));
}

TEST_F(MonitorWindowTest, ClearEmptiesTheTable) {
  const QByteArray band = *writeSingleRequest(33, 16);
  transaction(band, echo(band));
  QApplication::processEvents();
  click(window->MonitorClear);
  EXPECT_EQ(window->MonitorTable->model()->rowCount(), 0);
  EXPECT_TRUE(window->MonitorStatus->text().contains(QStringLiteral("共记录 0 帧")));
}

TEST_F(MonitorWindowTest, SaveAsksForACsvFileAndACancelWritesNothing) {
  const QByteArray band = *writeSingleRequest(33, 16);
  transaction(band, echo(band));
  dialogs.paths.push_back(QString());  // the technician cancels
  click(window->MonitorSave);
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  const Dialogs::FileRequest& asked = dialogs.fileRequests[0];
  EXPECT_EQ(asked.title.toStdString(), "保存通讯记录");
  EXPECT_EQ(asked.filter.toStdString(), "CSV文件|*.csv");
  EXPECT_EQ(asked.defaultSuffix.toStdString(), "csv");
  EXPECT_TRUE(asked.save);
  EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(MonitorWindowTest, AFailedSaveSaysSoAndLeavesTheOldFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("line.csv");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
  }
  const FileStore failing([](QSaveFile& f, const QByteArray& bytes) {
    f.write(bytes.left(10));
    return false;  // the stick pulled half-way
  });
  LineMonitorWindow w(dialogs, failing);
  auto listenTo = w.listener();
  const QByteArray band = *writeSingleRequest(33, 16);
  listenTo({QDateTime::currentDateTime(), 0, true, band});
  dialogs.paths.push_back(path);
  dialogs.answers.push_back(Dialogs::Answer::Ok);
  w.show();
  click(w.MonitorSave);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains(QStringLiteral("没有保存")));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("old"));
}

}  // namespace
}  // namespace eqset
