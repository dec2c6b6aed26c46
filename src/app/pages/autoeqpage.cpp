#include "app/pages/autoeqpage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/pages/pagecontrols.h"
#include "app/widgets.h"

namespace eqset {

using pages::indexed;
using pages::named;

AutoEqPage::AutoEqPage(QWidget* parent) : QWidget(parent) {
  auto* v = new QVBoxLayout(this);
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
  Text10 = named(new EntryBox("0"), "Text10");
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
}

}  // namespace eqset
