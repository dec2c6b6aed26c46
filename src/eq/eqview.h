#pragma once

#include <array>

#include "params/registermap.h"

class QLineEdit;
class QSlider;

namespace eqset {

// Puts equalizer values the processor holds (read back, or written by the
// tool itself) into the band sliders and value boxes, program-set so that
// nothing is sent. The window is the state the full write sends: a value that
// reached the processor any other way than through a slider must land here,
// or the next "数据写入DSP" writes the old positions back.
class EqPageView {
 public:
  EqPageView(const std::array<QSlider*, kBandIndexes>& sliders,
             const std::array<QLineEdit*, kBandIndexes>& boxes);

  // Band index i = 31c + b holds register value r (gain + 15).
  void showRegister(int bandIndex, int r);
  // The 31 register values of one channel.
  void showChannel(int channel, const std::array<int, kBands>& registers);
  // The register values the sliders of a channel stand for now.
  std::array<int, kBands> channelRegisters(int channel) const;

 private:
  std::array<QSlider*, kBandIndexes> sliders_;
  std::array<QLineEdit*, kBandIndexes> boxes_;
};

// Which channel pages show what the processor holds, per bank: read from the
// processor, written by the tool, or loaded from a settings file since start.
// A full write of pages nobody has synchronised would overwrite a tuned
// processor with the window's start values.
class EqKnown {
 public:
  void mark(int channel, int bankOffset) {
    if (channel >= 0 && channel < kChannels)
      knownAt_[static_cast<std::size_t>(channel)] = bankOffset;
  }
  void markAll(int bankOffset) { knownAt_.fill(bankOffset); }
  // The page no longer shows what any bank holds.
  void forget(int channel) {
    if (channel >= 0 && channel < kChannels) knownAt_[static_cast<std::size_t>(channel)] = kNever;
  }
  void forgetAll() { knownAt_.fill(kNever); }
  bool known(int channel, int bankOffset) const {
    return channel >= 0 && channel < kChannels &&
           knownAt_[static_cast<std::size_t>(channel)] == bankOffset;
  }
  bool all(int bankOffset) const {
    for (int at : knownAt_)
      if (at != bankOffset) return false;
    return true;
  }

 private:
  static constexpr int kNever = -1;
  std::array<int, kChannels> knownAt_{kNever, kNever, kNever, kNever, kNever, kNever};
};

}  // namespace eqset
