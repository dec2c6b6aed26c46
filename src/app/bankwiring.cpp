// Which bank the pages stand for: the window follows what the processor
// plays, and a page counts as the processor's only once it was read, loaded
// or written for the bank in force.
#include <QStringList>

#include "app/mainwindow.h"
#include "controls/inputmode.h"
#include "params/blockread.h"
#include "params/statetexts.h"

namespace eqset {

void MainWindow::readBankEqualizers() {
  const int bank = bankOffset();
  takeChannelReads(bank, blockRead_->allChannelsRead(bank), (1U << kChannels) - 1);
}

void MainWindow::takeChannelReads(int bank, const BlockRead::AllRead& reads, unsigned channels) {
  QStringList outside;
  for (int c = 0; c < kChannels; ++c) {
    if (!(channels & (1U << c))) continue;
    const auto& read = reads[static_cast<std::size_t>(c)];
    if (read.good()) {
      eqKnown.mark(c, bank);
      continue;
    }
    // A page the processor did not answer for, or one showing a value no
    // slider step stands for, would send the window's own values back.
    eqKnown.forget(c);
    if (read.answered) {
      outside << QStringLiteral("%1声道 %2：读到 %3")
                     .arg(statetext::channelName(c),
                          QString::fromUtf8(
                              bandTable()[static_cast<std::size_t>(read.outsideBand)].label.data()))
                     .arg(read.outsideValue);
    }
  }
  if (outside.isEmpty()) return;
  dialogs_.message(QStringLiteral("处理器中的均衡数值超出范围（0到30）：\n%1\n"
                                  "这些声道不算已读取，写入前请检查。")
                       .arg(outside.join('\n')),
                   QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
}

void MainWindow::onLinkUp() {
  // An input or mode the tool does not know, or no answer: nothing is known
  // of the bank that plays, so no page counts as the processor's.
  if (!inputMode_->followProcessor()) eqKnown.forgetAll();
}

}  // namespace eqset
