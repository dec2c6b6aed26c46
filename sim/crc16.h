#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// CRC-16/MODBUS as the processor's firmware computes it: reflected polynomial
// 0xA001, initial value 0xFFFF, no final XOR. On the line the low byte goes
// first. Kept apart from the program's own CRC on purpose, so that a slip in
// one cannot be masked by the same slip in the other.
std::uint16_t crc16Modbus(std::span<const std::uint8_t> bytes);

// Appends the CRC of everything in `frame`, low byte first.
void appendCrc(std::vector<std::uint8_t>& frame);

// True when the frame is at least three bytes long and its last two bytes are
// the CRC of the bytes before them.
bool crcMatches(std::span<const std::uint8_t> frame);

}  // namespace sim
