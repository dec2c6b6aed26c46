#pragma once

#include <array>
#include <cstdint>

#include "sim/room.h"

namespace sim {

constexpr int kSeatCount = 24;
// The seat the microphone has always stood on: what Room describes.
constexpr int kReferenceSeat = 0;
// Places the technician sets the microphone up on, numbered 1..8 as on the
// tuning sheet; position 1 is the reference seat.
constexpr int kMicPositionCount = 8;
// Below this the room's standing waves make each seat its own.
constexpr double kStandingWaveLimitHz = 300.0;

// The audience: 24 seats in four rows of six. Each seat hears each channel as
// the reference seat does plus its own deviation in dB, fixed by the seed, the
// seat and the channel. Over the seats, below 300 Hz the standing waves give a
// spread of about 3 dB that drifts smoothly from band to band; above, the
// reflections give about 1 dB, band by band. The reference seat is one seat
// among them, not their average: a room tuned at it alone is tuned for it.
class Audience {
 public:
  // Spread (standard deviation over seats) of the deviations.
  static constexpr double kLowSpreadDb = 3.0;
  static constexpr double kHighSpreadDb = 1.0;

  explicit Audience(std::uint32_t seed);

  // Seat 0..23, channel 0..5, band 0..30; 0 at the reference seat. Throws
  // std::out_of_range otherwise.
  double deviationDb(int seat, int channel, int band) const;

  // The seat microphone position 1..8 stands on: 1 the reference seat, 2..8
  // spread over the rows and both sides. Throws std::out_of_range otherwise.
  static int seatOfMicPosition(int position);

 private:
  std::array<std::array<std::array<double, kBandCount>, kChannelCount>, kSeatCount> db_{};
};

}  // namespace sim
