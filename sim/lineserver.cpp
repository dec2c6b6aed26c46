#include "sim/lineserver.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <system_error>

namespace sim {

namespace {

std::int64_t monotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

timespec fromNs(std::int64_t ns) {
  return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

std::string traceStamp(double atMs) {
  std::array<char, 32> stamp{};
  std::snprintf(stamp.data(), stamp.size(), "%.3f", atMs / 1000.0);
  return stamp.data();
}

}  // namespace

std::string traceLine(double atMs, bool incoming, std::span<const std::uint8_t> bytes) {
  std::string line = traceStamp(atMs);
  line += incoming ? " in " : " out";
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::uint8_t byte : bytes) {
    line += ' ';
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
  }
  return line;
}

TraceLog::TraceLog(const std::string& path) {
  if (path.empty()) return;
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) throw std::system_error(errno, std::generic_category(), "trace " + path);
}

TraceLog::~TraceLog() {
  if (file_ != nullptr) std::fclose(file_);
}

void TraceLog::frame(double atMs, bool incoming, std::span<const std::uint8_t> bytes) {
  if (file_ == nullptr) return;
  std::fprintf(file_, "%s\n", traceLine(atMs, incoming, bytes).c_str());
  std::fflush(file_);
}

void TraceLog::note(double atMs, std::string_view text) {
  if (file_ == nullptr) return;
  std::fprintf(file_, "%s %.*s\n", traceStamp(atMs).c_str(), static_cast<int>(text.size()),
               text.data());
  std::fflush(file_);
}

LineServer::LineServer(PseudoTerminal& port, ProcessorModel& model, FaultInjector faults,
                       int delayMs, TraceLog& trace, std::int64_t startNs, ConsoleInput* console)
    : port_(port),
      model_(model),
      faults_(faults),
      delayMs_(delayMs),
      trace_(trace),
      startNs_(startNs >= 0 ? startNs : monotonicNs()),
      console_(console) {}

std::int64_t LineServer::nowNs() {
  return monotonicNs();
}

double LineServer::elapsedMs() const {
  return static_cast<double>(monotonicNs() - startNs_) / 1e6;
}

void LineServer::sleepUntilMs(double atMs) const {
  const timespec deadline = fromNs(startNs_ + static_cast<std::int64_t>(std::ceil(atMs * 1e6)));
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

void LineServer::serve(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask) {
  while (stopRequested == 0) {
    timespec timeout{};
    timespec* wait = nullptr;
    if (const auto deadline = assembler_.silenceDeadline()) {
      const double leftMs = std::max(0.0, *deadline - elapsedMs());
      timeout = fromNs(static_cast<std::int64_t>(std::ceil(leftMs * 1e6)) + 100000);
      wait = &timeout;
    }
    // A console line that came before a request is applied before it is
    // answered.
    std::array<pollfd, 2> watched{pollfd{port_.masterFd(), POLLIN, 0},
                                  pollfd{console_ != nullptr ? console_->fd() : -1, POLLIN, 0}};
    pollfd& line = watched[0];
    const int ready = ppoll(watched.data(), watched.size(), wait, &waitMask);
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "ppoll");
    }
    if (ready > 0) {
      if (watched[1].revents != 0) console_->readWaiting(model_, trace_, elapsedMs());
      if ((line.revents & POLLIN) != 0) {
        receiveWaiting();
      } else if ((line.revents & (POLLHUP | POLLERR)) != 0) {
        // Not expected while we hold the slave side ourselves; never spin.
        sleepUntilMs(elapsedMs() + 10.0);
      }
    }
    while (const auto request = assembler_.take(elapsedMs()))
      answer(*request);
  }
}

void LineServer::receiveWaiting() {
  std::array<std::uint8_t, 512> buffer{};
  for (;;) {
    const ssize_t count = ::read(port_.masterFd(), buffer.data(), buffer.size());
    if (count > 0) {
      assembler_.receive(std::span(buffer).first(static_cast<std::size_t>(count)), elapsedMs());
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    return;  // EAGAIN: all taken; EIO: nobody on the other end right now
  }
}

void LineServer::answer(const RequestAssembler::Frame& request) {
  const double receivedMs =
      request.firstByteMs + static_cast<double>(request.bytes.size()) * kByteMs;
  sleepUntilMs(receivedMs);
  trace_.frame(receivedMs, true, request.bytes);
  const FaultedReply faulted = faults_.inject(
      model_.handleFrame(request.bytes, static_cast<std::int64_t>(std::floor(receivedMs))));
  const auto& reply = faulted.bytes;
  if (reply.empty()) return;
  // A late reply keeps the line, and the processor, busy until it is out:
  // requests that come meanwhile are answered after it.
  const double firstBitMs = receivedMs + kTurnaroundMs + delayMs_ + faulted.extraDelayMs;
  trace_.frame(firstBitMs, false, reply);
  std::size_t sent = 0;
  for (const UsbBurst& burst : usbBursts(firstBitMs, reply.size(), kByteMs, usbLatencyMs_)) {
    sleepUntilMs(burst.atMs);
    port_.send(std::span(reply).subspan(sent, burst.count));
    sent += burst.count;
  }
}

}  // namespace sim
