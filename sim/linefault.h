#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sim {

// Ways a reply can go wrong on a poor line, for trying out the program's
// failure handling.
enum class LineFault {
  None,
  Silent,   // the reply never arrives
  Short,    // the last byte is lost
  Long,     // a stray byte follows the reply
  Corrupt,  // one byte in the middle arrives inverted
};

std::optional<LineFault> lineFaultFromName(std::string_view name);

// Decides which replies a fault hits: every `every`-th reply the processor
// gives (requests it stays silent to do not count).
class FaultInjector {
 public:
  explicit FaultInjector(LineFault fault = LineFault::None, int every = 1)
      : fault_(fault), every_(every < 1 ? 1 : every) {}

  // The bytes that reach the line for one reply of the processor.
  std::vector<std::uint8_t> onReply(std::vector<std::uint8_t> reply);

 private:
  LineFault fault_;
  int every_;
  long replies_ = 0;
};

// The reply as the fault leaves it.
std::vector<std::uint8_t> applyLineFault(LineFault fault, std::vector<std::uint8_t> reply);

}  // namespace sim
