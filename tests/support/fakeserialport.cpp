#include "fakeserialport.h"

#include <algorithm>
#include <span>

#include "link/portmap.h"
#include "sim/processormodel.h"
#include "sim/usblatency.h"

namespace eqset::test {

FakeSerialPort::FakeSerialPort(Clock& clock, sim::ProcessorModel* model)
    : clock_(clock), model_(model) {}

LinkError FakeSerialPort::open(int portNumber, int txBufferHint) {
  const auto it = ports_.find(portNumber);
  const PortState state = it == ports_.end() ? PortState::Missing : it->second;
  failure_ = {};
  if (openPort_ != 0 || state != PortState::Free) {
    events_.push_back({clock_.now(), EventKind::OpenFailed, portNumber, {}, txBufferHint});
    using Reason = OpenFailure::Reason;
    failure_.device = PortMap::fixedDevice(portNumber);
    if (openPort_ != 0 || state == PortState::Busy) {
      failure_.reason = Reason::Busy;
      return LinkError::PortAlreadyOpen;
    }
    failure_.reason = state == PortState::Missing     ? Reason::NoDevice
                      : state == PortState::Forbidden ? Reason::NoPermission
                                                      : Reason::Other;
    if (state == PortState::Faulty) failure_.systemText = QStringLiteral("Input/output error");
    return LinkError::InvalidPort;
  }
  openPort_ = portNumber;
  // Delayed bytes that came while the port was closed are gone.
  const double now = static_cast<double>(clock_.now());
  std::erase_if(pending_, [now](const Pending& p) { return p.delayed && p.arrival <= now; });
  events_.push_back({clock_.now(), EventKind::Open, portNumber, {}, txBufferHint});
  return LinkError::None;
}

std::vector<PortDescription> FakeSerialPort::describe(const std::vector<int>& portNumbers) const {
  std::vector<PortDescription> out;
  for (int n : portNumbers) {
    const auto it = descriptions_.find(n);
    out.push_back(it == descriptions_.end() ? PortDescription{} : it->second);
    out.back().device = PortMap::fixedDevice(n);
  }
  return out;
}

void FakeSerialPort::close() {
  if (openPort_ == 0) return;
  events_.push_back({clock_.now(), EventKind::Close, openPort_, {}, 0});
  openPort_ = 0;
  const double now = static_cast<double>(clock_.now());
  std::erase_if(pending_, [now](const Pending& p) { return !p.delayed || p.arrival <= now; });
}

void FakeSerialPort::loseLine() {
  if (openPort_ == 0) return;
  close();
  reportLineLost();
}

bool FakeSerialPort::discardBuffers() {
  if (openPort_ == 0) return false;
  events_.push_back({clock_.now(), EventKind::Discard, openPort_, {}, 0});
  const double now = static_cast<double>(clock_.now());
  std::erase_if(pending_, [now](const Pending& p) { return p.arrival <= now; });
  return true;
}

bool FakeSerialPort::write(const QByteArray& bytes) {
  if (openPort_ == 0) return false;
  const auto now = clock_.now();
  events_.push_back({now, EventKind::Write, openPort_, bytes, 0});
  QByteArray reply;
  if (responder_) {
    reply = responder_(bytes);
  } else if (model_) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto out = model_->handleFrame(
        std::span<const std::uint8_t>(data, static_cast<std::size_t>(bytes.size())),
        now + static_cast<std::int64_t>(bytes.size() * kMsPerByte));
    reply = QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<int>(out.size()));
  }
  if (filter_) reply = filter_(bytes, reply);
  const int extraMs = delay_ && !reply.isEmpty() ? std::max(0, delay_(bytes, reply)) : 0;
  double start = static_cast<double>(now) + bytes.size() * kMsPerByte + kTurnaroundMs + extraMs;
  if (!reply.isEmpty() && delayedUntil_ + kTurnaroundMs > start)
    start = delayedUntil_ + kTurnaroundMs;
  for (int i = 0; i < reply.size(); ++i)
    pending_.push_back(
        {sim::usbDeliveryMs(start + (i + 1) * kMsPerByte, usbLatencyMs_), reply[i], extraMs > 0});
  if (extraMs > 0) delayedUntil_ = start + reply.size() * kMsPerByte;
  return true;
}

void FakeSerialPort::inject(const QByteArray& bytes) {
  const double now = static_cast<double>(clock_.now());
  for (char b : bytes)
    pending_.push_back({now, b});
}

int FakeSerialPort::arrivedCount() const {
  const double now = static_cast<double>(clock_.now());
  return static_cast<int>(std::count_if(pending_.begin(), pending_.end(),
                                        [now](const Pending& p) { return p.arrival <= now; }));
}

int FakeSerialPort::bytesWaiting() {
  return openPort_ == 0 ? 0 : arrivedCount();
}

QByteArray FakeSerialPort::readAll() {
  if (openPort_ == 0) return {};
  const double now = static_cast<double>(clock_.now());
  QByteArray out;
  std::vector<Pending> later;
  for (const auto& p : pending_) {
    if (p.arrival <= now) {
      out.append(p.byte);
    } else {
      later.push_back(p);
    }
  }
  pending_ = std::move(later);
  return out;
}

QByteArray FakeSerialPort::peek() {
  if (openPort_ == 0) return {};
  const double now = static_cast<double>(clock_.now());
  QByteArray out;
  for (const auto& p : pending_) {
    if (p.arrival <= now) out.append(p.byte);
  }
  return out;
}

QByteArray FakeSerialPort::read(int n) {
  if (openPort_ == 0) return {};
  const double now = static_cast<double>(clock_.now());
  QByteArray out;
  std::vector<Pending> left;
  for (const auto& p : pending_) {
    if (p.arrival <= now && out.size() < n) {
      out.append(p.byte);
    } else {
      left.push_back(p);
    }
  }
  pending_ = std::move(left);
  return out;
}

std::vector<FakeSerialPort::Event> FakeSerialPort::writes() const {
  std::vector<Event> out;
  for (const auto& e : events_) {
    if (e.kind == EventKind::Write) out.push_back(e);
  }
  return out;
}

}  // namespace eqset::test
