// Replies off the line: whatever bytes the processor (or the noise on the
// cable) puts there, against a request the link really sends. Checks the
// reply judgement and ReadReply's buffer through a port that hands over the
// input's bytes.

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "fuzzcheck.h"
#include "link/frames.h"
#include "link/modbuslink.h"
#include "replycase.h"

using namespace eqset;
using eqset::fuzz::ReplyCase;

namespace {

// A port whose reply to the next frame is the input's reply; it may claim to
// hold more or fewer bytes than it delivers.
class ScriptedPort : public SerialPort {
 public:
  // The first `silentWrites` frames get no reply.
  ScriptedPort(QByteArray reply, int waitingSurplus, int silentWrites)
      : reply_(std::move(reply)), surplus_(waitingSurplus), silent_(silentWrites) {}

  LinkError open(int, int) override {
    open_ = true;
    return LinkError::None;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  bool discardBuffers() override {
    pending_.clear();
    return true;
  }
  bool write(const QByteArray& bytes) override {
    written.push_back(bytes);
    pending_ = silent_ > 0 ? QByteArray() : reply_;
    silent_ = std::max(0, silent_ - 1);
    return true;
  }
  int bytesWaiting() override { return std::max(0, static_cast<int>(pending_.size()) + surplus_); }
  QByteArray readAll() override { return std::exchange(pending_, {}); }

  std::vector<QByteArray> written;

 private:
  QByteArray reply_;
  int surplus_;
  int silent_;
  QByteArray pending_;
  bool open_ = true;
};

class StillClock : public Clock {
 public:
  void sleep(int ms) override { now_ += ms; }
  std::int64_t now() const override { return now_; }
  bool realTime() const override { return false; }

 private:
  std::int64_t now_ = 0;
};

class CountingIndicators : public LinkIndicators {
 public:
  void setProgress(int) override {}
  QString goodCount() const override { return good_; }
  void setGoodCount(const QString& text) override { good_ = text; }
  QString failedCount() const override { return failed_; }
  void setFailedCount(const QString& text) override { failed_ = text; }

 private:
  QString good_ = "0";
  QString failed_ = "0";
};

int byteAt(const QByteArray& frame, int k) {
  return static_cast<std::uint8_t>(frame[k]);
}

bool crcAtEnd(const QByteArray& frame) {
  if (frame.size() < 3) return false;
  const unsigned crc = fuzz::crc16(frame, frame.size() - 2);
  return byteAt(frame, static_cast<int>(frame.size()) - 2) == static_cast<int>(crc & 0xFF) &&
         byteAt(frame, static_cast<int>(frame.size()) - 1) == static_cast<int>(crc >> 8);
}

// Whether `reply` answers the request of `c`, told from the case itself and
// not from the request bytes. A write's echo of its register with another
// value is the processor's answer, unless the link wrote that value to the
// register before and got no answer: then it is that write's late echo.
bool answers(const ReplyCase& c, const QByteArray& reply) {
  if (reply.size() != c.expectedLength() || !crcAtEnd(reply)) return false;
  if (byteAt(reply, 0) != kSlaveAddress) return false;
  switch (c.kind) {
    case ReplyCase::Kind::Read:
      return byteAt(reply, 1) == kReadHolding && byteAt(reply, 2) == 2 * c.count;
    case ReplyCase::Kind::WriteSingle: {
      if (byteAt(reply, 1) != kWriteSingle || 256 * byteAt(reply, 2) + byteAt(reply, 3) != c.start)
        return false;
      // The value as it went out: a value of -255..-1 goes as high byte 0
      // and the low byte of its two's complement.
      const bool sameValue = byteAt(reply, 4) == (c.value < 0 ? 0 : c.value >> 8) &&
                             byteAt(reply, 5) == (c.value & 0xFF);
      return sameValue || !c.unansweredWrite();
    }
    case ReplyCase::Kind::WriteMultiple:
      return byteAt(reply, 1) == kWriteMultiple &&
             256 * byteAt(reply, 2) + byteAt(reply, 3) == c.start &&
             256 * byteAt(reply, 4) + byteAt(reply, 5) == c.count;
  }
  return false;
}

void checkRegisters(const QByteArray& reply, int count) {
  for (int i = 0; i < count + 2; ++i) {
    const int value = replyRegister(reply, i);
    FUZZ_CHECK(value >= 0 && value <= 0xFFFF);
    const int high = 3 + 2 * i < reply.size() ? byteAt(reply, 3 + 2 * i) : 0;
    const int low = 4 + 2 * i < reply.size() ? byteAt(reply, 4 + 2 * i) : 0;
    FUZZ_CHECK(value == 256 * high + low);
  }
}

// The same reply through the link's own transaction for the request.
void checkLink(const ReplyCase& c, const QByteArray& request) {
  const auto earlier = c.unansweredWrite();
  ScriptedPort port(c.reply, c.waitingSurplus, earlier ? 1 : 0);
  StillClock clock;
  CountingIndicators indicators;
  ModbusLink link(port, clock, indicators);
  if (earlier) {
    FUZZ_CHECK(!link.writeSingleEchoed(earlier->address, earlier->value, 0));
    FUZZ_CHECK(link.unansweredWrites().holds(earlier->address, earlier->value));
  }
  const QString failedBefore = earlier ? "1" : "0";

  std::optional<int> echo;
  switch (c.kind) {
    case ReplyCase::Kind::Read:
      link.readRegisters(c.start, c.count, 50);
      break;
    case ReplyCase::Kind::WriteSingle:
      echo = link.writeSingleEchoed(c.start, c.value, 0);
      break;
    case ReplyCase::Kind::WriteMultiple: {
      const auto values = c.blockValues();
      link.writeBlock(c.start, values, 200, 0);
      break;
    }
  }
  FUZZ_CHECK(!port.written.empty() && port.written.back() == request);

  const int n = c.expectedLength();
  const bool delivered = c.reply.size() == n && c.waitingSurplus == 0;
  const QByteArray& buffer = link.replyBuffer();
  if (link.replyStatus() == 0) {
    FUZZ_CHECK(delivered && answers(c, c.reply));
    FUZZ_CHECK(buffer.size() == n && buffer == c.reply);
    FUZZ_CHECK(indicators.goodCount() == "1" && indicators.failedCount() == failedBefore);
  } else {
    FUZZ_CHECK(link.replyStatus() == -1);
    FUZZ_CHECK(!(delivered && answers(c, c.reply)));
    FUZZ_CHECK(buffer == QByteArray(n + 1, '\0'));
    FUZZ_CHECK(indicators.goodCount() == "0" &&
               indicators.failedCount() == QString::number(failedBefore.toInt() + 1));
  }
  // A good echo of the register leaves nothing owed to it; a failed write is owed.
  if (c.kind == ReplyCase::Kind::WriteSingle) {
    const int sent = 256 * byteAt(request, 4) + byteAt(request, 5);
    FUZZ_CHECK(link.unansweredWrites().holds(c.start, sent) == (link.replyStatus() != 0));
  }
  if (c.kind == ReplyCase::Kind::WriteSingle) {
    FUZZ_CHECK(echo.has_value() == (link.replyStatus() == 0));
    if (echo) FUZZ_CHECK(*echo == 256 * byteAt(c.reply, 4) + byteAt(c.reply, 5));
  }
  if (c.kind == ReplyCase::Kind::Read) {
    for (int i = 0; i < c.count; ++i) {
      const int expected = link.replyStatus() == 0 ? replyRegister(c.reply, i) : 0;
      FUZZ_CHECK(link.replyRegister(i) == expected);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto c = ReplyCase::decode(data, size);
  if (!c) return 0;
  const auto request = c->request();
  if (!request) return 0;  // a value the line cannot carry: nothing goes out

  UnansweredWrites unanswered;
  if (const auto earlier = c->unansweredWrite())
    unanswered.note(*writeSingleRequest(earlier->address, earlier->value), false);
  const bool answered = replyAnswers(*request, c->reply, unanswered);
  FUZZ_CHECK(answered == answers(*c, c->reply));
  if (c->kind == ReplyCase::Kind::Read) checkRegisters(c->reply, c->count);
  checkLink(*c, *request);
  return 0;
}
