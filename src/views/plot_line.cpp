#include "views/plot_line.h"

namespace kelvatrix {
namespace {
std::vector<PointF> Points(const std::vector<ChartPoint>& points) {
  std::vector<PointF> converted;
  converted.reserve(points.size());
  for (const ChartPoint& p : points) converted.push_back({p.x, p.y});
  return converted;
}
}  // namespace

void PlotLine::Show(std::vector<ChartPoint> points, const RectF& plotArea, double xMin, double xMax, double yMin,
                    double yMax) {
  points_ = std::move(points);
  xMin_ = xMin;
  xMax_ = xMax;
  yMin_ = yMin;
  yMax_ = yMax;
  plotArea_ = plotArea;
  Layout();
}

void PlotLine::SetPlotArea(const RectF& plotArea) {
  if (plotArea == plotArea_) return;
  plotArea_ = plotArea;
  Layout();
}

void PlotLine::Layout() {
  pieces_.clear();
  screenPaths_.clear();
  screenSegments_.clear();
  screenSpans_.clear();
  if (plotArea_.Empty() || xMax_ <= xMin_ || yMax_ <= yMin_) return;
  // The axes' linear mapping: xMin at the left edge, yMin at the bottom edge.
  const double sx = plotArea_.width / (xMax_ - xMin_);
  const double sy = plotArea_.height / (yMax_ - yMin_);
  std::vector<ChartPoint> mapped;
  mapped.reserve(points_.size());
  for (const ChartPoint& p : points_) {
    mapped.push_back({plotArea_.left + (p.x - xMin_) * sx, plotArea_.Bottom() - (p.y - yMin_) * sy});
  }
  // Half a pixel past the edges, so a line along an edge still shows.
  const RectF box = plotArea_.Adjusted(-0.5, -0.5, 0.5, 0.5);
  for (const auto& piece : ClipPolyline(mapped, {box.left, box.top, box.Right(), box.Bottom()})) {
    pieces_.push_back(Points(piece));
    const ScreenLine screen = LineOnPixels(piece);
    for (const std::vector<ChartPoint>& path : screen.paths) {
      if (path.size() == 2) {
        screenSegments_.push_back({{path[0].x, path[0].y}, {path[1].x, path[1].y}});
      } else {
        screenPaths_.push_back(Points(path));
      }
    }
    for (const PixelSpan& span : screen.spans)
      screenSpans_.push_back({static_cast<double>(span.x), static_cast<double>(span.top), 1,
                              static_cast<double>(span.bottom - span.top + 1)});
  }
}

void PlotLine::Draw(Canvas& canvas) const {
  canvas.SetPen(pen_);
  if (!canvas.Pixels()) {
    for (const std::vector<PointF>& piece : pieces_) canvas.DrawPolyline(piece);
    return;
  }
  for (const std::vector<PointF>& path : screenPaths_) canvas.DrawPolyline(path);
  canvas.DrawLines(screenSegments_);
  for (const RectF& span : screenSpans_) canvas.FillRect(span, pen_.color);
}

}  // namespace kelvatrix
