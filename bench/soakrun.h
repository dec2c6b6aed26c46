// The soak itself: drives the real window through a seeded random mix of a
// technician's operations on a watched port, and after each one checks every
// value the window shows or keeps against the processor, every reply's verdict
// against the counters, and the time it took against the fixed waits.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/mainwindow.h"
#include "eq/eqlivewrite.h"
#include "eq/levelwrites.h"
#include "measure/curvedisplay.h"
#include "params/processorwrite.h"
#include "scripteddialogs.h"
#include "sim/seededrandom.h"
#include "soakport.h"

namespace soak {

inline constexpr std::uint64_t kSeed = 1;

// The link's fixed waits that the operations are made of (the close-and-reopen
// pause, the reply waits, the pauses around a read); the rest come from the
// operations' own constants.
inline constexpr int kReopenMs = 100;
inline constexpr int kWriteWaitMs = 100;
inline constexpr int kBlockWriteWaitMs = 200;
inline constexpr int kBlockReadWaitMs = 600;
inline constexpr int kAfterBlockReadMs = 100;
inline constexpr int kCurveWaitMs = 400;
inline constexpr int kBeforeCurveReadMs = 100;

// Nominal time of each operation: the sum of its fixed waits.
inline constexpr int kBandStepMs = kReopenMs + kWriteWaitMs + eqset::EqLiveWrite::kPauseMs;
inline constexpr int kVolumeStepMs = kReopenMs + kWriteWaitMs + eqset::LevelWrites::kVolumePauseMs;
inline constexpr int kLevelStepMs = kReopenMs + kWriteWaitMs + eqset::LevelWrites::kLevelPauseMs;
inline constexpr int kBlockReadMs = kReopenMs + kBlockReadWaitMs + kAfterBlockReadMs;
inline constexpr int kWriteAllMs = [] {
  using W = eqset::ProcessorWrite;
  constexpr int single = kReopenMs + kWriteWaitMs;
  constexpr int block = kReopenMs + kBlockWriteWaitMs;
  constexpr int blockPaused = block + 75;  // WriteRegisters pauses after the reply
  return 6 * (block + W::kAfterChannelEqMs) + blockPaused + W::kAfterLevelsMs + single +
         W::kAfterSettingMs + blockPaused + W::kAfterSettingMs + single + W::kAfterSettingMs +
         2 * blockPaused + W::kAfterSettingMs;
}();
inline constexpr int kChannelSelectMs = 2 * (kReopenMs + kWriteWaitMs) +
                                        eqset::CurveDisplay::kAfterChannelMs +
                                        2 * eqset::CurveDisplay::kAfterShowMs;
inline constexpr int kSweepStartMs = kReopenMs + kWriteWaitMs;
inline constexpr int kCurveReadMs = kBeforeCurveReadMs + kCurveWaitMs;

enum Op { Band, Volume, Level, BlockRead, WriteAll, ChannelSelect, SweepStart, CurveRead, kOps };
inline constexpr std::array<const char*, kOps> kOpNames = {
    "band drag step", "volume drag step", "level drag step", "读取DSP数据",
    "数据写入DSP",    "channel select",   "sweep start",     "读取曲线"};

struct OpFigures {
  int count = 0;
  int transactions = 0;
  double measuredMs = 0;
  double nominalMs = 0;
};

struct Figures {
  std::string title;
  int transactions = 0;
  int requests = 0;
  long long good = 0;
  long long failed = 0;
  std::array<int, 8> faults{};  // by LineFault
  int faultsTotal = 0;
  int ownFaultFailures = 0;     // its own reply was damaged or missing
  int displacedFailures = 0;    // a late reply took its place
  int lineBusyFailures = 0;     // of those: nothing came in time, the line busy with it
  int unexplainedFailures = 0;  // failed with no fault near it
  int lateInTime = 0;           // late replies that still came before the look
  long long valuesCompared = 0;
  int valueMismatches = 0;
  int staleByDesign = 0;  // boxes left as they were by a failed reply
  int verdictMismatches = 0;
  int monitorCompared = 0;    // request rows the line monitor still keeps
  int monitorMismatches = 0;  // of those: a verdict other than the counters'
  int countTotalMismatch = 0;
  int failedVsFaultsMismatch = 0;
  int dialogs = 0;
  std::array<OpFigures, kOps> ops{};
  int findingCount = 0;
  std::vector<std::string> findings;  // the first few, in full
  std::string lineCheck;              // over the line: the trace against the mirror
};

class Soak {
 public:
  Soak(eqset::MainWindow& window, WatchedPort& port, Processor processor,
       eqset::test::ScriptedDialogs& d, std::function<double()> nowMs, std::function<void()> idle);

  Figures run(const std::string& title, int transactions);

 private:
  int done() const { return static_cast<int>(port_.log.size()) - first_; }

  std::pair<long long, long long> counters() const;

  int pick(int n) { return static_cast<int>(random_.next() % static_cast<std::uint64_t>(n)); }
  int dragTo(int current, int low, int high);
  void step(int left);

  // Bookkeeping around the operations.
  std::size_t timed(Op op, int nominalMs, const std::function<void()>& action);
  void verdicts(std::size_t from, const char* op);
  const Transaction* single(std::size_t from, const char* op);

  // What a value is compared with: the processor's register, what the window
  // showed before an operation that must not touch it, or the register image.
  static constexpr const char* kHeld = "the processor holds";
  static constexpr const char* kKept = "before it was";
  static constexpr const char* kInImage = "the image holds";

  void compare(const char* op, const std::string& what, const QString& shown,
               const QString& expected, const char* against = kHeld);

  // The operations of the mix, each with its checks.
  void bandDrag(int i, int steps);
  void volumeDrag(int steps);
  void levelDrag(int channel, int steps);
  void blockRead();
  void writeAll();
  void curveRead(int channel);
  void slidersMatchProcessor();

  void monitorAgrees();
  void finding(const std::string& op, const std::string& what, int upTo);
  void summarize();

  eqset::MainWindow& w_;
  WatchedPort& port_;
  Processor p_;
  eqset::test::ScriptedDialogs& dialogs_;
  std::function<double()> nowMs_;
  std::function<void()> idle_;
  sim::SeededRandom random_;
  int first_ = 0;
  std::pair<long long, long long> base_{0, 0};
  Figures f_;
};

}  // namespace soak
