#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "link/clock.h"
#include "link/serialport.h"

namespace sim {
class ProcessorModel;
}

namespace eqset::test {

// A serial port in virtual time. Each written frame goes to a processor model
// (or a script); its reply then arrives byte by byte at the line rate of
// 9600 8N2, so a read sees only what a real line would have delivered by then.
class FakeSerialPort : public SerialPort {
 public:
  // Forbidden: the user may not open it; Faulty: the driver fails with words
  // of its own.
  enum class PortState { Free, Busy, Missing, Forbidden, Faulty };
  enum class EventKind { Open, OpenFailed, Close, Discard, Write };
  struct Event {
    std::int64_t time;
    EventKind kind;
    int port;
    QByteArray bytes;  // the frame, for writes
    int txBufferHint;  // for opens
  };
  // Turns a request into reply bytes; an empty reply is silence.
  using Responder = std::function<QByteArray(const QByteArray& request)>;

  static constexpr double kMsPerByte = 11.0 * 1000.0 / 9600.0;
  static constexpr int kTurnaroundMs = 2;

  FakeSerialPort(Clock& clock, sim::ProcessorModel* model);

  // Ports not set are missing.
  void setPort(int number, PortState state) { ports_[number] = state; }
  // Replaces the model's replies (faults, odd lengths, silence).
  void setResponder(Responder r) { responder_ = std::move(r); }
  // Alters the model's reply before it goes on the line; return it unchanged to pass.
  void setReplyFilter(std::function<QByteArray(const QByteArray& request, QByteArray reply)> f) {
    filter_ = std::move(f);
  }
  // Extra milliseconds before the (filtered) reply's first byte; 0 keeps it on
  // time. A delayed reply behaves as bytes still on the wire: closing the port
  // does not drop them, only what arrives while it is closed is lost, and the
  // processor's next reply waits until it is out (the line carries one at a
  // time).
  void setReplyDelay(std::function<int(const QByteArray& request, const QByteArray& reply)> d) {
    delay_ = std::move(d);
  }
  // A USB serial adapter in between: reply bytes reach the port only when its
  // latency timer fires, every `ms` of the clock, all that crossed the wire by
  // then at once. 0 (the default): each byte as it crosses.
  void setUsbLatency(int ms) { usbLatencyMs_ = ms; }
  // Puts bytes on the line as if the processor had sent them unasked.
  void inject(const QByteArray& bytes);
  // The adapter is pulled: an open port closes itself (a Close event) and the
  // line-lost handler runs. Nothing happens on a closed port.
  void loseLine();

  LinkError open(int portNumber, int txBufferHint) override;
  void close() override;
  bool isOpen() const override { return openPort_ != 0; }
  bool discardBuffers() override;
  bool write(const QByteArray& bytes) override;
  int bytesWaiting() override;
  QByteArray readAll() override;
  QByteArray peek() override;
  QByteArray read(int n) override;
  OpenFailure lastOpenFailure() const override { return failure_; }
  // The host table's device; an adapter's details for the ports set by
  // describeAs.
  std::vector<PortDescription> describe(const std::vector<int>& portNumbers) const override;
  void describeAs(int portNumber, PortDescription d) { descriptions_[portNumber] = std::move(d); }

  int openPort() const { return openPort_; }
  const std::vector<Event>& events() const { return events_; }
  std::vector<Event> writes() const;
  void clearEvents() { events_.clear(); }

 private:
  struct Pending {
    double arrival;
    char byte;
    bool delayed = false;
  };
  int arrivedCount() const;

  Clock& clock_;
  sim::ProcessorModel* model_;
  Responder responder_;
  std::function<QByteArray(const QByteArray&, QByteArray)> filter_;
  std::function<int(const QByteArray&, const QByteArray&)> delay_;
  // Arrival of the last byte of the latest delayed reply.
  double delayedUntil_ = 0;
  int usbLatencyMs_ = 0;
  std::map<int, PortState> ports_;
  int openPort_ = 0;
  OpenFailure failure_;
  std::map<int, PortDescription> descriptions_;
  std::vector<Pending> pending_;
  std::vector<Event> events_;
};

}  // namespace eqset::test
