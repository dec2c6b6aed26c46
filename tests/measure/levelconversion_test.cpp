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
}

// The running level takes the full register values, so its raw word reaches
// past 2^31 / 1.25: the scaled value no longer fits 32 bits and must still
// convert, exactly and rounded half to even.
TEST(LevelConversion, RunningLevelsBeyondThirtyTwoBits) {
  struct Case {
    const char* what;
    std::uint32_t raw;
    double q;  // raw * 5 / 4 as it must be rounded
    const char* readout;
  };
  const Case cases[] = {
      {"last q below 2^31", 1717986917, 2147483646, "162.7dB4096.000 "},
      {"q = 2^31, a half rounded to even", 1717986918, 2147483648, "162.7dB4096.000 "},
      {"901 = 0x6667", runningRaw(0x6667, 0, 0), 2147532800, "162.7dB4096.094 "},
      {"901 = 0x7000", runningRaw(0x7000, 0, 0), 2348810240, "163.5dB4480.000 "},
      {"901..903 = 0x7000, 0x12, 0x34", runningRaw(0x7000, 0x12, 0x34), 2348816065,
       "163.5dB4480.011 "},
      {"a half, q even stays", 0x70000002, 2348810242, "163.5dB4480.000 "},
      {"a half, q odd rounds up", 0x70000006, 2348810248, "163.5dB4480.000 "},
      {"all three registers at 32767", runningRaw(32767, 32767, 32767), 2694799039,
       "164.7dB5139.921 "},
      {"the largest word", 0xFFFFFFFF, 5368709119, "170.7dB10240.000 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto level = convertLevel(c.raw, 0);
    ASSERT_TRUE(level);
    EXPECT_EQ(level->linear(), c.q / 524288);
    EXPECT_NEAR(level->db(), 20 * std::log10(c.q / 524288 / 0.75) + 88, 1e-9);
    EXPECT_EQ(levelReadout(*level), c.readout);
  }
}

TEST(LevelConversion, ALevelThatIsNoNumberIsRefused) {
  struct Case {
    std::uint32_t raw;
    double micZero;
    bool converts;
  };
  const Case cases[] = {
      {0, kInf, false},
      {0xFFFFFFFF, -kInf, false},
      {314573, kNaN, false},
      {runningRaw(0x7000, 0, 0), kNaN, false},
      // Finite however far out: the sum stays a number.
      {0, std::numeric_limits<double>::max(), true},
      {0xFFFFFFFF, -std::numeric_limits<double>::max(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.micZero);
    const auto level = convertLevel(c.raw, c.micZero);
    EXPECT_EQ(level.has_value(), c.converts);
    if (level) {
      EXPECT_TRUE(std::isfinite(level->db()));
      const QString readout = levelReadout(*level);
      EXPECT_TRUE(readout.endsWith("dB0.001 ") || readout.endsWith("dB10240.000 "))
          << readout.toStdString();
    }
  }
  EXPECT_FALSE(SoundLevel::of(kNaN, 88));
  EXPECT_FALSE(SoundLevel::of(0.75, kInf));
  EXPECT_FALSE(SoundLevel::of(-kInf, 1));
}

TEST(LevelConversion, ReadoutsOfEveryMagnitude) {
  struct Case {
    double linear;
    double db;
    const char* readout;
  };
  const Case cases[] = {
      {0.001, 0.0, "00.0dB0.001 "},    // two digits before the point
      {0.001, -0.04, "00.0dB0.001 "},  // a level that rounds to zero has no sign
      {0.001, -5, "-05.0dB0.001 "},    {0.001, -123.45, "-123.5dB0.001 "},
      {9.9996, 9.96, "10.0dB10.000 "}, {1, 1234567.0, "1234567.0dB1.000 "},
  };
  for (const Case& c : cases)
    EXPECT_EQ(levelReadout(*SoundLevel::of(c.linear, c.db)), c.readout) << c.db;
  // The largest finite level still makes a plain decimal readout.
  const QString huge = levelReadout(*SoundLevel::of(1, std::numeric_limits<double>::max()));
  EXPECT_EQ(huge.indexOf('.'), 309);
  EXPECT_TRUE(huge.endsWith(".0dB1.000 "));
}

}  // namespace
}  // namespace eqset
