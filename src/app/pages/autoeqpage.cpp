#include "app/pages/autoeqpage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/pages/pagecontrols.h"
#include "app/widgets.h"
#include "measure/bandedit.h"
#include "measure/curvegraph.h"

namespace eqset {

using pages::holder;
using pages::indexed;
using pages::named;

namespace {

QPushButton* button(const char* caption, const QString& name, const char* tip = nullptr) {
  auto* b = named(new QPushButton(caption), name);
  if (tip) b->setToolTip(tip);
  return b;
}

QLineEdit* entry(const QString& name, const char* text, int width) {
  auto* e = named(new QLineEdit(text), name);
  e->setFixedWidth(width);
  e->setAlignment(Qt::AlignCenter);
  return e;
}

}  // namespace

AutoEqPage::AutoEqPage(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(pages::scrolled(this, "autoEqScroll"));
  row->addWidget(buildGraph(), 1);
  auto* right = new QVBoxLayout;
  right->addWidget(buildSequenceAndSteps());
  right->addWidget(buildSignals());
  right->addWidget(buildLevelsAndMicrophone());
  right->addStretch(1);
  row->addLayout(right);
}

QWidget* AutoEqPage::buildGraph() {
  auto [column, v] = holder<QVBoxLayout>();
  CWGraph1 = new CurveGraph;
  CWGraph1->setMinimumHeight(180);  // gives up height before the page scrolls
  v->addWidget(CWGraph1, 1);

  // The band edits in two rows under the graph, each under its band's label.
  auto* bands = new QGridLayout;
  bands->setHorizontalSpacing(2);
  bands->setVerticalSpacing(0);
  const auto& table = bandTable();
  for (int b = 0; b < kBands; ++b) {
    const bool upper = b < 16;
    const int column = upper ? b : b - 16;
    auto* label = new QLabel(pages::text(table[static_cast<std::size_t>(b)].label));
    label->setAlignment(Qt::AlignCenter);
    QFont small = label->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    label->setFont(small);
    FreqNum[b] = named(new BandEdit, indexed("FreqNum", b));
    FreqNum[b]->setMinimumWidth(44);
    FreqNum[b]->setEnabled(false);
    bands->addWidget(label, upper ? 0 : 2, column);
    bands->addWidget(FreqNum[b], upper ? 1 : 3, column);
  }
  v->addLayout(bands);

  auto* tools = new QHBoxLayout;
  Command14 = button("增加最小量程", "Command14");
  Command15 = button("减小最小量程", "Command15");
  Command16 = button("减小坐标量程", "Command16");
  Command17 = button("增加坐标量程", "Command17");
  for (QPushButton* b : {Command14, Command15, Command16, Command17})
    tools->addWidget(b);
  tools->addSpacing(12);
  Command26 = button("保存曲线到文件", "Command26", "保存所有声道曲线数据到文件。");
  Command27 = button("打开曲线文件", "Command27", "读取历史数据曲线文件到图形缓冲区。");
  tools->addWidget(Command26);
  tools->addWidget(Command27);
  CmdSaveGraph = button("保存图形", "CmdSaveGraph", "把当前图形保存为PNG图片。");
  tools->addWidget(CmdSaveGraph);
  // The row sets the graph column's least width: on a laptop screen its
  // buttons give up the blank beyond their captions.
  for (QPushButton* b :
       {Command14, Command15, Command16, Command17, Command26, Command27, CmdSaveGraph})
    pages::narrowable(b);
  tools->addStretch(1);
  tools->addWidget(new QLabel("调试声道"));
  GroupNum = named(new QSpinBox, "GroupNum");
  // Wider than the six channels: a number typed beyond them is put back by
  // the selector itself.
  GroupNum->setRange(-99, 99);
  GroupNum->setValue(0);
  GroupNum->setKeyboardTracking(false);
  GroupNum->setToolTip("用于切换声道，请点击下面的左右按钮将改变当前调试的声道。");
  Label11 = named(new QLabel("左"), "Label11");
  Label11->setMinimumWidth(40);
  tools->addWidget(GroupNum);
  tools->addWidget(Label11);
  v->addLayout(tools);
  return column;
}

QWidget* AutoEqPage::buildSequenceAndSteps() {
  auto* box = new QGroupBox("自动均衡");
  auto* grid = new QGridLayout(box);
  CmdTest2 = button("全自动均衡", "CmdTest2");
  Command4 = button("停止测试", "Command4", "停止粉噪信号，或者中断当前自调。");
  Label12 = named(new QLabel("状态:"), "Label12");
  Label12->setMinimumWidth(140);
  Command24 = button("手动操作", "Command24", "点击后将打开手动调整命令按钮。");
  CmdReport =
      button("生成调试报告", "CmdReport", "把本次调试结果写成PDF报告，保存在用户数据文件夹。");
  grid->addWidget(CmdTest2, 0, 0);
  grid->addWidget(Command4, 0, 1);
  grid->addWidget(Command24, 0, 2);
  grid->addWidget(Label12, 1, 0, 1, 3);
  CmdRoomEq = button("全场均衡", "CmdRoomEq", "在多个测量位置测量各声道，按全场平均响应均衡。");
  CmdRestoreEq =
      button("恢复调试前均衡", "CmdRestoreEq", "把上一次自动均衡写入之前处理器中的均衡写回去。");
  grid->addWidget(CmdRoomEq, 2, 0);
  grid->addWidget(CmdRestoreEq, 2, 1, 1, 2);

  Command8 = button("读取曲线", "Command8", "读取处理器（实际硬件）当前曲线。");
  Command18 = button("读取绝对参数", "Command18");
  Command9 = button("计算相对补偿", "Command9");
  Command22 = button("计算绝对补偿", "Command22");
  Command10 = button("第五步写DSP", "Command10");
  grid->addWidget(Command8, 3, 0);
  grid->addWidget(Command18, 3, 1);
  grid->addWidget(Command9, 3, 2);
  grid->addWidget(Command22, 4, 0);
  grid->addWidget(Command10, 4, 1);
  auto* reference = new QHBoxLayout;
  Command20 = button("+", "Command20", "基准值增加");
  Command21 = button("-", "Command21", "基准值减小");
  for (QPushButton* b : {Command20, Command21}) {
    b->setFixedWidth(32);
    reference->addWidget(b);
  }
  grid->addLayout(reference, 4, 2);
  auto* target = new QHBoxLayout;
  target->addWidget(new QLabel("均衡曲线目标"));
  Combo3 = named(new QComboBox, "Combo3");
  Combo3->setEditable(true);
  Combo3->setInsertPolicy(QComboBox::NoInsert);  // a fixed list: typing picks, never adds
  Combo3->setMinimumContentsLength(8);
  Combo3->setToolTip("需要均衡的目标曲线类型。");
  target->addWidget(Combo3, 1);
  grid->addLayout(target, 5, 0, 1, 3);
  grid->addWidget(CmdReport, 6, 0, 1, 3);
  return box;
}

QWidget* AutoEqPage::buildSignals() {
  auto* box = new QGroupBox("测试信号");
  auto* grid = new QGridLayout(box);
  Combo4 = named(new QComboBox, "Combo4");
  Combo4->setEditable(true);
  Combo4->setInsertPolicy(QComboBox::NoInsert);  // a fixed list: typing picks, never adds
  Combo4->setMinimumContentsLength(8);
  CmdTest1 = button("粉噪标定", "CmdTest1",
                    "点击将启动粉噪发生器，同时右侧显示当前的声压级，如果想改变声压级，需要手动调整"
                    "各类音量调节，包含功放、总音量、分音量。");
  Command3 = button("读取dB", "Command3");
  Text3 = named(new QLineEdit("0"), "Text3");
  Text3->setReadOnly(true);
  Text3->setMinimumWidth(110);
  Command6 = button("启动连续", "Command6");
  Command7 = button("单频输出", "Command7");
  Text7 = entry("Text7", "10", 44);
  Command19 = button("切换到正常放音", "Command19", "切换到正常放音。");
  Text4 = named(new EntryBox("1"), "Text4");
  Text4->setFixedWidth(44);
  Text4->setAlignment(Qt::AlignCenter);
  Text4->setToolTip("频点显示方式: 1 为dB, 0 为线性值");
  Command11 = button("给定信号", "Command11(0)");
  Text6 = entry("Text6", "0", 60);
  Command23 = button("停止/运行", "Command23(0)");
  Text8 = entry("Text8", "0", 60);

  grid->addWidget(Combo4, 0, 0);
  grid->addWidget(CmdTest1, 0, 1);
  grid->addWidget(Command6, 0, 2);
  grid->addWidget(Command3, 1, 0);
  grid->addWidget(Text3, 1, 1, 1, 2);
  auto* tone = new QHBoxLayout;
  tone->addWidget(Command7);
  tone->addWidget(Text7);
  grid->addLayout(tone, 2, 0);
  grid->addWidget(Command19, 2, 1);
  auto* mode = new QHBoxLayout;
  mode->addWidget(new QLabel("显示"));
  mode->addWidget(Text4);
  grid->addLayout(mode, 2, 2);
  auto* generic = new QHBoxLayout;
  generic->addWidget(Command11);
  generic->addWidget(Text6);
  generic->addWidget(Command23);
  generic->addWidget(Text8);
  grid->addLayout(generic, 3, 0, 1, 3);
  return box;
}

QWidget* AutoEqPage::buildLevelsAndMicrophone() {
  auto [column, v] = holder<QVBoxLayout>();
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
  v->addWidget(levels);

  auto* mic = new QGroupBox("粉噪输出声压标定");
  auto* micLayout = new QHBoxLayout(mic);
  Text10 = named(new EntryBox("0"), "Text10");
  Text10->setFixedWidth(60);
  Text10->setToolTip("测试话筒与声压级标定参数,范围[-8,+8],默认为0.");
  micLayout->addWidget(new QLabel("话筒零点(dB)"));
  micLayout->addWidget(Text10);
  micLayout->addStretch(1);
  v->addWidget(mic);
  return column;
}

}  // namespace eqset
