#include "app/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/pages/autoeqpage.h"
#include "app/pages/channelpage.h"
#include "app/pages/communicationarea.h"
#include "app/pages/pagecontrols.h"
#include "app/pages/roomeqdialog.h"
#include "app/pages/volumepage.h"
#include "app/widgets.h"
#include "controls/channelswitches.h"
#include "controls/delaycalculator.h"
#include "controls/inputmode.h"
#include "controls/miczero.h"
#include "eq/eqcopyreset.h"
#include "eq/eqlivewrite.h"
#include "eq/levelwrites.h"
#include "files/fileoperations.h"
#include "files/tuningkeep.h"
#include "link/dialogs.h"
#include "measure/autosequence.h"
#include "measure/compensationsteps.h"
#include "measure/curvedisplay.h"
#include "measure/measurement.h"
#include "measure/roomsequence.h"
#include "measure/testsignals.h"
#include "params/blockread.h"
#include "params/processorwrite.h"

namespace eqset {

namespace {

constexpr int kStartupPauseMs = 1000;
constexpr int kData1PeriodMs = 500;

}  // namespace

MainWindow::MainWindow(SerialPort& port, Clock& clock, Dialogs& dialogs, DataFolders folders,
                       QWidget* parent)
    : QMainWindow(parent), clock_(clock), dialogs_(dialogs, ticks_), folders_(std::move(folders)) {
  setObjectName("frmEQSet");
  setWindowTitle("EQSet");
  watchedPort_ = std::make_unique<WatchedPort>(port, clock);
  link_ = std::make_unique<ModbusLink>(*watchedPort_, clock, static_cast<LinkIndicators&>(*this));
  connection_ = std::make_unique<Connection>(*link_, static_cast<ConnectionView&>(*this), dialogs_);
  link_->setPortNumberSource([this] { return portNumberOf(Combo2->currentText()); });
  link_->setInvalidPortHandler([this] { ComState->setText(connection_->OpenCom()); });
  link_->setLinkDownHandler([this] { onLinkDown(); });

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  SSTab1 = new QTabWidget;
  SSTab1->setObjectName("SSTab1");
  volumePage = new VolumePage;
  SSTab1->addTab(volumePage, "音量调整");
  for (int c = 0; c < kChannels; ++c) {
    channelPages[c] = new ChannelPage(c);
    SSTab1->addTab(channelPages[c],
                   pages::text(channelPageCaptions()[static_cast<std::size_t>(c)]));
  }
  autoEqPage = new AutoEqPage;
  SSTab1->addTab(autoEqPage, "自动均衡");
  layout->addWidget(SSTab1, 1);
  communication = new CommunicationArea;
  layout->addWidget(communication);
  setCentralWidget(central);
  gatherControls();

  Data1Timer = new QTimer(this);
  Data1Timer->setObjectName("Data1Timer");
  Data1Timer->setInterval(kData1PeriodMs);
  connect(Data1Timer, &QTimer::timeout, this, &MainWindow::onData1Tick);

  wireOperations();
}

MainWindow::~MainWindow() {
  // The operations die before the child widgets do; a focus change while the
  // widgets are torn down must not reach them.
  for (QObject* child : findChildren<QObject*>())
    child->disconnect(this);
}

void MainWindow::gatherControls() {
  static_cast<CommunicationControls&>(*this) = *communication;
  static_cast<VolumeControls&>(*this) = *volumePage;
  static_cast<AutoEqControls&>(*this) = *autoEqPage;

  for (const ChannelPage* page : channelPages) {
    const int c = page->channel();
    for (int b = 0; b < kBands; ++b) {
      const auto i = static_cast<std::size_t>(equalizerRegister(c, b));
      Slider1[i] = page->sliders[static_cast<std::size_t>(b)];
      Text5[i] = page->boxes[static_cast<std::size_t>(b)];
      BandLabel[i] = page->bandLabels[static_cast<std::size_t>(b)];
    }
    CmdReadSingleCh[c] = page->CmdReadSingleCh;
    CmbCopy[c] = page->CmbCopy;
    CmdCopy[c] = page->CmdCopy;
    CmdResetL[c] = page->CmdResetL;
    Command11[c] = page->Command11;
    Command23[c] = page->Command23;
  }
  // The left page has no pink-noise commands; "自动均衡" carries element 0.
  Command11[0] = autoEqPage->Command11;
  Command23[0] = autoEqPage->Command23;

  Text5[reg::kMasterVolume] = volumePage->volumeBox;
  for (int k = 0; k < kChannels; ++k)
    Text5[static_cast<std::size_t>(reg::kChannelLevel + k)] = volumePage->levelBoxes[k];
}

void MainWindow::wireOperations() {
  connect(Command25, &QPushButton::clicked, this, [this] { connection_->ScanNewPorts(); });
  connect(Command1, &QPushButton::clicked, this, &MainWindow::onReconnect);
  connect(Command5, &QPushButton::clicked, this, [this] { connection_->clearCounters(); });
  connect(ChkFastLink, &QCheckBox::toggled, this, [this](bool on) { link_->setFast(on); });

  blockRead_ = std::make_unique<BlockRead>(
      *link_, image_,
      [this](int i, const QString& text) { Text5[static_cast<std::size_t>(i)]->setText(text); },
      [this](int i, int value) { eqView_->showRegister(i, value); });
  connect(CmdReadHardL, &QPushButton::clicked, this, [this] { blockRead_->fullRead(); });
  for (int c = 0; c < kChannels; ++c) {
    connect(CmdReadSingleCh[c], &QPushButton::clicked, this, [this, c] {
      const int bank = bankOffset();
      BlockRead::AllRead reads;
      reads[static_cast<std::size_t>(c)] = blockRead_->channelRead(c, bank);
      takeChannelReads(bank, reads, 1U << c);
    });
  }
  connect(CmdReadAllEq, &QPushButton::clicked, this, [this] { readBankEqualizers(); });

  inputMode_ = std::make_unique<InputMode>(
      *link_,
      InputMode::Controls{Option5,
                          Option3,
                          CmdAuxOut6,
                          TxtAuxOut6,
                          {CmdGroupCopy, CmbGroupCopy[0], CmbGroupCopy[1]}},
      [this] { blockRead_->fullRead(); }, [this] { readBankEqualizers(); });
  connection_->setLinkUpHandler([this] { onLinkUp(); });
  for (auto* b : Option5)
    connect(b, &QRadioButton::clicked, this, [this] { inputMode_->selectInput(); });
  for (int k = 0; k < 2; ++k) {
    connect(Option3[k], &QRadioButton::clicked, this, [this, k] { inputMode_->selectMode(k); });
  }
  connect(CmdAuxOut6, &QPushButton::clicked, this, [this] { inputMode_->toggleAux(); });

  std::array<QSlider*, kBandIndexes> bandSliders{};
  std::copy(Slider1.begin(), Slider1.end(), bandSliders.begin());
  std::array<QLineEdit*, kBandIndexes> bandBoxes{};
  std::copy(Text5.begin(), Text5.begin() + kBandIndexes, bandBoxes.begin());
  eqView_ = std::make_unique<EqPageView>(bandSliders, bandBoxes);
  eqLive_ = std::make_unique<EqLiveWrite>(*link_, bandSliders, bandBoxes,
                                          [this] { return inputMode_->windowPlays(); });
  for (int i = 0; i < kBandIndexes; ++i) {
    UserSlider* s = Slider1[static_cast<std::size_t>(i)];
    connect(s, &UserSlider::userMoved, this,
            [this, i](int position) { eqLive_->onUserMove(i, position); });
    connect(s, &UserSlider::focusGained, this, [this, i] { eqLive_->focusGained(i); });
    connect(s, &UserSlider::focusLost, this, [this, i] { eqLive_->focusLost(i); });
  }

  LevelWrites::Controls lc;
  lc.volumeSlider = Slider2;
  lc.volumeBox = Text5[reg::kMasterVolume];
  for (int k = 0; k < kChannels; ++k) {
    lc.levelSliders[k] = Slider3[k];
    lc.levelBoxes[k] = Text5[reg::kChannelLevel + k];
    lc.levelEdits[k] = CWNumEdit1[k];
  }
  lc.fadeLabels = Label21;
  levels_ = std::make_unique<LevelWrites>(*link_, lc, [this] { return bankOffset(); });
  connect(Slider2, &UserSlider::userMoved, this,
          [this](int p) { levels_->masterVolumeLiveWrite(p); });
  for (int k = 0; k < kChannels; ++k) {
    connect(Slider3[k], &UserSlider::userMoved, this,
            [this, k](int p) { levels_->channelLevelWrite(k, p); });
    connect(CWNumEdit1[k], &NumEdit::pressed, this, [this, k] { levels_->numericLevelApply(k); });
  }
  for (int j = 0; j < 2; ++j) {
    connect(CWSlide1[j], &PointerSlide::userChanged, this,
            [this, j](double x) { levels_->fadeWrite(j, x); });
  }
  wireConsole();
  wireMeasurement();
  wireFiles();
  wireMonitor();
  wireReport();
  wireSettingsFile();
  wireRoom();
}

int MainWindow::bankOffset() const {
  return inputMode_->bankOffset();
}

void MainWindow::startUp() {
  // Start values come before any traffic.
  measure.passCount.fill(0);
  measure.referenceLevel.fill(0);
  store_ = std::make_unique<SettingsStore>(folders_.storePath(), folders_.startingStorePath());
  Command1->setToolTip(Command1->toolTip() + QStringLiteral("\n设置保存在 ") +
                       QDir::toNativeSeparators(store_->path()));
  Text13->setText("0");
  Text14->setText("0");
  for (QPushButton* b : {Command18, Command9, Command22, Command10})
    b->setEnabled(false);
  for (int k = 1; k < kChannels; ++k)
    CWNumEdit1[k]->setEnabled(false);
  measure.yMin = 50;
  measure.yMax = 85;
  measure.referenceOffset = 0;
  lastCurveGroup = 256;
  measure.plot.rows[PlotBuffer::kMeasured].fill(0);
  measure.measurementLock = 1;

  const std::array<QStringList, kChannels> copySources = {
      QStringList{"右", "中置"}, QStringList{"左", "中置"}, QStringList{"左", "右"},
      QStringList{"无", "无"},   QStringList{"右环", "右"}, QStringList{"左环", "左"}};
  for (int c = 0; c < kChannels; ++c)
    CmbCopy[c]->addItems(copySources[c]);
  connection_->ScanPorts();
  CmbGroupCopy[0]->addItems({"数字输入(模拟A)", "模拟输入(模拟B)", "辅助输入"});
  CmbGroupCopy[0]->setCurrentText("数字输入(模拟A)");
  CmbGroupCopy[1]->addItems({"数字输入(模拟A)", "辅助输入", "模拟输入(模拟B)"});
  CmbGroupCopy[1]->setCurrentText("模拟输入(模拟B)");
  Combo3->addItems({"ISO2969", "平直", "自定义"});
  Combo4->addItems({"粉噪源测试", "正弦波测试"});

  clock_.sleep(kStartupPauseMs);
  link_->resetReplyBuffer();

  const auto record = store_->load();
  if (!record) {
    ComState->setText(connection_->OpenCom());
  } else {
    record_ = *record;
    showRecord(record_);
    connection_->startupConnect();
  }
  Data1Timer->start();
}

void MainWindow::showRecord(const SettingsRecord& record) {
  Combo2->setCurrentText(record.U_Main_Com);
  // A fixed list shows only one of its entries: a store from an older program
  // lacks some fields, and an empty target curve would block every settings
  // file save. Missing fields keep the start values.
  const auto pick = [](QComboBox* list, const QString& text) {
    if (const int at = list->findText(text); at >= 0) list->setCurrentIndex(at);
  };
  for (int c = 0; c < kChannels; ++c)
    pick(CmbCopy[c], record.CmbCopy[static_cast<std::size_t>(c)]);
  pick(Combo3, record.EqMode);
  pick(Combo4, record.TypeSig);
  if (!record.MicZero.isEmpty()) Text10->setText(record.MicZero);
  ChkFastLink->setChecked(record.FastLink == QStringLiteral("1"));
  bool number = false;
  const int positions = record.RoomPositions.toInt(&number);
  if (number && positions >= roomDialog->SpinRoomPos->minimum() &&
      positions <= roomDialog->SpinRoomPos->maximum()) {
    roomDialog->SpinRoomPos->setValue(positions);
  }
}

SettingsRecord MainWindow::recordFromControls() const {
  SettingsRecord r;
  r.U_Main_Com = Combo2->currentText();
  for (int c = 0; c < kChannels; ++c)
    r.CmbCopy[static_cast<std::size_t>(c)] = CmbCopy[c]->currentText();
  r.EqMode = Combo3->currentText();
  r.TypeSig = Combo4->currentText();
  r.MicZero = Text10->text();
  r.FastLink = ChkFastLink->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  r.RoomPositions = QString::number(roomDialog->SpinRoomPos->value());
  return r;
}

void MainWindow::onData1Tick() {
  // The record follows the bound controls in memory; the file is written only
  // by "确认并重启". Re-reading the file here would throw away an edit the
  // technician has not stored yet.
  record_ = recordFromControls();
}

void MainWindow::onLinkDown() {
  connection_->linkDown();
  // Polling a line that is gone would only pile up failures; the technician
  // restarts the tuning once "确认并重启" has the link back.
  if (testSignals_ && testSignals_->haltTimers()) {
    Label12->setText(QString::fromUtf8(AutoSequence::kLinkLost));
  }
  if (room_) room_->lineLost();
}

void MainWindow::onReconnect() {
  record_ = recordFromControls();
  QString error;
  if (!store_->save(record_, &error)) {
    dialogs_.message("设置无法保存到 " + store_->path() + "：" + error, "提示",
                     Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
  }
  connection_->reconnect();
}

void MainWindow::setPortListEnabled(bool enabled) {
  Combo2->setEnabled(enabled);
}
int MainWindow::portEntryCount() const {
  return Combo2->count();
}
QString MainWindow::portEntry(int index) const {
  return Combo2->itemText(index);
}
// Adding to an empty list makes the first entry current, and a change to the
// current entry's data puts its text in the box; either way the choice stays
// what the technician (or the stored record) made, even none.
namespace {
template <typename Change>
void keepPortChoice(QComboBox* list, Change change) {
  const QString chosen = list->currentText();
  change();
  if (list->currentText() != chosen) list->setEditText(chosen);
}
}  // namespace

void MainWindow::addPortEntry(const QString& text) {
  keepPortChoice(Combo2, [&] { Combo2->addItem(text); });
}
void MainWindow::setPortEntryToolTip(int index, const QString& text) {
  keepPortChoice(Combo2, [&] { Combo2->setItemData(index, text, Qt::ToolTipRole); });
}
void MainWindow::setLinkState(const QString& text) {
  ComState->setText(text);
}
QString MainWindow::shownLinkState() const {
  return ComState->text();
}

void MainWindow::setProgress(int percent) {
  ProgressBar1->setValue(percent);
}
QString MainWindow::goodCount() const {
  return Text13->text();
}
void MainWindow::setGoodCount(const QString& text) {
  Text13->setText(text);
}
QString MainWindow::failedCount() const {
  return Text14->text();
}
void MainWindow::setFailedCount(const QString& text) {
  Text14->setText(text);
}

}  // namespace eqset
