#include "app/mainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "controls/inputmode.h"
#include "eq/eqlivewrite.h"
#include "eq/levelwrites.h"
#include "link/dialogs.h"
#include "params/blockread.h"

namespace eqset {

namespace {

constexpr int kStartupPauseMs = 1000;
constexpr int kData1PeriodMs = 500;

QString indexed(const char* name, int index) {
  return QStringLiteral("%1(%2)").arg(name).arg(index);
}

template <typename W>
W* named(W* widget, const QString& name) {
  widget->setObjectName(name);
  return widget;
}

QLineEdit* valueBox(const QString& name, const QString& text, int width = 44) {
  auto* box = named(new QLineEdit(text), name);
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignCenter);
  box->setFixedWidth(width);
  return box;
}

}  // namespace

MainWindow::MainWindow(SerialPort& port, Clock& clock, Dialogs& dialogs,
                       const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), clock_(clock), dialogs_(dialogs), programFolder_(programFolder) {
  setObjectName("frmEQSet");
  setWindowTitle("EQSet");
  link_ = std::make_unique<ModbusLink>(port, clock, static_cast<LinkIndicators&>(*this));
  connection_ = std::make_unique<Connection>(*link_, static_cast<ConnectionView&>(*this), dialogs);
  link_->setPortNumberSource([this] { return portNumberOf(Combo2->currentText()); });
  link_->setInvalidPortHandler([this] { ComState->setText(connection_->OpenCom()); });

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  SSTab1 = named(new QTabWidget, "SSTab1");
  SSTab1->addTab(buildVolumePage(), "音量调整");
  for (int c = 0; c < kChannels; ++c) {
    SSTab1->addTab(
        buildChannelPage(c),
        QString::fromUtf8(
            channelPageCaptions()[static_cast<std::size_t>(c)].data(),
            static_cast<qsizetype>(channelPageCaptions()[static_cast<std::size_t>(c)].size())));
  }
  SSTab1->addTab(buildAutoEqPage(), "自动均衡");
  layout->addWidget(SSTab1, 1);
  layout->addWidget(buildCommunicationArea());
  setCentralWidget(central);

  Data1Timer = named(new QTimer(this), "Data1Timer");
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

QWidget* MainWindow::buildCommunicationArea() {
  auto* area = new QWidget;
  auto* v = new QVBoxLayout(area);
  v->setContentsMargins(0, 0, 0, 0);
  auto* row = new QHBoxLayout;
  Label9 = named(new QLabel("可寻址串口地址"), "Label9");
  Combo2 = named(new QComboBox, "Combo2");
  Combo2->setEditable(true);
  Combo2->setMinimumContentsLength(12);
  Combo2->setToolTip("本处显示已经自动查找的有效串口号.");
  Command25 = named(new QPushButton("寻找新串口"), "Command25");
  Command1 = named(new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), "确认并重启"),
                   "Command1");
  Command1->setToolTip("可以手动连接串口");
  ComState = named(new QLabel("通讯状态"), "ComState");
  ComState->setMinimumWidth(90);
  ComState->setFrameShape(QFrame::Panel);
  ComState->setFrameShadow(QFrame::Sunken);
  Label18 = named(new QLabel("通讯正确计次"), "Label18");
  Text13 = valueBox("Text13", "0", 70);
  Label20 = named(new QLabel("通讯错误计次"), "Label20");
  Text14 = valueBox("Text14", "0", 70);
  Command5 = named(new QPushButton("计数器清零"), "Command5");
  Command5->setToolTip("通讯计次计数器清零.");
  CmdReadHardL = named(new QPushButton("读取DSP数据"), "CmdReadHardL");
  CmdReadHardL->setToolTip("用于同步处理器，读取实际硬件数据.");
  for (QWidget* w : std::initializer_list<QWidget*>{Label9, Combo2, Command25, Command1, ComState,
                                                    Label18, Text13, Label20, Text14, Command5}) {
    row->addWidget(w);
  }
  row->addStretch(1);
  row->addWidget(CmdReadHardL);
  v->addLayout(row);
  ProgressBar1 = named(new QProgressBar, "ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximumHeight(14);
  v->addWidget(ProgressBar1);
  return area;
}

QWidget* MainWindow::buildVolumePage() {
  auto* page = new QWidget;
  auto* grid = new QHBoxLayout(page);

  // Inputs, processing mode and the group copy.
  auto* left = new QVBoxLayout;
  auto* inputs = new QGroupBox("输入选择");
  auto* inputsLayout = new QVBoxLayout(inputs);
  const char* inputCaptions[] = {"数字输入(模拟A)", "模拟输入(模拟B)", "辅助输入"};
  const char* inputTips[] = {"按下后转为数字输入,而且读取对应各种参数.",
                             "按下后转为模拟输入,而且读取对应各种参数.",
                             "按下后转为辅助输入,而且读取对应各种参数."};
  for (int k = 0; k < 3; ++k) {
    Option5[k] = named(new QRadioButton(inputCaptions[k]), indexed("Option5", k));
    Option5[k]->setToolTip(inputTips[k]);
    inputsLayout->addWidget(Option5[k]);
  }
  Option5[0]->setChecked(true);
  left->addWidget(inputs);

  auto* modes = new QGroupBox("处理模式");
  auto* modesLayout = new QVBoxLayout(modes);
  Option3[0] = named(new QRadioButton("统一处理(数字/模拟A)"), "Option3(0)");
  Option3[0]->setToolTip("三种输入使用一致的处理方式.");
  Option3[1] = named(new QRadioButton("三组独立音频处理"), "Option3(1)");
  Option3[1]->setToolTip("三种输入全部有独立的信号处理方式.");
  Option3[0]->setChecked(true);
  modesLayout->addWidget(Option3[0]);
  modesLayout->addWidget(Option3[1]);
  auto* auxRow = new QHBoxLayout;
  CmdAuxOut6 = named(new QPushButton("允许/禁止辅助输入转为5.1模式"), "CmdAuxOut6");
  CmdAuxOut6->setToolTip("允许/禁止辅助输入转为5.1模式");
  TxtAuxOut6 = valueBox("TxtAuxOut6", "允许", 50);
  auxRow->addWidget(CmdAuxOut6);
  auxRow->addWidget(TxtAuxOut6);
  modesLayout->addLayout(auxRow);
  left->addWidget(modes);
  for (QRadioButton* b : {Option5[0], Option5[1], Option5[2], Option3[0], Option3[1]}) {
    b->setAutoFillBackground(true);
  }

  auto* group = new QGroupBox("编组拷贝");
  auto* groupLayout = new QGridLayout(group);
  CmbGroupCopy[0] = named(new QComboBox, "CmbGroupCopy(0)");
  CmbGroupCopy[1] = named(new QComboBox, "CmbGroupCopy(1)");
  for (QComboBox* c : CmbGroupCopy)
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  CmdGroupCopy = named(new QPushButton("编组拷贝(通过计算机文件)"), "CmdGroupCopy");
  CmdGroupCopy->setToolTip("数据同步后,将源数据保存至电脑文件,操作才有效.");
  groupLayout->addWidget(new QLabel("源数据"), 0, 0);
  groupLayout->addWidget(CmbGroupCopy[0], 0, 1);
  groupLayout->addWidget(new QLabel("目的数据"), 1, 0);
  groupLayout->addWidget(CmbGroupCopy[1], 1, 1);
  groupLayout->addWidget(CmdGroupCopy, 2, 0, 1, 2);
  left->addWidget(group);
  left->addStretch(1);
  grid->addLayout(left);

  // Master volume and fades.
  auto* middle = new QVBoxLayout;
  auto* volume = new QGroupBox("主音量调整");
  auto* volumeLayout = new QGridLayout(volume);
  Slider2 = named(new UserSlider(Qt::Horizontal), "Slider2");
  Slider2->setRange(kVolumePositionMin, kVolumePositionMax);
  Slider2->setSingleStep(1);
  Slider2->setPageStep(5);
  Slider2->setValue(0);
  Slider2->setTickPosition(QSlider::TicksBelow);
  Slider2->setTickInterval(5);
  Slider2->setMinimumWidth(300);
  Slider2->setToolTip("总音量电平,在等响度模式下,仅调整对应通道的总音量电平.");
  Text5[reg::kMasterVolume] = valueBox("Text5(248)", "0", 50);
  volumeLayout->addWidget(new QLabel("主音量"), 0, 0);
  volumeLayout->addWidget(Slider2, 0, 1);
  volumeLayout->addWidget(Text5[reg::kMasterVolume], 0, 2);
  auto* scale = new QHBoxLayout;
  const char* volumeScale[] = {"-55dB", "-35dB", "-25dB", "-15dB", "-5dB", "+5dB"};
  const int gapsDb[] = {0, 20, 10, 10, 10, 10};
  for (int i = 0; i < 6; ++i) {
    if (i) scale->addStretch(gapsDb[i]);
    scale->addWidget(new QLabel(volumeScale[i]));
  }
  volumeLayout->addLayout(scale, 1, 1);
  middle->addWidget(volume);

  auto* fades = new QGroupBox("切换淡入淡出");
  auto* fadesLayout = new QGridLayout(fades);
  for (int j = 0; j < 2; ++j) {
    CWSlide1[j] = named(new PointerSlide, indexed("CWSlide1", j));
    Label21[j] = named(new QLabel("0秒"), indexed("Label21", j));
    Label21[j]->setMinimumWidth(40);
    fadesLayout->addWidget(CWSlide1[j], 2 * j, 0);
    fadesLayout->addWidget(Label21[j], 2 * j, 1);
    auto* secondsScale = new QHBoxLayout;
    for (int sec = 0; sec <= 5; ++sec) {
      if (sec) secondsScale->addStretch(1);
      secondsScale->addWidget(new QLabel(QString::number(sec)));
    }
    fadesLayout->addLayout(secondsScale, 2 * j + 1, 0);
  }
  middle->addWidget(fades);
  middle->addStretch(1);
  grid->addLayout(middle, 1);

  // Channel levels: the scale reads +8 dB at the top.
  auto* levels = new QGroupBox("通道平衡调整");
  auto* levelsLayout = new QGridLayout(levels);
  const char* heads[] = {"左", "右", "中", "低频", "左环", "右环"};
  auto scaleColumn = [] {
    auto* col = new QVBoxLayout;
    const char* marks[] = {"+8dB", "0dB", "-10dB", "-22dB"};
    for (int i = 0; i < 4; ++i) {
      const int gapsDb[] = {0, 8, 10, 12};  // +8 -> 0 -> -10 -> -22
      if (i) col->addStretch(gapsDb[i]);
      col->addWidget(new QLabel(marks[i]));
    }
    return col;
  };
  levelsLayout->addLayout(scaleColumn(), 2, 0);
  for (int k = 0; k < kChannels; ++k) {
    auto* head = new QLabel(heads[k]);
    head->setAlignment(Qt::AlignCenter);
    levelsLayout->addWidget(head, 0, k + 1, Qt::AlignHCenter);
    Text5[reg::kChannelLevel + k] = valueBox(indexed("Text5", reg::kChannelLevel + k), "0");
    levelsLayout->addWidget(Text5[reg::kChannelLevel + k], 1, k + 1, Qt::AlignHCenter);
    Slider3[k] = named(new UserSlider(Qt::Vertical), indexed("Slider3", k));
    Slider3[k]->setRange(kLevelPositionMin, kLevelPositionMax);
    Slider3[k]->setSingleStep(1);
    Slider3[k]->setPageStep(1);
    Slider3[k]->setInvertedAppearance(true);
    Slider3[k]->setInvertedControls(true);
    Slider3[k]->setValue(-14);
    Slider3[k]->setTickPosition(QSlider::TicksBothSides);
    Slider3[k]->setTickInterval(2);
    Slider3[k]->setMinimumHeight(200);
    levelsLayout->addWidget(Slider3[k], 2, k + 1, Qt::AlignHCenter);
  }
  levelsLayout->addLayout(scaleColumn(), 2, kChannels + 1);
  const QString subwooferTip = "说明:次低频内部已经预补偿+6dB.请合理调整!";
  Slider3[kSubwoofer]->setToolTip(subwooferTip);
  Text5[reg::kChannelLevel + kSubwoofer]->setToolTip(subwooferTip);
  grid->addWidget(levels);
  return page;
}

QWidget* MainWindow::buildChannelPage(int channel) {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  const auto& bands = bandTable();
  // Bands 0..15 in the upper row, 16..30 in the lower one, in equal columns.
  auto* bandsGrid = new QGridLayout;
  for (int b = 0; b < kBands; ++b) {
    const int i = kBands * channel + b;
    const auto at = static_cast<std::size_t>(i);
    auto* strip = new QVBoxLayout;
    Text5[at] = valueBox(indexed("Text5", i), "0");
    // Room for the focus highlight's larger bold digits, so the strip does not jump.
    QFont highlight = Text5[at]->font();
    highlight.setPointSize(EqLiveWrite::kFocusPointSize);
    highlight.setBold(true);
    Text5[at]->setFixedSize(QFontMetrics(highlight).horizontalAdvance("-15") + 16,
                            QFontMetrics(highlight).height() + 8);
    Slider1[at] = named(new UserSlider(Qt::Vertical), indexed("Slider1", i));
    UserSlider* s = Slider1[at];
    s->setRange(kBandPositionMin, kBandPositionMax);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setValue(0);
    s->setInvertedAppearance(true);  // -15 (maximum boost) at the top
    s->setInvertedControls(true);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(5);
    s->setMinimumHeight(110);
    s->setFocusPolicy(Qt::StrongFocus);
    const auto& label = bands[static_cast<std::size_t>(b)].label;
    BandLabel[at] =
        named(new QLabel(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()))),
              indexed("BandLabel", i));
    strip->addWidget(Text5[at], 0, Qt::AlignHCenter);
    strip->addWidget(s, 1, Qt::AlignHCenter);
    strip->addWidget(BandLabel[at], 0, Qt::AlignHCenter);
    const bool upper = b < 16;
    bandsGrid->addLayout(strip, upper ? 0 : 1, upper ? b : b - 16);
  }
  for (int col = 0; col < 16; ++col)
    bandsGrid->setColumnStretch(col, 1);
  v->addLayout(bandsGrid, 1);
  auto* tools = new QHBoxLayout;
  CmdReadSingleCh[channel] =
      named(new QPushButton("读取单通道数据"), indexed("CmdReadSingleCh", channel));
  CmdReadSingleCh[channel]->setToolTip("仅读取本通道数据");
  CmbCopy[channel] = named(new QComboBox, indexed("CmbCopy", channel));
  CmbCopy[channel]->setEditable(true);
  CmbCopy[channel]->setMinimumContentsLength(6);
  tools->addWidget(CmdReadSingleCh[channel]);
  tools->addSpacing(24);
  tools->addWidget(new QLabel("从选择通道拷贝数据"));
  tools->addWidget(CmbCopy[channel]);
  tools->addStretch(1);
  v->addLayout(tools);
  return page;
}

QWidget* MainWindow::buildAutoEqPage() {
  auto* page = new QWidget;
  auto* v = new QVBoxLayout(page);
  auto* top = new QHBoxLayout;

  auto* levels = new QGroupBox("音量调整");
  auto* levelsLayout = new QGridLayout(levels);
  const char* captions[] = {"左", "右", "中置", "次低", "左环", "右环"};
  for (int k = 0; k < kChannels; ++k) {
    CWNumEdit1[k] = named(new NumEdit, indexed("CWNumEdit1", k));
    CWNumEdit1[k]->setRange(kLevelDbMin, kLevelDbMax);
    CWNumEdit1[k]->setValue(0);
    CWNumEdit1[k]->setSuffix(" dB");
    CWNumEdit1[k]->setToolTip("鼠标滚轮调整数据，左键按下才执行！");
    levelsLayout->addWidget(new QLabel(captions[k]), 0, k, Qt::AlignHCenter);
    levelsLayout->addWidget(CWNumEdit1[k], 1, k);
  }
  top->addWidget(levels);

  auto* target = new QGroupBox("均衡曲线目标");
  auto* targetLayout = new QVBoxLayout(target);
  Combo3 = named(new QComboBox, "Combo3");
  Combo3->setEditable(true);
  Combo3->setMinimumContentsLength(8);
  Combo3->setToolTip("需要均衡的目标曲线类型。");
  targetLayout->addWidget(Combo3);
  top->addWidget(target);

  auto* signal = new QGroupBox("测试信号");
  auto* signalLayout = new QVBoxLayout(signal);
  Combo4 = named(new QComboBox, "Combo4");
  Combo4->setEditable(true);
  Combo4->setMinimumContentsLength(8);
  signalLayout->addWidget(Combo4);
  top->addWidget(signal);

  auto* mic = new QGroupBox("粉噪输出声压标定");
  auto* micLayout = new QVBoxLayout(mic);
  Text10 = named(new QLineEdit("0"), "Text10");
  Text10->setFixedWidth(60);
  Text10->setToolTip("测试话筒与声压级标定参数,范围[-8,+8],默认为0.");
  micLayout->addWidget(Text10);
  top->addWidget(mic);
  top->addStretch(1);
  v->addLayout(top);

  auto* steps = new QGroupBox("手动操作");
  auto* stepsLayout = new QHBoxLayout(steps);
  Command18 = named(new QPushButton("读取绝对参数"), "Command18");
  Command9 = named(new QPushButton("计算相对补偿"), "Command9");
  Command22 = named(new QPushButton("计算绝对补偿"), "Command22");
  Command10 = named(new QPushButton("第五步写DSP"), "Command10");
  for (QPushButton* b : {Command18, Command9, Command22, Command10})
    stepsLayout->addWidget(b);
  stepsLayout->addStretch(1);
  v->addWidget(steps);
  v->addStretch(1);
  return page;
}

void MainWindow::wireOperations() {
  connect(Command25, &QPushButton::clicked, this, [this] { connection_->ScanNewPorts(); });
  connect(Command1, &QPushButton::clicked, this, &MainWindow::onReconnect);
  connect(Command5, &QPushButton::clicked, this, [this] { connection_->clearCounters(); });

  blockRead_ = std::make_unique<BlockRead>(*link_, image_, [this](int i, const QString& text) {
    Text5[static_cast<std::size_t>(i)]->setText(text);
  });
  connect(CmdReadHardL, &QPushButton::clicked, this, [this] { blockRead_->fullRead(); });
  for (auto* b : CmdReadSingleCh) {
    connect(b, &QPushButton::clicked, this, [this] { blockRead_->fullRead(); });
  }

  inputMode_ = std::make_unique<InputMode>(
      *link_,
      InputMode::Controls{Option5,
                          Option3,
                          CmdAuxOut6,
                          TxtAuxOut6,
                          {CmdGroupCopy, CmbGroupCopy[0], CmbGroupCopy[1]}},
      [this] { blockRead_->fullRead(); });
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
  eqLive_ = std::make_unique<EqLiveWrite>(*link_, bandSliders, bandBoxes);
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
}

int MainWindow::bankOffset() const {
  return inputMode_->bankOffset();
}

void MainWindow::startUp() {
  // Start values come before any traffic.
  compensationA.fill(0);
  compensationB.fill(0);
  store_ = std::make_unique<SettingsStore>(QDir(programFolder_).filePath(SettingsStore::kFileName));
  Text13->setText("0");
  Text14->setText("0");
  for (QPushButton* b : {Command18, Command9, Command22, Command10})
    b->setEnabled(false);
  for (int k = 1; k < kChannels; ++k)
    CWNumEdit1[k]->setEnabled(false);
  graphLevelMin = 50;
  graphLevelMax = 85;
  relativeStepOffset = 0;
  lastCurveGroup = 256;
  bandLevels.fill(0);
  measurementKind = 1;

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
  for (int c = 0; c < kChannels; ++c)
    CmbCopy[c]->setCurrentText(record.CmbCopy[static_cast<std::size_t>(c)]);
  Combo3->setCurrentText(record.EqMode);
  Combo4->setCurrentText(record.TypeSig);
  Text10->setText(record.MicZero);
}

SettingsRecord MainWindow::recordFromControls() const {
  SettingsRecord r;
  r.U_Main_Com = Combo2->currentText();
  for (int c = 0; c < kChannels; ++c)
    r.CmbCopy[static_cast<std::size_t>(c)] = CmbCopy[c]->currentText();
  r.EqMode = Combo3->currentText();
  r.TypeSig = Combo4->currentText();
  r.MicZero = Text10->text();
  return r;
}

void MainWindow::onData1Tick() {
  // The record follows the bound controls in memory; the file is written only
  // by "确认并重启". Re-reading the file here would throw away an edit the
  // technician has not stored yet.
  record_ = recordFromControls();
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
void MainWindow::addPortEntry(const QString& text) {
  Combo2->addItem(text);
}
void MainWindow::setLinkState(const QString& text) {
  ComState->setText(text);
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
