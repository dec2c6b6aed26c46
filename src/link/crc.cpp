#include "link/crc.h"

namespace eqset {

std::uint16_t CrcModbus(const std::uint8_t* bytes, std::size_t n) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) {
      const bool lsb = crc & 1;
      crc >>= 1;
      if (lsb) crc ^= 0xA001;
    }
  }
  return crc;
}

std::uint16_t CrcModbus(const QByteArray& bytes) {
  return CrcModbus(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                   static_cast<std::size_t>(bytes.size()));
}

void appendCrc(QByteArray& frame) {
  const std::uint16_t crc = CrcModbus(frame);
  frame.append(static_cast<char>(crc & 0xFF));
  frame.append(static_cast<char>(crc >> 8));
}

bool crcMatches(const QByteArray& frame) {
  if (frame.size() < 3) return false;
  const std::uint16_t crc = CrcModbus(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                      static_cast<std::size_t>(frame.size() - 2));
  return static_cast<std::uint8_t>(frame[frame.size() - 2]) == (crc & 0xFF) &&
         static_cast<std::uint8_t>(frame[frame.size() - 1]) == (crc >> 8);
}

}  // namespace eqset
