#include "measure/measurement.h"

#include <QLineEdit>
#include <cmath>

#include "controls/backcolor.h"
#include "measure/bandedit.h"
#include "measure/periodictimer.h"
#include "params/numbers.h"

namespace eqset {

namespace {

constexpr int kBeforeReadMs = 100;
constexpr int kLevelReplyWaitMs = 50;
constexpr int kCurveReplyWaitMs = 400;
constexpr int kGainsReplyWaitMs = 200;
constexpr int kAfterToneMs = 100;
const QColor kToneBand(0, 0, 255);

// The low byte of register i of the last read reply.
int lowByte(const ModbusLink& link, int i) {
  return link.replyRegister(i) & 0xFF;
}

}  // namespace

Measurement::Measurement(ModbusLink& link, Dialogs& dialogs, MeasureState& state,
                         PeriodicTimer& readingTimer, const Controls& controls, Sources sources)
    : link_(link),
      dialogs_(dialogs),
      state_(state),
      readingTimer_(readingTimer),
      c_(controls),
      s_(std::move(sources)),
      displayMode_(controls.displayMode->text()) {}

void Measurement::checkDisplayMode() {
  const QString text = c_.displayMode->text();
  bool number = false;
  text.trimmed().toDouble(&number);
  if (number) {
    displayMode_ = text;
    return;
  }
  // A curve read could not tell how to show the bands.
  c_.displayMode->setText(displayMode_);
  dialogs_.message(QStringLiteral("显示方式必须是数字：1 显示dB，0 显示线性值。"),
                   QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
}

bool Measurement::subwoofer() const {
  return s_.channel() == kSubwoofer;
}

void Measurement::levelReading() {
  link_.indicators().setProgress(0);
  link_.clock().sleep(kBeforeReadMs);
  if (link_.readRegisters(reg::kLevelBlock, reg::kLevelBlockCount, kLevelReplyWaitMs) !=
      ModbusLink::ReadOutcome::Good) {
    return;
  }
  // Full register values; one that reads as negative counts as 0.
  std::array<std::uint32_t, 4> r{};
  for (int k = 1; k < 4; ++k) {
    const int v = link_.replyRegister(k);
    r[static_cast<std::size_t>(k)] = v > 0x7FFF ? 0 : static_cast<std::uint32_t>(v);
  }
  const auto level = convertLevel(r[1] * 65536 + r[2] * 256 + r[3], s_.micZero());
  // A level that is no number is no reading: the readout keeps what it showed
  // and nothing is plotted.
  if (!level) return;
  c_.readout->setText(levelReadout(*level));
  if (state_.lastCommand == reg::kCalibrate) return;
  // The level belongs to the band of the tone playing.
  const double slot = std::nearbyint(leadingNumber(c_.toneBand->text()) + 1);
  if (slot >= bandSlot(0) && slot <= bandSlot(kBands - 1)) {
    state_.plot.rows[PlotBuffer::kMeasured][static_cast<std::size_t>(slot)] =
        static_cast<float>(level->db());
    s_.redraw();
  }
}

void Measurement::periodicTick() {
  if (state_.lastCommand == reg::kCalibrate || state_.lastCommand == reg::kSingleTone) {
    levelReading();
  }
}

void Measurement::curveRead() {
  state_.measurementLock = 1;
  link_.indicators().setProgress(0);
  // The pause follows the last reply: the frame gap on the fast link.
  link_.pauseAfterReply(kBeforeReadMs);
  if (!link_.port().isOpen()) return;
  const int channel = s_.channel();
  const bool sub = subwoofer();
  if (link_.readRegisters(reg::kCurveBlock, reg::kCurveBlockCount, kCurveReplyWaitMs) ==
      ModbusLink::ReadOutcome::Good) {
    state_.sweepStatus = lowByte(link_, reg::kSweepStatus - reg::kCurveBlock);
    const double mode = leadingNumber(c_.displayMode->text());
    const int measured = sub ? kSubwooferBands : kBands;
    for (int n = 0; n < kBands; ++n) {
      float db = 0;
      BandEdit* edit = c_.bands[static_cast<std::size_t>(n)];
      if (n < measured) {
        const auto raw =
            static_cast<std::uint32_t>(lowByte(link_, 4 * n + 1) << 16 |
                                       lowByte(link_, 4 * n + 2) << 8 | lowByte(link_, 4 * n + 3));
        const auto level = convertLevel(raw, s_.micZero());
        // A band whose level is no number keeps what it showed and stored.
        if (!level) continue;
        db = static_cast<float>(level->db());
        if (mode == 0) edit->showValue(level->linear(), BandEdit::Format::Linear);
        if (mode == 1) edit->showValue(db, BandEdit::Format::General);
      } else {
        edit->showValue(0, edit->format());  // the subwoofer plays nothing up there
      }
      const auto slot = static_cast<std::size_t>(bandSlot(n));
      state_.plot.rows[PlotBuffer::kMeasured][slot] = db;
      state_.curves.areas[static_cast<std::size_t>(channel)][slot] = db;
    }
  }
  s_.redraw();
  for (BandEdit* edit : c_.bands)
    edit->setEnabled(false);
}

bool Measurement::readPresentGains() {
  const bool sub = subwoofer();
  const int shown = sub ? kSubwooferBands : kBands;
  for (int n = 0; n < shown; ++n)
    c_.bands[static_cast<std::size_t>(n)]->setEnabled(true);
  state_.measurementLock = 0;
  link_.indicators().setProgress(0);
  link_.pauseAfterReply(kBeforeReadMs);
  // The processor presents the bank it plays from at the bank-0 addresses.
  // All 31 bands, the subwoofer's too: a correction writes the whole channel,
  // and the bands it does not correct must go back as the processor holds them.
  const int channel = s_.channel();
  if (link_.readRegisters(equalizerRegister(channel, 0), kBands, kGainsReplyWaitMs) !=
      ModbusLink::ReadOutcome::Good) {
    return false;
  }
  for (int n = 0; n < kBands; ++n) {
    if (s_.bandHeld) s_.bandHeld(channel, n, link_.replyRegister(n));
  }
  for (int n = 0; n < kBands; ++n) {
    const int gain = link_.replyRegister(n) - kBandGainOffset;
    // The subwoofer's edits above 200 Hz show nothing to correct.
    c_.bands[static_cast<std::size_t>(n)]->showValue(n < shown ? gain : 0,
                                                     BandEdit::Format::General);
    state_.presentGains[static_cast<std::size_t>(n)] = static_cast<float>(gain);
  }
  // A value no equalizer step stands for is shown but is no gain to correct
  // from or to keep: the runs stop on it.
  for (int n = 0; n < kBands; ++n) {
    const int r = link_.replyRegister(n);
    if (r < 0 || r > 2 * kBandGainOffset) return false;
  }
  state_.presentAt = {s_.bankOffset(), channel};
  const auto c = static_cast<std::size_t>(channel);
  state_.channelGains[c] = state_.presentGains;
  state_.channelGainsRead[c] = true;
  return true;
}

void Measurement::bandFocusGained(int band) {
  if (state_.measurementLock == 1) return;
  c_.toneBand->setText(QString::number(band));
  setBackColor(c_.bands[static_cast<std::size_t>(band)], kToneBand);
  s_.singleFrequency();
  link_.pauseAfterReply(kAfterToneMs);
}

void Measurement::bandFocusLost(int band) {
  resetBackColor(c_.bands[static_cast<std::size_t>(band)]);
}

void Measurement::bandEdited(int band, double gainDb) {
  if (state_.measurementLock == 1) return;
  readingTimer_.setPeriod(0);
  // A gain the equalizer cannot take is not sent; the reading stays stopped.
  if (gainDb < -kBandGainOffset || gainDb > kBandGainOffset) return;
  const int address = s_.bankOffset() + equalizerRegister(s_.channel(), band);
  const auto value = static_cast<int>(roundHalfEven(gainDb + kBandGainOffset));
  BandEdit* edit = c_.bands[static_cast<std::size_t>(band)];
  if (const auto echo = link_.writeSingleEchoed(address, value, 0)) {
    edit->showValue(*echo - kBandGainOffset, edit->format());
    if (s_.bandHeld) s_.bandHeld(s_.channel(), band, *echo);
  }
  link_.clock().sleep(kEditSettleMs);
  levelReading();
  s_.redraw();
  readingTimer_.setPeriod(kLevelReadingPeriodMs);
}

}  // namespace eqset
