#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/widgets.h"
#include "files/settingsfile.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class SettingsFileTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  // "保存全部设置" into `name`; the file's bytes. A file saved from the window
  // holds every setting it shows, so two saves compare whole windows.
  QByteArray save(const QString& name) {
    dialogs.paths = {userData(name)};
    press(window->CmdSaveAll);
    QFile f(userData(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  void load(const QString& name) {
    dialogs.paths = {userData(name)};
    press(window->CmdLoadAll);
  }

  // A hall tuned the technician's way: three groups on analog input B, one
  // band a step up by key, switches away from their start, a theatre's size.
  void tuneTheHall() {
    clickOption(window->Option3[1]);
    clickOption(window->Option5[1]);
    showPageOf(window->Slider1[70]);
    window->Slider1[70]->setFocus();
    QTest::keyClick(window->Slider1[70], Qt::Key_Up);
    ASSERT_EQ(window->Text5[70]->text(), "1");
    press(window->CmdInvert[1]);
    clickOption(window->Check3);
    clickOption(window->Option2[1]);
    typeInto(window->Text2[0], "20");
    typeInto(window->Text2[1], "12.5");
    press(window->Command2);
    window->Combo3->setCurrentText("平直");
  }
};

TEST_F(SettingsFileTest, ASavedHallComesBackIntoANewWindowAndNothingIsSent) {
  tuneTheHall();
  const QByteArray saved = save("hall.eqs");
  ASSERT_TRUE(saved.startsWith("{\n  \"format\": \"EQSet settings\""));
  EXPECT_EQ(dialogs.fileRequests.back().defaultSuffix, "eqs");

  // The next start: a window with its start values, and the hall read into
  // it, on a processor switched back to the digital input meanwhile.
  window.reset();
  model.writeRegister(262, 1, clock.now());
  startConnected();
  load("hall.eqs");
  EXPECT_TRUE(port.writes().empty());
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(save("again.eqs"), saved);
  // As the technician sees it: the band, its box, the input's colour.
  EXPECT_EQ(window->Slider1[70]->value(), -1);
  EXPECT_EQ(window->Text5[70]->text(), "1");
  showPageOf(window->Option5[1]);
  EXPECT_EQ(pixel(window->Option5[1], emptySpot(window->Option5[1])), QColor(0, 192, 0));
  EXPECT_EQ(window->TxtInvert[1]->text(), "反相");

  // The processor still plays the first bank: a band moved now stays in the
  // window (a write to the bank-0 addresses would land in the bank playing)
  // and goes out with the file.
  window->Slider1[71]->setFocus();
  QTest::keyClick(window->Slider1[71], Qt::Key_Up);
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(window->Text5[71]->text(), "1");

  // The loaded pages count as the hall's: "数据写入DSP" sends the file's
  // input and mode first, then its pages into the file's bank without asking,
  // then what the full write leaves alone: the processor holds the whole file.
  press(window->CmdWriteToMcu);
  EXPECT_TRUE(dialogs.asked.empty());
  const auto f = frames();
  ASSERT_GE(f.size(), 8u);
  EXPECT_EQ(f[0].address, 262);
  EXPECT_EQ(f[0].values[0], 2);
  EXPECT_EQ(f[1].address, 288);
  EXPECT_EQ(f[1].values[0], 1);
  EXPECT_EQ(f[4].address, 300 + 62);
  EXPECT_EQ(f[4].values[8], 16);  // band 70: +1 dB
  EXPECT_EQ(model.bankCell(1, 70), 16);
  EXPECT_EQ(model.bankCell(1, 71), 16);
  EXPECT_EQ(model.bankCell(0, 71), 15);
  // Read back from the processor: a new window on it shows the hall again.
  window.reset();
  startConnected();
  press(window->CmdReadAllEq);
  EXPECT_EQ(window->bankOffset(), 300);
  EXPECT_EQ(window->Slider1[70]->value(), -1);
  EXPECT_EQ(model.sharedRegister(258), 1);  // muted
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(model.sharedRegister(280 + k), 1);  // -5 dB limiter
  EXPECT_EQ(model.sharedRegister(264), 1);        // 右 inverted
  EXPECT_EQ(model.sharedRegister(290), 20);
}

TEST_F(SettingsFileTest, AFileWithABadFieldIsNamedAndChangesNothing) {
  HallSettings hall;
  hall.masterVolumeDb = -30;
  QFile f(userData("bad.eqs"));
  QDir().mkpath(userData(""));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(settingsfile::toJson(hall).replace("\"masterVolumeDb\": -30", "\"masterVolumeDb\": 60"));
  f.close();
  const QByteArray before = save("before.eqs");
  port.clearEvents();
  dialogs.answers = {Dialogs::Answer::Ok};
  load("bad.eqs");
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains("masterVolumeDb"));
  EXPECT_EQ(save("after.eqs"), before);
  EXPECT_TRUE(port.writes().empty());
}

}  // namespace
}  // namespace eqset::test
