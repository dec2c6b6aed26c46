#include "link/frames.h"

#include "link/crc.h"

namespace eqset {

std::optional<ValueBytes> splitValue(int value) {
  if (value < -255 || value > 0xFFFF) return std::nullopt;
  return ValueBytes{static_cast<std::uint8_t>(value / 256),
                    static_cast<std::uint8_t>(value & 0xFF)};
}

namespace {

bool appendValue(QByteArray& frame, int value) {
  const auto bytes = splitValue(value);
  if (!bytes) return false;
  frame.append(static_cast<char>(bytes->high));
  frame.append(static_cast<char>(bytes->low));
  return true;
}

QByteArray header(std::uint8_t function) {
  QByteArray frame;
  frame.append(static_cast<char>(kSlaveAddress));
  frame.append(static_cast<char>(function));
  return frame;
}

}  // namespace

std::optional<QByteArray> readRequest(int start, int count) {
  QByteArray frame = header(kReadHolding);
  if (!appendValue(frame, start) || !appendValue(frame, count)) return std::nullopt;
  appendCrc(frame);
  return frame;
}

std::optional<QByteArray> writeSingleRequest(int address, int value) {
  QByteArray frame = header(kWriteSingle);
  if (!appendValue(frame, address) || !appendValue(frame, value)) return std::nullopt;
  appendCrc(frame);
  return frame;
}

std::optional<QByteArray> writeMultipleRequest(int start, std::span<const int> values) {
  const int count = static_cast<int>(values.size());
  QByteArray frame = header(kWriteMultiple);
  if (!appendValue(frame, start) || !appendValue(frame, count)) return std::nullopt;
  if (2 * count > 255) return std::nullopt;
  frame.append(static_cast<char>(2 * count));
  for (int v : values) {
    if (!appendValue(frame, v)) return std::nullopt;
  }
  appendCrc(frame);
  return frame;
}

bool replyAnswers(const QByteArray& request, const QByteArray& reply,
                  const UnansweredWrites& unanswered) {
  if (request.size() < 2 || reply.size() < 4) return false;
  if (reply[0] != request[0] || reply[1] != request[1] || !crcMatches(reply)) return false;
  const auto byteAt = [](const QByteArray& frame, int k) {
    return static_cast<int>(static_cast<std::uint8_t>(frame[k]));
  };
  switch (byteAt(request, 1)) {
    case kReadHolding: {
      if (request.size() < 6) return false;
      const int count = 256 * byteAt(request, 4) + byteAt(request, 5);
      return reply.size() == readReplyLength(count) && byteAt(reply, 2) == 2 * count;
    }
    case kWriteSingle: {
      if (request.size() < 6 || reply.size() != kWriteReplyLength) return false;
      if (reply.mid(2, 2) != request.mid(2, 2)) return false;
      if (reply.mid(4, 2) == request.mid(4, 2)) return true;
      const int address = 256 * byteAt(reply, 2) + byteAt(reply, 3);
      return !unanswered.holds(address, 256 * byteAt(reply, 4) + byteAt(reply, 5));
    }
    case kWriteMultiple:
      return request.size() >= 6 && reply.size() == kWriteReplyLength &&
             reply.mid(2, 4) == request.mid(2, 4);
    default:
      return true;
  }
}

bool isExceptionReply(const QByteArray& request, const QByteArray& reply) {
  constexpr int kExceptionLength = 5;
  if (request.size() < 2 || reply.size() != kExceptionLength) return false;
  return reply[0] == request[0] &&
         static_cast<std::uint8_t>(reply[1]) == (static_cast<std::uint8_t>(request[1]) | 0x80) &&
         crcMatches(reply);
}

int strayFrameLength(const QByteArray& request, const QByteArray& waiting,
                     const UnansweredWrites& unanswered) {
  if (waiting.size() < 3) return 0;
  const auto function = static_cast<std::uint8_t>(waiting[1]);
  int length = 0;
  if ((function & 0x80) != 0) {
    length = 5;
  } else if (function == kReadHolding) {
    length = 5 + static_cast<std::uint8_t>(waiting[2]);  // header, byte count, data, CRC
  } else if (function == kWriteSingle || function == kWriteMultiple) {
    length = kWriteReplyLength;
  } else {
    return 0;
  }
  if (waiting.size() < length) return 0;
  const QByteArray frame = waiting.left(length);
  if (!crcMatches(frame)) return 0;
  // The processor answers in order, so the answer is the last frame on the
  // line: one with bytes behind it is not it, even when it reads as if it were
  // (the answer to an earlier, same request).
  if (waiting.size() > length) return length;
  if (replyAnswers(request, frame, unanswered) || isExceptionReply(request, frame)) return 0;
  return length;
}

int replyRegister(const QByteArray& reply, int i) {
  const auto byteAt = [&](int k) -> int {
    return k >= 0 && k < reply.size() ? static_cast<std::uint8_t>(reply[k]) : 0;
  };
  return 256 * byteAt(3 + 2 * i) + byteAt(4 + 2 * i);
}

}  // namespace eqset
