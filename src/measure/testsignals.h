#pragma once

#include <array>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "measure/measuredata.h"

class QLineEdit;
class QWidget;

namespace eqset {

class PeriodicTimer;

// The processor's own test signals: pink noise, its level calibration, a
// single third-octave tone, the typed generic commands, stop and back to the
// programme. Each is one command register; the tool keeps only the pink-noise
// switch text and the last command issued.
class TestSignals {
 public:
  struct Controls {
    QLineEdit* noiseState = nullptr;        // TxtFenZao
    QLineEdit* signalValue = nullptr;       // Text6
    QLineEdit* toneBand = nullptr;          // Text7
    QLineEdit* runValue = nullptr;          // Text8
    QWidget* manualButton = nullptr;        // Command24
    std::array<QWidget*, 4> stepButtons{};  // Command18, Command9, Command22, Command10
  };
  struct Timers {
    PeriodicTimer* reading = nullptr;          // Timer2
    std::array<PeriodicTimer*, 3> sequence{};  // Timer5, Timer6, Timer7
  };

  TestSignals(ModbusLink& link, Dialogs& dialogs, MeasureState& state, const Controls& controls,
              const Timers& timers);

  void pinkNoiseSwitch();  // "粉噪切换"
  void calibrate();        // "粉噪标定"
  // "单频输出": the tone of the band in Text7. False when the band is refused.
  bool singleFrequency();
  void startContinuous();  // "启动连续"
  void stop();             // "停止测试"
  void normalPlayback();   // "切换到正常放音"
  void genericSignal();    // "给定信号" / "粉噪输出"
  void genericStopRun();   // "停止/运行" / "粉噪停止"
  void manualOperation();  // "手动操作"
  // The line is gone: the periodic reading and the automatic sequence stop
  // where they are, without a command the processor could not receive.
  // Returns whether the sequence was running.
  bool haltTimers();

 private:
  // Last command := address; write it; wait.
  void command(int address, int value, int waitMs);
  std::optional<int> typedCommandValue(const QLineEdit* box);

  ModbusLink& link_;
  Dialogs& dialogs_;
  MeasureState& state_;
  Controls c_;
  Timers t_;
};

// What a typed command box holds as a register value: its leading number
// rounded half to even; nothing when that does not fit the line (-255..32767).
std::optional<int> typedCommand(const QString& text);
// The band of the single test tone: nothing unless it is 0..30.
std::optional<int> toneBand(const QString& text);

}  // namespace eqset
