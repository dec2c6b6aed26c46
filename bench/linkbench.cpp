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
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "link/modbuslink.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "params/processorwrite.h"

namespace {

using eqset::ModbusLink;

constexpr int kPort = 1;
constexpr int kRuns = 7;
constexpr double kByteMs = 11.0 * 1000.0 / 9600.0;
constexpr int kReopenPauseMs = 100;

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
         link.closeForReopen();
         link.openPort(eqset::kTxBufferReset);
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

double median(std::vector<double> xs) {
  std::sort(xs.begin(), xs.end());
  const std::size_t mid = xs.size() / 2;
  return xs.size() % 2 ? xs[mid] : (xs[mid - 1] + xs[mid]) / 2;
}

// eqset-sim with ports/com1 in `folder`; false when it did not come up.
bool startSimulator(QProcess& sim, const QString& folder) {
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("eqset-sim");
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  sim.start(path, {"--com", QString::number(kPort), "--dir", folder});
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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir folder;
  if (!folder.isValid()) return 1;
  QProcess sim;
  if (!startSimulator(sim, folder.path())) return 1;

  eqset::RealClock clock;
  Indicators indicators;
  eqset::QtSerialPort port{eqset::PortMap(folder.path())};
  ModbusLink link(port, clock, indicators);
  link.setPortNumberSource([] { return kPort; });

  std::printf("%-32s %7s %10s %11s %9s %12s %12s\n", "profile", "good", "measured ms", "nominal ms",
              "wire ms", "overhead ms", "worst ovh ms");
  int exitCode = 0;
  for (const Profile& profile : profiles()) {
    std::vector<double> took;
    const long long goodBefore = indicators.good;
    for (int run = 0; run < kRuns; ++run) {
      // Every profile starts as in the window: the port open since the last
      // transaction.
      if (!port.isOpen() && link.openPort(eqset::kTxBufferStartup) != eqset::LinkError::None) {
        std::fprintf(stderr, "linkbench: cannot open the port\n");
        return 1;
      }
      QElapsedTimer timer;
      timer.start();
      profile.run(link);
      took.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    const double measured = median(took);
    const double worst = *std::max_element(took.begin(), took.end());
    const double wire = (profile.requestBytes + profile.replyBytes) * kByteMs;
    const long long good = indicators.good - goodBefore;
    const int expected = kRuns * profile.transactions;
    std::printf("%-32s %3lld/%-3d %10.1f %11d %9.1f %12.1f %12.1f\n", profile.name, good, expected,
                measured, profile.nominalMs, wire, measured - profile.nominalMs,
                worst - profile.nominalMs);
    // A profile of many transactions may add up to 1 % of its waits.
    const double allowed = std::max(10.0, profile.nominalMs / 100.0);
    if (good != expected || measured - profile.nominalMs > allowed) exitCode = 2;
  }

  port.close();
  sim.terminate();
  if (!sim.waitForFinished(10'000)) sim.kill();
  return exitCode;
}
