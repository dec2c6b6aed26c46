// eqset-sim: the cinema processor on a pseudo-terminal, for running and
// testing EQSet without the hardware.
#include <signal.h>
#include <unistd.h>

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
volatile std::sig_atomic_t unplugRequested = 0;
volatile std::sig_atomic_t replugRequested = 0;
// Ends the serving of the present pseudo-terminal, for a stop or an unplug.
volatile std::sig_atomic_t leaveLine = 0;

void onSignal(int signal) {
  if (signal == SIGUSR1) {
    unplugRequested = 1;
  } else if (signal == SIGUSR2) {
    replugRequested = 1;
    return;
  } else {
    stopRequested = 1;
  }
  leaveLine = 1;
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2};

// The signals stay blocked except while the server waits for the line, so a
// signal acts between frames and the links are always removed. SIGUSR1 pulls
// the adapter (the pseudo-terminal and its links go, the processor stays on),
// SIGUSR2 plugs it back in on a new pseudo-terminal under the same links.
sigset_t blockSignals() {
  sigset_t handled;
  sigemptyset(&handled);
  for (int signal : kSignals) {
    sigaddset(&handled, signal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
  sigset_t waitMask;
  sigprocmask(SIG_BLOCK, &handled, &waitMask);
  for (int signal : kSignals)
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

  const sigset_t waitMask = blockSignals();
  try {
    sim::TraceLog trace(options.tracePath);
    sim::ProcessorModel model({options.seed, options.sweepMs});
    model.setMicPosition(options.mic);
    if (options.mic != 1) trace.note(0.0, "mic " + std::to_string(options.mic));
    sim::ConsoleInput console(STDIN_FILENO);
    const std::int64_t startNs = sim::LineServer::nowNs();
    while (stopRequested == 0) {
      {
        sim::PseudoTerminal port;
        std::optional<sim::PortLink> link;
        std::optional<sim::PortLink> comLink;
        if (!options.linkPath.empty()) link.emplace(port.slavePath(), options.linkPath);
        if (options.com > 0) {
          const std::string dir = options.dir.empty() ? sim::defaultLinkFolder() : options.dir;
          comLink.emplace(port.slavePath(), dir + "/ports/com" + std::to_string(options.com));
        }
        sim::LineServer server(
            port, model,
            sim::FaultInjector(options.fault, options.faultEvery, options.seed, options.lateMs),
            options.delayMs, trace, startNs, &console);
        server.setUsbLatency(options.usbLatencyMs);
        std::printf("%s\nready\n", port.slavePath().c_str());
        std::fflush(stdout);
        leaveLine = 0;
        server.serve(leaveLine, waitMask);
      }
      if (stopRequested != 0) break;
      // Unplugged: no pseudo-terminal, no links, until plugged back in.
      unplugRequested = 0;
      replugRequested = 0;
      std::printf("unplugged\n");
      std::fflush(stdout);
      while (replugRequested == 0 && stopRequested == 0)
        sigsuspend(&waitMask);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "eqset-sim: %s\n", error.what());
    return 1;
  }
  return 0;
}
