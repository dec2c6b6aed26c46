#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace eqset {

// Turns the port number the technician picks in the port list (Com1..Com16)
// into a device the host can open.
//
// Windows: port n is COMn.
// Linux: a fixed table (fixedTable()), unless one of the link folders (the
// program folder, then the user's data folder) holds an entry ports/comN,
// usually a symbolic link; then the first such entry names port N. That is how
// an adapter with an unusual name, or the simulator's pseudo-terminal, becomes
// one of the sixteen ports.
class PortMap {
 public:
  static constexpr int kFirstPort = 1;
  static constexpr int kLastPort = 16;

  struct Row {
    int port;
    QString device;
  };

  // `programFolder`: the folder of the executable (ports/ lives there).
  explicit PortMap(const QString& programFolder) : PortMap(QStringList{programFolder}) {}
  // `linkFolders`: the folders whose ports/ are searched, in order.
  explicit PortMap(QStringList linkFolders);

  // The device for port `portNumber`, or an empty string when the number names
  // no port at all.
  QString device(int portNumber) const;

  // The device the host table gives port `portNumber`, ignoring ports/comN.
  static QString fixedDevice(int portNumber);
  // All sixteen rows of the host table, Com1 first.
  static std::vector<Row> fixedTable();

  // The first link folder's entry for port `portNumber` that exists, or the
  // first folder's when none does.
  QString overridePath(int portNumber) const;

 private:
  QStringList folders_;
};

}  // namespace eqset
