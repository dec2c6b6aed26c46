#include "sim/processormodel.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "sim/crc16.h"
#include "sim/levelcode.h"
#include "sim/rtu.h"
#include "sim/seededrandom.h"

namespace sim {

namespace {

// Per-input cells (offsets inside a bank).
constexpr int kEqualizerCells = kChannelCount * kBandCount;  // 31c + b
constexpr int kVolumeCell = 248;
constexpr int kLevelCell = 250;  // + c

// Shared registers.
constexpr int kMute = 258;
constexpr int kPinkOff = 259;
constexpr int kTestChannel = 260;
constexpr int kPinkSwitch = 261;
constexpr int kInput = 262;
constexpr int kAuxiliary51 = 271;
constexpr int kLimiterLeft = 280;
constexpr int kLimiterCentre = 282;
constexpr int kMode = 288;

constexpr int kInputAnalogB = 2;
constexpr int kInputAuxiliary = 4;
constexpr int kModeIndependent = 1;

// Measurement area: commands when written, readings when read.
constexpr int kCalibrate = 900;
constexpr int kStartSweep = 901;
constexpr int kStopSignal = 902;
constexpr int kSingleTone = 903;
constexpr int kProgramme = 904;
constexpr int kSweepChannel = 905;
constexpr int kLevelBlock = 900;
constexpr int kLevelBlockEnd = 903;
constexpr int kCurveBlock = 904;
constexpr int kSweepStatusRegister = 1028;

// Per third-octave band, what the microphone picks up in the empty auditorium
// (projector, air conditioning); a muted processor leaves only this.
constexpr double kAmbientBandDb = 25.0;
// A reading scatters by up to this much around the true level.
constexpr double kNoiseDb = 0.3;
// The equalizer's third-octave filters overlap: a band's gain reaches into its
// neighbours at this fraction (in dB).
constexpr double kNeighbourSpill = 0.25;
// The microphone's integration window: readings within one window agree.
constexpr std::int64_t kMicrophoneWindowMs = 100;

constexpr std::uint64_t kLevelNoiseStream = 0x4C4556454CULL;
constexpr std::uint64_t kCurveNoiseStream = 0x4355525645ULL;

void requireAddressRange(int start, int count) {
  if (start < 0 || count < 0 || start + count > ProcessorModel::kRegisterCount) {
    throw std::out_of_range("register address");
  }
}

double powerSumDb(double a, double b) {
  return 10.0 * std::log10(std::pow(10.0, a / 10.0) + std::pow(10.0, b / 10.0));
}

double clampedOffsetDb(std::uint16_t raw, int top, int zero) {
  return static_cast<double>(std::min<int>(raw, top) - zero);
}

bool inBankArea(int address, int bank) {
  const int first = bank * ProcessorModel::kBankStride;
  return address >= first && address < first + ProcessorModel::kBankCells;
}

}  // namespace

ProcessorModel::ProcessorModel(ModelOptions options)
    : options_(options), room_(options.seed), audience_(options.seed) {
  for (int bank = 0; bank < kBankCount; ++bank) {
    const int base = bank * kBankStride;
    std::fill_n(registers_.begin() + base, kEqualizerCells, std::uint16_t{15});
    registers_[base + kVolumeCell] = 55;
    std::fill_n(registers_.begin() + base + kLevelCell, kChannelCount, std::uint16_t{22});
  }
  registers_[kPinkOff] = 1;
  registers_[kInput] = 1;
  registers_[kAuxiliary51] = 1;
  std::fill(registers_.begin() + kLimiterLeft, registers_.begin() + kLimiterCentre + 1,
            std::uint16_t{2});
}

int ProcessorModel::activeBank() const {
  if (registers_[kMode] != kModeIndependent) return 0;
  if (registers_[kInput] == kInputAnalogB) return 1;
  if (registers_[kInput] == kInputAuxiliary) return 2;
  return 0;
}

// Addresses 0..257 always mean "the bank the processor is playing from"; the
// other two bank areas are reached at their own addresses.
int ProcessorModel::storageIndex(int address) const {
  if (inBankArea(address, 0)) return activeBank() * kBankStride + address;
  return address;
}

std::uint16_t ProcessorModel::bankValue(int cell) const {
  return registers_[activeBank() * kBankStride + cell];
}

std::uint16_t ProcessorModel::bankCell(int bank, int cell) const {
  if (bank < 0 || bank >= kBankCount || cell < 0 || cell >= kBankCells) {
    throw std::out_of_range("bank cell");
  }
  return registers_[bank * kBankStride + cell];
}

std::uint16_t ProcessorModel::sharedRegister(int address) const {
  requireAddressRange(address, 1);
  return registers_[address];
}

void ProcessorModel::advanceTo(std::int64_t nowMs) {
  if (signal_ == Signal::Sweep && nowMs - sweepStartMs_ >= options_.sweepMs) finishSweep();
}

void ProcessorModel::finishSweep() {
  const std::uint64_t first = (sweepsStarted_ - 1) * kBandCount;
  for (int b = 0; b < kBandCount; ++b) {
    const double db = micSignalDb(sweepChannel_, b) + noiseDb(kCurveNoiseStream, first + b);
    curveRaw_[b] = rawLevelFromDb(db);
  }
  sweepStatus_ = 1;
  signal_ = Signal::Programme;
}

void ProcessorModel::writeRegister(int address, std::uint16_t value, std::int64_t nowMs) {
  requireAddressRange(address, 1);
  advanceTo(nowMs);
  registers_[storageIndex(address)] = value;
  applyCommand(address, value, nowMs);
}

// A new test signal replaces whatever played before, a running sweep included
// (which then never reports finished).
void ProcessorModel::applyCommand(int address, std::uint16_t value, std::int64_t nowMs) {
  switch (address) {
    case kPinkSwitch:
      if (value == 1) {
        signal_ = Signal::PinkNoise;
      } else if (signal_ == Signal::PinkNoise) {
        signal_ = Signal::Programme;
      }
      break;
    case kCalibrate:
      if (value == 1) signal_ = Signal::PinkNoise;
      break;
    case kStartSweep:
      if (value == 1) {
        signal_ = Signal::Sweep;
        sweepChannel_ = registers_[kSweepChannel];
        sweepStartMs_ = nowMs;
        sweepStatus_ = 0;
        ++sweepsStarted_;
        advanceTo(nowMs);  // a zero-length sweep is done at once
      }
      break;
    case kStopSignal:
      if (value == 1) signal_ = Signal::Programme;
      break;
    case kSingleTone:
      if (value < kBandCount) {
        signal_ = Signal::Tone;
        toneBand_ = value;
      }
      break;
    case kProgramme:
      if (value == 1) signal_ = Signal::Programme;
      break;
    default:
      break;
  }
}

std::uint16_t ProcessorModel::readRegister(int address, std::int64_t nowMs) {
  return readRegisters(address, 1, nowMs).front();
}

std::vector<std::uint16_t> ProcessorModel::readRegisters(int start, int count, std::int64_t nowMs) {
  requireAddressRange(start, count);
  advanceTo(nowMs);
  std::optional<std::uint32_t> level;
  std::vector<std::uint16_t> values;
  values.reserve(static_cast<std::size_t>(count));
  for (int address = start; address < start + count; ++address) {
    if (address == kLevelBlock) {
      values.push_back(0);
    } else if (address > kLevelBlock && address <= kLevelBlockEnd) {
      if (!level) level = rawLevelFromDb(microphoneDb(nowMs));
      const int shift = 8 * (kLevelBlockEnd - address);
      values.push_back(static_cast<std::uint16_t>((*level >> shift) & 0xFF));
    } else if (address >= kCurveBlock && address < kSweepStatusRegister) {
      const int offset = address - kCurveBlock;
      const int part = offset % 4;
      const std::uint32_t raw = curveRaw_[offset / 4];
      values.push_back(part == 0 ? 0
                                 : static_cast<std::uint16_t>((raw >> (8 * (3 - part))) & 0xFF));
    } else if (address == kSweepStatusRegister) {
      values.push_back(static_cast<std::uint16_t>(sweepStatus_));
    } else {
      values.push_back(registers_[storageIndex(address)]);
    }
  }
  return values;
}

double ProcessorModel::roomBandDb(int channel, int band) const {
  return room_.bandDb(channel, band);
}

double ProcessorModel::heardBandDb(int channel, int band) const {
  if (channel < 0 || channel >= kChannelCount || band < 0 || band >= kBandCount) {
    throw std::out_of_range("channel or band");
  }
  return micSignalDb(channel, band);
}

void ProcessorModel::setMicPosition(int position) {
  Audience::seatOfMicPosition(position);  // refuses a position that is not on the sheet
  micPosition_ = position;
}

std::array<double, kBandCount> ProcessorModel::seatResponse(int channel, int seat) const {
  if (channel < 0 || channel >= kChannelCount || seat < 0 || seat >= kSeatCount) {
    throw std::out_of_range("channel or seat");
  }
  std::array<double, kBandCount> db{};
  for (int b = 0; b < kBandCount; ++b)
    db[b] = bandSignalDb(channel, b, seat);
  return db;
}

std::array<double, kBandCount> ProcessorModel::audienceAverage(int channel) const {
  std::array<double, kBandCount> power{};
  for (int seat = 0; seat < kSeatCount; ++seat) {
    const auto db = seatResponse(channel, seat);
    for (int b = 0; b < kBandCount; ++b)
      power[b] += std::pow(10.0, db[b] / 10.0);
  }
  std::array<double, kBandCount> db{};
  for (int b = 0; b < kBandCount; ++b)
    db[b] = 10.0 * std::log10(power[b] / kSeatCount);
  return db;
}

double ProcessorModel::micSignalDb(int channel, int band) const {
  return bandSignalDb(channel, band, Audience::seatOfMicPosition(micPosition_));
}

// Channels outside 0..5 feed no loudspeaker: the microphone hears the room's
// ambient noise only.
double ProcessorModel::bandSignalDb(int channel, int band, int seat) const {
  if (channel < 0 || channel >= kChannelCount || registers_[kMute] == 1) return kAmbientBandDb;
  double equalizerDb = 0.0;
  for (int b = std::max(0, band - 1); b <= std::min(kBandCount - 1, band + 1); ++b) {
    const double gainDb = clampedOffsetDb(bankValue(kBandCount * channel + b), 30, 15);
    equalizerDb += (b == band ? 1.0 : kNeighbourSpill) * gainDb;
  }
  const double levelDb = clampedOffsetDb(bankValue(kLevelCell + channel), 30, 22);
  const double volumeDb = clampedOffsetDb(bankValue(kVolumeCell), 60, 55);
  const double speakerDb = room_.bandDb(channel, band) +
                           audience_.deviationDb(seat, channel, band) + equalizerDb + levelDb +
                           volumeDb;
  return powerSumDb(speakerDb, kAmbientBandDb);
}

double ProcessorModel::microphoneDb(std::int64_t nowMs) const {
  double db = 0.0;
  switch (signal_) {
    case Signal::Programme: {
      // No programme material is modelled: the auditorium is quiet.
      double energy = 0.0;
      for (int b = 0; b < kBandCount; ++b)
        energy += std::pow(10.0, kAmbientBandDb / 10.0);
      db = 10.0 * std::log10(energy);
      break;
    }
    case Signal::PinkNoise: {
      const int channel = registers_[kTestChannel];
      double energy = 0.0;
      for (int b = 0; b < kBandCount; ++b) {
        energy += std::pow(10.0, micSignalDb(channel, b) / 10.0);
      }
      db = 10.0 * std::log10(energy);
      break;
    }
    case Signal::Tone:
      db = micSignalDb(registers_[kTestChannel], toneBand_);
      break;
    case Signal::Sweep: {
      // The sweep climbs through the bands evenly over its duration.
      const std::int64_t elapsed = std::max<std::int64_t>(0, nowMs - sweepStartMs_);
      const std::int64_t band =
          options_.sweepMs > 0 ? elapsed * kBandCount / options_.sweepMs : kBandCount - 1;
      db = micSignalDb(sweepChannel_, static_cast<int>(std::min<std::int64_t>(band, 30)));
      break;
    }
  }
  const std::int64_t window = std::max<std::int64_t>(0, nowMs) / kMicrophoneWindowMs;
  return db + noiseDb(kLevelNoiseStream, static_cast<std::uint64_t>(window));
}

double ProcessorModel::noiseDb(std::uint64_t stream, std::uint64_t index) const {
  SeededRandom random(mixKeys(options_.seed, stream, index));
  return random.between(-kNoiseDb, kNoiseDb);
}

std::vector<std::uint8_t> ProcessorModel::handleFrame(std::span<const std::uint8_t> frame,
                                                      std::int64_t nowMs) {
  advanceTo(nowMs);
  if (frame.size() < 4 || !crcMatches(frame) || frame[0] != rtu::kSlaveAddress) return {};
  switch (frame[1]) {
    case rtu::kReadHolding:
      return answerRead(frame, nowMs);
    case rtu::kWriteSingle:
      return answerWriteSingle(frame, nowMs);
    case rtu::kWriteMultiple:
      return answerWriteMultiple(frame, nowMs);
    default:
      return rtu::exceptionReply(frame[1], rtu::kIllegalFunction);
  }
}

std::vector<std::uint8_t> ProcessorModel::answerRead(std::span<const std::uint8_t> frame,
                                                     std::int64_t nowMs) {
  if (frame.size() != 8) return rtu::exceptionReply(frame[1], rtu::kIllegalDataValue);
  const int start = rtu::wordAt(frame, 2);
  const int count = rtu::wordAt(frame, 4);
  if (count < 1 || count > rtu::kMaxReadCount) {
    return rtu::exceptionReply(frame[1], rtu::kIllegalDataValue);
  }
  if (start + count > kRegisterCount) {
    return rtu::exceptionReply(frame[1], rtu::kIllegalDataAddress);
  }
  std::vector<std::uint8_t> reply{rtu::kSlaveAddress, rtu::kReadHolding,
                                  static_cast<std::uint8_t>(2 * count)};
  for (std::uint16_t value : readRegisters(start, count, nowMs))
    rtu::appendWord(reply, value);
  appendCrc(reply);
  return reply;
}

std::vector<std::uint8_t> ProcessorModel::answerWriteSingle(std::span<const std::uint8_t> frame,
                                                            std::int64_t nowMs) {
  if (frame.size() != 8) return rtu::exceptionReply(frame[1], rtu::kIllegalDataValue);
  const int address = rtu::wordAt(frame, 2);
  if (address >= kRegisterCount) return rtu::exceptionReply(frame[1], rtu::kIllegalDataAddress);
  writeRegister(address, rtu::wordAt(frame, 4), nowMs);
  return {frame.begin(), frame.end()};
}

std::vector<std::uint8_t> ProcessorModel::answerWriteMultiple(std::span<const std::uint8_t> frame,
                                                              std::int64_t nowMs) {
  if (frame.size() < 9) return rtu::exceptionReply(frame[1], rtu::kIllegalDataValue);
  const int start = rtu::wordAt(frame, 2);
  const int count = rtu::wordAt(frame, 4);
  const std::size_t byteCount = frame[6];
  if (count < 1 || count > rtu::kMaxWriteCount || byteCount != 2U * count ||
      frame.size() != 9 + byteCount) {
    return rtu::exceptionReply(frame[1], rtu::kIllegalDataValue);
  }
  if (start + count > kRegisterCount) {
    return rtu::exceptionReply(frame[1], rtu::kIllegalDataAddress);
  }
  for (int i = 0; i < count; ++i) {
    writeRegister(start + i, rtu::wordAt(frame, 7 + 2 * static_cast<std::size_t>(i)), nowMs);
  }
  std::vector<std::uint8_t> reply(frame.begin(), frame.begin() + 6);
  appendCrc(reply);
  return reply;
}

}  // namespace sim
