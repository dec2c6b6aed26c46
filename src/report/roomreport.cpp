#include "report/roomreport.h"

#include <QStringList>
#include <algorithm>

#include "measure/roomaverage.h"
#include "report/reportcontent.h"

namespace eqset {

namespace {

QString sweepText(const RoomSweep& sweep) {
  switch (sweep.kind) {
    case RoomSweep::Kind::First:
      return QStringLiteral("首次");
    case RoomSweep::Kind::Refinement:
      return QStringLiteral("修正%1").arg(sweep.refinement);
    case RoomSweep::Kind::Final:
      return QStringLiteral("最终");
  }
  return {};
}

}  // namespace

std::optional<RoomChannelReport> roomChannelReport(const RoomRun& run, int channel,
                                                   std::optional<TargetType> target) {
  if (run.positions <= 0 || channel < 0 || channel >= kChannels) return std::nullopt;
  const auto c = static_cast<std::size_t>(channel);
  if (!run.tuned[c]) return std::nullopt;
  const bool subwoofer = channel == kSubwoofer;

  RoomChannelReport room;
  room.positions = run.positions;
  room.positionCurves = firstSweepCurves(run, channel);
  room.spread = positionSpread(room.positionCurves, subwoofer);
  room.averageBefore = run.averageBefore[c];
  if (run.finished[c]) room.averageAfter = run.averageAfter[c];
  if (!target) return room;

  room.before = deviationFromTarget(room.averageBefore, *target, subwoofer);
  if (room.averageAfter) room.after = deviationFromTarget(*room.averageAfter, *target, subwoofer);
  const CurveRow& level = room.averageAfter ? *room.averageAfter : room.averageBefore;
  room.target = targetRow(*target, averageLevel(level, subwoofer), subwoofer);
  return room;
}

std::optional<PositionSpread> positionSpread(const std::vector<CurveRow>& curves, bool subwoofer) {
  if (curves.size() < 2) return std::nullopt;
  PositionSpread widest;
  for (int b = 0; b < (subwoofer ? kSubwooferBands : kBands); ++b) {
    const auto slot = static_cast<std::size_t>(bandSlot(b));
    const auto [low, high] = std::minmax_element(
        curves.begin(), curves.end(),
        [slot](const CurveRow& x, const CurveRow& y) { return x[slot] < y[slot]; });
    const double spread = static_cast<double>((*high)[slot]) - (*low)[slot];
    if (b == 0 || spread > widest.db) widest = {spread, b};
  }
  return widest;
}

QString spreadText(const PositionSpread& spread) {
  return QStringLiteral("%1（%2）").arg(dbText(spread.db), bandLabel(spread.band));
}

QByteArray roomCsv(const RoomRun& run) {
  const QString comma = QStringLiteral(",");
  const QString end = QStringLiteral("\r\n");
  QStringList header{QStringLiteral("位置"), QStringLiteral("声道"), QStringLiteral("扫频")};
  for (int b = 0; b < kBands; ++b)
    header << bandLabel(b);
  QString text = header.join(comma) + end;
  for (const RoomSweep& s : run.sweeps) {
    if (s.channel < 0 || s.channel >= kChannels) continue;
    QStringList cells{QString::number(s.position),
                      reportChannelNames()[static_cast<std::size_t>(s.channel)], sweepText(s)};
    for (double level : bandLevels(s.curve))
      cells << QString::number(level, 'f', 1);
    text += cells.join(comma) + end;
  }
  return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
}

RoomRun writtenRecord(const std::array<std::shared_ptr<const RoomRun>, kChannels>& runs) {
  RoomRun record;
  for (int c = 0; c < kChannels; ++c) {
    const auto k = static_cast<std::size_t>(c);
    if (!runs[k]) continue;
    const RoomRun& run = *runs[k];
    record.positions = std::max(record.positions, run.positions);
    for (const RoomSweep& sweep : run.sweeps) {
      if (sweep.channel == c) record.sweeps.push_back(sweep);
    }
    record.tuned[k] = run.tuned[k];
    record.averageBefore[k] = run.averageBefore[k];
    record.averageAfter[k] = run.averageAfter[k];
    record.finished[k] = run.finished[k];
  }
  return record;
}

}  // namespace eqset
