#pragma once

#include <QByteArray>
#include <QDateTime>
#include <cstdint>
#include <functional>

#include "link/clock.h"
#include "link/serialport.h"

namespace eqset {

// The serial port with a listener on the line: every frame that goes out and
// every reply read back is handed to it as it passes, unchanged. The link sees
// the same port; with no listener the calls only pass through.
class WatchedPort : public SerialPort {
 public:
  struct Frame {
    QDateTime wallClock;   // when it passed, to the millisecond
    std::int64_t clockMs;  // the link's clock at the same moment
    bool outgoing;         // true: a request; false: what a read took
    QByteArray bytes;      // empty for a read that found nothing
    // A whole frame the link took off the line while it waited because it
    // does not answer the request; the reply is still to come.
    bool setAside = false;
  };
  using Listener = std::function<void(const Frame&)>;

  WatchedPort(SerialPort& inner, Clock& clock);

  void setListener(Listener listener) { listener_ = std::move(listener); }

  LinkError open(int portNumber, int txBufferHint) override;
  void close() override;
  bool isOpen() const override;
  bool discardBuffers() override;
  bool write(const QByteArray& bytes) override;
  int bytesWaiting() override;
  QByteArray readAll() override;
  QByteArray peek() override;
  QByteArray read(int n) override;
  OpenFailure lastOpenFailure() const override { return inner_.lastOpenFailure(); }
  std::vector<PortDescription> describe(const std::vector<int>& portNumbers) const override {
    return inner_.describe(portNumbers);
  }

 private:
  void tell(bool outgoing, const QByteArray& bytes, bool setAside = false);

  SerialPort& inner_;
  Clock& clock_;
  Listener listener_;
};

}  // namespace eqset
