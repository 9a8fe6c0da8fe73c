#pragma once
// The line of a chart's series: the thinned points mapped from axis values onto the plot
// and cut to it. On a canvas of pixels it is drawn as a one-pixel line needs it
// (LineOnPixels): paths, the two-point ones together in one call (a call per path costs
// more than a short path's pixels), and the pixel spans of columns the line fills. On a
// page every point is drawn.

#include <vector>

#include "draw/canvas.h"
#include "views/chart_math.h"

namespace kelvatrix {

class PlotLine {
 public:
  void SetPen(const Pen& pen) { pen_ = pen; }
  // Shows `points` (axis values) on `plotArea`, where the bottom axis spans xMin..xMax and
  // the left axis yMin..yMax.
  void Show(std::vector<ChartPoint> points, const RectF& plotArea, double xMin, double xMax, double yMin,
            double yMax);
  // The plot area moved or changed size (the axes' labels took more or less room).
  void SetPlotArea(const RectF& plotArea);
  // The points given to the last Show.
  int PointCount() const { return static_cast<int>(points_.size()); }
  void Draw(Canvas& canvas) const;

 private:
  void Layout();

  Pen pen_;
  std::vector<ChartPoint> points_;
  RectF plotArea_;
  double xMin_ = 0;
  double xMax_ = 1;
  double yMin_ = 0;
  double yMax_ = 1;
  std::vector<std::vector<PointF>> pieces_;
  std::vector<std::vector<PointF>> screenPaths_;
  std::vector<LineF> screenSegments_;
  std::vector<RectF> screenSpans_;
};

}  // namespace kelvatrix
