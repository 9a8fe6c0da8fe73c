#include "views/line_chart.h"

#include <algorithm>
#include <cmath>

namespace kelvatrix {
namespace {

// Round the chart, before the room the axes' labels take.
constexpr double kMarginLeft = 4;
constexpr double kMarginTop = 2;
constexpr double kMarginRight = 8;
constexpr double kMarginBottom = 2;
// Inside the margins: the layout's own inset, the title's margin round its text, and the
// gap from the title's box to the plot. The plot's edges lie half way into a pixel, so a
// one-pixel line along them covers whole pixels.
constexpr double kInset = 9;
constexpr double kTitleMargin = 1;
constexpr double kTitleToPlot = 1.5;
constexpr double kPlotEdge = 0.5;

const Pen kLinePen{{255, 0, 0}, 1};

}  // namespace

LineChart::LineChart(const LineChartStyle& style, TextMeasure& measure)
    : style_(style),
      measure_(measure),
      bottomAxis_(measure),
      leftAxis_(measure),
      labelStep_(style.labelIncrement) {
  const AxisLook look;
  titleSize_ = style_.title.empty() ? SizeF{} : measure_.LaidOutSize(titleFont_, style_.title);
  // Measured once: the labels keep their font.
  const FontMetrics metrics = measure_.Metrics(look.font);
  leftLabelHeight_ = std::round(metrics.ascent) + std::round(metrics.descent);
  leftLabelBoxHeight_ = measure_.LaidOutSize(look.font, "0").height + 2 * kBoxMargin + 1;
  leftAxis_.SetLook(look, style_.leftTitle);
  bottomAxis_.SetLook(look);
  line_.SetPen(kLinePen);
  SetRange(left_, style.leftMin, style.leftMax);
  margins_ = {kMarginLeft, kMarginTop, kMarginRight, kMarginBottom};
  LayOut();
  ApplyAxes();
}

void LineChart::SetNumberFormat(std::string groupSeparator, std::string decimalPoint) {
  groupSeparator_ = std::move(groupSeparator);
  decimalPoint_ = std::move(decimalPoint);
  Changed();
}

void LineChart::Resize(double width, double height) {
  if (size_ == SizeF{width, height}) return;
  size_ = {width, height};
  LayOut();
  Changed();  // the label steps and the thinning depend on the size
}

void LineChart::Changed() {
  if (host_) host_->RefreshWanted();
}

void LineChart::LayOut() {
  const double titleHeight = style_.title.empty() ? 0 : titleSize_.height + 2 * kTitleMargin;
  const double contentLeft = margins_.left + kInset;
  const double contentRight = size_.width - margins_.right - kInset;
  const double contentTop = margins_.top + kInset;
  plot_ = RectF::FromEdges(contentLeft + kPlotEdge, contentTop + titleHeight + kTitleToPlot,
                           contentRight - kPlotEdge, size_.height - margins_.bottom - kInset - kPlotEdge);
  if (plot_.width < 0 || plot_.height < 0) plot_ = {plot_.left, plot_.top, 0, 0};
  const double titleWidth = titleSize_.width + 2 * kTitleMargin;
  titleBox_ = {std::round((contentLeft + contentRight) / 2 - titleWidth / 2), contentTop, titleWidth, titleHeight};
  line_.SetPlotArea(plot_);
  leftAxis_.SetPlotArea(plot_);
  bottomAxis_.SetPlotArea(plot_);
}

std::vector<std::pair<std::string, RectF>> LineChart::LeftLabels() const {
  std::vector<std::pair<std::string, RectF>> labels;
  for (const LeftAxis::Shown& label : leftAxis_.LabelsShown()) labels.emplace_back(label.text, label.place);
  return labels;
}

void LineChart::SetRange(AxisScale& axis, double min, double max) {
  axis.automatic = false;
  if (min > max) std::swap(min, max);
  axis.min = min;
  axis.max = max;
  if (axis.max - axis.min < 1e-10) axis.max = axis.min + 1e-10;
}

std::pair<double, double> LineChart::AutomaticBottom() const {
  if (points_.empty()) return {0, 1};
  const double low = points_.front().x;
  const double high = points_.back().x;
  return high > low ? std::make_pair(low, high) : std::make_pair(low, low + 1);
}

void LineChart::Clear() {
  if (points_.empty()) return;
  points_.clear();
  extremes_.ChangedFrom(0);
  Changed();
}

std::size_t LineChart::AddPoint(double x, double y) {
  const std::size_t index = InsertPoint(points_, {x, y});
  extremes_.ChangedFrom(index);
  if (autoRepaint_) Changed();
  return index;
}

void LineChart::SetLeftAxisRange(double min, double max) {
  SetRange(left_, min, max);
  // Laid out with the next refresh: a download may grow the axis many times a second.
  Changed();
}

void LineChart::Refresh() {
  if (bottom_.automatic) {
    const auto [low, high] = AutomaticBottom();
    bottom_.min = low;
    bottom_.max = high;
  }
  ApplyAxes();
  // A chart without a size yet is thinned for no width at all.
  const double plotWidth = plot_.width > 0 ? plot_.width : size_.width;
  // Thinned on the pixel columns the line is drawn in: the plot starts part-way into a
  // pixel, and a thinned column that straddled two pixels would draw its extremes as a
  // line from one to the other.
  const double unitsPerPixel = (bottom_.max - bottom_.min) / plotWidth;
  const double intoPixel = plot_.left - std::floor(plot_.left);
  const double thinFrom = bottom_.min - intoPixel * unitsPerPixel;
  const int columns = std::max(1, static_cast<int>(std::ceil(plotWidth + intoPixel)));
  extremes_.Update(points_);
  line_.Show(PointsToDraw(points_, thinFrom, thinFrom + columns * unitsPerPixel, columns, &extremes_), plot_,
             bottom_.min, bottom_.max, left_.min, left_.max);
  if (host_) host_->Repaint();
}

void LineChart::ApplyAxes() {
  // The bottom axis: labels on 1-2-5 steps of the sample number, as many as fit.
  const double bottomRange = bottom_.max - bottom_.min;
  // In whole pixels: the steps the axis has always taken.
  const double widest =
      std::round(measure_.Advance(bottomAxis_.LabelFont(), std::to_string(std::llround(bottom_.max)) + "00"));
  const double plotWidth = plot_.width > 0 ? plot_.width : size_.width * 0.8;
  // Sample numbers step by whole numbers; zoomed in between two samples, by tenths and
  // finer, so the axis always shows where it is.
  const double increment = bottomRange >= 2 ? 1 : std::pow(10.0, std::floor(std::log10(bottomRange)) - 1);
  bottomAxis_.Show(plot_, bottom_.min, bottom_.max, LabelStep(increment, bottomRange, plotWidth, widest));
  const double plotHeight = plot_.height > 0 ? plot_.height : size_.height * 0.7;
  labelStep_ = ReadableLabelStep(style_.labelIncrement, left_.max - left_.min, plotHeight, leftLabelHeight_,
                                 leftLabelBoxHeight_);
  std::vector<LeftAxis::Label> labels;
  for (const double value : LabelValues(left_.min, left_.max, labelStep_))
    labels.push_back({value, FormatAxisLabel(value, groupSeparator_, decimalPoint_)});
  leftAxis_.Show(plot_, left_.min, left_.max, std::move(labels));

  // Room beside the plot for the left labels and the title, under it for the bottom
  // labels, and right of it for the half of the last bottom label that stands past the
  // plot's end.
  const Margins margins{kMarginLeft + std::ceil(leftAxis_.WidthBesidePlot()), kMarginTop,
                        kMarginRight + std::ceil(bottomAxis_.Overhang()),
                        kMarginBottom + std::ceil(bottomAxis_.HeightBelowPlot())};
  if (margins != margins_) {
    margins_ = margins;
    LayOut();
  }
}

void LineChart::Draw(Canvas& canvas) const {
  // The axes first, the bottom one under the left one; the line over both.
  bottomAxis_.Draw(canvas);
  leftAxis_.Draw(canvas);
  line_.Draw(canvas);
  if (!style_.title.empty()) {
    canvas.SetFont(titleFont_);
    canvas.SetPen({style_.titleColor, 1});
    canvas.DrawText({titleBox_.left + kTitleMargin, titleBox_.top + kTitleMargin}, style_.title);
  }
}

void LineChart::PrintInto(Canvas& page, const RectF& target, double dotsPerInch) const {
  // A chart of the target's size in screen units is laid out afresh and drawn scaled to
  // the page: vector lines and text, labels on the page's own steps.
  const double scale = std::max(1.0, dotsPerInch / 96.0);
  const SizeF logical{std::round(target.width / scale), std::round(target.height / scale)};
  if (logical.width <= 0 || logical.height <= 0) return;
  LineChart chart(style_, measure_);
  chart.SetNumberFormat(groupSeparator_, decimalPoint_);
  chart.points_ = points_;
  chart.left_ = left_;
  chart.bottom_ = bottom_;
  chart.Resize(logical.width, logical.height);
  for (int pass = 0; pass < 2; ++pass) chart.Refresh();  // the second with the plot the labels leave
  page.Save();
  page.Translate(target.left, target.top);
  page.Scale(target.width / logical.width, target.height / logical.height);
  chart.Draw(page);
  page.Restore();
}

void LineChart::SaveScalesOnce() {
  if (!restored_) return;
  savedLeft_ = left_;
  savedBottom_ = bottom_;
  restored_ = false;
}

void LineChart::UndoZoom() {
  if (!restored_) {
    left_ = savedLeft_;
    bottom_ = savedBottom_;
  }
  restored_ = true;
  Refresh();
}

void LineChart::ZoomTo(PointF from, PointF to) {
  SaveScalesOnce();
  const PointF topLeft = ValueAt(from);
  const PointF bottomRight = ValueAt(to);
  SetRange(bottom_, topLeft.x, bottomRight.x);
  SetRange(left_, bottomRight.y, topLeft.y);
  Refresh();
}

PointF LineChart::ValueAt(PointF at) const {
  if (plot_.Empty()) return {bottom_.min, left_.min};
  return {bottom_.min + (at.x - plot_.left) * (bottom_.max - bottom_.min) / plot_.width,
          left_.min + (plot_.Bottom() - at.y) * (left_.max - left_.min) / plot_.height};
}

void LineChart::Pan(PointF delta) {
  SaveScalesOnce();
  if (plot_.Empty()) return;
  const double dx = -delta.x * (bottom_.max - bottom_.min) / plot_.width;
  const double dy = delta.y * (left_.max - left_.min) / plot_.height;
  SetRange(bottom_, bottom_.min + dx, bottom_.max + dx);
  SetRange(left_, left_.min + dy, left_.max + dy);
  Refresh();
}

void LineChart::MousePress(Button button, PointF at) {
  if (button == Button::Left) {
    zooming_ = true;
    pressAt_ = at;
    if (host_) host_->ShowZoomBand(ZoomBand{at, at});
  } else {
    panning_ = true;
    lastPanAt_ = at;
  }
}

void LineChart::MouseMove(PointF at) {
  if (zooming_ && host_) host_->ShowZoomBand(ZoomBand{pressAt_, at});
  if (panning_ && at != lastPanAt_) {
    Pan({at.x - lastPanAt_.x, at.y - lastPanAt_.y});
    lastPanAt_ = at;
  }
}

void LineChart::MouseRelease(Button button, PointF at) {
  if (button == Button::Left && zooming_) {
    zooming_ = false;
    if (host_) host_->ShowZoomBand(std::nullopt);
    const PointF drag{at.x - pressAt_.x, at.y - pressAt_.y};
    if (std::abs(drag.x) > kZoomThreshold && std::abs(drag.y) > kZoomThreshold) {
      if (drag.x > 0 && drag.y > 0) {
        ZoomTo(pressAt_, at);
      } else {
        UndoZoom();
      }
    }
  } else if (button == Button::Right) {
    panning_ = false;
  }
}

}  // namespace kelvatrix
