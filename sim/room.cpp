#include "sim/room.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "sim/seededrandom.h"

namespace sim {

namespace {

constexpr std::array<double, kBandCount> kCentresHz = {
    20,  25,   31.5, 40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr std::uint64_t kRoomStream = 0x524F4F4DULL;

// A room mode: a resonance (or a cancellation, when negative) a fraction of an
// octave wide.
double modeDb(double hz, double centreHz, double peakDb, double widthOctaves) {
  const double octaves = std::log2(hz / centreHz) / widthOctaves;
  return peakDb * std::exp(-0.5 * octaves * octaves);
}

// Butterworth-like slopes, in dB: order 2 is 12 dB per octave.
double highPassDb(double hz, double cornerHz, int order) {
  return -10.0 * std::log10(1.0 + std::pow(cornerHz / hz, 2 * order));
}
double lowPassDb(double hz, double cornerHz, int order) {
  return -10.0 * std::log10(1.0 + std::pow(hz / cornerHz, 2 * order));
}

double signedBetween(SeededRandom& random, double low, double high) {
  const double magnitude = random.between(low, high);
  return random.unit() < 0.5 ? -magnitude : magnitude;
}

std::array<double, kBandCount> screenSpeaker(SeededRandom& random) {
  const double offsetDb = random.between(-1.5, 1.5);
  const double lowCornerHz = random.between(35.0, 55.0);
  // Screen loss and air absorption: a gentle slope above a corner of 4..8 kHz.
  const double highCornerHz = random.between(4000.0, 8000.0);
  const double highSlopeDbPerOctave = random.between(4.0, 6.0);
  const double mode1Hz = random.between(45.0, 110.0);
  const double mode1Db = signedBetween(random, 3.0, 6.0);
  const double mode2Hz = random.between(110.0, 250.0);
  const double mode2Db = signedBetween(random, 3.0, 6.0);
  const double modeWidth = random.between(0.2, 0.35);

  std::array<double, kBandCount> db{};
  for (int b = 0; b < kBandCount; ++b) {
    const double hz = kCentresHz[b];
    db[b] = Room::kReferenceDb + offsetDb + highPassDb(hz, lowCornerHz, 2) +
            modeDb(hz, mode1Hz, mode1Db, modeWidth) + modeDb(hz, mode2Hz, mode2Db, modeWidth) -
            highSlopeDbPerOctave * std::max(0.0, std::log2(hz / highCornerHz)) +
            random.between(-0.6, 0.6);
  }
  return db;
}

std::array<double, kBandCount> subwoofer(SeededRandom& random) {
  const double offsetDb = random.between(-1.0, 2.0);
  const double lowCornerHz = random.between(16.0, 22.0);
  // The processor's 200 Hz crossover, 24 dB per octave, placed so that band 10
  // is still inside the pass band.
  const double crossoverHz = random.between(215.0, 235.0);
  const double mode1Hz = random.between(28.0, 60.0);
  const double mode1Db = signedBetween(random, 3.0, 6.0);
  const double mode2Hz = random.between(60.0, 140.0);
  const double mode2Db = signedBetween(random, 3.0, 6.0);
  const double modeWidth = random.between(0.2, 0.35);

  std::array<double, kBandCount> db{};
  for (int b = 0; b < kBandCount; ++b) {
    const double hz = kCentresHz[b];
    db[b] = Room::kReferenceDb + offsetDb + highPassDb(hz, lowCornerHz, 2) +
            lowPassDb(hz, crossoverHz, 4) + modeDb(hz, mode1Hz, mode1Db, modeWidth) +
            modeDb(hz, mode2Hz, mode2Db, modeWidth) + random.between(-0.4, 0.4);
  }
  return db;
}

}  // namespace

double bandCentreHz(int band) {
  if (band < 0 || band >= kBandCount) throw std::out_of_range("band");
  return kCentresHz[band];
}

Room::Room(std::uint32_t seed) {
  for (int c = 0; c < kChannelCount; ++c) {
    SeededRandom random(mixKeys(seed, kRoomStream, static_cast<std::uint64_t>(c)));
    db_[c] = c == kSubwooferChannel ? subwoofer(random) : screenSpeaker(random);
  }
}

double Room::bandDb(int channel, int band) const {
  if (channel < 0 || channel >= kChannelCount || band < 0 || band >= kBandCount) {
    throw std::out_of_range("channel or band");
  }
  return db_[channel][band];
}

}  // namespace sim
