#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace sim {

// A USB serial adapter between the processor and the PC: the bytes cross the
// wire at the line rate into the adapter, which hands them to the host only
// when its latency timer fires, every `latencyMs`, all that has arrived by
// then in one transfer. The timer runs from time 0 of the caller's clock.

// When a byte that has crossed the wire at `wireMs` reaches the host: at the
// first tick at or after it; at once with no adapter (`latencyMs` 0).
inline double usbDeliveryMs(double wireMs, int latencyMs) {
  if (latencyMs <= 0) return wireMs;
  return std::ceil(wireMs / latencyMs) * latencyMs;
}

// One hand-over to the host: `count` bytes at `atMs`.
struct UsbBurst {
  double atMs;
  std::size_t count;
};

// The hand-overs of `bytes` bytes whose first bit goes on the wire at
// `firstBitMs`, byte i having crossed it at firstBitMs + (i + 1) * byteMs, in
// order. With no adapter every byte is its own hand-over, as it crosses.
inline std::vector<UsbBurst> usbBursts(double firstBitMs, std::size_t bytes, double byteMs,
                                       int latencyMs) {
  std::vector<UsbBurst> bursts;
  for (std::size_t i = 0; i < bytes; ++i) {
    const double at = usbDeliveryMs(firstBitMs + static_cast<double>(i + 1) * byteMs, latencyMs);
    if (latencyMs > 0 && !bursts.empty() && bursts.back().atMs == at) {
      ++bursts.back().count;
    } else {
      bursts.push_back({at, 1});
    }
  }
  return bursts;
}

}  // namespace sim
