// roombench: how well the auditorium is tuned, judged where the audience sits.
//
// For seeded simulated rooms and all six channels, from a flat equalizer each
// time, it tunes the room four ways and prints the largest and the RMS
// deviation of the audience average (all 24 seats, power average) from its
// target (ISO2969 placed on the average's own level; the subwoofer to 200 Hz):
//   (a) "全自动均衡" at measurement position 1, channel by channel;
//   (b) "全场均衡" with 4 positions;  (c) with 8 positions;
//   (d) the floor: the same correction computed from all 24 seats.
// Beside them, the same correction from the 8 positions' seats heard exactly,
// without noise: what 8 positions can reach at best.
// (a), (b) and (c) drive the real window against the simulated processor in
// virtual time; each run's time on the line is printed at full waits and with
// "快速通讯", beside the sum of its sweeps.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <memory>

#include "app/mainwindow.h"
#include "app/pages/roomeqdialog.h"
#include "app/settingsstore.h"
#include "benchwindow.h"
#include "fakeserialport.h"
#include "measure/compensation.h"
#include "measure/periodictimer.h"
#include "measure/roomaverage.h"
#include "measure/roomsequence.h"
#include "scripteddialogs.h"
#include "sim/processormodel.h"
#include "virtualclock.h"

namespace {

using eqset::Deviation;
using eqset::MainWindow;
using eqset::TargetType;

constexpr int kRooms = 5;
constexpr int kSweepMs = 3000;
constexpr int kChannels = eqset::kChannels;

Deviation audienceDeviation(const sim::ProcessorModel& model, int channel) {
  return eqset::deviationFromTarget(eqset::curveRow(model.audienceAverage(channel)),
                                    TargetType::Iso2969, channel == eqset::kSubwoofer);
}

struct Result {
  std::array<Deviation, kChannels> deviation{};
  double seconds = 0;
  int sweeps = 0;
  int curveReads = 0;
};

class Bench : private bench::BenchWindow {
 public:
  Bench(std::uint32_t seed, bool fast) : BenchWindow(seed, kSweepMs, fast) {
    dialogs_.onAsk = [this](const eqset::test::ScriptedDialogs::Asked& asked) {
      static const QRegularExpression prompt("第(\\d+)个测量位置");
      if (const auto m = prompt.match(asked.text); m.hasMatch())
        model_.setMicPosition(m.captured(1).toInt());
    };
  }

  // "全自动均衡" channel by channel at position 1.
  Result automatic() {
    Result r;
    const auto t0 = clock_.now();
    for (int channel = 0; channel < kChannels; ++channel) {
      window_->GroupNum->setValue(channel);
      dialogs_.answers = {eqset::Dialogs::Answer::Ok};
      window_->findChild<QPushButton*>("CmdTest2")->click();
      runTimers({window_->Timer5, window_->Timer6, window_->Timer7});
      r.sweeps += 3;
    }
    r.seconds = static_cast<double>(clock_.now() - t0) / 1000.0;
    r.curveReads = curveReads();
    for (int channel = 0; channel < kChannels; ++channel)
      r.deviation[static_cast<std::size_t>(channel)] = audienceDeviation(model_, channel);
    return r;
  }

  // "全场均衡" of all six channels at `positions` positions.
  Result room(int positions) {
    Result r;
    window_->roomDialog->SpinRoomPos->setValue(positions);
    dialogs_.answers.assign(static_cast<std::size_t>(positions) + 1, eqset::Dialogs::Answer::Ok);
    const auto t0 = clock_.now();
    window_->roomDialog->CmdRoomStart->click();
    runTimers({window_->TimerRoom});
    r.seconds = static_cast<double>(clock_.now() - t0) / 1000.0;
    r.sweeps = static_cast<int>(window_->measure.room.sweeps.size());
    r.curveReads = curveReads();
    if (window_->roomDialog->LblRoomState->text() != QString::fromUtf8(eqset::RoomSequence::kDone))
      std::fprintf(stderr, "roombench: the run ended with \"%s\"\n",
                   qPrintable(window_->roomDialog->LblRoomState->text()));
    for (int channel = 0; channel < kChannels; ++channel)
      r.deviation[static_cast<std::size_t>(channel)] = audienceDeviation(model_, channel);
    return r;
  }

 private:
  // Reads of the curve block: one a sweep at best.
  int curveReads() const {
    int n = 0;
    for (const auto& e : port_.writes()) {
      const auto byte = [&](int i) { return static_cast<std::uint8_t>(e.bytes[i]); };
      n += e.bytes.size() == 8 && byte(1) == 3 && byte(2) * 256 + byte(3) == 904;
    }
    return n;
  }
};

// The floor: the run's corrections computed from what all 24 seats hear.
// With `positions` below 24, from what the seats of the first measurement
// positions hear, exactly: the limit of a run at that many positions.
std::array<Deviation, kChannels> floorRun(std::uint32_t seed, int refinements,
                                          int positions = sim::kSeatCount) {
  sim::ProcessorModel model(sim::ModelOptions{seed, kSweepMs});
  std::array<Deviation, kChannels> result{};
  for (int channel = 0; channel < kChannels; ++channel) {
    const bool sub = channel == eqset::kSubwoofer;
    const int compensated = sub ? eqset::kSubwooferBands : eqset::kBands;
    std::array<int, eqset::kBands> gains{};
    for (int pass = 0; pass <= refinements; ++pass) {
      eqset::BandLevels average = model.audienceAverage(channel);
      if (positions < sim::kSeatCount) {
        std::vector<eqset::BandLevels> seats;
        for (int k = 1; k <= positions; ++k)
          seats.push_back(model.seatResponse(channel, sim::Audience::seatOfMicPosition(k)));
        average = eqset::powerAverage(seats);
      }
      const eqset::CurveRow measured = eqset::curveRow(average);
      const auto target =
          eqset::targetRow(TargetType::Iso2969, eqset::averageLevel(measured, sub), sub);
      for (int b = 0; b < eqset::kBands; ++b) {
        const auto slot = static_cast<std::size_t>(eqset::bandSlot(b));
        const int rel =
            b < compensated ? eqset::relativeCompensation(target[slot], measured[slot]) : 0;
        auto& g = gains[static_cast<std::size_t>(b)];
        g = eqset::absoluteCompensation(static_cast<float>(g), rel, pass, b);
        model.writeRegister(eqset::equalizerRegister(channel, b),
                            static_cast<std::uint16_t>(g + eqset::kBandGainOffset), 0);
      }
    }
    result[static_cast<std::size_t>(channel)] = audienceDeviation(model, channel);
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const char* names[] = {"left", "right", "centre", "sub", "l-surr", "r-surr"};
  std::printf("audience average from its target, largest / RMS dB; %d s sweeps\n", kSweepMs / 1000);
  std::printf("%-4s %-7s %14s %14s %14s %14s\n", "room", "channel", "(a) pos 1", "(b) 4 pos",
              "(c) 8 pos", "(d) 24 seats");
  double rms[4] = {};
  double exactRms = 0;
  int better = 0;
  int count = 0;
  struct Timing {
    const char* what;
    double full = 0;
    double fast = 0;
    double sweeps = 0;
    double curveReads = 0;
  } timing[3] = {{"(a) six channels"}, {"(b) 4 positions"}, {"(c) 8 positions"}};
  for (std::uint32_t seed = 1; seed <= kRooms; ++seed) {
    Result runs[3];
    Result fastRuns[3];
    for (int mode = 0; mode < 3; ++mode) {
      for (int fast = 0; fast < 2; ++fast) {
        Bench bench(seed, fast == 1);
        Result r = mode == 0 ? bench.automatic() : bench.room(mode == 1 ? 4 : 8);
        (fast ? fastRuns : runs)[mode] = r;
      }
      timing[mode].full += runs[mode].seconds / kRooms;
      timing[mode].fast += fastRuns[mode].seconds / kRooms;
      timing[mode].sweeps += runs[mode].sweeps * kSweepMs / 1000.0 / kRooms;
      timing[mode].curveReads += static_cast<double>(fastRuns[mode].curveReads) / kRooms;
    }
    const auto floor = floorRun(seed, eqset::RoomSequence::kRefinements);
    const auto exact8 = floorRun(seed, eqset::RoomSequence::kRefinements, 8);
    for (int channel = 0; channel < kChannels; ++channel)
      exactRms += exact8[static_cast<std::size_t>(channel)].rms;
    for (int channel = 0; channel < kChannels; ++channel) {
      const auto c = static_cast<std::size_t>(channel);
      const Deviation d[4] = {runs[0].deviation[c], runs[1].deviation[c], runs[2].deviation[c],
                              floor[c]};
      std::printf("%-4u %-7s", seed, names[channel]);
      for (int i = 0; i < 4; ++i) {
        std::printf(" %6.2f / %5.2f", d[i].largest, d[i].rms);
        rms[i] += d[i].rms;
      }
      std::printf("\n");
      better += d[1].rms < d[0].rms ? 1 : 0;
      ++count;
    }
  }
  std::printf("%-12s", "mean RMS");
  for (double r : rms)
    std::printf(" %14.2f", r / count);
  std::printf(
      "\n(b) / (a) mean RMS: %.2f; (b) below (a) in %d of %d channels; (c) - (d): %.2f dB\n",
      rms[1] / rms[0], better, count, (rms[2] - rms[3]) / count);
  std::printf("the run's correction from the 8 positions' seats heard exactly: %.2f\n",
              exactRms / count);
  std::printf("\n%-18s %10s %10s %10s %12s %12s\n", "time on the line", "full s", "fast s",
              "sweeps s", "fast/sweeps", "curve reads");
  for (const Timing& t : timing)
    std::printf("%-18s %10.1f %10.1f %10.1f %11.1f%% %12.1f\n", t.what, t.full, t.fast, t.sweeps,
                100.0 * (t.fast / t.sweeps - 1.0), t.curveReads);
  return 0;
}
