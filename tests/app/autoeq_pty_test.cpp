#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "measure/compensation.h"
#include "qtprinters.h"
#include "simulatorwindow.h"

namespace eqset {
namespace {

// "全自动均衡" on every channel of the simulator's room over a real line, with
// the real timers: each channel ends closer to its target than it began.
class AutoEqOnLine : public ::testing::Test, protected test::SimulatorWindow {};

TEST_F(AutoEqOnLine, EveryChannelEndsCloserToItsTarget) {
  ASSERT_NO_FATAL_FAILURE(startOnLine({"--seed", "11", "--sweep-seconds", "1"}, "ISO2969"));
  MainWindow& window = *this->window;
  window.SSTab1->setCurrentIndex(7);

  CurveRow first{};
  dialogs.onAsk = [&](const auto&) { first = window.measure.plot.rows[0]; };
  for (int channel = 0; channel < kChannels; ++channel) {
    SCOPED_TRACE(channel);
    window.GroupNum->setValue(channel);
    dialogs.answers = {Dialogs::Answer::Ok};
    QTest::mouseClick(window.findChild<QPushButton*>("CmdTest2"), Qt::LeftButton);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window.Label12->text() == "本通道自调完成."; }, 60'000))
        << window.Label12->text().toStdString();
    ASSERT_EQ(dialogs.asked.size(), static_cast<std::size_t>(channel + 1));
    const bool sub = channel == kSubwoofer;
    const Deviation before = deviationFromTarget(first, TargetType::Iso2969, sub);
    const Deviation after =
        deviationFromTarget(window.measure.plot.rows[0], TargetType::Iso2969, sub);
    EXPECT_LT(after.largest, before.largest);
    EXPECT_LT(after.rms, before.rms);
    EXPECT_EQ(window.measure.passCount[static_cast<std::size_t>(channel)], 2);
  }
  EXPECT_EQ(window.Text14->text(), "0");
}

}  // namespace
}  // namespace eqset
