#include "params/processorwrite.h"

#include <array>

#include "params/registermap.h"
#include "params/statetexts.h"

namespace eqset {

ProcessorWrite::ProcessorWrite(ModbusLink& link, Sources sources)
    : link_(link), s_(std::move(sources)) {}

void ProcessorWrite::WriteChannelEq(int channel) {
  std::array<int, kBands> values{};
  for (int b = 0; b < kBands; ++b) {
    values[static_cast<std::size_t>(b)] =
        conv::bandRegisterFromPosition(s_.bandPosition(equalizerRegister(channel, b)));
  }
  link_.writeBlock(s_.bankOffset() + equalizerRegister(channel, 0), values, kChannelEqWaitMs, 0);
  if (s_.channelWritten) s_.channelWritten(channel);
}

void ProcessorWrite::WriteAll() {
  for (int k = 0; k < kChannels; ++k) {
    WriteChannelEq(k);
    link_.pauseAfterReply(kAfterChannelEqMs);
  }

  const int bank = s_.bankOffset();
  std::array<int, kChannels> levels{};
  for (int k = 0; k < kChannels; ++k)
    levels[static_cast<std::size_t>(k)] = conv::levelRegisterFromPosition(s_.levelPosition(k));
  link_.WriteRegisters(reg::kChannelLevel + bank, levels);
  link_.pauseAfterReply(kAfterLevelsMs);

  link_.WriteRegister(reg::kMasterVolume + bank,
                      conv::volumeRegisterFromPosition(s_.volumePosition()));
  link_.pauseAfterReply(kAfterSettingMs);

  std::array<int, kChannels> polarity{};
  for (int k = 0; k < kChannels; ++k)
    polarity[static_cast<std::size_t>(k)] =
        s_.polarityText(k) == statetext::kPolarityNormal ? 0 : 1;
  link_.WriteRegisters(reg::kPolarity, polarity);
  link_.pauseAfterReply(kAfterSettingMs);

  link_.WriteRegister(reg::kAuxTo51, s_.auxText() == statetext::kAuxAllowed ? 1 : 0);
  link_.pauseAfterReply(kAfterSettingMs);

  s_.writeDelays();
  link_.pauseAfterReply(kAfterSettingMs);
}

}  // namespace eqset
