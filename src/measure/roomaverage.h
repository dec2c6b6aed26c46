#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "measure/measuredata.h"
#include "params/registermap.h"

namespace eqset {

// A channel's third-octave levels in dB, band 0 (20 Hz) .. 30 (20 kHz).
using BandLevels = std::array<double, kBands>;

// What the audience hears on average, from the curves measured at several
// microphone positions: per band 10 log10 of the mean of 10^(L/10), so a seat
// in a standing-wave peak counts for the energy it gets, not for its dB.
// Throws std::invalid_argument for no curves.
BandLevels powerAverage(std::span<const BandLevels> curves);

// A refinement pass measures at one position only. The equalizer changes every
// seat alike, so the average moves as that position moves: per band the first
// average plus (the curve now - the first curve at the same position).
BandLevels predictedAverage(const BandLevels& firstAverage, const BandLevels& firstCurveHere,
                            const BandLevels& curveNowHere);

// A curve's 31 bands, and the curve of 31 bands (the slots around them 0).
BandLevels bandLevels(const CurveRow& row);
CurveRow curveRow(const BandLevels& levels);

// The first sweep of `channel` at each position of `run`, in position order;
// of a position swept twice, the later.
std::vector<CurveRow> firstSweepCurves(const RoomRun& run, int channel);
// The power average of those curves; nothing before the first of them.
std::optional<BandLevels> firstSweepAverage(const RoomRun& run, int channel);

}  // namespace eqset
