#include "app/pages/communicationarea.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/pages/pagecontrols.h"

namespace eqset {

using pages::named;
using pages::valueBox;

CommunicationArea::CommunicationArea(QWidget* parent) : QWidget(parent) {
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(0, 0, 0, 0);
  auto* row = new QHBoxLayout;
  Label9 = named(new QLabel("可寻址串口地址"), "Label9");
  Combo2 = named(new QComboBox, "Combo2");
  Combo2->setEditable(true);
  // Only the scans add entries; Enter must not turn a typed text into one.
  Combo2->setInsertPolicy(QComboBox::NoInsert);
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
  CmdReadAllEq = named(new QPushButton("读取全部均衡"), "CmdReadAllEq");
  CmdReadAllEq->setToolTip("读取处理器中当前输入的六个通道的全部均衡，并显示在各通道页面。");
  CmdWriteToMcu = named(new QPushButton("数据写入DSP"), "CmdWriteToMcu");
  CmdWriteToMcu->setToolTip("将当前界面数据写入DSP,写后立即生效,主要模式不会覆盖.");
  for (QWidget* w : std::initializer_list<QWidget*>{Label9, Combo2, Command25, Command1, ComState,
                                                    Label18, Text13, Label20, Text14, Command5}) {
    row->addWidget(w);
  }
  ChkFastLink = named(new QCheckBox("快速通讯"), "ChkFastLink");
  ChkFastLink->setToolTip(
      "每次通讯在收到完整且校验正确的应答后立即结束，不再等满固定时间，操作更快。"
      "处理器需要完整等待时间时请不要勾选。");
  CmdMonitor = named(new QPushButton("通讯监视"), "CmdMonitor");
  CmdMonitor->setToolTip("显示通讯线路上的每一帧数据及其含义。");
  row->addWidget(ChkFastLink);
  row->addStretch(1);
  row->addWidget(CmdMonitor);
  row->addWidget(CmdReadHardL);
  row->addWidget(CmdReadAllEq);
  row->addWidget(CmdWriteToMcu);
  // On a laptop screen the strip gives up width where it costs nothing: the
  // port box down to "Com16", the counters down to six digits, the buttons
  // down to their captions. Where there is room it keeps its usual widths.
  Combo2->setMinimumContentsLength(6);
  const int narrowPortBox = Combo2->minimumSizeHint().width();
  Combo2->setMinimumContentsLength(12);
  Combo2->setMinimumWidth(narrowPortBox);
  // 655350 is the most a counter shows; 12 pixels hold the box's frame and margins.
  for (QLineEdit* counter : {Text13, Text14})
    counter->setMinimumWidth(QFontMetrics(counter->font()).horizontalAdvance("655350") + 12);
  for (QPushButton* b :
       {Command25, Command1, Command5, CmdMonitor, CmdReadHardL, CmdReadAllEq, CmdWriteToMcu})
    pages::narrowable(b);
  v->addLayout(row);
  ProgressBar1 = named(new QProgressBar, "ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setMaximumHeight(14);
  v->addWidget(ProgressBar1);
}

}  // namespace eqset
