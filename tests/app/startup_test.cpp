#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include "link/portmap.h"

#include "app/translations.h"
#include "app/widgets.h"
#include "windowfixture.h"

namespace eqset::test {
namespace {

using Kind = FakeSerialPort::EventKind;
using PortState = FakeSerialPort::PortState;

TEST_F(WindowTest, StartListsPortsLoadsTheRecordAndConnects) {
  port.setPort(1, PortState::Free);
  port.setPort(3, PortState::Free);
  port.setPort(5, PortState::Busy);
  storePort("Com3");
  start();

  EXPECT_EQ(entries(window->Combo2), (QStringList{"Com1", "Com3", "Com5 已经占用"}));
  EXPECT_EQ(window->Combo2->currentText(), "Com3");
  EXPECT_EQ(port.openPort(), 3);
  const auto opened = std::find_if(port.events().rbegin(), port.events().rend(),
                                   [](const auto& e) { return e.kind == Kind::Open; });
  ASSERT_NE(opened, port.events().rend());
  EXPECT_EQ(opened->txBufferHint, kTxBufferStartup);
  EXPECT_GE(opened->time, 1000);  // after the start-up pause
  EXPECT_EQ(window->ComState->text(), "已经连接");
  // Nothing is written at start; the input and mode are read, in one request.
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].bytes.left(6), QByteArray::fromHex("01030106001b"));
  EXPECT_EQ(window->Text13->text(), "1");
  EXPECT_EQ(window->Text14->text(), "0");
  EXPECT_TRUE(dialogs.asked.empty());
}

TEST_F(WindowTest, StartValuesAndLists) {
  startConnected();
  const QStringList pages = {"音量调整", "左通道", "右通道", "中置",
                             "次低频",   "左环",   "右环",   "自动均衡"};
  ASSERT_EQ(window->SSTab1->count(), pages.size());
  for (int i = 0; i < pages.size(); ++i)
    EXPECT_EQ(window->SSTab1->tabText(i), pages[i]);
  EXPECT_EQ(entries(window->CmbCopy[3]), (QStringList{"无", "无"}));
  EXPECT_EQ(entries(window->CmbCopy[4]), (QStringList{"右环", "右"}));
  EXPECT_EQ(window->CmbCopy[4]->currentText(), "右环");  // from the record
  EXPECT_EQ(entries(window->CmbGroupCopy[1]),
            (QStringList{"数字输入(模拟A)", "辅助输入", "模拟输入(模拟B)"}));
  EXPECT_EQ(window->CmbGroupCopy[1]->currentText(), "模拟输入(模拟B)");
  EXPECT_EQ(entries(window->Combo3), (QStringList{"ISO2969", "平直", "自定义"}));
  EXPECT_EQ(entries(window->Combo4), (QStringList{"粉噪源测试", "正弦波测试"}));
  for (auto* b : {window->Command18, window->Command9, window->Command22, window->Command10}) {
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  }
  EXPECT_TRUE(window->CWNumEdit1[0]->isEnabled());
  for (int k = 1; k < 6; ++k)
    EXPECT_FALSE(window->CWNumEdit1[k]->isEnabled());
  // Every control carries its documented name.
  for (const char* name :
       {"Slider1(185)", "Text5(248)", "Text5(255)", "CmbCopy(5)", "Option5(2)", "CWSlide1(1)",
        "Label21(0)", "CWNumEdit1(5)", "ProgressBar1", "ComState"}) {
    EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
  }
}

struct FailedStart {
  const char* name;
  bool writeStore;
  const char* entry;
  bool emptyTable;
  FakeSerialPort::PortState state = FakeSerialPort::PortState::Missing;
  const char* why = "";                // the line under the question
  const char* whyOnWindows = nullptr;  // where Windows words it otherwise
};

void PrintTo(const FailedStart& c, std::ostream* os) {
  *os << c.name;
}

constexpr const char* kNothingStored =
    "没有读到保存的串口设置。请在串口列表中选择处理器所连的串口，然后按“确认并重启”。";

class FailedStartTest : public WindowTest, public ::testing::WithParamInterface<FailedStart> {};

TEST_P(FailedStartTest, AsksForThePortAndKeepsTheListsFilled) {
  const auto& c = GetParam();
  port.setPort(2, PortState::Free);
  const int chosen = portNumberOf(c.entry);
  if (chosen != 0) port.setPort(chosen, c.state);
  if (c.writeStore) storePort(c.entry);
  if (c.emptyTable) {
    auto db = QSqlDatabase::addDatabase("QSQLITE", "empty");
    db.setDatabaseName(storePath());
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec("CREATE TABLE TabUser (U_Main_Com TEXT)");
    db.close();
  }
  dialogs.answers = {Dialogs::Answer::Cancel};
  start();
  if (c.emptyTable) QSqlDatabase::removeDatabase("empty");

  ASSERT_EQ(dialogs.asked.size(), 1u);
#ifdef Q_OS_WIN
  const QString why = QString::fromUtf8(c.whyOnWindows ? c.whyOnWindows : c.why);
#else
  const QString why = QString::fromUtf8(c.why);
#endif
  EXPECT_EQ(dialogs.asked[0].text,
            why.isEmpty() ? "请检查主串口设置！" : "请检查主串口设置！\n原因：" + why);
  EXPECT_EQ(dialogs.asked[0].title, "串口设置");
  EXPECT_EQ(dialogs.asked[0].icon, Dialogs::Icon::Question);
  EXPECT_EQ(dialogs.asked[0].buttons, Dialogs::Buttons::RetryCancel);
  EXPECT_EQ(window->ComState->text(), "用户取消连接");
  EXPECT_FALSE(port.isOpen());
  QStringList listed;
  if (chosen != 2) listed << "Com2";
  if (c.state == PortState::Busy) listed << QString::fromUtf8(c.entry) + " 已经占用";
  EXPECT_EQ(entries(window->Combo2), listed);
  EXPECT_EQ(window->Combo3->count(), 3);
  // A missing store is not created by looking for it.
  EXPECT_EQ(QFile::exists(storePath()), c.writeStore || c.emptyTable);
}

INSTANTIATE_TEST_SUITE_P(
    Store, FailedStartTest,
    ::testing::Values(
        FailedStart{"missing", false, "", false, PortState::Missing, kNothingStored},
        FailedStart{"emptyTable", false, "", true, PortState::Missing, kNothingStored},
        // The scan was refused the only port: its list is empty, the box says
        // why. With another port listed, one is to be chosen.
        FailedStart{"missingWithOnlyPortForbidden", false, "Com2", false, PortState::Forbidden,
                    "没有权限打开 /dev/ttyS1。请把当前用户加入 dialout 组（sudo usermod -aG "
                    "dialout $USER），然后注销并重新登录。",
                    "没有权限打开 COM2。"},
        FailedStart{"missingWithAPortForbidden", false, "Com5", false, PortState::Forbidden,
                    kNothingStored},
        FailedStart{"emptyEntry", true, "", false, PortState::Missing,
                    "所选的不是可用的串口（Com1..Com16），请在串口列表中选择一个。"},
        FailedStart{"missingPort", true, "Com9", false, PortState::Missing,
                    "找不到设备 /dev/ttyACM0，请检查串口线或USB转串口适配器是否插好。",
                    "系统中没有 COM9：USB转串口适配器可能没有插好，或者它的驱动程序没有安装"
                    "（可在“设备管理器”的“端口 (COM 和 LPT)”中查看）。"},
        FailedStart{"busyPort", true, "Com7", false, PortState::Busy,
                    "/dev/ttyUSB2 正被其他程序占用，请先关闭该程序。",
                    "COM7 正被其他程序占用，请先关闭该程序。"},
        FailedStart{"forbiddenPort", true, "Com5", false, PortState::Forbidden,
                    "没有权限打开 /dev/ttyUSB0。请把当前用户加入 dialout 组（sudo usermod -aG "
                    "dialout $USER），然后注销并重新登录。",
                    "没有权限打开 COM5。"},
        FailedStart{"faultyPort", true, "Com6", false, PortState::Faulty,
                    "系统报告：Input/output error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowTest, RetryOpensThePortOnceItIsFree) {
  port.setPort(4, PortState::Busy);
  storePort("Com4 已经占用");
  dialogs.onAsk = [this](const auto&) { port.setPort(4, PortState::Free); };
  dialogs.answers = {Dialogs::Answer::Retry};
  start();
  EXPECT_EQ(window->ComState->text(), "正常连接");
  EXPECT_EQ(port.openPort(), 4);
}

TEST_F(WindowTest, RetryThatStillFailsSaysSo) {
  storePort("Com4");
  dialogs.answers = {Dialogs::Answer::Retry};
  start();
  EXPECT_EQ(window->ComState->text(), "连接重试失败");
  EXPECT_FALSE(port.isOpen());
}

TEST_F(WindowTest, Com12SelectsPort12) {
  port.setPort(2, PortState::Free);
  port.setPort(12, PortState::Free);
  storePort("Com12");
  start();
  EXPECT_EQ(port.openPort(), 12);
  EXPECT_EQ(window->ComState->text(), "已经连接");
}

TEST_F(WindowTest, ScanningAgainAddsOnlyOccupiedPortsAgain) {
  port.setPort(1, PortState::Free);
  port.setPort(5, PortState::Busy);
  port.describeAs(5, {{}, "FT232R USB UART", "FTDI", "A50285BI"});
  storePort("Com1");
  start();
  const auto tip = [this](int i) {
    return window->Combo2->itemData(i, Qt::ToolTipRole).toString();
  };
  // The device is the host's name for the port (portmap_test checks those).
  const QString com1 = "设备：" + PortMap::fixedDevice(1);
  EXPECT_EQ(tip(0), com1);
  EXPECT_EQ(tip(1), "设备：" + PortMap::fixedDevice(5) +
                        "\n描述：FT232R USB UART\n制造商：FTDI\n序列号：A50285BI");
  // Another adapter on the same device: a new scan tells of it.
  port.describeAs(1, {{}, "USB-Serial Controller", "Prolific", {}});
  QTest::mouseClick(window->Command25, Qt::LeftButton);
  EXPECT_EQ(tip(0), com1 + "\n描述：USB-Serial Controller\n制造商：Prolific");
  QTest::mouseClick(window->Command25, Qt::LeftButton);
  EXPECT_EQ(entries(window->Combo2),
            (QStringList{"Com1", "Com5 已经占用", "Com5 已经占用", "Com5 已经占用"}));
  EXPECT_FALSE(port.isOpen());
  // A port that appeared since start is added once.
  port.setPort(7, PortState::Free);
  QTest::mouseClick(window->Command25, Qt::LeftButton);
  EXPECT_EQ(entries(window->Combo2).count("Com7"), 1);
}

TEST_F(WindowTest, ClearingCountersLeavesThePortAlone) {
  startConnected();
  window->Text13->setText("12");
  window->Text14->setText("3");
  QTest::mouseClick(window->Command5, Qt::LeftButton);
  EXPECT_EQ(window->Text13->text(), "0");
  EXPECT_EQ(window->Text14->text(), "0");
  EXPECT_TRUE(port.events().empty());
}

TEST_F(WindowTest, ReconnectStoresTheChoiceForTheNextStart) {
  port.setPort(3, PortState::Free);
  dialogs.answers = {Dialogs::Answer::Cancel};
  start();  // no store yet
  ASSERT_EQ(window->ComState->text(), "用户取消连接");
  window->Combo2->setCurrentText("Com3");
  window->Text10->setText("2.5");
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  EXPECT_EQ(window->ComState->text(), "连接正常");
  EXPECT_EQ(port.openPort(), 3);
  const auto opened = std::find_if(port.events().rbegin(), port.events().rend(),
                                   [](const auto& e) { return e.kind == Kind::Open; });
  ASSERT_NE(opened, port.events().rend());
  EXPECT_EQ(opened->txBufferHint, kTxBufferReset);

  const auto stored = SettingsStore(storePath()).load();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->U_Main_Com, "Com3");
  EXPECT_EQ(stored->MicZero, "2.5");
  EXPECT_EQ(stored->CmbCopy[0], "右");

  window.reset();
  port.close();
  start();
  EXPECT_EQ(window->ComState->text(), "已经连接");
  EXPECT_EQ(window->Text10->text(), "2.5");
}

// An installed program's folder cannot be written: the store the program came
// with starts it, and what it saves goes to the user's data folder.
TEST_F(WindowTest, AProgramFolderThatCannotBeWrittenKeepsEverythingInTheUsersFolder) {
  QTemporaryDir user;
  port.setPort(2, PortState::Free);
  port.setPort(3, PortState::Free);
  storePort("Com2");  // the program folder's store
  QFile programStore(storePath());
  ASSERT_TRUE(programStore.open(QIODevice::ReadOnly));
  const QByteArray shipped = programStore.readAll();
  programStore.close();
  const QString userHome = QDir(user.path()).filePath("EQSet");
  dataFolders = chooseDataFolders(
      folder.path(), userHome, [this](const QString& f) { return QDir(f) != QDir(folder.path()); });
  start();
  EXPECT_EQ(window->ComState->text(), "已经连接");
  const QString userStore = QDir(userHome).filePath("TarnDB.mdb");
  EXPECT_TRUE(
      window->Command1->toolTip().endsWith("设置保存在 " + QDir::toNativeSeparators(userStore)));

  window->Combo2->setCurrentText("Com3");
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  EXPECT_EQ(window->ComState->text(), "连接正常");
  EXPECT_TRUE(dialogs.asked.empty());
  const auto saved = SettingsStore(userStore).load();
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->U_Main_Com, "Com3");
  ASSERT_TRUE(programStore.open(QIODevice::ReadOnly));
  EXPECT_EQ(programStore.readAll(), shipped);
  // The technician's files go there too.
  dialogs.paths = {""};
  QTest::mouseClick(window->CmdSaveAll, Qt::LeftButton);
  ASSERT_FALSE(dialogs.fileRequests.empty());
  EXPECT_EQ(dialogs.fileRequests.back().folder, QDir(userHome).filePath("用户数据"));
}

TEST_F(WindowTest, ReconnectOnAnOpenPortClosesFirstAndWaits) {
  startConnected();
  const auto t0 = clock.now();
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  const auto& ev = port.events();
  ASSERT_GE(ev.size(), 2u);
  EXPECT_EQ(ev[0].kind, Kind::Close);
  EXPECT_EQ(ev[1].kind, Kind::Open);
  EXPECT_EQ(ev[1].time, t0 + 100);
  // Then the input and mode are read again: the processor may have been
  // switched while the link was down.
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].bytes.left(6), QByteArray::fromHex("01030106001b"));
}

TEST_F(WindowTest, AStoreThatCannotBeWrittenIsReportedAndThePortStaysChosen) {
  port.setPort(3, PortState::Free);
  ASSERT_TRUE(QDir(folder.path()).mkdir(SettingsStore::kFileName));  // a folder in its place
  dialogs.answers = {Dialogs::Answer::Cancel, Dialogs::Answer::Ok};
  start();
  window->Combo2->setCurrentText("Com3");
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_TRUE(dialogs.asked[1].text.startsWith("设置无法保存"));
  EXPECT_EQ(window->Combo2->currentText(), "Com3");
  EXPECT_EQ(window->ComState->text(), "连接正常");
}

TEST_F(WindowTest, InvalidPortDuringAWriteRunsTheReconnectionDialog) {
  startConnected();
  port.setPort(2, PortState::Missing);  // the adapter was pulled
  dialogs.answers = {Dialogs::Answer::Cancel};
  QTest::mouseClick(find<QPushButton>("CmdAuxOut6"), Qt::LeftButton);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(window->ComState->text(), "用户取消连接");
  EXPECT_TRUE(port.writes().empty());
}

TEST_F(WindowTest, ClosingSendsNothingAndLeavesTheStoreAlone) {
  startConnected();
  QFile f(storePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  window->Text10->setText("5");
  window->close();
  window.reset();
  EXPECT_TRUE(port.writes().empty());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

TEST_F(WindowTest, TheSettingsTickFollowsTheControlsWithoutTouchingTheFile) {
  startConnected();
  window->Combo3->setCurrentText("平直");
  EXPECT_EQ(window->currentRecord().EqMode, "ISO2969");
  EXPECT_TRUE(window->Data1Timer->isActive());
  EXPECT_EQ(window->Data1Timer->interval(), 500);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->currentRecord().EqMode == "平直"; }, 10000));
  EXPECT_EQ(window->Combo3->currentText(), "平直");
  EXPECT_EQ(SettingsStore(storePath()).load()->EqMode, "ISO2969");
}

}  // namespace
}  // namespace eqset::test

namespace eqset::test {
namespace {

TEST_F(WindowTest, AStoreLackingColumnsGivesItsPortAndIsHealedByReconnect) {
  port.setPort(2, PortState::Free);
  {
    auto db = QSqlDatabase::addDatabase("QSQLITE", "older");
    db.setDatabaseName(storePath());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("CREATE TABLE TabUser (U_Main_Com TEXT, Note TEXT)"));
    ASSERT_TRUE(q.exec("INSERT INTO TabUser VALUES ('Com2', 'booth 3')"));
    db.close();
  }
  QSqlDatabase::removeDatabase("older");
  start();
  EXPECT_EQ(window->ComState->text(), "已经连接");
  EXPECT_FALSE(window->ChkFastLink->isChecked());  // a store without the column reads as off
  // Missing fields keep the start values, so a settings file can be saved.
  EXPECT_EQ(window->Combo3->currentText(), "ISO2969");
  EXPECT_EQ(window->CmbCopy[0]->currentText(), "右");
  EXPECT_EQ(window->Text10->text(), "0");
  window->Text10->setText("3");
  QTest::mouseClick(window->Command1, Qt::LeftButton);
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(window->ComState->text(), "连接正常");

  const auto stored = SettingsStore(storePath()).load();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->U_Main_Com, "Com2");
  EXPECT_EQ(stored->MicZero, "3");
  {
    auto db = QSqlDatabase::addDatabase("QSQLITE", "check");
    db.setDatabaseName(storePath());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec("SELECT count(*), min(Note) FROM TabUser"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 1);
    EXPECT_EQ(q.value(1).toString(), "booth 3");
    db.close();
  }
  QSqlDatabase::removeDatabase("check");
}

TEST_F(WindowTest, AStoreHeldByAnotherProgramIsReportedAsBusy) {
  startConnected();
  {
    auto other = QSqlDatabase::addDatabase("QSQLITE", "other");
    other.setDatabaseName(storePath());
    ASSERT_TRUE(other.open());
    QSqlQuery hold(other);
    ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
    dialogs.answers = {Dialogs::Answer::Ok};
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    hold.exec("ROLLBACK");
    other.close();
  }
  QSqlDatabase::removeDatabase("other");
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(dialogs.asked[0].text.contains("正被其他程序占用"))
      << dialogs.asked[0].text.toStdString();
  EXPECT_EQ(window->ComState->text(), "连接正常");
}

TEST_F(WindowTest, FixedListsTakeNoTypedEntriesAndStandardButtonsSpeakChinese) {
  startConnected();
  for (QComboBox* list : {window->Combo3, window->Combo4, window->CmbCopy[0]}) {
    SCOPED_TRACE(list->objectName().toStdString());
    const QStringList before = entries(list);
    showPageOf(list);
    list->setFocus();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), "X2");
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(entries(list), before);
  }

  ASSERT_TRUE(installQtChinese(*QCoreApplication::instance()));
  QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Ok)->text(), "确定");
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "取消");
}

}  // namespace
}  // namespace eqset::test
