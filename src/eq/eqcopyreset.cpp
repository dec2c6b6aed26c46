#include "eq/eqcopyreset.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

namespace eqset {

namespace {

struct CopyEntry {
  const char* text;
  int source;
};

// Entries of each page's copy list, in list order, with the channel they name.
const std::array<std::array<CopyEntry, 2>, kChannels> kCopyTable = {{
    {{{"右", 1}, {"中置", 2}}},
    {{{"左", 0}, {"中置", 2}}},
    {{{"左", 0}, {"右", 1}}},
    {{{"无", -1}, {"无", -1}}},
    {{{"右环", 5}, {"右", 1}}},
    {{{"左环", 4}, {"左", 0}}},
}};

}  // namespace

std::optional<int> copySource(int destination, const QString& text) {
  if (destination < 0 || destination >= kChannels) return std::nullopt;
  for (const CopyEntry& e : kCopyTable[static_cast<std::size_t>(destination)]) {
    if (e.source >= 0 && text == QString::fromUtf8(e.text)) return e.source;
  }
  return std::nullopt;
}

EqCopyReset::EqCopyReset(ModbusLink& link, Dialogs& dialogs, ProcessorWrite& writer,
                         const Controls& controls, std::function<void()> fullRead)
    : link_(link),
      dialogs_(dialogs),
      writer_(writer),
      c_(controls),
      fullRead_(std::move(fullRead)) {}

void EqCopyReset::copyInto(int destination) {
  const auto source =
      copySource(destination, c_.copyLists[static_cast<std::size_t>(destination)]->currentText());
  if (source) {
    for (int b = 0; b < kBands; ++b) {
      const auto to = static_cast<std::size_t>(equalizerRegister(destination, b));
      const auto from = static_cast<std::size_t>(equalizerRegister(*source, b));
      c_.boxes[to]->setText(c_.boxes[from]->text());
      c_.sliders[to]->setValue(c_.sliders[from]->value());
    }
  }
  // Asked even when nothing was copied: the page's own bands can still be sent.
  const auto answer =
      dialogs_.message(QStringLiteral("界面数据已经复制,要确认写入DSP吗?"), QStringLiteral("提示"),
                       Dialogs::Icon::Question, Dialogs::Buttons::OkCancel);
  if (answer == Dialogs::Answer::Ok) writer_.WriteChannelEq(destination);
}

void EqCopyReset::reset(int channel) {
  const auto answer =
      dialogs_.message(QStringLiteral("确认要全部写入0dB?"), QStringLiteral("重要提示"),
                       Dialogs::Icon::None, Dialogs::Buttons::OkCancel);
  if (answer != Dialogs::Answer::Ok) return;
  // Boxes and sliders both show what is written: a flat channel.
  for (int b = 0; b < kBands; ++b) {
    const auto i = static_cast<std::size_t>(equalizerRegister(channel, b));
    c_.sliders[i]->setValue(0);
    c_.boxes[i]->setText(QStringLiteral("0"));
  }
  writer_.WriteChannelEq(channel);
  link_.clock().sleep(kAfterResetMs);
  fullRead_();
}

}  // namespace eqset
