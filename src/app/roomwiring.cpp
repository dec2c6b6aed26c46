// "全场均衡" and the equalizers kept before an automatic run writes.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/mainwindow.h"
#include "app/pages/autoeqpage.h"
#include "app/pages/roomeqdialog.h"
#include "files/tuningkeep.h"
#include "measure/autosequence.h"
#include "measure/curvedisplay.h"
#include "measure/periodictimer.h"
#include "measure/roomsequence.h"
#include "measure/testsignals.h"
#include "params/statetexts.h"

namespace eqset {

void MainWindow::channelHeld(int channel, int offset, const std::array<int, kBands>& registers) {
  if (offset != bankOffset()) return;
  eqView_->showChannel(channel, registers);
  eqKnown.mark(channel, offset);
}

void MainWindow::wireRoom() {
  TuningKeep::Sources ks;
  ks.bankOffset = [this] { return bankOffset(); };
  ks.now = [] { return QDateTime::currentDateTime(); };
  ks.restored = [this](int channel, int offset, const std::array<int, kBands>& registers) {
    channelHeld(channel, offset, registers);
    measure.restored[static_cast<std::size_t>(channel)] = true;
  };
  ks.bankName = [](int offset) { return statetext::bankName(offset); };
  keep_ = std::make_unique<TuningKeep>(*link_, dialogs_, files_,
                                       QDir(folders_.home).filePath(QStringLiteral("用户数据")),
                                       std::move(ks));
  const auto kept = [this](int channel, const std::array<int, kBands>& registers) {
    keep_->keep(channel, registers);
  };
  sequence_->setKeepHooks([this] { keep_->beginRun(QStringLiteral("全自动均衡")); }, kept);

  roomDialog = new RoomEqDialog(this);
  TimerRoom = new PeriodicTimer("TimerRoom", clock_.realTime(), this);
  RoomSequence::Controls rc;
  rc.state = roomDialog->LblRoomState;
  rc.stop = roomDialog->CmdRoomStop;
  rc.channels = {roomDialog->ChkRoomCh[0], roomDialog->ChkRoomCh[1], roomDialog->ChkRoomCh[2],
                 roomDialog->ChkRoomCh[3], roomDialog->ChkRoomCh[4], roomDialog->ChkRoomCh[5]};
  rc.positions = roomDialog->SpinRoomPos;
  rc.idleOnly = {roomDialog->CmdRoomStart, roomDialog->CmdRoomRestore, roomDialog->SpinRoomPos};
  for (QCheckBox* box : roomDialog->ChkRoomCh)
    rc.idleOnly.push_back(box);
  RoomSequence::Hooks hooks;
  hooks.selectChannel = [this](int channel) {
    // The selector shows the channel; the writes are made here, whether or not
    // it changed, so the run learns whether the processor took them.
    {
      const QSignalBlocker quiet(GroupNum);
      GroupNum->setValue(channel);
    }
    return display_->channelChanged(channel);
  };
  hooks.muted = [this] { return Check3->isChecked(); };
  hooks.runStarted = [this] { keep_->beginRun(QStringLiteral("全场均衡")); };
  hooks.beforeWrite = kept;
  hooks.shown = [this] {
    roomDialog->showRun(measure.room, room_->channelInHand(), Combo3->currentText());
  };
  room_ = std::make_unique<RoomSequence>(
      SequenceParts{*link_, dialogs_, measure, *testSignals_, *measurement_, *compensation_},
      *TimerRoom, std::move(rc), std::move(hooks));

  connect(autoEqPage->CmdRoomEq, &QPushButton::clicked, this, [this] {
    roomDialog->showRun(measure.room, room_->channelInHand(), Combo3->currentText());
    roomDialog->show();
    roomDialog->raise();
  });
  connect(roomDialog->CmdRoomStart, &QPushButton::clicked, this, [this] { room_->start(); });
  connect(roomDialog->CmdRoomStop, &QPushButton::clicked, this, [this] { room_->stop(); });
  connect(roomDialog, &RoomEqDialog::closing, this, [this] { room_->stop(); });
  connect(TimerRoom, &PeriodicTimer::tick, this, [this] { ticks_.run([this] { room_->tick(); }); });
  for (QPushButton* restore : {roomDialog->CmdRoomRestore, autoEqPage->CmdRestoreEq}) {
    connect(restore, &QPushButton::clicked, this, [this] {
      // A run still going on would write its next correction over what the
      // restore brings back: it ends first, as "停止测试" ends it.
      if (room_->running()) room_->stop();
      if (sequence_->running()) testSignals_->stop();
      keep_->restore();
    });
  }
}

}  // namespace eqset
