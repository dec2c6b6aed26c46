#pragma once

#include <array>
#include <functional>

#include "link/modbuslink.h"
#include "measure/measuredata.h"

class QLabel;
class QSpinBox;
class QWidget;

namespace eqset {

class CurveGraph;

// The graph's redraw and level range, and the channel selector that picks the
// channel being tuned: the processor is told, the channel's level edit is the
// one enabled, and its stored curve is shown.
class CurveDisplay {
 public:
  struct Controls {
    CurveGraph* graph = nullptr;                   // CWGraph1
    QSpinBox* channel = nullptr;                   // GroupNum
    QLabel* channelName = nullptr;                 // Label11
    std::array<QWidget*, kChannels> levelEdits{};  // CWNumEdit1(0..5)
  };
  static constexpr int kAfterChannelMs = 100;
  static constexpr int kAfterShowMs = 75;
  static constexpr int kRangeStepDb = 5;

  CurveDisplay(ModbusLink& link, MeasureState& state, const Controls& controls,
               std::function<void()> curveRead);

  void redraw();
  // The technician set GroupNum to `value`.
  // True when the processor answered both channel writes.
  bool channelChanged(int value);
  // The four range buttons: change one end of the level axis by 5 dB, then
  // read the curve again (which redraws). A change that would leave the axis
  // empty or upside down is not made.
  void raiseMinimum();
  void lowerMinimum();
  void lowerMaximum();
  void raiseMaximum();

 private:
  void changeRange(int minStep, int maxStep);

  ModbusLink& link_;
  MeasureState& state_;
  Controls c_;
  std::function<void()> curveRead_;
};

}  // namespace eqset
