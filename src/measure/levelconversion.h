#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace eqset {

// A sound level as the processor's microphone input reports it: a raw word,
// turned into a linear value (0.75 is the reference) and a level in dB SPL
// with the microphone's calibration offset added. Both are finite numbers:
// a level is made only from values that are, so nothing shown or plotted is
// ever built from NaN or infinity.
class SoundLevel {
 public:
  // Nothing when either value is not a finite number.
  static std::optional<SoundLevel> of(double linear, double db);

  double linear() const { return linear_; }
  double db() const { return db_; }

 private:
  SoundLevel(double linear, double db) : linear_(linear), db_(db) {}
  double linear_;
  double db_;
};

// The level of a raw word: 24 bits for a curve band; for the running level
// 65536 H + 256 M + L of the full register values, up to 32767 each, which is
// more than 24 bits, so the scaling is computed in 64 bits. Nothing when the
// level is not a finite number (a microphone zero that is not one).
std::optional<SoundLevel> convertLevel(std::uint32_t raw, double micZeroDb);

// The readout the technician sees: "88.0dB0.750 " (level with at least two
// integer digits and one decimal, "dB", the linear value to three decimals
// and a space).
QString levelReadout(const SoundLevel& level);

}  // namespace eqset
