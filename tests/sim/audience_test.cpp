#include "sim/audience.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "sim/processormodel.h"
#include "testframes.h"

namespace {

constexpr int kStandingWaveBands = 12;  // 20 .. 250 Hz

bool isScreenChannel(int channel) {
  return channel != sim::kSubwooferChannel;
}

// What position k hears of a screen channel beyond what the reference seat
// hears, through the model as the processor's microphone would.
double heardDeviation(sim::ProcessorModel& model, int position, int channel, int band) {
  model.setMicPosition(1);
  const double reference = model.heardBandDb(channel, band);
  model.setMicPosition(position);
  return model.heardBandDb(channel, band) - reference;
}

TEST(Audience, PositionOneIsTheReferenceSeatAndHearsTodaysRoom) {
  for (std::uint32_t seed : {1U, 2U, 42U}) {
    sim::ProcessorModel model({.seed = seed});
    const sim::Room room(seed);
    ASSERT_EQ(model.micPosition(), 1);
    model.setMicPosition(6);
    for (int refused : {0, 9}) {
      EXPECT_THROW(model.setMicPosition(refused), std::out_of_range) << refused;
      EXPECT_EQ(model.micPosition(), 6);
    }
    model.setMicPosition(1);
    for (int c = 0; c < sim::kChannelCount; ++c) {
      const auto seat = model.seatResponse(c, sim::kReferenceSeat);
      for (int b = 0; b < sim::kBandCount; ++b) {
        const double expected =
            10 * std::log10(std::pow(10, room.bandDb(c, b) / 10) + std::pow(10, 2.5));
        EXPECT_DOUBLE_EQ(model.heardBandDb(c, b), expected) << seed << " " << c << " " << b;
        EXPECT_DOUBLE_EQ(seat[b], expected);
      }
    }
  }
}

TEST(Audience, SeatsSpreadMoreUnder300HzAndDriftSmoothly) {
  for (std::uint32_t seed : {1U, 2U, 3U, 42U}) {
    sim::ProcessorModel model({.seed = seed});
    // The spread over the seats, band by band, and how far the reference
    // seat lies from the audience's mean: it is one seat, not the mean.
    double lowSquares = 0, highSquares = 0, referenceSquares = 0;
    int lowCount = 0, highCount = 0;
    for (int c = 0; c < sim::kChannelCount; ++c) {
      if (!isScreenChannel(c)) continue;
      std::array<std::array<double, sim::kBandCount>, sim::kSeatCount> seats{};
      for (int s = 0; s < sim::kSeatCount; ++s)
        seats[s] = model.seatResponse(c, s);
      for (int b = 0; b < sim::kBandCount; ++b) {
        double mean = 0;
        for (const auto& seat : seats)
          mean += seat[b] / sim::kSeatCount;
        double squares = 0;
        for (const auto& seat : seats)
          squares += (seat[b] - mean) * (seat[b] - mean);
        (b < kStandingWaveBands ? lowSquares : highSquares) += squares / (sim::kSeatCount - 1);
        ++(b < kStandingWaveBands ? lowCount : highCount);
        if (b < kStandingWaveBands) referenceSquares += std::pow(seats[0][b] - mean, 2);
      }
    }
    const double low = std::sqrt(lowSquares / lowCount);
    const double high = std::sqrt(highSquares / highCount);
    EXPECT_GT(low, 2.2) << seed;
    EXPECT_LT(low, 3.8) << seed;
    EXPECT_GT(high, 0.75) << seed;
    EXPECT_LT(high, 1.25) << seed;
    EXPECT_GT(std::sqrt(referenceSquares / lowCount), 1.0) << seed;
    // A position other than the reference seat hears its own room.
    EXPECT_GT(std::abs(heardDeviation(model, 3, 0, 4)) + std::abs(heardDeviation(model, 3, 0, 6)),
              0.1)
        << seed;

    // Standing waves drift from band to band: independent draws would step by
    // sqrt(2) times their spread on average. A seat's pattern is its
    // deviation from the seats' mean.
    double stepSquares = 0, largestStep = 0;
    int steps = 0;
    for (int c = 0; c < sim::kChannelCount; ++c) {
      std::array<std::array<double, sim::kBandCount>, sim::kSeatCount> seats{};
      std::array<double, sim::kBandCount> mean{};
      for (int s = 0; s < sim::kSeatCount; ++s) {
        seats[s] = model.seatResponse(c, s);
        for (int b = 0; b < sim::kBandCount; ++b)
          mean[b] += seats[s][b] / sim::kSeatCount;
      }
      for (const auto& seat : seats) {
        for (int b = 1; b < kStandingWaveBands; ++b) {
          const double step = (seat[b] - mean[b]) - (seat[b - 1] - mean[b - 1]);
          stepSquares += step * step;
          largestStep = std::max(largestStep, std::abs(step));
          ++steps;
        }
      }
    }
    EXPECT_LT(std::sqrt(stepSquares / steps), 0.7 * low) << seed;
    EXPECT_LT(largestStep, 5.6) << seed;
  }
}

// The curve block is checked on the executable; here the running level, with
// a tone where the seat and the reference seat differ most.
TEST(Audience, TheRunningLevelIsWhatTheMicrophonesSeatHears) {
  sim::ProcessorModel model({.seed = 3});
  const auto seat = model.seatResponse(1, sim::Audience::seatOfMicPosition(5));
  const auto reference = model.seatResponse(1, sim::kReferenceSeat);
  int band = 0;
  for (int b = 0; b < sim::kBandCount; ++b)
    if (std::abs(seat[b] - reference[b]) > std::abs(seat[band] - reference[band])) band = b;
  ASSERT_GT(std::abs(seat[band] - reference[band]), 2.0);
  model.setMicPosition(5);
  model.handleFrame(simtest::writeSingle(260, 1), 0);
  model.handleFrame(simtest::writeSingle(903, band), 0);
  EXPECT_NEAR(simtest::readLevelDb(model, 0), seat[band], simtest::kReadingToleranceDb);
}

// The audience average moves exactly as the equalizer moves every seat: band
// gains with their spill into the neighbours, the channel level in every band.
TEST(Audience, TheAverageMovesByTheEqualizersChange) {
  const struct {
    int address, value;
    std::vector<std::pair<int, double>> shifts;  // band, dB; others 0
    double everyBandDb;
  } cases[] = {
      {31 * 2 + 5, 21, {{4, 1.5}, {5, 6.0}, {6, 1.5}}, 0.0},  // centre 63 Hz +6
      {31 * 2 + 20, 9, {{19, -1.5}, {20, -6.0}, {21, -1.5}}, 0.0},
      {250 + 2, 25, {}, 3.0},  // centre level +3 dB
  };
  for (const auto& c : cases) {
    sim::ProcessorModel model({.seed = 1});
    const auto before = model.audienceAverage(2);
    model.writeRegister(c.address, static_cast<std::uint16_t>(c.value), 0);
    const auto after = model.audienceAverage(2);
    for (int b = 0; b < sim::kBandCount; ++b) {
      double expected = c.everyBandDb;
      for (const auto& [band, db] : c.shifts)
        if (band == b) expected += db;
      EXPECT_NEAR(after[b] - before[b], expected, 0.01) << c.address << " band " << b;
    }
  }
  // A power average of seats that differ lies above the mean of their dB.
  const sim::ProcessorModel model({.seed = 1});
  double meanDb = 0;
  for (int s = 0; s < sim::kSeatCount; ++s)
    meanDb += model.seatResponse(2, s)[3] / sim::kSeatCount;
  EXPECT_GT(model.audienceAverage(2)[3], meanDb + 0.1);
}

}  // namespace
