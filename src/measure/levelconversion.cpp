#include "measure/levelconversion.h"

#include <QRegularExpression>
#include <cmath>

#include "params/numbers.h"

namespace eqset {

namespace {
constexpr double kFullScale = 524288.0;  // 2^19
constexpr double kReference = 0.75;      // the linear value of 88 dB SPL
constexpr double kReferenceDb = 30 + 58;
constexpr double kSilence = 0.001;
}  // namespace

SoundLevel convertLevel(std::uint32_t raw, double micZeroDb) {
  const auto q = static_cast<std::int32_t>(roundHalfEven(static_cast<double>(raw) * 5 / 4));
  double v = q / kFullScale;
  if (v == 0) v = kSilence;
  return {v, 20 * std::log10(v / kReference) + kReferenceDb + micZeroDb};
}

QString levelReadout(const SoundLevel& level) {
  // "00.0": at least two digits before the point.
  QString db = QString::number(std::abs(level.db), 'f', 1);
  while (db.indexOf('.') < 2)
    db.prepend('0');
  if (level.db < 0 && db.contains(QRegularExpression("[1-9]"))) db.prepend('-');
  return db + "dB" + QString::number(level.linear, 'f', 3) + ' ';
}

}  // namespace eqset
