#include <gtest/gtest.h>

#include <vector>

#include "link/crc.h"
#include "link/frames.h"

namespace eqset {
namespace {

QByteArray hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

TEST(Crc, CheckValueAndKnownFrames) {
  EXPECT_EQ(CrcModbus(QByteArray("123456789")), 0x4B37);
  EXPECT_EQ(CrcModbus(hex("01 03 00 00 00 10")), 0x0644);
  QByteArray frame = hex("01 06 00 FA 00 11");
  appendCrc(frame);
  EXPECT_EQ(frame, hex("01 06 00 FA 00 11 69 F7"));
  EXPECT_TRUE(crcMatches(frame));
  frame[3] = 0x7B;
  EXPECT_FALSE(crcMatches(frame));
}

TEST(ValueSplit, Table) {
  struct Case {
    int value;
    bool valid;
    int high;
    int low;
  };
  const Case cases[] = {
      {0, true, 0, 0},       {17, true, 0, 0x11},       {255, true, 0, 0xFF}, {256, true, 1, 0},
      {1028, true, 4, 4},    {32767, true, 0x7F, 0xFF}, {-1, true, 0, 0xFF},  {-5, true, 0, 0xFB},
      {-255, true, 0, 0x01}, {-256, false, 0, 0},       {-1000, false, 0, 0}, {65536, false, 0, 0},
  };
  for (const auto& c : cases) {
    const auto bytes = splitValue(c.value);
    ASSERT_EQ(bytes.has_value(), c.valid) << c.value;
    if (!c.valid) continue;
    EXPECT_EQ(bytes->high, c.high) << c.value;
    EXPECT_EQ(bytes->low, c.low) << c.value;
  }
}

TEST(Frames, Requests) {
  EXPECT_EQ(*readRequest(0, 16), hex("01 03 00 00 00 10 44 06"));
  EXPECT_EQ(*writeSingleRequest(250, 17), hex("01 06 00 FA 00 11 69 F7"));
  // The typed command -5 goes out as 00 FB.
  const auto negative = writeSingleRequest(47, -5);
  ASSERT_TRUE(negative);
  EXPECT_EQ(negative->mid(0, 6), hex("01 06 00 2F 00 FB"));
  EXPECT_FALSE(writeSingleRequest(47, -256));

  const std::vector<int> six = {1, 2, 3, 4, 5, 6};
  const auto multi = writeMultipleRequest(250, six);
  ASSERT_TRUE(multi);
  EXPECT_EQ(multi->size(), 21);
  EXPECT_EQ(static_cast<std::uint8_t>((*multi)[6]), 0x0C);
  EXPECT_EQ(multi->mid(0, 9), hex("01 10 00 FA 00 06 0C 00 01"));
  EXPECT_TRUE(crcMatches(*multi));

  const std::vector<int> eq(31, 15);
  const auto channel = writeMultipleRequest(455, eq);
  ASSERT_TRUE(channel);
  EXPECT_EQ(channel->size(), 71);
  EXPECT_EQ(channel->mid(0, 7), hex("01 10 01 C7 00 1F 3E"));
  EXPECT_EQ(readReplyLength(16), 37);
  EXPECT_EQ(readReplyLength(125), 255);
}

QByteArray withCrc(const char* text) {
  QByteArray frame = hex(text);
  appendCrc(frame);
  return frame;
}

// A read reply that says `byteCount` and carries `registers` registers.
QByteArray readReply(int byteCount, int registers) {
  QByteArray frame = hex("01 03");
  frame.append(static_cast<char>(byteCount));
  frame.append(QByteArray(2 * registers, '\x07'));
  appendCrc(frame);
  return frame;
}

TEST(Frames, ReplyAnswersRequest) {
  const QByteArray single = *writeSingleRequest(33, 19);
  const std::vector<int> six = {1, 2, 3, 4, 5, 6};
  const QByteArray block = *writeMultipleRequest(250, six);
  const QByteArray read = *readRequest(0, 16);
  QByteArray badCrc = single;
  badCrc[7] = static_cast<char>(badCrc[7] ^ 0x01);
  // Band 33 was written 0x1234 and 20 before, and got no good reply.
  UnansweredWrites unanswered;
  unanswered.note(withCrc("01 06 00 21 12 34"), false);
  unanswered.note(withCrc("01 06 00 21 00 14"), false);
  struct Case {
    const char* name;
    const QByteArray& request;
    QByteArray reply;
    bool answers;
  };
  const Case cases[] = {
      {"echo", single, single, true},
      {"late echo of an unanswered write", single, withCrc("01 06 00 21 12 34"), false},
      {"late echo of the other unanswered write", single, withCrc("01 06 00 21 00 14"), false},
      {"the processor's own value", single, withCrc("01 06 00 21 00 1E"), true},
      {"a value owed to another register", single, withCrc("01 06 00 21 00 15"), true},
      {"bad crc", single, badCrc, false},
      {"other slave", single, withCrc("02 06 00 21 00 13"), false},
      {"other function", single, withCrc("01 03 00 21 00 13"), false},
      {"exception", single, withCrc("01 86 02"), false},
      {"empty", single, QByteArray(), false},
      {"echo of register 99", single, withCrc("01 06 00 63 12 34"), false},
      {"echo of register 289", single, withCrc("01 06 01 21 00 13"), false},
      {"echo with a byte more", single, withCrc("01 06 00 21 00 13 00"), false},

      {"block echo", block, withCrc("01 10 00 FA 00 06"), true},
      {"block echo of another start", block, withCrc("01 10 00 FB 00 06"), false},
      {"block echo of another count", block, withCrc("01 10 00 FA 00 05"), false},
      {"block echo, count high byte", block, withCrc("01 10 00 FA 01 06"), false},

      {"read of 16", read, readReply(32, 16), true},
      {"byte count of 15 registers", read, readReply(30, 16), false},
      {"15 registers", read, readReply(30, 15), false},
      {"a write echo", read, withCrc("01 03 00 00 00 10"), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(replyAnswers(c.request, c.reply, unanswered), c.answers) << c.name;
  // A late echo of this very write's value is its own echo.
  EXPECT_TRUE(replyAnswers(*writeSingleRequest(33, 20), withCrc("01 06 00 21 00 14"), unanswered));
}

TEST(UnansweredWrites, OnlyTheNewestAreKept) {
  UnansweredWrites unanswered;
  const auto k = static_cast<int>(UnansweredWrites::kCapacity);
  for (int v = 0; v < k; ++v)
    unanswered.note(*writeSingleRequest(33, v), false);
  // Written again and unanswered again: 0 becomes the newest, 1 the oldest.
  unanswered.note(*writeSingleRequest(33, 0), false);
  EXPECT_EQ(unanswered.size(), UnansweredWrites::kCapacity);
  unanswered.note(*writeSingleRequest(33, k), false);
  EXPECT_EQ(unanswered.size(), UnansweredWrites::kCapacity);
  EXPECT_FALSE(unanswered.holds(33, 1));
  EXPECT_TRUE(unanswered.holds(33, 0));
  EXPECT_TRUE(unanswered.holds(33, 2));
  EXPECT_TRUE(unanswered.holds(33, k));
}

TEST(Frames, ReplyRegisterPastTheEndReadsZero) {
  const QByteArray reply = hex("01 03 04 00 0F 80 00");
  EXPECT_EQ(replyRegister(reply, 0), 15);
  EXPECT_EQ(replyRegister(reply, 1), 0x8000);
  EXPECT_EQ(replyRegister(reply, 2), 0);
}

}  // namespace
}  // namespace eqset
