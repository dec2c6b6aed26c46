#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Modbus RTU as the processor speaks it on its serial port.
namespace sim::rtu {

constexpr std::uint8_t kSlaveAddress = 1;

constexpr std::uint8_t kReadHolding = 3;
constexpr std::uint8_t kWriteSingle = 6;
constexpr std::uint8_t kWriteMultiple = 16;

constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalDataAddress = 2;
constexpr std::uint8_t kIllegalDataValue = 3;

// Limits of one transaction set by the 256-byte RTU frame.
constexpr int kMaxReadCount = 125;
constexpr int kMaxWriteCount = 123;

// Big-endian 16-bit value at `index`.
std::uint16_t wordAt(std::span<const std::uint8_t> frame, std::size_t index);
void appendWord(std::vector<std::uint8_t>& frame, std::uint16_t value);

// 01, function | 0x80, code, CRC: what the processor sends for a request it
// understood but refuses.
std::vector<std::uint8_t> exceptionReply(std::uint8_t function, std::uint8_t code);

// Length of a request judged from its first bytes, as the processor's receiver
// does for the functions it knows: 8 for functions 3 and 6, 9 + byte count for
// 16. Nothing when the bytes so far do not tell (too few bytes, or another
// function, whose end only the silence after it shows).
std::optional<std::size_t> knownRequestLength(std::span<const std::uint8_t> prefix);

}  // namespace sim::rtu
