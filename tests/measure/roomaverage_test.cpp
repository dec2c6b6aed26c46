#include "measure/roomaverage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace eqset {
namespace {

BandLevels filled(double db) {
  BandLevels levels{};
  levels.fill(db);
  return levels;
}

// Each case puts its positions' levels into one band; the others stay equal.
TEST(RoomAverage, PowerAverageOfPositions) {
  const struct {
    std::vector<double> positions;
    double average;
  } cases[] = {
      {{80.0}, 80.0},
      {{80.0, 70.0}, 77.403627},              // 10 log10((10^8 + 10^7) / 2)
      {{90.0, 80.0, 80.0, 80.0}, 85.118834},  // one loud seat lifts the average by 5 dB
      {{83.0, 77.0}, 80.962928},              // +-3 dB around 80 averages above 80
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const int band = static_cast<int>(3 * i);
    std::vector<BandLevels> these(cases[i].positions.size(), filled(60.0));
    for (std::size_t p = 0; p < these.size(); ++p)
      these[p][band] = cases[i].positions[p];
    const BandLevels average = powerAverage(these);
    EXPECT_NEAR(average[band], cases[i].average, 1e-5) << "case " << i;
    EXPECT_NEAR(average[band + 1], 60.0, 1e-9) << "case " << i << ": bands stay apart";
  }
  EXPECT_THROW(powerAverage({}), std::invalid_argument);
}

TEST(RoomAverage, PredictionAddsThePositionsChangeToTheFirstAverage) {
  // When the equalizer moves every position alike, the prediction from any one
  // position is the average measured again.
  std::vector<BandLevels> first = {filled(80.0), filled(74.0), filled(83.0)};
  first[1][5] = 88.0;
  first[2][30] = 61.0;
  BandLevels change{};
  for (int b = 0; b < kBands; ++b)
    change[b] = (b % 7) - 3.5;
  std::vector<BandLevels> now = first;
  for (auto& curve : now)
    for (int b = 0; b < kBands; ++b)
      curve[b] += change[b];
  const BandLevels average = powerAverage(first), remeasured = powerAverage(now);
  for (std::size_t p = 0; p < first.size(); ++p) {
    const BandLevels fromHere = predictedAverage(average, first[p], now[p]);
    for (int b = 0; b < kBands; ++b)
      EXPECT_NEAR(fromHere[b], remeasured[b], 1e-9) << "position " << p << " band " << b;
  }
}

}  // namespace
}  // namespace eqset
