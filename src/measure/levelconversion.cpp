#include "measure/levelconversion.h"

#include <QRegularExpression>
#include <cmath>

namespace eqset {

namespace {
constexpr double kFullScale = 524288.0;  // 2^19
constexpr double kReference = 0.75;      // the linear value of 88 dB SPL
constexpr double kReferenceDb = 30 + 58;
constexpr double kSilence = 0.001;

// raw * 5 / 4 rounded half to even, exactly: the running level's raw word
// times 5 needs more than 32 bits.
std::uint64_t scaledRaw(std::uint32_t raw) {
  const std::uint64_t fifths = std::uint64_t{raw} * 5;
  std::uint64_t q = fifths / 4;
  const std::uint64_t rest = fifths % 4;
  if (rest > 2 || (rest == 2 && q % 2 == 1)) ++q;
  return q;
}
}  // namespace

std::optional<SoundLevel> SoundLevel::of(double linear, double db) {
  if (!std::isfinite(linear) || !std::isfinite(db)) return std::nullopt;
  return SoundLevel(linear, db);
}

std::optional<SoundLevel> convertLevel(std::uint32_t raw, double micZeroDb) {
  const std::uint64_t q = scaledRaw(raw);
  const double v = q == 0 ? kSilence : static_cast<double>(q) / kFullScale;
  return SoundLevel::of(v, 20 * std::log10(v / kReference) + kReferenceDb + micZeroDb);
}

QString levelReadout(const SoundLevel& level) {
  // "00.0": at least two digits before the point.
  QString db = QString::number(std::abs(level.db()), 'f', 1);
  const qsizetype point = db.indexOf('.');
  if (point >= 0 && point < 2) db.prepend(QString(2 - point, '0'));
  if (level.db() < 0 && db.contains(QRegularExpression("[1-9]"))) db.prepend('-');
  return db + "dB" + QString::number(level.linear(), 'f', 3) + ' ';
}

}  // namespace eqset
