#pragma once
// The two axes of a line chart, laid out and drawn by the chart itself on a canvas. The
// left axis: the axis line along the plot's left edge, at every label a grid line across
// the plot with its tick, the label right-aligned before the tick, and the axis title
// turned to read upwards, centred on the plot. The bottom axis: the axis line along the
// plot's lower edge and, at every multiple of the label step, a grid line, a tick and a
// label centred under it. Their measures are those the charts have always had.

#include <string>
#include <vector>

#include "draw/canvas.h"

namespace kelvatrix {

inline constexpr double kTickLength = 4;
inline constexpr double kBoxMargin = 0.5;  // round the text of a label's box

// How a chart's axes are drawn.
struct AxisLook {
  Pen line{{0xd6, 0xd6, 0xd6}, 1};
  Pen grid{{0xe2, 0xe2, 0xe2}, 1};
  Font font{"Arial", 11};
  Rgb labels{0x40, 0x40, 0x44};
};

// The texts of an axis's labels with their laid-out sizes: from frame to frame an axis
// mostly shows the same texts in new places, and only new texts are measured.
class AxisLabels {
 public:
  explicit AxisLabels(TextMeasure& measure) : measure_(measure) {}
  // Forgets every size: the next Set measures its texts in `font`.
  void SetFont(const Font& font);
  // Takes `texts`, measuring only those not shown before. False when they are the same.
  bool Set(std::vector<std::string> texts);

  std::size_t Count() const { return texts_.size(); }
  const std::vector<std::string>& Texts() const { return texts_; }
  SizeF Size(std::size_t label) const { return sizes_[label]; }
  // The width of the widest text; 0 when there is none.
  double Widest() const { return widest_; }

 private:
  TextMeasure& measure_;
  Font font_;
  std::vector<std::string> texts_;
  std::vector<SizeF> sizes_;
  double widest_ = 0;
};

class LeftAxis {
 public:
  struct Label {
    double value;
    std::string text;
  };
  struct Shown {
    std::string text;
    RectF place;  // the label's box
  };

  explicit LeftAxis(TextMeasure& measure) : measure_(measure), labels_(measure) {}

  void SetLook(const AxisLook& look, std::string title);
  // Labels at their values in min..max, beside `plotArea`.
  void Show(const RectF& plotArea, double min, double max, std::vector<Label> labels);
  void SetPlotArea(const RectF& plotArea) { plotArea_ = plotArea; }

  // The room left of the plot that the labels and the title take: the chart leaves it free.
  double WidthBesidePlot() const;
  // The labels shown, bottom to top.
  std::vector<Shown> LabelsShown() const;
  void Draw(Canvas& canvas) const;

 private:
  double YOf(double value) const;
  RectF PlaceOf(std::size_t label) const;
  RectF TitlePlace() const;

  TextMeasure& measure_;
  AxisLook look_;
  std::string title_;
  SizeF titleSize_;
  double labelHeight_ = 0;
  RectF plotArea_;
  double min_ = 0;
  double max_ = 1;
  std::vector<double> values_;
  AxisLabels labels_;
};

class BottomAxis {
 public:
  explicit BottomAxis(TextMeasure& measure) : measure_(measure), labels_(measure) {}

  void SetLook(const AxisLook& look);
  const Font& LabelFont() const { return look_.font; }
  // Labels at the multiples of `step` in min..max, under `plotArea`.
  void Show(const RectF& plotArea, double min, double max, double step);
  void SetPlotArea(const RectF& plotArea) { plotArea_ = plotArea; }

  // The labels shown, left to right.
  const std::vector<std::string>& Labels() const { return labels_.Texts(); }
  // The room under the plot and beside it that the labels take: the chart leaves it free.
  double HeightBelowPlot() const { return heightBelowPlot_; }
  double Overhang() const { return overhang_; }
  void Draw(Canvas& canvas) const;

 private:
  double XOf(double value) const;

  TextMeasure& measure_;
  AxisLook look_;
  RectF plotArea_;
  double min_ = 0;
  double max_ = 1;
  std::vector<double> values_;
  AxisLabels labels_;
  double overhang_ = 0;  // how far the outer labels stand past the plot's ends
  double heightBelowPlot_ = 0;
};

// A bottom axis label: the value as printf's %g writes it, whatever the locale.
std::string BottomLabelText(double value);

}  // namespace kelvatrix
