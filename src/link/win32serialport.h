#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "link/serialport.h"

namespace eqset {

// What a failed CreateFile on a COM port means for the technician. `error` is
// the system's error code (GetLastError), `device` the port's name ("COM7").
// Compiled everywhere, so the table is checked on every host.
OpenFailure win32OpenFailure(std::uint32_t error, const QString& device, const QString& systemText);

#ifdef Q_OS_WIN

// The processor's serial line on Windows, through the plain synchronous Win32
// calls: CreateFile, SetCommState and SetCommTimeouts on open, WriteFile for a
// frame, ClearCommError for the bytes waiting and a ReadFile that returns at
// once with what is there, PurgeComm to discard. The link's transactions are
// synchronous anyway (send, wait a fixed time, read what waits), so nothing
// here needs overlapped I/O or an event loop; that also keeps it working where
// waiting on a comm event does not (Wine on a pseudo-terminal).
//
// Port n is \\.\COMn, which also reaches COM10..COM16. The port list's
// descriptions come from the system's own list of serial ports.
class Win32SerialPort : public SerialPort {
 public:
  Win32SerialPort() = default;
  ~Win32SerialPort() override;
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  LinkError open(int portNumber, int txBufferHint) override;
  void close() override;
  bool isOpen() const override { return handle_ != nullptr; }
  bool discardBuffers() override;
  bool write(const QByteArray& bytes) override;
  int bytesWaiting() override;
  QByteArray readAll() override;
  QByteArray peek() override;
  QByteArray read(int n) override;
  OpenFailure lastOpenFailure() const override { return failure_; }
  std::vector<PortDescription> describe(const std::vector<int>& portNumbers) const override;

 private:
  // Moves what the driver holds into `buffer_`; a failing call means the line
  // is gone (the adapter pulled): the port closes and the handler hears of it.
  void pullArrivedBytes();
  void loseLine();

  void* handle_ = nullptr;  // the port's HANDLE; null when closed
  QString device_;
  QByteArray buffer_;
  OpenFailure failure_;
};

#endif

}  // namespace eqset
