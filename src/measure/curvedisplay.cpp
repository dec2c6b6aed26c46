#include "measure/curvedisplay.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "measure/curvegraph.h"
#include "params/registermap.h"

namespace eqset {

namespace {
const std::array<const char*, kChannels> kChannelNames = {"左",   "右",   "中置",
                                                          "低频", "左环", "右环"};
}  // namespace

CurveDisplay::CurveDisplay(ModbusLink& link, MeasureState& state, const Controls& controls,
                           std::function<void()> curveRead)
    : link_(link), state_(state), c_(controls), curveRead_(std::move(curveRead)) {}

void CurveDisplay::redraw() {
  // The subwoofer plays up to 200 Hz; its bands above are 0, not measured.
  const int measured = c_.channel->value() == kSubwoofer ? kSubwooferBands : kBands;
  c_.graph->redraw(state_.plot, state_.yMin, state_.yMax, measured);
}

bool CurveDisplay::channelChanged(int value) {
  state_.lastCommand = reg::kSweepChannel;
  int channel = value;
  bool answered = false;
  if (channel >= 0 && channel < kChannels) {
    for (QWidget* edit : c_.levelEdits)
      edit->setEnabled(false);
    c_.levelEdits[static_cast<std::size_t>(channel)]->setEnabled(true);
    c_.channelName->setText(QString::fromUtf8(kChannelNames[static_cast<std::size_t>(channel)]));
    answered = link_.WriteRegister(reg::kSweepChannel, channel);
    link_.pauseAfterReply(kAfterChannelMs);
  } else {
    // Back into range; the processor and the level edits stay as they were.
    channel = std::clamp(channel, 0, kChannels - 1);
    const QSignalBlocker quiet(c_.channel);
    c_.channel->setValue(channel);
  }
  const CurveRow& stored = state_.curves.areas[static_cast<std::size_t>(channel)];
  CurveRow& shown = state_.plot.rows[PlotBuffer::kMeasured];
  for (int b = 0; b < kBands; ++b) {
    const auto slot = static_cast<std::size_t>(bandSlot(b));
    shown[slot] = stored[slot];
  }
  redraw();
  link_.pauseAfterReply(kAfterShowMs);
  state_.lastCommand = reg::kTestChannel;
  answered = link_.WriteRegister(reg::kTestChannel, channel) && answered;
  link_.pauseAfterReply(kAfterShowMs);
  return answered;
}

void CurveDisplay::changeRange(int minStep, int maxStep) {
  const int newMin = state_.yMin + minStep;
  const int newMax = state_.yMax + maxStep;
  if (newMax > newMin) {
    state_.yMin = newMin;
    state_.yMax = newMax;
  }
  curveRead_();
}

void CurveDisplay::raiseMinimum() {
  changeRange(kRangeStepDb, 0);
}
void CurveDisplay::lowerMinimum() {
  changeRange(-kRangeStepDb, 0);
}
void CurveDisplay::lowerMaximum() {
  changeRange(0, -kRangeStepDb);
}
void CurveDisplay::raiseMaximum() {
  changeRange(0, kRangeStepDb);
}

}  // namespace eqset
