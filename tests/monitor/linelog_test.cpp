#include "monitor/linelog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <memory>

#include "link/crc.h"
#include "link/frames.h"

namespace eqset::monitor {
namespace {

const QDateTime kStart(QDate(2024, 6, 11), QTime(14, 3, 7, 25));

WatchedPort::Frame frame(std::int64_t ms, bool outgoing, QByteArray bytes) {
  return {kStart.addMSecs(ms), ms, outgoing, std::move(bytes)};
}

QByteArray echo(const QByteArray& request) {
  QByteArray f = request.left(6);
  appendCrc(f);
  return f;
}

std::string cell(const LineLog& log, int row, int column) {
  return log.data(log.index(row, column), Qt::DisplayRole).toString().toStdString();
}

TEST(LineLog, PairsEachReadWithTheRequestBeforeIt) {
  LineLog log;
  const QByteArray band = *writeSingleRequest(33, 16);
  const QByteArray volume = *writeSingleRequest(548, 55);
  auto listen = log.listener();
  listen(frame(100, true, band));
  listen(frame(200, false, echo(band)));
  listen(frame(475, true, volume));
  listen(frame(575, false, {}));            // the processor said nothing
  listen(frame(650, false, echo(volume)));  // a read with no request before it
  EXPECT_EQ(log.rowCount(), 0);             // nothing shown inside the transaction
  QCoreApplication::processEvents();        // the next turn of the loop
  ASSERT_EQ(log.rowCount(), 5);
  struct Row {
    const char* time;
    const char* interval;
    const char* direction;
    const char* verdict;
  };
  const Row rows[] = {
      {"14:03:07.125", "", "发送", "正确"},         {"14:03:07.225", "100", "接收", "正确"},
      {"14:03:07.500", "275", "发送", "无应答"},    {"14:03:07.600", "100", "接收", "无应答"},
      {"14:03:07.675", "75", "接收", "无对应请求"},
  };
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cell(log, i, LineLog::kTime), rows[i].time);
    EXPECT_EQ(cell(log, i, LineLog::kInterval), rows[i].interval);
    EXPECT_EQ(cell(log, i, LineLog::kDirection), rows[i].direction);
    EXPECT_EQ(cell(log, i, LineLog::kVerdict), rows[i].verdict);
  }
  EXPECT_EQ(cell(log, 0, LineLog::kBytes), hexText(band).toStdString());
  EXPECT_EQ(cell(log, 1, LineLog::kMeaning),
            "回显 33 均衡 通道2(右通道) 频段3(31.5Hz) (数字输入(模拟A)/统一) = 16 → +1 dB");
  EXPECT_EQ(cell(log, 2, LineLog::kMeaning), "写单个 548 主音量 (模拟输入B) = 55 → 0 dB");
  EXPECT_EQ(cell(log, 3, LineLog::kBytes), "");
  // A reply counts for the registers of its request (the filter shows both).
  EXPECT_TRUE(log.row(1).registers.contains(33));
  EXPECT_TRUE(log.row(3).registers.contains(548));
  EXPECT_TRUE(log.row(4).registers.empty());
}

TEST(LineLog, AFrameSetAsideLeavesTheRequestToItsReply) {
  LineLog log;
  const QByteArray first = *writeSingleRequest(33, 18);
  const QByteArray second = *writeSingleRequest(33, 19);
  log.capture(frame(0, true, first));
  log.capture(frame(100, false, {}));  // unanswered: its echo would be late
  WatchedPort::Frame lateEcho = frame(190, false, echo(first));
  lateEcho.setAside = true;
  log.capture(frame(180, true, second));
  log.capture(lateEcho);
  log.capture(frame(200, false, echo(second)));
  log.flush();
  ASSERT_EQ(log.rowCount(), 5);
  EXPECT_EQ(cell(log, 3, LineLog::kVerdict), "已搁置");
  EXPECT_EQ(cell(log, 3, LineLog::kMeaning),
            "不是本请求的应答, 已搁置: 回显 33 均衡 通道2(右通道) 频段3(31.5Hz) "
            "(数字输入(模拟A)/统一) = 18 → +3 dB, 请求 33 = 19");
  // The request and the reply after the stray keep the verdict the link gave.
  EXPECT_EQ(log.row(2).verdict, Verdict::Correct);
  EXPECT_EQ(log.row(4).verdict, Verdict::Correct);
}

TEST(LineLog, ARequestTakesTheVerdictOfAReplyFlushedLater) {
  LineLog log;
  const QByteArray read = *readRequest(900, 4);
  log.capture(frame(0, true, read));
  log.flush();
  ASSERT_EQ(log.rowCount(), 1);
  EXPECT_EQ(log.row(0).verdict, Verdict::None);
  QSignalSpy changed(&log, &QAbstractItemModel::dataChanged);
  log.capture(frame(50, false, QByteArray::fromHex("0103080000")));  // cut short
  log.flush();
  ASSERT_EQ(log.rowCount(), 2);
  EXPECT_EQ(cell(log, 0, LineLog::kVerdict), "长度错误");
  EXPECT_EQ(cell(log, 1, LineLog::kVerdict), "长度错误");
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
}

TEST(LineLog, PausedItRecordsNothingButKeepsThePairing) {
  LineLog log;
  const QByteArray band = *writeSingleRequest(40, 17);
  log.setCapturing(false);
  log.capture(frame(0, true, band));
  log.setCapturing(true);
  log.capture(frame(100, false, echo(band)));
  log.setCapturing(false);
  log.capture(frame(200, true, band));
  log.capture(frame(300, false, echo(band)));
  log.flush();
  ASSERT_EQ(log.rowCount(), 1);
  EXPECT_EQ(log.recorded(), 1u);
  EXPECT_EQ(cell(log, 0, LineLog::kVerdict), "正确");
  EXPECT_EQ(cell(log, 0, LineLog::kInterval), "");
}

TEST(LineLog, KeepsOnlyTheNewestFrames) {
  struct Case {
    int frames;
    int flushEvery;  // 0: the loop never turns until the end
  };
  for (const Case c : {Case{LineLog::kCapacity + 123, 7}, Case{LineLog::kCapacity + 5000, 0},
                       Case{LineLog::kCapacity - 1, 1000}, Case{3 * LineLog::kCapacity, 4999}}) {
    SCOPED_TRACE(c.frames);
    LineLog log;
    for (int i = 0; i < c.frames; ++i) {
      // Frame i writes the value i, so each row tells which frame it is.
      log.capture(frame(i, true, *writeSingleRequest(1084, i % 60000)));
      if (c.flushEvery > 0 && i % c.flushEvery == 0) log.flush();
      ASSERT_LE(log.waiting(), LineLog::kCapacity);
      ASSERT_LE(log.rowCount(), LineLog::kCapacity);
    }
    log.flush();
    const int kept = std::min(c.frames, LineLog::kCapacity);
    ASSERT_EQ(log.rowCount(), kept);
    EXPECT_EQ(log.recorded(), static_cast<std::uint64_t>(c.frames));
    const auto valueOf = [&](int row) {
      return 256 * quint8(log.row(row).bytes[4]) + quint8(log.row(row).bytes[5]);
    };
    EXPECT_EQ(valueOf(0), (c.frames - kept) % 60000);
    EXPECT_EQ(valueOf(kept - 1), (c.frames - 1) % 60000);
  }
}

TEST(LineLog, ClearDropsRowsAndWaitingFrames) {
  LineLog log;
  const QByteArray band = *writeSingleRequest(33, 16);
  log.capture(frame(0, true, band));
  log.flush();
  log.capture(frame(10, true, band));
  log.clear();
  EXPECT_EQ(log.rowCount(), 0);
  EXPECT_EQ(log.waiting(), 0);
  // The request still waits for its reply across the clear.
  log.capture(frame(100, false, echo(band)));
  log.flush();
  ASSERT_EQ(log.rowCount(), 1);
  EXPECT_EQ(cell(log, 0, LineLog::kVerdict), "正确");
}

TEST(LineLog, CsvWithBomHeaderAndQuotedFields) {
  LineLog log;
  const QByteArray levels = *writeMultipleRequest(250, std::vector<int>{22, 23});
  log.capture(frame(0, true, levels));
  log.capture(frame(275, false, echo(levels).left(5)));
  const QByteArray csv = log.csv();  // takes what still waits too
  ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(csv.mid(3)).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 4);  // header, two rows, the empty rest after the last CRLF
  EXPECT_EQ(lines[0].toStdString(), "时间,间隔(ms),方向,数据,含义,结论");
  EXPECT_EQ(lines[1].toStdString(),
            "14:03:07.025,,发送," + hexText(levels).toStdString() +
                ",\"写多个 250..251 共2个: 通道电平 通道1(左通道) .. 通道电平 通道2(右通道) "
                "(数字输入(模拟A)/统一) = 250: 22 → 0 dB, 251: 23 → +1 dB\",长度错误");
  EXPECT_EQ(lines[2].toStdString(), "14:03:07.300,275,接收," +
                                        hexText(echo(levels).left(5)).toStdString() +
                                        ",\"收到5字节, 应为8字节\",长度错误");
  EXPECT_TRUE(lines[3].isEmpty());
}

TEST(LineLog, ALongCellShowsItsStartAndTheTooltipAll) {
  LineLog log;
  const QByteArray curve = *readRequest(904, 125);
  QByteArray reply = QByteArray::fromHex("0103FA") + QByteArray(250, '\x01');
  appendCrc(reply);
  log.capture(frame(0, true, curve));
  log.capture(frame(400, false, reply));
  log.flush();
  const QModelIndex meaning = log.index(1, LineLog::kMeaning);
  const QString shown = log.data(meaning, Qt::DisplayRole).toString();
  const QString full = log.data(meaning, Qt::ToolTipRole).toString();
  EXPECT_EQ(shown.size(), LineLog::kShownChars + 1);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
  EXPECT_TRUE(full.startsWith(shown.chopped(1)));
  EXPECT_TRUE(full.endsWith("1028: 257")) << full.right(20).toStdString();
  EXPECT_EQ(log.data(log.index(1, LineLog::kBytes), Qt::ToolTipRole).toString().size(),
            255 * 3 - 1);
  EXPECT_TRUE(log.csv().contains(full.toUtf8()));
}

TEST(LineLog, AListenerOutlivingItsLogLetsFramesPass) {
  auto log = std::make_unique<LineLog>();
  const WatchedPort::Listener listen = log->listener();
  log.reset();
  listen(frame(0, true, *writeSingleRequest(33, 16)));  // nothing to store it in
  QCoreApplication::processEvents();
  SUCCEED();
}

}  // namespace
}  // namespace eqset::monitor
