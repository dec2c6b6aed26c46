// The window shows what the processor holds: reads put it into the pages, the
// tool's own writes leave the pages at what was written, and a full write of
// pages nobody synchronised asks first.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/widgets.h"
#include "link/frames.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class SyncTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  // Band b of channel c as its page shows it: slider position and box text.
  int position(int c, int b) const {
    return window->Slider1[static_cast<std::size_t>(31 * c + b)]->value();
  }
  QString box(int c, int b) const {
    return window->Text5[static_cast<std::size_t>(31 * c + b)]->text();
  }
  // Band b of channel c in the bank the processor plays from.
  int held(int c, int b) const { return model.bankCell(model.activeBank(), 31 * c + b); }

  // The page of channel c shows exactly what the processor holds.
  void expectPageShowsProcessor(int c) {
    for (int b = 0; b < 31; ++b) {
      SCOPED_TRACE("band " + std::to_string(b));
      EXPECT_EQ(position(c, b), 15 - held(c, b));
      EXPECT_EQ(box(c, b), QString::number(held(c, b) - 15));
    }
  }

  void chooseChannel(int channel) {
    QLineEdit* field = window->GroupNum->findChild<QLineEdit*>();
    showPageOf(window->GroupNum);
    field->selectAll();
    QTest::keyClicks(field, QString::number(channel));
    QTest::keyClick(field, Qt::Key_Return);
  }
};

TEST_F(SyncTest, AnAutomaticTuningSurvivesTheNextFullWrite) {
  chooseChannel(2);
  dialogs.answers = {Dialogs::Answer::Ok};
  press(find<QPushButton>("CmdTest2"));
  int seconds = 0;
  while (nextSecond())
    ASSERT_LT(++seconds, 60);
  ASSERT_EQ(window->Label12->text(), "本通道自调完成.");
  std::vector<int> tuned;
  for (int b = 0; b < 31; ++b)
    tuned.push_back(held(2, b));
  ASSERT_NE(tuned, std::vector<int>(31, 15)) << "the run corrected nothing";
  expectPageShowsProcessor(2);

  // The other pages were never read: the full write asks, then keeps the tuning.
  dialogs.asked.clear();
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdWriteToMcu);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, MainWindow::kBlindWriteQuestion);
  for (int b = 0; b < 31; ++b)
    EXPECT_EQ(held(2, b), tuned[static_cast<std::size_t>(b)]) << "band " << b;
}

TEST_F(SyncTest, ASingleChannelReadTakesThatPagesChannelInTheBankInForce) {
  clickOption(window->Option3[1]);
  clickOption(window->Option5[1]);  // analog B: bank 300
  // The processor holds something other than flat on channels 4 and 3.
  for (int b = 0; b < 31; ++b) {
    model.writeRegister(300 + 124 + b, static_cast<std::uint16_t>(b * 7 % 31), clock.now());
    model.writeRegister(300 + 93 + b, 20, clock.now());
  }
  port.clearEvents();
  press(window->CmdReadSingleCh[4]);
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].bytes, *readRequest(300 + 124, 31));
  expectPageShowsProcessor(4);
  EXPECT_EQ(position(3, 0), 0);  // another page stays as it was
}

TEST_F(SyncTest, AFullWriteOfUnreadPagesAsksAndReadingThemAllSettlesIt) {
  // The processor was tuned before the program started.
  for (int i = 0; i < 186; ++i)
    model.writeRegister(i, static_cast<std::uint16_t>(10 + i % 11), clock.now());

  dialogs.answers = {Dialogs::Answer::Cancel};
  press(window->CmdWriteToMcu);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text, MainWindow::kBlindWriteQuestion);
  EXPECT_EQ(dialogs.asked[0].buttons, Dialogs::Buttons::OkCancel);
  EXPECT_TRUE(port.writes().empty());

  port.clearEvents();
  press(window->CmdReadAllEq);
  const auto reads = frames();
  ASSERT_EQ(reads.size(), 6u);
  for (int c = 0; c < 6; ++c) {
    EXPECT_EQ(reads[static_cast<std::size_t>(c)].function, 3);
    EXPECT_EQ(reads[static_cast<std::size_t>(c)].address, 31 * c);
    expectPageShowsProcessor(c);
  }
  dialogs.asked.clear();
  port.clearEvents();
  press(window->CmdWriteToMcu);
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(frames().size(), 12u);
  for (int i = 0; i < 186; ++i)
    EXPECT_EQ(model.bankCell(0, i), 10 + i % 11) << "register " << i;

  // Another bank is another set of pages: the switch reads them, so the
  // pages show the auxiliary bank and a write goes there, not over the first.
  clickOption(window->Option3[1]);
  port.clearEvents();
  clickOption(window->Option5[2]);
  const auto bankReads = frames();
  ASSERT_EQ(bankReads.size(), 8u);  // input, block read, six channels
  EXPECT_EQ(bankReads[2].address, 600);
  EXPECT_EQ(bankReads[7].address, 600 + 31 * 5);
  EXPECT_EQ(window->Slider1[40]->value(), 0);  // the auxiliary bank is flat
  press(window->CmdWriteToMcu);
  EXPECT_TRUE(dialogs.asked.empty());
  for (int i = 0; i < 186; ++i) {
    EXPECT_EQ(model.bankCell(0, i), 10 + i % 11) << "register " << i;
    EXPECT_EQ(model.bankCell(2, i), 15) << "register " << i;
  }
  // A channel the processor did not answer for counts as unread again.
  port.setReplyFilter([](const QByteArray& request, QByteArray reply) {
    return request.left(4) == QByteArray::fromHex("01030296") ? QByteArray() : reply;
  });
  clickOption(window->Option5[2]);
  dialogs.answers = {Dialogs::Answer::Cancel};
  press(window->CmdWriteToMcu);
  EXPECT_EQ(dialogs.asked.size(), 1u);
}

}  // namespace
}  // namespace eqset::test
