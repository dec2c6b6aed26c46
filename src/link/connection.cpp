#include "link/connection.h"

#include <QRegularExpression>
#include <QStringList>

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

QString openFailureText(const OpenFailure& failure, PortHost host) {
  using Reason = OpenFailure::Reason;
  switch (failure.reason) {
    case Reason::None:
      return {};
    case Reason::NoPermission:
      if (host == PortHost::Linux)
        return QStringLiteral(
                   "没有权限打开 %1。请把当前用户加入 dialout 组（sudo usermod -aG "
                   "dialout $USER），然后注销并重新登录。")
            .arg(failure.device);
      return QStringLiteral("没有权限打开 %1。").arg(failure.device);
    case Reason::Busy:
      return QStringLiteral("%1 正被其他程序占用，请先关闭该程序。").arg(failure.device);
    case Reason::NoDevice:
      if (failure.device.isEmpty())
        return QStringLiteral("所选的不是可用的串口（Com1..Com16），请在串口列表中选择一个。");
      // On Windows a COM port exists only while its adapter is plugged in and
      // its driver installed; the Device Manager lists the ports there are.
      if (host == PortHost::Windows)
        return QStringLiteral(
                   "系统中没有 %1：USB转串口适配器可能没有插好，或者它的驱动程序没有安装"
                   "（可在“设备管理器”的“端口 (COM 和 LPT)”中查看）。")
            .arg(failure.device);
      return QStringLiteral("找不到设备 %1，请检查串口线或USB转串口适配器是否插好。")
          .arg(failure.device);
    case Reason::Other:
      break;
  }
  const QString words = failure.systemText.trimmed();
  return QStringLiteral("系统报告：%1").arg(words.isEmpty() ? QStringLiteral("未知错误") : words);
}

QString portToolTip(const PortDescription& d) {
  QStringList lines;
  const auto add = [&lines](const char* label, const QString& value) {
    if (!value.isEmpty()) lines << QString::fromUtf8(label) + value;
  };
  add("设备：", d.device);
  add("描述：", d.description);
  add("制造商：", d.manufacturer);
  add("序列号：", d.serialNumber);
  return lines.join(QLatin1Char('\n'));
}

Connection::Connection(ModbusLink& link, ConnectionView& view, Dialogs& dialogs)
    : link_(link), view_(view), dialogs_(dialogs) {}

void Connection::scan(bool skipListed) {
  view_.setPortListEnabled(true);
  SerialPort& port = link_.port();
  if (port.isOpen()) port.close();
  std::vector<int> found;
  QStringList entries;
  deniedInScan_ = {};
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    const LinkError error = port.open(n, kTxBufferStartup);
    const OpenFailure failure = port.lastOpenFailure();
    if (failure.reason == OpenFailure::Reason::NoPermission &&
        deniedInScan_.reason == OpenFailure::Reason::None)
      deniedInScan_ = failure;
    if (error != LinkError::None && error != LinkError::PortAlreadyOpen) continue;
    port.close();
    // A held port is listed again on every scan: the technician sees it is
    // still held.
    const bool held = error == LinkError::PortAlreadyOpen;
    const QString entry = QStringLiteral("Com%1").arg(n) + (held ? kOccupied : QString());
    if (held || !skipListed || !PortListed(n)) view_.addPortEntry(entry);
    found.push_back(n);
    entries << entry;
  }
  // A refusal explains an empty list only.
  if (!found.empty()) deniedInScan_ = {};
  // Every entry with a found port's text gets its tool-tip, so a rescan
  // refreshes what an earlier one listed (an adapter swapped on the device).
  const std::vector<PortDescription> descriptions = port.describe(found);
  for (std::size_t k = 0; k < found.size() && k < descriptions.size(); ++k) {
    const QString tip = portToolTip(descriptions[k]);
    for (int i = 0; i < view_.portEntryCount(); ++i)
      if (view_.portEntry(i) == entries[static_cast<int>(k)]) view_.setPortEntryToolTip(i, tip);
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
  linkUp();
}

void Connection::reconnect() {
  if (link_.reopenPort(kTxBufferReset) != LinkError::None) {
    view_.setLinkState(OpenCom());
    return;
  }
  view_.setLinkState(linkstate::kReconnected);
  linkUp();
}

QString Connection::OpenCom() {
  view_.setLinkState(linkstate::kNotConnected);
  QString text = QStringLiteral("请检查主串口设置！");
  QString why = openFailureText(link_.openFailure());
  // Nothing was tried: a user outside the group that may open serial ports
  // finds an empty port list and has to learn why here; with ports listed,
  // one of them is to be chosen.
  if (why.isEmpty()) why = openFailureText(deniedInScan_);
  if (why.isEmpty())
    why = QStringLiteral(
        "没有读到保存的串口设置。请在串口列表中选择处理器所连的串口，然后按“确认并重启”。");
  if (!why.isEmpty()) text += QStringLiteral("\n原因：") + why;
  const auto answer = dialogs_.message(text, QStringLiteral("串口设置"), Dialogs::Icon::Question,
                                       Dialogs::Buttons::RetryCancel);
  if (answer == Dialogs::Answer::Retry) {
    if (!link_.port().isOpen() && link_.openPort(kTxBufferStartup) != LinkError::None)
      return linkstate::kRetryFailed;
    linkUp();
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
