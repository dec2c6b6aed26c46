#include "sim/audience.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "sim/seededrandom.h"

namespace sim {

namespace {

constexpr std::uint64_t kSeatStream = 0x5345415453ULL;

// Seats count in rows of six from the screen back; the positions after the
// reference seat cover every row and both sides.
constexpr std::array<int, kMicPositionCount> kMicSeats = {kReferenceSeat, 4, 8, 11, 13, 17, 19, 22};

// A few slow waves over the band index, with random periods and phases: the
// seat's place in the standing-wave pattern of the room. Each wave contributes
// half its squared amplitude, so the sum has the spread asked for, and its
// band-to-band steps stay below 2*pi*kMaxCycles times the summed amplitudes.
constexpr int kWaves = 3;
constexpr double kMinCyclesPerBand = 0.05;
constexpr double kMaxCyclesPerBand = 0.12;

std::array<double, kBandCount> seatDeviation(SeededRandom& random) {
  std::array<double, kBandCount> db{};
  const double amplitude = Audience::kLowSpreadDb * std::sqrt(2.0 / kWaves);
  for (int w = 0; w < kWaves; ++w) {
    const double cycles = random.between(kMinCyclesPerBand, kMaxCyclesPerBand);
    const double phase = random.between(0.0, 2.0 * std::numbers::pi);
    for (int b = 0; b < kBandCount && bandCentreHz(b) < kStandingWaveLimitHz; ++b) {
      db[b] += amplitude * std::cos(2.0 * std::numbers::pi * cycles * b + phase);
    }
  }
  // Uniform in +-sqrt(3) sigma has the standard deviation sigma.
  const double ripple = Audience::kHighSpreadDb * std::sqrt(3.0);
  for (int b = 0; b < kBandCount; ++b) {
    if (bandCentreHz(b) >= kStandingWaveLimitHz) db[b] = random.between(-ripple, ripple);
  }
  return db;
}

}  // namespace

Audience::Audience(std::uint32_t seed) {
  // Every seat, the reference seat too, has its own place in the room's
  // pattern; the reference seat is one seat of the audience, not its average.
  // Stored relative to the reference seat, which hears the room as Room says.
  for (int s = 0; s < kSeatCount; ++s) {
    for (int c = 0; c < kChannelCount; ++c) {
      SeededRandom random(mixKeys(seed, kSeatStream, static_cast<std::uint64_t>(s * 8 + c)));
      db_[s][c] = seatDeviation(random);
    }
  }
  for (int s = 0; s < kSeatCount; ++s) {
    if (s == kReferenceSeat) continue;
    for (int c = 0; c < kChannelCount; ++c) {
      for (int b = 0; b < kBandCount; ++b)
        db_[s][c][b] -= db_[kReferenceSeat][c][b];
    }
  }
  db_[kReferenceSeat] = {};
}

double Audience::deviationDb(int seat, int channel, int band) const {
  if (seat < 0 || seat >= kSeatCount || channel < 0 || channel >= kChannelCount || band < 0 ||
      band >= kBandCount) {
    throw std::out_of_range("seat, channel or band");
  }
  return db_[seat][channel][band];
}

int Audience::seatOfMicPosition(int position) {
  if (position < 1 || position > kMicPositionCount) throw std::out_of_range("microphone position");
  return kMicSeats[position - 1];
}

}  // namespace sim
