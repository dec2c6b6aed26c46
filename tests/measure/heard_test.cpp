#include "measure/heard.h"

#include <gtest/gtest.h>

namespace eqset::test {
namespace {

// A curve with `low` dB below 160 Hz, `middle` from 160 Hz to 1.6 kHz and
// `high` above; band 0 is 20 Hz, band 9 160 Hz, band 19 1.6 kHz.
CurveRow bands(float low, float middle, float high) {
  CurveRow row{};
  for (int b = 0; b < kBands; ++b)
    row[static_cast<std::size_t>(bandSlot(b))] = b < 9 ? low : (b <= 19 ? middle : high);
  return row;
}

// A subwoofer read: `level` dB up to 200 Hz, 0 above where it plays nothing.
CurveRow subwoofer(float level) {
  CurveRow row{};
  for (int b = 0; b < kSubwooferBands; ++b)
    row[static_cast<std::size_t>(bandSlot(b))] = level;
  return row;
}

TEST(TestSignalHeard, TheMiddleBandsOrTheSubwoofersOwnDecide) {
  struct Case {
    const char* what;
    CurveRow curve;
    bool subwoofer;
    bool heard;
  };
  const Case cases[] = {
      {"a room tuned flat", bands(80, 80, 80), false, true},
      {"exactly the quietest heard level", bands(0, 40, 0), false, true},
      {"just below it", bands(90, 39.9F, 90), false, false},
      {"the subwoofer playing", subwoofer(70), true, true},
      {"the subwoofer judged by its own bands, not the middle", bands(20, 80, 80), true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(testSignalHeard(c.curve, c.subwoofer), c.heard) << c.what;
}

}  // namespace
}  // namespace eqset::test
