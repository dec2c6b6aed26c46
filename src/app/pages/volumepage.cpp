#include "app/pages/volumepage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <span>
#include <utility>
#include <vector>

#include "app/pages/pagecontrols.h"
#include "app/widgets.h"
#include "controls/backcolor.h"
#include "params/statetexts.h"

namespace eqset {

using pages::holder;
using pages::indexed;
using pages::named;
using pages::valueBox;

namespace {

// The scale under a horizontal slider: each label stands centred under the
// pointer's position for its value, wherever the style puts the groove and
// however the scale's steps are spaced (the volume scale jumps 20 dB at its
// left end and 10 dB after that).
class SliderScale : public QWidget {
 public:
  SliderScale(QSlider* slider, const std::vector<std::pair<int, QString>>& marks)
      : slider_(slider) {
    int height = 0;
    for (const auto& [value, text] : marks) {
      auto* label = new QLabel(text, this);
      label->setAlignment(Qt::AlignCenter);
      label->adjustSize();
      overhang_ = std::max(overhang_, (label->width() + 1) / 2);
      height = std::max(height, label->height());
      marks_.push_back({value, label});
    }
    setMinimumHeight(height);
    slider_->installEventFilter(this);
  }

  // How far the outer labels reach beyond the slider's ends: the room the
  // slider leaves at each side so that they are not cut off.
  int overhang() const { return overhang_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == slider_ && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                               event->type() == QEvent::Show)) {
      place();
    }
    return QWidget::eventFilter(watched, event);
  }
  void resizeEvent(QResizeEvent*) override { place(); }
  void moveEvent(QMoveEvent*) override { place(); }

 private:
  // Where the pointer's middle stands for `value`, in the slider's pixels.
  int pointerCentre(int value) const {
    QStyleOptionSlider option;
    option.initFrom(slider_);
    option.orientation = slider_->orientation();
    option.minimum = slider_->minimum();
    option.maximum = slider_->maximum();
    option.sliderPosition = value;
    option.sliderValue = value;
    option.singleStep = slider_->singleStep();
    option.pageStep = slider_->pageStep();
    option.tickPosition = slider_->tickPosition();
    option.tickInterval = slider_->tickInterval();
    option.upsideDown = slider_->invertedAppearance() != (layoutDirection() == Qt::RightToLeft);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return slider_->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider_)
        .center()
        .x();
  }

  void place() {
    for (const auto& [value, label] : marks_) {
      const int centre = mapFromGlobal(slider_->mapToGlobal(QPoint(pointerCentre(value), 0))).x();
      label->move(centre - label->width() / 2, 0);
    }
  }

  QSlider* slider_;
  std::vector<std::pair<int, QLabel*>> marks_;
  int overhang_ = 0;
};

// A slider with its scale under it, the slider drawn inward by the labels'
// overhang.
QWidget* withScale(QSlider* slider, const std::vector<std::pair<int, QString>>& marks,
                   const QString& scaleName) {
  auto [holderWidget, column] = holder<QVBoxLayout>();
  column->setSpacing(0);
  auto* scale = named(new SliderScale(slider, marks), scaleName);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->setContentsMargins(scale->overhang(), 0, scale->overhang(), 0);
  sliderRow->addWidget(slider);
  column->addLayout(sliderRow);
  column->addWidget(scale);
  return holderWidget;
}

}  // namespace

VolumePage::VolumePage(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(pages::scrolled(this, "volumeScroll"));
  row->addWidget(buildInputsAndModes());
  auto* middle = new QVBoxLayout;
  middle->addWidget(buildVolumeAndFades());
  middle->addWidget(buildNoise());
  middle->addWidget(buildDelays());
  middle->addWidget(buildExtraction());
  middle->addStretch(1);
  row->addLayout(middle, 1);
  row->addWidget(buildLevels());

  // Until the technician's first choice in a group, every option button is grey,
  // the chosen one included.
  for (auto group :
       {std::span<QRadioButton* const>(Option5), std::span<QRadioButton* const>(Option3),
        std::span<QRadioButton* const>(Option1), std::span<QRadioButton* const>(Option2)}) {
    for (QRadioButton* b : group)
      setBackColor(b, colors::kUnselected);
  }
  // A 1366x768 screen less its title bar is a little short for the page.
  pages::squeezable(this);
  setBackColor(volumeBox, colors::kVolumeNormal);
  for (QLineEdit* box : TxtInvert)
    setBackColor(box, colors::kDefaultState);
}

QWidget* VolumePage::buildInputsAndModes() {
  auto [column, left] = holder<QVBoxLayout>();
  auto* inputs = new QGroupBox("输入选择");
  auto* inputsLayout = new QVBoxLayout(inputs);
  const char* inputCaptions[] = {"数字输入(模拟A)", "模拟输入(模拟B)", "辅助输入"};
  const char* inputTips[] = {"按下后转为数字输入,而且读取对应各种参数.",
                             "按下后转为模拟输入,而且读取对应各种参数.",
                             "按下后转为辅助输入,而且读取对应各种参数."};
  for (int k = 0; k < 3; ++k) {
    Option5[k] = named(new OptionButton(inputCaptions[k]), indexed("Option5", k));
    Option5[k]->setToolTip(inputTips[k]);
    inputsLayout->addWidget(Option5[k]);
  }
  Option5[0]->setChecked(true);
  left->addWidget(inputs);

  auto* modes = new QGroupBox("处理模式");
  auto* modesLayout = new QVBoxLayout(modes);
  Option3[0] = named(new OptionButton("统一处理(数字/模拟A)"), "Option3(0)");
  Option3[0]->setToolTip("三种输入使用一致的处理方式.");
  Option3[1] = named(new OptionButton("三组独立音频处理"), "Option3(1)");
  Option3[1]->setToolTip("三种输入全部有独立的信号处理方式.");
  Option3[0]->setChecked(true);
  modesLayout->addWidget(Option3[0]);
  modesLayout->addWidget(Option3[1]);
  auto* auxRow = new QHBoxLayout;
  CmdAuxOut6 = named(new QPushButton("允许/禁止辅助输入转为5.1模式"), "CmdAuxOut6");
  CmdAuxOut6->setToolTip("允许/禁止辅助输入转为5.1模式");
  TxtAuxOut6 = valueBox("TxtAuxOut6", "允许", 50);
  auxRow->addWidget(CmdAuxOut6);
  auxRow->addWidget(TxtAuxOut6, 0, Qt::AlignVCenter);  // the row as tall as the button
  modesLayout->addLayout(auxRow);
  left->addWidget(modes);
  left->addWidget(buildLimiter());

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
  left->addWidget(buildParameterFile());
  left->addWidget(buildSettingsFile());
  left->addStretch(1);
  return column;
}

QWidget* VolumePage::buildVolumeAndFades() {
  auto [column, middle] = holder<QVBoxLayout>();
  auto* volume = new QGroupBox("主音量调整");
  auto* volumeLayout = new QGridLayout(volume);
  Slider2 = named(new UserSlider(Qt::Horizontal), "Slider2");
  Slider2->setRange(kVolumePositionMin, kVolumePositionMax);
  Slider2->setSingleStep(1);
  Slider2->setPageStep(5);
  Slider2->setValue(0);
  Slider2->setTickPosition(QSlider::TicksBelow);
  Slider2->setTickInterval(5);
  Slider2->setMinimumWidth(260);
  Slider2->setToolTip("总音量电平,在等响度模式下,仅调整对应通道的总音量电平.");
  volumeBox = valueBox("Text5(248)", "0", 50);
  volumeLayout->addWidget(new QLabel("主音量"), 0, 0, Qt::AlignTop);
  volumeLayout->addWidget(withScale(Slider2,
                                    {{-55, "-55dB"},
                                     {-35, "-35dB"},
                                     {-25, "-25dB"},
                                     {-15, "-15dB"},
                                     {-5, "-5dB"},
                                     {5, "+5dB"}},
                                    "Slider2Scale"),
                          0, 1, 2, 1);
  volumeLayout->addWidget(volumeBox, 0, 2);
  Check3 = named(new QCheckBox("全部静音"), "Check3");
  Check3->setToolTip("按下在静音与正常之间切换.");
  volumeLayout->addWidget(Check3, 1, 2);
  middle->addWidget(volume);

  auto* fades = new QGroupBox("切换淡入淡出");
  auto* fadesLayout = new QGridLayout(fades);
  for (int j = 0; j < 2; ++j) {
    CWSlide1[j] = named(new PointerSlide, indexed("CWSlide1", j));
    Label21[j] = named(new QLabel("0秒"), indexed("Label21", j));
    Label21[j]->setMinimumWidth(40);
    std::vector<std::pair<int, QString>> seconds;
    for (int sec = 0; sec <= 5; ++sec)
      seconds.push_back({sec * PointerSlide::kStepsPerUnit, QString::number(sec)});
    fadesLayout->addWidget(withScale(CWSlide1[j], seconds, indexed("CWSlide1Scale", j)), j, 0);
    fadesLayout->addWidget(Label21[j], j, 1, Qt::AlignTop);
  }
  middle->addWidget(fades);
  return column;
}

QWidget* VolumePage::buildNoise() {
  auto* noise = new QGroupBox("粉噪发生器");
  auto* noiseLayout = new QGridLayout(noise);
  const char* channels[] = {"左", "右", "中置", "次低频", "左环", "右环"};
  for (int k = 0; k < kChannels; ++k) {
    Option1[k] = named(new OptionButton(channels[k]), indexed("Option1", k));
    noiseLayout->addWidget(Option1[k], k / 3, k % 3);
  }
  Option1[0]->setChecked(true);
  CmdFZ = named(new QPushButton("粉噪切换"), "CmdFZ");
  CmdFZ->setToolTip("按下在粉噪与信号之间切换.");
  TxtFenZao = valueBox("TxtFenZao", "禁止", 60);
  noiseLayout->addWidget(CmdFZ, 0, 3);
  noiseLayout->addWidget(TxtFenZao, 1, 3);
  Label7 = named(new QLabel("次低频：粉噪输出也包含200Hz低通滤波."), "Label7");
  noiseLayout->addWidget(Label7, 2, 0, 1, 4);
  return noise;
}

QWidget* VolumePage::buildLimiter() {
  auto* limiter = new QGroupBox("压限电平");
  auto* limiterLayout = new QVBoxLayout(limiter);
  const char* levels[] = {"-10dB压限", "-5dB压限", "-0dB压限"};
  for (int k = 0; k < 3; ++k) {
    Option2[k] = named(new OptionButton(levels[k]), indexed("Option2", k));
    Option2[k]->setToolTip("建议选用-5dB压限.");
    limiterLayout->addWidget(Option2[k]);
  }
  Option2[2]->setChecked(true);
  auto* note = new QHBoxLayout;
  note->addWidget(new QLabel("压限说明："));
  note->addWidget(new QLabel("左、右、中置"));
  note->addStretch(1);
  limiterLayout->addLayout(note);
  return limiter;
}

QWidget* VolumePage::buildDelays() {
  auto* delays = new QGroupBox("延时");
  auto* grid = new QGridLayout(delays);
  const QString offTip = "当输入0时，延时功能自动关闭。";
  const char* dimensionLabels[] = {"影院长(米)", "影院宽(米)"};
  auto* dims = new QHBoxLayout;
  for (int j = 0; j < 2; ++j) {
    Text2[j] = named(new QLineEdit("0"), indexed("Text2", j));
    Text2[j]->setFixedWidth(60);
    Text2[j]->setAlignment(Qt::AlignCenter);
    Text2[j]->setToolTip(offTip);
    dims->addWidget(new QLabel(dimensionLabels[j]));
    dims->addWidget(Text2[j]);
    dims->addSpacing(12);
  }
  Command2 = named(new QPushButton("延时自动计算并设定"), "Command2");
  dims->addWidget(Command2);
  dims->addStretch(1);
  grid->addLayout(dims, 0, 0, 1, kChannels);
  const char* channels[] = {"左", "右", "中置", "次低频", "左环", "右环"};
  for (int k = 0; k < kChannels; ++k) {
    auto* label = new QLabel(QString("%1\n延时(ms)").arg(channels[k]));
    label->setAlignment(Qt::AlignCenter);
    grid->addWidget(label, 1, k, Qt::AlignHCenter);
    Text1[k] = valueBox(indexed("Text1", k), "0", 50);
    grid->addWidget(Text1[k], 2, k, Qt::AlignHCenter);
  }
  return delays;
}

QWidget* VolumePage::buildParameterFile() {
  auto* box = new QGroupBox("参数文件");
  auto* row = new QHBoxLayout(box);
  CmdSave = named(new QPushButton("保存参数文件"), "CmdSave");
  CmdReadPCToWindows = named(new QPushButton("读取参数文件"), "CmdReadPCToWindows");
  row->addWidget(CmdSave);
  row->addWidget(CmdReadPCToWindows);
  return box;
}

QWidget* VolumePage::buildSettingsFile() {
  auto* box = new QGroupBox("设置文件");
  auto* row = new QHBoxLayout(box);
  CmdSaveAll = named(new QPushButton("保存全部设置"), "CmdSaveAll");
  CmdSaveAll->setToolTip("把窗口中的全部设置保存到一个设置文件(*.eqs).");
  CmdLoadAll = named(new QPushButton("读取全部设置"), "CmdLoadAll");
  CmdLoadAll->setToolTip("从设置文件读取全部设置到窗口,按\"数据写入DSP\"后才写入处理器.");
  row->addWidget(CmdSaveAll);
  row->addWidget(CmdLoadAll);
  return box;
}

QWidget* VolumePage::buildExtraction() {
  auto [box, grid] = holder<QGridLayout>();

  auto* format = new QGroupBox("源文件格式");
  auto* formatLayout = new QHBoxLayout(format);
  const char* formats[] = {"六声道", "八声道"};
  const char* families[] = {"Lumo Fenna", "Karst系列"};
  for (int k = 0; k < 2; ++k) {
    Option14[k] = named(new QRadioButton(formats[k]), indexed("Option14", k));
    formatLayout->addWidget(Option14[k]);
    formatLayout->addWidget(new QLabel(families[k]));
  }
  Option14[0]->setChecked(true);
  grid->addWidget(format, 0, 0);
  Command34 = named(new QPushButton("从文件提取均衡"), "Command34");
  grid->addWidget(Command34, 0, 1, Qt::AlignBottom);

  auto* channels = new QGroupBox("要复制的通道选择");
  auto* channelsLayout = new QGridLayout(channels);
  const char* names[] = {"左", "右", "中", "次低频", "左环", "右环", "左后环", "右后环"};
  for (int k = 0; k < 8; ++k) {
    Check1[k] = named(new QCheckBox(names[k]), indexed("Check1", k));
    Check1[k]->setChecked(k < kChannels);
    channelsLayout->addWidget(Check1[k], k / 4, k % 4);
  }
  grid->addWidget(channels, 1, 0);

  auto* write = new QGroupBox("选择写入");
  auto* writeLayout = new QVBoxLayout(write);
  Command36 = named(new QPushButton("执行写入"), "Command36");
  // Broken by hand, not wrapped: a wrapped text would make the page's scroll
  // area measure the page by its usual heights, and a 1366x768 screen less
  // the title bar would then scroll.
  auto* note = new QLabel("将备份文件中选择通道\n后的均衡数据写入设备");
  note->setMaximumWidth(150);
  writeLayout->addWidget(Command36);
  writeLayout->addWidget(note);
  grid->addWidget(write, 1, 1);
  return box;
}

QWidget* VolumePage::buildLevels() {
  // The scale reads +8 dB at the top.
  auto* levels = new QGroupBox("通道平衡调整");
  auto* levelsLayout = new QGridLayout(levels);
  levelsLayout->setHorizontalSpacing(4);
  const char* heads[] = {"左", "右", "中", "低频", "左环", "右环"};
  auto scaleColumn = [] {
    auto* col = new QVBoxLayout;
    const char* marks[] = {"+8dB", "0dB", "-10dB", "-22dB"};
    const int gapsDb[] = {0, 8, 10, 12};  // +8 -> 0 -> -10 -> -22
    for (int i = 0; i < 4; ++i) {
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
    levelBoxes[k] = valueBox(indexed("Text5", reg::kChannelLevel + k), "0");
    levelsLayout->addWidget(levelBoxes[k], 1, k + 1, Qt::AlignHCenter);
    Slider3[k] = named(new UserSlider(Qt::Vertical), indexed("Slider3", k));
    Slider3[k]->setRange(kLevelPositionMin, kLevelPositionMax);
    Slider3[k]->setSingleStep(1);
    Slider3[k]->setPageStep(1);
    Slider3[k]->setInvertedAppearance(true);
    Slider3[k]->setInvertedControls(true);
    Slider3[k]->setValue(-14);
    Slider3[k]->setTickPosition(QSlider::TicksBothSides);
    Slider3[k]->setTickInterval(2);
    Slider3[k]->setMinimumHeight(120);  // stretched to the page where there is room
    levelsLayout->addWidget(Slider3[k], 2, k + 1, Qt::AlignHCenter);
  }
  levelsLayout->addLayout(scaleColumn(), 2, kChannels + 1);
  for (int k = 0; k < kChannels; ++k) {
    CmdInvert[k] = pages::narrowable(named(new QPushButton("相位反相"), indexed("CmdInvert", k)));
    CmdInvert[k]->setToolTip("等效于扬声器接线正负对调.");
    levelsLayout->addWidget(CmdInvert[k], 3, k + 1, Qt::AlignHCenter);
    TxtInvert[k] = valueBox(indexed("TxtInvert", k), statetext::kPolarityNormal, 50);
    levelsLayout->addWidget(TxtInvert[k], 4, k + 1, Qt::AlignHCenter);
  }
  const QString subwooferTip = "说明:次低频内部已经预补偿+6dB.请合理调整!";
  Slider3[kSubwoofer]->setToolTip(subwooferTip);
  levelBoxes[kSubwoofer]->setToolTip(subwooferTip);
  return levels;
}

}  // namespace eqset
