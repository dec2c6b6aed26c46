#include "files/settingsfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>
#include <QStringList>
#include <cmath>

#include "params/statetexts.h"

namespace eqset::settingsfile {

namespace {

// Ranges of what the window can show.
constexpr int kGainMin = -15, kGainMax = 15;
constexpr int kLevelMin = kLevelDbMin, kLevelMax = kLevelDbMax;
constexpr int kVolumeMin = kVolumePositionMin, kVolumeMax = kVolumePositionMax;
constexpr int kFadeMin = 0, kFadeMax = 5;
// Delays and dimensions go to 16-bit registers.
constexpr int kDelayMin = 0, kDelayMax = 32767;
constexpr double kRoomMax = 32767;
constexpr double kMicMin = -8, kMicMax = 8;

const QStringList& inputNames() {
  static const QStringList names{QStringLiteral("数字输入(模拟A)"),
                                 QStringLiteral("模拟输入(模拟B)"), QStringLiteral("辅助输入")};
  return names;
}
const QStringList& modeNames() {
  static const QStringList names{QStringLiteral("统一处理(数字/模拟A)"),
                                 QStringLiteral("三组独立音频处理")};
  return names;
}
const QStringList& channelNames() {
  static const QStringList names{QStringLiteral("左"),   QStringLiteral("右"),
                                 QStringLiteral("中置"), QStringLiteral("次低频"),
                                 QStringLiteral("左环"), QStringLiteral("右环")};
  return names;
}
const QStringList& targetNames() {
  static const QStringList names{QStringLiteral("ISO2969"), QStringLiteral("平直"),
                                 QStringLiteral("自定义")};
  return names;
}
const QStringList& polarityNames() {
  static const QStringList names{statetext::kPolarityNormal, statetext::kPolarityInverted};
  return names;
}
const QStringList& auxNames() {
  static const QStringList names{statetext::kAuxForbidden, statetext::kAuxAllowed};
  return names;
}
// The limiter buttons in order, by their level in dB.
constexpr std::array<int, 3> kLimiterDb = {-10, -5, 0};

int inputIndex(Input input) {
  return input == Input::DigitalA ? 0 : input == Input::AnalogB ? 1 : 2;
}
constexpr std::array<Input, 3> kInputs = {Input::DigitalA, Input::AnalogB, Input::Auxiliary};

QString integerRange(int min, int max) {
  return QStringLiteral("应为%1..%2的整数").arg(min).arg(max);
}
QString numberRange(double min, double max) {
  return QStringLiteral("应为%1..%2的数").arg(min).arg(max);
}
QString oneOf(const QStringList& names) {
  return QStringLiteral("应为 \"%1\" 之一").arg(names.join(QStringLiteral("\"、\"")));
}
QString limiterChoice() {
  return QStringLiteral("应为 -10、-5 或 0");
}

QString channelPath(int c, const char* field) {
  return QStringLiteral("channels[%1].%2").arg(c).arg(QLatin1String(field));
}

// Reads fields one by one and keeps the first that is wrong; after that every
// read gives a harmless default, so the caller checks once at the end.
class Fields {
 public:
  std::optional<FieldError> error;

  QJsonValue at(const QJsonObject& object, const QString& key, const QString& path) {
    const auto it = object.constFind(key);
    if (it == object.constEnd()) {
      fail(path, QStringLiteral("缺少这个字段"));
      return {};
    }
    return *it;
  }

  int integer(const QJsonValue& v, const QString& path, int min, int max) {
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || d != std::floor(d) || d < min || d > max) {
      fail(path, integerRange(min, max));
      return min;
    }
    return static_cast<int>(d);
  }

  double number(const QJsonValue& v, const QString& path, double min, double max) {
    const double d = v.toDouble(std::nan(""));
    if (!v.isDouble() || !(d >= min && d <= max)) {
      fail(path, numberRange(min, max));
      return min;
    }
    return d;
  }

  bool boolean(const QJsonValue& v, const QString& path) {
    if (!v.isBool()) fail(path, QStringLiteral("应为 true 或 false"));
    return v.toBool();
  }

  int choice(const QJsonValue& v, const QString& path, const QStringList& names) {
    const int index = v.isString() ? static_cast<int>(names.indexOf(v.toString())) : -1;
    if (index < 0) fail(path, oneOf(names));
    return std::max(index, 0);
  }

  QJsonArray array(const QJsonValue& v, const QString& path, int size) {
    if (!v.isArray() || v.toArray().size() != size) {
      fail(path, QStringLiteral("应为%1个元素的数组").arg(size));
      return QJsonArray();
    }
    return v.toArray();
  }

  QJsonObject object(const QJsonValue& v, const QString& path) {
    if (!v.isObject()) fail(path, QStringLiteral("应为对象 {...}"));
    return v.toObject();
  }

 private:
  void fail(const QString& path, const QString& expected) {
    if (!error) error = FieldError{path, expected};
  }
};

// JSON text of a string; the names the format uses are plain, but a string is
// escaped all the same.
QString quoted(const QString& s) {
  QString out = QStringLiteral("\"");
  for (const QChar ch : s) {
    if (ch == u'"' || ch == u'\\') {
      out += u'\\';
      out += ch;
    } else if (ch.unicode() < 0x20) {
      out += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
    } else {
      out += ch;
    }
  }
  return out + u'"';
}

QString number(double v) {
  return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

template <std::size_t N>
QString integers(const std::array<int, N>& values) {
  QStringList parts;
  for (int v : values)
    parts << QString::number(v);
  return u'[' + parts.join(QStringLiteral(", ")) + u']';
}

}  // namespace

std::optional<FieldError> check(const HallSettings& s) {
  const auto outside = [](double v, double min, double max) { return !(v >= min && v <= max); };
  if (outside(s.masterVolumeDb, kVolumeMin, kVolumeMax))
    return FieldError{QStringLiteral("masterVolumeDb"), integerRange(kVolumeMin, kVolumeMax)};
  if (s.limiter < 0 || s.limiter > 2)
    return FieldError{QStringLiteral("limiterDb"), limiterChoice()};
  if (s.pinkNoiseChannel < 0 || s.pinkNoiseChannel >= kChannels)
    return FieldError{QStringLiteral("pinkNoiseChannel"), oneOf(channelNames())};
  for (int j = 0; j < 2; ++j) {
    if (outside(s.fadeSeconds[static_cast<std::size_t>(j)], kFadeMin, kFadeMax))
      return FieldError{QStringLiteral("fadeSeconds[%1]").arg(j), integerRange(kFadeMin, kFadeMax)};
  }
  if (outside(s.roomLengthM, 0, kRoomMax))
    return FieldError{QStringLiteral("room.lengthM"), numberRange(0, kRoomMax)};
  if (outside(s.roomWidthM, 0, kRoomMax))
    return FieldError{QStringLiteral("room.widthM"), numberRange(0, kRoomMax)};
  if (!targetNames().contains(s.targetCurve))
    return FieldError{QStringLiteral("targetCurve"), oneOf(targetNames())};
  if (outside(s.micZeroDb, kMicMin, kMicMax))
    return FieldError{QStringLiteral("micZeroDb"), numberRange(kMicMin, kMicMax)};
  for (int c = 0; c < kChannels; ++c) {
    const auto& ch = s.channels[static_cast<std::size_t>(c)];
    if (outside(ch.levelDb, kLevelMin, kLevelMax))
      return FieldError{channelPath(c, "levelDb"), integerRange(kLevelMin, kLevelMax)};
    if (outside(ch.delayMs, kDelayMin, kDelayMax))
      return FieldError{channelPath(c, "delayMs"), integerRange(kDelayMin, kDelayMax)};
    for (int b = 0; b < kBands; ++b) {
      if (outside(ch.eqGainsDb[static_cast<std::size_t>(b)], kGainMin, kGainMax)) {
        return FieldError{channelPath(c, "eqGainsDb") + QStringLiteral("[%1]").arg(b),
                          integerRange(kGainMin, kGainMax)};
      }
    }
  }
  return std::nullopt;
}

QByteArray toJson(const HallSettings& s) {
  QStringList lines;
  const auto field = [&lines](int indent, const char* key, const QString& value) {
    lines << QString(indent, u' ') + quoted(QLatin1String(key)) + QStringLiteral(": ") + value +
                 u',';
  };
  lines << QStringLiteral("{");
  field(2, "format", quoted(kFormat));
  field(2, "version", QString::number(kVersion));
  field(2, "input", quoted(inputNames()[inputIndex(s.input)]));
  field(2, "processingMode", quoted(modeNames()[s.mode == Mode::Unified ? 0 : 1]));
  field(2, "auxiliaryTo51", quoted(auxNames()[s.auxTo51Allowed ? 1 : 0]));
  field(2, "masterVolumeDb", QString::number(s.masterVolumeDb));
  field(2, "muteAll", s.muteAll ? QStringLiteral("true") : QStringLiteral("false"));
  field(2, "limiterDb", QString::number(kLimiterDb[static_cast<std::size_t>(s.limiter)]));
  field(2, "pinkNoiseChannel", quoted(channelNames()[s.pinkNoiseChannel]));
  field(2, "fadeSeconds", integers(s.fadeSeconds));
  field(2, "room",
        QStringLiteral("{ \"lengthM\": %1, \"widthM\": %2 }")
            .arg(number(s.roomLengthM), number(s.roomWidthM)));
  field(2, "targetCurve", quoted(s.targetCurve));
  field(2, "micZeroDb", number(s.micZeroDb));
  lines << QStringLiteral("  \"channels\": [");
  for (int c = 0; c < kChannels; ++c) {
    const auto& ch = s.channels[static_cast<std::size_t>(c)];
    lines << QStringLiteral("    {");
    field(6, "name", quoted(channelNames()[c]));
    field(6, "levelDb", QString::number(ch.levelDb));
    field(6, "polarity", quoted(polarityNames()[ch.inverted ? 1 : 0]));
    field(6, "delayMs", QString::number(ch.delayMs));
    field(6, "eqGainsDb", integers(ch.eqGainsDb));
    lines.back().chop(1);  // the last member of an object takes no comma
    lines << (c + 1 < kChannels ? QStringLiteral("    },") : QStringLiteral("    }"));
  }
  lines << QStringLiteral("  ]") << QStringLiteral("}") << QString();
  return lines.join(u'\n').toUtf8();
}

std::variant<HallSettings, FieldError> fromJson(const QByteArray& bytes) {
  // Editors on Windows like to start UTF-8 text with a byte-order mark.
  const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
  QJsonParseError parseError{};
  const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
  if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
    return FieldError{QString(), parseError.error != QJsonParseError::NoError
                                     ? QStringLiteral("不是JSON文本(第%1字节：%2)")
                                           .arg(parseError.offset)
                                           .arg(parseError.errorString())
                                     : QStringLiteral("应为JSON对象 {...}")};
  }
  const QJsonObject root = doc.object();
  Fields f;
  const QJsonValue format = f.at(root, QStringLiteral("format"), QStringLiteral("format"));
  if (f.error) return *f.error;
  if (format.toString() != kFormat)
    return FieldError{QStringLiteral("format"), QStringLiteral("应为 \"%1\"").arg(kFormat)};
  const QJsonValue version = f.at(root, QStringLiteral("version"), QStringLiteral("version"));
  if (f.error) return *f.error;
  if (version.toDouble(-1) != kVersion) {
    return FieldError{QStringLiteral("version"),
                      QStringLiteral("这个程序只认识第%1版的设置文件").arg(kVersion)};
  }

  HallSettings s;
  const auto field = [&](const char* key) {
    return f.at(root, QLatin1String(key), QLatin1String(key));
  };
  s.input = kInputs[static_cast<std::size_t>(
      f.choice(field("input"), QStringLiteral("input"), inputNames()))];
  s.mode = f.choice(field("processingMode"), QStringLiteral("processingMode"), modeNames()) == 0
               ? Mode::Unified
               : Mode::ThreeGroups;
  s.auxTo51Allowed =
      f.choice(field("auxiliaryTo51"), QStringLiteral("auxiliaryTo51"), auxNames()) == 1;
  s.masterVolumeDb =
      f.integer(field("masterVolumeDb"), QStringLiteral("masterVolumeDb"), kVolumeMin, kVolumeMax);
  s.muteAll = f.boolean(field("muteAll"), QStringLiteral("muteAll"));
  const QJsonValue limiter = field("limiterDb");
  const auto at = std::find(kLimiterDb.begin(), kLimiterDb.end(), limiter.toDouble(1));
  if (at == kLimiterDb.end() || !limiter.isDouble()) {
    if (!f.error) f.error = FieldError{QStringLiteral("limiterDb"), limiterChoice()};
  } else {
    s.limiter = static_cast<int>(at - kLimiterDb.begin());
  }
  s.pinkNoiseChannel =
      f.choice(field("pinkNoiseChannel"), QStringLiteral("pinkNoiseChannel"), channelNames());
  const QJsonArray fades = f.array(field("fadeSeconds"), QStringLiteral("fadeSeconds"), 2);
  for (int j = 0; j < fades.size(); ++j) {
    s.fadeSeconds[static_cast<std::size_t>(j)] =
        f.integer(fades[j], QStringLiteral("fadeSeconds[%1]").arg(j), kFadeMin, kFadeMax);
  }
  const QJsonObject room = f.object(field("room"), QStringLiteral("room"));
  if (!f.error) {
    s.roomLengthM = f.number(f.at(room, QStringLiteral("lengthM"), QStringLiteral("room.lengthM")),
                             QStringLiteral("room.lengthM"), 0, kRoomMax);
    s.roomWidthM = f.number(f.at(room, QStringLiteral("widthM"), QStringLiteral("room.widthM")),
                            QStringLiteral("room.widthM"), 0, kRoomMax);
  }
  s.targetCurve =
      targetNames()[f.choice(field("targetCurve"), QStringLiteral("targetCurve"), targetNames())];
  s.micZeroDb = f.number(field("micZeroDb"), QStringLiteral("micZeroDb"), kMicMin, kMicMax);

  const QJsonArray channels = f.array(field("channels"), QStringLiteral("channels"), kChannels);
  for (int c = 0; c < channels.size(); ++c) {
    const QJsonObject o = f.object(channels[c], QStringLiteral("channels[%1]").arg(c));
    if (f.error) break;
    const auto member = [&](const char* key) {
      return f.at(o, QLatin1String(key), channelPath(c, key));
    };
    auto& ch = s.channels[static_cast<std::size_t>(c)];
    // The channels stand in the processor's order; a file edited into another
    // order would put one channel's tuning on another loudspeaker.
    const QJsonValue name = member("name");
    if (!f.error && name.toString() != channelNames()[c]) {
      f.error =
          FieldError{channelPath(c, "name"), QStringLiteral("应为 \"%1\"").arg(channelNames()[c])};
    }
    ch.levelDb = f.integer(member("levelDb"), channelPath(c, "levelDb"), kLevelMin, kLevelMax);
    ch.inverted = f.choice(member("polarity"), channelPath(c, "polarity"), polarityNames()) == 1;
    ch.delayMs = f.integer(member("delayMs"), channelPath(c, "delayMs"), kDelayMin, kDelayMax);
    const QJsonArray gains = f.array(member("eqGainsDb"), channelPath(c, "eqGainsDb"), kBands);
    for (int b = 0; b < gains.size(); ++b) {
      ch.eqGainsDb[static_cast<std::size_t>(b)] =
          f.integer(gains[b], channelPath(c, "eqGainsDb") + QStringLiteral("[%1]").arg(b), kGainMin,
                    kGainMax);
    }
  }
  if (f.error) return *f.error;
  return s;
}

}  // namespace eqset::settingsfile
