#include "link/watchedport.h"

namespace eqset {

WatchedPort::WatchedPort(SerialPort& inner, Clock& clock) : inner_(inner), clock_(clock) {
  inner_.setLineLostHandler([this] { reportLineLost(); });
}

LinkError WatchedPort::open(int portNumber, int txBufferHint) {
  return inner_.open(portNumber, txBufferHint);
}

void WatchedPort::close() {
  inner_.close();
}

bool WatchedPort::isOpen() const {
  return inner_.isOpen();
}

bool WatchedPort::discardBuffers() {
  return inner_.discardBuffers();
}

bool WatchedPort::write(const QByteArray& bytes) {
  const bool whole = inner_.write(bytes);
  if (whole) tell(true, bytes);
  return whole;
}

int WatchedPort::bytesWaiting() {
  return inner_.bytesWaiting();
}

QByteArray WatchedPort::readAll() {
  QByteArray bytes = inner_.readAll();
  tell(false, bytes);
  return bytes;
}

QByteArray WatchedPort::peek() {
  return inner_.peek();  // looking is not a read: nothing passes
}

QByteArray WatchedPort::read(int n) {
  QByteArray bytes = inner_.read(n);
  if (!bytes.isEmpty()) tell(false, bytes, true);
  return bytes;
}

void WatchedPort::tell(bool outgoing, const QByteArray& bytes, bool setAside) {
  if (listener_) listener_({QDateTime::currentDateTime(), clock_.now(), outgoing, bytes, setAside});
}

}  // namespace eqset
