#include "link/connection.h"

#include <QRegularExpression>

namespace eqset {

namespace {
const QString kOccupied = QStringLiteral(" 已经占用");
constexpr int kEntriesChecked = 17;  // PortListed looks at list indexes 0..16
}  // namespace

int portNumberOf(const QString& entry) {
  static const QRegularExpression re(QStringLiteral("^\\s*com(\\d+)"),
                                     QRegularExpression::CaseInsensitiveOption);
  const auto m = re.match(entry);
  if (!m.hasMatch()) return 0;
  bool ok = false;
  const int n = m.captured(1).toInt(&ok);
  return ok ? n : 0;
}

Connection::Connection(ModbusLink& link, ConnectionView& view, Dialogs& dialogs)
    : link_(link), view_(view), dialogs_(dialogs) {}

void Connection::scan(bool skipListed) {
  view_.setPortListEnabled(true);
  SerialPort& port = link_.port();
  if (port.isOpen()) port.close();
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    const LinkError error = port.open(n, kTxBufferStartup);
    if (error == LinkError::None) {
      if (!skipListed || !PortListed(n)) view_.addPortEntry(QStringLiteral("Com%1").arg(n));
      port.close();
    } else if (error == LinkError::PortAlreadyOpen) {
      // Listed again on every scan: the technician sees it is still held.
      view_.addPortEntry(QStringLiteral("Com%1").arg(n) + kOccupied);
      port.close();
    }
  }
  // A scan leaves the port closed, whatever was open before.
  linkDown();
}

bool Connection::PortListed(int number) const {
  // Only a free entry counts: a port listed as held and free now must be
  // offered again.
  const QString free = QStringLiteral("Com%1").arg(number);
  const int count = view_.portEntryCount();
  for (int i = 0; i < kEntriesChecked; ++i) {
    const QString entry = i < count ? view_.portEntry(i) : QString();
    if (entry == free) return true;
  }
  return false;
}

void Connection::startupConnect() {
  if (!link_.port().isOpen() && link_.openPort(kTxBufferStartup) != LinkError::None) {
    view_.setLinkState(OpenCom());
    return;
  }
  view_.setLinkState(linkstate::kConnectedAtStart);
}

void Connection::reconnect() {
  if (link_.reopenPort(kTxBufferReset) != LinkError::None) {
    view_.setLinkState(OpenCom());
    return;
  }
  view_.setLinkState(linkstate::kReconnected);
}

QString Connection::OpenCom() {
  view_.setLinkState(linkstate::kNotConnected);
  const auto answer =
      dialogs_.message(QStringLiteral("请检查主串口设置！"), QStringLiteral("串口设置"),
                       Dialogs::Icon::Question, Dialogs::Buttons::RetryCancel);
  if (answer == Dialogs::Answer::Retry) {
    if (link_.port().isOpen()) return linkstate::kRetrySucceeded;
    if (link_.openPort(kTxBufferStartup) != LinkError::None) return linkstate::kRetryFailed;
    return linkstate::kRetrySucceeded;
  }
  view_.setLinkState(linkstate::kNotConnected);
  return linkstate::kUserCancelled;
}

void Connection::linkDown() {
  const QString shown = view_.shownLinkState();
  if (shown == linkstate::kConnectedAtStart || shown == linkstate::kReconnected ||
      shown == linkstate::kRetrySucceeded) {
    view_.setLinkState(linkstate::kNotConnected);
  }
}

void Connection::clearCounters() {
  link_.indicators().setGoodCount(QStringLiteral("0"));
  link_.indicators().setFailedCount(QStringLiteral("0"));
}

}  // namespace eqset
