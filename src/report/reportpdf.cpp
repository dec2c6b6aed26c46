#include "report/reportpdf.h"

#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QValueAxis>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "measure/curvegraph.h"

namespace eqset {

namespace {

// One unit of the page is one pixel of a chart on the screen, so the chart's
// text keeps the size it was laid out for.
constexpr int kDpi = 96;
constexpr double kMarginMm = 15;
constexpr double kGraphHeight = 240;
constexpr double kGap = 6;
constexpr double kFooterHeight = 22;
constexpr double kTitlePt = 16;
constexpr double kHeadingPt = 12;
constexpr double kBodyPt = 9.5;
constexpr double kSmallPt = 7.5;
constexpr int kBandsPerRow = 16;

const QColor kFirstColour(128, 128, 128);
const QColor kPositionColour(175, 175, 175);
const QColor kRuleColour(160, 160, 160);

QFont sized(const QFont& base, double points, bool bold = false) {
  QFont f = base;
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// The points of the bands a channel plays, each band at its slot as the
// window draws it.
QList<QPointF> bandPoints(const CurveRow& curve, int bands) {
  QList<QPointF> points;
  for (int b = 0; b < bands; ++b) {
    const int slot = bandSlot(b);
    points.append(QPointF(slot, curve[static_cast<std::size_t>(slot)]));
  }
  return points;
}

// The page's graph is shorter than the window's: a tall level range gives a
// 5 dB division less height than its label takes, and the chart would drop
// every other label. The divisions widen to 10, 20 or 50 dB (on round levels,
// a minor line every 5 dB) until each level is printed in full. Returns
// whether the axis changed.
bool spaceLevelLabels(QValueAxis* axis, double plotHeight, int rangeDb) {
  constexpr double kLabelHeights = 1.25;  // a label and a little air
  const double needed = QFontMetricsF(axis->labelsFont()).height() * kLabelHeights;
  constexpr int kSteps[] = {5, 10, 20, 50};
  int step = kSteps[0];
  for (const int s : kSteps) {
    step = s;
    if (rangeDb <= 0 || plotHeight * s / rangeDb >= needed) break;
  }
  if (step == kSteps[0]) return false;
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(step);
  axis->setMinorTickCount(step / kSteps[0] - 1);
  return true;
}

QLineSeries* addSeries(CurveGraph& graph, const QString& name, const QPen& pen) {
  auto* series = new QLineSeries;
  series->setName(name);
  series->setPen(pen);
  graph.chart()->addSeries(series);
  series->attachAxis(graph.xAxis());
  series->attachAxis(graph.yAxis());
  return series;
}

QPen firstPen() {
  QPen pen(kFirstColour);
  pen.setWidth(2);
  pen.setStyle(Qt::DashLine);
  return pen;
}

// The first curve in grey beside the final curve and its target.
void singleCurves(CurveGraph& graph, const ChannelReport& ch, int bands) {
  QLineSeries* finalPlot = graph.plot(PlotBuffer::kMeasured);
  finalPlot->setName(QStringLiteral("调试后曲线"));
  finalPlot->replace(ch.finalCurve ? bandPoints(*ch.finalCurve, bands) : QList<QPointF>{});
  graph.plot(PlotBuffer::kTarget)
      ->replace(ch.target ? bandPoints(*ch.target, bands) : QList<QPointF>{});
  QLineSeries* firstPlot = addSeries(graph, QStringLiteral("首次测量曲线"), firstPen());
  if (ch.first) firstPlot->replace(bandPoints(*ch.first, bands));
}

// A thin line for each position under the average before in the first
// curve's grey, the average after in the measured blue and the target. The
// window's two plots go back on last, drawn over the positions.
void roomCurves(CurveGraph& graph, const RoomChannelReport& room, int bands) {
  QChart* chart = graph.chart();
  QLineSeries* afterPlot = graph.plot(PlotBuffer::kMeasured);
  QLineSeries* targetPlot = graph.plot(PlotBuffer::kTarget);
  chart->removeSeries(afterPlot);
  chart->removeSeries(targetPlot);

  const QString positions = QStringLiteral("各测量位置");
  for (const CurveRow& curve : room.positionCurves) {
    QLineSeries* series = addSeries(graph, positions, QPen(kPositionColour, 1));
    series->replace(bandPoints(curve, bands));
    // One entry in the legend for all of them.
    if (series != chart->series().front()) {
      for (QLegendMarker* marker : chart->legend()->markers(series))
        marker->setVisible(false);
    }
  }
  addSeries(graph, QStringLiteral("调试前平均"), firstPen())
      ->replace(bandPoints(room.averageBefore, bands));

  afterPlot->setName(QStringLiteral("调试后平均"));
  for (QLineSeries* plot : {afterPlot, targetPlot}) {
    chart->addSeries(plot);
    plot->attachAxis(graph.xAxis());
    plot->attachAxis(graph.yAxis());
  }
  afterPlot->replace(room.averageAfter ? bandPoints(*room.averageAfter, bands) : QList<QPointF>{});
  targetPlot->replace(room.target ? bandPoints(*room.target, bands) : QList<QPointF>{});
}

// The window's graph, made for one channel: the final curve in the measured
// plot's blue, the target in red, and the first curve added in grey; for a
// channel of a "全场均衡" run, its positions and averages instead.
void drawGraph(QPainter& painter, const QRectF& at, const ChannelReport& ch, const QFont& base) {
  CurveGraph graph;
  QChart* chart = graph.chart();
  const auto [low, high] = graphRange(ch);
  graph.redraw(PlotBuffer{}, low, high);
  const int bands = ch.subwoofer ? kSubwooferBands : kBands;
  graph.plot(PlotBuffer::kTarget)->setName(QStringLiteral("目标曲线"));
  if (ch.room) {
    roomCurves(graph, *ch.room, bands);
  } else {
    singleCurves(graph, ch, bands);
  }

  graph.xAxis()->setLabelsFont(sized(base, kSmallPt));
  graph.yAxis()->setLabelsFont(sized(base, kSmallPt));
  chart->legend()->setFont(sized(base, kSmallPt + 0.5));
  chart->legend()->setAlignment(Qt::AlignTop);
  chart->legend()->show();
  chart->setBackgroundRoundness(0);

  // Laid out for the page's size, off the screen.
  const QRectF source(QPointF(0, 0), at.size());
  graph.scene()->setSceneRect(source);
  chart->setGeometry(source);
  chart->layout()->activate();
  QCoreApplication::sendPostedEvents(chart, QEvent::LayoutRequest);
  if (spaceLevelLabels(graph.yAxis(), chart->plotArea().height(), high - low)) {
    chart->layout()->invalidate();
    chart->layout()->activate();
    QCoreApplication::sendPostedEvents(chart, QEvent::LayoutRequest);
  }
  graph.scene()->render(&painter, at, source);
}

// The pages of the report, filled from the top; a block that does not fit on
// the rest of a page starts the next one.
class Pages {
 public:
  Pages(QPdfWriter& writer, QPainter& painter, const QFont& base)
      : writer_(writer), painter_(painter), base_(base) {
    footer();
  }

  double width() const { return writer_.width(); }
  double y() const { return y_; }
  const QFont& base() const { return base_; }
  QPainter& painter() { return painter_; }

  double lineHeight(const QFont& font) const {
    return QFontMetricsF(font, &writer_).height() * 1.25;
  }
  void room(double height) {
    if (y_ > 0 && y_ + height > bottom()) newPage();
  }
  void skip(double height) { y_ += height; }

  void line(const QString& text, const QFont& font, double indent = 0) {
    const double h = lineHeight(font);
    room(h);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(indent, y_, width() - indent, h), Qt::AlignLeft | Qt::AlignVCenter,
                      text);
    y_ += h;
  }
  // Text in cells of a row, each cell `widths[i]` wide and centred; with
  // `heading`, the first cell is a row heading, set left.
  void row(const QStringList& cells, const std::vector<double>& widths, const QFont& font,
           bool heading) {
    const double h = lineHeight(font);
    room(h);
    painter_.setFont(font);
    painter_.setPen(Qt::black);
    double x = 0;
    for (int i = 0; i < cells.size(); ++i) {
      const double w = widths[static_cast<std::size_t>(i)];
      const int align = i == 0 && heading ? Qt::AlignLeft : Qt::AlignHCenter;
      painter_.drawText(QRectF(x, y_, w, h), align | Qt::AlignVCenter, cells[i]);
      x += w;
    }
    y_ += h;
  }
  void rule() {
    room(kGap * 2);
    painter_.setPen(QPen(kRuleColour, 1));
    painter_.drawLine(QPointF(0, y_ + kGap), QPointF(width(), y_ + kGap));
    y_ += kGap * 2;
  }

 private:
  double bottom() const { return writer_.height() - kFooterHeight; }
  void newPage() {
    writer_.newPage();
    ++page_;
    y_ = 0;
    footer();
  }
  void footer() {
    painter_.setFont(sized(base_, kSmallPt));
    painter_.setPen(Qt::darkGray);
    painter_.drawText(QRectF(0, writer_.height() - kFooterHeight, width(), kFooterHeight),
                      Qt::AlignHCenter | Qt::AlignBottom,
                      QStringLiteral("EQSet 调试报告　第 %1 页").arg(page_));
  }

  QPdfWriter& writer_;
  QPainter& painter_;
  QFont base_;
  int page_ = 1;
  double y_ = 0;
};

void header(Pages& pages, const ReportContent& r) {
  const WindowSettings& s = r.settings;
  const QFont body = sized(pages.base(), kBodyPt);
  pages.line(QStringLiteral("影院音频处理器调试报告"), sized(pages.base(), kTitlePt, true));
  pages.skip(kGap);
  pages.line(
      QStringLiteral("日期时间：%1").arg(s.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
      body);
  pages.line(QStringLiteral("串口：%1").arg(s.port), body);
  pages.line(QStringLiteral("输入选择：%1　　处理模式：%2").arg(s.input, s.mode), body);
  pages.line(QStringLiteral("目标曲线：%1").arg(s.target), body);
  pages.rule();
}

void gainsTable(Pages& pages, const ChannelReport& ch) {
  const QFont small = sized(pages.base(), kSmallPt);
  const QFont body = sized(pages.base(), kBodyPt);
  QString heading = QStringLiteral("均衡增益（dB）");
  if (!ch.gainsRead) heading += QStringLiteral("：未能从处理器读回，以下为窗口中的数值");
  if (ch.restored) heading += QStringLiteral("：已恢复为自动均衡之前的数值");
  pages.line(heading, body);
  const std::vector<double> widths(kBandsPerRow, pages.width() / kBandsPerRow);
  for (int first = 0; first < kBands; first += kBandsPerRow) {
    QStringList labels;
    QStringList gains;
    for (int b = first; b < std::min(first + kBandsPerRow, kBands); ++b) {
      labels << bandLabel(b);
      gains << gainText(ch.gains[static_cast<std::size_t>(b)]);
    }
    pages.row(labels, widths, small, false);
    pages.row(gains, widths, body, false);
  }
}

double channelBlockHeight(Pages& pages, const ChannelReport& ch) {
  const double body = pages.lineHeight(sized(pages.base(), kBodyPt));
  const double small = pages.lineHeight(sized(pages.base(), kSmallPt));
  const double heading = pages.lineHeight(sized(pages.base(), kHeadingPt, true));
  const double gains = body + 2 * (small + body);
  if (!ch.measured) return heading + body + gains + 2 * kGap;
  const int figures = ch.room ? 5 : 3;
  return heading + kGraphHeight + kGap + figures * body + gains + 2 * kGap;
}

// The figures of a channel the "全场均衡" run tuned: its averages from their
// targets and how far the positions lie apart.
void roomFigures(Pages& pages, const RoomChannelReport& room, bool targetKnown) {
  const QFont body = sized(pages.base(), kBodyPt);
  constexpr double kIndent = 12;
  pages.line(QStringLiteral("测量位置：%1个").arg(room.positions), body, kIndent);
  if (!targetKnown) {
    pages.line(QStringLiteral("目标曲线不是 ISO2969、平直或自定义，偏差未计算"), body);
    pages.skip(pages.lineHeight(body));
  } else {
    pages.line(QStringLiteral("调试前平均：%1").arg(deviationText(*room.before)), body, kIndent);
    pages.line(QStringLiteral("调试后平均：%1")
                   .arg(room.after ? deviationText(*room.after) : QStringLiteral("无最终测量")),
               body, kIndent);
  }
  pages.line(QStringLiteral("位置间最大差异：%1")
                 .arg(room.spread ? spreadText(*room.spread) : QStringLiteral("只有一个测量位置")),
             body, kIndent);
}

void channel(Pages& pages, const ReportContent& r, int index) {
  const ChannelReport& ch = r.channels[static_cast<std::size_t>(index)];
  const QFont body = sized(pages.base(), kBodyPt);
  pages.room(channelBlockHeight(pages, ch));
  pages.line(QStringLiteral("声道 %1：%2").arg(index + 1).arg(ch.name),
             sized(pages.base(), kHeadingPt, true));
  if (!ch.measured) {
    pages.line(QStringLiteral("本声道未测量"), body);
  } else {
    const QRectF at(0, pages.y(), pages.width(), kGraphHeight);
    drawGraph(pages.painter(), at, ch, pages.base());
    pages.skip(kGraphHeight + kGap);
    QString basis = QStringLiteral("相对目标曲线的偏差（%1").arg(r.settings.target);
    if (ch.subwoofer) basis += QStringLiteral("，只计 20Hz 至 200Hz");
    pages.line(basis + QStringLiteral("；补偿写入 %1 次）").arg(ch.passes), body);
    if (ch.room) {
      roomFigures(pages, *ch.room, r.targetType.has_value());
    } else if (!r.targetType) {
      pages.line(QStringLiteral("目标曲线不是 ISO2969、平直或自定义，偏差未计算"), body);
      pages.skip(pages.lineHeight(body));
    } else {
      pages.line(QStringLiteral("调试前（首次测量）：%1")
                     .arg(ch.before ? deviationText(*ch.before) : QStringLiteral("无首次测量曲线")),
                 body, 12);
      pages.line(QStringLiteral("调试后：%1")
                     .arg(ch.after ? deviationText(*ch.after) : QStringLiteral("无测量曲线")),
                 body, 12);
    }
  }
  gainsTable(pages, ch);
  pages.rule();
}

void otherSettings(Pages& pages, const ReportContent& r) {
  const WindowSettings& s = r.settings;
  const QFont body = sized(pages.base(), kBodyPt);
  const double h = pages.lineHeight(body);
  pages.room(h * 14 + pages.lineHeight(sized(pages.base(), kHeadingPt, true)));
  pages.line(QStringLiteral("其他设置"), sized(pages.base(), kHeadingPt, true));
  pages.line(QStringLiteral("主音量：%1 dB").arg(gainText(r.volumeDb)), body);
  pages.skip(kGap / 2);

  std::vector<double> widths(kChannels + 1, (pages.width() - 110) / kChannels);
  widths[0] = 110;
  QStringList names{QStringLiteral("声道")};
  QStringList levels{QStringLiteral("电平（dB）")};
  QStringList delays{QStringLiteral("延时（ms）")};
  QStringList polarities{QStringLiteral("相位")};
  for (int k = 0; k < kChannels; ++k) {
    const auto c = static_cast<std::size_t>(k);
    names << r.channels[c].name;
    levels << gainText(r.levelsDb[c]);
    delays << s.delays[c];
    polarities << s.polarities[c];
  }
  for (const QStringList& cells : {names, levels, delays, polarities})
    pages.row(cells, widths, body, true);
  pages.skip(kGap / 2);
  pages.line(QStringLiteral("影院长：%1 米　　影院宽：%2 米").arg(s.roomLength, s.roomWidth), body);
  pages.line(
      QStringLiteral("全部静音：%1").arg(s.muted ? QStringLiteral("是") : QStringLiteral("否")),
      body);
  pages.line(QStringLiteral("压限电平：%1").arg(s.limiter), body);
  pages.line(QStringLiteral("切换淡入淡出：%1，%2").arg(s.fades[0], s.fades[1]), body);
  // An empty box is a zero nobody has set, not a zero of nothing.
  const QString micZero = s.micZero.trimmed().isEmpty() ? QStringLiteral("未设定") : s.micZero;
  pages.line(QStringLiteral("话筒零点：%1").arg(micZero), body);
  pages.line(QStringLiteral("目标曲线：%1").arg(s.target), body);
}

}  // namespace

QByteArray reportPdf(const ReportContent& content, const QFont& font) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("调试报告"));
    writer.setCreator(QStringLiteral("EQSet"));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    Pages pages(writer, painter, font);
    header(pages, content);
    for (int k = 0; k < kChannels; ++k)
      channel(pages, content, k);
    otherSettings(pages, content);
    if (!painter.end()) return {};
  }
  return bytes;
}

QImage doubleResolutionPicture(QWidget* widget) {
  constexpr qreal kRatio = 2;
  // A graph on a page that has not been laid out since it was last shown
  // still has a stale size; grabbing a single pixel sends it, its parents and
  // children the moves and resizes they wait for, as drawing it on screen does.
  (void)widget->grab(QRect(0, 0, 1, 1));
  QImage image(widget->size() * kRatio, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(kRatio);
  image.fill(Qt::white);
  widget->render(&image);
  return image;
}

QByteArray pngBytes(const QImage& image) {
  QImage out = image;
  // Viewers that honour the resolution show the picture at the widget's size.
  out.setDotsPerMeterX(qRound(image.dotsPerMeterX() * image.devicePixelRatio()));
  out.setDotsPerMeterY(qRound(image.dotsPerMeterY() * image.devicePixelRatio()));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!out.save(&buffer, "PNG")) return {};
  return bytes;
}

}  // namespace eqset
