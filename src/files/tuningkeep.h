#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "files/filestore.h"
#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "params/registermap.h"

namespace eqset {

// The equalizers an automatic run found on the processor, kept before the run
// first writes each channel, so a run in the wrong room or with people talking
// costs nothing: "恢复调试前均衡" writes them back. Kept in memory and, for
// the technician's records, in a small file per run in "用户数据".
class TuningKeep {
 public:
  struct Kept {
    int bankOffset = 0;
    std::array<int, kBands> registers{};  // gain + 15, band 0 = 20 Hz
  };
  struct Sources {
    std::function<int()> bankOffset;
    std::function<QDateTime()> now;
    // The processor holds `registers` on `channel` again: its page follows.
    std::function<void(int channel, int bankOffset, const std::array<int, kBands>& registers)>
        restored;
  };
  static constexpr int kWriteWaitMs = 200;
  static const char* const kNothingKept;

  TuningKeep(ModbusLink& link, Dialogs& dialogs, const FileStore& files, QString folder,
             Sources sources);

  // A run starts: what it keeps replaces what an earlier run kept once it
  // keeps its first channel.
  void beginRun(const QString& runName);
  // Before the run writes `channel` for the first time: `registers` are what
  // the processor holds there now. Later calls in the same run keep nothing.
  void keep(int channel, const std::array<int, kBands>& registers);
  bool kept(int channel) const { return kept_.count(channel) > 0; }
  // The file of the run, empty before it kept anything.
  QString filePath() const { return path_; }

  // "恢复调试前均衡": one question, then every kept channel is written back.
  void restore();

  // The kept equalizers as the file holds them (UTF-8 JSON).
  static QByteArray fileBytes(const QString& runName, const QDateTime& when,
                              const std::map<int, Kept>& kept);

 private:
  void save();

  ModbusLink& link_;
  Dialogs& dialogs_;
  const FileStore& files_;
  QString folder_;
  Sources s_;
  QString runName_;
  QDateTime runStarted_;
  bool runKeptAny_ = false;
  std::map<int, Kept> kept_;
  QString path_;
};

}  // namespace eqset
