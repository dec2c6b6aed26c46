#include "measure/testsignals.h"

#include <QLineEdit>
#include <QWidget>
#include <cmath>

#include "measure/periodictimer.h"
#include "params/numbers.h"
#include "params/registermap.h"

namespace eqset {

namespace {

constexpr int kAfterSwitchMs = 75;
constexpr int kAfterCommandMs = 100;
constexpr int kAfterTypedMs = 75;
constexpr int kLowestTyped = -255;  // the lowest value the line can carry
constexpr int kHighestTyped = 32767;

const QString kNoiseStarted = QStringLiteral("已启动");
const QString kNoiseStopped = QStringLiteral("已禁止");

void refuse(Dialogs& dialogs, const QString& text) {
  dialogs.message(text, QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
}

}  // namespace

std::optional<int> typedCommand(const QString& text) {
  const double v = std::nearbyint(leadingNumber(text));  // halves to even
  if (v < kLowestTyped || v > kHighestTyped) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<int> toneBand(const QString& text) {
  const double v = std::nearbyint(leadingNumber(text));
  if (v < 0 || v >= kBands) return std::nullopt;
  return static_cast<int>(v);
}

TestSignals::TestSignals(ModbusLink& link, Dialogs& dialogs, MeasureState& state,
                         const Controls& controls, const Timers& timers)
    : link_(link), dialogs_(dialogs), state_(state), c_(controls), t_(timers) {}

void TestSignals::command(int address, int value, int waitMs) {
  state_.lastCommand = address;
  link_.WriteRegister(address, value);
  link_.pauseAfterReply(waitMs);
}

void TestSignals::pinkNoiseSwitch() {
  // The first press after start switches the noise off: the window cannot know
  // what the processor plays.
  const bool on = c_.noiseState->text() == kNoiseStopped;
  c_.noiseState->setText(on ? kNoiseStarted : kNoiseStopped);
  link_.WriteRegister(reg::kPinkNoiseFirst, on ? 1 : 0);
  link_.pauseAfterReply(kAfterSwitchMs);
  link_.WriteRegister(reg::kPinkNoiseSecond, on ? 0 : 1);
  link_.pauseAfterReply(kAfterSwitchMs);
}

void TestSignals::calibrate() {
  command(reg::kCalibrate, 1, kAfterCommandMs);
  t_.reading->setPeriod(kLevelReadingPeriodMs);
  t_.reading->setEnabled(true);
}

bool TestSignals::singleFrequency() {
  const auto band = toneBand(c_.toneBand->text());
  if (!band) {
    refuse(dialogs_, QStringLiteral("单频频点超出范围，请输入0到30之间的频点序号。"));
    return false;
  }
  command(reg::kSingleTone, *band, kAfterCommandMs);
  return true;
}

void TestSignals::startContinuous() {
  t_.reading->setPeriod(kLevelReadingPeriodMs);
}

void TestSignals::stop() {
  c_.manualButton->setEnabled(true);
  t_.reading->setPeriod(0);
  for (PeriodicTimer* t : t_.sequence) {
    t->setEnabled(false);
    t->setPeriod(0);
  }
  command(reg::kStop, 1, kAfterCommandMs);
}

bool TestSignals::haltTimers() {
  bool sequenceRan = false;
  t_.reading->setPeriod(0);
  for (PeriodicTimer* t : t_.sequence) {
    sequenceRan = sequenceRan || t->running();
    t->setEnabled(false);
    t->setPeriod(0);
  }
  c_.manualButton->setEnabled(true);
  return sequenceRan;
}

void TestSignals::normalPlayback() {
  command(reg::kNormalPlayback, 1, kAfterCommandMs);
}

std::optional<int> TestSignals::typedCommandValue(const QLineEdit* box) {
  const auto value = typedCommand(box->text());
  if (!value) refuse(dialogs_, QStringLiteral("命令数值超出范围，请输入-255到32767之间的数。"));
  return value;
}

void TestSignals::genericSignal() {
  if (const auto v = typedCommandValue(c_.signalValue))
    command(reg::kTestSignal, *v, kAfterTypedMs);
}

void TestSignals::genericStopRun() {
  if (const auto v = typedCommandValue(c_.runValue)) command(reg::kTestRun, *v, kAfterTypedMs);
}

void TestSignals::manualOperation() {
  for (QWidget* b : c_.stepButtons)
    b->setEnabled(true);
}

}  // namespace eqset
