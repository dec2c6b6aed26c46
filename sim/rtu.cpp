#include "sim/rtu.h"

#include "sim/crc16.h"

namespace sim::rtu {

std::uint16_t wordAt(std::span<const std::uint8_t> frame, std::size_t index) {
  return static_cast<std::uint16_t>(frame[index] << 8 | frame[index + 1]);
}

void appendWord(std::vector<std::uint8_t>& frame, std::uint16_t value) {
  frame.push_back(static_cast<std::uint8_t>(value >> 8));
  frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

std::vector<std::uint8_t> exceptionReply(std::uint8_t function, std::uint8_t code) {
  std::vector<std::uint8_t> reply{kSlaveAddress, static_cast<std::uint8_t>(function | 0x80), code};
  appendCrc(reply);
  return reply;
}

std::optional<std::size_t> knownRequestLength(std::span<const std::uint8_t> prefix) {
  if (prefix.size() < 2) return std::nullopt;
  switch (prefix[1]) {
    case kReadHolding:
    case kWriteSingle:
      return 8;
    case kWriteMultiple:
      if (prefix.size() < 7) return std::nullopt;
      return 9 + static_cast<std::size_t>(prefix[6]);
    default:
      return std::nullopt;
  }
}

}  // namespace sim::rtu
