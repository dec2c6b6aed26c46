#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/seededrandom.h"

namespace sim {

// Ways a reply can go wrong on a poor line, for trying out the program's
// failure handling.
enum class LineFault {
  None,
  Silent,   // the reply never arrives
  Short,    // the last byte is lost
  Long,     // a stray byte follows the reply
  Corrupt,  // one byte in the middle arrives inverted
  Late,     // the reply comes whole, but after the master has stopped waiting
  Other,    // a well-formed reply to another request (another register)
  Mixed,    // each faulted reply gets one of the kinds above, drawn at random
};

std::optional<LineFault> lineFaultFromName(std::string_view name);
std::string_view lineFaultName(LineFault fault);

// The master waits at most 600 ms for a reply (a block read); a write waits
// 100 ms. This default puts a late write echo into the next transaction.
constexpr int kDefaultLateMs = 350;

// One reply as it leaves the processor.
struct FaultedReply {
  std::vector<std::uint8_t> bytes;
  LineFault fault = LineFault::None;  // what was done to it (never Mixed)
  int extraDelayMs = 0;               // on top of the usual turnaround
};

// Decides which replies a fault hits: every `every`-th reply the processor
// gives (requests it stays silent to do not count). With Mixed, `seed` fixes
// the sequence of kinds, so a run can be repeated and followed from outside.
class FaultInjector {
 public:
  explicit FaultInjector(LineFault fault = LineFault::None, int every = 1, std::uint64_t seed = 1,
                         int lateMs = kDefaultLateMs)
      : fault_(fault), every_(every < 1 ? 1 : every), lateMs_(lateMs), random_(seed) {}

  // The bytes that reach the line for one reply of the processor, and when.
  FaultedReply inject(std::vector<std::uint8_t> reply);
  // The bytes alone.
  std::vector<std::uint8_t> onReply(std::vector<std::uint8_t> reply) {
    return inject(std::move(reply)).bytes;
  }

 private:
  LineFault fault_;
  int every_;
  int lateMs_;
  SeededRandom random_;
  long replies_ = 0;
};

// The reply as the fault leaves its bytes. Late leaves them as they are (it is
// a matter of timing), and so does Mixed (it is no kind of its own).
std::vector<std::uint8_t> applyLineFault(LineFault fault, std::vector<std::uint8_t> reply);

}  // namespace sim
