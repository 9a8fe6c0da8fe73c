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
  screenPieces_.clear();
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
    screenPieces_.push_back(Polygon(PointsOnPixels(piece)));
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
  const bool onePixelIsOne = painter->deviceTransform().type() <= QTransform::TxTranslate;
  for (const QPolygonF& piece : onePixelIsOne ? screenPieces_ : pieces_) {
    painter->drawPolyline(piece);
  }
}

}  // namespace kelvatrix
