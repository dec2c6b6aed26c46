#pragma once

#include <QChartView>

#include "measure/measuredata.h"

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace eqset {

// CWGraph1: the response of the channel being tuned ("Plot-1") against its
// target ("Plot-2") over the 31 bands, the band frequencies along the bottom.
class CurveGraph : public QChartView {
  Q_OBJECT
 public:
  explicit CurveGraph(QWidget* parent = nullptr);

  // Sets both axes from the level range and draws both rows of the buffer,
  // point k at x = k. A range that is empty or upside down keeps the axis as
  // it was.
  void redraw(const PlotBuffer& buffer, int yMin, int yMax);

  QLineSeries* plot(int row) const { return plots_[static_cast<std::size_t>(row)]; }
  QValueAxis* yAxis() const { return yAxis_; }
  QCategoryAxis* xAxis() const { return xAxis_; }
  // Where the point (x, level) is drawn, in this view's coordinates.
  QPoint pointAt(double x, double level) const;

 private:
  std::array<QLineSeries*, 2> plots_{};
  QCategoryAxis* xAxis_ = nullptr;
  QValueAxis* yAxis_ = nullptr;
};

}  // namespace eqset
