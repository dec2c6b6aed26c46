#include "params/blockread.h"

namespace eqset {

namespace {
constexpr int kReplyWaitMs = 600;
constexpr int kAfterReadMs = 100;
}  // namespace

BlockRead::BlockRead(ModbusLink& link, RegisterImage& image, ShowValue show)
    : link_(link), image_(image), show_(std::move(show)) {}

void BlockRead::ReadBlock() {
  link_.indicators().setProgress(0);
  const auto outcome = link_.readRegisters(0, kCount, kReplyWaitMs);
  if (outcome == ModbusLink::ReadOutcome::PortClosed) return;
  if (outcome == ModbusLink::ReadOutcome::Good) {
    for (int i = 0; i < kCount; ++i)
      image_.storeRead(i, link_.replyRegister(i));
  }
  link_.pauseAfterReply(kAfterReadMs);
}

void BlockRead::ShowBlock() {
  for (int i = 0; i < kCount; ++i)
    show_(i, QString::number(image_.at(i)));
}

void BlockRead::fullRead() {
  link_.freshPort(kTxBufferReset);  // a port that will not open leaves ReadBlock nothing to do
  ReadBlock();
  ShowBlock();
}

}  // namespace eqset
