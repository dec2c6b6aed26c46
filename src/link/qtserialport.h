#pragma once

#include <QSerialPort>
#include <cstdint>

#include "link/portmap.h"
#include "link/serialport.h"

namespace eqset {

// The processor's serial line over QSerialPort, for a caller that blocks: the
// link runs whole transactions on the window's thread with no event loop
// turning, so every call here finishes its work before it returns instead of
// waiting for Qt's notifiers.
//
// Opening a port that this object already has open answers 8005 and leaves the
// open port untouched: the port is in use (by us), just as when another program
// holds it; the link closes before it reopens, so only a confused caller sees
// this.
class QtSerialPort : public SerialPort {
 public:
  explicit QtSerialPort(PortMap map);
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  // `txBufferHint` is not passed on: the driver takes a whole frame (at most
  // 71 bytes) in one write whatever size was asked for.
  LinkError open(int portNumber, int txBufferHint) override;
  void close() override;
  bool isOpen() const override;
  bool discardBuffers() override;
  bool write(const QByteArray& bytes) override;
  int bytesWaiting() override;
  QByteArray readAll() override;
  QByteArray peek() override;
  QByteArray read(int n) override;
  OpenFailure lastOpenFailure() const override { return failure_; }
  std::vector<PortDescription> describe(const std::vector<int>& portNumbers) const override;

  // The device behind the open port (empty when closed).
  QString device() const;
  // Bytes taken from the driver and not yet read (bounded).
  qint64 bufferedBytes() const { return serial_.bytesAvailable(); }

 private:
  void pullArrivedBytes();
  // A read or resource error means the line is gone: the port closes itself
  // and the line-lost handler hears of it, once for each open.
  void closeIfLineLost();
  void closeLostLineLater();

  PortMap map_;
  QSerialPort serial_;
  QString device_;
  OpenFailure failure_;
  // Counts opens, so that a late notice about a line that was lost is not
  // applied to a port opened since.
  std::uint64_t openings_ = 0;
};

}  // namespace eqset
