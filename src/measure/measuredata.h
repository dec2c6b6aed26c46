#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "params/registermap.h"

namespace eqset {

// Band b of a curve sits in slot b + 1; slot 0 and slots 32..35 stay 0.
constexpr int kBandSlots = 36;
constexpr int kCurveAreas = 8;
constexpr int bandSlot(int band) {
  return band + 1;
}
using CurveRow = std::array<float, kBandSlots>;

// The running level is read once a second while it is watched.
constexpr int kLevelReadingPeriodMs = 1000;

// The measured curve of every channel (area = channel number), in dB, kept for
// the whole run and saved with the curve files.
struct CurveStore {
  std::array<CurveRow, kCurveAreas> areas{};
};

// What the graph shows: row 0 the response of the channel being tuned, row 1
// the target curve.
struct PlotBuffer {
  static constexpr int kMeasured = 0;
  static constexpr int kTarget = 1;
  std::array<CurveRow, 2> rows{};
};

// One sweep of a "全场均衡" run: where the microphone stood, which channel,
// and which sweep of the channel it was.
struct RoomSweep {
  enum class Kind { First, Refinement, Final };
  int position = 1;  // 1..positions
  int channel = 0;
  Kind kind = Kind::First;
  int refinement = 0;  // 1, 2 for the refinement sweeps, else 0
  CurveRow curve{};
};

// The last "全场均衡" run, for the commissioning report: every curve it
// measured and, per channel, the audience average before and after.
struct RoomRun {
  int positions = 0;  // 0: no run since start
  std::vector<RoomSweep> sweeps;
  // Written at least once by the run.
  std::array<bool, kChannels> tuned{};
  // The power average of the channel's first sweeps at every position.
  std::array<CurveRow, kChannels> averageBefore{};
  // The average as the final sweep places it; valid once `finished`.
  std::array<CurveRow, kChannels> averageAfter{};
  std::array<bool, kChannels> finished{};
};

// The measurement's window state, shared by the test signals, the readings,
// the compensation, the automatic sequence and the graph.
struct MeasureState {
  CurveStore curves;
  PlotBuffer plot;
  // 1: the band edits show a measurement and ignore focus and edits; 0: they
  // edit the equalizer gains of the channel being tuned.
  int measurementLock = 1;
  // Low byte of register 1028 at the last good curve read: 1 once the sweep
  // asked for is finished.
  int sweepStatus = 0;
  // The channel's equalizer gains in dB as "读取绝对参数" found them, and
  // where: the bank offset and the channel (-1, -1 before any read).
  std::array<float, kBands> presentGains{};
  std::pair<int, int> presentAt{-1, -1};
  // The register of the last measurement command issued.
  int lastCommand = 0;
  // Raised and lowered by the reference buttons.
  int referenceOffset = 0;
  // Compensation writes made per channel since start; later passes round the
  // relative value before adding it.
  std::array<int, kChannels> passCount{};
  // offset + average level per channel, kept by the relative compensation.
  std::array<int, kChannels> referenceLevel{};
  // The graph's level axis.
  int yMin = 50;
  int yMax = 85;
  // The first curve measured of each channel since start (the first finished
  // sweep, of an automatic run or read by hand), kept for the commissioning
  // report beside the channel's curve now.
  std::array<CurveRow, kChannels> firstCurves{};
  std::array<bool, kChannels> firstCurveKept{};
  // Each channel's equalizer gains as the processor last reported them
  // ("读取绝对参数", also the last step of an automatic run): the sliders do
  // not follow a compensation write, the processor does.
  std::array<std::array<float, kBands>, kChannels> channelGains{};
  std::array<bool, kChannels> channelGainsRead{};
  // The last "全场均衡" run.
  RoomRun room;
  // Per channel, the last run that wrote it: a run that ends before it
  // writes a channel leaves that channel's record as it was.
  std::array<std::shared_ptr<const RoomRun>, kChannels> roomWrittenBy{};
  // The channel's hand tuning was written back by "恢复调试前均衡" after the
  // last automatic write to it.
  std::array<bool, kChannels> restored{};
};

// Keeps `curve` as the channel's first curve unless it has one already.
inline void keepFirstCurve(MeasureState& state, int channel, const CurveRow& curve) {
  if (channel < 0 || channel >= kChannels) return;
  const auto c = static_cast<std::size_t>(channel);
  if (state.firstCurveKept[c]) return;
  state.firstCurves[c] = curve;
  state.firstCurveKept[c] = true;
}

}  // namespace eqset

namespace eqset {

// The register values (gain + 15) of the present gains last read.
inline std::array<int, kBands> presentRegisters(const MeasureState& state) {
  std::array<int, kBands> r{};
  for (std::size_t b = 0; b < r.size(); ++b)
    r[b] = static_cast<int>(std::lround(state.presentGains[b])) + kBandGainOffset;
  return r;
}

}  // namespace eqset
