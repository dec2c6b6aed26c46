#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/frames.h"

namespace eqset::fuzz {

// CRC-16/MODBUS bit by bit, kept apart from the program's own.
inline unsigned crc16(const QByteArray& bytes, qsizetype n) {
  unsigned crc = 0xFFFF;
  for (qsizetype k = 0; k < n; ++k) {
    crc ^= static_cast<std::uint8_t>(bytes[k]);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

// One input of the reply target: an 8-byte head that chooses the request the
// link sent and how the port reports the reply, then the reply bytes.
//   0     request kind: read, write of one register, block write (low 6 bits
//         mod 3); the top bit seals the reply: its last two bytes become the
//         CRC of the bytes before them, so that the runs get past the CRC
//         and reach the checks behind it; bit 6 has the link first write the
//         register and value the reply echoes (bytes 2..5) and get no answer,
//         so that the reply may be that write's late echo
//   1..2  start register (high byte first)
//   3     read: count; block write: count mod 124
//   4..5  write of one register: the value + 255 (high byte first)
//   6     bytes the port claims to hold beyond what it delivers (signed)
//   7     first value of a block write; the others count up from it
struct ReplyCase {
  enum class Kind { Read, WriteSingle, WriteMultiple };
  static constexpr int kHeadBytes = 8;
  static constexpr int kMaxBlockCount = 124;

  Kind kind = Kind::Read;
  int start = 0;
  int count = 0;
  int value = 0;
  int waitingSurplus = 0;
  int firstValue = 0;
  bool sealed = false;
  bool afterUnanswered = false;
  QByteArray reply;

  struct Write {
    int address;
    int value;
  };
  // The write the link made first and got no answer to: the register and
  // value the reply's bytes 2..5 name. Nothing when the case has none or the
  // reply is too short to name one.
  std::optional<Write> unansweredWrite() const {
    if (!afterUnanswered || reply.size() < 6) return std::nullopt;
    const auto word = [this](int k) {
      return 256 * static_cast<std::uint8_t>(reply[k]) + static_cast<std::uint8_t>(reply[k + 1]);
    };
    return Write{word(2), word(4)};
  }

  std::vector<int> blockValues() const {
    std::vector<int> values;
    for (int k = 0; k < count; ++k)
      values.push_back((firstValue + k) & 0xFF);
    return values;
  }

  std::optional<QByteArray> request() const {
    switch (kind) {
      case Kind::Read:
        return readRequest(start, count);
      case Kind::WriteSingle:
        return writeSingleRequest(start, value);
      case Kind::WriteMultiple:
        return writeMultipleRequest(start, blockValues());
    }
    return std::nullopt;
  }

  // The reply length the link waits for.
  int expectedLength() const { return kind == Kind::Read ? readReplyLength(count) : 8; }

  static std::optional<ReplyCase> decode(const std::uint8_t* data, std::size_t size) {
    if (size < kHeadBytes) return std::nullopt;
    ReplyCase c;
    c.kind = static_cast<Kind>((data[0] & 0x3F) % 3);
    c.sealed = (data[0] & 0x80) != 0;
    c.afterUnanswered = (data[0] & 0x40) != 0;
    c.start = 256 * data[1] + data[2];
    c.count = c.kind == Kind::WriteMultiple ? data[3] % kMaxBlockCount : data[3];
    c.value = 256 * data[4] + data[5] - 255;
    c.waitingSurplus = static_cast<std::int8_t>(data[6]);
    c.firstValue = data[7];
    c.reply = QByteArray(reinterpret_cast<const char*>(data) + kHeadBytes,
                         static_cast<qsizetype>(size - kHeadBytes));
    if (c.sealed && c.reply.size() >= 2) {
      const unsigned crc = crc16(c.reply, c.reply.size() - 2);
      c.reply[c.reply.size() - 2] = static_cast<char>(crc & 0xFF);
      c.reply[c.reply.size() - 1] = static_cast<char>(crc >> 8);
    }
    return c;
  }

  QByteArray encode() const {
    QByteArray bytes;
    const int shifted = value + 255;
    for (int b :
         {static_cast<int>(kind) | (sealed ? 0x80 : 0) | (afterUnanswered ? 0x40 : 0), start >> 8,
          start & 0xFF, count, shifted >> 8, shifted & 0xFF, waitingSurplus & 0xFF, firstValue})
      bytes.append(static_cast<char>(b));
    return bytes + reply;
  }
};

}  // namespace eqset::fuzz
