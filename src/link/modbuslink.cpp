#include "link/modbuslink.h"

#include <algorithm>
#include <utility>

#include "link/frames.h"

namespace eqset {

namespace {

constexpr int kReopenPauseMs = 100;
constexpr int kWriteSingleWaitMs = 100;
constexpr int kWriteMultipleWaitMs = 200;
constexpr int kWriteMultiplePauseMs = 75;
// 3.5 characters of 11 bits at 9600 baud: the silence that ends a frame.
constexpr int kFrameGapMs = 4;

}  // namespace

ModbusLink::ModbusLink(SerialPort& port, Clock& clock, LinkIndicators& indicators)
    : port_(port), clock_(clock), indicators_(indicators), replyBuffer_(64, '\0') {
  port_.setLineLostHandler([this] { reportLinkDown(); });
}

ModbusLink::~ModbusLink() {
  port_.setLineLostHandler({});
}

void ModbusLink::reportLinkDown() {
  if (onLinkDown_) onLinkDown_();
}

LinkError ModbusLink::openPort(int txBufferHint) {
  const LinkError error = port_.open(portNumber(), txBufferHint);
  openFailure_ = error == LinkError::None ? OpenFailure{} : port_.lastOpenFailure();
  return error;
}

void ModbusLink::closeForReopen() {
  if (!port_.isOpen()) return;
  port_.close();
  clock_.sleep(kReopenPauseMs);
}

LinkError ModbusLink::reopenPort(int txBufferHint) {
  closeForReopen();
  const LinkError error = openPort(txBufferHint);
  if (error != LinkError::None) reportLinkDown();
  return error;
}

LinkError ModbusLink::freshPort(int txBufferHint) {
  // After a failure the line may still carry a late reply: the port is
  // reopened after the pause, as the full waits always do, so that reply does
  // not fall into the next transaction too.
  if (fast_ && port_.isOpen() && replyStatus_ == 0) {
    port_.discardBuffers();
    return LinkError::None;
  }
  return reopenPort(txBufferHint);
}

void ModbusLink::pauseAfterReply(int ms) {
  // A failed reply may have been a late one still on the line: the full pause
  // lets it pass before the next request, as the full waits do.
  clock_.sleep(fast_ && replyStatus_ == 0 ? std::min(ms, kFrameGapMs) : ms);
}

void ModbusLink::awaitReply(int n, int waitMs) {
  if (!fast_) {
    clock_.sleep(waitMs);
    return;
  }
  const std::int64_t deadline = clock_.now() + waitMs;
  while (clock_.now() < deadline) {
    QByteArray waiting = port_.peek();
    // A whole frame in front that is not the answer (a late echo, a reply
    // about another register) or has bytes behind it (the answer comes last)
    // is taken off the line, and the answer may still come within the wait.
    while (const int stray = strayFrameLength(lastRequest_, waiting, unanswered_)) {
      if (port_.read(stray).isEmpty()) break;
      waiting = port_.peek();
    }
    if (waiting.size() == n && replyAnswers(lastRequest_, waiting, unanswered_)) return;
    if (isExceptionReply(lastRequest_, waiting)) return;
    clock_.sleep(1);
  }
}

LinkError ModbusLink::ResetPort() {
  const LinkError error = freshPort(kTxBufferReset);
  if (error != LinkError::None) return error;
  port_.discardBuffers();
  return LinkError::None;
}

void ModbusLink::SendReadRequest(int start, int count) {
  if (!port_.isOpen()) return;
  port_.discardBuffers();
  const auto frame = readRequest(start, count);
  if (!frame) return;
  sendRequest(*frame);
}

bool ModbusLink::sendRequest(const QByteArray& frame) {
  lastRequest_ = frame;
  requestOut_ = port_.isOpen() && port_.write(frame);
  return requestOut_;
}

void ModbusLink::failReply(int n) {
  replyStatus_ = -1;
  replyBuffer_ = QByteArray(n + 1, '\0');
}

void ModbusLink::ReadReply(int n) {
  failReply(n);
  if (!port_.isOpen()) return;
  const int waiting = port_.bytesWaiting();
  const QByteArray bytes = port_.readAll();
  if (waiting == n && bytes.size() == n && replyAnswers(lastRequest_, bytes, unanswered_)) {
    replyBuffer_ = bytes;
    replyStatus_ = 0;
  }
  // Only a request that went out can be answered late; what a read took is
  // all the line monitor sees too, so both keep the same writes.
  if (std::exchange(requestOut_, false)) unanswered_.note(lastRequest_, replyStatus_ == 0);
}

int ModbusLink::replyRegister(int i) const {
  return eqset::replyRegister(replyBuffer_, i);
}

int ModbusLink::echoedValue() const {
  if (replyBuffer_.size() < 6) return 0;
  return 256 * static_cast<std::uint8_t>(replyBuffer_[4]) +
         static_cast<std::uint8_t>(replyBuffer_[5]);
}

bool ModbusLink::increment(bool good, bool resetPastLimit) {
  const QString text = good ? indicators_.goodCount() : indicators_.failedCount();
  bool ok = false;
  long long value = text.trimmed().toLongLong(&ok);
  if (!ok) return false;
  ++value;
  const QString next =
      (resetPastLimit && value > kCounterLimit) ? QStringLiteral("0") : QString::number(value);
  if (good) {
    indicators_.setGoodCount(next);
  } else {
    indicators_.setFailedCount(next);
  }
  return true;
}

bool ModbusLink::countReply(bool resetGoodCounter) {
  if (replyStatus_ != 0) {
    indicators_.setProgress(0);
    return increment(false, true);
  }
  indicators_.setProgress(100);
  return increment(true, resetGoodCounter);
}

bool ModbusLink::WriteRegister(int address, int value) {
  indicators_.setProgress(0);
  if (!port_.isOpen()) return false;
  const auto frame = writeSingleRequest(address, value);
  if (!frame) return false;
  const LinkError error = ResetPort();
  if (error != LinkError::None) {
    if (error == LinkError::InvalidPort && onInvalidPort_) onInvalidPort_();
    return false;
  }
  if (!sendRequest(*frame)) return false;
  awaitReply(kWriteReplyLength, kWriteSingleWaitMs);
  ReadReply(kWriteReplyLength);
  countReply(true);
  return replyStatus_ == 0;
}

void ModbusLink::WriteRegisters(int start, std::span<const int> values) {
  writeBlock(start, values, kWriteMultipleWaitMs, kWriteMultiplePauseMs);
}

std::optional<int> ModbusLink::writeSingleEchoed(int address, int value, int pauseMs) {
  indicators_.setProgress(0);
  const auto frame = writeSingleRequest(address, value);
  if (!frame) return std::nullopt;
  ResetPort();
  sendRequest(*frame);
  awaitReply(kWriteReplyLength, kWriteSingleWaitMs);
  ReadReply(kWriteReplyLength);
  countReply(false);
  std::optional<int> echo;
  if (replyStatus_ == 0) echo = echoedValue();
  pauseAfterReply(pauseMs);
  return echo;
}

bool ModbusLink::writeBlock(int start, std::span<const int> values, int waitMs, int pauseMs) {
  indicators_.setProgress(0);
  const auto frame = writeMultipleRequest(start, values);
  if (!frame) return false;
  ResetPort();
  sendRequest(*frame);
  awaitReply(kWriteReplyLength, waitMs);
  ReadReply(kWriteReplyLength);
  countReply(false);
  const bool good = replyStatus_ == 0;
  if (pauseMs > 0) pauseAfterReply(pauseMs);
  return good;
}

ModbusLink::ReadOutcome ModbusLink::readRegisters(int start, int count, int waitMs) {
  if (!port_.isOpen()) return ReadOutcome::PortClosed;
  port_.discardBuffers();
  SendReadRequest(start, count);
  awaitReply(readReplyLength(count), waitMs);
  ReadReply(readReplyLength(count));
  countReply(false);
  return replyStatus_ == 0 ? ReadOutcome::Good : ReadOutcome::Failed;
}

}  // namespace eqset
