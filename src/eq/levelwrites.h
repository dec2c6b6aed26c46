#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "link/modbuslink.h"
#include "params/registermap.h"

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace eqset {

// Master volume, the six channel levels with their numeric mirrors, and the
// two fade times: each user change is written at once in the active bank.
class LevelWrites {
 public:
  struct Controls {
    QSlider* volumeSlider = nullptr;
    QLineEdit* volumeBox = nullptr;
    std::array<QSlider*, kChannels> levelSliders{};
    std::array<QLineEdit*, kChannels> levelBoxes{};
    std::array<QDoubleSpinBox*, kChannels> levelEdits{};
    std::array<QLabel*, 2> fadeLabels{};
  };
  static constexpr int kVolumePauseMs = 50;
  static constexpr int kLevelPauseMs = 75;

  LevelWrites(ModbusLink& link, const Controls& controls, std::function<int()> bankOffset);

  void masterVolumeLiveWrite(int position);
  void channelLevelWrite(int channel, int position);
  // Applies the number in the channel's numeric edit through its slider.
  void numericLevelApply(int channel);
  // x: the pointer's value on its 0..5 s scale.
  void fadeWrite(int slide, double x);

  std::uint8_t lastFade(int slide) const { return lastFade_[static_cast<std::size_t>(slide)]; }

 private:
  ModbusLink& link_;
  Controls c_;
  std::function<int()> bankOffset_;
  std::array<std::uint8_t, 2> lastFade_{};
};

}  // namespace eqset
