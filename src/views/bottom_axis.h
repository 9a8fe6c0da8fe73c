#pragma once
// The bottom axis of a line chart, drawn by the chart itself under Qt Charts' plot area:
// the axis line along the plot's lower edge and, at every multiple of the label step, a
// grid line, a tick and a label. Qt Charts lays each label of its own axes out anew as
// rich text on every change of range, and during a download the bottom axis gets a new
// range every frame: that layout cost more than drawing the rest of the chart.

#include <QGraphicsItem>
#include <QString>

#include <vector>

#include "views/axis_labels.h"

namespace kelvatrix {

class BottomAxis : public QGraphicsItem {
 public:
  explicit BottomAxis(QGraphicsItem* parent = nullptr);

  void SetLook(const AxisLook& look);
  const QFont& Font() const { return look_.font; }
  // Labels at the multiples of `step` in min..max, under `plotArea` (the parent's
  // coordinates).
  void Show(const QRectF& plotArea, double min, double max, double step);
  void SetPlotArea(const QRectF& plotArea);

  // The labels shown, left to right.
  const std::vector<QString>& Labels() const { return labels_.Texts(); }
  // The room under the plot and beside it that the labels take: the chart leaves it free.
  double HeightBelowPlot() const { return heightBelowPlot_; }
  double Overhang() const { return overhang_; }

  QRectF boundingRect() const override;
  void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

 private:
  double XOf(double value) const;
  double WidthOfLabel(const QString& text) const;

  AxisLook look_;
  QRectF plotArea_;
  double min_ = 0;
  double max_ = 1;
  std::vector<double> values_;
  AxisLabels labels_;
  double overhang_ = 0;  // how far the outer labels stand past the plot's ends
  double heightBelowPlot_ = 0;
};

}  // namespace kelvatrix
