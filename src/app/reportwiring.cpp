// The commissioning report ("生成调试报告") and the graph picture ("保存图形").
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/mainwindow.h"
#include "app/pages/autoeqpage.h"
#include "app/widgets.h"
#include "measure/curvegraph.h"
#include "params/blockread.h"
#include "report/commissioningreport.h"

namespace eqset {

namespace {

// The caption of the option chosen in a group; empty when none is.
template <std::size_t N>
QString chosenCaption(const std::array<QRadioButton*, N>& options) {
  for (const QRadioButton* option : options) {
    if (option->isChecked()) return option->text();
  }
  return {};
}

}  // namespace

void MainWindow::wireReport() {
  CommissioningReport::Sources sources;
  sources.settings = [this] {
    WindowSettings s;
    s.port = Combo2->currentText();
    s.input = chosenCaption(Option5);
    s.mode = chosenCaption(Option3);
    s.target = Combo3->currentText();
    for (std::size_t i = 0; i < Slider1.size(); ++i)
      s.bandPositions[i] = Slider1[i]->value();
    s.volumePosition = Slider2->value();
    for (std::size_t k = 0; k < kChannels; ++k) {
      s.levelPositions[k] = Slider3[k]->value();
      s.delays[k] = Text1[k]->text();
      s.polarities[k] = TxtInvert[k]->text();
    }
    s.roomLength = Text2[0]->text();
    s.roomWidth = Text2[1]->text();
    s.muted = Check3->isChecked();
    s.limiter = chosenCaption(Option2);
    s.fades = {Label21[0]->text(), Label21[1]->text()};
    s.micZero = Text10->text();
    // The gains the report names are the processor's, read now: a run's last
    // correction, a restore or an edit made elsewhere all show as they stand.
    const int bank = bankOffset();
    const auto reads = blockRead_->allChannelsRead(bank);
    takeChannelReads(bank, reads, (1U << kChannels) - 1);
    for (int c = 0; c < kChannels; ++c) {
      if (!reads[static_cast<std::size_t>(c)].good()) continue;
      std::array<int, kBands> gains{};
      const auto registers = eqView_->channelRegisters(c);
      for (int b = 0; b < kBands; ++b)
        gains[static_cast<std::size_t>(b)] =
            conv::bandGainFromRegister(registers[static_cast<std::size_t>(b)]);
      s.held[static_cast<std::size_t>(c)] = gains;
    }
    return s;
  };
  sources.now = [] { return QDateTime::currentDateTime(); };
  report_ = new CommissioningReport(dialogs_, files_, folders_.home, measure, CWGraph1,
                                    std::move(sources), this);
  connect(CmdReport, &QPushButton::clicked, this, [this] { report_->writeReport(); });
  connect(CmdSaveGraph, &QPushButton::clicked, this, [this] { report_->saveGraph(); });

  // A curve read by hand once the processor reports its sweep finished is the
  // channel's first curve, unless an automatic run has kept one already. The
  // read itself is wired before this, so its curve is stored by now.
  connect(autoEqPage->Command8, &QPushButton::clicked, this, [this] {
    const int channel = GroupNum->value();
    if (measure.sweepStatus != 1 || channel < 0 || channel >= kChannels) return;
    keepFirstCurve(measure, channel, measure.curves.areas[static_cast<std::size_t>(channel)]);
  });
}

}  // namespace eqset
