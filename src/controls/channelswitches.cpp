#include "controls/channelswitches.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>

#include "controls/backcolor.h"
#include "params/statetexts.h"

namespace eqset {

namespace {

template <std::size_t N>
void colourSelection(const std::array<QAbstractButton*, N>& buttons) {
  for (QAbstractButton* b : buttons)
    setBackColor(b, b->isChecked() ? colors::kSelected : colors::kUnselected);
}

}  // namespace

ChannelSwitches::ChannelSwitches(ModbusLink& link, const Controls& controls)
    : link_(link), c_(controls) {}

void ChannelSwitches::selectNoiseChannel(int channel) {
  link_.WriteRegister(reg::kTestChannel, channel);
  colourSelection(c_.noiseChannels);
  link_.pauseAfterReply(kAfterNoiseChannelMs);
}

void ChannelSwitches::selectLimiter(int index) {
  for (int r = 0; r < 3; ++r) {
    link_.WriteRegister(reg::kLimiter + r, index);
    link_.pauseAfterReply(kAfterLimiterMs);
  }
  colourSelection(c_.limiters);
}

void ChannelSwitches::muteAll() {
  const bool muted = c_.muteAll->isChecked();
  link_.WriteRegister(reg::kMute, muted ? 1 : 0);
  setBackColor(c_.volumeBox, muted ? colors::kVolumeMuted : colors::kVolumeNormal);
  link_.pauseAfterReply(kAfterMuteMs);
}

void ChannelSwitches::invertPolarity(int channel) {
  const QLineEdit* box = c_.polarity[static_cast<std::size_t>(channel)];
  const bool inverted = box->text() == statetext::kPolarityNormal;
  showPolarity(channel, inverted);
  link_.WriteRegister(reg::kPolarity + channel, inverted ? 1 : 0);
  link_.pauseAfterReply(kAfterPolarityMs);
}

void ChannelSwitches::showNoiseChannel(int channel) {
  c_.noiseChannels[static_cast<std::size_t>(channel)]->setChecked(true);
  colourSelection(c_.noiseChannels);
}

void ChannelSwitches::showLimiter(int index) {
  c_.limiters[static_cast<std::size_t>(index)]->setChecked(true);
  colourSelection(c_.limiters);
}

void ChannelSwitches::showMute(bool muted) {
  c_.muteAll->setChecked(muted);
  setBackColor(c_.volumeBox, muted ? colors::kVolumeMuted : colors::kVolumeNormal);
}

void ChannelSwitches::showPolarity(int channel, bool inverted) {
  QLineEdit* box = c_.polarity[static_cast<std::size_t>(channel)];
  box->setText(inverted ? statetext::kPolarityInverted : statetext::kPolarityNormal);
  setBackColor(box, inverted ? colors::kToggled : colors::kDefaultState);
}

}  // namespace eqset
