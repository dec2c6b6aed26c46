#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/audience.h"
#include "sim/room.h"

namespace sim {

struct ModelOptions {
  // Picks the room (every channel's response) and the measurement noise.
  std::uint32_t seed = 1;
  // How long the processor's frequency sweep of one channel takes.
  int sweepMs = 3000;
};

// The cinema processor as its serial port and its measurement microphone see
// it: 1100 holding registers, three per-input banks, the test-signal
// generator, the frequency sweep and the auditorium it plays into.
//
// Time is whatever the caller says it is (milliseconds, never going back): a
// fake serial port passes a virtual clock, the pseudo-terminal server the
// time since it started.
//
// Start values, as the processor comes out of the box: every equalizer cell
// 15 (flat), master volume 55 (0 dB) and channel levels 22 (0 dB) in all three
// banks; input 1 (digital / analog A), mode 0 (unified), limiter 2 (-0 dB) on
// 280..282, auxiliary 5.1 allowed (271 = 1), pink noise off (261 = 0,
// 259 = 1); everything else 0: no mute, test channel 0, normal polarity, no
// delays, length and width 0, fade times 0.
class ProcessorModel {
 public:
  static constexpr int kRegisterCount = 1100;
  static constexpr int kBankCount = 3;
  static constexpr int kBankCells = 258;
  static constexpr int kBankStride = 300;

  explicit ProcessorModel(ModelOptions options = {});

  // One complete request frame in; the reply bytes out. Empty = the processor
  // stays silent (bad CRC, another slave address, too short).
  std::vector<std::uint8_t> handleFrame(std::span<const std::uint8_t> frame, std::int64_t nowMs);

  // Runs the processor's own processes (a sweep in progress) up to nowMs.
  void advanceTo(std::int64_t nowMs);

  // What a function-3 read of `address` would return now. Throws
  // std::out_of_range outside 0..1099.
  std::uint16_t readRegister(int address, std::int64_t nowMs);
  // A function-3 read of `count` registers from `start`: one microphone
  // reading serves the whole request. Throws std::out_of_range when the range
  // leaves 0..1099.
  std::vector<std::uint16_t> readRegisters(int start, int count, std::int64_t nowMs);
  // A function-6 write, commands included. Throws std::out_of_range outside
  // 0..1099.
  void writeRegister(int address, std::uint16_t value, std::int64_t nowMs);

  // Per-input bank storage: bank 0..2 (offsets 0/300/600), cell 0..257.
  std::uint16_t bankCell(int bank, int cell) const;
  // Shared registers (258..299, 1084, 1085 ...), as stored. For the command
  // registers 900..905 this is the value last written, which a read never
  // shows.
  std::uint16_t sharedRegister(int address) const;
  int activeBank() const;  // from input (262) and mode (288)

  // What the microphone hears in band b of channel c with the present
  // settings, without noise (dB SPL), on the seat it stands on.
  double heardBandDb(int channel, int band) const;
  // The room alone at the reference seat: flat equalizer, level and volume at
  // 0 dB.
  double roomBandDb(int channel, int band) const;

  // Where the microphone stands, 1..8 (1, the reference seat, at start): what
  // the level and the curve blocks report is what that seat hears. Throws
  // std::out_of_range outside 1..8 and stays where it was.
  void setMicPosition(int position);
  int micPosition() const { return micPosition_; }

  // What seat 0..23 hears of channel 0..5 with the present settings, per band
  // (dB SPL, without noise). Throws std::out_of_range otherwise.
  std::array<double, kBandCount> seatResponse(int channel, int seat) const;
  // What the audience hears of the channel: per band the power average over
  // all 24 seats, 10 log10 of the mean of 10^(L/10).
  std::array<double, kBandCount> audienceAverage(int channel) const;

  bool sweepRunning() const { return signal_ == Signal::Sweep; }
  // Low byte of 1028: 1 once the sweep asked for has finished.
  int sweepStatus() const { return sweepStatus_; }

  const ModelOptions& options() const { return options_; }

 private:
  enum class Signal { Programme, PinkNoise, Tone, Sweep };

  int storageIndex(int address) const;
  std::uint16_t bankValue(int cell) const;
  void applyCommand(int address, std::uint16_t value, std::int64_t nowMs);
  void finishSweep();
  double bandSignalDb(int channel, int band, int seat) const;
  double micSignalDb(int channel, int band) const;
  double microphoneDb(std::int64_t nowMs) const;
  double noiseDb(std::uint64_t stream, std::uint64_t index) const;

  std::vector<std::uint8_t> answerRead(std::span<const std::uint8_t> frame, std::int64_t nowMs);
  std::vector<std::uint8_t> answerWriteSingle(std::span<const std::uint8_t> frame,
                                              std::int64_t nowMs);
  std::vector<std::uint8_t> answerWriteMultiple(std::span<const std::uint8_t> frame,
                                                std::int64_t nowMs);

  ModelOptions options_;
  Room room_;
  Audience audience_;
  int micPosition_ = 1;
  std::array<std::uint16_t, kRegisterCount> registers_{};

  Signal signal_ = Signal::Programme;
  int toneBand_ = 0;
  int sweepChannel_ = 0;
  std::int64_t sweepStartMs_ = 0;
  std::uint64_t sweepsStarted_ = 0;
  int sweepStatus_ = 0;
  std::array<std::uint32_t, kBandCount> curveRaw_{};
};

}  // namespace sim
