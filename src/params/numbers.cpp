#include "params/numbers.h"

#include <QRegularExpression>

namespace eqset {

double leadingNumber(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return 0;
  // A number too large for a double ("1e400") is not 0: it comes back
  // infinite, so that every range check refuses it like any number too large.
  // One too small to tell from 0 ("1e-400") is 0.
  bool ok = false;
  const double v = m.captured(1).toDouble(&ok);
  if (ok) return v;
  if (m.captured(3).startsWith(QStringLiteral("e-")) ||
      m.captured(3).startsWith(QStringLiteral("E-")))
    return 0;
  return m.captured(1).startsWith('-') ? -HUGE_VAL : HUGE_VAL;
}

}  // namespace eqset
