#include "link/qtserialport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace eqset {

namespace {

// A 71-byte frame needs about 82 ms on the wire at 9600 baud, but the driver
// takes it into its buffer at once; this only bounds a driver that refuses.
constexpr int kWriteHandOverMs = 500;

// Each pull takes everything the driver holds; a few more rounds catch bytes
// that landed meanwhile. The bound keeps a chattering line from holding the
// window.
constexpr int kMaxPullRounds = 16;

// What is kept of bytes nobody waits for: a chattering line must not grow
// memory between transactions, and the longest reply is 255 bytes.
constexpr qint64 kReadBufferBytes = 4096;

bool lineLost(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

// QSerialPort reports a port held by another program as a permission error
// (its lock file, or the device's exclusive flag). A device we are simply not
// allowed to open reports the same; that one is not "in use", it is unusable.
bool mayOpenDevice(const QString& device) {
#ifdef Q_OS_UNIX
  return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
  Q_UNUSED(device);
  return true;
#endif
}

}  // namespace

QtSerialPort::QtSerialPort(PortMap map) : map_(std::move(map)) {
  // Between transactions the window's event loop does turn, and a vanished
  // pseudo-terminal peer then makes QSerialPort report a read error hundreds of
  // thousands of times a second. Closing from inside its own notification is
  // not safe, so the close is queued.
  QObject::connect(&serial_, &QSerialPort::errorOccurred, &serial_,
                   [this](QSerialPort::SerialPortError error) {
                     if (lineLost(error)) closeLostLineLater();
                   });
}

QtSerialPort::~QtSerialPort() {
  close();
}

LinkError QtSerialPort::open(int portNumber, int /*txBufferHint*/) {
  failure_ = {};
  if (serial_.isOpen()) {
    failure_ = {OpenFailure::Reason::Busy, device_, {}};
    return LinkError::PortAlreadyOpen;
  }
  const QString device = map_.device(portNumber);
  if (device.isEmpty()) {
    failure_.reason = OpenFailure::Reason::NoDevice;
    return LinkError::InvalidPort;
  }

  serial_.setPortName(device);
  serial_.setBaudRate(QSerialPort::Baud9600);
  serial_.setDataBits(QSerialPort::Data8);
  serial_.setParity(QSerialPort::NoParity);
  serial_.setStopBits(QSerialPort::TwoStop);
  serial_.setFlowControl(QSerialPort::NoFlowControl);
  serial_.setReadBufferSize(kReadBufferBytes);
  // No DTR/RTS here: the processor ignores them and a pseudo-terminal refuses
  // them.
  if (!serial_.open(QIODevice::ReadWrite)) {
    const QSerialPort::SerialPortError error = serial_.error();
    failure_ = {OpenFailure::Reason::Other, device, serial_.errorString()};
    serial_.clearError();
    if (error == QSerialPort::DeviceNotFoundError) failure_.reason = OpenFailure::Reason::NoDevice;
    if (error == QSerialPort::OpenError) failure_.reason = OpenFailure::Reason::Busy;
    if (error == QSerialPort::PermissionError) {
      if (mayOpenDevice(device)) {
        failure_.reason = OpenFailure::Reason::Busy;
        return LinkError::PortAlreadyOpen;
      }
      failure_.reason = OpenFailure::Reason::NoPermission;
    }
    return LinkError::InvalidPort;
  }
  ++openings_;
  device_ = device;
  serial_.clearError();
  return LinkError::None;
}

std::vector<PortDescription> QtSerialPort::describe(const std::vector<int>& portNumbers) const {
  const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
  std::vector<PortDescription> out;
  for (int n : portNumbers) {
    PortDescription& d = out.emplace_back();
    d.device = map_.device(n);
    if (d.device.isEmpty()) continue;
    // The system lists adapters by their own node; a ports/comN link or a
    // by-id name leads to the same node.
    const QString node = QFileInfo(d.device).canonicalFilePath();
    for (const QSerialPortInfo& info : known) {
      const QString location = info.systemLocation();
      if (location != d.device && (node.isEmpty() || location != node)) continue;
      d.description = info.description();
      d.manufacturer = info.manufacturer();
      d.serialNumber = info.serialNumber();
      break;
    }
  }
  return out;
}

void QtSerialPort::close() {
  if (serial_.isOpen()) serial_.close();
  serial_.clearError();
}

bool QtSerialPort::isOpen() const {
  return serial_.isOpen();
}

QString QtSerialPort::device() const {
  return serial_.isOpen() ? device_ : QString();
}

bool QtSerialPort::discardBuffers() {
  if (!serial_.isOpen()) return false;
  // Also empties Qt's own buffer, where bytes the event loop took from the
  // driver between transactions wait; they are as stale as those in the driver.
  const bool flushed = serial_.clear(QSerialPort::AllDirections);
  serial_.clearError();
  return flushed;
}

bool QtSerialPort::write(const QByteArray& bytes) {
  if (!serial_.isOpen()) return false;
  if (serial_.write(bytes) != bytes.size()) {
    serial_.clearError();
    return false;
  }
  // Qt only queues the bytes; with no event loop they would sit there through
  // the whole fixed wait. Hand them to the driver now.
  const QDeadlineTimer deadline(kWriteHandOverMs);
  while (serial_.bytesToWrite() > 0 && !deadline.hasExpired()) {
    if (!serial_.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) break;
  }
  const bool whole = serial_.bytesToWrite() == 0;
  // A frame cut short must not trickle out later, in front of the next one.
  if (!whole && serial_.isOpen()) serial_.clear(QSerialPort::Output);
  closeIfLineLost();
  serial_.clearError();
  return whole;
}

int QtSerialPort::bytesWaiting() {
  if (!serial_.isOpen()) return 0;
  pullArrivedBytes();
  return serial_.isOpen() ? static_cast<int>(serial_.bytesAvailable()) : 0;
}

QByteArray QtSerialPort::readAll() {
  if (!serial_.isOpen()) return {};
  pullArrivedBytes();
  if (!serial_.isOpen()) return {};
  QByteArray bytes = serial_.readAll();
  serial_.clearError();
  return bytes;
}

QByteArray QtSerialPort::peek() {
  if (!serial_.isOpen()) return {};
  pullArrivedBytes();
  if (!serial_.isOpen()) return {};
  return serial_.peek(serial_.bytesAvailable());
}

QByteArray QtSerialPort::read(int n) {
  if (!serial_.isOpen() || n <= 0) return {};
  pullArrivedBytes();
  if (!serial_.isOpen()) return {};
  QByteArray bytes = serial_.read(n);
  serial_.clearError();
  return bytes;
}

void QtSerialPort::pullArrivedBytes() {
  // QSerialPort counts only what it has already read from the driver, and it
  // reads only when its notifier fires in the event loop. A zero wait polls the
  // driver once and takes whatever the processor's reply left there.
  for (int round = 0; round < kMaxPullRounds && serial_.isOpen(); ++round) {
    if (!serial_.waitForReadyRead(0)) break;
  }
  closeIfLineLost();
  // A zero wait with nothing waiting leaves a timeout error behind.
  serial_.clearError();
}

void QtSerialPort::closeIfLineLost() {
  if (!serial_.isOpen() || !lineLost(serial_.error())) return;
  serial_.close();
  reportLineLost();
}

void QtSerialPort::closeLostLineLater() {
  const std::uint64_t opening = openings_;
  QMetaObject::invokeMethod(
      &serial_,
      [this, opening] {
        if (opening != openings_ || !serial_.isOpen()) return;
        close();
        reportLineLost();
      },
      Qt::QueuedConnection);
}

}  // namespace eqset
