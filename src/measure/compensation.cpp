#include "measure/compensation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "params/numbers.h"

namespace eqset {

namespace {

constexpr int kAverageFirstSlot = 10;  // 160 Hz
constexpr int kAverageLastSlot = 20;   // 1.6 kHz
constexpr int kSubwooferSlots = kSubwooferBands;
constexpr int kMaxBoostDb = 15;
constexpr int kMaxEdgeBoostDb = 10;
constexpr int kMaxCutDb = -15;

// Offsets from the average, bands 0..30.
constexpr std::array<int, kBands> kIso2969 = {-11, -9, -7, -5, -3, -2, -1, 0,   0,  0, 0,
                                              0,   0,  0,  0,  0,  0,  0,  0,   0,  0, -1,
                                              -2,  -3, -4, -5, -6, -7, -9, -11, -13};
constexpr std::array<int, kBands> kCustom = {0, 0, 0, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 5, 0};

bool edgeBand(int band) {
  return band <= 2 || band >= 29;
}

}  // namespace

std::optional<TargetType> targetTypeFromText(const QString& text) {
  if (text == QStringLiteral("ISO2969")) return TargetType::Iso2969;
  if (text == QStringLiteral("平直")) return TargetType::Flat;
  if (text == QStringLiteral("自定义")) return TargetType::Custom;
  return std::nullopt;
}

float averageLevel(const CurveRow& measured, bool subwoofer) {
  const int first = subwoofer ? 1 : kAverageFirstSlot;
  const int last = subwoofer ? kSubwooferSlots : kAverageLastSlot;
  float sum = 0;
  for (int s = first; s <= last; ++s)
    sum += measured[static_cast<std::size_t>(s)];
  return sum / 11;
}

CurveRow targetRow(TargetType type, float average, bool subwoofer) {
  CurveRow row{};
  for (int b = 0; b < kBands; ++b) {
    float value = average;
    if (subwoofer) {
      value = b < kSubwooferBands ? average : 0;
    } else if (type == TargetType::Iso2969) {
      value = average + static_cast<float>(kIso2969[static_cast<std::size_t>(b)]);
    } else if (type == TargetType::Custom) {
      value = average + static_cast<float>(kCustom[static_cast<std::size_t>(b)]);
    }
    row[static_cast<std::size_t>(bandSlot(b))] = value;
  }
  return row;
}

int relativeCompensation(float target, float measured) {
  const float d = target - measured;
  const double r = std::nearbyint(static_cast<double>(d));  // halves to even
  return (r >= kMaxCutDb && r <= kMaxBoostDb) ? static_cast<int>(r) : 0;
}

int absoluteCompensation(float present, double relative, int passCount, int band) {
  const double p = present;
  const double sum =
      passCount == 0 ? p + relative : p + static_cast<double>(roundHalfEven(relative));
  const auto c = roundHalfEven(sum);
  const long long upper = edgeBand(band) ? kMaxEdgeBoostDb : kMaxBoostDb;
  return static_cast<int>(std::clamp<long long>(c, kMaxCutDb, upper));
}

Deviation deviationFromTarget(const CurveRow& measured, TargetType type, bool subwoofer) {
  const CurveRow target = targetRow(type, averageLevel(measured, subwoofer), subwoofer);
  const int bands = subwoofer ? kSubwooferBands : kBands;
  Deviation d;
  double sumSquares = 0;
  for (int b = 0; b < bands; ++b) {
    const auto slot = static_cast<std::size_t>(bandSlot(b));
    const double diff = static_cast<double>(measured[slot]) - target[slot];
    d.largest = std::max(d.largest, std::abs(diff));
    sumSquares += diff * diff;
  }
  d.rms = std::sqrt(sumSquares / bands);
  return d;
}

}  // namespace eqset
