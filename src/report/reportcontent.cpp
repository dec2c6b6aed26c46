#include "report/reportcontent.h"

#include "params/statetexts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace eqset {

namespace {

constexpr int kRangeStepDb = 5;
constexpr int kMinRangeDb = 20;

int playedBands(const ChannelReport& channel) {
  return channel.subwoofer ? kSubwooferBands : kBands;
}

// The curves the channel's graph draws.
std::vector<const CurveRow*> drawnCurves(const ChannelReport& channel) {
  std::vector<const CurveRow*> curves;
  const auto add = [&curves](const std::optional<CurveRow>& curve) {
    if (curve) curves.push_back(&*curve);
  };
  if (channel.room) {
    for (const CurveRow& curve : channel.room->positionCurves)
      curves.push_back(&curve);
    curves.push_back(&channel.room->averageBefore);
    add(channel.room->averageAfter);
    add(channel.room->target);
  } else {
    add(channel.first);
    add(channel.finalCurve);
    add(channel.target);
  }
  return curves;
}

}  // namespace

const std::array<QString, kChannels>& reportChannelNames() {
  return statetext::channelNames();
}

QString bandLabel(int band) {
  const auto& label = bandTable()[static_cast<std::size_t>(band)].label;
  return QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
}

bool hasLevels(const CurveRow& curve) {
  for (int b = 0; b < kBands; ++b) {
    if (curve[static_cast<std::size_t>(bandSlot(b))] != 0) return true;
  }
  return false;
}

ReportContent buildReport(const WindowSettings& settings, const MeasureState& state) {
  ReportContent r;
  r.settings = settings;
  r.targetType = targetTypeFromText(settings.target);
  r.volumeDb = settings.volumePosition;
  for (int k = 0; k < kChannels; ++k) {
    const auto c = static_cast<std::size_t>(k);
    r.levelsDb[c] = conv::levelDbFromPosition(settings.levelPositions[c]);

    ChannelReport& ch = r.channels[c];
    ch.name = reportChannelNames()[c];
    ch.subwoofer = k == kSubwoofer;
    ch.passes = state.passCount[c];
    // What the processor holds as the report is made; when it could not be
    // read, the sliders, which are what the tool would write, and the report
    // says so.
    ch.gainsRead = settings.held[c].has_value();
    ch.restored = state.restored[c];
    for (int b = 0; b < kBands; ++b) {
      const int position =
          settings.bandPositions[static_cast<std::size_t>(equalizerRegister(k, b))];
      const auto band = static_cast<std::size_t>(b);
      ch.gains[band] = ch.gainsRead ? (*settings.held[c])[band] : -position;
    }
    const CurveRow& stored = state.curves.areas[c];
    const bool hasCurve = hasLevels(stored);
    if (state.roomWrittenBy[c])
      ch.room = roomChannelReport(*state.roomWrittenBy[c], k, r.targetType);
    ch.measured = ch.room || state.firstCurveKept[c] || (hasCurve && ch.passes > 0);
    if (!ch.measured) continue;
    if (state.firstCurveKept[c]) ch.first = state.firstCurves[c];
    if (hasCurve) ch.finalCurve = stored;
    if (!r.targetType) continue;
    if (ch.first) ch.before = deviationFromTarget(*ch.first, *r.targetType, ch.subwoofer);
    if (ch.finalCurve) {
      ch.after = deviationFromTarget(*ch.finalCurve, *r.targetType, ch.subwoofer);
      ch.target =
          targetRow(*r.targetType, averageLevel(*ch.finalCurve, ch.subwoofer), ch.subwoofer);
    }
  }
  return r;
}

QString dbText(double db) {
  return QStringLiteral("%1 dB").arg(db, 0, 'f', 1);
}

QString gainText(int db) {
  return db > 0 ? QStringLiteral("+%1").arg(db) : QString::number(db);
}

QString deviationText(const Deviation& d) {
  return QStringLiteral("最大 %1，均方根 %2").arg(dbText(d.largest), dbText(d.rms));
}

std::pair<int, int> graphRange(const ChannelReport& channel) {
  double low = 0;
  double high = 0;
  bool any = false;
  for (const CurveRow* curve : drawnCurves(channel)) {
    for (int b = 0; b < playedBands(channel); ++b) {
      const double v = (*curve)[static_cast<std::size_t>(bandSlot(b))];
      low = any ? std::min(low, v) : v;
      high = any ? std::max(high, v) : v;
      any = true;
    }
  }
  if (!any) return {50, 85};
  auto lo = static_cast<int>(std::floor(low / kRangeStepDb)) * kRangeStepDb;
  auto hi = static_cast<int>(std::ceil(high / kRangeStepDb)) * kRangeStepDb;
  // Room above and below the curves, in whole steps.
  if (hi - lo < kMinRangeDb) {
    const int missing = (kMinRangeDb - (hi - lo)) / kRangeStepDb;
    lo -= (missing / 2) * kRangeStepDb;
    hi += (missing - missing / 2) * kRangeStepDb;
  }
  return {lo, hi};
}

}  // namespace eqset
