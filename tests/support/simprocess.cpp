#include "simprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

namespace simtest {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// `writeEnd`, when given, receives a pipe to the child's standard input;
// otherwise the child shares ours.
pid_t spawnWithPipe(const std::vector<std::string>& argv, int& readEnd, int* writeEnd = nullptr) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  int inputFds[2] = {-1, -1};
  if (writeEnd != nullptr && pipe2(inputFds, O_CLOEXEC) != 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (writeEnd != nullptr) posix_spawn_file_actions_adddup2(&actions, inputFds[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> args;
  for (const auto& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  readEnd = pipeFds[0];
  if (writeEnd != nullptr) {
    close(inputFds[0]);
    *writeEnd = inputFds[1];
  }
  return pid;
}

// Waits for the child to end; its status, or -1 after the timeout.
int waitFor(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 || Clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "eqset-sim-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
}

TempDir::~TempDir() {
  std::error_code error;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, error);
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
  std::vector<std::string> argv{EQSET_SIM_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = spawnWithPipe(argv, stdout_, &stdin_);
  if (pid_ < 0) return;
  // Liveness only: a loaded machine may take a while to start the process.
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  std::string text;
  while (!ready_) {
    pollfd p{stdout_, POLLIN, 0};
    if (poll(&p, 1, msLeft(deadline)) <= 0) break;
    char buffer[256];
    const ssize_t n = read(stdout_, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    const auto readyAt = text.find("\nready\n");
    if (readyAt != std::string::npos) {
      ptyPath_ = text.substr(0, readyAt);
      ready_ = true;
    }
  }
  if (ready_) ptyHold_ = open(ptyPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

int SimProcess::stop(int signal) {
  if (pid_ < 0) return -1;
  kill(pid_, signal);
  const int status = waitFor(pid_, Clock::now() + std::chrono::seconds(10));
  if (status < 0) {
    kill(pid_, SIGKILL);
    waitFor(pid_, Clock::now() + std::chrono::seconds(10));
  }
  pid_ = -1;
  return status;
}

void SimProcess::signal(int signal) {
  if (pid_ >= 0) kill(pid_, signal);
}

bool SimProcess::sendLine(const std::string& line) {
  if (stdin_ < 0) return false;
  const std::string text = line + "\n";
  return write(stdin_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

SimProcess::~SimProcess() {
  stop(SIGTERM);
  if (ptyHold_ >= 0) close(ptyHold_);
  if (stdout_ >= 0) close(stdout_);
  if (stdin_ >= 0) close(stdin_);
}

CommandResult runCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
  CommandResult result;
  int output = -1;
  const pid_t pid = spawnWithPipe(argv, output);
  if (pid < 0) return result;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    pollfd p{output, POLLIN, 0};
    if (poll(&p, 1, msLeft(deadline)) <= 0) break;
    char buffer[1024];
    const ssize_t n = read(output, buffer, sizeof buffer);
    if (n <= 0) break;
    result.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(output);
  int status = waitFor(pid, deadline);
  if (status < 0) {
    kill(pid, SIGKILL);
    waitFor(pid, Clock::now() + std::chrono::seconds(5));
    return result;
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

LineClient::LineClient(const std::string& path) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) return;
  termios settings{};
  tcgetattr(fd_, &settings);
  cfmakeraw(&settings);
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  settings.c_cflag |= CSTOPB | CLOCAL | CREAD;
  tcsetattr(fd_, TCSANOW, &settings);
  tcflush(fd_, TCIOFLUSH);
}

LineClient::~LineClient() {
  if (fd_ >= 0) close(fd_);
}

void LineClient::send(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::vector<std::uint8_t> LineClient::receive(std::size_t count,
                                              std::chrono::milliseconds timeout) {
  std::vector<std::uint8_t> bytes;
  const auto deadline = Clock::now() + timeout;
  while (bytes.size() < count) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, msLeft(deadline)) <= 0) break;
    std::uint8_t buffer[512];
    const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

std::vector<std::uint8_t> LineClient::receiveUntilQuiet(std::chrono::milliseconds quiet) {
  std::vector<std::uint8_t> bytes;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(quiet.count())) <= 0) return bytes;
    std::uint8_t buffer[512];
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) return bytes;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
}

int LineClient::bytesWaiting() const {
  int waiting = 0;
  ioctl(fd_, FIONREAD, &waiting);
  return waiting;
}

std::vector<std::uint8_t> LineClient::transact(const std::vector<std::uint8_t>& request,
                                               std::size_t replyLength) {
  send(request);
  return receive(replyLength);
}

}  // namespace simtest
