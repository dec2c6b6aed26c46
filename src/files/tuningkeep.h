#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "files/filestore.h"
#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "params/registermap.h"

namespace eqset {

// The equalizers the processor held before an automatic run first wrote each
// channel of each bank: the technician's hand tuning, so a run in the wrong
// room or with people talking costs nothing. A channel's keep holds what was
// there before the first automatic write, through any number of later runs,
// until "恢复调试前均衡" writes it back. The keep lives in "用户数据" and is
// there again after the program starts anew; each run also leaves a dated
// record of what it kept.
class TuningKeep {
 public:
  struct Kept {
    int bankOffset = 0;
    int channel = 0;
    std::array<int, kBands> registers{};  // gain + 15, band 0 = 20 Hz
    QString run;                          // the run that kept it
    QDateTime when;
    bool operator==(const Kept&) const = default;
  };
  using Key = std::pair<int, int>;  // bank offset, channel
  using Keeps = std::map<Key, Kept>;
  struct Sources {
    std::function<int()> bankOffset;
    std::function<QDateTime()> now;
    // The processor holds `registers` on `channel` in the bank at
    // `bankOffset` again: its page follows.
    std::function<void(int channel, int bankOffset, const std::array<int, kBands>& registers)>
        restored;
    // The input and mode to choose for a bank, for the technician.
    std::function<QString(int bankOffset)> bankName;
  };
  static constexpr int kWriteWaitMs = 200;
  static const char* const kNothingKept;
  static const char* const kFileName;

  // Reads the keep left in `folder` by an earlier start.
  TuningKeep(ModbusLink& link, Dialogs& dialogs, const FileStore& files, QString folder,
             Sources sources);

  // A run starts; its record is a new dated file once it keeps a channel.
  void beginRun(const QString& runName);
  // Before the run writes `channel` of the bank in force: `registers` are what
  // the processor holds there now. A channel kept already keeps what it had.
  void keep(int channel, const std::array<int, kBands>& registers);
  bool kept(int bankOffset, int channel) const { return keeps_.count({bankOffset, channel}) > 0; }
  const Keeps& keeps() const { return keeps_; }
  // The run's dated record, empty before it kept anything.
  QString filePath() const { return runPath_; }

  // "恢复调试前均衡": every kept channel of the bank in force, after one
  // question. Keeps of another bank are named, with the input to choose
  // first, and nothing is written for them.
  void restore();

  // The keep as its file holds it (UTF-8 JSON).
  static QByteArray fileBytes(const Keeps& keeps);
  // The keep of a file's bytes; nothing when they are not such a file.
  static std::optional<Keeps> fromFile(const QByteArray& bytes);

 private:
  QString livePath() const;
  void load();
  bool save(const QString& path, const Keeps& keeps);

  ModbusLink& link_;
  Dialogs& dialogs_;
  const FileStore& files_;
  QString folder_;
  Sources s_;
  QString runName_;
  QDateTime runStarted_;
  Keeps runKeeps_;
  QString runPath_;
  Keeps keeps_;
};

}  // namespace eqset
