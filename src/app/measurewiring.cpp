// The measurement page: test signals, readings, compensation, the automatic
// sequence and the graph, wired to the window's controls and timers.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/mainwindow.h"
#include "app/pages/autoeqpage.h"
#include "app/widgets.h"
#include "controls/miczero.h"
#include "measure/autosequence.h"
#include "measure/bandedit.h"
#include "measure/compensationsteps.h"
#include "measure/curvedisplay.h"
#include "measure/curvegraph.h"
#include "measure/measurement.h"
#include "measure/periodictimer.h"
#include "measure/testsignals.h"
#include "params/blockread.h"

namespace eqset {

void MainWindow::wireMeasurement() {
  const bool realTime = clock_.realTime();
  Timer2 = new PeriodicTimer("Timer2", realTime, this);
  Timer5 = new PeriodicTimer("Timer5", realTime, this);
  Timer6 = new PeriodicTimer("Timer6", realTime, this);
  Timer7 = new PeriodicTimer("Timer7", realTime, this);
  const std::array<PeriodicTimer*, 3> sequenceTimers = {Timer5, Timer6, Timer7};
  const std::array<QWidget*, 4> steps = {Command18, Command9, Command22, Command10};
  AutoEqPage& page = *autoEqPage;

  testSignals_ = std::make_unique<TestSignals>(
      *link_, dialogs_, measure,
      TestSignals::Controls{TxtFenZao, Text6, Text7, Text8, page.Command24, steps},
      TestSignals::Timers{Timer2, sequenceTimers});
  connect(CmdFZ, &QPushButton::clicked, this, [this] { testSignals_->pinkNoiseSwitch(); });
  connect(page.CmdTest1, &QPushButton::clicked, this, [this] { testSignals_->calibrate(); });
  connect(page.Command7, &QPushButton::clicked, this, [this] { testSignals_->singleFrequency(); });
  connect(page.Command6, &QPushButton::clicked, this, [this] { testSignals_->startContinuous(); });
  connect(page.Command4, &QPushButton::clicked, this, [this] { testSignals_->stop(); });
  connect(page.Command19, &QPushButton::clicked, this, [this] { testSignals_->normalPlayback(); });
  connect(page.Command24, &QPushButton::clicked, this, [this] { testSignals_->manualOperation(); });
  for (int k = 0; k < kChannels; ++k) {
    if (Command11[k]) {
      connect(Command11[k], &QPushButton::clicked, this, [this] { testSignals_->genericSignal(); });
    }
    if (Command23[k]) {
      connect(Command23[k], &QPushButton::clicked, this,
              [this] { testSignals_->genericStopRun(); });
    }
  }

  CurveDisplay::Controls dc;
  dc.graph = CWGraph1;
  dc.channel = GroupNum;
  dc.channelName = Label11;
  std::copy(CWNumEdit1.begin(), CWNumEdit1.end(), dc.levelEdits.begin());
  display_ =
      std::make_unique<CurveDisplay>(*link_, measure, dc, [this] { measurement_->curveRead(); });

  Measurement::Sources ms;
  ms.channel = [this] { return GroupNum->value(); };
  ms.bankOffset = [this] { return bankOffset(); };
  ms.micZero = [this] { return micZero_->value(); };
  ms.redraw = [this] { display_->redraw(); };
  ms.singleFrequency = [this] { return testSignals_->singleFrequency(); };
  ms.bandHeld = [this](int channel, int band, int value) {
    eqView_->showRegister(equalizerRegister(channel, band), value);
  };
  measurement_ = std::make_unique<Measurement>(*link_, dialogs_, measure, *Timer2,
                                               Measurement::Controls{Text3, Text4, Text7, FreqNum},
                                               std::move(ms));
  connect(page.Command3, &QPushButton::clicked, this, [this] { measurement_->levelReading(); });
  connect(page.Command8, &QPushButton::clicked, this, [this] { measurement_->curveRead(); });
  connect(Command18, &QPushButton::clicked, this, [this] { measurement_->readPresentGains(); });
  connect(page.Text4, &EntryBox::entered, this, [this] { measurement_->checkDisplayMode(); });
  connect(Timer2, &PeriodicTimer::tick, this,
          [this] { ticks_.run([this] { measurement_->periodicTick(); }); });
  for (int n = 0; n < kBands; ++n) {
    BandEdit* edit = FreqNum[static_cast<std::size_t>(n)];
    connect(edit, &BandEdit::focusGained, this, [this, n] { measurement_->bandFocusGained(n); });
    connect(edit, &BandEdit::focusLost, this, [this, n] { measurement_->bandFocusLost(n); });
    connect(edit, &BandEdit::edited, this,
            [this, n](double value) { measurement_->bandEdited(n, value); });
  }

  CompensationSteps::Sources cs;
  cs.channel = [this] { return GroupNum->value(); };
  cs.bankOffset = [this] { return bankOffset(); };
  cs.targetText = [this] { return Combo3->currentText(); };
  cs.redraw = [this] { display_->redraw(); };
  cs.fullRead = [this] { blockRead_->fullRead(); };
  cs.written = [this](int channel, const std::array<int, kBands>& values) {
    channelHeld(channel, bankOffset(), values);
    measure.restored[static_cast<std::size_t>(channel)] = false;
  };
  compensation_ =
      std::make_unique<CompensationSteps>(*link_, dialogs_, measure, FreqNum, std::move(cs));
  connect(Command9, &QPushButton::clicked, this, [this] { compensation_->relative(); });
  connect(Command22, &QPushButton::clicked, this, [this] { compensation_->absolute(); });
  connect(Command10, &QPushButton::clicked, this, [this] { compensation_->write(); });
  connect(page.Command20, &QPushButton::clicked, this, [this] { compensation_->referenceUp(); });
  connect(page.Command21, &QPushButton::clicked, this, [this] { compensation_->referenceDown(); });

  sequence_ = std::make_unique<AutoSequence>(
      *link_, dialogs_, measure, *testSignals_, *measurement_, *compensation_, sequenceTimers,
      AutoSequence::Controls{Label12, page.Command24, steps}, [this] { return GroupNum->value(); },
      [this] { return Check3->isChecked(); });
  connect(page.CmdTest2, &QPushButton::clicked, this, [this] { sequence_->start(); });
  connect(Timer5, &PeriodicTimer::tick, this,
          [this] { ticks_.run([this] { sequence_->firstSweepTick(); }); });
  connect(Timer6, &PeriodicTimer::tick, this,
          [this] { ticks_.run([this] { sequence_->secondSweepTick(); }); });
  connect(Timer7, &PeriodicTimer::tick, this,
          [this] { ticks_.run([this] { sequence_->finalSweepTick(); }); });

  connect(GroupNum, &QSpinBox::valueChanged, this,
          [this](int value) { display_->channelChanged(value); });
  connect(page.Command14, &QPushButton::clicked, this, [this] { display_->raiseMinimum(); });
  connect(page.Command15, &QPushButton::clicked, this, [this] { display_->lowerMinimum(); });
  connect(page.Command16, &QPushButton::clicked, this, [this] { display_->lowerMaximum(); });
  connect(page.Command17, &QPushButton::clicked, this, [this] { display_->raiseMaximum(); });
}

}  // namespace eqset
