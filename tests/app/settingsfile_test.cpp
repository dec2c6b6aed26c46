#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

  QString userData(const QString& name) const {
    return QDir(folder.path()).filePath("用户数据/" + name);
  }

  // What the technician sees of every setting the file holds: positions,
  // texts, choices and the colours that show them.
  QStringList shown() {
    showPageOf(window->volumePage);
    QStringList out;
    const auto colour = [](QWidget* w) { return pixel(w, emptySpot(w)).name(); };
    for (int i = 0; i < kBandIndexes; ++i) {
      const auto k = static_cast<std::size_t>(i);
      out << QStringLiteral("Slider1(%1)=%2 Text5=%3")
                 .arg(i)
                 .arg(window->Slider1[k]->value())
                 .arg(window->Text5[k]->text());
    }
    out << "Slider2=" + QString::number(window->Slider2->value())
        << "Text5(248)=" + window->Text5[248]->text() + " " + colour(window->Text5[248])
        << "Check3=" + QString::number(window->Check3->isChecked());
    for (int k = 0; k < kChannels; ++k) {
      out << QStringLiteral("Slider3(%1)=%2 Text5=%3 CWNumEdit1=%4 TxtInvert=%5 %6 Text1=%7")
                 .arg(k)
                 .arg(window->Slider3[k]->value())
                 .arg(window->Text5[static_cast<std::size_t>(250 + k)]->text())
                 .arg(window->CWNumEdit1[k]->value())
                 .arg(window->TxtInvert[k]->text(), colour(window->TxtInvert[k]),
                      window->Text1[k]->text());
    }
    for (int j = 0; j < 2; ++j) {
      out << QStringLiteral("CWSlide1(%1)=%2 Label21=%3 Text2=%4")
                 .arg(j)
                 .arg(window->CWSlide1[j]->pointerValue())
                 .arg(window->Label21[j]->text(), window->Text2[j]->text());
    }
    const auto options = [&](const char* name, auto& buttons) {
      for (std::size_t k = 0; k < buttons.size(); ++k) {
        out << QStringLiteral("%1(%2)=%3 %4")
                   .arg(QLatin1String(name))
                   .arg(k)
                   .arg(buttons[k]->isChecked())
                   .arg(colour(buttons[k]));
      }
    };
    options("Option5", window->Option5);
    options("Option3", window->Option3);
    options("Option1", window->Option1);
    options("Option2", window->Option2);
    out << "TxtAuxOut6=" + window->TxtAuxOut6->text() + " " + colour(window->TxtAuxOut6)
        << "CmdGroupCopy enabled=" + QString::number(window->CmdGroupCopy->isEnabled())
        << "Combo3=" + window->Combo3->currentText() << "Text10=" + window->Text10->text()
        << "bank=" + QString::number(window->bankOffset());
    return out;
  }

  void keys(QWidget* slider, Qt::Key key, int times) {
    showPageOf(slider);
    slider->setFocus();
    for (int i = 0; i < times; ++i)
      QTest::keyClick(slider, key);
  }

  // Line by line, so that a failure names the control that differs.
  static void expectSame(const QStringList& actual, const QStringList& expected, const char* when) {
    ASSERT_EQ(actual.size(), expected.size()) << when;
    for (qsizetype i = 0; i < actual.size(); ++i)
      EXPECT_EQ(actual[i], expected[i]) << when;
  }

  // A hall tuned the technician's way: three groups on analog input B, every
  // switch away from its start, delays from a 20 x 12.5 m theatre.
  void tuneTheHall() {
    clickOption(window->Option3[1]);
    clickOption(window->Option5[1]);
    for (int c = 0; c < kChannels; ++c) {
      std::array<int, kBands> registers{};
      for (int b = 0; b < kBands; ++b)
        registers[static_cast<std::size_t>(b)] = (5 * c + b) % 31;
      window->eqView().showChannel(c, registers);
    }
    // By hand, written live: one band a step up, the volume four pages down,
    // the subwoofer's level six steps up.
    keys(window->Slider1[70], Qt::Key_Up, 1);
    ASSERT_EQ(window->Text5[70]->text(), "4");
    keys(window->Slider2, Qt::Key_PageDown, 4);
    ASSERT_EQ(window->Text5[248]->text(), "-20");
    keys(window->Slider3[3], Qt::Key_Up, 6);
    ASSERT_EQ(window->Text5[253]->text(), "6");
    press(window->CmdInvert[1]);
    press(window->CmdInvert[4]);
    press(window->CmdAuxOut6);
    clickOption(window->Check3);
    clickOption(window->Option2[1]);
    clickOption(window->Option1[4]);
    window->CWSlide1[1]->setPointerValue(3);
    window->Label21[1]->setText("3秒");
    typeInto(window->Text2[0], "20");
    typeInto(window->Text2[1], "12.5");
    press(window->Command2);
    window->Combo3->setCurrentText("平直");
    typeInto(window->Text10, "-1.5");
  }

  // Everything back to how the window started, the way the technician would.
  void untuneTheHall() {
    clickOption(window->Option3[0]);
    clickOption(window->Option5[0]);
    for (int c = 0; c < kChannels; ++c) {
      std::array<int, kBands> flat{};
      flat.fill(15);
      window->eqView().showChannel(c, flat);
    }
    window->Slider2->setValue(0);
    window->Slider3[3]->setValue(-14);
    press(window->CmdInvert[1]);
    press(window->CmdInvert[4]);
    press(window->CmdAuxOut6);
    clickOption(window->Check3);
    clickOption(window->Option2[2]);
    clickOption(window->Option1[0]);
    window->CWSlide1[1]->setPointerValue(0);
    typeInto(window->Text2[0], "0");
    press(window->Command2);
    window->Combo3->setCurrentText("ISO2969");
    typeInto(window->Text10, "0");
  }
};

TEST_F(SettingsFileTest, ASavedHallComesBackIntoTheWindowAndNothingIsSent) {
  tuneTheHall();
  const QStringList tuned = shown();
  ASSERT_EQ(window->bankOffset(), 300);

  const QString path = userData("hall.eqs");
  dialogs.paths = {path};
  press(window->CmdSaveAll);
  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  const auto& request = dialogs.fileRequests[0];
  EXPECT_TRUE(request.save);
  EXPECT_EQ(request.defaultSuffix, "eqs");
  EXPECT_TRUE(request.filter.endsWith("|*.eqs"));
  EXPECT_EQ(request.folder, QDir(folder.path()).filePath("用户数据"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
  EXPECT_EQ(root["format"].toString(), "EQSet settings");
  // The band moved by hand: one step up from register 18 (+3 dB).
  EXPECT_EQ(root["channels"][2]["eqGainsDb"][8].toInt(), 4);
  EXPECT_EQ(root["channels"][3]["levelDb"].toInt(), 6);
  EXPECT_EQ(root["channels"][4]["delayMs"].toInt(), 25);
  EXPECT_EQ(root["room"]["widthM"].toDouble(), 12.5);

  untuneTheHall();
  ASSERT_NE(shown(), tuned);
  port.clearEvents();
  dialogs.paths = {path};
  press(window->CmdLoadAll);
  EXPECT_EQ(dialogs.fileRequests.back().folder, QDir(folder.path()).filePath("用户数据"));
  EXPECT_FALSE(dialogs.fileRequests.back().save);
  expectSame(shown(), tuned, "after the load");
  EXPECT_TRUE(port.writes().empty());
  EXPECT_TRUE(dialogs.asked.empty());

  // The loaded pages count as the hall's: "数据写入DSP" sends them into the
  // file's bank without asking.
  press(window->CmdWriteToMcu);
  EXPECT_TRUE(dialogs.asked.empty());
  const auto f = frames();
  ASSERT_GE(f.size(), 6u);
  for (int c = 0; c < kChannels; ++c) {
    EXPECT_EQ(f[c].function, 16);
    EXPECT_EQ(f[c].address, 300 + 31 * c);
    std::vector<int> expected;
    for (int b = 0; b < kBands; ++b)
      expected.push_back(15 + root["channels"][c]["eqGainsDb"][b].toInt());
    EXPECT_EQ(f[c].values, expected) << c;
  }
}

TEST_F(SettingsFileTest, AFileWithOneBadFieldIsNamedAndTheWindowStaysAsItWas) {
  // Every setting of this file differs from the window's, so a load that took
  // any part of it would show.
  HallSettings hall;
  hall.input = Input::Auxiliary;
  hall.mode = Mode::ThreeGroups;
  hall.masterVolumeDb = -30;
  hall.muteAll = true;
  for (auto& ch : hall.channels) {
    ch.eqGainsDb.fill(7);
    ch.levelDb = -5;
    ch.inverted = true;
    ch.delayMs = 9;
  }
  const QString good = QString::fromUtf8(settingsfile::toJson(hall));
  QDir().mkpath(userData(""));
  QDir().mkpath(userData("folder.eqs"));
  const struct {
    const char* name;
    QString text;
    const char* named;
  } cases[] = {
      {"version.eqs", QString(good).replace("\"version\": 1", "\"version\": 2"), "version"},
      {"volume.eqs", QString(good).replace("\"masterVolumeDb\": -30", "\"masterVolumeDb\": 60"),
       "masterVolumeDb"},
      // The last field read: everything before it was fine.
      {"gain.eqs",
       good.left(good.lastIndexOf("7]")) + "\"7\"]" + good.mid(good.lastIndexOf("7]") + 2),
       "channels[5].eqGainsDb[30]"},
      {"large.eqs", good + QString(70 * 1024, ' '), "64"},
      {"folder.eqs", QString(), "folder.eqs"},
  };
  const QStringList before = shown();
  for (const auto& c : cases) {
    if (!c.text.isEmpty()) {
      QFile f(userData(c.name));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.text.toUtf8());
    }
    dialogs.asked.clear();
    dialogs.paths = {userData(c.name)};
    dialogs.answers = {Dialogs::Answer::Ok};
    port.clearEvents();
    press(window->CmdLoadAll);
    ASSERT_EQ(dialogs.asked.size(), 1u) << c.name;
    EXPECT_TRUE(dialogs.asked[0].text.contains(QString::fromUtf8(c.named)))
        << c.name << ": " << dialogs.asked[0].text.toStdString();
    expectSame(shown(), before, c.name);
    EXPECT_TRUE(port.writes().empty()) << c.name;
  }
  // The unchanged file loads: the refusals came from the changed fields.
  QFile f(userData("good.eqs"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(good.toUtf8());
  f.close();
  dialogs.paths = {userData("good.eqs")};
  press(window->CmdLoadAll);
  EXPECT_EQ(window->Slider2->value(), -30);
  EXPECT_EQ(window->bankOffset(), 600);
}

TEST_F(SettingsFileTest, AWindowValueNoFileCanHoldIsNamedBeforeAnyFileIsChosen) {
  typeInto(window->Text2[0], "12m");
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->CmdSaveAll);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains("room.lengthM"));
  EXPECT_TRUE(dialogs.fileRequests.empty());
  EXPECT_TRUE(QDir(userData("")).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace eqset::test
