#include <gtest/gtest.h>

#include <cmath>

#include "measure/compensation.h"
#include "measure/testsignals.h"
#include "qtprinters.h"

namespace eqset {
namespace {

TEST(Targets, EveryCurveTypeAndTheSubwoofer) {
  EXPECT_EQ(targetTypeFromText("ISO2969"), TargetType::Iso2969);
  EXPECT_EQ(targetTypeFromText("平直"), TargetType::Flat);
  EXPECT_EQ(targetTypeFromText("自定义"), TargetType::Custom);
  EXPECT_FALSE(targetTypeFromText("iso2969"));

  const CurveRow iso = targetRow(TargetType::Iso2969, 80, false);
  EXPECT_EQ(iso[1], 69);   // 20 Hz
  EXPECT_EQ(iso[8], 80);   // 100 Hz
  EXPECT_EQ(iso[21], 80);  // 2 kHz
  EXPECT_EQ(iso[22], 79);  // 2.5 kHz
  EXPECT_EQ(iso[31], 67);  // 20 kHz
  const CurveRow flat = targetRow(TargetType::Flat, 80, false);
  for (int s = 1; s <= 31; ++s)
    EXPECT_EQ(flat[s], 80) << s;
  const CurveRow custom = targetRow(TargetType::Custom, 80, false);
  EXPECT_EQ(custom[3], 80);
  EXPECT_EQ(custom[4], 87);  // 40 Hz
  EXPECT_EQ(custom[30], 85);
  EXPECT_EQ(custom[31], 80);
  for (TargetType t : {TargetType::Iso2969, TargetType::Flat, TargetType::Custom}) {
    const CurveRow sub = targetRow(t, 90, true);
    EXPECT_EQ(sub[1], 90);
    EXPECT_EQ(sub[11], 90);
    EXPECT_EQ(sub[12], 0);
    EXPECT_EQ(sub[31], 0);
    EXPECT_EQ(sub[0], 0);
  }

  CurveRow measured{};
  for (int s = 10; s <= 20; ++s)
    measured[s] = 80;
  measured[5] = 71.6f;
  EXPECT_FLOAT_EQ(averageLevel(measured, false), 80);
  EXPECT_FLOAT_EQ(averageLevel(measured, true), (71.6f + 2 * 80) / 11);
  EXPECT_EQ(relativeCompensation(80, measured[5]), 8);
}

TEST(Compensation, RelativeRoundsAndDropsAbsoluteLimits) {
  const struct {
    float difference;
    int relative;
  } relative[] = {{15.4f, 15}, {15.6f, 0},    {-15.5f, 0}, {2.5f, 2},
                  {3.5f, 4},   {-15.0f, -15}, {NAN, 0}};
  for (const auto& c : relative)
    EXPECT_EQ(relativeCompensation(100 + c.difference, 100), c.relative) << c.difference;
  EXPECT_EQ(relativeCompensation(INFINITY, 80), 0);

  const struct {
    float present;
    double edit;
    int passes;
    int band;
    int gain;
  } absolute[] = {
      {8, 5, 0, 0, 10},     {8, 5, 0, 17, 13},  {8, 5, 0, 29, 10},  {8, 9, 0, 3, 15},
      {-12, -6, 0, 5, -15}, {1, 2.5, 0, 10, 4}, {1, 2.5, 1, 10, 3}, {1, 2.5, 2, 10, 3},
  };
  for (const auto& c : absolute) {
    EXPECT_EQ(absoluteCompensation(c.present, c.edit, c.passes, c.band), c.gain)
        << c.present << " + " << c.edit << " pass " << c.passes << " band " << c.band;
  }
}

TEST(TypedCommands, OnlyWhatTheLineCanCarry) {
  EXPECT_EQ(typedCommand("-255"), -255);
  EXPECT_EQ(typedCommand("32767"), 32767);
  EXPECT_EQ(typedCommand("2.5"), 2);
  EXPECT_EQ(typedCommand("abc"), 0);
  EXPECT_FALSE(typedCommand("-256"));
  EXPECT_FALSE(typedCommand("32768"));
  EXPECT_FALSE(typedCommand("1e300"));
  EXPECT_EQ(toneBand("30"), 30);
  EXPECT_EQ(toneBand("2.5"), 2);
  EXPECT_FALSE(toneBand("31"));
  EXPECT_FALSE(toneBand("-1"));
}

}  // namespace
}  // namespace eqset
