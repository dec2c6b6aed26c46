#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "sim/processormodel.h"

namespace sim {

class TraceLog;

// A line typed on eqset-sim's standard input, as a technician moving the
// measurement microphone from seat to seat would: "mic K", K = 1..8.
struct MicMove {
  int position = 1;
};
struct ConsoleError {
  std::string message;
};
// An empty line is no command: an error with an empty message.
std::variant<MicMove, ConsoleError> parseConsoleLine(std::string_view line);

// eqset-sim's standard input, read between frames so that a move never falls
// inside a reply. At its end (a closed pipe, /dev/null) it is no longer
// watched; the simulator goes on serving the line.
class ConsoleInput {
 public:
  explicit ConsoleInput(int fd) : fd_(fd) {}

  // -1 once the input has ended: poll() skips it.
  int fd() const { return fd_; }

  // One read of what is waiting; each complete line is applied to the model
  // and each move noted in the trace at `atMs`. Errors go to stderr.
  void readWaiting(ProcessorModel& model, TraceLog& trace, double atMs);

 private:
  int fd_;
  std::string pending_;
};

}  // namespace sim
