#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "sim/linefault.h"

namespace sim {

// How eqset-sim is started: where the program finds the simulated processor,
// which room it plays into and how bad the line is.
struct SimOptions {
  std::string linkPath;               // --link: a symlink to the pseudo-terminal
  int com = 0;                        // --com: 1.. links <dir>/ports/comN; 0 = none
  std::string dir;                    // --dir: the program folder; empty = eqset-sim's own folder
  std::uint32_t seed = 1;             // --seed
  int sweepMs = 3000;                 // --sweep-seconds, fractional seconds allowed
  std::string tracePath;              // --trace
  LineFault fault = LineFault::None;  // --fault
  int faultEvery = 1;                 // --fault-every
  int delayMs = 0;                    // --delay: extra turnaround before each reply
  int lateMs = kDefaultLateMs;        // --late-ms: how late a late reply comes
  int usbLatencyMs = 0;               // --usb-latency: replies handed over every MS; 0 = bytewise
  int mic = 1;                        // --mic: microphone position 1..8 at start
  bool help = false;                  // --help
};

struct OptionError {
  std::string message;
};

// Parses the arguments after the program name. Options take their value as
// the next argument or after '='.
std::variant<SimOptions, OptionError> parseSimOptions(std::span<const std::string_view> args);

std::string simUsage();

}  // namespace sim
