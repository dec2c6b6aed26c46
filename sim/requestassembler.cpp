#include "sim/requestassembler.h"

#include "sim/crc16.h"
#include "sim/rtu.h"

namespace sim {

void RequestAssembler::receive(std::span<const std::uint8_t> bytes, double atMs) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  arrivalMs_.insert(arrivalMs_.end(), bytes.size(), atMs);
}

std::optional<double> RequestAssembler::silenceDeadline() const {
  if (bytes_.empty()) return std::nullopt;
  return arrivalMs_.back() + gapMs_;
}

RequestAssembler::Frame RequestAssembler::takeFront(std::size_t count) {
  Frame frame{{bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count)},
              arrivalMs_.front()};
  bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(count));
  arrivalMs_.erase(arrivalMs_.begin(), arrivalMs_.begin() + static_cast<std::ptrdiff_t>(count));
  return frame;
}

std::optional<RequestAssembler::Frame> RequestAssembler::take(double nowMs) {
  if (bytes_.empty()) return std::nullopt;
  // A known request whose CRC fails stays at the front, so nothing behind it
  // is taken until the silence flushes the lot.
  if (const auto length = rtu::knownRequestLength(bytes_); length && bytes_.size() >= *length) {
    if (crcMatches(std::span(bytes_).first(*length))) return takeFront(*length);
  }
  if (nowMs - arrivalMs_.back() >= gapMs_) return takeFront(bytes_.size());
  return std::nullopt;
}

}  // namespace sim
