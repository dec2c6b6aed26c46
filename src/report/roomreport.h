#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "measure/compensation.h"
#include "measure/measuredata.h"

namespace eqset {

// Where the positions of a "全场均衡" run disagree most: the largest
// difference between the highest and the lowest position at one band.
struct PositionSpread {
  double db = 0;
  int band = 0;
};

// A channel the last "全场均衡" run tuned, as the report shows it.
struct RoomChannelReport {
  int positions = 0;
  // The first sweep at each position, in position order.
  std::vector<CurveRow> positionCurves;
  CurveRow averageBefore{};
  std::optional<CurveRow> averageAfter;  // once the final sweep has placed it
  // For the average after's level, else the average before's.
  std::optional<CurveRow> target;
  std::optional<Deviation> before;  // average before from its target
  std::optional<Deviation> after;   // average after from its target
  std::optional<PositionSpread> spread;
};

// The channel's part of the last run; nothing when the run did not tune it.
// Without a target type there is no target and there are no deviations.
std::optional<RoomChannelReport> roomChannelReport(const RoomRun& run, int channel,
                                                   std::optional<TargetType> target);

// The largest spread between the curves over the bands the channel plays (up
// to 200 Hz for the subwoofer), the lowest band on a tie; nothing for fewer
// than two curves.
std::optional<PositionSpread> positionSpread(const std::vector<CurveRow>& curves, bool subwoofer);

// "7.4 dB（63Hz）".
QString spreadText(const PositionSpread& spread);

// One record of the channels' runs: each channel as the last run that wrote
// it measured it; positions the most any of them had.
RoomRun writtenRecord(const std::array<std::shared_ptr<const RoomRun>, kChannels>& runs);

// Every sweep of the run for a spreadsheet: UTF-8 with a byte order mark,
// lines ended "\r\n", a header of the band labels after position, channel and
// sweep, then one row per sweep in the order measured, levels to 0.1 dB.
QByteArray roomCsv(const RoomRun& run);

}  // namespace eqset
