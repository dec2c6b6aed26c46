#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include "sim/crc16.h"
#include "sim/processormodel.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes withCrc(Bytes frame) {
  sim::appendCrc(frame);
  return frame;
}

inline Bytes readRequest(int start, int count) {
  return withCrc({1, 3, std::uint8_t(start >> 8), std::uint8_t(start), std::uint8_t(count >> 8),
                  std::uint8_t(count)});
}

inline Bytes writeSingle(int address, int value) {
  return withCrc({1, 6, std::uint8_t(address >> 8), std::uint8_t(address), std::uint8_t(value >> 8),
                  std::uint8_t(value)});
}

inline Bytes writeMultiple(int start, std::initializer_list<int> values) {
  const auto count = static_cast<int>(values.size());
  Bytes frame{1,
              16,
              std::uint8_t(start >> 8),
              std::uint8_t(start),
              0,
              std::uint8_t(count),
              std::uint8_t(2 * count)};
  for (int v : values) {
    frame.push_back(std::uint8_t(v >> 8));
    frame.push_back(std::uint8_t(v));
  }
  return withCrc(frame);
}

// Register i of a function-3 reply.
inline int replyRegister(const Bytes& reply, int i) {
  return reply[3 + 2 * i] << 8 | reply[4 + 2 * i];
}

// The program's reading of a 24-bit level: q = raw * 5/4 rounded half to even,
// v = q / 2^19 (0.001 when 0), dB = 20 log10(v / 0.75) + 88.
inline double programLevelDb(std::uint32_t raw) {
  const double q = std::nearbyint(static_cast<double>(raw) * 5.0 / 4.0);
  const double v = q == 0 ? 0.001 : q / 524288.0;
  return 20.0 * std::log10(v / 0.75) + 88.0;
}

// The curve block decoded as the program does: band b from the low bytes of
// 905 + 4b, 906 + 4b, 907 + 4b; the status from the low byte of 1028.
struct Curve {
  std::vector<double> db;
  int status = 0;
};

inline Curve readCurve(sim::ProcessorModel& model, std::int64_t nowMs) {
  const Bytes reply = model.handleFrame(readRequest(904, 125), nowMs);
  EXPECT_EQ(reply.size(), 255U);
  Curve curve;
  for (int b = 0; b < 31; ++b) {
    EXPECT_EQ(replyRegister(reply, 4 * b), 0);
    const auto raw = static_cast<std::uint32_t>((replyRegister(reply, 4 * b + 1) << 16) |
                                                (replyRegister(reply, 4 * b + 2) << 8) |
                                                replyRegister(reply, 4 * b + 3));
    curve.db.push_back(simtest::programLevelDb(raw));
  }
  curve.status = replyRegister(reply, 124) & 0xFF;
  return curve;
}

inline double readLevelDb(sim::ProcessorModel& model, std::int64_t nowMs) {
  const Bytes reply = model.handleFrame(readRequest(900, 4), nowMs);
  EXPECT_EQ(reply.size(), 13U);
  EXPECT_EQ(replyRegister(reply, 0), 0);
  for (int k = 1; k <= 3; ++k)
    EXPECT_LT(replyRegister(reply, k), 256) << "register " << 900 + k;
  return simtest::programLevelDb(static_cast<std::uint32_t>(
      replyRegister(reply, 1) << 16 | replyRegister(reply, 2) << 8 | replyRegister(reply, 3)));
}

// A reading may be off by the microphone's scatter plus the 24-bit rounding.
constexpr double kReadingToleranceDb = 0.31;

}  // namespace simtest
