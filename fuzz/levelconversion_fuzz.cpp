// Levels off the line and microphone zeros from the box: whatever raw word the
// processor reports and whatever number the zero holds (NaN and infinities
// included), the conversion ends, refuses exactly what is no number, and a
// readout is a plain decimal text.
//
// Input: the raw word (4 bytes, little-endian), the microphone zero (8 bytes,
// an IEEE double as it lies in memory), and a second double: with the zero,
// a level made directly from two numbers. Missing bytes read as zero.

#include <QRegularExpression>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fuzzcheck.h"
#include "measure/levelconversion.h"

using namespace eqset;

namespace {

constexpr int kInputBytes = 20;

// The readout as it must look: the level with at least two digits before the
// point and one after, "dB", the linear value with three decimals, a space.
bool plainReadout(const QString& readout, bool linearMaySign) {
  static const QRegularExpression shape(QStringLiteral("^-?\\d{2,}\\.\\ddB-?\\d+\\.\\d{3} $"));
  if (!shape.match(readout).hasMatch()) return false;
  if (readout.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
      readout.contains(QStringLiteral("inf"), Qt::CaseInsensitive))
    return false;
  return linearMaySign || !readout.section(QStringLiteral("dB"), 1).startsWith('-');
}

// The numbers a readout shows, read back.
void readBack(const QString& readout, double* db, double* linear) {
  const int unit = static_cast<int>(readout.indexOf(QStringLiteral("dB")));
  *db = readout.left(unit).toDouble();
  *linear = readout.mid(unit + 2).trimmed().toDouble();
}

// Within what one decimal (three for the linear value) of a double can say.
bool near(double shown, double exact, double decimals) {
  return std::abs(shown - exact) <= 0.5 * decimals + 1e-9 * std::max(1.0, std::abs(exact));
}

void checkLevel(const SoundLevel& level, bool linearMaySign) {
  FUZZ_CHECK(std::isfinite(level.linear()) && std::isfinite(level.db()));
  const QString readout = levelReadout(level);
  FUZZ_CHECK(plainReadout(readout, linearMaySign));
  double db = 0;
  double linear = 0;
  readBack(readout, &db, &linear);
  FUZZ_CHECK(near(db, level.db(), 0.1));
  FUZZ_CHECK(near(linear, level.linear(), 0.001));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t input[kInputBytes] = {};
  std::memcpy(input, data, std::min<std::size_t>(size, kInputBytes));
  std::uint32_t raw = 0;
  double micZero = 0;
  double other = 0;
  for (int k = 3; k >= 0; --k)
    raw = raw << 8 | input[k];
  std::memcpy(&micZero, input + 4, sizeof micZero);
  std::memcpy(&other, input + 12, sizeof other);

  // The level worked out apart from the program: raw * 5 / 4 rounded half to
  // even in long double, which holds it exactly.
  const long double q = std::nearbyint(static_cast<long double>(raw) * 5 / 4);
  const double linear = q == 0 ? 0.001 : static_cast<double>(q / 524288);
  const double db = 20 * std::log10(linear / 0.75) + 88 + micZero;

  const auto level = convertLevel(raw, micZero);
  FUZZ_CHECK(level.has_value() == std::isfinite(db));
  if (level) {
    FUZZ_CHECK(level->linear() == linear);
    FUZZ_CHECK(near(level->db(), db, 1e-9));
    checkLevel(*level, false);
  }

  const auto made = SoundLevel::of(other, micZero);
  FUZZ_CHECK(made.has_value() == (std::isfinite(other) && std::isfinite(micZero)));
  if (made) checkLevel(*made, true);
  return 0;
}
