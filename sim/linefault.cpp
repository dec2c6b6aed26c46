#include "sim/linefault.h"

#include <array>

#include "sim/crc16.h"

namespace sim {

namespace {

constexpr std::array<LineFault, 6> kMixedKinds = {LineFault::Silent, LineFault::Short,
                                                  LineFault::Long,   LineFault::Corrupt,
                                                  LineFault::Late,   LineFault::Other};

constexpr std::uint8_t kReadHolding = 3;
constexpr std::uint8_t kWriteSingle = 6;
constexpr std::uint8_t kWriteMultiple = 16;

// A frame whose content changed gets the CRC of its new content, so that only
// what it says gives it away.
std::vector<std::uint8_t> withNewCrc(std::vector<std::uint8_t> frame) {
  frame.resize(frame.size() - 2);
  appendCrc(frame);
  return frame;
}

// The reply the processor would give to a neighbouring request: a write's
// echo names the next register; a read's answer is that of a read of one
// register fewer. Anything else (an exception reply) is left alone.
std::vector<std::uint8_t> answerToAnotherRequest(std::vector<std::uint8_t> reply) {
  const std::uint8_t function = reply.size() >= 2 ? reply[1] : 0;
  if ((function == kWriteSingle || function == kWriteMultiple) && reply.size() == 8) {
    const int address = (reply[2] << 8 | reply[3]) + 1;
    reply[2] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
    reply[3] = static_cast<std::uint8_t>(address & 0xFF);
    return withNewCrc(std::move(reply));
  }
  if (function == kReadHolding && reply.size() >= 7 && reply[2] >= 2 &&
      reply.size() == 5U + reply[2]) {
    reply.erase(reply.end() - 4, reply.end() - 2);
    reply[2] = static_cast<std::uint8_t>(reply[2] - 2);
    return withNewCrc(std::move(reply));
  }
  return reply;
}

}  // namespace

std::optional<LineFault> lineFaultFromName(std::string_view name) {
  for (LineFault fault :
       {LineFault::None, LineFault::Silent, LineFault::Short, LineFault::Long, LineFault::Corrupt,
        LineFault::Late, LineFault::Other, LineFault::Mixed}) {
    if (name == lineFaultName(fault)) return fault;
  }
  return std::nullopt;
}

std::string_view lineFaultName(LineFault fault) {
  switch (fault) {
    case LineFault::None:
      return "none";
    case LineFault::Silent:
      return "silent";
    case LineFault::Short:
      return "short";
    case LineFault::Long:
      return "long";
    case LineFault::Corrupt:
      return "corrupt";
    case LineFault::Late:
      return "late";
    case LineFault::Other:
      return "other";
    case LineFault::Mixed:
      return "mixed";
  }
  return "?";
}

std::vector<std::uint8_t> applyLineFault(LineFault fault, std::vector<std::uint8_t> reply) {
  if (reply.empty()) return reply;
  switch (fault) {
    case LineFault::None:
    case LineFault::Late:
    case LineFault::Mixed:
      break;
    case LineFault::Silent:
      reply.clear();
      break;
    case LineFault::Short:
      reply.pop_back();
      break;
    case LineFault::Long:
      reply.push_back(0xFF);
      break;
    case LineFault::Corrupt:
      // The middle byte is never the slave address nor the CRC of a reply of
      // five bytes or more, so only the content is damaged.
      reply[reply.size() / 2] ^= 0xFF;
      break;
    case LineFault::Other:
      reply = answerToAnotherRequest(std::move(reply));
      break;
  }
  return reply;
}

FaultedReply FaultInjector::inject(std::vector<std::uint8_t> reply) {
  FaultedReply out;
  if (reply.empty()) return out;
  ++replies_;
  if (fault_ == LineFault::None || replies_ % every_ != 0) {
    out.bytes = std::move(reply);
    return out;
  }
  out.fault = fault_;
  if (fault_ == LineFault::Mixed) out.fault = kMixedKinds[random_.next() % kMixedKinds.size()];
  out.bytes = applyLineFault(out.fault, std::move(reply));
  if (out.fault == LineFault::Late) out.extraDelayMs = lateMs_;
  return out;
}

}  // namespace sim
