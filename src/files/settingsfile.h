#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <variant>

#include "params/bankoffset.h"
#include "params/registermap.h"

namespace eqset {

// Everything the window holds for one hall: what "数据写入DSP" sends and the
// switches, fades and choices around it. Kept on the PC in a settings file
// (*.eqs), so that a hall's tuning can be looked at in any text editor and
// brought back into the window before it is sent.
struct HallSettings {
  struct Channel {
    std::array<int, kBands> eqGainsDb{};  // -15..+15 dB, band 0 = 20 Hz
    int levelDb = 0;                      // -22..+8 dB
    bool inverted = false;                // "反相"
    int delayMs = 0;                      // as the delay calculator shows it
    bool operator==(const Channel&) const = default;
  };

  Input input = Input::DigitalA;
  Mode mode = Mode::Unified;
  bool auxTo51Allowed = true;
  int masterVolumeDb = 0;  // -55..+5
  bool muteAll = false;
  int limiter = 2;                   // Option2: 0 "-10dB压限", 1 "-5dB压限", 2 "-0dB压限"
  int pinkNoiseChannel = 0;          // 0..5
  std::array<int, 2> fadeSeconds{};  // whole seconds 0..5
  double roomLengthM = 0;            // metres as typed, 0 switches the delays off
  double roomWidthM = 0;
  QString targetCurve = QStringLiteral("ISO2969");
  double micZeroDb = 0;  // -8..+8
  std::array<Channel, kChannels> channels{};

  bool operator==(const HallSettings&) const = default;
};

namespace settingsfile {

inline const QString kFormat = QStringLiteral("EQSet settings");
constexpr int kVersion = 1;

// A field that does not hold what the format allows: where it is in the file
// ("channels[2].eqGainsDb[5]"; empty when the text is no JSON object at all)
// and what it should hold.
struct FieldError {
  QString field;
  QString expected;
};

// The first field of `settings` the format cannot hold, if any.
std::optional<FieldError> check(const HallSettings& settings);

// The file's UTF-8 text, indented, one channel's gains on one line. The
// settings must pass check().
QByteArray toJson(const HallSettings& settings);

// Every field is checked for its type and range before anything is taken:
// the settings of a whole file, or the first field that is wrong.
std::variant<HallSettings, FieldError> fromJson(const QByteArray& bytes);

}  // namespace settingsfile

}  // namespace eqset
