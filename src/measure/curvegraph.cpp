#include "measure/curvegraph.h"

#include <QCategoryAxis>
#include <QChart>
#include <QLabel>
#include <QLineSeries>
#include <QValueAxis>

namespace eqset {

namespace {
constexpr int kXMax = 31;
constexpr int kDbPerMajor = 5;
constexpr int kMinorPerMajor = 5;
constexpr int kNoticeInset = 8;

// A band that holds exactly 0 dB was never measured: the store starts at 0,
// and a subwoofer read clears the bands above its low-pass to 0.
bool offAxis(const CurveRow& response, int bands, double low, double high) {
  for (int b = 0; b < bands; ++b) {
    const double v = response[static_cast<std::size_t>(bandSlot(b))];
    if (v != 0 && (v < low || v > high)) return true;
  }
  return false;
}
}  // namespace

const char* const CurveGraph::kOutOfRange = "曲线超出显示范围";

CurveGraph::CurveGraph(QWidget* parent) : QChartView(parent) {
  setObjectName("CWGraph1");
  setRenderHint(QPainter::Antialiasing);
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->setMargins(QMargins(4, 4, 4, 4));

  xAxis_ = new QCategoryAxis;
  xAxis_->setObjectName("XAxis");
  xAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  const auto& bands = bandTable();
  for (int b = 0; b < kBands; ++b) {
    const auto& label = bands[static_cast<std::size_t>(b)].label;
    xAxis_->append(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())),
                   bandSlot(b));
  }
  xAxis_->setRange(0, kXMax);
  xAxis_->setLabelsAngle(-60);
  xAxis_->setTruncateLabels(false);
  QFont small = xAxis_->labelsFont();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  xAxis_->setLabelsFont(small);
  xAxis_->setGridLineVisible(true);

  yAxis_ = new QValueAxis;
  yAxis_->setObjectName("YAxis-1");
  yAxis_->setLabelFormat("%.0fdB");
  yAxis_->setRange(50, 85);
  yAxis_->setTickCount(8);  // 5 dB a division
  yAxis_->setMinorTickCount(kMinorPerMajor - 1);
  yAxis_->setGridLineVisible(true);
  yAxis_->setMinorGridLineVisible(true);
  // A tall range on a short graph leaves less height per tick than a label
  // takes; the level must still be read in full, never as "…".
  yAxis_->setTruncateLabels(false);

  chart->addAxis(xAxis_, Qt::AlignBottom);
  chart->addAxis(yAxis_, Qt::AlignLeft);
  const QColor colours[] = {QColor(0, 0, 255), QColor(255, 0, 0)};
  for (int row = 0; row < 2; ++row) {
    auto* series = new QLineSeries;
    series->setName(row == PlotBuffer::kMeasured ? "Plot-1" : "Plot-2");
    series->setObjectName(series->name());
    QPen pen(colours[row]);
    pen.setWidth(2);
    series->setPen(pen);
    chart->addSeries(series);
    series->attachAxis(xAxis_);
    series->attachAxis(yAxis_);
    plots_[static_cast<std::size_t>(row)] = series;
  }
  setChart(chart);

  // A muted room or a range moved too far draws its curve off the graph; the
  // technician must not take the empty graph for a room that measured nothing.
  outOfRange_ = new QLabel(QString::fromUtf8(kOutOfRange), this);
  outOfRange_->setObjectName("LblOutOfRange");
  outOfRange_->setStyleSheet(
      "QLabel { color: rgb(192, 0, 0); background: rgb(255, 255, 192);"
      " border: 1px solid rgb(192, 0, 0); padding: 2px 6px; }");
  outOfRange_->adjustSize();
  outOfRange_->hide();
  placeNotice();
}

void CurveGraph::placeNotice() {
  outOfRange_->move(width() - outOfRange_->width() - kNoticeInset, kNoticeInset);
}

void CurveGraph::resizeEvent(QResizeEvent* event) {
  QChartView::resizeEvent(event);
  placeNotice();
}

void CurveGraph::redraw(const PlotBuffer& buffer, int yMin, int yMax, int measuredBands) {
  xAxis_->setRange(0, kXMax);
  if (yMax > yMin) {
    yAxis_->setRange(yMin, yMax);
    // One major division a 5 dB; the count may come out fractional for a
    // range that is not a multiple of 5, and the axis takes the whole part.
    const double majors = static_cast<double>(yMax - yMin) / kDbPerMajor;
    yAxis_->setTickCount(static_cast<int>(majors) + 1);
    yAxis_->setMinorTickCount(kMinorPerMajor - 1);
  }
  for (int row = 0; row < 2; ++row) {
    QList<QPointF> points;
    const CurveRow& values = buffer.rows[static_cast<std::size_t>(row)];
    for (int k = 0; k < kBandSlots; ++k)
      points.append(QPointF(k, values[static_cast<std::size_t>(k)]));
    plots_[static_cast<std::size_t>(row)]->replace(points);
  }
  outOfRange_->setVisible(
      offAxis(buffer.rows[PlotBuffer::kMeasured], measuredBands, yAxis_->min(), yAxis_->max()));
}

void CurveGraph::showBackground(const std::vector<CurveRow>& curves) {
  while (background_.size() > curves.size()) {
    chart()->removeSeries(background_.back());
    delete background_.back();
    background_.pop_back();
  }
  const bool adding = background_.size() < curves.size();
  while (background_.size() < curves.size()) {
    auto* series = new QLineSeries;
    series->setObjectName(QStringLiteral("Position-%1").arg(background_.size() + 1));
    QPen pen(QColor(150, 150, 150));
    pen.setWidth(1);
    series->setPen(pen);
    chart()->addSeries(series);
    series->attachAxis(xAxis_);
    series->attachAxis(yAxis_);
    background_.push_back(series);
  }
  // The measured curve and the target stay drawn over the grey ones.
  if (adding) {
    for (QLineSeries* plot : plots_) {
      chart()->removeSeries(plot);
      chart()->addSeries(plot);
      plot->attachAxis(xAxis_);
      plot->attachAxis(yAxis_);
    }
  }
  for (std::size_t i = 0; i < curves.size(); ++i) {
    QList<QPointF> points;
    for (int k = 0; k < kBandSlots; ++k)
      points.append(QPointF(k, curves[i][static_cast<std::size_t>(k)]));
    background_[i]->replace(points);
  }
}

QPoint CurveGraph::pointAt(double x, double level) const {
  const QPointF inScene = chart()->mapToPosition(QPointF(x, level), plots_[0]);
  return mapFromScene(inScene);
}

}  // namespace eqset
