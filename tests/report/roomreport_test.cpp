#include <gtest/gtest.h>

#include <vector>

#include "flatcurve.h"
#include "qtprinters.h"
#include "report/reportcontent.h"

namespace eqset {
namespace {

using test::curve;
using Kind = RoomSweep::Kind;

// A run over as many positions as `firsts` has curves, `channel` swept first
// at each; then sweeps that are none of its positions: a refinement and the
// final sweep at the last position, and another channel's first sweep.
RoomRun runOf(int channel, const std::vector<CurveRow>& firsts) {
  RoomRun run;
  run.positions = static_cast<int>(firsts.size());
  for (std::size_t p = 0; p < firsts.size(); ++p)
    run.sweeps.push_back({static_cast<int>(p) + 1, channel, Kind::First, 0, firsts[p]});
  const CurveRow wild = curve(40, 5, 30);
  run.sweeps.push_back({run.positions, channel, Kind::Refinement, 1, wild});
  run.sweeps.push_back({run.positions, channel, Kind::Final, 0, wild});
  run.sweeps.push_back({1, (channel + 1) % kChannels, Kind::First, 0, wild});
  run.tuned[static_cast<std::size_t>(channel)] = true;
  return run;
}

TEST(RoomReport, TheSpreadBetweenPositionsAndTheAveragesFromTheirTargets) {
  struct Case {
    const char* what;
    int channel;
    std::vector<CurveRow> firsts;
    const char* spread;  // empty for a single position
  };
  const Case cases[] = {
      {"63Hz", 0, {curve(70, 5, 4), curve(70, 5, -3.4F), curve(70, 20, 5)}, "7.4 dB（63Hz）"},
      {"sub to 200Hz", kSubwoofer, {curve(80, 17, -30), curve(80, 3, 2.5F)}, "2.5 dB（40Hz）"},
      {"tie: lower band", 2, {curve(70, 14, -3), curve(70, 8, 3)}, "3.0 dB（125Hz）"},
      {"one position", 4, {curve(70, 5, 4)}, ""},
  };
  WindowSettings settings;
  settings.target = QStringLiteral("平直");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MeasureState state;
    const auto k = static_cast<std::size_t>(c.channel);
    state.roomWrittenBy[k] = std::make_shared<const RoomRun>(runOf(c.channel, c.firsts));
    const ReportContent r = buildReport(settings, state);
    const auto& room = r.channels[k].room;
    ASSERT_TRUE(r.channels[k].measured && room);
    EXPECT_EQ(room->positionCurves, c.firsts);
    EXPECT_EQ(room->spread ? spreadText(*room->spread) : QString(), QString::fromUtf8(c.spread));
    // Swept only at the last position: not tuned by the run.
    EXPECT_FALSE(r.channels[(k + 1) % kChannels].room);
  }

  // The averages from the flat target of their own level; the target drawn
  // is the average after's, else the average before's.
  MeasureState state;
  RoomRun run = runOf(0, {curve(70), curve(72)});
  run.averageBefore[0] = curve(72, 25, 6.2F);
  run.averageAfter[0] = curve(75, 25, -1.5F);
  for (const bool finished : {true, false}) {
    run.finished[0] = finished;
    state.roomWrittenBy[0] = std::make_shared<const RoomRun>(run);
    const auto room = buildReport(settings, state).channels[0].room;
    ASSERT_TRUE(room && room->before && room->target);
    EXPECT_NEAR(room->before->largest, 6.2, 1e-4);
    EXPECT_EQ(room->after.has_value(), finished);
    if (finished) {
      EXPECT_NEAR(room->after->largest, 1.5, 1e-4);
    }
    EXPECT_FLOAT_EQ((*room->target)[bandSlot(0)], finished ? 75 : 72);
  }
  state.roomWrittenBy[0].reset();  // no run wrote the channel
  EXPECT_FALSE(buildReport(settings, state).channels[0].room);
}

TEST(RoomReport, TheCsvHasAByteOrderMarkAHeaderAndOneRowPerSweep) {
  RoomRun run;
  run.positions = 2;
  CurveRow odd = curve(71.36F);
  odd[static_cast<std::size_t>(bandSlot(30))] = -3.04F;
  run.sweeps = {{1, 0, Kind::First, 0, odd},
                {2, kSubwoofer, Kind::Refinement, 1, curve(81)},
                {2, kSubwoofer, Kind::Refinement, 2, curve(82)},
                {2, 5, Kind::Final, 0, curve(69.96F)}};
  const QByteArray bytes = roomCsv(run);
  ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const QString text = QString::fromUtf8(bytes.mid(3));
  EXPECT_EQ(text.count('\n'), text.count("\r\n"));
  const QStringList lines = text.split("\r\n");
  ASSERT_EQ(lines.size(), 1 + 4 + 1);  // header, sweeps, after the last line end
  const QStringList header = lines[0].split(',');
  ASSERT_EQ(header.size(), 3 + kBands);
  EXPECT_EQ(header.mid(0, 4).join(','), "位置,声道,扫频,20Hz");
  EXPECT_EQ(header.back(), "20kHz");
  const char* starts[] = {"1,左,首次,71.4,", "2,次低频,修正1,81.0,", "2,次低频,修正2,82.0,",
                          "2,右环,最终,70.0,"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(lines[i + 1].startsWith(QString::fromUtf8(starts[i])))
        << lines[i + 1].toStdString();
    EXPECT_EQ(lines[i + 1].count(','), 2 + kBands) << i;
  }
  EXPECT_TRUE(lines[1].endsWith(",71.4,-3.0")) << lines[1].toStdString();
}

}  // namespace
}  // namespace eqset
