#include "app/pages/roomeqdialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/pages/pagecontrols.h"
#include "measure/compensation.h"
#include "measure/curvegraph.h"
#include "measure/roomaverage.h"
#include "measure/roomsequence.h"
#include "params/statetexts.h"

namespace eqset {

using pages::indexed;
using pages::named;

namespace {

constexpr int kStepDb = 5;

QString figures(const Deviation& d) {
  return QStringLiteral("%1 / %2").arg(d.largest, 0, 'f', 1).arg(d.rms, 0, 'f', 1);
}

// The average to show: after the run, else once every position is in, else
// what the positions measured so far give.
std::optional<CurveRow> averageOf(const RoomRun& run, int channel) {
  const auto c = static_cast<std::size_t>(channel);
  if (run.finished[c]) return run.averageAfter[c];
  if (run.tuned[c]) return run.averageBefore[c];
  if (const auto average = firstSweepAverage(run, channel)) return curveRow(*average);
  return std::nullopt;
}

}  // namespace

RoomEqDialog::RoomEqDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("RoomEqDialog");
  setWindowTitle("全场均衡");
  // While the dialog is up the window sends nothing of its own.
  setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(this);

  auto* choices = new QGroupBox("声道与测量位置");
  auto* grid = new QGridLayout(choices);
  for (int k = 0; k < kChannels; ++k) {
    ChkRoomCh[static_cast<std::size_t>(k)] =
        named(new QCheckBox(statetext::channelName(k)), indexed("ChkRoomCh", k));
    ChkRoomCh[static_cast<std::size_t>(k)]->setChecked(true);
    grid->addWidget(ChkRoomCh[static_cast<std::size_t>(k)], 0, k);
  }
  grid->addWidget(new QLabel("测量位置数"), 1, 0, 1, 2);
  SpinRoomPos = named(new QSpinBox, "SpinRoomPos");
  SpinRoomPos->setRange(1, 8);
  SpinRoomPos->setValue(4);
  SpinRoomPos->setToolTip("话筒依次放在观众区的几个位置；4到8个位置给出全场的平均响应。");
  grid->addWidget(SpinRoomPos, 1, 2);
  layout->addWidget(choices);

  auto* buttons = new QHBoxLayout;
  CmdRoomStart = named(new QPushButton("开始"), "CmdRoomStart");
  CmdRoomStop = named(new QPushButton("停止"), "CmdRoomStop");
  CmdRoomRestore = named(new QPushButton("恢复调试前均衡"), "CmdRoomRestore");
  CmdRoomRestore->setToolTip("把上一次自动均衡写入之前处理器中的均衡写回去。");
  // Enter in the positions box must not start a run.
  for (QPushButton* b : {CmdRoomStart, CmdRoomStop, CmdRoomRestore})
    b->setAutoDefault(false);
  buttons->addWidget(CmdRoomStart);
  buttons->addWidget(CmdRoomStop);
  buttons->addStretch();
  buttons->addWidget(CmdRoomRestore);
  layout->addLayout(buttons);
  LblRoomState = named(new QLabel("状态:"), "LblRoomState");
  LblRoomState->setWordWrap(true);
  layout->addWidget(LblRoomState);

  RoomGraph = named(new CurveGraph, "RoomGraph");
  RoomGraph->setMinimumSize(560, 260);
  layout->addWidget(RoomGraph, 1);
  auto* legend = new QLabel(
      "灰线：各测量位置的首次曲线　蓝线：平均（写入后为由话筒位置推算的平均）　红线：目标");
  legend->setWordWrap(true);
  layout->addWidget(legend);

  TblRoom = named(new QTableWidget(kChannels, 4), "TblRoom");
  TblRoom->setHorizontalHeaderLabels(
      {"声道", "测量位置", "调试前 最大/均方根(dB)", "调试后 最大/均方根(dB)"});
  TblRoom->verticalHeader()->hide();
  TblRoom->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  TblRoom->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int k = 0; k < kChannels; ++k) {
    TblRoom->setItem(k, 0, new QTableWidgetItem(statetext::channelName(k)));
    for (int col = 1; col < 4; ++col)
      TblRoom->setItem(k, col, new QTableWidgetItem);
  }
  TblRoom->setFixedHeight(TblRoom->horizontalHeader()->sizeHint().height() +
                          kChannels * TblRoom->verticalHeader()->defaultSectionSize() + 4);
  layout->addWidget(TblRoom);
  resize(640, 640);
}

void RoomEqDialog::showRun(const RoomRun& run, int channel, const QString& targetText) {
  const auto type = targetTypeFromText(targetText).value_or(TargetType::Iso2969);
  for (int k = 0; k < kChannels; ++k) {
    const auto c = static_cast<std::size_t>(k);
    const bool sub = k == kSubwoofer;
    const auto measured = firstSweepCurves(run, k).size();
    TblRoom->item(k, 1)->setText(run.positions > 0 && measured > 0
                                     ? QStringLiteral("%1 / %2").arg(measured).arg(run.positions)
                                     : QString());
    TblRoom->item(k, 2)->setText(
        run.tuned[c] ? figures(deviationFromTarget(run.averageBefore[c], type, sub)) : QString());
    TblRoom->item(k, 3)->setText(
        run.finished[c] ? figures(deviationFromTarget(run.averageAfter[c], type, sub)) : QString());
  }

  if (channel < 0 || channel >= kChannels) return;
  const std::vector<CurveRow> positions = firstSweepCurves(run, channel);
  RoomGraph->showBackground(positions);
  PlotBuffer buffer;
  const bool sub = channel == kSubwoofer;
  const int bands = sub ? kSubwooferBands : kBands;
  if (const auto average = averageOf(run, channel)) {
    buffer.rows[PlotBuffer::kMeasured] = *average;
    buffer.rows[PlotBuffer::kTarget] = targetRow(type, averageLevel(*average, sub), sub);
  }
  // The level axis takes in every curve drawn, in whole 5 dB steps.
  double low = 1e9;
  double high = -1e9;
  auto take = [&](const CurveRow& row) {
    for (int b = 0; b < bands; ++b) {
      const double v = row[static_cast<std::size_t>(bandSlot(b))];
      if (v == 0) continue;
      low = std::min(low, v);
      high = std::max(high, v);
    }
  };
  for (const CurveRow& row : positions)
    take(row);
  take(buffer.rows[PlotBuffer::kMeasured]);
  take(buffer.rows[PlotBuffer::kTarget]);
  int yMin = 50;
  int yMax = 85;
  if (low <= high) {
    yMin = static_cast<int>(std::floor(low / kStepDb)) * kStepDb - kStepDb;
    yMax = static_cast<int>(std::ceil(high / kStepDb)) * kStepDb + kStepDb;
  }
  RoomGraph->redraw(buffer, yMin, yMax, bands);
}

void RoomEqDialog::closeEvent(QCloseEvent* event) {
  emit closing();
  QDialog::closeEvent(event);
}

void RoomEqDialog::reject() {
  emit closing();
  QDialog::reject();
}

}  // namespace eqset
