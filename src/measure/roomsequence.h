#pragma once

#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "measure/measuredata.h"
#include "measure/roomaverage.h"
#include "measure/sequenceparts.h"

class QCheckBox;
class QLabel;
class QSpinBox;
class QWidget;

namespace eqset {

class PeriodicTimer;

// "全场均衡": every ticked channel is swept at each of the measurement
// positions the technician walks the microphone to; at the last one each
// channel's curves are averaged in power and the compensation is computed on
// the average. The refinements then measure only where the microphone stands:
// the equalizer changes every seat alike, so the average moves as that
// position moves. A last sweep gives the figures; then the next channel. One
// sweep at a time, polled by one timer.
class RoomSequence {
 public:
  struct Controls {
    QLabel* state = nullptr;                       // LblRoomState
    QWidget* stop = nullptr;                       // CmdRoomStop
    std::array<QCheckBox*, kChannels> channels{};  // ChkRoomCh
    QSpinBox* positions = nullptr;                 // SpinRoomPos
    std::vector<QWidget*> idleOnly;                // usable only while no run goes on
  };
  struct Hooks {
    // The channel in hand becomes the one being tuned (selector, 905, 260);
    // true when the processor answered.
    std::function<bool(int channel)> selectChannel;
    std::function<bool()> muted;  // "全部静音"
    std::function<void()> runStarted;
    // Before the run first writes `channel`: what the processor holds there.
    std::function<void(int channel, const std::array<int, kBands>& registers)> beforeWrite;
    // The run's record changed: the dialog's graph and table follow.
    std::function<void()> shown;
  };
  static constexpr int kPollMs = 1000;
  // Once the sweep's length is known to this, each sweep is read once, as it
  // ends; until then the polls close in on it.
  static constexpr int kSweepKnownMs = 15;
  static constexpr int kRetryMs = 100;
  static constexpr int kRefinements = 2;
  static const char* const kDone;
  static const char* const kSweepNotStarted;
  static const char* const kPrompt;

  RoomSequence(SequenceParts parts, PeriodicTimer& timer, Controls controls, Hooks hooks);

  void start();     // "开始"
  void stop();      // "停止", closing the dialog
  void tick();      // the poll timer
  void lineLost();  // the link went down
  bool running() const { return phase_ != Phase::Idle; }
  // The channel being swept or corrected, else the first ticked one.
  int channelInHand() const;

 private:
  enum class Phase { Idle, Positions, Refining, Final };

  bool askPosition();
  void sweep();
  // The channel selected and 901 = 1 answered, with one more try; false when
  // the processor took neither: it is not sweeping.
  bool startSweep(int channel);
  void sweepDone(const CurveRow& curve);
  bool correct(int channel, const BandLevels& average);
  void nextChannel();
  void finish(const QString& text);
  // Sets the timer for the next poll of the sweep in progress.
  void schedulePoll(bool afterUnfinished);
  void say(const QString& text);
  QString writtenText() const;
  // The run ends after a failed transaction: as a lost line when it is.
  void endOnFailure(const QString& text);

  SequenceParts p_;
  PeriodicTimer& timer_;
  Controls c_;
  Hooks h_;

  Phase phase_ = Phase::Idle;
  std::vector<int> channels_;
  int position_ = 0;       // 1..the run's positions
  std::size_t index_ = 0;  // into channels_
  int refinement_ = 0;     // 1..kRefinements while refining
  int selected_ = -1;      // the channel selected for the last sweep
  // How long a sweep has been running (from the start command) when a poll
  // found it finished at the earliest, and still running at the latest.
  std::int64_t sweepStart_ = 0;
  std::int64_t finishedBy_ = -1;
  std::int64_t runningAt_ = 0;
  int sweepsTimed_ = 0;
};

}  // namespace eqset
