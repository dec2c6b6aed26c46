#pragma once

#include <cstdint>

namespace sim {

// SplitMix64: small, fully defined, and the same on every compiler and
// library, so a seed gives the same room and the same measurement noise on the
// technician's laptop as on the build machine (std:: distributions do not
// promise that).
class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  // Uniform in [low, high).
  double between(double low, double high) { return low + (high - low) * unit(); }

 private:
  std::uint64_t state_;
};

// One well-mixed value from several keys, for draws that must not depend on
// the order in which they are asked for.
inline std::uint64_t mixKeys(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0) {
  SeededRandom r(a * 0xD6E8FEB86659FD93ULL ^ b);
  SeededRandom s(r.next() ^ c);
  return s.next();
}

}  // namespace sim
