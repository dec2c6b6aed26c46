#include "sim/linefault.h"

namespace sim {

std::optional<LineFault> lineFaultFromName(std::string_view name) {
  if (name == "none") return LineFault::None;
  if (name == "silent") return LineFault::Silent;
  if (name == "short") return LineFault::Short;
  if (name == "long") return LineFault::Long;
  if (name == "corrupt") return LineFault::Corrupt;
  return std::nullopt;
}

std::vector<std::uint8_t> applyLineFault(LineFault fault, std::vector<std::uint8_t> reply) {
  if (reply.empty()) return reply;
  switch (fault) {
    case LineFault::None:
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
  }
  return reply;
}

std::vector<std::uint8_t> FaultInjector::onReply(std::vector<std::uint8_t> reply) {
  if (reply.empty()) return reply;
  ++replies_;
  if (replies_ % every_ != 0) return reply;
  return applyLineFault(fault_, std::move(reply));
}

}  // namespace sim
