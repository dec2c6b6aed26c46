#include "sim/simoptions.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "sim/audience.h"

namespace sim {

namespace {

template <typename Number>
std::optional<Number> parseWhole(std::string_view text, Number low, Number high) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> parseSecondsAsMs(std::string_view text) {
  // from_chars for double is there in libstdc++ 11 and later.
  double seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc{} || end != text.data() + text.size() || !(seconds >= 0) ||
      seconds > 3600) {
    return std::nullopt;
  }
  return static_cast<int>(std::lround(seconds * 1000.0));
}

}  // namespace

std::string simUsage() {
  return "usage: eqset-sim [options]\n"
         "Serves the simulated cinema processor (Modbus RTU slave 1, 9600 8N2) on a\n"
         "pseudo-terminal; prints its path, then 'ready'.\n"
         "  --link PATH           symlink PATH to the pseudo-terminal (removed on exit)\n"
         "  --com N               symlink DIR/ports/comN to it (removed on exit)\n"
         "  --dir DIR             program folder for --com (default: eqset-sim's folder,\n"
         "                        or ~/.local/share/EQSet when that cannot be written)\n"
         "  --seed N              room and measurement noise (default 1)\n"
         "  --sweep-seconds S     duration of a frequency sweep (default 3)\n"
         "  --trace FILE          timestamped hex trace of every frame in and out\n"
         "  --fault KIND          none|silent|short|long|corrupt|late|other|mixed\n"
         "                        (default none); late: the reply comes --late-ms\n"
         "                        later than usual; other: the reply to another\n"
         "                        register; mixed: each faulted reply one of the\n"
         "                        others, drawn with --seed\n"
         "  --fault-every N       the fault hits every Nth reply (default 1)\n"
         "  --late-ms MS          delay of a late reply (default 350)\n"
         "  --delay MS            extra turnaround before each reply (default 0)\n"
         "  --usb-latency MS      as a USB serial adapter's latency timer: the reply\n"
         "                        bytes still cross the wire at 9600 8N2, but reach\n"
         "                        the pseudo-terminal only every MS ms, all that has\n"
         "                        arrived by then at once (1..255; default 0: each\n"
         "                        byte as it arrives)\n"
         "  --mic K               microphone position 1..8 at start (default 1, the\n"
         "                        reference seat); 2..8 stand on other seats\n"
         "  --help                this text\n"
         "Signals: SIGUSR1 pulls the adapter (the pseudo-terminal and its links go),\n"
         "SIGUSR2 plugs it back in (a new pseudo-terminal under the same links).\n"
         "Standard input: a line 'mic K' moves the microphone to position K.\n";
}

std::variant<SimOptions, OptionError> parseSimOptions(std::span<const std::string_view> args) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::optional<std::string_view> inlineValue;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
      inlineValue = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    std::string_view value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return OptionError{std::string(name) + " needs a value"};
    }
    const auto bad = [&] {
      return OptionError{"bad value for " + std::string(name) + ": '" + std::string(value) + "'"};
    };

    if (name == "--link") {
      if (value.empty()) return bad();
      options.linkPath = value;
    } else if (name == "--com") {
      const auto com = parseWhole<int>(value, 1, 255);
      if (!com) return bad();
      options.com = *com;
    } else if (name == "--dir") {
      if (value.empty()) return bad();
      options.dir = value;
    } else if (name == "--seed") {
      const auto seed = parseWhole<std::uint32_t>(value, 0, UINT32_MAX);
      if (!seed) return bad();
      options.seed = *seed;
    } else if (name == "--sweep-seconds") {
      const auto ms = parseSecondsAsMs(value);
      if (!ms) return bad();
      options.sweepMs = *ms;
    } else if (name == "--trace") {
      if (value.empty()) return bad();
      options.tracePath = value;
    } else if (name == "--fault") {
      const auto fault = lineFaultFromName(value);
      if (!fault) return bad();
      options.fault = *fault;
    } else if (name == "--fault-every") {
      const auto every = parseWhole<int>(value, 1, 1000000);
      if (!every) return bad();
      options.faultEvery = *every;
    } else if (name == "--late-ms") {
      const auto late = parseWhole<int>(value, 1, 60000);
      if (!late) return bad();
      options.lateMs = *late;
    } else if (name == "--usb-latency") {
      const auto latency = parseWhole<int>(value, 0, 255);
      if (!latency) return bad();
      options.usbLatencyMs = *latency;
    } else if (name == "--delay") {
      const auto delay = parseWhole<int>(value, 0, 60000);
      if (!delay) return bad();
      options.delayMs = *delay;
    } else if (name == "--mic") {
      const auto mic = parseWhole<int>(value, 1, kMicPositionCount);
      if (!mic) return bad();
      options.mic = *mic;
    } else {
      return OptionError{"unknown option " + std::string(name)};
    }
  }
  if (!options.dir.empty() && options.com == 0) return OptionError{"--dir needs --com"};
  return options;
}

}  // namespace sim
