#include "sim/console.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "sim/lineserver.h"

namespace sim {

namespace {

std::string_view trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r";
  const auto first = text.find_first_not_of(kSpace);
  if (first == text.npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

std::variant<MicMove, ConsoleError> parseConsoleLine(std::string_view line) {
  line = trimmed(line);
  if (line.empty()) return ConsoleError{};
  const auto space = line.find_first_of(" \t");
  const std::string_view command = line.substr(0, space);
  const std::string_view argument =
      space == line.npos ? std::string_view{} : trimmed(line.substr(space));
  if (command != "mic") return ConsoleError{"unknown command '" + std::string(line) + "'"};
  int position = 0;
  const auto [end, error] =
      std::from_chars(argument.data(), argument.data() + argument.size(), position);
  if (argument.empty() || error != std::errc{} || end != argument.data() + argument.size() ||
      position < 1 || position > kMicPositionCount) {
    return ConsoleError{"mic needs a position 1.." + std::to_string(kMicPositionCount) + ": '" +
                        std::string(line) + "'"};
  }
  return MicMove{position};
}

void ConsoleInput::readWaiting(ProcessorModel& model, TraceLog& trace, double atMs) {
  if (fd_ < 0) return;
  std::array<char, 256> buffer{};
  const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (count <= 0) {
    fd_ = -1;
    return;
  }
  pending_.append(buffer.data(), static_cast<std::size_t>(count));
  for (auto end = pending_.find('\n'); end != pending_.npos; end = pending_.find('\n')) {
    const auto parsed = parseConsoleLine(std::string_view(pending_).substr(0, end));
    if (const auto* move = std::get_if<MicMove>(&parsed)) {
      model.setMicPosition(move->position);
      trace.note(atMs, "mic " + std::to_string(move->position));
    } else if (const auto& message = std::get<ConsoleError>(parsed).message; !message.empty()) {
      std::fprintf(stderr, "eqset-sim: %s\n", message.c_str());
    }
    pending_.erase(0, end + 1);
  }
}

}  // namespace sim
