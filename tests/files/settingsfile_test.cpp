#include "files/settingsfile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "qtprinters.h"

namespace eqset {
namespace {

// The start values' file with one piece of text replaced: the field it breaks
// is named, and nothing else passes for a setting.
TEST(SettingsFile, AFieldOfTheWrongTypeOrRangeOrMissingIsNamed) {
  const QString good = QString::fromUtf8(settingsfile::toJson(HallSettings{}));
  const struct {
    const char* from;
    const char* to;
    const char* field;
  } cases[] = {
      {"\"version\": 1", "\"version\": 2", "version"},
      {"\"masterVolumeDb\": 0", "\"masterVolumeDb\": 6", "masterVolumeDb"},
      {"\"masterVolumeDb\": 0", "\"masterVolumeDb\": -20.5", "masterVolumeDb"},
      {"\"masterVolumeDb\": 0", "\"masterVolumeDb\": \"0\"", "masterVolumeDb"},
      {"\"widthM\": 0", "\"depthM\": 0", "room.widthM"},
      {"\"delayMs\": 0", "\"delayMs\": 32768", "channels[0].delayMs"},
      {"[0, 0, 0, 0, 0, 0,", "[0, 0, 0, 0, 0, 16,", "channels[0].eqGainsDb[5]"},
  };
  ASSERT_TRUE(std::holds_alternative<HallSettings>(settingsfile::fromJson(good.toUtf8())));
  for (const auto& c : cases) {
    ASSERT_TRUE(good.contains(QString::fromUtf8(c.from))) << c.from;
    const QString text =
        QString(good).replace(good.indexOf(QString::fromUtf8(c.from)),
                              static_cast<qsizetype>(std::strlen(c.from)), QString::fromUtf8(c.to));
    const auto result = settingsfile::fromJson(text.toUtf8());
    ASSERT_TRUE(std::holds_alternative<settingsfile::FieldError>(result)) << c.to;
    EXPECT_EQ(std::get<settingsfile::FieldError>(result).field, QString::fromUtf8(c.field));
  }
}

TEST(SettingsFile, AWindowValueNoFileCanHoldIsNamedBeforeSaving) {
  HallSettings s;
  s.roomWidthM = -0.5;
  ASSERT_TRUE(settingsfile::check(s));
  EXPECT_EQ(settingsfile::check(s)->field, "room.widthM");
}

}  // namespace
}  // namespace eqset
