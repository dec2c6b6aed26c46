// "保存全部设置" and "读取全部设置": the window's settings for one hall,
// gathered from the controls and put back into them.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <limits>

#include "app/choices.h"
#include "app/mainwindow.h"
#include "app/widgets.h"
#include "controls/channelswitches.h"
#include "controls/delaycalculator.h"
#include "controls/inputmode.h"
#include "files/fileoperations.h"
#include "params/numbers.h"
#include "params/statetexts.h"

namespace eqset {

namespace {

// A theatre size as the delay calculator reads it; anything else is no
// number, which the save then names.
double roomSize(const QLineEdit* box) {
  return roomDimension(box->text()).value_or(std::numeric_limits<double>::quiet_NaN());
}

int integerOf(const QLineEdit* box) {
  bool ok = false;
  const int v = box->text().trimmed().toInt(&ok);
  return ok ? v : -1;
}

QString decimal(double v) {
  return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

void MainWindow::wireSettingsFile() {
  HallSettingsFiles::Window w;
  w.gather = [this] {
    HallSettings s;
    s.input = inputMode_->input();
    s.mode = inputMode_->mode();
    s.auxTo51Allowed = TxtAuxOut6->text() == statetext::kAuxAllowed;
    s.masterVolumeDb = Slider2->value();
    s.muteAll = Check3->isChecked();
    // -1 where none is chosen, which no settings file can hold: the save names it.
    s.limiter = chosenIndex(Option2);
    s.pinkNoiseChannel = chosenIndex(Option1);
    for (int j = 0; j < 2; ++j) {
      s.fadeSeconds[static_cast<std::size_t>(j)] =
          static_cast<int>(roundHalfEven(CWSlide1[j]->pointerValue()));
    }
    s.roomLengthM = roomSize(Text2[0]);
    s.roomWidthM = roomSize(Text2[1]);
    s.targetCurve = Combo3->currentText();
    s.micZeroDb = leadingNumber(Text10->text());
    for (int c = 0; c < kChannels; ++c) {
      auto& ch = s.channels[static_cast<std::size_t>(c)];
      const auto registers = eqView().channelRegisters(c);
      for (int b = 0; b < kBands; ++b) {
        ch.eqGainsDb[static_cast<std::size_t>(b)] =
            conv::bandGainFromRegister(registers[static_cast<std::size_t>(b)]);
      }
      ch.levelDb = conv::levelDbFromPosition(Slider3[c]->value());
      ch.inverted = TxtInvert[c]->text() != statetext::kPolarityNormal;
      ch.delayMs = integerOf(Text1[c]);
    }
    return s;
  };

  w.show = [this](const HallSettings& s) {
    // The input and mode first: they decide the bank the pages now stand for.
    inputMode_->showSelection(s.input, s.mode);
    inputMode_->showAux(s.auxTo51Allowed);
    for (int c = 0; c < kChannels; ++c) {
      std::array<int, kBands> registers{};
      const auto& gains = s.channels[static_cast<std::size_t>(c)].eqGainsDb;
      for (int b = 0; b < kBands; ++b) {
        registers[static_cast<std::size_t>(b)] =
            conv::bandRegisterFromGain(gains[static_cast<std::size_t>(b)]);
      }
      eqView().showChannel(c, registers);
    }
    // The pages hold the hall's tuning now, and "数据写入DSP" is meant to send
    // it, with the input, mode and switches around it.
    eqKnown.markAll(bankOffset());
    hallFileToWrite_ = true;

    Slider2->setValue(s.masterVolumeDb);
    Text5[reg::kMasterVolume]->setText(QString::number(s.masterVolumeDb));
    switches_->showMute(s.muteAll);
    switches_->showLimiter(s.limiter);
    switches_->showNoiseChannel(s.pinkNoiseChannel);
    for (int j = 0; j < 2; ++j) {
      const int seconds = s.fadeSeconds[static_cast<std::size_t>(j)];
      CWSlide1[j]->setPointerValue(seconds);
      Label21[j]->setText(QStringLiteral("%1秒").arg(seconds));
    }
    Text2[0]->setText(decimal(s.roomLengthM));
    Text2[1]->setText(decimal(s.roomWidthM));
    for (int c = 0; c < kChannels; ++c) {
      const auto& ch = s.channels[static_cast<std::size_t>(c)];
      Slider3[c]->setValue(conv::levelPositionFromDb(ch.levelDb));
      Text5[static_cast<std::size_t>(reg::kChannelLevel + c)]->setText(QString::number(ch.levelDb));
      CWNumEdit1[c]->setValue(ch.levelDb);
      switches_->showPolarity(c, ch.inverted);
      Text1[c]->setText(QString::number(ch.delayMs));
    }
    const int target = Combo3->findText(s.targetCurve);
    if (target >= 0) {
      Combo3->setCurrentIndex(target);
    } else {
      Combo3->setCurrentText(s.targetCurve);
    }
    Text10->setText(decimal(s.micZeroDb));
  };

  settingsFiles_ =
      std::make_unique<HallSettingsFiles>(dialogs_, files_, folders_.home, std::move(w));
  connect(CmdSaveAll, &QPushButton::clicked, this, [this] { settingsFiles_->save(); });
  connect(CmdLoadAll, &QPushButton::clicked, this, [this] { settingsFiles_->load(); });
}

}  // namespace eqset
