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
  CurveRow oneBandGone = bands(80, 60, 80);
  oneBandGone[static_cast<std::size_t>(bandSlot(14))] = 0;
  const Case cases[] = {
      {"a room tuned flat", bands(80, 80, 80), false, true},
      {"a muted processor: the room's own noise", bands(25, 25, 25), false, false},
      {"exactly the quietest heard level", bands(0, 40, 0), false, true},
      {"just below it", bands(90, 39.9F, 90), false, false},
      {"loud only outside 160 Hz .. 1.6 kHz", bands(95, 30, 95), false, false},
      {"one band of the middle unmeasured", oneBandGone, false, true},
      {"the subwoofer playing", subwoofer(70), true, true},
      {"the subwoofer's read taken as a full-range channel", subwoofer(70), false, false},
      {"the subwoofer muted", subwoofer(25), true, false},
      {"the subwoofer judged by its own bands, not the middle", bands(20, 80, 80), true, false},
      {"nothing measured yet", CurveRow{}, false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(testSignalHeard(c.curve, c.subwoofer), c.heard) << c.what;
}

}  // namespace
}  // namespace eqset::test
