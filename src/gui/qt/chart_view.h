#pragma once
// A line chart (LineChart) shown in a Qt widget: the widget gives the chart its size and the
// mouse, paints it on a QPainter canvas, shows the zoom drag's rubber band, and refreshes
// the chart with the window's frames (FrameClock). The chart outlives its view.

#include <QWidget>

#include "views/line_chart.h"

class QRubberBand;

namespace kelvatrix {

class ChartView : public QWidget, private LineChart::Host {
  Q_OBJECT

 public:
  explicit ChartView(LineChart& chart, QWidget* parent = nullptr);
  ~ChartView() override;

  LineChart& Chart() { return chart_; }
  const LineChart& Chart() const { return chart_; }
  // Draws what is pending now instead of at the next frame.
  void RefreshNow();
  // Draws the chart anew into `target` of a page (LineChart::PrintInto).
  void PrintInto(QPainter& painter, const QRectF& target) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void RefreshWanted() override;
  void Repaint() override { update(); }
  void ShowZoomBand(const std::optional<ZoomBand>& band) override;

  LineChart& chart_;
  QRubberBand* rubberBand_;
};

}  // namespace kelvatrix
