#pragma once

#include <QString>
#include <cmath>

namespace eqset {

// Every float-to-integer conversion of the tool rounds halves to even. `x`
// must lie well within the range of long long; check first where it may not.
inline long long roundHalfEven(double x) {
  const double r = std::nearbyint(x);  // the default rounding mode is to-nearest-even
  return static_cast<long long>(r);
}

// A number typed into a box: its leading decimal number ("12.5abc" is 12.5);
// text without one counts as 0. A number beyond the range of a double comes
// back infinite: callers refuse it with their range check, so it must never
// reach a conversion unchecked.
double leadingNumber(const QString& text);

}  // namespace eqset
