#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

// Cuts the byte stream from the serial line into request frames, the way the
// processor's receiver does: a request of a known function ends at its known
// length; anything else ends at a silence of 3.5 characters. A request whose
// CRC does not check out makes the receiver throw away everything up to the
// next silence, so the program's retry after a discarded frame is never glued
// to the leftovers of the bad one.
class RequestAssembler {
 public:
  struct Frame {
    std::vector<std::uint8_t> bytes;
    double firstByteMs = 0;  // when its first byte arrived
  };

  // 3.5 characters at 9600 baud, 11 bits a character, rounded up.
  static constexpr double kSilenceGapMs = 4.0;

  explicit RequestAssembler(double silenceGapMs = kSilenceGapMs) : gapMs_(silenceGapMs) {}

  void receive(std::span<const std::uint8_t> bytes, double atMs);

  // The next complete frame, or nothing yet. Call until it returns nothing.
  std::optional<Frame> take(double nowMs);

  // When the silence that would close the pending bytes is reached; nothing
  // when no bytes are pending.
  std::optional<double> silenceDeadline() const;

  bool empty() const { return bytes_.empty(); }

 private:
  Frame takeFront(std::size_t count);

  double gapMs_;
  std::vector<std::uint8_t> bytes_;
  std::vector<double> arrivalMs_;
};

}  // namespace sim
