#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/widgets.h"
#include "controls/backcolor.h"
#include "link/crc.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

struct Write {
  std::int64_t time;
  int function;
  int address;
  int value;  // first value
};

std::vector<Write> decoded(const FakeSerialPort& port) {
  std::vector<Write> out;
  for (const auto& e : port.writes()) {
    const auto b = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(e.bytes[i])); };
    const int function = b(1);
    const int value = function == 16 ? 256 * b(7) + b(8) : 256 * b(4) + b(5);
    out.push_back({e.time, function, 256 * b(2) + b(3), value});
  }
  return out;
}

class LiveEditTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  void selectThreeGroups(int input) {
    clickOption(window->Option3[1]);
    clickOption(window->Option5[input]);
    port.clearEvents();
  }
};

TEST_F(LiveEditTest, KeyboardStepOnABandWritesItAndShowsTheEcho) {
  UserSlider* s = window->Slider1[33];
  s->setFocus();
  QTest::keyClick(s, Qt::Key_Up);  // towards the top: one dB more
  const auto w = decoded(port);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(port.writes()[0].bytes.left(6), QByteArray::fromHex("010600210010"));
  EXPECT_EQ(window->Slider1[33]->value(), -1);
  EXPECT_EQ(window->Text5[33]->text(), "1");
  EXPECT_EQ(window->Text13->text(), "1");
  EXPECT_EQ(window->ProgressBar1->value(), 100);
  EXPECT_EQ(model.bankCell(0, 33), 16);
}

TEST_F(LiveEditTest, ClickOnTheTrackAndDragWrite) {
  UserSlider* s = window->Slider1[0];
  window->SSTab1->setCurrentIndex(1);
  QApplication::processEvents();
  // A click near the top of the track steps towards the top by a page.
  QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(s->width() / 2, 3));
  ASSERT_FALSE(port.writes().empty());
  EXPECT_LT(s->value(), 0);
  EXPECT_EQ(decoded(port).back().value, 15 - s->value());
  EXPECT_EQ(decoded(port).back().address, 0);
}

TEST_F(LiveEditTest, PositionsSetByTheProgramSendNothing) {
  for (int i = 0; i < kBandIndexes; ++i)
    window->Slider1[static_cast<std::size_t>(i)]->setValue(5);
  window->Slider2->setValue(-20);
  window->Slider3[2]->setValue(-3);
  window->CWSlide1[0]->setPointerValue(3);
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(LiveEditTest, BandExtremesAndTheLastBand) {
  struct Case {
    int index;
    int position;
    int value;
    const char* box;
  };
  for (const Case c : {Case{0, -15, 30, "15"}, Case{185, 15, 0, "-15"}, Case{40, -4, 19, "4"}}) {
    port.clearEvents();
    const auto t0 = clock.now();
    // What a drag does to the slider.
    window->Slider1[static_cast<std::size_t>(c.index)]->setSliderPosition(c.position);
    const auto w = decoded(port);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0].address, c.index);
    EXPECT_EQ(w[0].value, c.value);
    EXPECT_EQ(window->Text5[static_cast<std::size_t>(c.index)]->text(), c.box);
    // Reopen 100 ms, echo 100 ms, pause 75 ms.
    EXPECT_EQ(w[0].time, t0 + 100);
    EXPECT_EQ(clock.now(), t0 + 275);
  }
}

TEST_F(LiveEditTest, BandWriteGoesToTheBandIndexWhateverTheBank) {
  selectThreeGroups(2);
  emit window->Slider1[40]->userMoved(-2);
  const auto w = decoded(port);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].address, 40);
  EXPECT_EQ(model.bankCell(2, 40), 17);  // the processor puts it in the auxiliary bank
}

TEST_F(LiveEditTest, AWrongLengthEchoLeavesTheBoxAsItWas) {
  emit window->Slider1[33]->userMoved(-4);
  ASSERT_EQ(window->Text5[33]->text(), "4");
  port.setReplyFilter([](const QByteArray&, QByteArray reply) { return reply.left(7); });
  emit window->Slider1[33]->userMoved(-6);
  EXPECT_EQ(window->Text5[33]->text(), "4");
  EXPECT_EQ(window->Text14->text(), "1");
  EXPECT_EQ(window->ProgressBar1->value(), 0);
}

TEST_F(LiveEditTest, FocusHighlightComesAndGoes) {
  window->SSTab1->setCurrentIndex(2);
  QLineEdit* box = window->Text5[40];
  const QColor before = backColor(box);
  const int size = box->font().pointSize();
  window->Slider1[40]->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(backColor(box), QColor(0, 255, 0));
  EXPECT_TRUE(box->font().bold());
  EXPECT_EQ(box->font().pointSize(), 14);
  window->Slider1[41]->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(backColor(box), before);
  EXPECT_FALSE(box->font().bold());
  EXPECT_EQ(box->font().pointSize(), size);
}

TEST_F(LiveEditTest, VolumeAndLevelsGoToTheBankOfTheInput) {
  struct Case {
    int mode;   // 0 unified, 1 three groups
    int input;  // Option5 index
    int volumeAddress;
    int level5Address;
  };
  for (const Case c :
       {Case{0, 1, 248, 255}, Case{1, 0, 248, 255}, Case{1, 1, 548, 555}, Case{1, 2, 848, 855}}) {
    clickOption(window->Option3[c.mode]);
    clickOption(window->Option5[c.input]);
    port.clearEvents();
    emit window->Slider2->userMoved(-55);
    emit window->Slider3[5]->userMoved(-22);
    const auto w = decoded(port);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].address, c.volumeAddress);
    EXPECT_EQ(w[0].value, 0);
    EXPECT_EQ(w[1].address, c.level5Address);
    EXPECT_EQ(w[1].value, 30);
  }
  EXPECT_EQ(window->Text5[248]->text(), "-55");
  EXPECT_EQ(window->Text5[255]->text(), "8");
}

TEST_F(LiveEditTest, VolumeExtremesShowTheEchoAndPause50) {
  const auto t0 = clock.now();
  emit window->Slider2->userMoved(5);
  EXPECT_EQ(decoded(port).at(0).value, 60);
  EXPECT_EQ(window->Text5[248]->text(), "5");
  EXPECT_EQ(clock.now(), t0 + 100 + 100 + 50);
  port.setReplyFilter([](const QByteArray&, QByteArray) { return QByteArray(); });
  emit window->Slider2->userMoved(-55);
  EXPECT_EQ(window->Text5[248]->text(), "5");
}

TEST_F(LiveEditTest, LevelSliderSetsBothBoxesBeforeWriting) {
  struct Case {
    int position;
    int value;
    const char* box;
  };
  for (const Case c :
       {Case{-22, 30, "8"}, Case{8, 0, "-22"}, Case{-14, 22, "0"}, Case{-20, 28, "6"}}) {
    port.clearEvents();
    window->Slider3[3]->setSliderPosition(c.position);
    EXPECT_EQ(decoded(port).at(0).address, 253);
    EXPECT_EQ(decoded(port).at(0).value, c.value);
    EXPECT_EQ(window->Text5[253]->text(), c.box);
    EXPECT_EQ(window->CWNumEdit1[3]->value(), QString(c.box).toInt());
  }
  // With the port closed the boxes still follow the slider; nothing is sent.
  port.close();
  port.clearEvents();
  emit window->Slider3[3]->userMoved(-16);
  EXPECT_EQ(window->Text5[253]->text(), "2");
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(LiveEditTest, NumericLevelAppliesOnAMousePress) {
  window->CWNumEdit1[2]->setEnabled(true);
  window->CWNumEdit1[2]->setValue(-3);
  EXPECT_TRUE(port.writes().empty());
  QTest::mousePress(window->CWNumEdit1[2], Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(window->CWNumEdit1[2], Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(window->Slider3[2]->value(), -11);
  EXPECT_EQ(window->Text5[252]->text(), "-3");
  const auto w = decoded(port);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].address, 252);
  EXPECT_EQ(w[0].value, 19);
  // Its range keeps every value on the level scale.
  window->CWNumEdit1[2]->setValue(20);
  EXPECT_EQ(window->CWNumEdit1[2]->value(), 8);
  window->CWNumEdit1[2]->setValue(-40);
  EXPECT_EQ(window->CWNumEdit1[2]->value(), -22);
}

TEST_F(LiveEditTest, FadesWriteOnlyWhenTheWholeSecondChanges) {
  emit window->CWSlide1[1]->userChanged(2.2);
  emit window->CWSlide1[1]->userChanged(1.6);
  emit window->CWSlide1[1]->userChanged(2.4);
  emit window->CWSlide1[1]->userChanged(2.5);  // halves go to the even neighbour
  auto w = decoded(port);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].address, 1085);
  EXPECT_EQ(w[0].value, 2);
  EXPECT_EQ(window->Label21[1]->text(), "2秒");
  emit window->CWSlide1[1]->userChanged(3.0);
  w = decoded(port);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].value, 3);
  EXPECT_EQ(window->Label21[1]->text(), "3秒");
  emit window->CWSlide1[0]->userChanged(0.4);
  EXPECT_EQ(decoded(port).size(), 2u);  // 0 s is what fade 0 already holds
  EXPECT_EQ(window->Label21[0]->text(), "0秒");
}

TEST_F(LiveEditTest, InputSelectionWritesWaitsAndReadsBack) {
  clickOption(window->Option5[1]);
  const auto w = decoded(port);
  // The input, the block read, then the six equalizers of the bank now in
  // force (unified: the first set).
  ASSERT_EQ(w.size(), 8u);
  EXPECT_EQ(w[0].function, 6);
  EXPECT_EQ(w[0].address, 262);
  EXPECT_EQ(w[0].value, 2);
  EXPECT_EQ(w[1].function, 3);
  EXPECT_GE(w[1].time, w[0].time + 100 + 500 + 100);  // echo, 500 ms, reopen
  for (int c = 0; c < kChannels; ++c) {
    EXPECT_EQ(w[static_cast<std::size_t>(2 + c)].function, 3);
    EXPECT_EQ(w[static_cast<std::size_t>(2 + c)].address, 31 * c);
  }
  EXPECT_EQ(backColor(window->Option5[1]), QColor(0, 192, 0));
  EXPECT_EQ(backColor(window->Option5[0]), QColor(192, 192, 192));
  EXPECT_EQ(window->bankOffset(), 0);  // still unified
  // The same button again writes and reads again.
  port.clearEvents();
  clickOption(window->Option5[1]);
  EXPECT_EQ(decoded(port).size(), 8u);
}

TEST_F(LiveEditTest, ModeSwitchTogglesTheGroupCopyControls) {
  // The window shows what the processor plays: unified, so no group copy.
  EXPECT_FALSE(window->CmdGroupCopy->isEnabled());
  clickOption(window->Option3[0]);
  EXPECT_FALSE(window->CmdGroupCopy->isEnabled());
  EXPECT_FALSE(window->CmbGroupCopy[0]->isEnabled());
  EXPECT_FALSE(window->CmbGroupCopy[1]->isEnabled());
  clickOption(window->Option3[1]);
  EXPECT_TRUE(window->CmdGroupCopy->isEnabled());
  EXPECT_TRUE(window->CmbGroupCopy[1]->isEnabled());
  // Each switch writes the mode and reads the six equalizers in force.
  const auto w = decoded(port);
  ASSERT_EQ(w.size(), 14u);
  EXPECT_EQ(w[0].address, 288);
  EXPECT_EQ(w[0].value, 0);
  EXPECT_EQ(w[7].address, 288);
  EXPECT_EQ(w[7].value, 1);
  EXPECT_EQ(backColor(window->Option3[1]), QColor(0, 192, 0));
  EXPECT_EQ(model.sharedRegister(288), 1);
}

TEST_F(LiveEditTest, AuxiliaryPermissionTogglesTextColourAndRegister) {
  QTest::mouseClick(window->CmdAuxOut6, Qt::LeftButton);
  EXPECT_EQ(window->TxtAuxOut6->text(), "禁止");
  EXPECT_EQ(backColor(window->TxtAuxOut6), QColor(192, 192, 0));
  QTest::mouseClick(window->CmdAuxOut6, Qt::LeftButton);
  EXPECT_EQ(window->TxtAuxOut6->text(), "允许");
  EXPECT_EQ(backColor(window->TxtAuxOut6), QColor(224, 224, 224));
  const auto w = decoded(port);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[0].address, 271);
  EXPECT_EQ(w[0].value, 0);
  EXPECT_EQ(w[1].value, 1);
}

QByteArray readReply(const std::vector<int>& registers) {
  QByteArray r = QByteArray::fromHex("0103");
  r.append(static_cast<char>(2 * registers.size()));
  for (int v : registers) {
    r.append(static_cast<char>(v >> 8));
    r.append(static_cast<char>(v & 0xFF));
  }
  appendCrc(r);
  return r;
}

TEST_F(LiveEditTest, FullReadShowsGainsMovesSlidersAndKeepsWhatDoesNotFit) {
  std::vector<int> regs;
  for (int i = 0; i < 16; ++i)
    regs.push_back(15 + i);
  regs[4] = 0x8000;
  window->image().set(4, 20);
  window->Text5[4]->setText("5");
  window->Slider1[4]->setValue(-5);
  port.setResponder([&](const QByteArray&) { return readReply(regs); });
  QTest::mouseClick(window->CmdReadHardL, Qt::LeftButton);
  EXPECT_EQ(port.writes().back().bytes, QByteArray::fromHex("010300000010 4406"));
  const struct {
    int band;
    const char* box;
    int slider;
  } shown[] = {{0, "0", 0}, {1, "1", -1}, {15, "15", -15}, {4, "5", -5}};
  for (const auto& e : shown) {
    SCOPED_TRACE(e.band);
    EXPECT_EQ(window->Text5[static_cast<std::size_t>(e.band)]->text(), e.box);
    EXPECT_EQ(window->Slider1[static_cast<std::size_t>(e.band)]->value(), e.slider);
  }
  EXPECT_EQ(window->image().at(1), 16);
  EXPECT_EQ(window->Text13->text(), "1");

  regs[0] = 29;
  port.setResponder([&](const QByteArray&) { return readReply(regs).left(36); });
  QTest::mouseClick(window->CmdReadHardL, Qt::LeftButton);
  EXPECT_EQ(window->Text5[0]->text(), "0");
  EXPECT_EQ(window->Slider1[0]->value(), 0);
  EXPECT_EQ(window->image().at(0), 15);
  EXPECT_EQ(window->Text14->text(), "1");
}

TEST_F(LiveEditTest, FullReadTimeline) {
  const auto t0 = clock.now();
  QTest::mouseClick(window->CmdReadHardL, Qt::LeftButton);
  const auto& ev = port.events();
  ASSERT_GE(ev.size(), 4u);
  EXPECT_EQ(ev[0].kind, FakeSerialPort::EventKind::Close);
  EXPECT_EQ(ev[1].kind, FakeSerialPort::EventKind::Open);
  EXPECT_EQ(ev[1].time, t0 + 100);
  EXPECT_EQ(clock.now(), t0 + 100 + 600 + 100);
  EXPECT_EQ(window->Text5[0]->text(), "0");  // the processor's flat band
}

}  // namespace
}  // namespace eqset::test
