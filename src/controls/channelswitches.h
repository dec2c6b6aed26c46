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

  // Show a state the window takes from elsewhere (a settings file) exactly as
  // the technician's own action would show it, without writing anything: the
  // processor gets it when the technician sends it.
  void showNoiseChannel(int channel);
  void showLimiter(int index);
  void showMute(bool muted);
  void showPolarity(int channel, bool inverted);

 private:
  ModbusLink& link_;
  Controls c_;
};

}  // namespace eqset
