#include "views/left_axis.h"

#include <QFontMetricsF>
#include <QPainter>

#include <utility>

namespace kelvatrix {
namespace {
// The measures of Qt Charts' own axes, so the chart reads as before.
constexpr double kLabelPadding = 4;  // from the axis line to a label's box
constexpr double kTitlePadding = 2;  // left of the title
constexpr double kTitleGap = 5;      // from the title to the labels' boxes
}  // namespace

LeftAxis::LeftAxis(QGraphicsItem* parent) : QGraphicsItem(parent) {
  setAcceptedMouseButtons(Qt::NoButton);
}

void LeftAxis::SetLook(const AxisLook& look, const QString& title) {
  prepareGeometryChange();
  look_ = look;
  title_ = title;
  labelHeight_ = QFontMetricsF(look_.font).height();
  laidOutTitle_ = QStaticText(title);
  laidOutTitle_.setTextFormat(Qt::PlainText);
  laidOutTitle_.prepare(QTransform(), look_.font);
  labels_.SetFont(look_.font);
  values_.clear();
  update();
}

void LeftAxis::Show(const QRectF& plotArea, double min, double max, std::vector<Label> labels) {
  std::vector<QString> texts;
  values_.clear();
  for (Label& label : labels) {
    values_.push_back(label.value);
    texts.push_back(std::move(label.text));
  }
  // The labels' widths and the plot decide the item's bounds: told before they change.
  if (plotArea != plotArea_ || texts != labels_.Texts()) prepareGeometryChange();
  labels_.Set(std::move(texts));
  plotArea_ = plotArea;
  min_ = min;
  max_ = max;
  update();
}

void LeftAxis::SetPlotArea(const QRectF& plotArea) {
  if (plotArea == plotArea_) return;
  prepareGeometryChange();
  plotArea_ = plotArea;
  update();
}

double LeftAxis::WidthBesidePlot() const {
  const double labels =
      labels_.Widest() > 0 ? labels_.Widest() + 2 * kBoxMargin + kLabelPadding : kTickLength;
  const double title =
      title_.isEmpty() ? 0 : labelHeight_ + 2 * kBoxMargin + kTitlePadding + kTitleGap;
  return labels + title;
}

double LeftAxis::YOf(double value) const {
  return plotArea_.bottom() - (value - min_) * plotArea_.height() / (max_ - min_);
}

QRectF LeftAxis::PlaceOf(std::size_t label) const {
  const QSizeF text = labels_.LaidOut(label).size();
  const QSizeF box(text.width() + 2 * kBoxMargin, labelHeight_ + 2 * kBoxMargin);
  return QRectF(QPointF(plotArea_.left() - kLabelPadding - box.width(),
                        YOf(values_[label]) - box.height() / 2),
                box);
}

QRectF LeftAxis::TitlePlace() const {
  // Turned to read upwards: as wide as the text is high, as high as it is wide.
  const double across = labelHeight_ + 2 * kBoxMargin;
  const double along = laidOutTitle_.size().width() + 2 * kBoxMargin;
  return QRectF(plotArea_.left() - WidthBesidePlot() + kTitlePadding,
                plotArea_.center().y() - along / 2, across, along);
}

std::vector<LeftAxis::Shown> LeftAxis::LabelsShown() const {
  std::vector<Shown> shown;
  for (std::size_t i = 0; i < labels_.Count(); ++i)
    shown.push_back({labels_.Texts()[i], PlaceOf(i)});
  return shown;
}

QRectF LeftAxis::boundingRect() const {
  const double beside = WidthBesidePlot();
  return plotArea_.adjusted(-beside - 1, -labelHeight_, 1, labelHeight_);
}

void LeftAxis::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (plotArea_.isEmpty() || max_ <= min_) return;
  const double left = plotArea_.left();
  painter->setPen(look_.grid);
  for (const double value : values_) {
    const double y = YOf(value);
    painter->drawLine(QPointF(left, y), QPointF(plotArea_.right(), y));
  }
  painter->setPen(look_.line);
  painter->drawLine(QPointF(left, plotArea_.top()), QPointF(left, plotArea_.bottom()));
  for (const double value : values_) {
    const double y = YOf(value);
    painter->drawLine(QPointF(left - kTickLength, y), QPointF(left, y));
  }

  painter->setFont(look_.font);
  painter->setPen(QPen(look_.labels, 1));
  for (std::size_t i = 0; i < labels_.Count(); ++i) {
    painter->drawStaticText(PlaceOf(i).topLeft() + QPointF(kBoxMargin, kBoxMargin),
                            labels_.LaidOut(i));
  }
  if (title_.isEmpty()) return;
  const QRectF title = TitlePlace();
  painter->save();
  painter->translate(title.center());
  painter->rotate(-90);
  const QSizeF text = laidOutTitle_.size();
  painter->drawStaticText(QPointF(-text.width() / 2, -text.height() / 2), laidOutTitle_);
  painter->restore();
}

}  // namespace kelvatrix
