#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace eqset {

// Link errors as the serial layer reports them when a port cannot be opened.
enum class LinkError {
  None = 0,
  InvalidPort = 8002,      // the port number names no usable port
  PortAlreadyOpen = 8005,  // another program holds the port
};

// Why the last open failed, from the system's answer.
struct OpenFailure {
  enum class Reason {
    None,          // the last open succeeded, or nothing is known
    NoPermission,  // the user may not open the device
    Busy,          // another program holds it
    NoDevice,      // there is no such device
    Other,         // anything else; systemText says what
  };
  Reason reason = Reason::None;
  QString device;      // the device the port number led to, when there is one
  QString systemText;  // the system's own words
};

// What the system knows of the device behind a port number; empty fields are
// unknown.
struct PortDescription {
  QString device;
  QString description;
  QString manufacturer;
  QString serialNumber;
};

// The serial port the processor hangs on. Always "9600,n,8,2", binary, no
// handshaking. The program's implementation is QtSerialPort; tests use a fake.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens port `portNumber` (Com1..Com16). `txBufferHint` is the transmit
  // buffer size the caller asks for (8 or 40 bytes); it is only a hint.
  virtual LinkError open(int portNumber, int txBufferHint) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Drops whatever waits in the transmit and receive buffers.
  virtual bool discardBuffers() = 0;
  // Hands the whole frame to the line; false when it did not go out whole.
  virtual bool write(const QByteArray& bytes) = 0;
  // Number of received bytes waiting to be read.
  virtual int bytesWaiting() = 0;
  // Takes every waiting byte out of the receive buffer.
  virtual QByteArray readAll() = 0;
  // The waiting bytes, left where they are. A port that cannot look ahead
  // answers nothing, and a fast link then waits the full time.
  virtual QByteArray peek() { return {}; }
  // Takes the first `n` waiting bytes (fewer when fewer wait) out of the
  // receive buffer and leaves the rest where it is. A port that cannot takes
  // nothing, and a fast link then sets no frame aside.
  virtual QByteArray read(int /*n*/) { return {}; }
  // Why the latest open() failed; Reason::None after a good open.
  virtual OpenFailure lastOpenFailure() const { return {}; }
  // The device behind each port number and what the system says of it, in
  // the same order; one look at the system for all of them.
  virtual std::vector<PortDescription> describe(const std::vector<int>& portNumbers) const {
    return std::vector<PortDescription>(portNumbers.size());
  }

  // Runs after the port has closed itself because the line was lost (the
  // adapter pulled, the device gone). Not run for close().
  void setLineLostHandler(std::function<void()> handler) { onLineLost_ = std::move(handler); }

 protected:
  // For implementations, right after they closed an open port on a lost line.
  void reportLineLost() {
    if (onLineLost_) onLineLost_();
  }

 private:
  std::function<void()> onLineLost_;
};

}  // namespace eqset
