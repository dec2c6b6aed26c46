// The watched serial port: passes everything through to the real port and
// books each request, what was waiting for it and what the link took.
#include "soakport.h"

namespace soak {

std::string hex(const QByteArray& bytes) {
  return bytes.isEmpty() ? std::string("(nothing)") : bytes.toHex(' ').toStdString();
}

std::vector<std::uint8_t> toStd(const QByteArray& b) {
  return {reinterpret_cast<const std::uint8_t*>(b.constData()),
          reinterpret_cast<const std::uint8_t*>(b.constData()) + b.size()};
}

QByteArray toQt(const std::vector<std::uint8_t>& b) {
  return {reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())};
}

std::string faultName(sim::LineFault f) {
  return std::string(sim::lineFaultName(f));
}

WatchedPort::WatchedPort(eqset::SerialPort& inner, Answer answer)
    : inner_(inner), answer_(std::move(answer)) {
  inner_.setLineLostHandler([this] {
    ++linesLost;
    reportLineLost();
  });
}

WatchedPort::~WatchedPort() {
  inner_.setLineLostHandler({});
}

void WatchedPort::watchCounters(std::function<std::pair<long long, long long>()> counters) {
  counters_ = std::move(counters);
  last_ = counters_();
}

bool WatchedPort::write(const QByteArray& bytes) {
  settle();
  Transaction t;
  t.request = bytes;
  t.wentOut = inner_.write(bytes);
  answer_(t);
  log.push_back(std::move(t));
  return log.back().wentOut;
}

int WatchedPort::bytesWaiting() {
  const int n = inner_.bytesWaiting();
  if (!log.empty()) log.back().waiting = n;
  return n;
}

QByteArray WatchedPort::readAll() {
  QByteArray bytes = inner_.readAll();
  if (!log.empty()) {
    log.back().taken += bytes;
    ++log.back().looks;
  }
  return bytes;
}

QByteArray WatchedPort::read(int n) {
  QByteArray bytes = inner_.read(n);
  if (!log.empty()) log.back().setAside += bytes;
  return bytes;
}

void WatchedPort::settle() {
  if (!counters_) return;
  const auto now = counters_();
  const long long good = now.first - last_.first;
  const long long failed = now.second - last_.second;
  last_ = now;
  if (good == 0 && failed == 0) return;
  if (log.empty()) {
    movesWithoutRequest += good + failed;
    return;
  }
  log.back().good += static_cast<int>(good);
  log.back().failed += static_cast<int>(failed);
}

}  // namespace soak
