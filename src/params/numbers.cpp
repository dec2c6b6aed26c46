#include "params/numbers.h"

#include <QRegularExpression>

namespace eqset {

double leadingNumber(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
  const auto m = re.match(text);
  if (!m.hasMatch()) return 0;
  bool ok = false;
  const double v = m.captured(1).toDouble(&ok);
  return ok && std::isfinite(v) ? v : 0;
}

}  // namespace eqset
