#include "views/bottom_axis.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

#include "views/chart_math.h"

namespace kelvatrix {
namespace {
constexpr double kLabelGap = 4.5;  // from the axis line to the top of a label's box
}  // namespace

BottomAxis::BottomAxis(QGraphicsItem* parent) : QGraphicsItem(parent) {
  setAcceptedMouseButtons(Qt::NoButton);
}

void BottomAxis::SetLook(const AxisLook& look) {
  prepareGeometryChange();
  look_ = look;
  labels_.SetFont(look_.font);
  overhang_ = 0;
  // The axis line's own pixel, the gap, the label's box.
  heightBelowPlot_ = 1 + kLabelGap + QFontMetricsF(look_.font).height() + 2 * kBoxMargin;
  update();
}

double BottomAxis::WidthOfLabel(const QString& text) const {
  return QFontMetricsF(look_.font).horizontalAdvance(text) + 2 * kBoxMargin;
}

void BottomAxis::Show(const QRectF& plotArea, double min, double max, double step) {
  min_ = min;
  max_ = max;
  values_ = LabelValues(min, max, step);
  std::vector<QString> texts;
  texts.reserve(values_.size());
  for (const double value : values_) texts.push_back(QString::asprintf("%g", value));
  double overhang = overhang_;
  if (labels_.Set(std::move(texts))) {
    overhang = 0;
    for (const QString& text : labels_.Texts())
      overhang = std::max(overhang, WidthOfLabel(text) / 2);
  }
  if (plotArea != plotArea_ || overhang != overhang_) prepareGeometryChange();
  plotArea_ = plotArea;
  overhang_ = overhang;
  update();
}

void BottomAxis::SetPlotArea(const QRectF& plotArea) {
  if (plotArea == plotArea_) return;
  prepareGeometryChange();
  plotArea_ = plotArea;
  update();
}

double BottomAxis::XOf(double value) const {
  return plotArea_.left() + (value - min_) * plotArea_.width() / (max_ - min_);
}

QRectF BottomAxis::boundingRect() const {
  // The labels at the ends stand half their width past the plot.
  return plotArea_.adjusted(-overhang_ - 1, -1, overhang_ + 1, heightBelowPlot_ + 1);
}

void BottomAxis::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (plotArea_.isEmpty() || max_ <= min_) return;
  const double bottom = plotArea_.bottom();
  painter->setPen(look_.grid);
  for (const double value : values_) {
    const double x = XOf(value);
    painter->drawLine(QPointF(x, plotArea_.top()), QPointF(x, bottom));
  }
  painter->setPen(look_.line);
  painter->drawLine(QPointF(plotArea_.left(), bottom), QPointF(plotArea_.right(), bottom));
  for (const double value : values_) {
    const double x = XOf(value);
    painter->drawLine(QPointF(x, bottom), QPointF(x, bottom + kTickLength));
  }
  painter->setFont(look_.font);
  painter->setPen(QPen(look_.labels, 1));
  for (std::size_t i = 0; i < labels_.Count(); ++i) {
    const QSizeF size = labels_.LaidOut(i).size();
    painter->drawStaticText(
        QPointF(XOf(values_[i]) - size.width() / 2, bottom + kLabelGap + kBoxMargin),
        labels_.LaidOut(i));
  }
}

}  // namespace kelvatrix
