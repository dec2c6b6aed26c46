// The soak's view of the line: one record per request the program writes,
// the window's serial port watched so that each record learns what the line
// did to its reply, what the link took and how the counters moved, and the
// processor the window is compared with.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/serialport.h"
#include "sim/linefault.h"

namespace soak {

// Bytes as the findings print them, and between Qt's byte arrays and the
// processor model's.
std::string hex(const QByteArray& bytes);
std::vector<std::uint8_t> toStd(const QByteArray& b);
QByteArray toQt(const std::vector<std::uint8_t>& b);
std::string faultName(sim::LineFault f);

// One request of the program and what became of its reply.
struct Transaction {
  QByteArray request;
  bool wentOut = false;  // the port took the whole frame
  QByteArray clean;      // the processor's own answer
  sim::LineFault fault = sim::LineFault::None;
  int extraDelayMs = 0;
  int looks = 0;        // times the link took bytes off the line for it
  int waiting = -1;     // what the port said was waiting when the link looked
  QByteArray taken;     // what the link took
  QByteArray setAside;  // whole frames the fast link took off the line as not its answer
  int good = 0;         // how the counters moved for it
  int failed = 0;

  // The verdict the link owes this reply: good exactly when, in one look, it
  // found the processor's untouched answer to this very request waiting,
  // whole and alone (once the fast link set aside the whole frames in front of
  // it). A damaged reply, a missing one, and a reply to another request (a
  // late one included) are failures, whatever they look like.
  bool deservesGood() const {
    return looks == 1 && !clean.isEmpty() && waiting == clean.size() && taken == clean;
  }
  bool countedGood() const { return good == 1 && failed == 0; }
  bool countedOnce() const { return good + failed == 1; }
};

// The window's serial port, watched: every request, what the line did to its
// reply, what the link took, and how the counters moved.
class WatchedPort : public eqset::SerialPort {
 public:
  // Fills in the processor's answer to a request just written and its fault.
  using Answer = std::function<void(Transaction&)>;

  WatchedPort(eqset::SerialPort& inner, Answer answer);
  ~WatchedPort() override;

  // The two counters the window shows (Text13, Text14).
  void watchCounters(std::function<std::pair<long long, long long>()> counters);

  eqset::LinkError open(int portNumber, int txBufferHint) override {
    return inner_.open(portNumber, txBufferHint);
  }
  void close() override { inner_.close(); }
  bool isOpen() const override { return inner_.isOpen(); }
  bool discardBuffers() override { return inner_.discardBuffers(); }
  bool write(const QByteArray& bytes) override;
  int bytesWaiting() override;
  QByteArray readAll() override;
  // Looking at what waits is no read: the fast link's wait passes through.
  QByteArray peek() override { return inner_.peek(); }
  // A frame the fast link sets aside is booked apart from what it took.
  QByteArray read(int n) override;

  // Puts the counter moves since the last request on that request. The link
  // counts a reply right after it reads it, before the next request.
  void settle();

  std::vector<Transaction> log;
  long long movesWithoutRequest = 0;
  int linesLost = 0;

 private:
  eqset::SerialPort& inner_;
  Answer answer_;
  std::function<std::pair<long long, long long>()> counters_;
  std::pair<long long, long long> last_{0, 0};
};

// What the soak compares the window with: the processor's registers, and how
// to make it sweep a channel.
struct Processor {
  std::function<int(int address)> held;
  std::function<std::vector<std::uint16_t>(int start, int count)> block;
  // Starts a sweep of `channel` and lets it finish. Returns the transactions'
  // time on the link in ms (0 when the processor is reached directly) and adds
  // their nominal time to `nominalMs`.
  std::function<double(int channel, int& nominalMs)> sweep;
};

}  // namespace soak
