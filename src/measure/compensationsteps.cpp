#include "measure/compensationsteps.h"

#include <cmath>

#include "measure/bandedit.h"
#include "measure/compensation.h"
#include "params/numbers.h"
#include "params/statetexts.h"

namespace eqset {

CompensationSteps::CompensationSteps(ModbusLink& link, Dialogs& dialogs, MeasureState& state,
                                     const std::array<BandEdit*, kBands>& bands, Sources sources)
    : link_(link), dialogs_(dialogs), state_(state), bands_(bands), s_(std::move(sources)) {}

void CompensationSteps::relative() {
  const int channel = s_.channel();
  const bool sub = channel == kSubwoofer;
  CurveRow& measured = state_.plot.rows[PlotBuffer::kMeasured];
  CurveRow& target = state_.plot.rows[PlotBuffer::kTarget];
  const float average = averageLevel(measured, sub);
  state_.referenceLevel[static_cast<std::size_t>(channel)] = static_cast<int>(
      std::nearbyint(static_cast<double>(state_.referenceOffset) + static_cast<double>(average)));
  // A target text that names no curve keeps the target drawn last.
  if (const auto type = targetTypeFromText(s_.targetText())) {
    const CurveRow row = targetRow(*type, average, sub);
    for (int b = 0; b < kBands; ++b) {
      const auto slot = static_cast<std::size_t>(bandSlot(b));
      target[slot] = row[slot];
    }
  }
  s_.redraw();
  const int compensated = sub ? kSubwooferBands : kBands;
  for (int b = 0; b < kBands; ++b) {
    const auto slot = static_cast<std::size_t>(bandSlot(b));
    const int r = b < compensated ? relativeCompensation(target[slot], measured[slot]) : 0;
    bands_[static_cast<std::size_t>(b)]->showValue(r, BandEdit::Format::TwoDigit);
  }
}

void CompensationSteps::absolute() {
  const int channel = s_.channel();
  const int passes = state_.passCount[static_cast<std::size_t>(channel)];
  const int compensated = channel == kSubwoofer ? kSubwooferBands : kBands;
  for (int b = 0; b < kBands; ++b) {
    BandEdit* edit = bands_[static_cast<std::size_t>(b)];
    // Above 200 Hz the subwoofer keeps the gains the processor holds.
    if (b >= compensated) {
      edit->showValue(static_cast<double>(state_.presentGains[static_cast<std::size_t>(b)]),
                      edit->format());
      continue;
    }
    const int c = absoluteCompensation(state_.presentGains[static_cast<std::size_t>(b)],
                                       edit->value(), passes, b);
    edit->showValue(c, edit->format());
  }
}

void CompensationSteps::write() {
  if (writeChannel() == WriteResult::Refused) return;
  link_.clock().sleep(kAfterWriteMs);
  s_.fullRead();
}

CompensationSteps::WriteResult CompensationSteps::writeChannel() {
  const int channel = s_.channel();
  // The gains the compensation was added to carry their address: written
  // anywhere else they would be another channel's or another bank's.
  const auto [bank, readChannel] = state_.presentAt;
  if (bank >= 0 && (bank != s_.bankOffset() || readChannel != channel)) {
    dialogs_.message(
        QStringLiteral("当前均衡是在%1声道（%2）读取的，与要写入的%3声道（%4）不符，"
                       "未写入DSP。请先按“读取绝对参数”。")
            .arg(statetext::channelName(readChannel), statetext::bankName(bank),
                 statetext::channelName(channel), statetext::bankName(s_.bankOffset())),
        QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return WriteResult::Refused;
  }
  std::array<int, kBands> values{};
  for (int b = 0; b < kBands; ++b) {
    const double gain = bands_[static_cast<std::size_t>(b)]->value();
    // A typed gain the equalizer cannot take would be stored as nonsense.
    if (!(gain >= -kBandGainOffset - 0.5 && gain <= kBandGainOffset + 0.5)) {
      dialogs_.message(
          QStringLiteral("%1频点的增益超出范围(-15dB到+15dB)，未写入DSP。")
              .arg(QString::fromUtf8(bandTable()[static_cast<std::size_t>(b)].label.data())),
          QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
      return WriteResult::Refused;
    }
    values[static_cast<std::size_t>(b)] = static_cast<int>(roundHalfEven(gain + kBandGainOffset));
  }
  const bool good =
      link_.writeBlock(s_.bankOffset() + equalizerRegister(channel, 0), values, kWriteWaitMs, 0);
  if (s_.written) s_.written(channel, values);
  ++state_.passCount[static_cast<std::size_t>(channel)];
  return good ? WriteResult::Written : WriteResult::NoReply;
}

void CompensationSteps::referenceUp() {
  ++state_.referenceOffset;
  relative();
}

void CompensationSteps::referenceDown() {
  --state_.referenceOffset;
  relative();
}

}  // namespace eqset
