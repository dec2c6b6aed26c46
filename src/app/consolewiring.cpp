// The console's switches, the delay calculator, the microphone zero, the full
// write and the equalizer copy and reset, wired to the window's controls.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "app/choices.h"
#include "app/mainwindow.h"
#include "app/pages/autoeqpage.h"
#include "app/widgets.h"
#include "controls/channelswitches.h"
#include "controls/delaycalculator.h"
#include "controls/inputmode.h"
#include "controls/miczero.h"
#include "eq/eqcopyreset.h"
#include "link/dialogs.h"
#include "params/blockread.h"
#include "params/numbers.h"
#include "params/processorwrite.h"

namespace eqset {

const char* const MainWindow::kBlindWriteQuestion =
    "窗口中的均衡尚未从处理器或设置文件读取，写入将覆盖处理器中的全部设置。是否继续？";

bool MainWindow::writeWhatTheFullWriteLeaves() {
  bool all = link_->WriteRegister(reg::kMute, Check3->isChecked() ? 1 : 0);
  link_->pauseAfterReply(ProcessorWrite::kAfterSettingMs);
  if (const int limiter = chosenIndex(Option2); limiter >= 0) {
    for (int k = 0; k < 3; ++k) {
      all = link_->WriteRegister(reg::kLimiter + k, limiter) && all;
      link_->pauseAfterReply(ProcessorWrite::kAfterSettingMs);
    }
  }
  if (const int channel = chosenIndex(Option1); channel >= 0) {
    all = link_->WriteRegister(reg::kTestChannel, channel) && all;
    link_->pauseAfterReply(ProcessorWrite::kAfterSettingMs);
  }
  for (int j = 0; j < 2; ++j) {
    const auto seconds = static_cast<int>(roundHalfEven(CWSlide1[j]->pointerValue()));
    all = link_->WriteRegister(j == 0 ? reg::kFade0 : reg::kFade1, seconds) && all;
    link_->pauseAfterReply(ProcessorWrite::kAfterSettingMs);
  }
  return all;
}

void MainWindow::wireConsole() {
  ChannelSwitches::Controls sc;
  std::copy(Option1.begin(), Option1.end(), sc.noiseChannels.begin());
  std::copy(Option2.begin(), Option2.end(), sc.limiters.begin());
  sc.muteAll = Check3;
  sc.volumeBox = Text5[reg::kMasterVolume];
  sc.polarity = TxtInvert;
  switches_ = std::make_unique<ChannelSwitches>(*link_, sc);
  for (int k = 0; k < kChannels; ++k) {
    connect(Option1[k], &QRadioButton::clicked, this,
            [this, k] { switches_->selectNoiseChannel(k); });
    connect(CmdInvert[k], &QPushButton::clicked, this, [this, k] { switches_->invertPolarity(k); });
  }
  for (int k = 0; k < 3; ++k) {
    connect(Option2[k], &QRadioButton::clicked, this, [this, k] { switches_->selectLimiter(k); });
  }
  connect(Check3, &QCheckBox::clicked, this, [this] { switches_->muteAll(); });

  delays_ =
      std::make_unique<DelayCalculator>(*link_, dialogs_, DelayCalculator::Controls{Text2, Text1});
  connect(Command2, &QPushButton::clicked, this, [this] { delays_->calculateAndWrite(); });

  micZero_ = std::make_unique<MicZero>(dialogs_, Text10);
  connect(autoEqPage->Text10, &EntryBox::entered, this, [this] { micZero_->checkRange(); });

  ProcessorWrite::Sources ws;
  ws.bankOffset = [this] { return bankOffset(); };
  ws.bandPosition = [this](int i) { return Slider1[static_cast<std::size_t>(i)]->value(); };
  ws.levelPosition = [this](int k) { return Slider3[static_cast<std::size_t>(k)]->value(); };
  ws.volumePosition = [this] { return Slider2->value(); };
  ws.polarityText = [this](int k) { return TxtInvert[static_cast<std::size_t>(k)]->text(); };
  ws.auxText = [this] { return TxtAuxOut6->text(); };
  ws.writeDelays = [this] { delays_->calculateAndWrite(); };
  ws.channelWritten = [this](int c) { eqKnown.mark(c, bankOffset()); };
  writer_ = std::make_unique<ProcessorWrite>(*link_, std::move(ws));
  connect(CmdWriteToMcu, &QPushButton::clicked, this, [this] {
    // Pages nobody synchronised hold the window's start values; writing them
    // would wipe a tuned processor without a word.
    if (!eqKnown.all(bankOffset()) &&
        dialogs_.message(QString::fromUtf8(kBlindWriteQuestion), QStringLiteral("提示"),
                         Dialogs::Icon::Question,
                         Dialogs::Buttons::OkCancel) != Dialogs::Answer::Ok) {
      return;
    }
    const bool wholeFile = hallFileToWrite_;
    // A settings file holds the input and mode its pages are for: they go
    // first, so that the full write lands in the bank the file stands for.
    bool sent = true;
    if (wholeFile) {
      sent = link_->WriteRegister(reg::kInput, static_cast<int>(inputMode_->input()));
      link_->pauseAfterReply(InputMode::kAfterInputMs);
      sent = link_->WriteRegister(reg::kMode, static_cast<int>(inputMode_->mode())) && sent;
      link_->pauseAfterReply(InputMode::kAfterModeMs);
      if (sent) inputMode_->selectionWritten();
    }
    writer_->WriteAll();
    if (wholeFile) {
      sent = writeWhatTheFullWriteLeaves() && sent;
      // Until every field of the file was answered, the next write sends it
      // all again.
      hallFileToWrite_ = !sent;
    }
  });

  EqCopyReset::Controls cc;
  std::copy(Slider1.begin(), Slider1.end(), cc.sliders.begin());
  std::copy(Text5.begin(), Text5.begin() + kBandIndexes, cc.boxes.begin());
  cc.copyLists = CmbCopy;
  copyReset_ = std::make_unique<EqCopyReset>(*link_, dialogs_, *writer_, cc,
                                             [this] { blockRead_->fullRead(); });
  for (int c = 0; c < kChannels; ++c) {
    connect(CmdCopy[c], &QPushButton::clicked, this, [this, c] { copyReset_->copyInto(c); });
    connect(CmdResetL[c], &QPushButton::clicked, this, [this, c] { copyReset_->reset(c); });
  }
}

}  // namespace eqset
