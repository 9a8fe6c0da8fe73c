#include "views/plot_line.h"

#include <QPainter>

namespace kelvatrix {
namespace {
QPolygonF Polygon(const std::vector<ChartPoint>& points) {
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const ChartPoint& p : points) polygon.append(QPointF(p.x, p.y));
  return polygon;
}
}  // namespace

PlotLine::PlotLine(QGraphicsItem* parent) : QGraphicsItem(parent) {
  setFlag(QGraphicsItem::ItemHasNoContents, false);
  setAcceptedMouseButtons(Qt::NoButton);
}

void PlotLine::SetPen(const QPen& pen) {
  pen_ = pen;
  update();
}

void PlotLine::Show(std::vector<ChartPoint> points, const QRectF& plotArea, double xMin,
                    double xMax, double yMin, double yMax) {
  points_ = std::move(points);
  xMin_ = xMin;
  xMax_ = xMax;
  yMin_ = yMin;
  yMax_ = yMax;
  if (plotArea != plotArea_) prepareGeometryChange();
  plotArea_ = plotArea;
  Layout();
}

void PlotLine::SetPlotArea(const QRectF& plotArea) {
  if (plotArea == plotArea_) return;
  prepareGeometryChange();
  plotArea_ = plotArea;
  Layout();
}

void PlotLine::Layout() {
  pieces_.clear();
  screenPaths_.clear();
  screenSegments_.clear();
  screenSpans_.clear();
  if (plotArea_.isEmpty() || xMax_ <= xMin_ || yMax_ <= yMin_) {
    update();
    return;
  }
  // The axes' linear mapping: xMin at the left edge, yMin at the bottom edge.
  const double sx = plotArea_.width() / (xMax_ - xMin_);
  const double sy = plotArea_.height() / (yMax_ - yMin_);
  std::vector<ChartPoint> mapped;
  mapped.reserve(points_.size());
  for (const ChartPoint& p : points_) {
    mapped.push_back(
        {plotArea_.left() + (p.x - xMin_) * sx, plotArea_.bottom() - (p.y - yMin_) * sy});
  }
  // Half a pixel past the edges, so a line along an edge still shows.
  const QRectF box = plotArea_.adjusted(-0.5, -0.5, 0.5, 0.5);
  for (const auto& piece :
       ClipPolyline(mapped, {box.left(), box.top(), box.right(), box.bottom()})) {
    pieces_.push_back(Polygon(piece));
    const ScreenLine screen = LineOnPixels(piece);
    for (const std::vector<ChartPoint>& path : screen.paths) {
      if (path.size() == 2) {
        screenSegments_.emplace_back(path[0].x, path[0].y, path[1].x, path[1].y);
      } else {
        screenPaths_.push_back(Polygon(path));
      }
    }
    for (const PixelSpan& span : screen.spans)
      screenSpans_.emplace_back(span.x, span.top, 1, span.bottom - span.top + 1);
  }
  update();
}

QRectF PlotLine::boundingRect() const {
  const double margin = std::max(1.0, pen_.widthF());
  return plotArea_.adjusted(-margin, -margin, margin, margin);
}

void PlotLine::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  painter->setPen(pen_);
  painter->setBrush(Qt::NoBrush);
  // On the screen the item's pixels are the device's; a page scales them up.
  if (painter->deviceTransform().type() > QTransform::TxTranslate) {
    for (const QPolygonF& piece : pieces_) painter->drawPolyline(piece);
    return;
  }
  for (const QPolygonF& path : screenPaths_) painter->drawPolyline(path);
  painter->drawLines(screenSegments_.data(), static_cast<int>(screenSegments_.size()));
  for (const QRect& span : screenSpans_) painter->fillRect(span, pen_.color());
}

}  // namespace kelvatrix
