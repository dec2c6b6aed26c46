#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <deque>

#include "link/watchedport.h"
#include "monitor/framedecoder.h"

namespace eqset::monitor {

// One frame as the monitor keeps it. The texts are made when shown or saved:
// a row holds the bytes (a reply shares its request's) and what the filter
// needs, a few hundred bytes at most.
struct LineRow {
  std::uint64_t seq = 0;  // order of capture
  QDateTime wallClock;
  std::int64_t intervalMs = -1;  // since the frame captured before it; -1 for the first
  bool outgoing = false;
  QByteArray bytes;
  QByteArray request;               // for a read: the request it answers, if one came first
  Verdict verdict = Verdict::None;  // a request's is its reply's
  AddressRange registers;           // a reply's are its request's
};

// The frames on the line, the newest kCapacity of them, as a table.
//
// Capturing happens inside the link's transactions, which block the event
// loop: capture() only stores the frame with which request it answers and,
// for a reply, its verdict (judged in line order, as the link judged it), and
// asks for a flush on the next turn of the loop; the texts are made when shown
// and the row insertions happen in the flush, in one batch. Both the frames waiting for a flush
// and the rows are bounded by kCapacity, however long the loop stays blocked.
class LineLog : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kCapacity = 20000;
  // A cell shows at most this many characters; its tooltip all of them.
  static constexpr int kShownChars = 160;
  enum Column { kTime, kInterval, kDirection, kBytes, kMeaning, kVerdict, kColumnCount };

  explicit LineLog(QObject* parent = nullptr);

  // The watched port's listener: capture(), for as long as this log lives.
  WatchedPort::Listener listener();
  void capture(const WatchedPort::Frame& frame);

  // Paused, frames passing are not recorded (their pairing and the unanswered
  // writes are still followed, so a reply after "继续" finds the request it
  // answers and gets the link's verdict).
  void setCapturing(bool on) { capturing_ = on; }
  bool capturing() const { return capturing_; }

  // Drops every row and every frame waiting for a flush.
  void clear();
  // Decodes the waiting frames into rows now.
  void flush();

  const LineRow& row(int i) const { return rows_[static_cast<std::size_t>(i)]; }
  // Frames recorded since the start (or the last clear), kept or not.
  std::uint64_t recorded() const { return recorded_; }
  // Frames waiting for the next flush.
  int waiting() const { return static_cast<int>(waiting_.size()); }

  // Every row as CSV: UTF-8 with BOM, a header line, CRLF line ends.
  QByteArray csv();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  static QString columnTitle(int column);
  static QString directionText(bool outgoing);
  // The text of a cell, as shown and as saved.
  static QString cellText(const LineRow& row, int column);

 signals:
  // After a flush added rows.
  void appended();

 private:
  // A frame waiting for the flush: the row, not yet judged.
  struct Captured {
    LineRow row;
    std::uint64_t requestSeq = 0;  // the request's row, when it was captured
    bool requestCaptured = false;
  };

  void scheduleFlush();
  // The row of frame `seq`, among the rows and the fresh ones; null when gone.
  LineRow* rowOf(std::uint64_t seq, std::deque<LineRow>& fresh, int* kept);

  bool capturing_ = true;
  bool flushAsked_ = false;
  std::deque<Captured> waiting_;
  std::deque<LineRow> rows_;
  std::uint64_t nextSeq_ = 0;
  std::uint64_t recorded_ = 0;
  // The single-register writes whose replies were not good, as the link keeps
  // them: followed from program start, through pauses and clears.
  UnansweredWrites unanswered_;
  // Pairing: the last request not yet answered by a read.
  QByteArray openRequest_;
  std::uint64_t openRequestSeq_ = 0;
  bool openRequestCaptured_ = false;
  std::int64_t lastClockMs_ = 0;
  bool anyCaptured_ = false;
};

}  // namespace eqset::monitor
