#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "app/qtdialogs.h"
#include "app/widgets.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

class FilesTest : public WindowTest {
 protected:
  void SetUp() override { startConnected(); }

  static QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  static void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
};

TEST_F(FilesTest, SaveReadsTheProcessorAndWritesTheAnalogBBankIntoANewFile) {
  clickOption(window->Option3[1]);
  clickOption(window->Option5[1]);
  port.clearEvents();
  const QString path = QDir(folder.path()).filePath("b.bin");
  dialogs.paths = {path};
  press(window->CmdSave);

  ASSERT_EQ(dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(dialogs.fileRequests[0].title, "保存到文件");
  EXPECT_EQ(dialogs.fileRequests[0].filter, "二进制文件|*.bin");
  EXPECT_EQ(dialogs.fileRequests[0].defaultSuffix, "bin");
  EXPECT_TRUE(dialogs.fileRequests[0].save);
  EXPECT_EQ(dialogs.fileRequests[0].folder, QDir(folder.path()).filePath("用户数据"));
  ASSERT_EQ(frames().size(), 1u);
  EXPECT_EQ(frames()[0].function, 3);  // the processor's registers 0..15, fresh

  const QByteArray bytes = contents(path);
  ASSERT_EQ(bytes.size(), 558);
  EXPECT_EQ(bytes.left(258), QByteArray(258, '\0'));
  EXPECT_EQ(static_cast<int>(bytes[300]), 15);  // the processor's flat band 0
  EXPECT_EQ(static_cast<int>(bytes[262]), 0);   // the image's cell, as it stood
}

TEST_F(FilesTest, LoadFillsTheImageButNeverTheInputOrModeAndRefusesAShortFile) {
  clickOption(window->Option3[1]);
  clickOption(window->Option5[1]);
  QByteArray file(858, '\x05');
  file[300] = 20;
  file[262] = 4;
  file[288] = 0;
  QDir().mkpath(QDir(folder.path()).filePath("用户数据"));
  put(userData("full.bin"), file);
  dialogs.paths = {userData("full.bin")};
  port.clearEvents();
  press(window->CmdReadPCToWindows);
  EXPECT_EQ(dialogs.fileRequests[0].title, "从文件读取");
  EXPECT_EQ(dialogs.fileRequests[0].folder, QDir(folder.path()).filePath("用户数据"));
  EXPECT_EQ(window->image().at(0), 20);
  EXPECT_EQ(window->image().at(262), 2);
  EXPECT_EQ(window->image().at(288), 1);
  EXPECT_EQ(window->Text5[0]->text(), "5");  // step 20 is +5 dB, shown as after a read
  EXPECT_TRUE(port.writes().empty());        // nothing goes to the processor

  // The auxiliary bank from a file that has only the analog-B bank.
  clickOption(window->Option5[2]);
  put(userData("short.bin"), file.left(558));
  dialogs.paths = {userData("short.bin")};
  dialogs.answers = {Dialogs::Answer::Ok};
  window->image().set(0, 9);
  press(window->CmdReadPCToWindows);
  EXPECT_EQ(window->image().at(0), 9);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains("558"));
}

TEST_F(FilesTest, GroupCopyAsksRefusesTheSameBankAndCopiesInsideTheFile) {
  QByteArray file(858, '\0');
  for (int k = 0; k < 858; ++k)
    file[k] = static_cast<char>(k % 97);
  const QString path = QDir(folder.path()).filePath("group.bin");
  put(path, file);

  clickOption(window->Option3[1]);  // the group copy is for three groups
  window->CmbGroupCopy[0]->setCurrentText("辅助输入");
  window->CmbGroupCopy[1]->setCurrentText("辅助输入");
  dialogs.answers = {Dialogs::Answer::Ok, Dialogs::Answer::Ok};
  press(window->CmdGroupCopy);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(dialogs.asked[0].text, "目的数据将被源数据覆盖?");
  EXPECT_EQ(dialogs.asked[1].text, "相同的数据源复制无意义");
  EXPECT_TRUE(dialogs.fileRequests.empty());

  window->CmbGroupCopy[0]->setCurrentText("模拟输入(模拟B)");
  dialogs.answers = {Dialogs::Answer::Ok};
  dialogs.paths = {path};
  press(window->CmdGroupCopy);
  EXPECT_EQ(dialogs.fileRequests.back().title, "文件数据内部拷贝操作");
  const QByteArray copied = contents(path);
  EXPECT_EQ(copied.mid(600), file.mid(300, 258));
  EXPECT_EQ(copied.left(600), file.left(600));
}

TEST_F(FilesTest, ExtractionTakesTheTickedChannelsIntoTheWindowOnly) {
  QByteArray file(186, '\x0F');
  file[62] = 30;  // channel 2, band 0: +15 dB
  file[92] = 0;   // channel 2, band 30: -15 dB
  file[0] = 3;    // channel 0, not ticked
  const QString path = QDir(folder.path()).filePath("six.bin");
  put(path, file);
  for (int c = 0; c < 8; ++c)
    window->Check1[c]->setChecked(c == 2);
  window->Text5[0]->setText("x");
  dialogs.paths = {path};
  port.clearEvents();
  press(window->Command34);
  EXPECT_EQ(window->image().at(62), 30);
  EXPECT_EQ(window->Text5[62]->text(), "15");
  EXPECT_EQ(window->Slider1[62]->value(), -15);
  EXPECT_EQ(window->Text5[92]->text(), "-15");
  EXPECT_EQ(window->Slider1[92]->value(), 15);
  EXPECT_EQ(window->Text5[70]->text(), "0");
  EXPECT_EQ(window->Text5[0]->text(), "x");
  EXPECT_EQ(window->image().at(0), 0);
  EXPECT_FALSE(window->Check1[6]->isEnabled());
  EXPECT_TRUE(port.writes().empty());

  // "执行写入": the ticked channel, in the current bank.
  press(window->Command36);
  ASSERT_EQ(frames().size(), 1u);
  EXPECT_EQ(frames()[0].address, 62);
  EXPECT_EQ(frames()[0].values.front(), 30);

  // Eight channels: a 186-byte file is too short, but the boxes come back.
  window->Check1[6]->setChecked(false);
  window->Option14[1]->setChecked(true);
  dialogs.paths = {path};
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->Command34);
  EXPECT_TRUE(window->Check1[6]->isEnabled());
  EXPECT_TRUE(window->Check1[7]->isEnabled());
  EXPECT_EQ(dialogs.asked.size(), 1u);
}

TEST_F(FilesTest, CurvesGoToAFileAndComeBackInWholeDecibels) {
  window->measure.curves.areas[4][10] = 75.5f;
  window->measure.curves.areas[7][10] = 33;
  const QString path = QDir(folder.path()).filePath("room.draw");
  dialogs.paths = {path};
  press(window->Command26);
  EXPECT_EQ(dialogs.fileRequests[0].title, "操作意义：保存所有8声道曲线到一个文件.");
  EXPECT_EQ(dialogs.fileRequests[0].defaultSuffix, "draw");
  const QByteArray bytes = contents(path);
  ASSERT_EQ(bytes.size(), 375);
  EXPECT_EQ(bytes.mid(62 * 4 + 18, 2), QByteArray::fromHex("1D7E"));

  window->measure.curves.areas[4][10] = 0;
  window->measure.curves.areas[7][10] = 44;
  window->GroupNum->setValue(4);
  dialogs.paths = {path};
  press(window->Command27);
  EXPECT_EQ(dialogs.fileRequests[1].filter, "曲线文件(*.draw)|*.draw");
  EXPECT_EQ(window->measure.curves.areas[4][10], 76);
  EXPECT_EQ(window->measure.curves.areas[7][10], 44);
  EXPECT_EQ(window->measure.plot.rows[0][10], 76);  // the selected channel is shown

  // A level the format cannot hold: a message, the file as it was.
  window->measure.curves.areas[1][1] = 400;
  dialogs.paths = {path};
  dialogs.answers = {Dialogs::Answer::Ok};
  press(window->Command26);
  EXPECT_EQ(contents(path), bytes);
  EXPECT_EQ(dialogs.asked.size(), 1u);
}

// What the technician's file dialog lists as file types and where it opens,
// shown for `request` and closed again.
struct DialogView {
  QStringList types;
  QString folder;
};
DialogView showDialog(const Dialogs::FileRequest& request) {
  DialogView view;
  QTimer::singleShot(0, [&view] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    if (const auto* types = dialog->findChild<QComboBox*>("fileTypeCombo"))
      view.types = entries(types);
    view.folder = dialog->directory().absolutePath();
    dialog->reject();
  });
  QtDialogs().file(request);
  return view;
}

TEST_F(FilesTest, EveryFileDialogOpensInUserDataAndShowsItsPatternOnce) {
  // Each file button once, the dialog cancelled.
  clickOption(window->Option3[1]);          // the group copy is for three groups
  dialogs.answers = {Dialogs::Answer::Ok};  // the group copy's question
  for (QPushButton* b :
       {window->CmdSave, window->CmdReadPCToWindows, window->CmdGroupCopy, window->Command34,
        window->Command26, window->Command27, window->CmdSaveAll, window->CmdLoadAll}) {
    dialogs.paths = {QString()};
    press(b);
  }
  ASSERT_EQ(dialogs.fileRequests.size(), 8u);
  const QString home = QDir(folder.path()).filePath("用户数据");
  for (const auto& request : dialogs.fileRequests) {
    const QString pattern = request.filter.section('|', 1, 1);
    const DialogView view = showDialog(request);
    ASSERT_EQ(view.types.size(), 1) << request.title.toStdString();
    const QString type = view.types[0];
    EXPECT_EQ(type.count(pattern), 1) << type.toStdString();
    EXPECT_TRUE(type.endsWith(" (" + pattern + ")")) << type.toStdString();
    EXPECT_EQ(view.folder, home) << request.title.toStdString();
  }
}

}  // namespace
}  // namespace eqset::test
