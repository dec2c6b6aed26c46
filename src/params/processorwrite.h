#pragma once

#include <QString>
#include <functional>

#include "link/modbuslink.h"

namespace eqset {

// Sends the window's state to the processor. The values come from the
// controls at the moment of writing (sliders and state texts), never from the
// register image; the window says where to find them.
class ProcessorWrite {
 public:
  struct Sources {
    std::function<int()> bankOffset;
    std::function<int(int bandIndex)> bandPosition;  // Slider1(31c + b)
    std::function<int(int channel)> levelPosition;   // Slider3(k)
    std::function<int()> volumePosition;             // Slider2
    std::function<QString(int channel)> polarityText;
    std::function<QString()> auxText;
    std::function<void()> writeDelays;  // the delay calculator's own write
    // After a channel's equalizer went out from its sliders: the page now is
    // what the processor was sent.
    std::function<void(int channel)> channelWritten;
  };
  static constexpr int kChannelEqWaitMs = 200;
  static constexpr int kAfterChannelEqMs = 50;
  static constexpr int kAfterLevelsMs = 70;
  static constexpr int kAfterSettingMs = 10;

  ProcessorWrite(ModbusLink& link, Sources sources);

  // The 31 bands of one channel in the current bank, one function-16 frame.
  void WriteChannelEq(int channel);
  // "数据写入DSP": equalizers, levels, volume, polarities, the auxiliary
  // permission and the delays. Input, mode, mute, limiter and test signals
  // stay as their own controls left them.
  void WriteAll();

 private:
  ModbusLink& link_;
  Sources s_;
};

}  // namespace eqset
