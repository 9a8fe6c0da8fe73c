#pragma once
// A line chart with one series, without a window system: a title, a fixed left axis with
// labels on the 1-2-5 steps, an automatic bottom axis, mouse zoom (left drag: down-right
// zooms, up-left undoes, 16 pixels or less does nothing) and panning (right drag), and a
// zoom record that undo zoom restores. A front end shows it in a view of its own: it
// gives the chart its size and the mouse, paints it with Draw on a canvas, and refreshes
// it when asked (with the window's frames).
//
// The series keeps every point; what is drawn is brought up to date at each refresh and
// thinned to the plot's width, so 60,000 points stay cheap to add and to paint.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "draw/canvas.h"
#include "views/chart_axes.h"
#include "views/chart_math.h"
#include "views/plot_line.h"

namespace kelvatrix {

struct LineChartStyle {
  std::string title;
  Rgb titleColor;
  std::string leftTitle;
  double leftMin = 0;
  double leftMax = 100;
  double labelIncrement = 1;
};

// The rectangle a zoom drag spans, between the press and where the mouse is.
struct ZoomBand {
  PointF from;
  PointF to;
};

class LineChart {
 public:
  static constexpr int kZoomThreshold = 16;  // pixels, both ways

  // What the chart asks of the view that shows it.
  class Host {
   public:
    virtual ~Host() = default;
    // Call Refresh at the next frame.
    virtual void RefreshWanted() = 0;
    // The picture changed: paint it again.
    virtual void Repaint() = 0;
    // Show the zoom drag's rectangle, or none.
    virtual void ShowZoomBand(const std::optional<ZoomBand>& band) = 0;
  };

  enum class Button { Left, Right };

  // Text is measured with `measure` (the screen's), which must outlive the chart.
  LineChart(const LineChartStyle& style, TextMeasure& measure);
  LineChart(const LineChart&) = delete;
  LineChart& operator=(const LineChart&) = delete;

  void SetHost(Host* host) { host_ = host; }
  const LineChartStyle& Style() const { return style_; }
  // The digit group separator and decimal point of the left axis's labels.
  void SetNumberFormat(std::string groupSeparator, std::string decimalPoint);
  // The chart's size in pixels; the plot and the label steps follow at the next refresh.
  void Resize(double width, double height);
  SizeF Size() const { return size_; }

  // The series.
  void Clear();
  void SetAutoRepaint(bool on) { autoRepaint_ = on; }
  bool AutoRepaint() const { return autoRepaint_; }
  std::size_t AddPoint(double x, double y);
  const std::vector<ChartPoint>& Points() const { return points_; }
  // The points the line draws now (after the last refresh).
  int DrawnPoints() const { return line_.PointCount(); }

  // The axes. A fixed range switches automatic scaling off; min above max is swapped.
  void SetLeftAxisRange(double min, double max);
  std::pair<double, double> LeftRange() const { return {left_.min, left_.max}; }
  std::pair<double, double> BottomRange() const { return {bottom_.min, bottom_.max}; }
  double LeftLabelStep() const { return labelStep_; }
  // The bottom axis's labels, left to right.
  const std::vector<std::string>& BottomLabels() const { return bottomAxis_.Labels(); }
  // The left axis's labels, bottom to top, with their boxes.
  std::vector<std::pair<std::string, RectF>> LeftLabels() const;
  RectF PlotArea() const { return plot_; }
  // Restores the axes saved before the first zoom or pan since the last undo.
  void UndoZoom();
  bool Restored() const { return restored_; }

  // Brings the axes, the layout and the line up to date with the points and the size.
  void Refresh();

  // Paints the chart with its top left at the canvas's origin.
  void Draw(Canvas& canvas) const;
  // Draws the chart anew into `target` of a page whose resolution is `dotsPerInch`: laid
  // out for that size in screen units (96 to the inch), with its lines and labels drawn at
  // the page's resolution, not a picture of the screen. The fonts keep their screen sizes;
  // the plot takes the room.
  void PrintInto(Canvas& page, const RectF& target, double dotsPerInch) const;

  // The mouse, in the chart's pixels.
  void MousePress(Button button, PointF at);
  void MouseMove(PointF at);
  void MouseRelease(Button button, PointF at);

 private:
  struct AxisScale {
    bool automatic = false;
    double min = 0;
    double max = 1;
  };
  struct Margins {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    bool operator==(const Margins&) const = default;
  };

  void Changed();
  void LayOut();
  void ApplyAxes();
  void SaveScalesOnce();
  void ZoomTo(PointF from, PointF to);
  void Pan(PointF delta);
  // The axis values at a point of the chart.
  PointF ValueAt(PointF at) const;
  static void SetRange(AxisScale& axis, double min, double max);
  std::pair<double, double> AutomaticBottom() const;

  LineChartStyle style_;
  TextMeasure& measure_;
  Host* host_ = nullptr;
  std::string groupSeparator_ = ",";
  std::string decimalPoint_ = ".";
  SizeF size_;
  Margins margins_;
  RectF plot_;
  RectF titleBox_;
  Font titleFont_{"Arial", 11};
  SizeF titleSize_;
  PlotLine line_;
  BottomAxis bottomAxis_;
  LeftAxis leftAxis_;
  std::vector<ChartPoint> points_;
  BlockExtremes extremes_;  // of points_, brought up to date at each refresh
  double labelStep_;
  double leftLabelHeight_ = 0;
  double leftLabelBoxHeight_ = 0;
  bool autoRepaint_ = true;
  AxisScale left_;
  AxisScale bottom_{true, 0, 1};
  AxisScale savedLeft_;
  AxisScale savedBottom_;
  bool restored_ = true;
  PointF pressAt_;
  PointF lastPanAt_;
  bool zooming_ = false;
  bool panning_ = false;
};

}  // namespace kelvatrix
