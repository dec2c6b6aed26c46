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
  QLineEdit* box = c_.polarity[static_cast<std::size_t>(channel)];
  int value = 0;
  if (box->text() == statetext::kPolarityNormal) {
    box->setText(statetext::kPolarityInverted);
    setBackColor(box, colors::kToggled);
    value = 1;
  } else {
    box->setText(statetext::kPolarityNormal);
    setBackColor(box, colors::kDefaultState);
  }
  link_.WriteRegister(reg::kPolarity + channel, value);
  link_.pauseAfterReply(kAfterPolarityMs);
}

}  // namespace eqset
