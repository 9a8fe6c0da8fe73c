#pragma once
// The line of a chart's series, drawn by the chart itself over Qt Charts' plot area: the
// thinned points mapped from axis values onto the plot and cut to it, painted as plain
// polylines. Qt Charts' own line item strokes its whole path into an outline on every
// change (for mouse hit-testing this program does not use), which cost most of a refresh.

#include <QGraphicsItem>
#include <QLineF>
#include <QPen>
#include <QPolygonF>
#include <QRect>

#include <vector>

#include "views/chart_math.h"

namespace kelvatrix {

class PlotLine : public QGraphicsItem {
 public:
  explicit PlotLine(QGraphicsItem* parent = nullptr);

  void SetPen(const QPen& pen);
  // Shows `points` (axis values) on `plotArea` (the parent's coordinates), where the
  // bottom axis spans xMin..xMax and the left axis yMin..yMax.
  void Show(std::vector<ChartPoint> points, const QRectF& plotArea, double xMin, double xMax,
            double yMin, double yMax);
  // The plot area moved or changed size (the axes' labels took more or less room).
  void SetPlotArea(const QRectF& plotArea);
  // The points given to the last Show.
  int PointCount() const { return static_cast<int>(points_.size()); }

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  void Layout();

  QPen pen_;
  std::vector<ChartPoint> points_;
  QRectF plotArea_;
  double xMin_ = 0;
  double xMax_ = 1;
  double yMin_ = 0;
  double yMax_ = 1;
  std::vector<QPolygonF> pieces_;
  // The same pieces as a one-pixel line on the screen needs them (LineOnPixels): its
  // paths, those of one segment painted together (a call per path costs more than a
  // short path's pixels), and the pixel spans of columns the line fills. A page (a
  // scaled painter) gets every point.
  std::vector<QPolygonF> screenPaths_;
  std::vector<QLineF> screenSegments_;
  std::vector<QRect> screenSpans_;
};

}  // namespace kelvatrix
