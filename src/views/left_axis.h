#pragma once
// The left axis of a line chart, drawn by the chart itself beside Qt Charts' plot area:
// the axis line along the plot's left edge, at every label a grid line across the plot
// with its tick, the label right-aligned before the tick, and the axis title turned to
// read upwards, centred on the plot. Qt Charts' own axis laid its labels and title out as
// rich text at every change of range and every paint, which during a download was the
// larger part of a chart's frame.

#include <QGraphicsItem>
#include <QStaticText>
#include <QString>

#include <vector>

#include "views/axis_labels.h"

namespace kelvatrix {

class LeftAxis : public QGraphicsItem {
 public:
  struct Label {
    double value;
    QString text;
  };

  explicit LeftAxis(QGraphicsItem* parent = nullptr);

  void SetLook(const AxisLook& look, const QString& title);
  // Labels at their values in min..max, beside `plotArea` (the parent's coordinates).
  void Show(const QRectF& plotArea, double min, double max, std::vector<Label> labels);
  void SetPlotArea(const QRectF& plotArea);

  // The room left of the plot that the labels and the title take: the chart leaves it free.
  double WidthBesidePlot() const;
  // The labels shown, bottom to top, with the boxes they stand in (the parent's
  // coordinates).
  struct Shown {
    QString text;
    QRectF place;
  };
  std::vector<Shown> LabelsShown() const;

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  double YOf(double value) const;
  QRectF PlaceOf(std::size_t label) const;
  QRectF TitlePlace() const;

  AxisLook look_;
  QString title_;
  QRectF plotArea_;
  double min_ = 0;
  double max_ = 1;
  std::vector<double> values_;
  AxisLabels labels_;
  QStaticText laidOutTitle_;
  double labelHeight_ = 0;
};

}  // namespace kelvatrix
