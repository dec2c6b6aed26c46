#pragma once

#include <QString>
#include <functional>

#include "link/dialogs.h"
#include "link/modbuslink.h"

namespace eqset {

// The communication area as the connection operations see it: the port list
// and the link-state caption.
class ConnectionView {
 public:
  virtual ~ConnectionView() = default;
  virtual void setPortListEnabled(bool enabled) = 0;
  virtual int portEntryCount() const = 0;
  virtual QString portEntry(int index) const = 0;
  virtual void addPortEntry(const QString& text) = 0;
  virtual void setPortEntryToolTip(int index, const QString& text) = 0;
  virtual void setLinkState(const QString& text) = 0;
  virtual QString shownLinkState() const = 0;
};

// Link-state captions.
namespace linkstate {
inline const QString kConnectedAtStart = QStringLiteral("已经连接");
inline const QString kReconnected = QStringLiteral("连接正常");
inline const QString kNotConnected = QStringLiteral("没有连接");
inline const QString kRetrySucceeded = QStringLiteral("正常连接");
inline const QString kUserCancelled = QStringLiteral("用户取消连接");
inline const QString kRetryFailed = QStringLiteral("连接重试失败");
}  // namespace linkstate

// PortNumber of a port-list text: the decimal number right after "Com"
// ("Com12 已经占用" is 12); 0 when there is none.
int portNumberOf(const QString& entry);

// The systems whose words the reason for a failed open is put in.
enum class PortHost { Linux, Windows, Other };
#if defined(Q_OS_WIN)
inline constexpr PortHost kPortHost = PortHost::Windows;
#elif defined(Q_OS_LINUX)
inline constexpr PortHost kPortHost = PortHost::Linux;
#else
inline constexpr PortHost kPortHost = PortHost::Other;
#endif

// Why a port would not open, in the window's language, for the line below
// "请检查主串口设置！", in the terms of `host`.
QString openFailureText(const OpenFailure& failure, PortHost host = kPortHost);
// The tool-tip of a port-list entry: the device, and what the system knows of
// the adapter.
QString portToolTip(const PortDescription& description);

constexpr int kFirstPort = 1;
constexpr int kLastPort = 16;

// Finding ports, opening the chosen one and the reconnection dialog.
class Connection {
 public:
  Connection(ModbusLink& link, ConnectionView& view, Dialogs& dialogs);
  // Runs whenever the chosen port has just been opened: at start, on
  // "确认并重启" and when the reconnection dialog's retry opens it.
  void setLinkUpHandler(std::function<void()> handler) { onLinkUp_ = std::move(handler); }

  // Tries Com1..Com16 and appends what it finds; leaves the port closed.
  void ScanPorts() { scan(false); }
  // The same, but a free port already listed is not listed again.
  void ScanNewPorts() { scan(true); }
  // Whether list entries 0..16 hold "Com<number>" as a free port (exactly that
  // text; "Com5 已经占用" does not count).
  bool PortListed(int number) const;

  // Opens the chosen port at start and says so, or asks to retry.
  void startupConnect();
  // Reopens the chosen port ("确认并重启" after the settings are stored).
  void reconnect();
  // The reconnection dialog; returns the caption for the link state. When no
  // port was tried (no stored settings), the reason is a port the last scan
  // was refused for want of permission when it found none, or else that
  // nothing is chosen yet.
  QString OpenCom();
  // The port was left closed (line lost, a reopen that failed, a scan): a
  // caption that claims a link gives way to "没有连接". A caption that already
  // tells why there is none stays.
  void linkDown();
  void clearCounters();

 private:
  void scan(bool skipListed);

  void linkUp() {
    if (onLinkUp_) onLinkUp_();
  }

  ModbusLink& link_;
  ConnectionView& view_;
  Dialogs& dialogs_;
  std::function<void()> onLinkUp_;
  // The first port the last scan was refused for want of permission, when
  // it found no port.
  OpenFailure deniedInScan_;
};

}  // namespace eqset
