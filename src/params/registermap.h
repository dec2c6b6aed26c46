#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace eqset {

constexpr int kChannels = 6;
constexpr int kBands = 31;
constexpr int kBandIndexes = kChannels * kBands;  // 186 band sliders
constexpr int kSubwoofer = 3;
constexpr int kSubwooferBands = 11;  // 20 Hz .. 200 Hz

// Every register of the processor the tool touches. Per-input registers are
// given at their bank-0 address; add the bank offset for the other inputs.
namespace reg {
constexpr int kEqualizer = 0;    // 31c + b, bank 0: 0..185
constexpr int kTestSignal = 47;  // typed command, inside the equalizer range
constexpr int kTestRun = 48;     // typed command, inside the equalizer range
constexpr int kMasterVolume = 248;
constexpr int kChannelLevel = 250;  // 250 + c
constexpr int kMute = 258;
constexpr int kPinkNoiseSecond = 259;
constexpr int kTestChannel = 260;
constexpr int kPinkNoiseFirst = 261;
constexpr int kInput = 262;
constexpr int kPolarity = 263;  // 263 + c
constexpr int kAuxTo51 = 271;
constexpr int kDelay = 272;    // 272 + c
constexpr int kLimiter = 280;  // 280, 281, 282
constexpr int kMode = 288;
constexpr int kTheatreLength = 290;
constexpr int kTheatreWidth = 291;
constexpr int kCalibrate = 900;   // command when written
constexpr int kLevelBlock = 900;  // 4 registers when read
constexpr int kLevelBlockCount = 4;
constexpr int kSweep = 901;
constexpr int kStop = 902;
constexpr int kSingleTone = 903;
constexpr int kNormalPlayback = 904;  // command when written
constexpr int kCurveBlock = 904;      // 125 registers when read
constexpr int kCurveBlockCount = 125;
constexpr int kSweepStatus = 1028;
constexpr int kSweepChannel = 905;
constexpr int kFade0 = 1084;
constexpr int kFade1 = 1085;
}  // namespace reg

constexpr int equalizerRegister(int channel, int band) {
  return kBands * channel + band;
}

// How a register's value relates to what the technician sees.
enum class Encoding {
  BandGain,      // r = gain dB + 15, 0..30
  Volume,        // r = volume dB + 55, 0..60
  Level,         // r = level dB + 22, 0..30
  TypedCommand,  // the number typed, sent as it is
  Switch,        // 0 / 1
  Code,          // an enumerated code (input 1/2/4, mode 0/1, limiter 0..2, channel 0..5, band)
  Milliseconds,
  Metres,
  Seconds,
  Trigger,   // write 1 to start something
  RawBlock,  // read-only measurement words
};

struct RegisterEntry {
  int first;
  int last;
  bool perInput;  // exists once per input bank (add the bank offset)
  Encoding encoding;
  int min;  // register value range
  int max;
  std::string_view meaning;
};

// The one table of the register map, bank-0 addresses. Ordered by address;
// the typed commands 47 and 48 come before the equalizer range they lie in,
// so lookup() finds them first.
std::span<const RegisterEntry> registerTable();

// The entry that describes `address` (any bank), if the tool uses it.
std::optional<RegisterEntry> lookupRegister(int address);

// Conversions between slider positions and register values. Each slider keeps
// the position the technician sees; the register holds a small offset value.
namespace conv {
// Band slider: position -15 (top, +15 dB) .. +15 (bottom, -15 dB).
constexpr int bandRegisterFromPosition(int p) {
  return 15 - p;
}
constexpr int bandPositionFromRegister(int r) {
  return 15 - r;
}
constexpr int bandGainFromRegister(int r) {
  return r - 15;
}
constexpr int bandRegisterFromGain(int g) {
  return g + 15;
}
// Master volume slider: position = volume dB, -55..+5.
constexpr int volumeRegisterFromPosition(int p) {
  return p + 55;
}
constexpr int volumeDbFromRegister(int r) {
  return r - 55;
}
// Channel level slider: position -22 (top, +8 dB) .. +8 (bottom, -22 dB).
constexpr int levelRegisterFromPosition(int p) {
  return 8 - p;
}
constexpr int levelDbFromPosition(int p) {
  return -p - 14;
}
constexpr int levelPositionFromDb(int db) {
  return -14 - db;
}
constexpr int levelDbFromRegister(int r) {
  return r - 22;
}
}  // namespace conv

// A band register holds the gain in dB plus this; the gain reaches +-this.
constexpr int kBandGainOffset = 15;
constexpr int kBandPositionMin = -15;
constexpr int kBandPositionMax = 15;
constexpr int kVolumePositionMin = -55;
constexpr int kVolumePositionMax = 5;
constexpr int kLevelPositionMin = -22;
constexpr int kLevelPositionMax = 8;
constexpr int kLevelDbMin = -22;
constexpr int kLevelDbMax = 8;

// Band centre frequencies and the labels under the band sliders.
struct Band {
  double hz;
  std::string_view label;
};
const std::array<Band, kBands>& bandTable();

// Channel names in channel order, and the captions of their equalizer pages.
const std::array<std::string_view, kChannels>& channelPageCaptions();

}  // namespace eqset
