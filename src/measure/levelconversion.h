#pragma once

#include <QString>
#include <cstdint>

namespace eqset {

// A sound level as the processor's microphone input reports it: a 24-bit raw
// word, turned into a linear value (0.75 is the reference) and a level in dB
// SPL with the microphone's calibration offset added.
struct SoundLevel {
  double linear = 0;
  double db = 0;
};

SoundLevel convertLevel(std::uint32_t raw, double micZeroDb);

// The readout the technician sees: "88.0dB0.750 " (level with at least two
// integer digits and one decimal, "dB", the linear value to three decimals
// and a space).
QString levelReadout(const SoundLevel& level);

}  // namespace eqset
