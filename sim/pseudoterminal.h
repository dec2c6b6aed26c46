#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sim {

// The simulated serial port: a pseudo-terminal whose slave side the program
// opens as if it were the COM port. We keep a slave descriptor of our own open
// for as long as we run: the program closes and reopens the port before every
// write, and without a slave held open the master would report a hang-up in a
// tight loop while nobody is connected.
class PseudoTerminal {
 public:
  // Throws std::system_error when no pseudo-terminal can be had.
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int masterFd() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

  // Puts one byte on the line towards the program. When the program has not
  // taken earlier bytes for so long that the terminal's buffer is full, the
  // stale bytes are dropped first, as a UART overrun would.
  void sendByte(std::uint8_t byte);
  // Puts `bytes` on the line in one write (a USB adapter's hand-over); a
  // single byte goes as sendByte() sends it.
  void send(std::span<const std::uint8_t> bytes);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

// A symlink to the pseudo-terminal under a name the program knows (a fixed
// path, or ports/comN in the program folder). A leftover link from an earlier
// run that was killed is replaced; the link is removed again on destruction if
// it still points where we put it.
class PortLink {
 public:
  // Throws std::system_error when the link cannot be made.
  PortLink(const std::string& target, std::string linkPath);
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string target_;
  std::string path_;
};

// The folder eqset-sim itself was started from (where the program lives).
std::string ownProgramFolder();

// Where --com puts its link without --dir: the program folder when it can be
// written, else the user's data folder that EQSet searches after it
// ($XDG_DATA_HOME/EQSet, by default ~/.local/share/EQSet). An installed
// simulator thus binds a port the installed program finds.
std::string defaultLinkFolder();

}  // namespace sim
