#pragma once

#include <array>
#include <functional>

#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "measure/levelconversion.h"
#include "measure/measuredata.h"

class QLineEdit;

namespace eqset {

class BandEdit;
class PeriodicTimer;

// Reading what the processor's microphone measured: the running level, the
// third-octave curve after a sweep, and the channel's present equalizer gains;
// and editing single bands while the level is watched.
class Measurement {
 public:
  struct Controls {
    QLineEdit* readout = nullptr;           // Text3
    QLineEdit* displayMode = nullptr;       // Text4: 1 dB, 0 linear
    QLineEdit* toneBand = nullptr;          // Text7
    std::array<BandEdit*, kBands> bands{};  // FreqNum(0..30)
  };
  struct Sources {
    std::function<int()> channel;  // GroupNum
    std::function<int()> bankOffset;
    std::function<double()> micZero;
    std::function<void()> redraw;
    std::function<bool()> singleFrequency;  // "单频输出"
    // A band register value of `channel` the processor holds now (read back
    // or echoed): the page's slider and box follow it.
    std::function<void(int channel, int band, int value)> bandHeld;
  };
  static constexpr int kEditSettleMs = 1000;

  Measurement(ModbusLink& link, Dialogs& dialogs, MeasureState& state, PeriodicTimer& readingTimer,
              const Controls& controls, Sources sources);

  void levelReading();  // "读取dB"
  void periodicTick();  // Timer2
  void curveRead();     // "读取曲线"
  // "读取绝对参数"; false when the processor did not answer.
  bool readPresentGains();
  void bandFocusGained(int band);
  void bandFocusLost(int band);
  void bandEdited(int band, double gainDb);
  // On Enter in the display-mode box and when it loses the focus: a text that
  // is not a number is refused and the mode in force comes back.
  void checkDisplayMode();

 private:
  bool subwoofer() const;

  ModbusLink& link_;
  Dialogs& dialogs_;
  MeasureState& state_;
  PeriodicTimer& readingTimer_;
  Controls c_;
  Sources s_;
  QString displayMode_;
};

}  // namespace eqset
