#pragma once

#include <QByteArray>
#include <cstdint>

namespace eqset {

// CRC-16/MODBUS over the first n bytes: reflected polynomial 0xA001, initial
// value 0xFFFF, no final XOR. On the wire the low byte goes first.
std::uint16_t CrcModbus(const std::uint8_t* bytes, std::size_t n);
std::uint16_t CrcModbus(const QByteArray& bytes);

// Appends the CRC of `frame`, low byte first.
void appendCrc(QByteArray& frame);

// True when the last two bytes are the CRC of the bytes before them.
bool crcMatches(const QByteArray& frame);

}  // namespace eqset
