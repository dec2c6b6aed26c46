#pragma once

#include <array>
#include <functional>

#include "link/modbuslink.h"
#include "params/registermap.h"

class QLineEdit;
class QSlider;

namespace eqset {

// The 186 band sliders: every user move writes that band at once and the box
// above shows the gain the processor echoed.
class EqLiveWrite {
 public:
  static constexpr int kPauseMs = 75;
  static constexpr int kFocusPointSize = 14;

  // `windowPlays`: whether the processor plays the bank the pages stand for.
  EqLiveWrite(ModbusLink& link, const std::array<QSlider*, kBandIndexes>& sliders,
              const std::array<QLineEdit*, kBandIndexes>& boxes,
              std::function<bool()> windowPlays = {});

  // Live write of band index i with the thumb's present position. The address
  // is i itself whatever input is active: the processor applies it to the
  // bank in use. While the pages stand for another bank (a settings file not
  // yet written) the move stays in the window until "数据写入DSP" sends it.
  void onUserMove(int i, int position);
  // The box of the band with the keyboard focus stands out.
  void focusGained(int i);
  void focusLost(int i);

 private:
  ModbusLink& link_;
  std::array<QSlider*, kBandIndexes> sliders_;
  std::array<QLineEdit*, kBandIndexes> boxes_;
  std::function<bool()> windowPlays_;
  int savedPointSize_ = 0;
};

}  // namespace eqset
