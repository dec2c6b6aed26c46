// eqset-sim: the cinema processor on a pseudo-terminal, for running and
// testing EQSet without the hardware.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/lineserver.h"
#include "sim/processormodel.h"
#include "sim/pseudoterminal.h"
#include "sim/simoptions.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
  stopRequested = 1;
}

// Stop signals stay blocked except while the server waits for the line, so a
// signal ends the run between frames and the links are always removed.
sigset_t blockStopSignals() {
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    sigaddset(&stopSignals, signal);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP})
    sigdelset(&waitMask, signal);
  return waitMask;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const auto parsed = sim::parseSimOptions(args);
  if (const auto* error = std::get_if<sim::OptionError>(&parsed)) {
    std::fprintf(stderr, "eqset-sim: %s\n%s", error->message.c_str(), sim::simUsage().c_str());
    return 2;
  }
  const auto& options = std::get<sim::SimOptions>(parsed);
  if (options.help) {
    std::fputs(sim::simUsage().c_str(), stdout);
    return 0;
  }

  const sigset_t waitMask = blockStopSignals();
  try {
    sim::PseudoTerminal port;
    std::optional<sim::PortLink> link;
    std::optional<sim::PortLink> comLink;
    if (!options.linkPath.empty()) link.emplace(port.slavePath(), options.linkPath);
    if (options.com > 0) {
      const std::string dir = options.dir.empty() ? sim::ownProgramFolder() : options.dir;
      comLink.emplace(port.slavePath(), dir + "/ports/com" + std::to_string(options.com));
    }
    sim::TraceLog trace(options.tracePath);
    sim::ProcessorModel model({options.seed, options.sweepMs});
    sim::LineServer server(
        port, model,
        sim::FaultInjector(options.fault, options.faultEvery, options.seed, options.lateMs),
        options.delayMs, trace);
    std::printf("%s\nready\n", port.slavePath().c_str());
    std::fflush(stdout);
    server.serve(stopRequested, waitMask);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "eqset-sim: %s\n", error.what());
    return 1;
  }
  return 0;
}
