#include "measure/levelconversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "qtprinters.h"

namespace eqset {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The running level's raw word from the full values of registers 901..903.
constexpr std::uint32_t runningRaw(std::uint32_t h, std::uint32_t m, std::uint32_t l) {
  return 65536 * h + 256 * m + l;
}

TEST(LevelConversion, RawWordsToLevelsAndReadouts) {
  struct Case {
    std::uint32_t raw;
    double micZero;
    double linear;
    double db;
    const char* readout;
  };
  const Case cases[] = {
      {0, 0, 0.001, 30.5, "30.5dB0.001 "},           // silence reads as 0.001
      {1, 0, 1.0 / 524288, -23.9, "-23.9dB0.000 "},  // one step above silence
      {314573, 0, 0.75, 88.0, "88.0dB0.750 "},       // the reference
      {419430, 0, 1.0, 90.5, "90.5dB1.000 "},        // q rounds 524287.5 to even
      {314573, 2, 0.75, 90.0, "90.0dB0.750 "},       // microphone zero adds
      {16777215, 0, 40.0, 122.5, "122.5dB40.000 "},
      {3146, 0, 0.0075, 48.0, "48.0dB0.007 "},  // q = 3932.5 rounds to 3932
  };
  for (const Case& c : cases) {
    const auto level = convertLevel(c.raw, c.micZero);
    ASSERT_TRUE(level) << c.raw;
    EXPECT_NEAR(level->linear(), c.linear, 1e-4) << c.raw;
    EXPECT_NEAR(level->db(), c.db, 0.05) << c.raw;
    EXPECT_EQ(levelReadout(*level), c.readout) << c.raw;
  }
  EXPECT_EQ(levelReadout(*SoundLevel::of(0.2, 5.25)), "05.3dB0.200 ");
  EXPECT_EQ(levelReadout(*SoundLevel::of(0.001, -0.04)), "00.0dB0.001 ");  // no sign on zero
}

// Past what 32 bits can scale: the raw word of 901 = 0x7000, and the largest.
TEST(LevelConversion, RunningLevelsBeyondThirtyTwoBits) {
  EXPECT_EQ(levelReadout(*convertLevel(runningRaw(0x7000, 0, 0), 0)), "163.5dB4480.000 ");
  EXPECT_EQ(convertLevel(0x70000006, 0)->linear(), 2348810248.0 / 524288);  // half, q odd: up
  EXPECT_EQ(levelReadout(*convertLevel(0xFFFFFFFF, 0)), "170.7dB10240.000 ");
}

TEST(LevelConversion, ALevelThatIsNoNumberIsRefused) {
  EXPECT_FALSE(convertLevel(0, kInf));
  EXPECT_FALSE(convertLevel(runningRaw(0x7000, 0, 0), kNaN));
  EXPECT_FALSE(SoundLevel::of(0.75, -kInf));
  // Finite however far out, and still a plain decimal readout.
  const auto far = convertLevel(0, std::numeric_limits<double>::max());
  ASSERT_TRUE(far);
  EXPECT_EQ(levelReadout(*far).indexOf('.'), 309);
}

}  // namespace
}  // namespace eqset
