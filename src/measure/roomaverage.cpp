#include "measure/roomaverage.h"

#include <cmath>
#include <map>
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

BandLevels bandLevels(const CurveRow& row) {
  BandLevels levels{};
  for (int b = 0; b < kBands; ++b)
    levels[static_cast<std::size_t>(b)] = row[static_cast<std::size_t>(bandSlot(b))];
  return levels;
}

CurveRow curveRow(const BandLevels& levels) {
  CurveRow row{};
  for (int b = 0; b < kBands; ++b)
    row[static_cast<std::size_t>(bandSlot(b))] =
        static_cast<float>(levels[static_cast<std::size_t>(b)]);
  return row;
}

std::vector<CurveRow> firstSweepCurves(const RoomRun& run, int channel) {
  std::map<int, CurveRow> firstAt;
  for (const RoomSweep& s : run.sweeps) {
    if (s.channel == channel && s.kind == RoomSweep::Kind::First) firstAt[s.position] = s.curve;
  }
  std::vector<CurveRow> curves;
  for (const auto& entry : firstAt)
    curves.push_back(entry.second);
  return curves;
}

std::optional<BandLevels> firstSweepAverage(const RoomRun& run, int channel) {
  std::vector<BandLevels> levels;
  for (const CurveRow& row : firstSweepCurves(run, channel))
    levels.push_back(bandLevels(row));
  if (levels.empty()) return std::nullopt;
  return powerAverage(levels);
}

}  // namespace eqset
