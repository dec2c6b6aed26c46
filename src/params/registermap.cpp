#include "params/registermap.h"

#include "params/bankoffset.h"

namespace eqset {

namespace {

using E = Encoding;

constexpr RegisterEntry kTable[] = {
    {reg::kTestSignal, reg::kTestSignal, false, E::TypedCommand, -255, 32767,
     "test-signal command (typed value)"},
    {reg::kTestRun, reg::kTestRun, false, E::TypedCommand, -255, 32767,
     "test-signal stop/run command (typed value)"},
    {0, kBandIndexes - 1, true, E::BandGain, 0, 30,
     "graphic equalizer gain, channel c band b at 31c + b"},
    {reg::kMasterVolume, reg::kMasterVolume, true, E::Volume, 0, 60, "master volume"},
    {reg::kChannelLevel, reg::kChannelLevel + kChannels - 1, true, E::Level, 0, 30,
     "channel level"},
    {reg::kMute, reg::kMute, false, E::Switch, 0, 1, "mute of all outputs"},
    {reg::kPinkNoiseSecond, reg::kPinkNoiseSecond, false, E::Switch, 0, 1,
     "pink-noise switch, second register (0 on, 1 off)"},
    {reg::kTestChannel, reg::kTestChannel, false, E::Code, 0, 5, "channel fed by the test signal"},
    {reg::kPinkNoiseFirst, reg::kPinkNoiseFirst, false, E::Switch, 0, 1,
     "pink-noise switch, first register (1 on)"},
    {reg::kInput, reg::kInput, false, E::Code, 1, 4,
     "active input: 1 digital/A, 2 analog B, 4 aux"},
    {reg::kPolarity, reg::kPolarity + kChannels - 1, false, E::Switch, 0, 1,
     "polarity, 1 inverted"},
    {reg::kAuxTo51, reg::kAuxTo51, false, E::Switch, 0, 1, "auxiliary input may become 5.1"},
    {reg::kDelay, reg::kDelay + kChannels - 1, false, E::Milliseconds, 0, 32767, "channel delay"},
    {reg::kLimiter, reg::kLimiter + 2, false, E::Code, 0, 2,
     "limiter of L, R, C: 0 -10 dB, 1 -5 dB, 2 0 dB"},
    {reg::kMode, reg::kMode, false, E::Code, 0, 1, "processing mode: 0 unified, 1 three groups"},
    {reg::kTheatreLength, reg::kTheatreLength, false, E::Metres, 0, 32767, "theatre length"},
    {reg::kTheatreWidth, reg::kTheatreWidth, false, E::Metres, 0, 32767, "theatre width"},
    {reg::kLevelBlock, reg::kLevelBlock + reg::kLevelBlockCount - 1, false, E::RawBlock, 0, 0xFFFF,
     "running level (read); 900..904 and 905 are commands when written"},
    {reg::kCurveBlock, reg::kSweepStatus, false, E::RawBlock, 0, 0xFFFF,
     "measured curve and sweep status (read)"},
    {reg::kFade0, reg::kFade1, false, E::Seconds, 0, 5, "fade times"},
};

// Commands live where the measurement blocks are read; a write there is a
// command, never a block value.
constexpr RegisterEntry kCommands[] = {
    {reg::kCalibrate, reg::kCalibrate, false, E::Trigger, 1, 1, "start pink-noise calibration"},
    {reg::kSweep, reg::kSweep, false, E::Trigger, 1, 1, "start the sweep of the channel in 905"},
    {reg::kStop, reg::kStop, false, E::Trigger, 1, 1, "stop the test signal or sweep"},
    {reg::kSingleTone, reg::kSingleTone, false, E::Code, 0, 30, "single test tone of band n"},
    {reg::kNormalPlayback, reg::kNormalPlayback, false, E::Trigger, 1, 1, "back to programme"},
    {reg::kSweepChannel, reg::kSweepChannel, false, E::Code, 0, 5, "channel being tuned"},
};

const std::array<Band, kBands> kBandTable = {{
    {20, "20Hz"},     {25, "25Hz"},     {31.5, "31.5Hz"},  {40, "40Hz"},       {50, "50Hz"},
    {63, "63Hz"},     {80, "80Hz"},     {100, "100Hz"},    {125, "125Hz"},     {160, "160Hz"},
    {200, "200Hz"},   {250, "250Hz"},   {315, "315Hz"},    {400, "400Hz"},     {500, "500Hz"},
    {630, "630Hz"},   {800, "800Hz"},   {1000, "1kHz"},    {1250, "1.25kHz"},  {1600, "1.6kHz"},
    {2000, "2kHz"},   {2500, "2.5kHz"}, {3150, "3.15kHz"}, {4000, "4kHz"},     {5000, "5kHz"},
    {6300, "6.3kHz"}, {8000, "8kHz"},   {10000, "10kHz"},  {12500, "12.5kHz"}, {16000, "16kHz"},
    {20000, "20kHz"},
}};

const std::array<std::string_view, kChannels> kPageCaptions = {"左通道", "右通道", "中置",
                                                               "次低频", "左环",   "右环"};

}  // namespace

std::span<const RegisterEntry> registerTable() {
  return kTable;
}

std::optional<RegisterEntry> lookupRegister(int address) {
  if (address < 0) return std::nullopt;
  for (const auto& e : kCommands) {
    if (address == e.first) return e;
  }
  const int bankAddress = bankZeroAddress(address);
  for (const auto& e : kTable) {
    if (bankAddress != address && !e.perInput) continue;
    if (bankAddress >= e.first && bankAddress <= e.last) return e;
  }
  return std::nullopt;
}

const std::array<Band, kBands>& bandTable() {
  return kBandTable;
}

const std::array<std::string_view, kChannels>& channelPageCaptions() {
  return kPageCaptions;
}

}  // namespace eqset
