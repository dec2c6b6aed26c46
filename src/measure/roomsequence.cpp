#include "measure/roomsequence.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "measure/compensationsteps.h"
#include "measure/heard.h"
#include "measure/measurement.h"
#include "measure/periodictimer.h"
#include "measure/testsignals.h"
#include "params/registermap.h"
#include "params/statetexts.h"

namespace eqset {

namespace {

constexpr int kAfterStopMs = 20;
constexpr int kStepMs = 100;

}  // namespace

const char* const RoomSequence::kDone = "全场均衡完成。";
const char* const RoomSequence::kSweepNotStarted = "处理器没有响应扫描命令，全场均衡已停止。";
const char* const RoomSequence::kPrompt = "请把测试话筒放到第%1个测量位置（共%2个），然后按确定。";

RoomSequence::RoomSequence(SequenceParts parts, PeriodicTimer& timer, Controls controls,
                           Hooks hooks)
    : p_(parts), timer_(timer), c_(std::move(controls)), h_(std::move(hooks)) {
  c_.stop->setEnabled(false);
}

int RoomSequence::channelInHand() const {
  if (index_ < channels_.size()) return channels_[index_];
  for (int k = 0; k < kChannels; ++k) {
    if (c_.channels[static_cast<std::size_t>(k)]->isChecked()) return k;
  }
  return 0;
}

void RoomSequence::say(const QString& text) {
  c_.state->setText(text);
  if (h_.shown) h_.shown();
}

QString RoomSequence::writtenText() const {
  std::vector<int> written;
  for (int c = 0; c < kChannels; ++c) {
    if (p_.state.room.tuned[static_cast<std::size_t>(c)]) written.push_back(c);
  }
  if (written.empty()) return QStringLiteral("没有写入任何声道。");
  return QStringLiteral("已写入：%1。").arg(statetext::channelList(written));
}

void RoomSequence::endOnFailure(const QString& text) {
  if (p_.link.port().isOpen()) {
    finish(text + writtenText());
  } else {
    lineLost();
  }
}

void RoomSequence::start() {
  if (running()) return;
  if (h_.muted()) {
    p_.dialogs.message(QString::fromUtf8(kMutedRefusal), QStringLiteral("提示"),
                       Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  std::vector<int> channels;
  for (int k = 0; k < kChannels; ++k) {
    if (c_.channels[static_cast<std::size_t>(k)]->isChecked()) channels.push_back(k);
  }
  if (channels.empty()) {
    p_.dialogs.message(QStringLiteral("请至少勾选一个声道。"), QStringLiteral("全场均衡"),
                       Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  const int positions = c_.positions->value();
  const auto answer = p_.dialogs.message(
      QStringLiteral("将在%1个测量位置测量%2个声道，逐个声道扫描并写入均衡。测量时请保持安静。"
                     "是否开始？")
          .arg(positions)
          .arg(channels.size()),
      QStringLiteral("全场均衡"), Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer != Dialogs::Answer::Ok) return;

  channels_ = channels;
  position_ = 1;
  index_ = 0;
  refinement_ = 0;
  p_.state.room = RoomRun{};
  selected_ = -1;
  p_.state.room.positions = positions;
  phase_ = Phase::Positions;
  for (QWidget* w : c_.idleOnly)
    w->setEnabled(false);
  c_.stop->setEnabled(true);
  if (h_.runStarted) h_.runStarted();
  p_.testSignals.stop();
  p_.link.clock().sleep(kAfterStopMs);
  if (askPosition()) sweep();
}

bool RoomSequence::askPosition() {
  say(QStringLiteral("等待话筒放到第%1个测量位置...").arg(position_));
  const auto answer = p_.dialogs.message(
      QString::fromUtf8(kPrompt).arg(position_).arg(p_.state.room.positions),
      QStringLiteral("全场均衡"), Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  // "停止" or a lost line while the box was up ended the run already.
  if (!running()) return false;
  if (answer == Dialogs::Answer::Ok) return true;
  finish(QStringLiteral("全场均衡已取消。") + writtenText());
  return false;
}

void RoomSequence::sweep() {
  if (!p_.link.port().isOpen()) {
    lineLost();
    return;
  }
  const int channel = channels_[index_];
  if (!startSweep(channel)) {
    endOnFailure(QString::fromUtf8(kSweepNotStarted));
    return;
  }
  sweepStart_ = p_.link.clock().now();
  p_.link.pauseAfterReply(kStepMs);
  p_.state.sweepStatus = 0;
  timer_.setEnabled(true);
  schedulePoll(false);
  switch (phase_) {
    case Phase::Positions:
      say(QStringLiteral("第%1个测量位置：正在扫描%2声道...")
              .arg(position_)
              .arg(statetext::channelName(channel)));
      break;
    case Phase::Refining:
      say(QStringLiteral("%1声道：第%2次修正扫描...")
              .arg(statetext::channelName(channel))
              .arg(refinement_));
      break;
    default:
      say(QStringLiteral("%1声道：最后结果扫描...").arg(statetext::channelName(channel)));
      break;
  }
}

bool RoomSequence::startSweep(int channel) {
  for (int attempt = 0; attempt < 2 && p_.link.port().isOpen(); ++attempt) {
    // Nothing else sends while the run goes on: the processor keeps the
    // channel selected for the last sweep, once it answered for it.
    if (channel != selected_) {
      if (!h_.selectChannel(channel)) continue;
      selected_ = channel;
    }
    p_.state.lastCommand = reg::kSweep;
    // Unanswered, the processor may not sweep at all: the finished status of
    // the sweep before would pass its curve off as this one's.
    if (p_.link.WriteRegister(reg::kSweep, 1)) return true;
  }
  return false;
}

void RoomSequence::schedulePoll(bool afterUnfinished) {
  const std::int64_t elapsed = p_.link.clock().now() - sweepStart_;
  std::int64_t at = 0;
  if (finishedBy_ >= 0 && finishedBy_ - runningAt_ <= kSweepKnownMs) {
    at = finishedBy_;
  } else if (finishedBy_ >= 0) {
    // Halfway between what is known: each sweep narrows it down.
    at = (runningAt_ + finishedBy_) / 2;
  } else if (sweepsTimed_ > 0) {
    // A sweep ran longer than any before: it is looked at again soon.
    at = afterUnfinished ? elapsed + kRetryMs : runningAt_;
  } else {
    // The first sweep is polled as the single channel's sequence polls it.
    at = elapsed + kPollMs;
  }
  if (afterUnfinished && at <= elapsed) at = elapsed + kRetryMs;
  if (!afterUnfinished && at <= elapsed) at = elapsed + 1;
  timer_.setPeriod(static_cast<int>(at - elapsed));
}

void RoomSequence::tick() {
  if (!running()) return;
  const std::int64_t pollStart = p_.link.clock().now() - sweepStart_;
  p_.measurement.curveRead();
  if (!p_.link.port().isOpen()) {
    lineLost();
    return;
  }
  if (p_.state.sweepStatus != 1) {
    runningAt_ = std::max(runningAt_, pollStart);
    if (finishedBy_ >= 0 && finishedBy_ <= runningAt_) finishedBy_ = -1;  // sweeps got longer
    schedulePoll(true);
    return;
  }
  finishedBy_ = finishedBy_ < 0 ? pollStart : std::min(finishedBy_, pollStart);
  ++sweepsTimed_;
  timer_.setEnabled(false);
  timer_.setPeriod(0);
  const int channel = channels_[index_];
  const CurveRow curve = p_.state.plot.rows[PlotBuffer::kMeasured];
  if (!testSignalHeard(curve, channel == kSubwoofer)) {
    finish(QStringLiteral("声压过低，全场均衡已停止。") + writtenText());
    p_.dialogs.message(QString::fromUtf8(kNotHeardAdvice), QStringLiteral("提示"),
                       Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  sweepDone(curve);
}

void RoomSequence::sweepDone(const CurveRow& curve) {
  const int channel = channels_[index_];
  const auto c = static_cast<std::size_t>(channel);
  RoomSweep record;
  record.position = position_;
  record.channel = channel;
  record.curve = curve;
  if (phase_ == Phase::Positions) {
    keepFirstCurve(p_.state, channel, curve);
    p_.state.room.sweeps.push_back(record);
    if (position_ < p_.state.room.positions) {
      nextChannel();
      return;
    }
    // The microphone stands at the last position: the channel is corrected,
    // refined and measured there before the next one is swept.
    // The channel was just swept here: its first sweeps are there.
    const BandLevels average = *firstSweepAverage(p_.state.room, channel);
    p_.state.room.averageBefore[c] = curveRow(average);
    if (!correct(channel, average)) return;
    phase_ = Phase::Refining;
    refinement_ = 1;
    sweep();
    return;
  }
  // The equalizer moved every seat as it moved this one.
  const BandLevels average = predictedAverage(
      *firstSweepAverage(p_.state.room, channel),
      bandLevels(firstSweepCurves(p_.state.room, channel).back()), bandLevels(curve));
  record.kind = phase_ == Phase::Refining ? RoomSweep::Kind::Refinement : RoomSweep::Kind::Final;
  record.refinement = phase_ == Phase::Refining ? refinement_ : 0;
  p_.state.room.sweeps.push_back(record);
  if (phase_ == Phase::Refining) {
    if (!correct(channel, average)) return;
    if (refinement_ < kRefinements) {
      ++refinement_;
    } else {
      phase_ = Phase::Final;
    }
    sweep();
    return;
  }
  p_.state.room.averageAfter[c] = curveRow(average);
  p_.state.room.finished[c] = true;
  phase_ = Phase::Positions;
  nextChannel();
}

bool RoomSequence::correct(int channel, const BandLevels& average) {
  say(QStringLiteral("正在计算%1声道...").arg(statetext::channelName(channel)));
  // A correction added to gains nobody read would be another channel's.
  if (!p_.measurement.readPresentGains()) {
    endOnFailure(QStringLiteral("读取当前均衡失败，全场均衡已停止。"));
    return false;
  }
  if (h_.beforeWrite) h_.beforeWrite(channel, presentRegisters(p_.state));
  p_.state.plot.rows[PlotBuffer::kMeasured] = curveRow(average);
  p_.steps.relative();
  p_.steps.absolute();
  const auto result = p_.steps.writeChannel();
  if (result != CompensationSteps::WriteResult::Written) {
    endOnFailure(
        QStringLiteral("%1声道写入失败，全场均衡已停止。").arg(statetext::channelName(channel)));
    return false;
  }
  p_.state.room.tuned[static_cast<std::size_t>(channel)] = true;
  p_.link.pauseAfterReply(kStepMs);
  return true;
}

void RoomSequence::nextChannel() {
  if (++index_ < channels_.size()) {
    sweep();
    return;
  }
  if (position_ < p_.state.room.positions) {
    index_ = 0;
    ++position_;
    if (askPosition()) sweep();
    return;
  }
  finish(QString::fromUtf8(kDone));
}

void RoomSequence::finish(const QString& text) {
  const auto run = std::make_shared<const RoomRun>(p_.state.room);
  for (int c = 0; c < kChannels; ++c) {
    if (run->tuned[static_cast<std::size_t>(c)])
      p_.state.roomWrittenBy[static_cast<std::size_t>(c)] = run;
  }
  phase_ = Phase::Idle;
  index_ = channels_.size();
  timer_.setEnabled(false);
  timer_.setPeriod(0);
  for (QWidget* w : c_.idleOnly)
    w->setEnabled(true);
  c_.stop->setEnabled(false);
  say(text);
}

void RoomSequence::stop() {
  if (!running()) return;
  const bool sweeping = timer_.running();
  finish(QStringLiteral("全场均衡已停止。") + writtenText());
  // The processor stops its sweep as "停止测试" stops it.
  if (sweeping) p_.testSignals.stop();
}

void RoomSequence::lineLost() {
  if (!running()) return;
  finish(QStringLiteral("通讯中断，全场均衡已停止。") + writtenText());
}

}  // namespace eqset
