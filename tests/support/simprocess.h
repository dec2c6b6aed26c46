#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

// A temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path(const std::string& name = "") const {
    return name.empty() ? dir_ : dir_ + "/" + name;
  }

 private:
  std::string dir_;
};

// eqset-sim started with `args`; waits for its "ready" line. The process is
// ended (SIGTERM, then SIGKILL if it lingers) when the object goes.
// The object keeps the pseudo-terminal's number taken while it lives: once the
// simulator is killed or unplugged, another test's simulator running beside
// this one must not get the same /dev/pts number, which this test's port link
// still names.
class SimProcess {
 public:
  explicit SimProcess(const std::vector<std::string>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool ready() const { return ready_; }
  const std::string& ptyPath() const { return ptyPath_; }
  // Sends `signal` and waits for the exit; the exit status as waitpid gives it,
  // or -1 when the process did not end in time.
  int stop(int signal);
  // Sends `signal` and returns at once.
  void signal(int signal);
  // Writes `line` and a newline to the simulator's standard input.
  bool sendLine(const std::string& line);

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
  int stdin_ = -1;
  bool ready_ = false;
  std::string ptyPath_;
  int ptyHold_ = -1;  // an idle descriptor on the pseudo-terminal
};

// Runs a command to its end, with its stdout and stderr together.
struct CommandResult {
  int exitCode = -1;  // -1: did not finish in time or could not start
  std::string output;
};
CommandResult runCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

// The program's side of the serial line: raw 9600 8N2 on the pseudo-terminal.
class LineClient {
 public:
  explicit LineClient(const std::string& path);
  ~LineClient();
  LineClient(const LineClient&) = delete;
  LineClient& operator=(const LineClient&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void send(const std::vector<std::uint8_t>& bytes);
  // Reads until `count` bytes came, or `timeout` passed.
  std::vector<std::uint8_t> receive(std::size_t count,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(3));
  // Reads until the line has been quiet for `quiet`.
  std::vector<std::uint8_t> receiveUntilQuiet(std::chrono::milliseconds quiet);
  int bytesWaiting() const;
  std::vector<std::uint8_t> transact(const std::vector<std::uint8_t>& request,
                                     std::size_t replyLength);

 private:
  int fd_ = -1;
};

}  // namespace simtest
