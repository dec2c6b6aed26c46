// autoeqbench: how well "全自动均衡" tunes a room, and whether pressing it
// again improves the result or makes it swing.
//
// Drives the real window as the technician does (channel selector, the
// button, OK at the open-loop question) against the simulated processor in
// virtual time: the processor's sweep takes its 3 s and the timers tick once a
// virtual second, so a run's time is the time it would take on the line. For
// several seeded rooms and all six channels it prints the largest and the RMS
// deviation of the measured curve from the target (ISO2969 for the screen and
// surround channels, the subwoofer's own up to 200 Hz): after the first sweep,
// after the run, and after a second run.
//
// --report DIR: after the first room, press "生成调试报告" and "保存图形" and
// copy what they write into DIR, to look at.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/mainwindow.h"
#include "app/settingsstore.h"
#include "benchwindow.h"
#include "fakeserialport.h"
#include "measure/compensation.h"
#include "measure/periodictimer.h"
#include "scripteddialogs.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace {

using eqset::Deviation;
using eqset::MainWindow;

constexpr int kRooms = 5;
constexpr int kSweepMs = 3000;

struct Run {
  Deviation before;
  Deviation after;
  double seconds = 0;
};

class Bench : private bench::BenchWindow {
 public:
  explicit Bench(std::uint32_t seed) : BenchWindow(seed, kSweepMs) {
    dialogs_.onAsk = [this](const auto&) { firstCurve_ = window_->measure.plot.rows[0]; };
  }

  Run tune(int channel) {
    window_->GroupNum->setValue(channel);
    dialogs_.answers = {eqset::Dialogs::Answer::Ok};
    const auto t0 = clock_.now();
    window_->findChild<QPushButton*>("CmdTest2")->click();
    runTimers({window_->Timer5, window_->Timer6, window_->Timer7});
    const bool sub = channel == eqset::kSubwoofer;
    Run run;
    run.before = eqset::deviationFromTarget(firstCurve_, eqset::TargetType::Iso2969, sub);
    run.after =
        eqset::deviationFromTarget(window_->measure.plot.rows[0], eqset::TargetType::Iso2969, sub);
    run.seconds = static_cast<double>(clock_.now() - t0) / 1000.0;
    return run;
  }

  // The report and the graph picture, copied into `dir`; how many files.
  int keepReport(const QString& dir) {
    window_->findChild<QPushButton*>("CmdReport")->click();
    window_->findChild<QPushButton*>("CmdSaveGraph")->click();
    const QDir userData(QDir(folder_.path()).filePath("用户数据"));
    int copied = 0;
    for (const QFileInfo& f : userData.entryInfoList({"*.pdf", "*.png"}, QDir::Files)) {
      const QString to = QDir(dir).filePath(f.fileName());
      QFile::remove(to);
      if (QFile::copy(f.filePath(), to)) {
        std::printf("kept %s (%lld bytes)\n", qPrintable(to), static_cast<long long>(f.size()));
        ++copied;
      }
    }
    return copied;
  }

 private:
  eqset::CurveRow firstCurve_{};
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QString reportDir;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--report") == 0) reportDir = QString::fromLocal8Bit(argv[i + 1]);
  const char* names[] = {"left", "right", "centre", "sub", "l-surr", "r-surr"};
  std::printf("simulated sweep: %.1f s; deviations in dB from the target (largest / RMS)\n",
              kSweepMs / 1000.0);
  std::printf("%-5s %-7s %15s %15s %8s %15s %8s\n", "room", "channel", "first sweep", "after run",
              "run s", "after 2nd run", "run s");
  double sums[3][2] = {};
  int count = 0;
  for (std::uint32_t seed = 1; seed <= kRooms; ++seed) {
    Bench bench(seed);
    for (int channel = 0; channel < eqset::kChannels; ++channel) {
      const Run first = bench.tune(channel);
      const Run second = bench.tune(channel);
      std::printf("%-5u %-7s %7.2f / %5.2f %7.2f / %5.2f %8.1f %7.2f / %5.2f %8.1f\n", seed,
                  names[channel], first.before.largest, first.before.rms, first.after.largest,
                  first.after.rms, first.seconds, second.after.largest, second.after.rms,
                  second.seconds);
      const Deviation d[3] = {first.before, first.after, second.after};
      for (int i = 0; i < 3; ++i) {
        sums[i][0] += d[i].largest;
        sums[i][1] += d[i].rms;
      }
      ++count;
    }
    if (seed == 1 && !reportDir.isEmpty() && bench.keepReport(reportDir) == 0) {
      std::fprintf(stderr, "autoeqbench: no report was written\n");
      return 1;
    }
  }
  std::printf("%-13s %7.2f / %5.2f %7.2f / %5.2f %8s %7.2f / %5.2f\n", "mean", sums[0][0] / count,
              sums[0][1] / count, sums[1][0] / count, sums[1][1] / count, "", sums[2][0] / count,
              sums[2][1] / count);
  return 0;
}
