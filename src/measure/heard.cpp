#include "measure/heard.h"

#include "measure/compensation.h"

namespace eqset {

bool testSignalHeard(const CurveRow& measured, bool subwoofer) {
  // Written so that a curve of nonsense (not a number) counts as not heard.
  return averageLevel(measured, subwoofer) >= kQuietestHeardDb;
}

}  // namespace eqset
