// linkbench: how long each transaction of the link really blocks the window,
// against the fixed waits it is made of.
//
// Starts the eqset-sim that sits next to it, reaches it through ports/com1 in a
// scratch program folder, and runs every transaction profile with the real
// QtSerialPort and RealClock. For each profile it prints the median time the
// call took, the nominal time (the fixed waits inside it), the time the request
// and reply bytes take on a 9600-baud line, and the overhead: measured minus
// nominal. The overhead is what the port, the clock and the link add on top of
// the waits the processor needs; it should stay within 10 ms for one
// transaction and within 1 % of the waits for "数据写入DSP", which runs twelve.
//
// With --monitor it runs every profile twice, turn about: once as above and
// once through the watched port with the line monitor capturing (the window
// the program shows, offscreen, its listener on the port), and prints both
// tables and what the monitor adds to each transaction: the difference of the
// medians, the median of each monitored run less the plain run before it, and
// the time spent inside the listener. Between runs the event loop turns, so
// the monitor decodes and shows its rows as in the program; that work comes
// between transactions and is printed apart. --runs N runs each profile N
// times (7 unless given).
//
// With --fast it runs every profile twice, turn about: with the full waits and
// with "快速通讯", and prints them side by side with the wire time and the
// ratio; then the same 16-register read by pymodbus's synchronous serial client
// on the same simulator, for a general Modbus master to compare with.
//
// With --usb-latency MS the simulator hands its replies over as a USB serial
// adapter does, in bursts every MS ms (eqset-sim --usb-latency), and the fast
// link's times are printed beside the wire time plus that latency: each reply
// may wait up to MS in the adapter after its last byte crossed the wire.
//
// The Windows build runs --fast only, through the Windows port on COM N
// (--com N, 7 unless given), against an eqset-sim already answering there
// (under Wine: a pseudo-terminal linked as the prefix's dosdevices/comN), and
// prints no pymodbus line.
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "files/filestore.h"
#include "link/dialogs.h"
#include "link/modbuslink.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "link/watchedport.h"
#include "link/win32serialport.h"
#include "monitor/linelog.h"
#include "monitor/linemonitorwindow.h"
#include "params/processorwrite.h"

namespace {

using eqset::ModbusLink;

int benchPort = 1;
// Runs of each profile; --runs N sets another count.
int kRuns = 7;
constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;
constexpr int kReopenPauseMs = 100;
// eqset-sim --usb-latency; 0: no adapter in between.
int usbLatencyMs = 0;

class Indicators : public eqset::LinkIndicators {
 public:
  void setProgress(int) override {}
  QString goodCount() const override { return QString::number(good); }
  void setGoodCount(const QString& text) override { good = text.toLongLong(); }
  QString failedCount() const override { return QString::number(failed); }
  void setFailedCount(const QString& text) override { failed = text.toLongLong(); }

  long long good = 0;
  long long failed = 0;
};

struct Profile {
  const char* name;
  // The fixed waits inside the measured call, the reopen pause included.
  int nominalMs;
  int requestBytes;
  int replyBytes;
  std::function<void(ModbusLink&)> run;
  int transactions = 1;
};

std::vector<int> values(int n, int first) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i)
    v.push_back((first + i) % 31);
  return v;
}

// "数据写入DSP" with a window of flat bands, 0 dB levels and volume, normal
// polarity, the auxiliary input allowed and a 20 x 12 m theatre, in `bank`.
void writeAll(ModbusLink& link, int bank) {
  eqset::ProcessorWrite::Sources s;
  s.bankOffset = [bank] { return bank; };
  s.bandPosition = [](int) { return 0; };
  s.levelPosition = [](int) { return -14; };
  s.volumePosition = [] { return 0; };
  s.polarityText = [](int) { return QStringLiteral("正相"); };
  s.auxText = [] { return QStringLiteral("允许"); };
  s.writeDelays = [&link] {
    link.WriteRegisters(272, std::vector<int>{0, 0, 4, 4, 25, 25});
    link.WriteRegisters(290, std::vector<int>{20, 12});
  };
  eqset::ProcessorWrite(link, std::move(s)).WriteAll();
}

// Six channel frames of 71 bytes, levels, polarity and delays of 21, the
// dimensions of 13, volume and permission of 8; an 8-byte reply to each.
constexpr int kWriteAllRequestBytes = 6 * 71 + 3 * 21 + 13 + 2 * 8;
constexpr int kWriteAllReplyBytes = 12 * 8;
// Channels 6 x (100 + 200 + 50), levels 100 + 200 + 75 + 70, volume
// 100 + 100 + 10, polarity 100 + 200 + 75 + 10, permission 100 + 100 + 10,
// delays 2 x (100 + 200 + 75) + 10.
constexpr int kWriteAllNominalMs = 6 * 350 + 445 + 210 + 385 + 210 + 760;

std::vector<Profile> profiles() {
  return {
      {"WriteRegister (fn 6)", kReopenPauseMs + 100, 8, 8,
       [](ModbusLink& link) { link.WriteRegister(250, 22); }},
      {"WriteRegisters, 6 (fn 16)", kReopenPauseMs + 200 + 75, 21, 8,
       [](ModbusLink& link) { link.WriteRegisters(250, values(6, 20)); }},
      {"channel equalizer, 31 (fn 16)", kReopenPauseMs + 200, 71, 8,
       [](ModbusLink& link) { link.writeBlock(0, values(31, 3), 200, 0); }},
      {"equalizer live write", kReopenPauseMs + 100 + 75, 8, 8,
       [](ModbusLink& link) { link.writeSingleEchoed(33, 19, 75); }},
      {"master volume live write", kReopenPauseMs + 100 + 50, 8, 8,
       [](ModbusLink& link) { link.writeSingleEchoed(248, 55, 50); }},
      {"block read 0..15 with reopen", kReopenPauseMs + 600, 8, 37,
       [](ModbusLink& link) {
         link.freshPort(eqset::kTxBufferReset);
         link.readRegisters(0, 16, 600);
       }},
      {"level read 900..903", 50, 8, 13, [](ModbusLink& link) { link.readRegisters(900, 4, 50); }},
      {"curve read 904..1028", 400, 8, 255,
       [](ModbusLink& link) { link.readRegisters(904, 125, 400); }},
      {"WriteAll, bank 0", kWriteAllNominalMs, kWriteAllRequestBytes, kWriteAllReplyBytes,
       [](ModbusLink& link) { writeAll(link, 0); }, 12},
      {"WriteAll, auxiliary bank", kWriteAllNominalMs, kWriteAllRequestBytes, kWriteAllReplyBytes,
       [](ModbusLink& link) { writeAll(link, 600); }, 12},
  };
}

// The monitor's dialogs; the bench never saves.
class NoDialogs : public eqset::Dialogs {
 public:
  Answer message(const QString&, const QString&, Icon, Buttons) override { return Answer::Cancel; }
  QString file(const FileRequest&) override { return {}; }
};

double median(std::vector<double> xs) {
  std::sort(xs.begin(), xs.end());
  const std::size_t mid = xs.size() / 2;
  return xs.size() % 2 ? xs[mid] : (xs[mid - 1] + xs[mid]) / 2;
}

// eqset-sim with ports/com1 in `folder`; false when it did not come up.
bool startSimulator(QProcess& sim, const QString& folder) {
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("eqset-sim");
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QStringList args = {"--com", QString::number(benchPort), "--dir", folder};
  if (usbLatencyMs > 0) args << "--usb-latency" << QString::number(usbLatencyMs);
  sim.start(path, args);
  if (!sim.waitForStarted(10'000)) {
    std::fprintf(stderr, "linkbench: cannot start %s\n", qPrintable(path));
    return false;
  }
  QByteArray said;
  const QDeadlineTimer deadline(10'000);
  while (!said.contains("ready\n") && !deadline.hasExpired() && sim.state() == QProcess::Running) {
    sim.waitForReadyRead(50);
    said += sim.readAllStandardOutput();
  }
  if (!said.contains("ready\n")) {
    std::fprintf(stderr, "linkbench: eqset-sim never said ready\n");
    return false;
  }
  return true;
}

// One profile's runs on one link.
struct Measured {
  std::vector<double> took;
  long long good = 0;
};

struct Row {
  const Profile* profile;
  Measured plain;
  Measured monitored;
  double loopMs = 0;  // the monitor's work in the event loop after the runs
};

void printHeader(const char* title) {
  std::printf("\n%s\n", title);
  std::printf("%-32s %7s %10s %11s %9s %12s %12s\n", "profile", "good", "measured ms", "nominal ms",
              "wire ms", "overhead ms", "worst ovh ms");
}

// Prints one line of a table; true when the profile kept within its bounds.
bool printLine(const Profile& profile, const Measured& m) {
  const double measured = median(m.took);
  const double worst = *std::max_element(m.took.begin(), m.took.end());
  const double wire = (profile.requestBytes + profile.replyBytes) * kByteMs;
  const int expected = kRuns * profile.transactions;
  std::printf("%-32s %3lld/%-3d %10.1f %11d %9.1f %12.1f %12.1f\n", profile.name, m.good, expected,
              measured, profile.nominalMs, wire, measured - profile.nominalMs,
              worst - profile.nominalMs);
  // A profile of many transactions may add up to 1 % of its waits.
  const double allowed = std::max(10.0, profile.nominalMs / 100.0);
  return m.good == expected && measured - profile.nominalMs <= allowed;
}

}  // namespace

// The two modes side by side, and pymodbus on the same simulator.
// Without `portPath` (Windows) there is no pymodbus line.
int compareFastLink(const std::vector<Profile>& all, eqset::SerialPort& port,
                    const QString& portPath);

int main(int argc, char** argv) {
  bool withMonitor = false;
  bool fast = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--monitor") == 0) withMonitor = true;
    if (std::strcmp(argv[i], "--fast") == 0) fast = true;
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      kRuns = std::max(1, std::atoi(argv[++i]));
    if (std::strcmp(argv[i], "--usb-latency") == 0 && i + 1 < argc)
      usbLatencyMs = std::max(0, std::atoi(argv[++i]));
  }
  // The monitor is a window: offscreen unless a display is asked for.
  if (withMonitor && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
#ifdef Q_OS_WIN
  benchPort = 7;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--com") == 0) benchPort = std::atoi(argv[i + 1]);
  if (!fast || withMonitor) {
    std::fprintf(stderr, "linkbench: on Windows only --fast [--runs N] [--com N]\n");
    return 1;
  }
  QCoreApplication windowsApp(argc, argv);
  eqset::Win32SerialPort windowsPort;
  return compareFastLink(profiles(), windowsPort, {});
#endif
  std::unique_ptr<QCoreApplication> app = withMonitor
                                              ? std::make_unique<QApplication>(argc, argv)
                                              : std::make_unique<QCoreApplication>(argc, argv);
  QTemporaryDir folder;
  if (!folder.isValid()) return 1;
  QProcess sim;
  if (!startSimulator(sim, folder.path())) return 1;

  eqset::RealClock clock;
  Indicators indicators;
  eqset::QtSerialPort port{eqset::PortMap(folder.path())};
  auto link = std::make_unique<ModbusLink>(port, clock, indicators);
  link->setPortNumberSource([] { return benchPort; });
  if (fast) {
    const int code = compareFastLink(profiles(), port, QDir(folder.path()).filePath("ports/com1"));
    sim.terminate();
    if (!sim.waitForFinished(10'000)) sim.kill();
    return code;
  }

  // The monitored link: the same port, watched, with the monitor's listener.
  NoDialogs dialogs;
  eqset::FileStore files;
  Indicators monitoredIndicators;
  std::unique_ptr<eqset::WatchedPort> watched;
  std::unique_ptr<ModbusLink> monitoredLink;
  std::unique_ptr<eqset::LineMonitorWindow> monitor;
  long long listenerNs = 0;
  long long listened = 0;
  if (withMonitor) {
    watched = std::make_unique<eqset::WatchedPort>(port, clock);
    monitor = std::make_unique<eqset::LineMonitorWindow>(dialogs, files);
    // Open and painted before the first transaction, as when the technician
    // has opened it: its first paint loads the fonts, once.
    monitor->show();
    const QDeadlineTimer exposed(2'000);
    while (!exposed.hasExpired() &&
           (monitor->windowHandle() == nullptr || !monitor->windowHandle()->isExposed())) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    watched->setListener([capture = monitor->listener(), &listenerNs,
                          &listened](const eqset::WatchedPort::Frame& frame) {
      QElapsedTimer timer;
      timer.start();
      capture(frame);
      listenerNs += timer.nsecsElapsed();
      ++listened;
    });
    monitoredLink = std::make_unique<ModbusLink>(*watched, clock, monitoredIndicators);
    monitoredLink->setPortNumberSource([] { return benchPort; });
  }

  // One run of a profile on `l`, timed; the port open as in the window.
  const auto runOnce = [&port](const Profile& profile, ModbusLink& l, Measured& m) {
    if (!port.isOpen() && l.openPort(eqset::kTxBufferStartup) != eqset::LinkError::None) {
      std::fprintf(stderr, "linkbench: cannot open the port\n");
      return false;
    }
    QElapsedTimer timer;
    timer.start();
    profile.run(l);
    m.took.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    return true;
  };
  // The event loop's turn between transactions; returns the ms it took.
  const auto turnLoop = [] {
    QElapsedTimer timer;
    timer.start();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
  };

  const std::vector<Profile> all = profiles();
  std::vector<Row> rows;
  for (const Profile& profile : all) {
    Row row{&profile, {}, {}, 0};
    const long long goodBefore = indicators.good;
    const long long monitoredBefore = monitoredIndicators.good;
    for (int run = 0; run < kRuns; ++run) {
      if (!runOnce(profile, *link, row.plain)) return 1;
      turnLoop();
      if (withMonitor) {
        if (!runOnce(profile, *monitoredLink, row.monitored)) return 1;
        row.loopMs += turnLoop();
      }
    }
    row.plain.good = indicators.good - goodBefore;
    row.monitored.good = monitoredIndicators.good - monitoredBefore;
    rows.push_back(std::move(row));
  }

  int exitCode = 0;
  printHeader(withMonitor ? "Without the line monitor" : "Link transactions");
  for (const Row& row : rows) {
    if (!printLine(*row.profile, row.plain)) exitCode = 2;
  }
  if (withMonitor) {
    printHeader("With the line monitor capturing");
    for (const Row& row : rows) {
      if (!printLine(*row.profile, row.monitored)) exitCode = 2;
    }
    std::printf("\nWhat the monitor adds, per transaction\n");
    std::printf("%-32s %14s %16s %16s\n", "profile", "median diff ms", "paired diff ms",
                "event loop ms");
    for (const Row& row : rows) {
      const int n = row.profile->transactions;
      // Each monitored run against the plain run just before it.
      std::vector<double> paired;
      for (std::size_t k = 0; k < row.plain.took.size(); ++k)
        paired.push_back(row.monitored.took[k] - row.plain.took[k]);
      std::printf("%-32s %14.2f %16.2f %16.2f\n", row.profile->name,
                  (median(row.monitored.took) - median(row.plain.took)) / n, median(paired) / n,
                  row.loopMs / (kRuns * n));
    }
    const double perFrameUs = listened ? static_cast<double>(listenerNs) / listened / 1e3 : 0;
    std::printf("inside the listener: %lld frames, %.2f us a frame, %.2f us a transaction\n",
                listened, perFrameUs, 2 * perFrameUs);
    std::printf("rows kept: %d of %llu frames recorded\n", monitor->log().rowCount(),
                static_cast<unsigned long long>(monitor->log().recorded()));
    // The listener runs inside the transaction; it must stay far below 1 ms.
    if (2 * perFrameUs > 1000) exitCode = 2;
  }

  port.close();
  sim.terminate();
  if (!sim.waitForFinished(10'000)) sim.kill();
  return exitCode;
}

namespace {

constexpr double kTurnaroundMs = 2.0;  // the simulator's, before each reply
constexpr double kFastMarginMs = 5.0;
constexpr double kFastWriteAllMs = 1500.0;

}  // namespace

int compareFastLink(const std::vector<Profile>& all, eqset::SerialPort& port,
                    const QString& portPath) {
  eqset::RealClock clock;
  Indicators fullCounts;
  Indicators fastCounts;
  ModbusLink full(port, clock, fullCounts);
  ModbusLink quick(port, clock, fastCounts);
  for (ModbusLink* l : {&full, &quick})
    l->setPortNumberSource([] { return benchPort; });
  quick.setFast(true);

  std::printf("\nFull waits and 快速通讯 side by side (medians of %d runs each)", kRuns);
  if (usbLatencyMs > 0) std::printf(", USB latency %d ms", usbLatencyMs);
  std::printf("\n%-32s %9s %9s %9s %9s %8s %8s %12s\n", "profile", "full ms", "fast ms", "wire ms",
              "wire+lat", "ratio", "good", "fast - wire");
  int exitCode = 0;
  double fastBlockRead = 0;
  for (const Profile& p : all) {
    std::vector<double> fullTook;
    std::vector<double> fastTook;
    const long long goodBefore = fastCounts.good + fullCounts.good;
    for (int run = 0; run < kRuns; ++run) {
      for (ModbusLink* l : {&full, &quick}) {
        if (!port.isOpen() && l->openPort(eqset::kTxBufferStartup) != eqset::LinkError::None) {
          std::fprintf(stderr, "linkbench: cannot open the port\n");
          return 1;
        }
        QElapsedTimer timer;
        timer.start();
        p.run(*l);
        (l == &full ? fullTook : fastTook)
            .push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
      }
    }
    const double wire = (p.requestBytes + p.replyBytes) * kByteMs;
    // The most the adapter can hold the replies back: one latency each.
    const double latency = static_cast<double>(p.transactions) * usbLatencyMs;
    const double f = median(fullTook);
    const double q = median(fastTook);
    const long long good = fastCounts.good + fullCounts.good - goodBefore;
    const int expected = 2 * kRuns * p.transactions;
    std::printf("%-32s %9.1f %9.1f %9.1f %9.1f %7.1fx %4lld/%-3d %12.1f\n", p.name, f, q, wire,
                wire + latency, f / q, good, expected, q - wire);
    if (good != expected) exitCode = 2;
    const bool single = p.transactions == 1;
    if (single && q > wire + latency + kTurnaroundMs + kFastMarginMs) exitCode = 2;
    if (!single && q > kFastWriteAllMs + latency) exitCode = 2;
    if (std::strcmp(p.name, "block read 0..15 with reopen") == 0) fastBlockRead = q;
  }

  if (portPath.isEmpty()) return exitCode;
  // pymodbus opens the port once and reads; our port must let go of it first.
  port.close();
  QProcess py;
  py.setProcessChannelMode(QProcess::MergedChannels);
  py.start(QStringLiteral("/usr/bin/python3"),
           {QStringLiteral(EQSET_PYMODBUS_READ), portPath, QString::number(kRuns)});
  if (!py.waitForFinished(120'000)) {
    py.kill();
    std::printf("\npymodbus: did not finish\n");
    return 2;
  }
  const QStringList figures = QString::fromUtf8(py.readAll()).trimmed().split(' ');
  if (py.exitCode() != 0 || figures.size() < 3) {
    std::printf("\npymodbus: %s\n", qPrintable(figures.join(' ')));
    return 2;
  }
  const double pymodbus = figures[0].toDouble();
  std::printf("\nThe same 16-register read (37-byte reply), medians of %d\n", kRuns);
  std::printf("  快速通讯 (discard, request, reply checked)   %7.1f ms\n", fastBlockRead);
  std::printf("  pymodbus synchronous serial client         %7.1f ms (best %s, %s good)\n",
              pymodbus, qPrintable(figures[1]), qPrintable(figures[2]));
  if (fastBlockRead > pymodbus) exitCode = 2;
  return exitCode;
}
