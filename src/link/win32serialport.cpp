#include "link/win32serialport.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <QSerialPortInfo>

#include "link/portmap.h"
#endif

namespace eqset {

namespace {

// The system's error codes a failed open of a COM port meets (winerror.h).
// Spelled out here so that the table also builds where there is no Windows.
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kBadUnit = 20;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kDeviceDoesNotExist = 55;
constexpr std::uint32_t kDeviceNotConnected = 1167;

}  // namespace

OpenFailure win32OpenFailure(std::uint32_t error, const QString& device,
                             const QString& systemText) {
  OpenFailure failure{OpenFailure::Reason::Other, device, systemText};
  switch (error) {
    // Windows opens a COM port for one program at a time; the next one is
    // denied access, which there means "held", not "not allowed".
    case kAccessDenied:
    case kSharingViolation:
      failure.reason = OpenFailure::Reason::Busy;
      break;
    // No such port: nothing is plugged in under that number, or the adapter's
    // driver is missing (its port is then never made).
    case kFileNotFound:
    case kPathNotFound:
    case kBadUnit:
    case kDeviceDoesNotExist:
    case kDeviceNotConnected:
      failure.reason = OpenFailure::Reason::NoDevice;
      break;
    default:
      break;
  }
  return failure;
}

#ifdef Q_OS_WIN

namespace {

// What is kept of bytes nobody waits for: the longest reply is 255 bytes, and
// a chattering line must not grow memory between transactions.
constexpr qsizetype kReadBufferBytes = 4096;
// A 71-byte frame takes about 82 ms at 9600 baud; this bounds a driver that
// holds a write back.
constexpr DWORD kWriteTimeoutMs = 500;

HANDLE toHandle(void* h) {
  return static_cast<HANDLE>(h);
}

QString systemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  QString message =
      length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed() : QString();
  if (text) LocalFree(text);
  if (message.isEmpty()) message = QStringLiteral("错误代码 %1").arg(error);
  return message;
}

bool configure(HANDLE h) {
  // Generous driver buffers; only a hint to the driver.
  SetupComm(h, 4096, 4096);
  DCB dcb = {};
  dcb.DCBlength = sizeof(dcb);
  if (!GetCommState(h, &dcb)) return false;
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  // No handshaking of any kind: the processor has three wires.
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(h, &dcb)) return false;
  // A read returns at once with whatever the driver holds; a write waits for
  // the driver at most kWriteTimeoutMs.
  COMMTIMEOUTS timeouts = {};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
  return SetCommTimeouts(h, &timeouts) != 0;
}

}  // namespace

Win32SerialPort::~Win32SerialPort() {
  close();
}

LinkError Win32SerialPort::open(int portNumber, int /*txBufferHint*/) {
  failure_ = {};
  if (isOpen()) {
    failure_ = {OpenFailure::Reason::Busy, device_, {}};
    return LinkError::PortAlreadyOpen;
  }
  const QString device = PortMap::fixedDevice(portNumber);
  if (device.isEmpty()) {
    failure_.reason = OpenFailure::Reason::NoDevice;
    return LinkError::InvalidPort;
  }
  const std::wstring path = (QStringLiteral("\\\\.\\") + device).toStdWString();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    failure_ = win32OpenFailure(error, device, systemMessage(error));
    return failure_.reason == OpenFailure::Reason::Busy ? LinkError::PortAlreadyOpen
                                                        : LinkError::InvalidPort;
  }
  if (!configure(h)) {
    const DWORD error = GetLastError();
    CloseHandle(h);
    failure_ = {OpenFailure::Reason::Other, device, systemMessage(error)};
    return LinkError::InvalidPort;
  }
  PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
  handle_ = h;
  device_ = device;
  buffer_.clear();
  return LinkError::None;
}

void Win32SerialPort::close() {
  if (!isOpen()) return;
  CloseHandle(toHandle(handle_));
  handle_ = nullptr;
  buffer_.clear();
}

void Win32SerialPort::loseLine() {
  close();
  reportLineLost();
}

bool Win32SerialPort::discardBuffers() {
  if (!isOpen()) return false;
  buffer_.clear();
  return PurgeComm(toHandle(handle_),
                   PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR) != 0;
}

bool Win32SerialPort::write(const QByteArray& bytes) {
  if (!isOpen()) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(toHandle(handle_), bytes.constData(), static_cast<DWORD>(bytes.size()),
                            &written, nullptr);
  if (!ok) {
    const DWORD error = GetLastError();
    // A pulled adapter fails every call from now on.
    if (error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND ||
        error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_INVALID_HANDLE) {
      loseLine();
      return false;
    }
  }
  const bool whole = ok && written == static_cast<DWORD>(bytes.size());
  // A frame cut short must not trickle out later, in front of the next one.
  if (!whole) PurgeComm(toHandle(handle_), PURGE_TXABORT | PURGE_TXCLEAR);
  return whole;
}

void Win32SerialPort::pullArrivedBytes() {
  if (!isOpen()) return;
  DWORD errors = 0;
  COMSTAT status = {};
  if (!ClearCommError(toHandle(handle_), &errors, &status)) {
    loseLine();
    return;
  }
  // Framing or overrun errors only mark bytes; the frame check judges them.
  DWORD waiting = status.cbInQue;
  char chunk[512];
  // Also reads once when the driver reports nothing: some drivers count late.
  for (int round = 0; round < 16; ++round) {
    DWORD got = 0;
    const DWORD ask = waiting > 0 && waiting < sizeof(chunk) ? waiting : DWORD{sizeof(chunk)};
    if (!ReadFile(toHandle(handle_), chunk, ask, &got, nullptr)) {
      loseLine();
      return;
    }
    if (got == 0) break;
    buffer_.append(chunk, static_cast<qsizetype>(got));
    waiting = waiting > got ? waiting - got : 0;
  }
  // The oldest bytes give way: nobody waits for them.
  if (buffer_.size() > kReadBufferBytes) buffer_.remove(0, buffer_.size() - kReadBufferBytes);
}

int Win32SerialPort::bytesWaiting() {
  pullArrivedBytes();
  return isOpen() ? static_cast<int>(buffer_.size()) : 0;
}

QByteArray Win32SerialPort::readAll() {
  pullArrivedBytes();
  QByteArray bytes;
  bytes.swap(buffer_);
  return bytes;
}

QByteArray Win32SerialPort::peek() {
  pullArrivedBytes();
  return buffer_;
}

QByteArray Win32SerialPort::read(int n) {
  if (n <= 0) return {};
  pullArrivedBytes();
  QByteArray bytes = buffer_.left(n);
  buffer_.remove(0, bytes.size());
  return bytes;
}

std::vector<PortDescription> Win32SerialPort::describe(const std::vector<int>& portNumbers) const {
  const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
  std::vector<PortDescription> out;
  for (int n : portNumbers) {
    PortDescription& d = out.emplace_back();
    d.device = PortMap::fixedDevice(n);
    if (d.device.isEmpty()) continue;
    for (const QSerialPortInfo& info : known) {
      if (info.portName().compare(d.device, Qt::CaseInsensitive) != 0) continue;
      d.description = info.description();
      d.manufacturer = info.manufacturer();
      d.serialNumber = info.serialNumber();
      break;
    }
  }
  return out;
}

#endif

}  // namespace eqset
