#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/pages/roomeqdialog.h"
#include "app/widgets.h"
#include "link/crc.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

// The caption never claims a link the port does not have.
TEST_F(WindowTest, ACaptionClaimsALinkOnlyWhileThePortIsOpen) {
  const struct {
    const char* name;
    std::function<void()> closeIt;
  } ways[] = {
      {"rescan", [this] { QTest::mouseClick(window->Command25, Qt::LeftButton); }},
      {"lineLost", [this] { port.loseLine(); }},
      {"adapterGoneAtAReopen",
       [this] {
         port.setPort(2, PortState::Missing);
         QTest::mouseClick(window->CmdReadHardL, Qt::LeftButton);
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    window.reset();
    port.close();
    startConnected();
    // The close-and-reopen inside a transaction is no loss of the link.
    emit window->Slider1[3]->userMoved(-2);
    EXPECT_EQ(window->ComState->text(), "已经连接");

    way.closeIt();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(window->ComState->text(), "没有连接");
    port.clearEvents();
    emit window->Slider3[1]->userMoved(-10);  // a level: a write on an open port only
    EXPECT_TRUE(port.writes().empty());
    EXPECT_EQ(window->ComState->text(), "没有连接");

    // "确认并重启" brings it back.
    port.setPort(2, PortState::Free);
    window->Combo2->setCurrentText("Com2");
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    EXPECT_EQ(window->ComState->text(), "连接正常");
    emit window->Slider3[1]->userMoved(-10);
    EXPECT_EQ(model.bankCell(0, 251), 18);
  }
}

TEST_F(WindowTest, WithoutAStoreNoPortIsChosenForTheTechnician) {
  port.setPort(1, PortState::Free);
  port.setPort(3, PortState::Free);
  dialogs.answers = {Dialogs::Answer::Retry};
  start();
  EXPECT_EQ(entries(window->Combo2), (QStringList{"Com1", "Com3"}));
  EXPECT_EQ(window->Combo2->currentText(), "");
  EXPECT_EQ(window->ComState->text(), "连接重试失败");
  EXPECT_FALSE(port.isOpen());
  // A rescan does not choose one either.
  QTest::mouseClick(window->Command25, Qt::LeftButton);
  EXPECT_EQ(window->Combo2->currentText(), "");
}

TEST_F(WindowTest, ThePortListGrowsOnlyByScansAndOffersAPortThatWasFreed) {
  port.setPort(1, PortState::Free);
  port.setPort(5, PortState::Busy);
  storePort("Com1");
  start();
  QLineEdit* typed = window->Combo2->lineEdit();
  typed->selectAll();
  QTest::keyClicks(typed, "abcX");
  QTest::keyClick(typed, Qt::Key_Return);
  EXPECT_EQ(entries(window->Combo2), (QStringList{"Com1", "Com5 已经占用"}));

  port.setPort(5, PortState::Free);  // the other program let go of it
  QTest::mouseClick(window->Command25, Qt::LeftButton);
  EXPECT_EQ(entries(window->Combo2), (QStringList{"Com1", "Com5 已经占用", "Com5"}));
}

QByteArray withCrc(const char* hex) {
  QByteArray frame = QByteArray::fromHex(hex);
  appendCrc(frame);
  return frame;
}

TEST_F(WindowTest, ABandBoxShowsOnlyAnEchoOfItsOwnRegister) {
  startConnected();
  // A processor that answers too late: each echo arrives in the next
  // transaction's wait.
  QByteArray onTheWay;
  port.setReplyFilter([&onTheWay](const QByteArray&, QByteArray reply) {
    std::swap(onTheWay, reply);
    return reply;
  });
  for (int i = 33; i <= 36; ++i)
    emit window->Slider1[static_cast<std::size_t>(i)]->userMoved(-4);
  // Two steps of one drag: the first step's late echo names the same band.
  emit window->Slider1[36]->userMoved(-6);
  for (int i = 33; i <= 36; ++i)
    EXPECT_EQ(window->Text5[static_cast<std::size_t>(i)]->text(), "0") << i;
  EXPECT_EQ(window->Text13->text(), "0");
  EXPECT_EQ(window->Text14->text(), "5");

  // An echo with a good CRC that names another register.
  port.setReplyFilter([](const QByteArray&, QByteArray) { return withCrc("010600631234"); });
  emit window->Slider1[33]->userMoved(-4);
  EXPECT_EQ(window->Text5[33]->text(), "0");
  EXPECT_EQ(window->Text14->text(), "6");
}

TEST_F(WindowTest, TheFastLinkIsChosenByTheTechnicianAndKeptWithTheSettings) {
  startConnected();
  QCheckBox* fast = window->ChkFastLink;
  EXPECT_FALSE(fast->isChecked());  // off at first start
  auto bandMoveMs = [this](int position) {
    const auto t0 = clock.now();
    emit window->Slider1[33]->userMoved(position);
    return clock.now() - t0;
  };
  EXPECT_EQ(bandMoveMs(-4), 275);
  QTest::mouseClick(fast, Qt::LeftButton, {}, QPoint(8, fast->height() / 2));
  ASSERT_TRUE(fast->isChecked());
  EXPECT_LT(bandMoveMs(-6), 30);  // the echo is in after about 20 ms
  EXPECT_EQ(window->Text5[33]->text(), "6");
  EXPECT_EQ(model.bankCell(0, 33), 21);

  window->roomDialog->SpinRoomPos->setValue(6);  // kept the same way
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  EXPECT_EQ(SettingsStore(storePath()).load()->FastLink, "1");
  EXPECT_EQ(SettingsStore(storePath()).load()->RoomPositions, "6");
  window.reset();
  port.close();
  start();
  EXPECT_TRUE(window->ChkFastLink->isChecked());
  EXPECT_EQ(window->roomDialog->SpinRoomPos->value(), 6);
  EXPECT_LT(bandMoveMs(-2), 30);
}

}  // namespace
}  // namespace eqset::test
