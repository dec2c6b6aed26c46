#pragma once

#include <array>
#include <cstdint>

namespace sim {

constexpr int kChannelCount = 6;
constexpr int kBandCount = 31;
constexpr int kSubwooferChannel = 3;
// The subwoofer's test signal is low-passed at 200 Hz: band 10 is its last one.
constexpr int kSubwooferTopBand = 10;

// Centre of third-octave band 0..30, 20 Hz .. 20 kHz.
double bandCentreHz(int band);

// The auditorium as the measurement microphone hears each channel's
// loudspeaker: third-octave levels in dB SPL with a flat equalizer, channel
// level 0 dB and master volume 0 dB. Each channel gets its own seeded
// response: screen speakers roll off below ~40 Hz and above a few kHz, the
// room adds a couple of low-frequency modes and some ripple; the subwoofer is
// band-limited to 200 Hz.
class Room {
 public:
  // Level of a midrange band (around 1 kHz) before a channel's own offset:
  // a room calibrated to 85 dBC gives about 70 dB a third-octave band.
  static constexpr double kReferenceDb = 70.0;

  explicit Room(std::uint32_t seed);

  // channel 0..5, band 0..30; throws std::out_of_range otherwise.
  double bandDb(int channel, int band) const;

 private:
  std::array<std::array<double, kBandCount>, kChannelCount> db_{};
};

}  // namespace sim
