#include "sim/levelcode.h"

#include <cmath>

namespace sim {

namespace {
constexpr double kReferenceLinear = 0.75;
constexpr double kReferenceDb = 88.0;
constexpr double kLinearScale = 524288.0;  // 2^19
}  // namespace

std::uint32_t rawLevelFromDb(double db) {
  const double linear = kReferenceLinear * std::pow(10.0, (db - kReferenceDb) / 20.0);
  const double raw = std::round(linear * kLinearScale * 4.0 / 5.0);
  if (!(raw > 0.0)) return 0;
  if (raw >= static_cast<double>(kRawLevelMax)) return kRawLevelMax;
  return static_cast<std::uint32_t>(raw);
}

}  // namespace sim
