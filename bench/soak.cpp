// soak: whether the program keeps working on a poor line, and whether it ever
// shows or stores a value the processor does not hold.
//
// Drives the real window as a technician does, in a seeded random mix: drags
// of band sliders, of the master volume and of channel levels (each step a live
// write), "读取DSP数据", "数据写入DSP", and "读取曲线" after the processor swept
// a channel. One reply in ten goes wrong on the line: it never comes, comes a
// byte short or long, with a byte inverted, as the well-formed answer to
// another request, or late, after the program stopped waiting for it, so that
// it arrives during the next transaction.
//
// Two runs: 10,000 transactions in virtual time against the processor model in
// this process (FakeSerialPort), and 500 over a pseudo-terminal against
// eqset-sim with its mixed faults (QtSerialPort, RealClock). Over the line the
// simulator's state is followed by a mirror: a second processor model in this
// process fed every request the program writes (requests always arrive whole;
// only replies are damaged) and the same seeded fault sequence, checked at the
// end against the simulator's own trace of every frame.
//
// --fast runs both with "快速通讯"; --usb-latency MS puts a USB serial
// adapter's latency timer between the processor and the port in both: the
// in-process port and eqset-sim hand the reply bytes over in bursts, every MS.
//
// Each run prints its transactions, good and failed replies, the faults put on
// the line, every value the window shows or keeps that differs from what the
// processor holds (must be 0), counter mismatches (must be 0) and the time per
// transaction against the fixed waits. Each finding is printed with the
// transactions that led to it.
//
// This file holds the two runs, the printing and main; the watched port and
// the transaction record are in soakport.h, the operations and their checks in
// soakrun.h.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "fakeserialport.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "scripteddialogs.h"
#include "sim/linefault.h"
#include "sim/processormodel.h"
#include "sim/seededrandom.h"
#include "simprocess.h"
#include "soakport.h"
#include "soakrun.h"
#include "virtualclock.h"

namespace soak {
namespace {

using eqset::MainWindow;
using sim::LineFault;
namespace reg = eqset::reg;

constexpr int kInProcessTransactions = 10'000;
constexpr int kLineTransactions = 500;
constexpr int kFaultEvery = 10;  // one reply in ten
constexpr int kLateMs = 350;     // the simulator's late replies
constexpr int kLineSweepMs = 500;
constexpr std::array<LineFault, 6> kKinds = {LineFault::Silent, LineFault::Short,
                                             LineFault::Long,   LineFault::Corrupt,
                                             LineFault::Late,   LineFault::Other};

// `text` followed by spaces up to `columns` on the terminal (a Chinese
// character takes two columns and three bytes).
std::string padded(const std::string& text, int columns) {
  int width = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) width += c >= 0xE0 ? 2 : 1;
  }
  return text + std::string(static_cast<std::size_t>(std::max(0, columns - width)), ' ');
}

void print(const Figures& f) {
  std::printf("\n== %s ==\n", f.title.c_str());
  std::printf("  %-44s %8d   (requests written: %d)\n", "transactions (Text13 + Text14)",
              f.transactions, f.requests);
  std::printf("  %-44s %8lld\n", "good (Text13)", f.good);
  std::printf("  %-44s %8lld\n", "failed (Text14)", f.failed);
  std::printf("  %-44s %8d  ", "faults injected", f.faultsTotal);
  for (LineFault k : kKinds)
    std::printf(" %s %d", faultName(k).c_str(), f.faults[static_cast<std::size_t>(k)]);
  std::printf("\n");
  std::printf("  %-44s %8d\n", "  failed: own reply damaged, missing or late", f.ownFaultFailures);
  std::printf("  %-44s %8d\n", "  failed: earlier reply's bytes in its place", f.displacedFailures);
  std::printf("  %-44s %8d\n", "    of them nothing in time, line still busy", f.lineBusyFailures);
  std::printf("  %-44s %8d\n", "  failed: no fault near it", f.unexplainedFailures);
  std::printf("  %-44s %8d\n", "  late replies that still came in time", f.lateInTime);
  std::printf("  %-44s %8d   of %lld compared\n", "values shown/stored wrongly (must be 0)",
              f.valueMismatches, f.valuesCompared);
  std::printf("  %-44s %8d\n", "  left behind by a failed reply (by design)", f.staleByDesign);
  std::printf("  %-44s %8d\n", "counter mismatches (must be 0)",
              f.countTotalMismatch + f.failedVsFaultsMismatch);
  std::printf("  %-44s %8d\n", "  Text13 + Text14 vs transactions", f.countTotalMismatch);
  std::printf("  %-44s %8d\n", "  Text14 vs failures the faults cause", f.failedVsFaultsMismatch);
  std::printf("  %-44s %8d\n", "replies judged wrongly (must be 0)", f.verdictMismatches);
  std::printf("  %-44s %8d   of %d requests kept\n", "line monitor verdicts unlike counters (0)",
              f.monitorMismatches, f.monitorCompared);
  std::printf("  %-44s %8d\n", "message boxes", f.dialogs);
  double measured = 0;
  double nominal = 0;
  std::printf("  time per transaction         ops  trans.  measured ms  nominal ms  overhead\n");
  for (int op = 0; op < kOps; ++op) {
    const OpFigures& o = f.ops[static_cast<std::size_t>(op)];
    measured += o.measuredMs;
    nominal += o.nominalMs;
    if (o.transactions == 0) continue;
    std::printf("    %s %6d %7d %12.1f %11.1f %8.1f %%\n",
                padded(kOpNames[static_cast<std::size_t>(op)], 24).c_str(), o.count, o.transactions,
                o.measuredMs / o.transactions, o.nominalMs / o.transactions,
                100.0 * (o.measuredMs - o.nominalMs) / o.nominalMs);
  }
  if (f.transactions > 0) {
    std::printf("    %-24s %6s %7d %12.1f %11.1f %8.1f %%\n", "all", "", f.requests,
                measured / f.requests, nominal / f.requests,
                100.0 * (measured - nominal) / nominal);
  }
  if (!f.lineCheck.empty()) std::printf("  %s\n", f.lineCheck.c_str());
  if (f.findings.empty()) {
    std::printf("  no findings\n");
    return;
  }
  std::printf("  %d findings (the first %zu below)\n", f.findingCount, f.findings.size());
  for (const auto& text : f.findings)
    std::printf("  FINDING %s", text.c_str());
}

void storeRecord(const QString& folder, const QString& port) {
  eqset::SettingsRecord record;
  record.U_Main_Com = port;
  record.EqMode = "ISO2969";
  record.MicZero = "0";
  QString error;
  eqset::SettingsStore(QDir(folder).filePath(eqset::SettingsStore::kFileName)).save(record, &error);
}

// The fixed wait of the transaction a request starts: how long the program
// listens for its reply.
int waitFor(const QByteArray& request) {
  const auto byte = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(request[i])); };
  if (request.size() < 6) return kWriteWaitMs;
  switch (byte(1)) {
    case 6:
      return kWriteWaitMs;
    case 16:
      return kBlockWriteWaitMs;
    case 3: {
      const int count = 256 * byte(4) + byte(5);
      return count == reg::kCurveBlockCount ? kCurveWaitMs : count == 4 ? 50 : kBlockReadWaitMs;
    }
    default:
      return kWriteWaitMs;
  }
}

// In this process, in virtual time: one reply in ten is faulted, at random;
// a late one comes 150..300 ms after the program stopped listening, so it
// lands in the next transaction or just before it.
// "快速通讯": the same runs with the fast link on.
bool fastLink = false;
// A USB serial adapter's latency timer between the processor and the port
// (0: none): replies reach the port in bursts, in both runs.
int usbLatencyMs = 0;

std::string linkName() {
  return std::string(fastLink ? ", fast link" : "") +
         (usbLatencyMs > 0 ? ", USB latency " + std::to_string(usbLatencyMs) + " ms" : "");
}

Figures inProcess() {
  QTemporaryDir folder;
  eqset::test::VirtualClock clock;
  sim::ProcessorModel model(sim::ModelOptions{static_cast<std::uint32_t>(kSeed), 3000});
  eqset::test::FakeSerialPort fake(clock, &model);
  fake.setPort(2, eqset::test::FakeSerialPort::PortState::Free);
  fake.setUsbLatency(usbLatencyMs);
  sim::SeededRandom faults(kSeed * 7919);
  bool armed = false;
  Transaction pending;
  fake.setReplyFilter([&](const QByteArray& request, QByteArray reply) {
    pending = Transaction{};
    pending.clean = reply;
    if (!armed || reply.isEmpty() || faults.unit() >= 1.0 / kFaultEvery) return reply;
    pending.fault = kKinds[faults.next() % kKinds.size()];
    if (pending.fault == LineFault::Late) {
      pending.extraDelayMs = waitFor(request) + 150 + static_cast<int>(faults.next() % 151);
      return reply;
    }
    return toQt(sim::applyLineFault(pending.fault, toStd(reply)));
  });
  fake.setReplyDelay([&](const QByteArray&, const QByteArray&) { return pending.extraDelayMs; });
  WatchedPort port(fake, [&](Transaction& t) {
    t.clean = pending.clean;
    t.fault = pending.fault;
    t.extraDelayMs = pending.extraDelayMs;
    pending = Transaction{};
  });

  storeRecord(folder.path(), "Com2");
  eqset::test::ScriptedDialogs dialogs;
  MainWindow window(port, clock, dialogs, folder.path());
  window.startUp();
  window.link().setFast(fastLink);
  if (window.ComState->text() != "已经连接") std::printf("in-process: not connected\n");

  Processor processor;
  processor.held = [&](int a) { return static_cast<int>(model.readRegister(a, clock.now())); };
  processor.block = [&](int start, int count) {
    return model.readRegisters(start, count, clock.now());
  };
  processor.sweep = [&](int channel, int&) {
    model.writeRegister(reg::kSweepChannel, static_cast<std::uint16_t>(channel), clock.now());
    model.writeRegister(reg::kSweep, 1, clock.now());
    clock.advance(model.options().sweepMs + 100);
    return 0.0;
  };
  armed = true;
  Soak soak(
      window, port, std::move(processor), dialogs, [&] { return static_cast<double>(clock.now()); },
      [] { QCoreApplication::processEvents(); });
  return soak.run("in-process, virtual time, seed 1" + linkName() + ": " +
                      std::to_string(kInProcessTransactions) + " transactions",
                  kInProcessTransactions);
}

// The simulator's trace against the mirror: every request in the order the
// program wrote it, and every reply as the fault sequence says it left.
std::string checkTrace(const std::string& path, const std::vector<Transaction>& log) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "simulator trace: cannot open " + path;
  struct Frame {
    double inMs = 0;
    QByteArray in;
    bool answered = false;
    double outMs = 0;
    QByteArray out;
  };
  std::vector<Frame> frames;
  QTextStream text(&file);
  while (!text.atEnd()) {
    const QString line = text.readLine();
    const QStringList parts = line.split(' ', Qt::SkipEmptyParts);
    if (parts.size() < 2) continue;
    QByteArray bytes;
    for (int i = 2; i < parts.size(); ++i)
      bytes.append(static_cast<char>(parts[i].toInt(nullptr, 16)));
    const double ms = parts[0].toDouble() * 1000.0;
    if (parts[1] == "in") {
      frames.push_back({ms, bytes, false, 0, {}});
    } else if (parts[1] == "out" && !frames.empty()) {
      frames.back().answered = true;
      frames.back().outMs = ms;
      frames.back().out = bytes;
    }
  }
  int agree = 0;
  const std::size_t n = std::min(frames.size(), log.size());
  for (std::size_t i = 0; i < n; ++i) {
    const Frame& f = frames[i];
    const Transaction& t = log[i];
    const QByteArray expected = toQt(sim::applyLineFault(t.fault, toStd(t.clean)));
    bool same = f.in == t.request && f.answered == !expected.isEmpty();
    if (same && f.answered) {
      const bool late = f.outMs - f.inMs >= kLateMs;
      same = f.out == expected && late == (t.fault == LineFault::Late);
    }
    if (same) ++agree;
  }
  return "simulator trace: " + std::to_string(frames.size()) + " requests, " +
         std::to_string(log.size()) + " written; " + std::to_string(agree) +
         " replies exactly as the mirror and the fault sequence say";
}

// Over a pseudo-terminal against eqset-sim with mixed faults on every tenth
// reply, with the real port and clock.
Figures overTheLine() {
  simtest::TempDir dir;
  const std::string trace = dir.path("trace.log");
  std::vector<std::string> args = {"--com",           "7",
                                   "--dir",           dir.path(),
                                   "--seed",          std::to_string(kSeed),
                                   "--fault",         "mixed",
                                   "--fault-every",   std::to_string(kFaultEvery),
                                   "--late-ms",       std::to_string(kLateMs),
                                   "--sweep-seconds", std::to_string(kLineSweepMs / 1000.0),
                                   "--trace",         trace};
  if (usbLatencyMs > 0) {
    args.push_back("--usb-latency");
    args.push_back(std::to_string(usbLatencyMs));
  }
  simtest::SimProcess sim(args);
  if (!sim.ready()) {
    Figures f;
    f.title = "over the line: eqset-sim did not start";
    return f;
  }
  QElapsedTimer since;
  since.start();
  const auto mirrorNow = [&] { return static_cast<std::int64_t>(since.elapsed()); };
  sim::ProcessorModel mirror(sim::ModelOptions{static_cast<std::uint32_t>(kSeed), kLineSweepMs});
  sim::FaultInjector sequence(LineFault::Mixed, kFaultEvery, kSeed, kLateMs);

  const QString folder = QString::fromStdString(dir.path());
  eqset::QtSerialPort serial{eqset::PortMap(folder)};
  WatchedPort port(serial, [&](Transaction& t) {
    const auto clean = mirror.handleFrame(toStd(t.request), mirrorNow());
    const sim::FaultedReply faulted = sequence.inject(clean);
    t.clean = toQt(clean);
    t.fault = faulted.fault;
    t.extraDelayMs = faulted.extraDelayMs;
  });
  storeRecord(folder, "Com7");
  eqset::RealClock clock;
  eqset::test::ScriptedDialogs dialogs;
  MainWindow window(port, clock, dialogs, folder);
  window.show();
  window.startUp();
  window.link().setFast(fastLink);
  if (window.ComState->text() != "已经连接") std::printf("over the line: not connected\n");

  QElapsedTimer opClock;
  opClock.start();
  Processor processor;
  processor.held = [&](int a) { return static_cast<int>(mirror.readRegister(a, mirrorNow())); };
  processor.block = [&](int start, int count) {
    return mirror.readRegisters(start, count, mirrorNow());
  };
  processor.sweep = [&](int, int& nominalMs) {
    // The channel is in 905 already (the channel selector wrote it); the
    // program's own link starts the sweep, as the automatic sequence does.
    const double t0 = static_cast<double>(opClock.nsecsElapsed()) / 1e6;
    window.link().WriteRegister(reg::kSweep, 1);
    const double spent = static_cast<double>(opClock.nsecsElapsed()) / 1e6 - t0;
    nominalMs += kSweepStartMs;
    // Longer than the sweep plus a late reply that holds the processor up.
    std::this_thread::sleep_for(std::chrono::milliseconds(kLineSweepMs + 800));
    return spent;
  };
  Soak soak(
      window, port, std::move(processor), dialogs,
      [&] { return static_cast<double>(opClock.nsecsElapsed()) / 1e6; },
      [] { QCoreApplication::processEvents(); });
  Figures f = soak.run(
      "over a pseudo-terminal, eqset-sim --fault mixed --fault-every 10 "
      "--late-ms 350" +
          (usbLatencyMs > 0 ? " --usb-latency " + std::to_string(usbLatencyMs) : std::string()) +
          ", real time" + linkName() + ": " + std::to_string(kLineTransactions) + " transactions",
      kLineTransactions);
  // Let the last reply land in the trace before reading it.
  std::this_thread::sleep_for(std::chrono::milliseconds(kLateMs + 400));
  f.lineCheck = checkTrace(trace, port.log);
  if (port.linesLost > 0) f.lineCheck += "; line lost " + std::to_string(port.linesLost) + " times";
  return f;
}

}  // namespace
}  // namespace soak

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  bool lineOnly = false;
  bool inProcessOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    lineOnly = lineOnly || arg == "--line-only";
    inProcessOnly = inProcessOnly || arg == "--in-process-only";
    soak::fastLink = soak::fastLink || arg == "--fast";
    if (arg == "--usb-latency" && i + 1 < argc) {
      soak::usbLatencyMs = std::max(0, std::atoi(argv[++i]));
    } else if (arg.starts_with("--usb-latency=")) {
      soak::usbLatencyMs = std::max(0, std::atoi(arg.c_str() + std::strlen("--usb-latency=")));
    }
  }
  std::printf(
      "soak: seed %llu, one reply in %d faulted (silent, short, long, corrupt, late, "
      "other)\n",
      static_cast<unsigned long long>(soak::kSeed), soak::kFaultEvery);
  std::fflush(stdout);
  if (!lineOnly) {
    soak::print(soak::inProcess());
    std::fflush(stdout);
  }
  if (!inProcessOnly) {
    soak::print(soak::overTheLine());
    std::fflush(stdout);
  }
  return 0;
}
