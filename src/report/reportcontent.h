#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>

#include "files/filestore.h"
#include "measure/compensation.h"
#include "measure/measuredata.h"
#include "params/registermap.h"
#include "report/roomreport.h"

namespace eqset {

// What the window shows that the commissioning report records, taken from its
// controls as they are when the technician asks for the report.
struct WindowSettings {
  QDateTime when;
  QString port;                                   // Combo2
  QString input;                                  // caption of the chosen input (Option5)
  QString mode;                                   // caption of the chosen processing mode (Option3)
  QString target;                                 // Combo3
  std::array<int, kBandIndexes> bandPositions{};  // Slider1: gain = -position
  int volumePosition = 0;                         // Slider2: position = dB
  std::array<int, kChannels> levelPositions{};    // Slider3
  std::array<QString, kChannels> delays;          // Text1, ms
  QString roomLength;                             // Text2(0), m
  QString roomWidth;                              // Text2(1), m
  std::array<QString, kChannels> polarities;      // TxtInvert
  bool muted = false;                             // Check3
  QString limiter;                                // caption of the chosen Option2
  std::array<QString, 2> fades;                   // Label21
  QString micZero;                                // Text10
  // Each channel's equalizer gains in dB as the processor holds them, read
  // back for the report; none where it did not answer.
  std::array<std::optional<std::array<int, kBands>>, kChannels> held{};
};

// One channel as the report shows it.
struct ChannelReport {
  QString name;
  bool subwoofer = false;
  // Measured since start: a first curve is kept, the channel has a curve and
  // has been corrected, or the last "全场均衡" run tuned it. An unmeasured
  // channel shows no graph.
  bool measured = false;
  std::optional<CurveRow> first;       // the first finished sweep
  std::optional<CurveRow> finalCurve;  // the channel's curve now
  std::optional<CurveRow> target;      // for the final curve's average level
  std::optional<Deviation> before;     // first curve from its target
  std::optional<Deviation> after;      // final curve from its target
  int passes = 0;                      // compensation writes
  std::array<int, kBands> gains{};     // dB, as the processor holds them, else the sliders
  bool gainsRead = false;              // the gains were read back for the report
  bool restored = false;               // hand tuning written back after the last run
  // Tuned by the last "全场均衡" run: the report shows the run's curves and
  // figures instead of the first and final curve.
  std::optional<RoomChannelReport> room;
};

struct ReportContent {
  WindowSettings settings;
  std::optional<TargetType> targetType;  // none: Combo3 names no target curve
  std::array<ChannelReport, kChannels> channels;
  int volumeDb = 0;
  std::array<int, kChannels> levelsDb{};
};

// Channel captions in channel order: 左, 右, 中置, 次低频, 左环, 右环.
const std::array<QString, kChannels>& reportChannelNames();

// "63Hz": the band's label under its slider.
QString bandLabel(int band);

// True when any band of the curve holds a level.
bool hasLevels(const CurveRow& curve);

// The whole report from the window's settings and the measurement's state.
ReportContent buildReport(const WindowSettings& settings, const MeasureState& state);

// "3.2 dB": one decimal, as every level difference in the report is written.
QString dbText(double db);
// "+3", "0", "-2": an equalizer or level gain.
QString gainText(int db);
// "最大 3.2 dB，均方根 1.4 dB".
QString deviationText(const Deviation& d);

// The level range of a channel's graph: whole 5 dB steps around every curve
// drawn over the bands the channel plays, at least 20 dB high.
std::pair<int, int> graphRange(const ChannelReport& channel);

}  // namespace eqset
