#include "params/blockread.h"

namespace eqset {

namespace {
constexpr int kReplyWaitMs = 600;
constexpr int kAfterReadMs = 100;
}  // namespace

BlockRead::BlockRead(ModbusLink& link, RegisterImage& image, ShowValue show, BandRead bandRead)
    : link_(link), image_(image), show_(std::move(show)), bandRead_(std::move(bandRead)) {}

void BlockRead::ReadBlock() {
  link_.indicators().setProgress(0);
  const auto outcome = link_.readRegisters(0, kCount, kReplyWaitMs);
  if (outcome == ModbusLink::ReadOutcome::PortClosed) return;
  if (outcome == ModbusLink::ReadOutcome::Good) {
    for (int i = 0; i < kCount; ++i) {
      // A value that does not fit a cell is no band step: nothing moves for it.
      if (image_.storeRead(i, link_.replyRegister(i))) bandRead_(i, image_.at(i));
    }
  }
  link_.pauseAfterReply(kAfterReadMs);
}

void BlockRead::ShowBlock() {
  for (int i = 0; i < kCount; ++i) {
    if (image_.filled(i)) show_(i, QString::number(conv::bandGainFromRegister(image_.at(i))));
  }
}

void BlockRead::fullRead() {
  link_.freshPort(kTxBufferReset);  // a port that will not open leaves ReadBlock nothing to do
  ReadBlock();
  ShowBlock();
}

BlockRead::ChannelRead BlockRead::ReadChannel(int channel, int bankOffset) {
  ChannelRead result;
  link_.indicators().setProgress(0);
  const int first = bankOffset + equalizerRegister(channel, 0);
  const auto outcome = link_.readRegisters(first, kBands, kChannelWaitMs);
  if (outcome == ModbusLink::ReadOutcome::PortClosed) return result;
  result.answered = outcome == ModbusLink::ReadOutcome::Good;
  if (result.answered) {
    for (int b = 0; b < kBands; ++b) {
      // The image keeps one bank's settings at the bank-0 addresses, as the
      // parameter file does.
      const int cell = equalizerRegister(channel, b);
      const int value = link_.replyRegister(b);
      if (value < 0 || value > 2 * kBandGainOffset) {
        if (result.outsideBand < 0) {
          result.outsideBand = b;
          result.outsideValue = value;
        }
      }
      if (image_.storeRead(cell, value)) bandRead_(cell, image_.at(cell));
    }
  }
  link_.pauseAfterReply(kAfterReadMs);
  return result;
}

BlockRead::ChannelRead BlockRead::channelRead(int channel, int bankOffset) {
  link_.freshPort(kTxBufferReset);
  return ReadChannel(channel, bankOffset);
}

BlockRead::AllRead BlockRead::allChannelsRead(int bankOffset) {
  link_.freshPort(kTxBufferReset);
  AllRead read;
  for (int c = 0; c < kChannels; ++c)
    read[static_cast<std::size_t>(c)] = ReadChannel(c, bankOffset);
  return read;
}

}  // namespace eqset
