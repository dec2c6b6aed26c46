#include "monitor/linelog.h"

#include <QPointer>
#include <algorithm>
#include <iterator>
#include <utility>

namespace eqset::monitor {

LineLog::LineLog(QObject* parent) : QAbstractTableModel(parent) {}

WatchedPort::Listener LineLog::listener() {
  // The port may outlive the log (the window is torn down after the link):
  // once the log is gone, frames pass unseen.
  return [log = QPointer<LineLog>(this)](const WatchedPort::Frame& frame) {
    if (log) log->capture(frame);
  };
}

void LineLog::capture(const WatchedPort::Frame& frame) {
  Captured c;
  if (frame.setAside) {
    // Taken off the line during the wait for the reply, not as the reply:
    // the request stays open and the unanswered writes stay as they are, as
    // in the link.
    c.row.request = openRequest_;
    c.row.verdict = Verdict::SetAside;
  } else if (!frame.outgoing) {
    // A read answers the last request, once.
    c.row.request = std::exchange(openRequest_, {});
    c.requestSeq = openRequestSeq_;
    c.requestCaptured = std::exchange(openRequestCaptured_, false);
    // Judged as it passes, paused or not, in the order the link judged it:
    // which writes went unanswered decides what a later echo of them is.
    c.row.verdict = judgeReply(c.row.request, frame.bytes, unanswered_);
    unanswered_.note(c.row.request, c.row.verdict == Verdict::Correct);
  }
  if (!capturing_) {
    if (frame.outgoing) openRequest_ = frame.bytes;
    return;
  }
  c.row.seq = nextSeq_++;
  c.row.wallClock = frame.wallClock;
  c.row.intervalMs = anyCaptured_ ? frame.clockMs - lastClockMs_ : -1;
  c.row.outgoing = frame.outgoing;
  c.row.bytes = frame.bytes;
  lastClockMs_ = frame.clockMs;
  anyCaptured_ = true;
  if (frame.outgoing) {
    openRequest_ = frame.bytes;
    openRequestSeq_ = c.row.seq;
    openRequestCaptured_ = true;
  }
  // However long the loop stays blocked, only the newest frames wait.
  if (waiting_.size() >= static_cast<std::size_t>(kCapacity)) waiting_.pop_front();
  waiting_.push_back(std::move(c));
  ++recorded_;
  scheduleFlush();
}

void LineLog::scheduleFlush() {
  if (flushAsked_) return;
  flushAsked_ = true;
  QMetaObject::invokeMethod(this, &LineLog::flush, Qt::QueuedConnection);
}

LineRow* LineLog::rowOf(std::uint64_t seq, std::deque<LineRow>& fresh, int* kept) {
  *kept = -1;
  if (!fresh.empty() && seq >= fresh.front().seq) {
    const std::uint64_t i = seq - fresh.front().seq;
    if (i < fresh.size() && fresh[i].seq == seq) return &fresh[i];
  }
  if (!rows_.empty() && seq >= rows_.front().seq) {
    const std::uint64_t i = seq - rows_.front().seq;
    if (i < rows_.size() && rows_[i].seq == seq) {
      *kept = static_cast<int>(i);
      return &rows_[i];
    }
  }
  return nullptr;
}

void LineLog::flush() {
  flushAsked_ = false;
  if (waiting_.empty()) return;
  std::deque<LineRow> fresh;
  int firstChanged = -1;
  int lastChanged = -1;
  for (Captured& c : waiting_) {
    LineRow& row = c.row;
    if (row.outgoing) {
      row.registers = requestRegisters(row.bytes);
    } else {
      row.registers = requestRegisters(row.request);
      int kept = -1;
      if (c.requestCaptured) {
        if (LineRow* request = rowOf(c.requestSeq, fresh, &kept)) request->verdict = row.verdict;
      }
      if (kept >= 0) {
        firstChanged = firstChanged < 0 ? kept : std::min(firstChanged, kept);
        lastChanged = std::max(lastChanged, kept);
      }
    }
    fresh.push_back(std::move(row));
  }
  waiting_.clear();
  if (firstChanged >= 0) {
    emit dataChanged(index(firstChanged, kVerdict), index(lastChanged, kVerdict));
  }
  // Fresh rows are at most kCapacity, so only kept rows ever need to go.
  const std::size_t total = rows_.size() + fresh.size();
  if (total > static_cast<std::size_t>(kCapacity)) {
    const auto drop = static_cast<int>(total - static_cast<std::size_t>(kCapacity));
    beginRemoveRows({}, 0, drop - 1);
    rows_.erase(rows_.begin(), rows_.begin() + drop);
    endRemoveRows();
  }
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
  std::move(fresh.begin(), fresh.end(), std::back_inserter(rows_));
  endInsertRows();
  emit appended();
}

void LineLog::clear() {
  beginResetModel();
  rows_.clear();
  waiting_.clear();
  recorded_ = 0;
  endResetModel();
}

int LineLog::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LineLog::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString LineLog::columnTitle(int column) {
  switch (column) {
    case kTime:
      return QStringLiteral("时间");
    case kInterval:
      return QStringLiteral("间隔(ms)");
    case kDirection:
      return QStringLiteral("方向");
    case kBytes:
      return QStringLiteral("数据");
    case kMeaning:
      return QStringLiteral("含义");
    case kVerdict:
      return QStringLiteral("结论");
    default:
      return {};
  }
}

QString LineLog::directionText(bool outgoing) {
  return outgoing ? QStringLiteral("发送") : QStringLiteral("接收");
}

QString LineLog::cellText(const LineRow& row, int column) {
  switch (column) {
    case kTime:
      return row.wallClock.toString(QStringLiteral("hh:mm:ss.zzz"));
    case kInterval:
      return row.intervalMs < 0 ? QString() : QString::number(row.intervalMs);
    case kDirection:
      return directionText(row.outgoing);
    case kBytes:
      return hexText(row.bytes);
    case kMeaning:
      return row.outgoing ? decodeRequest(row.bytes).meaning
                          : replyMeaning(row.request, row.bytes, row.verdict);
    case kVerdict:
      return verdictText(row.verdict);
    default:
      return {};
  }
}

QVariant LineLog::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  QString text = cellText(row(index.row()), index.column());
  // A curve read is some 1,500 characters: the cell shows what fits, the
  // tooltip and the saved file all of it (laying out text no one sees is
  // most of the cost of painting the table).
  if (role == Qt::DisplayRole && text.size() > kShownChars) {
    text.truncate(kShownChars);
    text += QChar(0x2026);
  }
  return text;
}

QVariant LineLog::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return columnTitle(section);
}

namespace {

QString csvField(const QString& s) {
  if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r')) return s;
  QString quoted = s;
  quoted.replace('"', QStringLiteral("\"\""));
  return '"' + quoted + '"';
}

}  // namespace

QByteArray LineLog::csv() {
  flush();
  QString text;
  QStringList cells;
  for (int c = 0; c < kColumnCount; ++c)
    cells << csvField(columnTitle(c));
  text += cells.join(',') + QStringLiteral("\r\n");
  for (const LineRow& r : rows_) {
    cells.clear();
    for (int c = 0; c < kColumnCount; ++c)
      cells << csvField(cellText(r, c));
    text += cells.join(',') + QStringLiteral("\r\n");
  }
  return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

}  // namespace eqset::monitor
