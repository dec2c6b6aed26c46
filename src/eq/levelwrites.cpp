#include "eq/levelwrites.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include "params/numbers.h"

namespace eqset {

LevelWrites::LevelWrites(ModbusLink& link, const Controls& controls,
                         std::function<int()> bankOffset)
    : link_(link), c_(controls), bankOffset_(std::move(bankOffset)) {}

void LevelWrites::masterVolumeLiveWrite(int position) {
  const int address = reg::kMasterVolume + bankOffset_();
  const auto echo =
      link_.writeSingleEchoed(address, conv::volumeRegisterFromPosition(position), kVolumePauseMs);
  if (echo) c_.volumeBox->setText(QString::number(conv::volumeDbFromRegister(*echo)));
}

void LevelWrites::channelLevelWrite(int channel, int position) {
  const auto k = static_cast<std::size_t>(channel);
  const int db = conv::levelDbFromPosition(position);
  {
    const QSignalBlocker quiet(c_.levelEdits[k]);
    c_.levelEdits[k]->setValue(db);
  }
  c_.levelBoxes[k]->setText(QString::number(db));
  link_.WriteRegister(reg::kChannelLevel + channel + bankOffset_(),
                      conv::levelRegisterFromPosition(position));
  link_.pauseAfterReply(kLevelPauseMs);
}

void LevelWrites::numericLevelApply(int channel) {
  const auto k = static_cast<std::size_t>(channel);
  // The edit keeps its value within -22..+8 dB, so the position stays on the scale.
  const auto db = static_cast<int>(roundHalfEven(c_.levelEdits[k]->value()));
  const int position = conv::levelPositionFromDb(db);
  c_.levelSliders[k]->setValue(position);
  channelLevelWrite(channel, c_.levelSliders[k]->value());
}

void LevelWrites::fadeWrite(int slide, double x) {
  const auto j = static_cast<std::size_t>(slide);
  const auto seconds = static_cast<int>(roundHalfEven(x));
  c_.fadeLabels[j]->setText(QString::number(seconds) + "秒");
  if (seconds == lastFade_[j]) return;
  lastFade_[j] = static_cast<std::uint8_t>(seconds);
  link_.WriteRegister(slide == 0 ? reg::kFade0 : reg::kFade1, seconds);
}

}  // namespace eqset
