#include "measure/roomaverage.h"

#include <cmath>
#include <stdexcept>

namespace eqset {

BandLevels powerAverage(std::span<const BandLevels> curves) {
  if (curves.empty()) throw std::invalid_argument("power average of no curves");
  BandLevels power{};
  for (const BandLevels& curve : curves) {
    for (int b = 0; b < kBands; ++b)
      power[b] += std::pow(10.0, curve[b] / 10.0);
  }
  BandLevels average{};
  for (int b = 0; b < kBands; ++b)
    average[b] = 10.0 * std::log10(power[b] / static_cast<double>(curves.size()));
  return average;
}

BandLevels predictedAverage(const BandLevels& firstAverage, const BandLevels& firstCurveHere,
                            const BandLevels& curveNowHere) {
  BandLevels predicted{};
  for (int b = 0; b < kBands; ++b)
    predicted[b] = firstAverage[b] + (curveNowHere[b] - firstCurveHere[b]);
  return predicted;
}

}  // namespace eqset
