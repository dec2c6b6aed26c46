#pragma once

#include <QString>
#include <optional>

#include "measure/measuredata.h"

namespace eqset {

// The target curves of the list "均衡曲线目标", chosen by their exact text.
enum class TargetType { Iso2969, Flat, Custom };
std::optional<TargetType> targetTypeFromText(const QString& text);

// The channel's average level: bands 160 Hz .. 1.6 kHz, or 20 .. 200 Hz for
// the subwoofer, summed in 32-bit floats from the lowest band up.
float averageLevel(const CurveRow& measured, bool subwoofer);

// The target row for an average level: the average plus the curve's offset
// per band; for the subwoofer the average up to 200 Hz and an absolute 0 dB
// above (where it plays nothing).
CurveRow targetRow(TargetType type, float average, bool subwoofer);

// The band gain that brings a measured level to its target: the difference
// rounded half to even; a difference beyond +-15 dB cannot be equalized and
// is dropped (0), not clamped.
int relativeCompensation(float target, float measured);

// The gain to write: present gain plus the relative value (rounded first once
// the channel has been written before), within -15 dB and +15 dB, +10 dB for
// the three lowest and two highest bands.
int absoluteCompensation(float present, double relative, int passCount, int band);

// How far a measured curve lies from the target of its own average level, over
// the bands the channel plays (20 .. 200 Hz for the subwoofer): the largest
// and the root-mean-square difference in dB.
struct Deviation {
  double largest = 0;
  double rms = 0;
};
Deviation deviationFromTarget(const CurveRow& measured, TargetType type, bool subwoofer);

}  // namespace eqset
