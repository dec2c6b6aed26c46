#pragma once

#include <QChartView>
#include <vector>

#include "measure/measuredata.h"

class QCategoryAxis;
class QLabel;
class QLineSeries;
class QValueAxis;

namespace eqset {

// CWGraph1: the response of the channel being tuned ("Plot-1") against its
// target ("Plot-2") over the 31 bands, the band frequencies along the bottom.
class CurveGraph : public QChartView {
  Q_OBJECT
 public:
  explicit CurveGraph(QWidget* parent = nullptr);

  // Shown over the graph while a measured point lies off the level axis.
  static const char* const kOutOfRange;

  // Sets both axes from the level range and draws both rows of the buffer,
  // point k at x = k. A range that is empty or upside down keeps the axis as
  // it was. Says so on the graph when one of the first `measuredBands` bands
  // of the response lies above or below the axis.
  void redraw(const PlotBuffer& buffer, int yMin, int yMax, int measuredBands = kBands);

  // Thin grey curves behind the two plots (each measurement position's), as
  // many as given; none clears them.
  void showBackground(const std::vector<CurveRow>& curves);
  int backgroundCount() const { return static_cast<int>(background_.size()); }

  QLineSeries* plot(int row) const { return plots_[static_cast<std::size_t>(row)]; }
  QValueAxis* yAxis() const { return yAxis_; }
  QCategoryAxis* xAxis() const { return xAxis_; }
  // Where the point (x, level) is drawn, in this view's coordinates.
  QPoint pointAt(double x, double level) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placeNotice();

  std::array<QLineSeries*, 2> plots_{};
  std::vector<QLineSeries*> background_;
  QLabel* outOfRange_ = nullptr;
  QCategoryAxis* xAxis_ = nullptr;
  QValueAxis* yAxis_ = nullptr;
};

}  // namespace eqset
