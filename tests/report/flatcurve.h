#pragma once

#include <cstddef>

#include "measure/measuredata.h"

namespace eqset::test {

// A room curve: `level` dB in every band plus a bump of `bump` dB at one band.
inline CurveRow curve(float level, int bumpBand = -1, float bump = 0) {
  CurveRow row{};
  for (int b = 0; b < kBands; ++b)
    row[static_cast<std::size_t>(bandSlot(b))] = level + (b == bumpBand ? bump : 0);
  return row;
}

}  // namespace eqset::test
