#include "sim/pseudoterminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace sim {

namespace {

[[noreturn]] void throwErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) throwErrno("posix_openpt");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
    const int saved = errno;
    ::close(master_);
    errno = saved;
    throwErrno("grantpt/unlockpt");
  }
  const char* name = ptsname(master_);
  if (name == nullptr) throwErrno("ptsname");
  slavePath_ = name;
  slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    const int saved = errno;
    ::close(master_);
    errno = saved;
    throwErrno("open " + slavePath_);
  }
  // A serial line neither echoes nor edits: without this a client that does
  // not set raw mode itself would get its own request back as the reply.
  termios settings{};
  if (tcgetattr(slave_, &settings) == 0) {
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag |= CSTOPB | CLOCAL | CREAD;
    tcsetattr(slave_, TCSANOW, &settings);
  }
  const int flags = fcntl(master_, F_GETFL);
  fcntl(master_, F_SETFL, flags | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void PseudoTerminal::sendByte(std::uint8_t byte) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const ssize_t written = ::write(master_, &byte, 1);
    if (written == 1) return;
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      tcflush(slave_, TCIFLUSH);
      continue;
    }
    return;
  }
}

void PseudoTerminal::send(std::span<const std::uint8_t> bytes) {
  if (bytes.size() == 1) {
    sendByte(bytes[0]);
    return;
  }
  int flushes = 0;
  while (!bytes.empty()) {
    const ssize_t written = ::write(master_, bytes.data(), bytes.size());
    if (written > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && flushes++ < 2) {
      tcflush(slave_, TCIFLUSH);
      continue;
    }
    return;
  }
}

PortLink::PortLink(const std::string& target, std::string linkPath)
    : target_(target), path_(std::move(linkPath)) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path link(path_);
  if (link.has_parent_path()) fs::create_directories(link.parent_path(), error);
  if (fs::is_symlink(fs::symlink_status(link, error))) fs::remove(link, error);
  if (::symlink(target_.c_str(), path_.c_str()) != 0) throwErrno("symlink " + path_);
}

PortLink::~PortLink() {
  std::error_code error;
  const auto pointsTo = std::filesystem::read_symlink(path_, error);
  if (!error && pointsTo == target_) std::filesystem::remove(path_, error);
}

std::string ownProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  return self.parent_path().string();
}

std::string defaultLinkFolder() {
  const std::string program = ownProgramFolder();
  if (::access(program.c_str(), W_OK) == 0) return program;
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/EQSet";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : ".") + "/.local/share/EQSet";
}

}  // namespace sim
