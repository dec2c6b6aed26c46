// The line monitor ("通讯监视") in the real window, against the in-process
// processor: what the technician sees of the line after real clicks.
#include <QFile>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include "app/widgets.h"
#include "link/crc.h"
#include "monitor/framedecoder.h"
#include "monitor/linelog.h"
#include "monitor/linemonitorwindow.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

using monitor::LineLog;

struct Row {
  QString time;
  QString interval;
  QString direction;
  QString bytes;
  QString meaning;
  QString verdict;
};

class MonitorTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  LineMonitorWindow* monitorWindow() const {
    return window->findChild<LineMonitorWindow*>("LineMonitorWindow");
  }

  // A click on "通讯监视" where the technician sees it.
  void openMonitor() {
    clickUnderPointer(window->CmdMonitor, window->CmdMonitor->rect().center());
    ASSERT_NE(monitorWindow(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(monitorWindow()));
  }

  // The rows the table shows, after the loop has turned.
  std::vector<Row> shownRows() {
    QApplication::processEvents();
    const QAbstractItemModel* m = monitorWindow()->MonitorTable->model();
    std::vector<Row> out;
    for (int r = 0; r < m->rowCount(); ++r) {
      const auto at = [&](int c) { return m->index(r, c).data().toString(); };
      out.push_back({at(LineLog::kTime), at(LineLog::kInterval), at(LineLog::kDirection),
                     at(LineLog::kBytes), at(LineLog::kMeaning), at(LineLog::kVerdict)});
    }
    return out;
  }

  void selectInput(int mode, int input) {
    clickOption(window->Option3[mode]);
    clickOption(window->Option5[input]);
    port.clearEvents();
  }

  static void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
};

const QString kBand33 =
    QStringLiteral("33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一)");

TEST_F(MonitorTest, TheButtonOpensAToolWindowOwnedByTheMainWindow) {
  ASSERT_NE(monitorWindow(), nullptr);
  EXPECT_FALSE(monitorWindow()->isVisible());
  openMonitor();
  LineMonitorWindow* m = monitorWindow();
  EXPECT_TRUE(m->isVisible());
  EXPECT_TRUE(m->isWindow());
  EXPECT_FALSE(m->isModal());
  EXPECT_EQ(m->windowTitle(), "通讯监视");
  EXPECT_EQ(m->parentWidget(), window.get());
  // Closed and opened again with the same button.
  m->close();
  EXPECT_FALSE(m->isVisible());
  openMonitor();
  EXPECT_TRUE(monitorWindow()->isVisible());
  EXPECT_EQ(monitorWindow(), m);
}

TEST_F(MonitorTest, ABandDragShowsTheRequestAndTheEcho) {
  openMonitor();
  const std::size_t before = shownRows().size();
  window->Slider1[33]->setSliderPosition(-1);  // what a drag does: one dB up
  ASSERT_EQ(window->Text5[33]->text(), "1");
  const auto rows = shownRows();
  ASSERT_EQ(rows.size(), before + 2);
  const Row& request = rows[before];
  const Row& reply = rows[before + 1];
  EXPECT_EQ(request.direction, "发送");
  EXPECT_EQ(request.bytes, monitor::hexText(port.writes().back().bytes));
  EXPECT_EQ(request.bytes.left(17), "01 06 00 21 00 10");
  EXPECT_EQ(request.meaning, "写单个 " + kBand33 + " = 16 → +1 dB");
  EXPECT_EQ(request.verdict, "正确");
  EXPECT_EQ(reply.direction, "接收");
  EXPECT_EQ(reply.meaning, "回显 " + kBand33 + " = 16 → +1 dB");
  EXPECT_EQ(reply.verdict, "正确");
  EXPECT_EQ(reply.interval, "100");  // the echo is read 100 ms after the request
  EXPECT_EQ(QTime::fromString(reply.time, "hh:mm:ss.zzz").isValid(), true);
}

TEST_F(MonitorTest, FramesBeforeTheMonitorIsOpenedAreThere) {
  emit window->Slider1[40]->userMoved(-2);
  openMonitor();
  const auto rows = shownRows();
  ASSERT_GE(rows.size(), 2u);
  EXPECT_TRUE(
      rows[rows.size() - 2].meaning.startsWith("写单个 40 均衡 通道2(右通道) 频段10(160Hz)"));
  EXPECT_EQ(rows.back().verdict, "正确");
}

TEST_F(MonitorTest, MasterVolumeOfAnalogInputBAndTheAddressFilter) {
  selectInput(1, 1);  // three groups, analog B
  openMonitor();
  emit window->Slider2->userMoved(0);
  emit window->Slider1[33]->userMoved(-1);
  auto rows = shownRows();
  ASSERT_GE(rows.size(), 4u);
  const Row& volume = rows[rows.size() - 4];
  EXPECT_EQ(volume.meaning, "写单个 548 主音量 (模拟输入B) = 55 → 0 dB");
  EXPECT_EQ(rows[rows.size() - 3].meaning, "回显 548 主音量 (模拟输入B) = 55 → 0 dB");

  LineMonitorWindow* m = monitorWindow();
  m->MonitorAddress->setFocus();
  QTest::keyClicks(m->MonitorAddress, "548");
  rows = shownRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].direction, "发送");
  EXPECT_EQ(rows[1].direction, "接收");
  EXPECT_TRUE(rows[1].meaning.startsWith("回显 548 主音量"));
}

TEST_F(MonitorTest, VerdictsAgreeWithTheCounters) {
  openMonitor();
  struct Case {
    const char* what;
    std::function<QByteArray(QByteArray)> onTheLine;
    const char* verdict;
    const char* failed;  // the failed counter after it
  };
  const Case cases[] = {
      {"as sent", [](QByteArray r) { return r; }, "正确", "0"},
      {"value bit hit",
       [](QByteArray r) {
         r[5] = static_cast<char>(r[5] ^ 0x04);
         return r;
       },
       "CRC错误", "1"},
      {"cut short", [](QByteArray r) { return r.left(6); }, "长度错误", "2"},
      {"another slave",
       [](QByteArray r) {
         r = r.left(6);
         r[0] = 2;
         appendCrc(r);
         return r;
       },
       "从站/功能码不符", "3"},
      // The value of the write before, which got no good reply: its late echo.
      {"late echo of the value before",
       [](QByteArray r) {
         r = r.left(6);
         r[5] = static_cast<char>(r[5] - 1);
         appendCrc(r);
         return r;
       },
       "回显不符", "4"},
      {"silence", [](QByteArray) { return QByteArray(); }, "无应答", "5"},
  };
  int position = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    port.setReplyFilter([&c](const QByteArray&, QByteArray reply) { return c.onTheLine(reply); });
    emit window->Slider1[33]->userMoved(position--);
    const auto rows = shownRows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[rows.size() - 2].verdict, c.verdict);  // the request carries its reply's
    EXPECT_EQ(rows.back().verdict, c.verdict);
    EXPECT_EQ(window->Text14->text(), c.failed);
  }
}

TEST_F(MonitorTest, PauseAndContinueByClicks) {
  openMonitor();
  LineMonitorWindow* m = monitorWindow();
  const std::size_t before = shownRows().size();
  click(m->MonitorPause);
  EXPECT_EQ(m->MonitorPause->text(), "继续");
  emit window->Slider1[33]->userMoved(-3);
  EXPECT_EQ(window->Text5[33]->text(), "3");  // the link goes on as ever
  EXPECT_EQ(shownRows().size(), before);
  click(m->MonitorPause);
  EXPECT_EQ(m->MonitorPause->text(), "暂停");
  emit window->Slider1[33]->userMoved(-4);
  const auto rows = shownRows();
  ASSERT_EQ(rows.size(), before + 2);
  EXPECT_EQ(rows.back().meaning, "回显 " + kBand33 + " = 19 → +4 dB");
}

TEST_F(MonitorTest, SaveWritesTheRowsAsCsv) {
  openMonitor();
  LineMonitorWindow* m = monitorWindow();
  click(m->MonitorClear);
  window->Slider1[33]->setSliderPosition(-1);
  port.setReplyFilter([](const QByteArray&, QByteArray) { return QByteArray(); });
  emit window->Slider2->userMoved(-20);
  const QString path = QDir(folder.path()).filePath("通讯记录.csv");
  dialogs.paths.push_back(path);
  click(m->MonitorSave);
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, "保存通讯记录");
  EXPECT_EQ(dialogs.fileRequests[0].filter, "CSV文件|*.csv");
  EXPECT_EQ(dialogs.fileRequests[0].defaultSuffix, "csv");
  EXPECT_TRUE(dialogs.fileRequests[0].save);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
  ASSERT_EQ(lines.takeLast(), "");
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], "时间,间隔(ms),方向,数据,含义,结论");
  const QString request = monitor::hexText(port.writes()[0].bytes);
  const QString volume = monitor::hexText(port.writes()[1].bytes);
  // Past the wall-clock time, every field is known.
  const QStringList expected = {
      "发送," + request + ",写单个 " + kBand33 + " = 16 → +1 dB,正确",
      "100,接收," + request + ",回显 " + kBand33 + " = 16 → +1 dB,正确",
      "175,发送," + volume + ",写单个 248 主音量 (数字输入(模拟A)/统一) = 35 → -20 dB,无应答",
      "100,接收,,读取时线上没有数据,无应答",
  };
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const QString line = lines[i + 1];
    EXPECT_TRUE(QTime::fromString(line.section(',', 0, 0), "hh:mm:ss.zzz").isValid())
        << line.toStdString();
    // The first row's interval is the time since the last frame before the clear.
    EXPECT_EQ(line.section(',', i == 0 ? 2 : 1), expected[static_cast<std::size_t>(i)]);
  }
  EXPECT_TRUE(m->MonitorStatus->text().contains("已保存 4 帧"));
}

TEST_F(MonitorTest, TheMonitorGoesWithTheMainWindow) {
  openMonitor();
  QPointer<LineMonitorWindow> m = monitorWindow();
  emit window->Slider1[33]->userMoved(-1);
  window.reset();
  EXPECT_TRUE(m.isNull());
  QApplication::processEvents();  // a flush asked for before the end goes with it
}

}  // namespace
}  // namespace eqset::test
