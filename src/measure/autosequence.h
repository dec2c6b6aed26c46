#pragma once

#include <array>
#include <functional>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "measure/measuredata.h"

class QLabel;
class QWidget;

namespace eqset {

class CompensationSteps;
class Measurement;
class PeriodicTimer;
class TestSignals;

// "全自动均衡": the processor sweeps the channel, the tool corrects it, sweeps
// again, corrects once more and sweeps a last time to show the result. Each
// sweep is polled once a second by its own timer; at most one of them runs.
class AutoSequence {
 public:
  struct Controls {
    QLabel* status = nullptr;         // Label12
    QWidget* manualButton = nullptr;  // Command24
    std::array<QWidget*, 4> stepButtons{};
  };
  static constexpr int kPollMs = 1000;
  // Shown when the line is lost during a run.
  static const char* const kLinkLost;
  // Shown when a sweep came back without the test signal in it.
  static const char* const kNotHeard;
  // Shown when the present gains could not be read before a correction.
  static const char* const kGainsUnread;
  // Shown when the processor answered neither try to start a sweep.
  static const char* const kSweepNotStarted;

  AutoSequence(ModbusLink& link, Dialogs& dialogs, MeasureState& state, TestSignals& testSignals,
               Measurement& measurement, CompensationSteps& steps,
               const std::array<PeriodicTimer*, 3>& timers, const Controls& controls,
               std::function<int()> channel, std::function<bool()> muted);

  // A run starts; before it first writes a channel, what the processor holds
  // there (register values) goes to `beforeWrite`.
  void setKeepHooks(
      std::function<void()> runStarted,
      std::function<void(int channel, const std::array<int, kBands>& registers)> beforeWrite);

  void start();
  // A sweep of the run is being polled.
  bool running() const;
  void firstSweepTick();   // Timer5
  void secondSweepTick();  // Timer6
  void finalSweepTick();   // Timer7

 private:
  // Curve read; true once the processor reports the sweep finished.
  bool sweepFinished();
  // Starts polling a sweep; false (and says so) when the line is gone.
  bool runTimer(int index);
  void stopTimer(int index);
  // 901 = 1, with one more try; false, with the run ended and the technician
  // told, when the processor answered neither: it is not sweeping, and the
  // finished status of the sweep before would pass for this one's.
  bool startSweep();
  void endRun(const char* text);
  void say(const char* text);
  // False, with the run ended and the technician told, when the sweep just
  // read heard only the room: a correction from it would cut every band.
  bool heard();
  // The present gains before a correction; false, with the run ended, when
  // the processor did not answer: gains added to stale ones would be wrong.
  bool readBeforeCorrection();
  // What the processor holds, read just before, goes to the keeper.
  void keepBeforeWrite();

  ModbusLink& link_;
  Dialogs& dialogs_;
  MeasureState& state_;
  TestSignals& signals_;
  Measurement& measurement_;
  CompensationSteps& steps_;
  std::array<PeriodicTimer*, 3> timers_;
  Controls c_;
  std::function<int()> channel_;  // GroupNum
  std::function<bool()> muted_;   // Check3 "全部静音"
  std::function<void()> runStarted_;
  std::function<void(int, const std::array<int, kBands>&)> beforeWrite_;
};

}  // namespace eqset
