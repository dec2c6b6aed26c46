#pragma once

#include <QByteArray>
#include <functional>
#include <optional>
#include <span>

#include "link/clock.h"
#include "link/indicators.h"
#include "link/serialport.h"
#include "link/unansweredwrites.h"

namespace eqset {

// Transmit-buffer sizes the link asks for when it opens the port.
constexpr int kTxBufferReset = 8;     // ResetPort, read and connection buttons
constexpr int kTxBufferStartup = 40;  // start-up connection and OpenCom

// The counters start over once they pass this.
constexpr long long kCounterLimit = 655350;

// The only path to the processor: one blocking transaction at a time, fixed
// waits, replies judged by length and by what they must echo of the request.
class ModbusLink {
 public:
  enum class ReadOutcome { PortClosed, Failed, Good };

  // Listens for the port's lost line until destroyed.
  ModbusLink(SerialPort& port, Clock& clock, LinkIndicators& indicators);
  ~ModbusLink();
  ModbusLink(const ModbusLink&) = delete;
  ModbusLink& operator=(const ModbusLink&) = delete;

  // PortNumber: the number after "Com" in the entry chosen in the port list.
  void setPortNumberSource(std::function<int()> source) { portNumber_ = std::move(source); }
  // Runs when WriteRegister meets link error 8002: the reconnection dialog.
  void setInvalidPortHandler(std::function<void()> handler) { onInvalidPort_ = std::move(handler); }
  // Runs whenever the port is left closed: the line was lost, or a reopen
  // failed. The window then stops showing a link. When a reopen fails inside
  // WriteRegister with 8002, this runs before the invalid-port handler.
  void setLinkDownHandler(std::function<void()> handler) { onLinkDown_ = std::move(handler); }

  // "快速通讯": a wait for a reply ends as soon as the whole reply is in and
  // passes the check (or an exception reply is in), at the latest when the
  // fixed wait runs out; the port is not closed and reopened before a
  // transaction but has both buffers discarded, unless the transaction before
  // failed; pauses after a good reply shrink to the line's gap between frames
  // (after a failed one they stay whole, so a late reply can pass). A whole
  // frame with a right CRC that does not answer the request, waiting in front
  // of the answer, is set aside (read off the port and dropped) and the wait
  // goes on, so a late echo fails only its own transaction. Otherwise
  // verdicts, counters and boxes are those of the full waits. Off: every byte
  // and wait as before.
  void setFast(bool fast) { fast_ = fast; }
  bool fast() const { return fast_; }
  // A pause that follows a reply: the given time, or the frame gap when fast
  // and the last reply was good.
  void pauseAfterReply(int ms);

  SerialPort& port() { return port_; }
  Clock& clock() { return clock_; }
  LinkIndicators& indicators() { return indicators_; }
  int portNumber() const { return portNumber_ ? portNumber_() : 0; }

  // Opens the port with "9600,n,8,2" and the current PortNumber.
  LinkError openPort(int txBufferHint);
  // Why the latest openPort failed; Reason::None once one succeeded.
  const OpenFailure& openFailure() const { return openFailure_; }
  // Closes an open port and gives the line 100 ms before anything reopens it.
  void closeForReopen();
  // closeForReopen, then openPort; a port that will not open is reported to
  // the link-down handler before the error is returned.
  LinkError reopenPort(int txBufferHint);

  // reopenPort(8) and, once open, both buffers discarded. When fast, an open
  // port after a good reply only has both buffers discarded.
  LinkError ResetPort();
  // The port a read operation starts from: reopened, or when fast, open and
  // the last reply good, emptied.
  LinkError freshPort(int txBufferHint);
  void SendReadRequest(int start, int count);
  void ReadReply(int n);
  const QByteArray& replyBuffer() const { return replyBuffer_; }
  // 64 zero bytes, as at start.
  void resetReplyBuffer() { replyBuffer_ = QByteArray(64, '\0'); }
  int replyStatus() const { return replyStatus_; }
  // Register i of the last read reply (zero after a failed one).
  int replyRegister(int i) const;
  // The value a write echoed: 256 * byte 4 + byte 5 of the last reply.
  int echoedValue() const;
  // Single-register writes whose reply was read and was not good, until their
  // register gets a good echo: their late echoes are refused.
  const UnansweredWrites& unansweredWrites() const { return unanswered_; }

  // Moves the progress bar and one counter after ReadReply. Only WriteRegister
  // starts the good counter over past 655350. False when a counter text is not
  // a number (its increment failed).
  bool countReply(bool resetGoodCounter);

  // True when the processor echoed the write.
  bool WriteRegister(int address, int value);
  void WriteRegisters(int start, std::span<const int> values);

  // A function-6 write on a freshly reset port: wait 100 ms, read the 8-byte
  // echo, count it (good counter grows past the limit), then pause. Errors are
  // ignored step by step. Returns the echoed register value of a good reply.
  std::optional<int> writeSingleEchoed(int address, int value, int pauseMs);
  // A function-16 write on a freshly reset port: wait, read 8 bytes, count,
  // pause. Errors are ignored step by step; returns true on a good reply.
  bool writeBlock(int start, std::span<const int> values, int waitMs, int pauseMs);
  // A read on the open port: discard both buffers, request, wait, read
  // 5 + 2 * count bytes and count the reply. Nothing happens on a closed port.
  ReadOutcome readRegisters(int start, int count, int waitMs);

 private:
  bool increment(bool good, bool resetPastLimit);
  void failReply(int n);
  // Waits `waitMs` for a reply of `n` bytes to the last request; when fast,
  // only until it has arrived and passed the check.
  void awaitReply(int n, int waitMs);
  void reportLinkDown();
  // Sends `frame` as the request the next reply must answer.
  bool sendRequest(const QByteArray& frame);

  SerialPort& port_;
  Clock& clock_;
  LinkIndicators& indicators_;
  std::function<int()> portNumber_;
  std::function<void()> onInvalidPort_;
  std::function<void()> onLinkDown_;
  OpenFailure openFailure_;
  QByteArray replyBuffer_;
  int replyStatus_ = 0;
  QByteArray lastRequest_;
  // The last request went out whole; its reply is still to be read.
  bool requestOut_ = false;
  UnansweredWrites unanswered_;
  bool fast_ = false;
};

}  // namespace eqset
