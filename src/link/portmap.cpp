#include "link/portmap.h"

#include <QDir>
#include <QFileInfo>
#include <array>

namespace eqset {

namespace {

bool isPortNumber(int n) {
  return n >= PortMap::kFirstPort && n <= PortMap::kLastPort;
}

#ifndef Q_OS_WIN
// Four ports per family. The on-board UARTs come first because an old PC's
// Com1..Com4 are exactly those; USB adapters, which most technicians carry
// today, take Com5..Com8; CDC-ACM adapters Com9..Com12; add-in UART cards that
// continue the ttyS numbering get Com13..Com16.
struct Family {
  const char* prefix;
  int firstIndex;
};
constexpr std::array<Family, 4> kFamilies{{
    {"/dev/ttyS", 0},
    {"/dev/ttyUSB", 0},
    {"/dev/ttyACM", 0},
    {"/dev/ttyS", 4},
}};
constexpr int kPortsPerFamily = 4;
#endif

}  // namespace

PortMap::PortMap(QStringList linkFolders) : folders_(std::move(linkFolders)) {}

QString PortMap::fixedDevice(int portNumber) {
  if (!isPortNumber(portNumber)) return {};
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(portNumber);
#else
  const int slot = portNumber - kFirstPort;
  const Family& family = kFamilies[static_cast<std::size_t>(slot / kPortsPerFamily)];
  return QString::fromLatin1(family.prefix) +
         QString::number(family.firstIndex + slot % kPortsPerFamily);
#endif
}

std::vector<PortMap::Row> PortMap::fixedTable() {
  std::vector<Row> rows;
  for (int n = kFirstPort; n <= kLastPort; ++n)
    rows.push_back({n, fixedDevice(n)});
  return rows;
}

QString PortMap::overridePath(int portNumber) const {
  const QString entry = QStringLiteral("ports/com%1").arg(portNumber);
  for (const QString& folder : folders_) {
    const QFileInfo info(QDir(folder).filePath(entry));
    if (info.isSymLink() || info.exists()) return info.filePath();
  }
  return QDir(folders_.value(0)).filePath(entry);
}

QString PortMap::device(int portNumber) const {
  if (!isPortNumber(portNumber)) return {};
#ifndef Q_OS_WIN
  const QFileInfo entry(overridePath(portNumber));
  // A link counts even when its target is gone: the technician pointed this
  // port somewhere on purpose, and silently falling back to a real UART could
  // send settings to whatever else hangs there. The open then fails as "no
  // such port".
  if (entry.isSymLink() || entry.exists()) {
    // The device's own path, so that the port lock is the same whichever name
    // a program used to reach it.
    const QString target = entry.canonicalFilePath();
    return target.isEmpty() ? entry.absoluteFilePath() : target;
  }
#endif
  return fixedDevice(portNumber);
}

}  // namespace eqset
