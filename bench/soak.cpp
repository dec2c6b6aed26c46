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
// Each run prints its transactions, good and failed replies, the faults put on
// the line, every value the window shows or keeps that differs from what the
// processor holds (must be 0), counter mismatches (must be 0) and the time per
// transaction against the fixed waits. Each finding is printed with the
// transactions that led to it.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/mainwindow.h"
#include "app/pages/autoeqpage.h"
#include "app/settingsstore.h"
#include "app/widgets.h"
#include "eq/eqlivewrite.h"
#include "eq/levelwrites.h"
#include "fakeserialport.h"
#include "link/portmap.h"
#include "link/qtserialport.h"
#include "link/realclock.h"
#include "measure/curvedisplay.h"
#include "measure/levelconversion.h"
#include "params/processorwrite.h"
#include "params/statetexts.h"
#include "scripteddialogs.h"
#include "sim/linefault.h"
#include "sim/processormodel.h"
#include "sim/seededrandom.h"
#include "simprocess.h"
#include "virtualclock.h"

namespace {

using eqset::MainWindow;
using sim::LineFault;
namespace conv = eqset::conv;
namespace reg = eqset::reg;

constexpr std::uint64_t kSeed = 1;
constexpr int kInProcessTransactions = 10'000;
constexpr int kLineTransactions = 500;
constexpr int kFaultEvery = 10;  // one reply in ten
constexpr int kLateMs = 350;     // the simulator's late replies
constexpr int kLineSweepMs = 500;
constexpr std::array<LineFault, 6> kKinds = {LineFault::Silent, LineFault::Short,
                                             LineFault::Long,   LineFault::Corrupt,
                                             LineFault::Late,   LineFault::Other};

// The link's fixed waits that the operations are made of (the close-and-reopen
// pause, the reply waits, the pauses around a read); the rest come from the
// operations' own constants.
constexpr int kReopenMs = 100;
constexpr int kWriteWaitMs = 100;
constexpr int kBlockWriteWaitMs = 200;
constexpr int kBlockReadWaitMs = 600;
constexpr int kAfterBlockReadMs = 100;
constexpr int kCurveWaitMs = 400;
constexpr int kBeforeCurveReadMs = 100;

// Nominal time of each operation: the sum of its fixed waits.
constexpr int kBandStepMs = kReopenMs + kWriteWaitMs + eqset::EqLiveWrite::kPauseMs;
constexpr int kVolumeStepMs = kReopenMs + kWriteWaitMs + eqset::LevelWrites::kVolumePauseMs;
constexpr int kLevelStepMs = kReopenMs + kWriteWaitMs + eqset::LevelWrites::kLevelPauseMs;
constexpr int kBlockReadMs = kReopenMs + kBlockReadWaitMs + kAfterBlockReadMs;
constexpr int kWriteAllMs = [] {
  using W = eqset::ProcessorWrite;
  constexpr int single = kReopenMs + kWriteWaitMs;
  constexpr int block = kReopenMs + kBlockWriteWaitMs;
  constexpr int blockPaused = block + 75;  // WriteRegisters pauses after the reply
  return 6 * (block + W::kAfterChannelEqMs) + blockPaused + W::kAfterLevelsMs + single +
         W::kAfterSettingMs + blockPaused + W::kAfterSettingMs + single + W::kAfterSettingMs +
         2 * blockPaused + W::kAfterSettingMs;
}();
constexpr int kChannelSelectMs = 2 * (kReopenMs + kWriteWaitMs) +
                                 eqset::CurveDisplay::kAfterChannelMs +
                                 2 * eqset::CurveDisplay::kAfterShowMs;
constexpr int kSweepStartMs = kReopenMs + kWriteWaitMs;
constexpr int kCurveReadMs = kBeforeCurveReadMs + kCurveWaitMs;

std::string hex(const QByteArray& bytes) {
  return bytes.isEmpty() ? std::string("(nothing)") : bytes.toHex(' ').toStdString();
}

std::vector<std::uint8_t> toStd(const QByteArray& b) {
  return {reinterpret_cast<const std::uint8_t*>(b.constData()),
          reinterpret_cast<const std::uint8_t*>(b.constData()) + b.size()};
}

QByteArray toQt(const std::vector<std::uint8_t>& b) {
  return {reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size())};
}

std::string faultName(LineFault f) {
  return std::string(sim::lineFaultName(f));
}

// One request of the program and what became of its reply.
struct Transaction {
  QByteArray request;
  bool wentOut = false;  // the port took the whole frame
  QByteArray clean;      // the processor's own answer
  LineFault fault = LineFault::None;
  int extraDelayMs = 0;
  int looks = 0;     // times the link took bytes off the line for it
  int waiting = -1;  // what the port said was waiting when the link looked
  QByteArray taken;  // what the link took
  int good = 0;      // how the counters moved for it
  int failed = 0;

  // The verdict the link owes this reply: good exactly when, in one look, it
  // found the processor's untouched answer to this very request waiting,
  // whole and alone. A damaged reply, a missing one, and a reply to another
  // request (a late one included) are failures, whatever they look like.
  bool deservesGood() const {
    return looks == 1 && !clean.isEmpty() && waiting == clean.size() && taken == clean;
  }
  bool countedGood() const { return good == 1 && failed == 0; }
  bool countedOnce() const { return good + failed == 1; }
};

// The window's serial port, watched: every request, what the line did to its
// reply, what the link took, and how the counters moved.
class WatchedPort : public eqset::SerialPort {
 public:
  // Fills in the processor's answer to a request just written and its fault.
  using Answer = std::function<void(Transaction&)>;

  WatchedPort(eqset::SerialPort& inner, Answer answer) : inner_(inner), answer_(std::move(answer)) {
    inner_.setLineLostHandler([this] {
      ++linesLost;
      reportLineLost();
    });
  }
  ~WatchedPort() override { inner_.setLineLostHandler({}); }

  // The two counters the window shows (Text13, Text14).
  void watchCounters(std::function<std::pair<long long, long long>()> counters) {
    counters_ = std::move(counters);
    last_ = counters_();
  }

  eqset::LinkError open(int portNumber, int txBufferHint) override {
    return inner_.open(portNumber, txBufferHint);
  }
  void close() override { inner_.close(); }
  bool isOpen() const override { return inner_.isOpen(); }
  bool discardBuffers() override { return inner_.discardBuffers(); }
  bool write(const QByteArray& bytes) override {
    settle();
    Transaction t;
    t.request = bytes;
    t.wentOut = inner_.write(bytes);
    answer_(t);
    log.push_back(std::move(t));
    return log.back().wentOut;
  }
  int bytesWaiting() override {
    const int n = inner_.bytesWaiting();
    if (!log.empty()) log.back().waiting = n;
    return n;
  }
  QByteArray readAll() override {
    QByteArray bytes = inner_.readAll();
    if (!log.empty()) {
      log.back().taken += bytes;
      ++log.back().looks;
    }
    return bytes;
  }

  // Puts the counter moves since the last request on that request. The link
  // counts a reply right after it reads it, before the next request.
  void settle() {
    if (!counters_) return;
    const auto now = counters_();
    const long long good = now.first - last_.first;
    const long long failed = now.second - last_.second;
    last_ = now;
    if (good == 0 && failed == 0) return;
    if (log.empty()) {
      movesWithoutRequest += good + failed;
      return;
    }
    log.back().good += static_cast<int>(good);
    log.back().failed += static_cast<int>(failed);
  }

  std::vector<Transaction> log;
  long long movesWithoutRequest = 0;
  int linesLost = 0;

 private:
  eqset::SerialPort& inner_;
  Answer answer_;
  std::function<std::pair<long long, long long>()> counters_;
  std::pair<long long, long long> last_{0, 0};
};

// What the soak compares the window with: the processor's registers, and how
// to make it sweep a channel.
struct Processor {
  std::function<int(int address)> held;
  std::function<std::vector<std::uint16_t>(int start, int count)> block;
  // Starts a sweep of `channel` and lets it finish. Returns the transactions'
  // time on the link in ms (0 when the processor is reached directly) and adds
  // their nominal time to `nominalMs`.
  std::function<double(int channel, int& nominalMs)> sweep;
};

enum Op { Band, Volume, Level, BlockRead, WriteAll, ChannelSelect, SweepStart, CurveRead, kOps };
constexpr std::array<const char*, kOps> kOpNames = {
    "band drag step", "volume drag step", "level drag step", "读取DSP数据",
    "数据写入DSP",    "channel select",   "sweep start",     "读取曲线"};

struct OpFigures {
  int count = 0;
  int transactions = 0;
  double measuredMs = 0;
  double nominalMs = 0;
};

struct Figures {
  std::string title;
  int transactions = 0;
  int requests = 0;
  long long good = 0;
  long long failed = 0;
  std::array<int, 8> faults{};  // by LineFault
  int faultsTotal = 0;
  int ownFaultFailures = 0;     // its own reply was damaged or missing
  int displacedFailures = 0;    // a late reply took its place
  int unexplainedFailures = 0;  // failed with no fault near it
  int lateInTime = 0;           // late replies that still came before the look
  long long valuesCompared = 0;
  int valueMismatches = 0;
  int staleByDesign = 0;  // boxes left as they were by a failed reply
  int verdictMismatches = 0;
  int countTotalMismatch = 0;
  int failedVsFaultsMismatch = 0;
  int dialogs = 0;
  std::array<OpFigures, kOps> ops{};
  int findingCount = 0;
  std::vector<std::string> findings;  // the first few, in full
  std::string lineCheck;              // over the line: the trace against the mirror
};

class Soak {
 public:
  Soak(MainWindow& window, WatchedPort& port, Processor processor, eqset::test::ScriptedDialogs& d,
       std::function<double()> nowMs, std::function<void()> idle)
      : w_(window),
        port_(port),
        p_(std::move(processor)),
        dialogs_(d),
        nowMs_(std::move(nowMs)),
        idle_(std::move(idle)),
        random_(kSeed) {
    // No operation of the mix asks anything; a box that comes up anyway is
    // answered and counted.
    dialogs_.onAsk = [this](const eqset::test::ScriptedDialogs::Asked& asked) {
      ++f_.dialogs;
      finding("message box", "\"" + asked.text.toStdString() + "\"", 0);
      dialogs_.answers.push_back(eqset::Dialogs::Answer::Ok);
    };
    port_.watchCounters([this] { return counters(); });
    first_ = static_cast<int>(port_.log.size());
    base_ = counters();
    w_.Text2[0]->setText("20");
    w_.Text2[1]->setText("12");
  }

  Figures run(const std::string& title, int transactions) {
    f_.title = title;
    while (done() < transactions) {
      const int left = transactions - done();
      step(left);
      idle_();
    }
    port_.settle();
    summarize();
    return f_;
  }

 private:
  int done() const { return static_cast<int>(port_.log.size()) - first_; }

  std::pair<long long, long long> counters() const {
    return {w_.Text13->text().toLongLong(), w_.Text14->text().toLongLong()};
  }

  int pick(int n) { return static_cast<int>(random_.next() % static_cast<std::uint64_t>(n)); }

  // The next thumb position of a drag: one to three steps on, inside the scale,
  // never where it is.
  int dragTo(int current, int low, int high) {
    const int step = 1 + pick(3);
    int next = pick(2) == 0 ? current + step : current - step;
    if (next < low || next > high) next = current + (next < low ? step : -step);
    return std::clamp(next, low, high);
  }

  void step(int left) {
    // Weights of the mix; an operation that would pass the target is left out
    // near the end, so a run has exactly the transactions asked for.
    struct Choice {
      Op op;
      int weight;
      int maxTransactions;
    };
    const Choice choices[] = {{Band, 30, 1},      {Volume, 12, 1},   {Level, 12, 1},
                              {BlockRead, 20, 1}, {WriteAll, 6, 12}, {CurveRead, 20, 4}};
    int total = 0;
    for (const auto& c : choices)
      if (c.maxTransactions <= left) total += c.weight;
    int r = pick(total);
    Op op = Band;
    for (const auto& c : choices) {
      if (c.maxTransactions > left) continue;
      if (r < c.weight) {
        op = c.op;
        break;
      }
      r -= c.weight;
    }
    const int steps = std::min(left, 1 + pick(4));
    switch (op) {
      case Band:
        bandDrag(pick(eqset::kBandIndexes), steps);
        break;
      case Volume:
        volumeDrag(steps);
        break;
      case Level:
        levelDrag(pick(eqset::kChannels), steps);
        break;
      case BlockRead:
        blockRead();
        break;
      case WriteAll:
        writeAll();
        break;
      case CurveRead:
        curveRead(pick(eqset::kChannels));
        break;
      case ChannelSelect:
      case SweepStart:
      case kOps:
        break;
    }
    slidersMatchProcessor();
  }

  // Runs one user action and books its time against its nominal time.
  // Returns the first transaction it made.
  std::size_t timed(Op op, int nominalMs, const std::function<void()>& action) {
    const std::size_t from = port_.log.size();
    const double t0 = nowMs_();
    action();
    const double t1 = nowMs_();
    port_.settle();
    OpFigures& o = f_.ops[op];
    ++o.count;
    o.transactions += static_cast<int>(port_.log.size() - from);
    o.measuredMs += t1 - t0;
    o.nominalMs += nominalMs;
    verdicts(from, kOpNames[op]);
    return from;
  }

  // Every reply must be counted once, as good exactly when it deserved it.
  void verdicts(std::size_t from, const char* op) {
    for (std::size_t i = from; i < port_.log.size(); ++i) {
      const Transaction& t = port_.log[i];
      if (t.countedOnce() && t.countedGood() == t.deservesGood()) continue;
      ++f_.verdictMismatches;
      const std::string counted = t.countedOnce()
                                      ? (t.countedGood() ? "counted good" : "counted failed")
                                      : "counted " + std::to_string(t.good + t.failed) + " times";
      finding(op,
              counted + ", but it " +
                  (t.deservesGood() ? "was the processor's own reply"
                                    : "was not the reply to this request"),
              static_cast<int>(i) + 1);
    }
  }

  // A live write's transaction: exactly one per step.
  const Transaction* single(std::size_t from, const char* op) {
    const std::size_t n = port_.log.size() - from;
    if (n == 1) return &port_.log[from];
    finding(op, "the step made " + std::to_string(n) + " transactions instead of one",
            static_cast<int>(port_.log.size()));
    return nullptr;
  }

  // What a value is compared with: the processor's register, what the window
  // showed before an operation that must not touch it, or the register image.
  static constexpr const char* kHeld = "the processor holds";
  static constexpr const char* kKept = "before it was";
  static constexpr const char* kInImage = "the image holds";

  // One value the window shows or keeps against what it must be.
  void compare(const char* op, const std::string& what, const QString& shown,
               const QString& expected, const char* against = kHeld) {
    ++f_.valuesCompared;
    if (shown == expected) return;
    ++f_.valueMismatches;
    finding(op,
            what + " shows " + shown.toStdString() + ", " + against + " " + expected.toStdString(),
            static_cast<int>(port_.log.size()));
  }

  // Band slider i dragged: each step writes the band at once and, on a good
  // echo, the box above shows the gain the processor echoed. The box is right
  // when it equals the processor's register - 15 after a good reply: the
  // register is what the processor plays with, and a good reply must be the
  // echo of this very write. After a failed reply the box must not move: the
  // program has nothing trustworthy to show, so it keeps showing the last gain
  // it was sure of (behind the processor until the next good write or read).
  void bandDrag(int i, int steps) {
    const auto k = static_cast<std::size_t>(i);
    for (int s = 0; s < steps; ++s) {
      const int p =
          dragTo(w_.Slider1[k]->sliderPosition(), eqset::kBandPositionMin, eqset::kBandPositionMax);
      const QString before = w_.Text5[k]->text();
      const std::size_t from =
          timed(Band, kBandStepMs, [&] { w_.Slider1[k]->setSliderPosition(p); });
      const Transaction* t = single(from, kOpNames[Band]);
      if (t == nullptr) continue;
      const QString held = QString::number(conv::bandGainFromRegister(p_.held(i)));
      const std::string box = "Text5(" + std::to_string(i) + ")";
      if (t->countedGood()) {
        compare(kOpNames[Band], box + " after a good echo", w_.Text5[k]->text(), held);
      } else {
        compare(kOpNames[Band], box + " after a failed reply", w_.Text5[k]->text(), before, kKept);
        if (before != held) ++f_.staleByDesign;
      }
    }
  }

  // The master volume: as a band, with the volume box Text5(248) showing the
  // echoed register - 55 after a good reply and staying put after a failed one.
  void volumeDrag(int steps) {
    const int address = reg::kMasterVolume + w_.bankOffset();
    QLineEdit* box = w_.Text5[reg::kMasterVolume];
    for (int s = 0; s < steps; ++s) {
      const int p = dragTo(w_.Slider2->sliderPosition(), eqset::kVolumePositionMin,
                           eqset::kVolumePositionMax);
      const QString before = box->text();
      const std::size_t from =
          timed(Volume, kVolumeStepMs, [&] { w_.Slider2->setSliderPosition(p); });
      const Transaction* t = single(from, kOpNames[Volume]);
      if (t == nullptr) continue;
      const QString held = QString::number(conv::volumeDbFromRegister(p_.held(address)));
      if (t->countedGood()) {
        compare(kOpNames[Volume], "Text5(248) after a good echo", box->text(), held);
      } else {
        compare(kOpNames[Volume], "Text5(248) after a failed reply", box->text(), before, kKept);
        if (before != held) ++f_.staleByDesign;
      }
    }
  }

  // A channel level: the box and the numeric edit show the level the slider
  // asks for before the write goes out, whatever the reply. That is right only
  // because the request always reaches the processor (a poor line damages
  // replies here, not requests): so after every step, good or failed, both
  // must equal the processor's register - 22.
  void levelDrag(int channel, int steps) {
    const auto k = static_cast<std::size_t>(channel);
    const int address = reg::kChannelLevel + channel + w_.bankOffset();
    for (int s = 0; s < steps; ++s) {
      const int p = dragTo(w_.Slider3[k]->sliderPosition(), eqset::kLevelPositionMin,
                           eqset::kLevelPositionMax);
      const std::size_t from =
          timed(Level, kLevelStepMs, [&] { w_.Slider3[k]->setSliderPosition(p); });
      if (single(from, kOpNames[Level]) == nullptr) continue;
      const QString held = QString::number(conv::levelDbFromRegister(p_.held(address)));
      const std::string n = std::to_string(250 + channel);
      compare(kOpNames[Level], "Text5(" + n + ")", w_.Text5[reg::kChannelLevel + k]->text(), held);
      compare(kOpNames[Level], "CWNumEdit1(" + std::to_string(channel) + ")",
              QString::number(static_cast<int>(w_.CWNumEdit1[k]->value())), held);
    }
  }

  // "读取DSP数据": registers 0..15 into the register image, then the image into
  // the first sixteen boxes. After a good read each image cell and box must be
  // the processor's register: nothing can have changed it since the read. After
  // a failed read the image must be untouched (a damaged reply stores nothing)
  // and the boxes show the image, which may be behind the processor.
  void blockRead() {
    std::array<std::int16_t, 16> before{};
    for (int i = 0; i < 16; ++i)
      before[static_cast<std::size_t>(i)] = w_.image().at(i);
    const std::size_t from = timed(BlockRead, kBlockReadMs, [&] { w_.CmdReadHardL->click(); });
    const Transaction* t = single(from, kOpNames[BlockRead]);
    if (t == nullptr) return;
    const auto held = p_.block(0, 16);
    for (int i = 0; i < 16; ++i) {
      const auto k = static_cast<std::size_t>(i);
      const std::string cell = std::to_string(i);
      const QString image = QString::number(w_.image().at(i));
      if (t->countedGood()) {
        const QString h = QString::number(held[k]);
        compare(kOpNames[BlockRead], "image(" + cell + ") after a good read", image, h);
        compare(kOpNames[BlockRead], "Text5(" + cell + ") after a good read", w_.Text5[k]->text(),
                h);
      } else {
        compare(kOpNames[BlockRead], "image(" + cell + ") after a failed read", image,
                QString::number(before[k]), kKept);
        compare(kOpNames[BlockRead], "Text5(" + cell + ") after a failed read", w_.Text5[k]->text(),
                image, kInImage);
        if (before[k] != static_cast<std::int16_t>(held[k])) ++f_.staleByDesign;
      }
    }
  }

  // "数据写入DSP" sends what the window shows; it shows nothing from the
  // replies. Before it, a few band sliders are set without a write (as a file
  // load leaves them), the theatre size and a polarity change. After it the
  // processor must hold every value the window shows for what it wrote: the
  // sliders (checked after every operation), the polarity and auxiliary
  // texts, the computed delays and the theatre size. Every request reaches
  // the processor whatever happens to its reply, so no fault may leave one of
  // them behind.
  void writeAll() {
    for (int n = 0; n < 5; ++n) {
      const auto i = static_cast<std::size_t>(pick(eqset::kBandIndexes));
      w_.Slider1[i]->setValue(eqset::kBandPositionMin + pick(31));
    }
    w_.Text2[0]->setText(QString::number(5 + pick(36)));
    w_.Text2[1]->setText(QString::number(5 + pick(26)));
    const auto k = static_cast<std::size_t>(pick(eqset::kChannels));
    w_.TxtInvert[k]->setText(w_.TxtInvert[k]->text() == eqset::statetext::kPolarityNormal
                                 ? QStringLiteral("反相")
                                 : eqset::statetext::kPolarityNormal);
    const std::size_t from = timed(WriteAll, kWriteAllMs, [&] { w_.CmdWriteToMcu->click(); });
    const std::size_t n = port_.log.size() - from;
    if (n != 12) {
      finding(kOpNames[WriteAll], "made " + std::to_string(n) + " transactions instead of 12",
              static_cast<int>(port_.log.size()));
    }
    const char* op = kOpNames[WriteAll];
    for (int c = 0; c < eqset::kChannels; ++c) {
      const auto j = static_cast<std::size_t>(c);
      const std::string ch = std::to_string(c);
      const bool normal = w_.TxtInvert[j]->text() == eqset::statetext::kPolarityNormal;
      compare(op, "TxtInvert(" + ch + ")", normal ? "0" : "1",
              QString::number(p_.held(reg::kPolarity + c)));
      compare(op, "Text1(" + ch + ") delay", w_.Text1[j]->text(),
              QString::number(p_.held(reg::kDelay + c)));
    }
    compare(op, "TxtAuxOut6", w_.TxtAuxOut6->text() == eqset::statetext::kAuxAllowed ? "1" : "0",
            QString::number(p_.held(reg::kAuxTo51)));
    compare(op, "Text2(0) length", w_.Text2[0]->text(),
            QString::number(p_.held(reg::kTheatreLength)));
    compare(op, "Text2(1) width", w_.Text2[1]->text(),
            QString::number(p_.held(reg::kTheatreWidth)));
  }

  // "读取曲线" on the page 自动均衡, after the technician chose the channel and
  // the processor swept it. A good read must leave in the curve store (and in
  // the graph's measured row) exactly the processor's curve turned into dB the
  // program's way, band by band (the subwoofer's bands above 200 Hz as 0), and
  // the sweep status its register holds. A failed read must leave the stored
  // curve as it was: a damaged reply must not become a curve that the
  // compensation would then correct for.
  void curveRead(int channel) {
    const auto ch = static_cast<std::size_t>(channel);
    w_.SSTab1->setCurrentWidget(w_.autoEqPage);
    if (w_.GroupNum->value() != channel) {
      timed(ChannelSelect, kChannelSelectMs, [&] { w_.GroupNum->setValue(channel); });
    }
    int sweepNominal = 0;
    const std::size_t sweepFrom = port_.log.size();
    const double sweepMs = p_.sweep(channel, sweepNominal);
    port_.settle();
    if (sweepNominal > 0) {
      OpFigures& o = f_.ops[SweepStart];
      ++o.count;
      o.transactions += static_cast<int>(port_.log.size() - sweepFrom);
      o.measuredMs += sweepMs;
      o.nominalMs += sweepNominal;
      verdicts(sweepFrom, kOpNames[SweepStart]);
    }
    const eqset::CurveRow before = w_.measure.curves.areas[ch];
    const std::size_t from =
        timed(CurveRead, kCurveReadMs, [&] { w_.autoEqPage->Command8->click(); });
    const Transaction* t = single(from, kOpNames[CurveRead]);
    if (t == nullptr) return;
    const eqset::CurveRow& stored = w_.measure.curves.areas[ch];
    const char* op = kOpNames[CurveRead];
    const std::string area = "CurveStore(" + std::to_string(channel) + ")";
    if (!t->countedGood()) {
      for (int b = 0; b < eqset::kBands; ++b) {
        const auto slot = static_cast<std::size_t>(eqset::bandSlot(b));
        compare(op, area + " band " + std::to_string(b) + " after a failed read",
                QString::number(stored[slot], 'g', 9), QString::number(before[slot], 'g', 9),
                kKept);
      }
      return;
    }
    const auto regs = p_.block(reg::kCurveBlock, reg::kCurveBlockCount);
    const auto low = [&](int i) { return static_cast<std::uint32_t>(regs[i] & 0xFF); };
    const double micZero = w_.Text10->text().toDouble();
    const int measured = channel == eqset::kSubwoofer ? eqset::kSubwooferBands : eqset::kBands;
    const eqset::CurveRow& shown = w_.measure.plot.rows[eqset::PlotBuffer::kMeasured];
    for (int b = 0; b < eqset::kBands; ++b) {
      const auto slot = static_cast<std::size_t>(eqset::bandSlot(b));
      float db = 0;
      if (b < measured) {
        const std::uint32_t raw = low(4 * b + 1) << 16 | low(4 * b + 2) << 8 | low(4 * b + 3);
        db = static_cast<float>(eqset::convertLevel(raw, micZero).db);
      }
      const QString held = QString::number(db, 'g', 9);
      const std::string band = " band " + std::to_string(b);
      compare(op, area + band, QString::number(stored[slot], 'g', 9), held);
      compare(op, "graph" + band, QString::number(shown[slot], 'g', 9), held);
    }
    compare(op, "sweep status", QString::number(w_.measure.sweepStatus),
            QString::number(low(reg::kSweepStatus - reg::kCurveBlock)));
  }

  // The sliders show what the processor plays with: every move is sent at once
  // and every request arrives, so after any operation every band slider, the
  // volume slider and the level sliders must match the active bank.
  void slidersMatchProcessor() {
    const int bank = w_.bankOffset();
    for (int i = 0; i < eqset::kBandIndexes; ++i) {
      compare("after the operation", "Slider1(" + std::to_string(i) + ")",
              QString::number(
                  conv::bandRegisterFromPosition(w_.Slider1[static_cast<std::size_t>(i)]->value())),
              QString::number(p_.held(i)));
    }
    compare("after the operation", "Slider2",
            QString::number(conv::volumeRegisterFromPosition(w_.Slider2->value())),
            QString::number(p_.held(reg::kMasterVolume + bank)));
    for (int c = 0; c < eqset::kChannels; ++c) {
      compare("after the operation", "Slider3(" + std::to_string(c) + ")",
              QString::number(conv::levelRegisterFromPosition(
                  w_.Slider3[static_cast<std::size_t>(c)]->value())),
              QString::number(p_.held(reg::kChannelLevel + c + bank)));
    }
  }

  // A finding with the transactions that led to it (`upTo`: 1-based index in
  // the log, 0 for none).
  void finding(const std::string& op, const std::string& what, int upTo) {
    ++f_.findingCount;
    if (f_.findings.size() >= 12) return;
    std::string text = "[" + op + "] " + what + "\n";
    const int last = std::min(upTo, static_cast<int>(port_.log.size()));
    for (int i = std::max(first_, last - 3); i < last; ++i) {
      const Transaction& t = port_.log[static_cast<std::size_t>(i)];
      text += "      #" + std::to_string(i - first_ + 1) + " request " + hex(t.request) +
              (t.wentOut ? "" : " (not sent whole)") + "  fault " + faultName(t.fault) +
              "\n         processor answered " + hex(t.clean) + "\n         link took " +
              hex(t.taken) + " (" + std::to_string(t.waiting) + " waiting), " +
              (t.countedOnce() ? (t.countedGood() ? "counted good" : "counted failed")
                               : "counted " + std::to_string(t.good + t.failed) + " times") +
              "\n";
    }
    f_.findings.push_back(text);
  }

  void summarize() {
    const auto now = counters();
    f_.good = now.first - base_.first;
    f_.failed = now.second - base_.second;
    f_.requests = done();
    f_.transactions = static_cast<int>(f_.good + f_.failed);
    f_.countTotalMismatch = std::abs(f_.transactions - f_.requests) +
                            static_cast<int>(std::llabs(port_.movesWithoutRequest));
    // A late reply can only disturb the transactions that follow it closely.
    int lastLate = -100;
    for (int i = first_; i < static_cast<int>(port_.log.size()); ++i) {
      const Transaction& t = port_.log[static_cast<std::size_t>(i)];
      if (t.fault != LineFault::None) {
        ++f_.faults[static_cast<std::size_t>(t.fault)];
        ++f_.faultsTotal;
      }
      const bool failed = !t.deservesGood();
      if (t.fault == LineFault::Late && !failed) ++f_.lateInTime;
      if (failed && t.fault != LineFault::None) {
        ++f_.ownFaultFailures;
      } else if (failed && i - lastLate <= 3) {
        ++f_.displacedFailures;
      } else if (failed) {
        ++f_.unexplainedFailures;
      }
      if (t.fault == LineFault::Late) lastLate = i;
    }
    f_.failedVsFaultsMismatch = static_cast<int>(std::llabs(
        f_.failed - f_.ownFaultFailures - f_.displacedFailures - f_.unexplainedFailures));
  }

  MainWindow& w_;
  WatchedPort& port_;
  Processor p_;
  eqset::test::ScriptedDialogs& dialogs_;
  std::function<double()> nowMs_;
  std::function<void()> idle_;
  sim::SeededRandom random_;
  int first_ = 0;
  std::pair<long long, long long> base_{0, 0};
  Figures f_;
};

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
  std::printf("  %-44s %8d\n", "  failed: an earlier late reply in its place", f.displacedFailures);
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
Figures inProcess() {
  QTemporaryDir folder;
  eqset::test::VirtualClock clock;
  sim::ProcessorModel model(sim::ModelOptions{static_cast<std::uint32_t>(kSeed), 3000});
  eqset::test::FakeSerialPort fake(clock, &model);
  fake.setPort(2, eqset::test::FakeSerialPort::PortState::Free);
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
  return soak.run("in-process, virtual time, seed 1: " + std::to_string(kInProcessTransactions) +
                      " transactions",
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
  simtest::SimProcess sim({"--com", "7", "--dir", dir.path(), "--seed", std::to_string(kSeed),
                           "--fault", "mixed", "--fault-every", std::to_string(kFaultEvery),
                           "--late-ms", std::to_string(kLateMs), "--sweep-seconds",
                           std::to_string(kLineSweepMs / 1000.0), "--trace", trace});
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
      "--late-ms 350, real time: " +
          std::to_string(kLineTransactions) + " transactions",
      kLineTransactions);
  // Let the last reply land in the trace before reading it.
  std::this_thread::sleep_for(std::chrono::milliseconds(kLateMs + 400));
  f.lineCheck = checkTrace(trace, port.log);
  if (port.linesLost > 0) f.lineCheck += "; line lost " + std::to_string(port.linesLost) + " times";
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool lineOnly = argc > 1 && std::string(argv[1]) == "--line-only";
  const bool inProcessOnly = argc > 1 && std::string(argv[1]) == "--in-process-only";
  std::printf(
      "soak: seed %llu, one reply in %d faulted (silent, short, long, corrupt, late, "
      "other)\n",
      static_cast<unsigned long long>(kSeed), kFaultEvery);
  std::fflush(stdout);
  if (!lineOnly) {
    print(inProcess());
    std::fflush(stdout);
  }
  if (!inProcessOnly) {
    print(overTheLine());
    std::fflush(stdout);
  }
  return 0;
}
