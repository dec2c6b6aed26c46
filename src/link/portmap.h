#pragma once

#include <QString>
#include <vector>

namespace eqset {

// Turns the port number the technician picks in the port list (Com1..Com16)
// into a device the host can open.
//
// Windows: port n is COMn.
// Linux: a fixed table (fixedTable()), unless the program folder holds an entry
// ports/comN, usually a symbolic link; then that entry names port N. That is how
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
  explicit PortMap(QString programFolder);

  // The device for port `portNumber`, or an empty string when the number names
  // no port at all.
  QString device(int portNumber) const;

  // The device the host table gives port `portNumber`, ignoring ports/comN.
  static QString fixedDevice(int portNumber);
  // All sixteen rows of the host table, Com1 first.
  static std::vector<Row> fixedTable();

  // Where the override entry for port `portNumber` lives (it need not exist).
  QString overridePath(int portNumber) const;

 private:
  QString programFolder_;
};

}  // namespace eqset
