// The soak's operations and checks: each drives the window as a technician
// does and then holds what the window shows or keeps against the processor,
// and every reply's counting against the verdict it deserved.
#include "soakrun.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <cstdlib>

#include "app/pages/autoeqpage.h"
#include "app/widgets.h"
#include "measure/levelconversion.h"
#include "monitor/linelog.h"
#include "monitor/linemonitorwindow.h"
#include "params/statetexts.h"

namespace soak {

using eqset::MainWindow;
using sim::LineFault;
namespace conv = eqset::conv;
namespace reg = eqset::reg;

Soak::Soak(MainWindow& window, WatchedPort& port, Processor processor,
           eqset::test::ScriptedDialogs& d, std::function<double()> nowMs,
           std::function<void()> idle)
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
  // Window and processor start flat together, so the pages are known: the
  // question before a blind full write is not what the mix exercises.
  w_.eqKnown.markAll(w_.bankOffset());
}

Figures Soak::run(const std::string& title, int transactions) {
  f_.title = title;
  while (done() < transactions) {
    const int left = transactions - done();
    step(left);
    idle_();
  }
  port_.settle();
  monitorAgrees();
  summarize();
  return f_;
}

std::pair<long long, long long> Soak::counters() const {
  return {w_.Text13->text().toLongLong(), w_.Text14->text().toLongLong()};
}

// The next thumb position of a drag: one to three steps on, inside the scale,
// never where it is.
int Soak::dragTo(int current, int low, int high) {
  const int step = 1 + pick(3);
  int next = pick(2) == 0 ? current + step : current - step;
  if (next < low || next > high) next = current + (next < low ? step : -step);
  return std::clamp(next, low, high);
}

void Soak::step(int left) {
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
std::size_t Soak::timed(Op op, int nominalMs, const std::function<void()>& action) {
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
void Soak::verdicts(std::size_t from, const char* op) {
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
const Transaction* Soak::single(std::size_t from, const char* op) {
  const std::size_t n = port_.log.size() - from;
  if (n == 1) return &port_.log[from];
  finding(op, "the step made " + std::to_string(n) + " transactions instead of one",
          static_cast<int>(port_.log.size()));
  return nullptr;
}

// One value the window shows or keeps against what it must be.
void Soak::compare(const char* op, const std::string& what, const QString& shown,
                   const QString& expected, const char* against) {
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
void Soak::bandDrag(int i, int steps) {
  const auto k = static_cast<std::size_t>(i);
  for (int s = 0; s < steps; ++s) {
    const int p =
        dragTo(w_.Slider1[k]->sliderPosition(), eqset::kBandPositionMin, eqset::kBandPositionMax);
    const QString before = w_.Text5[k]->text();
    const std::size_t from = timed(Band, kBandStepMs, [&] { w_.Slider1[k]->setSliderPosition(p); });
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
void Soak::volumeDrag(int steps) {
  const int address = reg::kMasterVolume + w_.bankOffset();
  QLineEdit* box = w_.Text5[reg::kMasterVolume];
  for (int s = 0; s < steps; ++s) {
    const int p =
        dragTo(w_.Slider2->sliderPosition(), eqset::kVolumePositionMin, eqset::kVolumePositionMax);
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
void Soak::levelDrag(int channel, int steps) {
  const auto k = static_cast<std::size_t>(channel);
  const int address = reg::kChannelLevel + channel + w_.bankOffset();
  for (int s = 0; s < steps; ++s) {
    const int p =
        dragTo(w_.Slider3[k]->sliderPosition(), eqset::kLevelPositionMin, eqset::kLevelPositionMax);
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
void Soak::blockRead() {
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
    // The boxes show gains in dB; a good read also moves the band's slider.
    const QString imageGain = QString::number(conv::bandGainFromRegister(w_.image().at(i)));
    if (t->countedGood()) {
      const QString h = QString::number(held[k]);
      const QString gain = QString::number(conv::bandGainFromRegister(held[k]));
      compare(kOpNames[BlockRead], "image(" + cell + ") after a good read", image, h);
      compare(kOpNames[BlockRead], "Text5(" + cell + ") after a good read", w_.Text5[k]->text(),
              gain);
      compare(kOpNames[BlockRead], "Slider1(" + cell + ") after a good read",
              QString::number(w_.Slider1[k]->value()),
              QString::number(conv::bandPositionFromRegister(held[k])));
    } else {
      compare(kOpNames[BlockRead], "image(" + cell + ") after a failed read", image,
              QString::number(before[k]), kKept);
      if (w_.image().filled(i)) {
        compare(kOpNames[BlockRead], "Text5(" + cell + ") after a failed read", w_.Text5[k]->text(),
                imageGain, kInImage);
      }
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
void Soak::writeAll() {
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
  compare(op, "Text2(1) width", w_.Text2[1]->text(), QString::number(p_.held(reg::kTheatreWidth)));
}

// "读取曲线" on the page 自动均衡, after the technician chose the channel and
// the processor swept it. A good read must leave in the curve store (and in
// the graph's measured row) exactly the processor's curve turned into dB the
// program's way, band by band (the subwoofer's bands above 200 Hz as 0), and
// the sweep status its register holds. A failed read must leave the stored
// curve as it was: a damaged reply must not become a curve that the
// compensation would then correct for.
void Soak::curveRead(int channel) {
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
              QString::number(stored[slot], 'g', 9), QString::number(before[slot], 'g', 9), kKept);
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
      // A band whose level is no number keeps what it held.
      const auto level = eqset::convertLevel(raw, micZero);
      db = level ? static_cast<float>(level->db()) : before[slot];
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
void Soak::slidersMatchProcessor() {
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
            QString::number(
                conv::levelRegisterFromPosition(w_.Slider3[static_cast<std::size_t>(c)]->value())),
            QString::number(p_.held(reg::kChannelLevel + c + bank)));
  }
}

// The line monitor against the counters: each request row it still keeps
// carries the verdict of the reply the link read for it, 正确 exactly when the
// link counted that reply good; a frame the fast link set aside has a row of
// its own and leaves the request to its reply.
void Soak::monitorAgrees() {
  auto* monitor = w_.findChild<eqset::LineMonitorWindow*>("LineMonitorWindow");
  if (monitor == nullptr) {
    finding("line monitor", "the window has no line monitor", 0);
    return;
  }
  eqset::monitor::LineLog& log = monitor->log();
  log.flush();
  std::size_t next = port_.log.size();
  for (int r = log.rowCount() - 1; r >= 0 && next > static_cast<std::size_t>(first_); --r) {
    const eqset::monitor::LineRow& row = log.row(r);
    if (!row.outgoing) continue;
    const Transaction& t = port_.log[--next];
    ++f_.monitorCompared;
    const bool correct = row.verdict == eqset::monitor::Verdict::Correct;
    if (row.bytes == t.request && correct == t.countedGood()) continue;
    ++f_.monitorMismatches;
    finding("line monitor",
            row.bytes != t.request
                ? "a request row out of step with the requests written"
                : "verdict " + eqset::monitor::verdictText(row.verdict).toStdString() +
                      (t.countedGood() ? ", counted good" : ", counted failed"),
            static_cast<int>(next) + 1);
  }
}

// A finding with the transactions that led to it (`upTo`: 1-based index in
// the log, 0 for none).
void Soak::finding(const std::string& op, const std::string& what, int upTo) {
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
            (t.setAside.isEmpty() ? "" : "set aside " + hex(t.setAside) + ", ") +
            (t.countedOnce() ? (t.countedGood() ? "counted good" : "counted failed")
                             : "counted " + std::to_string(t.good + t.failed) + " times") +
            "\n";
  }
  f_.findings.push_back(text);
}

void Soak::summarize() {
  const auto now = counters();
  f_.good = now.first - base_.first;
  f_.failed = now.second - base_.second;
  f_.requests = done();
  f_.transactions = static_cast<int>(f_.good + f_.failed);
  f_.countTotalMismatch = std::abs(f_.transactions - f_.requests) +
                          static_cast<int>(std::llabs(port_.movesWithoutRequest));
  // A late reply disturbs the transactions that follow it closely. With the
  // fast link they are short, and bytes of a late or overlong reply that were
  // still on the way at the discard land in a later transaction's wait: the
  // failure of a transaction that took bytes other than its own answer, or its
  // answer and more, has an earlier reply in its place too.
  int lastLate = -100;
  const auto holdsOtherBytes = [](const Transaction& t) {
    return !t.taken.isEmpty() && !t.clean.startsWith(t.taken);
  };
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
    } else if (failed && (i - lastLate <= 3 || holdsOtherBytes(t))) {
      ++f_.displacedFailures;
      // Its answer was held up behind the late reply past the wait.
      if (t.taken.isEmpty() && t.setAside.isEmpty()) ++f_.lineBusyFailures;
    } else if (failed) {
      ++f_.unexplainedFailures;
    }
    if (t.fault == LineFault::Late) lastLate = i;
  }
  f_.failedVsFaultsMismatch = static_cast<int>(
      std::llabs(f_.failed - f_.ownFaultFailures - f_.displacedFailures - f_.unexplainedFailures));
}

}  // namespace soak
