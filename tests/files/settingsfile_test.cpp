#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>
#include <optional>

#include "files/settingsfile.h"
#include "qtprinters.h"

namespace eqset {
namespace {

// A hall where every field differs from the window's start values.
HallSettings tunedHall() {
  HallSettings s;
  s.input = Input::AnalogB;
  s.mode = Mode::ThreeGroups;
  s.auxTo51Allowed = false;
  s.masterVolumeDb = -20;
  s.muteAll = true;
  s.limiter = 1;
  s.pinkNoiseChannel = 4;
  s.fadeSeconds = {2, 5};
  s.roomLengthM = 20;
  s.roomWidthM = 12.5;
  s.targetCurve = QStringLiteral("平直");
  s.micZeroDb = -1.5;
  for (int c = 0; c < kChannels; ++c) {
    auto& ch = s.channels[static_cast<std::size_t>(c)];
    for (int b = 0; b < kBands; ++b)
      ch.eqGainsDb[static_cast<std::size_t>(b)] = (c * 7 + b) % 31 - 15;
    ch.levelDb = c - 3;
    ch.inverted = c % 2 == 1;
    ch.delayMs = c >= 2 ? 4 + c : 0;
  }
  return s;
}

// Every field at the end of its range.
HallSettings extremeHall(bool low) {
  HallSettings s;
  s.input = low ? Input::DigitalA : Input::Auxiliary;
  s.masterVolumeDb = low ? -55 : 5;
  s.limiter = low ? 0 : 2;
  s.pinkNoiseChannel = low ? 0 : 5;
  s.fadeSeconds = low ? std::array<int, 2>{0, 0} : std::array<int, 2>{5, 5};
  s.roomLengthM = low ? 0 : 32767;
  s.roomWidthM = low ? 0 : 0.1;
  s.targetCurve = low ? QStringLiteral("ISO2969") : QStringLiteral("自定义");
  s.micZeroDb = low ? -8 : 8;
  for (auto& ch : s.channels) {
    ch.eqGainsDb.fill(low ? -15 : 15);
    ch.levelDb = low ? -22 : 8;
    ch.delayMs = low ? 0 : 32767;
  }
  return s;
}

TEST(SettingsFile, EverySettingComesBackAsItWasSaved) {
  for (const HallSettings& hall : {tunedHall(), extremeHall(true), extremeHall(false)}) {
    ASSERT_FALSE(settingsfile::check(hall));
    const auto loaded = settingsfile::fromJson(settingsfile::toJson(hall));
    ASSERT_TRUE(std::holds_alternative<HallSettings>(loaded))
        << std::get<settingsfile::FieldError>(loaded).field.toStdString();
    EXPECT_TRUE(std::get<HallSettings>(loaded) == hall);
  }
}

TEST(SettingsFile, TheTextIsReadableJsonWithNamedFieldsAndGainsInDecibels) {
  const QByteArray text = settingsfile::toJson(tunedHall());
  EXPECT_TRUE(text.startsWith("{\n  \"format\": \"EQSet settings\",\n  \"version\": 1,\n"));
  // Chinese names stand as they are, not as \u escapes.
  EXPECT_TRUE(text.contains("\"processingMode\": \"三组独立音频处理\""));
  EXPECT_TRUE(text.contains("\"name\": \"次低频\""));

  QJsonParseError error{};
  const QJsonObject root = QJsonDocument::fromJson(text, &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_EQ(root["input"].toString(), "模拟输入(模拟B)");
  EXPECT_EQ(root["masterVolumeDb"].toInt(), -20);
  EXPECT_EQ(root["limiterDb"].toInt(), -5);
  EXPECT_EQ(root["room"]["widthM"].toDouble(), 12.5);
  const QJsonObject centre = root["channels"][2].toObject();
  EXPECT_EQ(centre["polarity"].toString(), "正相");
  EXPECT_EQ(root["channels"][1]["polarity"].toString(), "反相");
  EXPECT_EQ(centre["eqGainsDb"].toArray().size(), kBands);
  EXPECT_EQ(centre["eqGainsDb"][5].toInt(), (2 * 7 + 5) % 31 - 15);

  // A byte-order mark in front, as Windows editors write it, is no error.
  const auto withMark = settingsfile::fromJson("\xEF\xBB\xBF" + text);
  EXPECT_TRUE(std::holds_alternative<HallSettings>(withMark));
}

// The file with one value replaced, or removed when `value` is empty. `path`
// walks objects by key and arrays by index: "channels/2/eqGainsDb/5".
QJsonValue changedAt(const QJsonValue& node, QStringList path,
                     const std::optional<QJsonValue>& value) {
  const QString step = path.takeFirst();
  if (node.isArray()) {
    QJsonArray array = node.toArray();
    const int i = step.toInt();
    if (path.isEmpty() && !value) {
      array.removeAt(i);
    } else {
      array[i] = path.isEmpty() ? *value : changedAt(array[i], path, value);
    }
    return array;
  }
  QJsonObject object = node.toObject();
  if (path.isEmpty() && !value) {
    object.remove(step);
  } else {
    object[step] = path.isEmpty() ? *value : changedAt(object[step], path, value);
  }
  return object;
}

QByteArray fileWith(const char* path, const std::optional<QJsonValue>& value) {
  const QJsonObject root = QJsonDocument::fromJson(settingsfile::toJson(tunedHall())).object();
  return QJsonDocument(changedAt(root, QString::fromLatin1(path).split(u'/'), value).toObject())
      .toJson();
}

TEST(SettingsFile, AFieldOfTheWrongTypeOrRangeOrMissingIsNamed) {
  const std::optional<QJsonValue> missing;
  const struct {
    const char* path;
    std::optional<QJsonValue> value;
    const char* field;
  } cases[] = {
      {"version", 2, "version"},
      {"version", "1", "version"},
      {"version", missing, "version"},
      {"format", "EQSet", "format"},
      {"input", "数字输入", "input"},
      {"processingMode", missing, "processingMode"},
      {"auxiliaryTo51", true, "auxiliaryTo51"},
      {"masterVolumeDb", 6, "masterVolumeDb"},
      {"masterVolumeDb", -56, "masterVolumeDb"},
      {"masterVolumeDb", -20.5, "masterVolumeDb"},
      {"masterVolumeDb", "-20", "masterVolumeDb"},
      {"muteAll", 1, "muteAll"},
      {"limiterDb", -3, "limiterDb"},
      {"limiterDb", "-5", "limiterDb"},
      {"pinkNoiseChannel", "左后环", "pinkNoiseChannel"},
      {"fadeSeconds", QJsonArray{1}, "fadeSeconds"},
      {"fadeSeconds/1", 6, "fadeSeconds[1]"},
      {"fadeSeconds/0", -1, "fadeSeconds[0]"},
      {"room", missing, "room"},
      {"room", 20, "room"},
      {"room/lengthM", -1, "room.lengthM"},
      {"room/widthM", "12", "room.widthM"},
      {"room/widthM", missing, "room.widthM"},
      {"targetCurve", "粉噪", "targetCurve"},
      {"micZeroDb", 8.5, "micZeroDb"},
      {"micZeroDb", QJsonValue::Null, "micZeroDb"},
      {"channels", QJsonArray{}, "channels"},
      {"channels/5", missing, "channels"},
      {"channels/3", "次低频", "channels[3]"},
      {"channels/3/name", "左", "channels[3].name"},
      {"channels/5/levelDb", 9, "channels[5].levelDb"},
      {"channels/0/polarity", "正", "channels[0].polarity"},
      {"channels/4/delayMs", -1, "channels[4].delayMs"},
      {"channels/4/delayMs", 32768, "channels[4].delayMs"},
      {"channels/1/eqGainsDb/30", missing, "channels[1].eqGainsDb"},
      {"channels/2/eqGainsDb/5", 16, "channels[2].eqGainsDb[5]"},
      {"channels/2/eqGainsDb/5", -15.5, "channels[2].eqGainsDb[5]"},
      {"channels/2/eqGainsDb/30", QJsonValue::Null, "channels[2].eqGainsDb[30]"},
  };
  for (const auto& c : cases) {
    const auto result = settingsfile::fromJson(fileWith(c.path, c.value));
    ASSERT_TRUE(std::holds_alternative<settingsfile::FieldError>(result)) << c.path;
    const auto& error = std::get<settingsfile::FieldError>(result);
    EXPECT_EQ(error.field, QString::fromUtf8(c.field)) << c.path;
    EXPECT_FALSE(error.expected.isEmpty()) << c.path;
  }
  // The unchanged file passes, so each refusal above is the changed field's.
  EXPECT_TRUE(std::holds_alternative<HallSettings>(
      settingsfile::fromJson(fileWith("version", QJsonValue(1)))));
}

TEST(SettingsFile, TextThatIsNoSettingsObjectIsRefused) {
  for (const char* text : {"", "{", "[1, 2]", "\"EQSet settings\"", "{\"format\": 1}"}) {
    const auto result = settingsfile::fromJson(text);
    ASSERT_TRUE(std::holds_alternative<settingsfile::FieldError>(result)) << text;
    EXPECT_FALSE(std::get<settingsfile::FieldError>(result).expected.isEmpty()) << text;
  }
}

TEST(SettingsFile, AWindowValueNoFileCanHoldIsNamedBeforeSaving) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    void (*change)(HallSettings&, double);
    double value;
    const char* field;
  } cases[] = {
      {[](HallSettings& s, double v) { s.masterVolumeDb = static_cast<int>(v); }, 6,
       "masterVolumeDb"},
      {[](HallSettings& s, double v) { s.limiter = static_cast<int>(v); }, -1, "limiterDb"},
      {[](HallSettings& s, double v) { s.pinkNoiseChannel = static_cast<int>(v); }, -1,
       "pinkNoiseChannel"},
      {[](HallSettings& s, double v) { s.fadeSeconds[1] = static_cast<int>(v); }, 6,
       "fadeSeconds[1]"},
      {[](HallSettings& s, double v) { s.roomLengthM = v; }, nan, "room.lengthM"},
      {[](HallSettings& s, double v) { s.roomWidthM = v; }, -0.5, "room.widthM"},
      {[](HallSettings& s, double) { s.targetCurve.clear(); }, 0, "targetCurve"},
      {[](HallSettings& s, double v) { s.micZeroDb = v; }, 8.01, "micZeroDb"},
      {[](HallSettings& s, double v) { s.channels[3].levelDb = static_cast<int>(v); }, -23,
       "channels[3].levelDb"},
      {[](HallSettings& s, double v) { s.channels[5].delayMs = static_cast<int>(v); }, -1,
       "channels[5].delayMs"},
      {[](HallSettings& s, double v) { s.channels[0].eqGainsDb[30] = static_cast<int>(v); }, 16,
       "channels[0].eqGainsDb[30]"},
  };
  for (const auto& c : cases) {
    HallSettings s = tunedHall();
    c.change(s, c.value);
    const auto error = settingsfile::check(s);
    ASSERT_TRUE(error) << c.field;
    EXPECT_EQ(error->field, QString::fromUtf8(c.field));
  }
}

}  // namespace
}  // namespace eqset
