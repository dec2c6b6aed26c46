#pragma once

#include <QByteArray>
#include <optional>
#include <span>

#include "link/unansweredwrites.h"

namespace eqset {

constexpr std::uint8_t kSlaveAddress = 1;
constexpr std::uint8_t kReadHolding = 3;
constexpr std::uint8_t kWriteSingle = 6;
constexpr std::uint8_t kWriteMultiple = 16;
constexpr int kWriteReplyLength = 8;

// The two bytes a 16-bit value goes out as: v / 256 (truncating) and v AND 255.
// Settings are 0..32767; typed commands may be -255..-1, which gives high byte 0
// and the low byte of the two's complement. Anything else has no valid high
// byte and is refused, so nothing is sent.
struct ValueBytes {
  std::uint8_t high;
  std::uint8_t low;
};
std::optional<ValueBytes> splitValue(int value);

// Length of the reply to a read of `count` registers: 5 + 2 * count.
constexpr int readReplyLength(int count) {
  return 5 + 2 * count;
}

// Request frames with their CRC, or nothing when an address, count or value
// cannot be split.
std::optional<QByteArray> readRequest(int start, int count);
std::optional<QByteArray> writeSingleRequest(int address, int value);
std::optional<QByteArray> writeMultipleRequest(int start, std::span<const int> values);

// A reply is trusted only when it really answers the request: right CRC,
// slave 1, the request's function code and what that function must echo. A
// block write echoes its start and count; a read carries twice the asked count
// as its byte count and is that long. A write of one register echoes its
// address and the value the processor now holds: the value written, or one the
// processor chose instead (it keeps a setting within what it can play), which
// is its answer all the same. Only the value of an earlier write to that
// register still in `unanswered` is refused: that is the late echo a slow
// processor puts on the line during the next transaction. On a noisy line a
// corrupted echo or curve must not pass as good data either.
bool replyAnswers(const QByteArray& request, const QByteArray& reply,
                  const UnansweredWrites& unanswered);

// A Modbus exception reply to `request`: slave 1, the request's function with
// the top bit set, a code, and a right CRC (5 bytes).
bool isExceptionReply(const QByteArray& request, const QByteArray& reply);

// The length of the whole frame at the front of `waiting` when it is not the
// answer to `request`: a right CRC over the length its function gives (8 for
// a write's echo, 5 + byte count for a read reply, 5 for an exception reply),
// and replyAnswers() and isExceptionReply() both refuse it, such as a late
// echo of an earlier write or a reply about another register. 0 when the
// front is no whole frame, or is the answer.
int strayFrameLength(const QByteArray& request, const QByteArray& waiting,
                     const UnansweredWrites& unanswered);

// Register i of a read reply: 256 * byte(3 + 2i) + byte(4 + 2i).
int replyRegister(const QByteArray& reply, int i);

}  // namespace eqset
