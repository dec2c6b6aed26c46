#pragma once

#include <array>

#include "link/modbuslink.h"
#include "params/registermap.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QWidget;

namespace eqset {

// One-register switches: the channel the pink-noise generator feeds, the
// limiter of the front channels, mute of all outputs and each channel's
// polarity. The controls hold the state and show, by colour, what was last
// sent; nothing is read back from the processor.
class ChannelSwitches {
 public:
  struct Controls {
    std::array<QAbstractButton*, kChannels> noiseChannels{};  // Option1(0..5)
    std::array<QAbstractButton*, 3> limiters{};               // Option2(0..2)
    QCheckBox* muteAll = nullptr;                             // Check3
    QWidget* volumeBox = nullptr;                             // Text5(248), shows the mute
    std::array<QLineEdit*, kChannels> polarity{};             // TxtInvert(0..5)
  };
  static constexpr int kAfterNoiseChannelMs = 70;
  static constexpr int kAfterLimiterMs = 70;
  static constexpr int kAfterMuteMs = 75;
  static constexpr int kAfterPolarityMs = 75;

  ChannelSwitches(ModbusLink& link, const Controls& controls);

  // The button of `channel` was released on (already the selected one).
  void selectNoiseChannel(int channel);
  // Limiter level button `index`: 0 -10 dB, 1 -5 dB, 2 -0 dB.
  void selectLimiter(int index);
  // After the check box toggled.
  void muteAll();
  void invertPolarity(int channel);

 private:
  ModbusLink& link_;
  Controls c_;
};

}  // namespace eqset
