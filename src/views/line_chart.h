#pragma once
// A line chart with one series on Qt Charts: a title, a fixed left axis with labels on the
// 1-2-5 steps, an automatic bottom axis, mouse zoom (left drag: down-right zooms, up-left
// undoes, 16 pixels or less does nothing) and panning (right drag), and a zoom record that
// undo zoom restores.
//
// The series keeps every point; what is drawn is refreshed with the window's frames
// (FrameClock) and thinned to the chart's width, so 60,000 points stay cheap to add and
// to paint. Qt Charts lays out the title and the plot area; the line and both axes are
// drawn by the chart's own items (PlotLine, LeftAxis, BottomAxis), which lay nothing out
// again while a download only moves them.

#include <QChartView>

#include <utility>
#include <vector>

#include "views/chart_math.h"

class QLineSeries;
class QRubberBand;
class QValueAxis;

namespace kelvatrix {

class BottomAxis;
class LeftAxis;
class PlotLine;

struct LineChartStyle {
  QString title;
  QColor titleColor;
  QString leftTitle;
  double leftMin = 0;
  double leftMax = 100;
  double labelIncrement = 1;
};

class LineChart : public QChartView {
  Q_OBJECT

 public:
  static constexpr int kZoomThreshold = 16;  // pixels, both ways

  explicit LineChart(const LineChartStyle& style, QWidget* parent = nullptr);
  ~LineChart() override;

  // The series.
  void Clear();
  void SetAutoRepaint(bool on) { autoRepaint_ = on; }
  bool AutoRepaint() const { return autoRepaint_; }
  std::size_t AddPoint(double x, double y);
  const std::vector<ChartPoint>& Points() const { return points_; }
  // The points the series draws now (after the last refresh).
  int DrawnPoints() const;

  // The axes. A fixed range switches automatic scaling off; min above max is swapped.
  void SetLeftAxisRange(double min, double max);
  std::pair<double, double> LeftRange() const { return {left_.min, left_.max}; }
  std::pair<double, double> BottomRange() const { return {bottom_.min, bottom_.max}; }
  double LeftLabelStep() const { return labelStep_; }
  // The bottom axis's labels, left to right.
  const std::vector<QString>& BottomLabels() const;
  // The left axis's labels, bottom to top, with their boxes (the chart's coordinates).
  std::vector<std::pair<QString, QRectF>> LeftLabels() const;
  // Restores the axes saved before the first zoom or pan since the last undo.
  void UndoZoom();
  bool Restored() const { return restored_; }

  // Draws what is pending now instead of at the next timer tick.
  void RefreshNow();

  // Draws the chart anew into `target` of a page: laid out for that size, with its lines
  // and labels drawn at the device's resolution, not a picture of the screen. The fonts
  // keep their screen sizes; the plot takes the room.
  void PrintInto(QPainter& painter, const QRectF& target) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct AxisScale {
    bool automatic = false;
    double min = 0;
    double max = 1;
  };

  void ScheduleRefresh();
  void ApplyAxes();
  void SaveScalesOnce();
  void ZoomTo(const QRect& area);
  void Pan(QPoint delta);
  // The axis values at a point of the view.
  QPointF ValueAt(QPoint viewPoint) const;
  static void SetRange(AxisScale& axis, double min, double max);
  std::pair<double, double> AutomaticBottom() const;

  LineChartStyle style_;
  QChart* chart_;
  QLineSeries* series_;
  PlotLine* line_;
  BottomAxis* bottomLine_;
  LeftAxis* leftLine_;
  QValueAxis* bottomAxis_;
  QValueAxis* leftAxis_;
  QRubberBand* rubberBand_;
  std::vector<ChartPoint> points_;
  BlockExtremes extremes_;  // of points_, brought up to date at each refresh
  double labelIncrement_;
  double labelStep_;
  double leftLabelHeight_ = 0;
  double leftLabelBoxHeight_ = 0;
  bool autoRepaint_ = true;
  AxisScale left_;
  AxisScale bottom_{true, 0, 1};
  AxisScale savedLeft_;
  AxisScale savedBottom_;
  bool restored_ = true;
  QPoint pressPos_;
  QPoint lastPanPos_;
  bool zooming_ = false;
  bool panning_ = false;
};

}  // namespace kelvatrix
