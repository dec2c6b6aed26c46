#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "sim/console.h"
#include "sim/linefault.h"
#include "sim/processormodel.h"
#include "sim/pseudoterminal.h"
#include "sim/requestassembler.h"
#include "sim/usblatency.h"

namespace sim {

// The processor's serial line at 9600 baud, 8 data bits, no parity, 2 stop
// bits: 11 bits, about 1.146 ms, for every byte.
constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;
// Time the processor's firmware takes between the end of a request and the
// first bit of its reply.
constexpr double kTurnaroundMs = 2.0;

// "12.345 in  01 03 00 00 00 10 44 06": seconds since start, direction, bytes.
std::string traceLine(double atMs, bool incoming, std::span<const std::uint8_t> bytes);

// The record of everything that went over the line, one frame a line, written
// as it happens so that a run that is killed still leaves its trace.
class TraceLog {
 public:
  // An empty path keeps no trace. Throws std::system_error when the file
  // cannot be created.
  explicit TraceLog(const std::string& path);
  ~TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  void frame(double atMs, bool incoming, std::span<const std::uint8_t> bytes);
  // An event beside the frames, such as the microphone moving: "12.345 mic 3".
  void note(double atMs, std::string_view text);

 private:
  std::FILE* file_ = nullptr;
};

// Serves the processor model on the pseudo-terminal with the timing of a
// real line: a request counts as received when its last byte would have
// arrived at 9600 baud, and the reply goes out one byte every 1.146 ms after
// the turnaround (or in a USB adapter's bursts), so a program that judges
// replies by how many bytes are waiting sees what the real processor gives it.
class LineServer {
 public:
  // `startNs`: the monotonic time the processor's clock counts from (a server
  // on a new pseudo-terminal after a replug goes on with the same processor
  // time); by default, now.
  // `console`: commands from standard input, or none.
  LineServer(PseudoTerminal& port, ProcessorModel& model, FaultInjector faults, int delayMs,
             TraceLog& trace, std::int64_t startNs = -1, ConsoleInput* console = nullptr);

  static std::int64_t nowNs();

  // A USB serial adapter's latency timer between the line and the
  // pseudo-terminal: reply bytes are handed over every `ms` of the processor's
  // clock, all that has crossed the wire by then at once. 0: each byte as it
  // crosses.
  void setUsbLatency(int ms) { usbLatencyMs_ = ms; }

  // Runs until `stopRequested` becomes non-zero. The stop signals must be
  // blocked by the caller; they are let through only while waiting for the
  // line, with `waitMask`, so a reply is never cut off half-way.
  void serve(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask);

 private:
  double elapsedMs() const;
  void sleepUntilMs(double atMs) const;
  void receiveWaiting();
  void answer(const RequestAssembler::Frame& request);

  PseudoTerminal& port_;
  ProcessorModel& model_;
  FaultInjector faults_;
  int delayMs_;
  int usbLatencyMs_ = 0;
  TraceLog& trace_;
  RequestAssembler assembler_;
  std::int64_t startNs_;
  ConsoleInput* console_;
};

}  // namespace sim
