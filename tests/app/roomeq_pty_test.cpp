#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include "app/pages/roomeqdialog.h"
#include "measure/compensation.h"
#include "measure/roomsequence.h"
#include "qtprinters.h"
#include "sim/processormodel.h"
#include "simulatorwindow.h"

namespace eqset {
namespace {

constexpr std::uint32_t kSeed = 5;

// "全场均衡" of one channel at three positions against the simulator over a
// real line, the microphone moved with "mic K" on the simulator's input.
class RoomEqOnLine : public ::testing::Test, protected test::SimulatorWindow {
 protected:
  // How far what the audience hears lies from its target with `registers` on
  // channel 0: the same room, equalized the same way, judged on every seat.
  static double audienceRms(const std::array<int, kBands>& registers) {
    sim::ProcessorModel model({.seed = kSeed});
    for (int b = 0; b < kBands; ++b)
      model.writeRegister(equalizerRegister(0, b), static_cast<std::uint16_t>(registers[b]), 0);
    const auto average = model.audienceAverage(0);
    CurveRow row{};
    for (int b = 0; b < kBands; ++b)
      row[static_cast<std::size_t>(bandSlot(b))] = static_cast<float>(average[b]);
    return deviationFromTarget(row, TargetType::Iso2969, false).rms;
  }
};

TEST_F(RoomEqOnLine, ThreePositionsTuneTheAudienceBetterThanOneSeat) {
  ASSERT_NO_FATAL_FAILURE(
      startOnLine({"--seed", std::to_string(kSeed), "--sweep-seconds", "1"}, "ISO2969"));
  MainWindow& window = *this->window;
  std::vector<int> moves;
  dialogs.onAsk = [&](const test::ScriptedDialogs::Asked& asked) {
    static const QRegularExpression prompt("第(\\d)个测量位置");
    if (const auto m = prompt.match(asked.text); m.hasMatch()) {
      moves.push_back(m.captured(1).toInt());
      ASSERT_TRUE(sim->sendLine("mic " + m.captured(1).toStdString()));
    }
  };
  const std::array<int, kBands> flat = window.eqView().channelRegisters(0);

  window.SSTab1->setCurrentIndex(7);
  QTest::mouseClick(window.autoEqPage->CmdRoomEq, Qt::LeftButton);
  RoomEqDialog& dialog = *window.roomDialog;
  for (int c = 1; c < kChannels; ++c)
    dialog.ChkRoomCh[static_cast<std::size_t>(c)]->setChecked(false);
  dialog.SpinRoomPos->setValue(3);
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok, Dialogs::Answer::Ok,
                     Dialogs::Answer::Ok};
  QTest::mouseClick(dialog.CmdRoomStart, Qt::LeftButton);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return dialog.LblRoomState->text() == RoomSequence::kDone; }, 90'000))
      << dialog.LblRoomState->text().toStdString();
  EXPECT_EQ(moves, (std::vector<int>{1, 2, 3}));
  const double room = audienceRms(window.eqView().channelRegisters(0));
  dialog.close();

  // Back to what the processor held, then the single-seat sequence at
  // position 1 for comparison.
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  QTest::mouseClick(window.autoEqPage->CmdRestoreEq, Qt::LeftButton);
  ASSERT_EQ(window.eqView().channelRegisters(0), flat);
  ASSERT_TRUE(sim->sendLine("mic 1"));
  window.GroupNum->setValue(0);
  dialogs.answers = {Dialogs::Answer::Ok};
  QTest::mouseClick(window.findChild<QPushButton*>("CmdTest2"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.Label12->text() == "本通道自调完成."; }, 60'000))
      << window.Label12->text().toStdString();
  const double seat = audienceRms(window.eqView().channelRegisters(0));
  EXPECT_LT(room, seat);
  EXPECT_LT(room, 1.5);
}

}  // namespace
}  // namespace eqset
