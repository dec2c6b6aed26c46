// Curve files (*.draw) of any bytes and length: a load, then a save of what
// was loaded over the same file.

#include <QByteArray>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "files/fileformats.h"
#include "fuzzcheck.h"

using namespace eqset;

namespace {

constexpr int kFileAreas = 6;

// Values no load produces (negative, fractional), in every slot of every area.
CurveStore untouchedCurves() {
  CurveStore curves;
  for (int a = 0; a < kCurveAreas; ++a) {
    for (int s = 0; s < kBandSlots; ++s)
      curves.areas[static_cast<std::size_t>(a)][static_cast<std::size_t>(s)] =
          -0.25f - static_cast<float>(a * kBandSlots + s);
  }
  return curves;
}

float cell(const CurveStore& curves, int area, int slot) {
  return curves.areas[static_cast<std::size_t>(area)][static_cast<std::size_t>(slot)];
}

bool inFile(int area, int slot) {
  return area < kFileAreas && slot >= 1 && slot <= kBands;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray file(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const CurveStore before = untouchedCurves();
  CurveStore curves = before;
  if (const auto refusal = curvefile::load(file, curves)) {
    FUZZ_CHECK(file.size() < curvefile::kValuesBytes);
    FUZZ_CHECK(!refusal->message.isEmpty());
    FUZZ_CHECK(curves.areas == before.areas);
    return 0;
  }
  FUZZ_CHECK(file.size() >= curvefile::kValuesBytes);
  for (int a = 0; a < kCurveAreas; ++a) {
    for (int s = 0; s < kBandSlots; ++s) {
      const float v = cell(curves, a, s);
      if (inFile(a, s)) {
        // Whole dB a save can store (0..327.67 dB).
        FUZZ_CHECK(v >= 0 && v <= 327 && std::floor(v) == v);
      } else {
        FUZZ_CHECK(v == cell(before, a, s));
      }
    }
  }

  const auto saved = curvefile::save(file, curves);
  FUZZ_CHECK(std::holds_alternative<QByteArray>(saved));
  const QByteArray& bytes = std::get<QByteArray>(saved);
  FUZZ_CHECK(bytes.size() == std::max<qsizetype>(file.size(), curvefile::kFileBytes));
  FUZZ_CHECK(bytes.mid(curvefile::kValuesBytes, 3) == QByteArray(3, '\0'));
  FUZZ_CHECK(bytes.mid(curvefile::kFileBytes) == file.mid(curvefile::kFileBytes));

  // What was saved loads back as the same whole decibels.
  CurveStore again = untouchedCurves();
  FUZZ_CHECK(!curvefile::load(bytes, again));
  FUZZ_CHECK(again.areas == curves.areas);
  return 0;
}
