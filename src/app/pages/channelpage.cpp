#include "app/pages/channelpage.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/pages/pagecontrols.h"
#include "app/widgets.h"
#include "eq/eqlivewrite.h"

namespace eqset {

using pages::indexed;
using pages::named;
using pages::valueBox;

ChannelPage::ChannelPage(int channel, QWidget* parent) : QWidget(parent), channel_(channel) {
  auto* v = new QVBoxLayout(pages::scrolled(this, indexed("channelScroll", channel)));
  const auto& bands = bandTable();
  // Bands 0..15 in the upper row, 16..30 in the lower one, in equal columns.
  auto* bandsGrid = new QGridLayout;
  for (int b = 0; b < kBands; ++b) {
    const int i = kBands * channel + b;
    const auto at = static_cast<std::size_t>(b);
    auto* strip = new QVBoxLayout;
    boxes[at] = valueBox(indexed("Text5", i), "0");
    // Room for the focus highlight's larger bold digits, so the strip does not jump.
    QFont highlight = boxes[at]->font();
    highlight.setPointSize(EqLiveWrite::kFocusPointSize);
    highlight.setBold(true);
    boxes[at]->setFixedSize(QFontMetrics(highlight).horizontalAdvance("-15") + 16,
                            QFontMetrics(highlight).height() + 8);
    sliders[at] = named(new UserSlider(Qt::Vertical), indexed("Slider1", i));
    UserSlider* s = sliders[at];
    s->setRange(kBandPositionMin, kBandPositionMax);
    s->setSingleStep(1);
    s->setPageStep(5);
    s->setValue(0);
    s->setInvertedAppearance(true);  // -15 (maximum boost) at the top
    s->setInvertedControls(true);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(5);
    // The sliders give up height before the page scrolls on a small screen.
    s->setMinimumHeight(80);
    s->setFocusPolicy(Qt::StrongFocus);
    bandLabels[at] = named(new QLabel(pages::text(bands[at].label)), indexed("BandLabel", i));
    strip->addWidget(boxes[at], 0, Qt::AlignHCenter);
    strip->addWidget(s, 1, Qt::AlignHCenter);
    strip->addWidget(bandLabels[at], 0, Qt::AlignHCenter);
    const bool upper = b < 16;
    bandsGrid->addLayout(strip, upper ? 0 : 1, upper ? b : b - 16);
  }
  for (int col = 0; col < 16; ++col)
    bandsGrid->setColumnStretch(col, 1);
  v->addLayout(bandsGrid, 1);

  auto* tools = new QHBoxLayout;
  CmdReadSingleCh = named(new QPushButton("读取单通道数据"), indexed("CmdReadSingleCh", channel));
  CmdReadSingleCh->setToolTip("仅读取本通道数据");
  CmbCopy = named(new QComboBox, indexed("CmbCopy", channel));
  CmbCopy->setEditable(true);
  CmbCopy->setInsertPolicy(QComboBox::NoInsert);  // a fixed list: typing picks, never adds
  CmbCopy->setMinimumContentsLength(6);
  CmdCopy = named(new QPushButton("执行拷贝"), indexed("CmdCopy", channel));
  CmdResetL = named(new QPushButton("复位到0dB"), indexed("CmdResetL", channel));
  if (channel == 0) {
    CmdCopy->setToolTip("数据复制到缓冲区,需要按下数据写入DSP才实际写入.");
    CmdResetL->setToolTip("写入0dB后自动回读.");
  }
  tools->addWidget(CmdReadSingleCh);
  tools->addSpacing(24);
  tools->addWidget(CmdResetL);
  tools->addSpacing(24);
  tools->addWidget(new QLabel("从选择通道拷贝数据"));
  tools->addWidget(CmbCopy);
  tools->addWidget(CmdCopy);
  tools->addStretch(1);
  if (channel > 0) {
    Command11 = named(new QPushButton("粉噪输出"), indexed("Command11", channel));
    Command23 = named(new QPushButton("粉噪停止"), indexed("Command23", channel));
    tools->addWidget(Command11);
    tools->addWidget(Command23);
  }
  v->addLayout(tools);
}

}  // namespace eqset
