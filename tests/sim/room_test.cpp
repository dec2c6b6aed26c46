#include "sim/room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "sim/processormodel.h"
#include "testframes.h"

namespace {

double mean(const std::vector<double>& db, int first, int last) {
  return std::accumulate(db.begin() + first, db.begin() + last + 1, 0.0) / (last - first + 1);
}

std::vector<double> roomCurve(const sim::Room& room, int channel) {
  std::vector<double> db;
  for (int b = 0; b < sim::kBandCount; ++b)
    db.push_back(room.bandDb(channel, b));
  return db;
}

TEST(Room, EveryChannelSoundsLikeACinemaLoudspeaker) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const sim::Room room(seed);
    for (int c = 0; c < sim::kChannelCount; ++c) {
      const auto db = roomCurve(room, c);
      const std::string label = "seed " + std::to_string(seed) + " channel " + std::to_string(c);
      if (c == sim::kSubwooferChannel) {
        const double passBand = mean(db, 3, 9);
        EXPECT_NEAR(passBand, sim::Room::kReferenceDb, 4.0) << label;
        EXPECT_GT(db[10], passBand - 6.0) << label << ": 200 Hz still belongs to the subwoofer";
        EXPECT_LT(db[13], passBand - 12.0) << label << ": 400 Hz is filtered away";
        EXPECT_LT(db[20], passBand - 45.0) << label;
      } else {
        const double mid = mean(db, 15, 19);
        EXPECT_NEAR(mid, sim::Room::kReferenceDb, 2.5) << label;
        EXPECT_LT(db[30], mid - 3.0) << label << ": 20 kHz rolls off";
        EXPECT_LT(db[29], mid - 1.0) << label << ": 16 kHz rolls off";
        double largestMode = 0;
        for (int b = 5; b <= 12; ++b)
          largestMode = std::max(largestMode, std::abs(db[b] - mid));
        EXPECT_GT(largestMode, 2.0) << label << ": the room has low-frequency modes";
      }
    }
    EXPECT_GT(std::abs(room.bandDb(0, 8) - room.bandDb(1, 8)) +
                  std::abs(room.bandDb(0, 12) - room.bandDb(1, 12)),
              0.5)
        << "seed " << seed << ": left and right are different loudspeakers";
  }
}

// The program's automatic equalization, cut down to its arithmetic: sweep,
// compensate against a flat target at the average of 160 Hz .. 1.6 kHz (the
// subwoofer: 20 .. 200 Hz), write the channel's 31 gains with function 16,
// twice, then a last sweep.
class AutoEqualization {
 public:
  AutoEqualization(std::uint32_t seed, int channel)
      : model_({.seed = seed, .sweepMs = 1000}), channel_(channel) {
    model_.handleFrame(simtest::writeSingle(905, channel), now_);
  }

  std::vector<double> sweep() {
    model_.handleFrame(simtest::writeSingle(901, 1), now_);
    now_ += 1000;
    const auto curve = simtest::readCurve(model_, now_);
    EXPECT_EQ(curve.status, 1);
    return curve.db;
  }

  void compensate(const std::vector<double>& measured) {
    const bool sub = channel_ == sim::kSubwooferChannel;
    const double average = sub ? mean(measured, 0, 10) : mean(measured, 9, 19);
    std::vector<int> gains;
    for (int b = 0; b < sim::kBandCount; ++b) {
      const int present = model_.bankCell(0, 31 * channel_ + b) - 15;
      int relative = static_cast<int>(std::nearbyint(average - measured[b]));
      if (std::abs(relative) > 15 || (sub && b > 10)) relative = 0;
      const int upper = (b <= 2 || b >= 29) ? 10 : 15;
      gains.push_back(std::clamp(present + relative, -15, upper) + 15);
    }
    auto frame = simtest::Bytes{1, 16, 0, std::uint8_t(31 * channel_), 0, 31, 62};
    for (int r : gains)
      frame.insert(frame.end(), {0, std::uint8_t(r)});
    ASSERT_EQ(model_.handleFrame(simtest::withCrc(frame), now_).size(), 8U);
  }

  double deviationFromFlat(const std::vector<double>& measured) const {
    const bool sub = channel_ == sim::kSubwooferChannel;
    const int first = sub ? 0 : 3, last = sub ? 10 : 28;
    const double average = sub ? mean(measured, 0, 10) : mean(measured, 9, 19);
    double sum = 0;
    for (int b = first; b <= last; ++b)
      sum += std::pow(measured[b] - average, 2);
    return std::sqrt(sum / (last - first + 1));
  }

 private:
  sim::ProcessorModel model_;
  int channel_;
  std::int64_t now_ = 0;
};

TEST(Room, CompensatingTheMeasuredCurveBringsItTowardsTheTarget) {
  for (std::uint32_t seed : {1U, 2U, 3U, 42U}) {
    for (int channel = 0; channel < sim::kChannelCount; ++channel) {
      AutoEqualization run(seed, channel);
      const auto first = run.sweep();
      run.compensate(first);
      const auto second = run.sweep();
      run.compensate(second);
      const auto last = run.sweep();
      const std::string label =
          "seed " + std::to_string(seed) + " channel " + std::to_string(channel);
      EXPECT_GT(run.deviationFromFlat(first), 1.2) << label << ": the room needs equalizing";
      EXPECT_LT(run.deviationFromFlat(second), run.deviationFromFlat(first)) << label;
      EXPECT_LT(run.deviationFromFlat(last), 0.5 * run.deviationFromFlat(first)) << label;
      EXPECT_LT(run.deviationFromFlat(last), 1.3) << label;
    }
  }
}

}  // namespace
