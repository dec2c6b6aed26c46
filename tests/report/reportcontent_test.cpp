#include <gtest/gtest.h>

#include <QSet>
#include <cmath>

#include "flatcurve.h"
#include "qtprinters.h"
#include "report/reportcontent.h"

namespace eqset {
namespace {

using test::curve;

WindowSettings flatTarget() {
  WindowSettings s;
  s.target = QStringLiteral("平直");
  return s;
}

TEST(ReportContent, AChannelCountsAsMeasuredOnlyWithAFirstCurveOrACorrectedCurve) {
  struct Case {
    bool firstKept;
    bool storedCurve;
    int passes;
    bool measured;
  };
  const Case cases[] = {
      {false, false, 0, false},  // never touched
      {false, true, 0, false},   // a curve from a file, not measured here
      {false, false, 2, false},  // corrected but no curve to show
      {false, true, 1, true},    // corrected by hand after a curve read
      {true, false, 0, true},    // swept, curve store cleared since
      {true, true, 2, true},     // a whole automatic run
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.firstKept << c.storedCurve << c.passes);
    MeasureState state;
    const int channel = 4;
    if (c.firstKept) keepFirstCurve(state, channel, curve(70, 3, 4));
    if (c.storedCurve) state.curves.areas[channel] = curve(71);
    state.passCount[channel] = c.passes;
    const ReportContent r = buildReport(flatTarget(), state);
    const ChannelReport& ch = r.channels[channel];
    EXPECT_EQ(ch.measured, c.measured);
    EXPECT_EQ(ch.first.has_value(), c.firstKept);
    EXPECT_EQ(ch.finalCurve.has_value(), c.measured && c.storedCurve);
    EXPECT_EQ(ch.before.has_value(), c.firstKept);
    EXPECT_EQ(ch.after.has_value(), c.measured && c.storedCurve);
    for (int k = 0; k < kChannels; ++k) {
      if (k != channel) {
        EXPECT_FALSE(r.channels[static_cast<std::size_t>(k)].measured) << k;
      }
    }
  }
}

TEST(ReportContent, BeforeAndAfterAreTheDeviationsOfTheFirstAndTheFinalCurve) {
  MeasureState state;
  // Flat target: a single band 6.2 dB off moves the average by 6.2/11 only
  // when it lies inside 160 Hz .. 1.6 kHz; band 25 (5 kHz) lies outside.
  keepFirstCurve(state, 0, curve(72, 25, 6.2F));
  state.curves.areas[0] = curve(72, 25, -1.5F);
  state.passCount[0] = 2;
  const ReportContent r = buildReport(flatTarget(), state);
  const ChannelReport& ch = r.channels[0];
  ASSERT_TRUE(ch.before && ch.after && ch.target);
  EXPECT_NEAR(ch.before->largest, 6.2, 1e-5);
  EXPECT_NEAR(ch.before->rms, std::sqrt(6.2 * 6.2 / 31), 1e-5);
  EXPECT_NEAR(ch.after->largest, 1.5, 1e-5);
  EXPECT_EQ(deviationText(*ch.before), QStringLiteral("最大 6.2 dB，均方根 1.1 dB"));
  EXPECT_EQ(deviationText(*ch.after), QStringLiteral("最大 1.5 dB，均方根 0.3 dB"));
  // The target drawn belongs to the final curve: flat at its average.
  EXPECT_FLOAT_EQ((*ch.target)[static_cast<std::size_t>(bandSlot(0))], 72);
  EXPECT_FLOAT_EQ((*ch.target)[static_cast<std::size_t>(bandSlot(30))], 72);
  EXPECT_EQ(ch.passes, 2);
}

TEST(ReportContent, TheSubwooferIsJudgedOnlyUpTo200Hz) {
  MeasureState state;
  // 30 dB off at 1 kHz, where the subwoofer plays nothing; 2 dB off at 40 Hz.
  CurveRow first = curve(80, 17, -30);
  first[static_cast<std::size_t>(bandSlot(3))] += 2;
  keepFirstCurve(state, kSubwoofer, first);
  state.curves.areas[kSubwoofer] = curve(80);
  state.passCount[kSubwoofer] = 2;
  WindowSettings s;
  s.target = QStringLiteral("ISO2969");
  const ReportContent r = buildReport(s, state);
  const ChannelReport& sub = r.channels[kSubwoofer];
  EXPECT_TRUE(sub.subwoofer);
  ASSERT_TRUE(sub.before && sub.after);
  EXPECT_NEAR(sub.before->largest, 2 - 2.0 / 11, 1e-4);
  EXPECT_NEAR(sub.after->largest, 0, 1e-5);
  // The same curve on a main channel counts 1 kHz too.
  keepFirstCurve(state, 2, first);
  state.curves.areas[2] = curve(80);
  const ReportContent main = buildReport(s, state);
  EXPECT_FALSE(main.channels[2].subwoofer);
  EXPECT_GT(main.channels[2].before->largest, 25);
}

TEST(ReportContent, ATargetTextThatNamesNoCurveGivesNoFigures) {
  MeasureState state;
  keepFirstCurve(state, 1, curve(70, 4, 3));
  state.curves.areas[1] = curve(70);
  WindowSettings s;
  s.target = QStringLiteral("我的曲线");
  const ReportContent r = buildReport(s, state);
  EXPECT_FALSE(r.targetType.has_value());
  EXPECT_TRUE(r.channels[1].measured);
  EXPECT_TRUE(r.channels[1].first && r.channels[1].finalCurve);
  EXPECT_FALSE(r.channels[1].before || r.channels[1].after || r.channels[1].target);
}

TEST(ReportContent, GainsLevelsAndVolumeComeFromTheSliderPositions) {
  WindowSettings s = flatTarget();
  // Band slider of channel c, band b is Slider1(31c + b); its position is
  // the negative gain.
  s.bandPositions[equalizerRegister(2, 5)] = -7;
  s.bandPositions[equalizerRegister(2, 30)] = 12;
  s.bandPositions[equalizerRegister(5, 0)] = 15;
  s.volumePosition = -12;
  s.levelPositions = {-14, -22, 8, -20, 0, -14};
  const ReportContent r = buildReport(s, MeasureState{});
  EXPECT_EQ(r.channels[2].gains[5], 7);
  EXPECT_EQ(r.channels[2].gains[30], -12);
  EXPECT_EQ(r.channels[5].gains[0], -15);
  EXPECT_EQ(r.channels[2].gains[4], 0);
  EXPECT_EQ(r.channels[1].gains[5], 0);
  EXPECT_EQ(r.volumeDb, -12);
  const std::array<int, kChannels> levels = {0, 8, -22, 6, -14, 0};
  EXPECT_EQ(r.levelsDb, levels);

  EXPECT_FALSE(r.channels[2].gainsRead);

  // Read back for the report, the processor's gains are the channel's.
  std::array<int, kBands> held{};
  held[5] = -4;
  held[6] = 2;
  s.held[2] = held;
  const ReportContent read = buildReport(s, MeasureState{});
  EXPECT_TRUE(read.channels[2].gainsRead);
  EXPECT_EQ(read.channels[2].gains[5], -4);
  EXPECT_EQ(read.channels[2].gains[6], 2);
  EXPECT_EQ(read.channels[2].gains[30], 0);
  EXPECT_EQ(read.channels[5].gains[0], -15);  // not read: the slider still says
  EXPECT_FALSE(read.channels[5].gainsRead);
}

TEST(ReportContent, ChannelNamesAreTheNoiseGeneratorCaptions) {
  const ReportContent r = buildReport(flatTarget(), MeasureState{});
  const QStringList expected = {"左", "右", "中置", "次低频", "左环", "右环"};
  for (int k = 0; k < kChannels; ++k)
    EXPECT_EQ(r.channels[static_cast<std::size_t>(k)].name, expected[k]);
  EXPECT_TRUE(r.channels[kSubwoofer].subwoofer);
}

TEST(ReportContent, KeepFirstCurveKeepsOnlyTheFirst) {
  MeasureState state;
  keepFirstCurve(state, 2, curve(60));
  keepFirstCurve(state, 2, curve(70));
  keepFirstCurve(state, -1, curve(80));
  keepFirstCurve(state, kChannels, curve(80));
  EXPECT_EQ(state.firstCurves[2], curve(60));
  const std::array<bool, kChannels> kept = {false, false, true, false, false, false};
  EXPECT_EQ(state.firstCurveKept, kept);
}

TEST(ReportContent, NumbersAreWrittenTheReportsWay) {
  struct Case {
    double db;
    const char* text;
  };
  for (const Case& c :
       {Case{0, "0.0 dB"}, Case{1.24, "1.2 dB"}, Case{1.26, "1.3 dB"}, Case{12.04, "12.0 dB"}}) {
    EXPECT_EQ(dbText(c.db), QString::fromUtf8(c.text)) << c.db;
  }
  struct Gain {
    int db;
    const char* text;
  };
  for (const Gain& g : {Gain{0, "0"}, Gain{3, "+3"}, Gain{-15, "-15"}})
    EXPECT_EQ(gainText(g.db), QString::fromUtf8(g.text)) << g.db;
}

TEST(ReportContent, TheGraphRangeCoversEveryCurveInWholeSteps) {
  struct Case {
    float firstLevel;
    float finalLevel;
    bool subwoofer;
    int low;
    int high;
  };
  const Case cases[] = {
      {70, 72, false, 65, 85},  // 70 .. 72 (the target at 72): widened to 20 dB
      {62, 91, false, 60, 95},  // already wider than 20 dB
      {50, 50, false, 40, 60},  // on a step
      {-3, 2, false, -10, 10},  // below 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.firstLevel << " " << c.finalLevel);
    MeasureState state;
    keepFirstCurve(state, 0, curve(c.firstLevel));
    state.curves.areas[0] = curve(c.finalLevel);
    const ReportContent r = buildReport(flatTarget(), state);
    const auto [low, high] = graphRange(r.channels[0]);
    EXPECT_EQ(low, c.low);
    EXPECT_EQ(high, c.high);
  }
  // Bands the subwoofer does not play are left out: 1 kHz at 20 dB is ignored.
  MeasureState state;
  keepFirstCurve(state, kSubwoofer, curve(80, 17, -60));
  const ReportContent r = buildReport(flatTarget(), state);
  const auto [low, high] = graphRange(r.channels[kSubwoofer]);
  EXPECT_EQ(low, 70);
  EXPECT_EQ(high, 90);
}

TEST(ReportContent, FileNamesCarryDateAndTimeAndNeverReplaceAnEarlierFile) {
  const QDateTime when(QDate(2026, 12, 8), QTime(18, 30, 45));
  QSet<QString> existing;
  const auto taken = [&existing](const QString& n) { return existing.contains(n); };
  const QString first = datedFileName(QStringLiteral("调试报告"), when, "pdf", taken);
  EXPECT_EQ(first, QStringLiteral("调试报告_20261208_183045.pdf"));
  existing.insert(first);
  const QString second = datedFileName(QStringLiteral("调试报告"), when, "pdf", taken);
  EXPECT_EQ(second, QStringLiteral("调试报告_20261208_183045_2.pdf"));
  existing.insert(second);
  EXPECT_EQ(datedFileName(QStringLiteral("调试报告"), when, "pdf", taken),
            QStringLiteral("调试报告_20261208_183045_3.pdf"));
  EXPECT_EQ(datedFileName(QStringLiteral("图形"), when.addSecs(1), "png", taken),
            QStringLiteral("图形_20261208_183046.png"));
}

}  // namespace
}  // namespace eqset
