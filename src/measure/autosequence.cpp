#include "measure/autosequence.h"

#include <QLabel>
#include <QWidget>

#include "measure/compensationsteps.h"
#include "measure/heard.h"
#include "measure/measurement.h"
#include "measure/periodictimer.h"
#include "measure/testsignals.h"
#include "params/registermap.h"

namespace eqset {

namespace {
constexpr int kAfterStopMs = 20;
constexpr int kStepMs = 100;
constexpr int kAfterWriteMs = 1000;
constexpr int kFirst = 0;
constexpr int kSecond = 1;
constexpr int kFinal = 2;

}  // namespace

const char* const AutoSequence::kLinkLost = "通讯中断，自调已停止";
const char* const AutoSequence::kNotHeard = "声压过低，自调已停止";
const char* const AutoSequence::kGainsUnread = "读取当前均衡失败，自调已停止";
const char* const AutoSequence::kSweepNotStarted = "处理器没有响应扫描命令，自调已停止";

AutoSequence::AutoSequence(ModbusLink& link, Dialogs& dialogs, MeasureState& state,
                           TestSignals& testSignals, Measurement& measurement,
                           CompensationSteps& steps, const std::array<PeriodicTimer*, 3>& timers,
                           const Controls& controls, std::function<int()> channel,
                           std::function<bool()> muted)
    : link_(link),
      dialogs_(dialogs),
      state_(state),
      signals_(testSignals),
      measurement_(measurement),
      steps_(steps),
      timers_(timers),
      c_(controls),
      channel_(std::move(channel)),
      muted_(std::move(muted)) {}

bool AutoSequence::running() const {
  for (const PeriodicTimer* t : timers_) {
    if (t->running()) return true;
  }
  return false;
}

void AutoSequence::say(const char* text) {
  c_.status->setText(QString::fromUtf8(text));
}

bool AutoSequence::runTimer(int index) {
  // With the port gone (the line was lost) a sweep can neither start nor be
  // polled: the run ends here instead of waiting blind.
  if (!link_.port().isOpen()) {
    say(kLinkLost);
    return false;
  }
  PeriodicTimer* t = timers_[static_cast<std::size_t>(index)];
  t->setEnabled(true);
  t->setPeriod(kPollMs);
  return true;
}

void AutoSequence::stopTimer(int index) {
  PeriodicTimer* t = timers_[static_cast<std::size_t>(index)];
  t->setEnabled(false);
  t->setPeriod(0);
}

bool AutoSequence::startSweep() {
  for (int attempt = 0; attempt < 2 && link_.port().isOpen(); ++attempt) {
    if (link_.WriteRegister(reg::kSweep, 1)) return true;
  }
  endRun(link_.port().isOpen() ? kSweepNotStarted : kLinkLost);
  return false;
}

void AutoSequence::endRun(const char* text) {
  for (int t = kFirst; t <= kFinal; ++t)
    stopTimer(t);
  for (QWidget* b : c_.stepButtons)
    b->setEnabled(false);
  c_.manualButton->setEnabled(true);
  say(text);
}

bool AutoSequence::sweepFinished() {
  measurement_.curveRead();
  return state_.sweepStatus == 1;
}

bool AutoSequence::heard() {
  if (testSignalHeard(state_.plot.rows[PlotBuffer::kMeasured], channel_() == kSubwoofer))
    return true;
  endRun(kNotHeard);
  dialogs_.message(QString::fromUtf8(kNotHeardAdvice), QStringLiteral("提示"),
                   Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  return false;
}

void AutoSequence::setKeepHooks(
    std::function<void()> runStarted,
    std::function<void(int channel, const std::array<int, kBands>& registers)> beforeWrite) {
  runStarted_ = std::move(runStarted);
  beforeWrite_ = std::move(beforeWrite);
}

bool AutoSequence::readBeforeCorrection() {
  if (measurement_.readPresentGains()) return true;
  endRun(link_.port().isOpen() ? kGainsUnread : kLinkLost);
  return false;
}

void AutoSequence::keepBeforeWrite() {
  if (beforeWrite_) beforeWrite_(channel_(), presentRegisters(state_));
}

void AutoSequence::start() {
  // A muted processor plays the sweep to nobody: the microphone would hear
  // the room alone and the correction would cut every band.
  if (muted_()) {
    dialogs_.message(QString::fromUtf8(kMutedRefusal), QStringLiteral("提示"),
                     Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  if (runStarted_) runStarted_();
  c_.manualButton->setEnabled(false);
  signals_.stop();  // also every timer of an earlier run
  link_.clock().sleep(kAfterStopMs);
  state_.lastCommand = reg::kSweep;
  if (!startSweep()) return;
  link_.clock().sleep(kStepMs);
  state_.sweepStatus = 0;
  const bool polling = runTimer(kFirst);
  for (QWidget* b : c_.stepButtons)
    b->setEnabled(false);
  if (polling) say("已经启动扫描...");
}

void AutoSequence::firstSweepTick() {
  if (!sweepFinished()) return;
  // A sweep nobody heard is no room as it was found either.
  if (!heard()) return;
  // The room as it was found, for the commissioning report.
  keepFirstCurve(state_, channel_(), state_.plot.rows[PlotBuffer::kMeasured]);
  say("首次测试结束...");
  stopTimer(kFirst);
  link_.clock().sleep(kStepMs);
  if (!readBeforeCorrection()) return;
  link_.clock().sleep(kStepMs);
  // The first correction is made without feedback: the technician decides.
  const auto answer =
      dialogs_.message(QStringLiteral("这是开环状态，请确认是否需要继续？"), QStringLiteral("提示"),
                       Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer == Dialogs::Answer::Ok) {
    say("正在计算...");
    steps_.relative();
    link_.clock().sleep(kStepMs);
    steps_.absolute();
    link_.clock().sleep(kStepMs);
    keepBeforeWrite();
    steps_.write();
    link_.clock().sleep(kAfterWriteMs);
    say("写入DSP...");
    if (runTimer(kSecond) && startSweep()) {
      say("二次扫描...");
      link_.clock().sleep(kStepMs);
    }
  }
  state_.sweepStatus = 0;
}

void AutoSequence::secondSweepTick() {
  if (!sweepFinished()) return;
  if (!heard()) return;
  say("二次扫描结束");
  stopTimer(kSecond);
  link_.clock().sleep(kStepMs);
  if (!readBeforeCorrection()) return;
  link_.clock().sleep(kStepMs);
  steps_.relative();
  link_.clock().sleep(kStepMs);
  steps_.absolute();
  link_.clock().sleep(kStepMs);
  say("二次计算...");
  keepBeforeWrite();
  steps_.write();
  say("二次写入DSP");
  link_.clock().sleep(kAfterWriteMs);
  if (runTimer(kFinal) && startSweep()) {
    say("最后结果...");
    link_.clock().sleep(kStepMs);
  }
  state_.sweepStatus = 0;
}

void AutoSequence::finalSweepTick() {
  if (!sweepFinished()) return;
  stopTimer(kFinal);
  measurement_.readPresentGains();
  say("本通道自调完成.");
}

}  // namespace eqset
