#include "views/chart_axes.h"

#include <algorithm>
#include <charconv>

#include "views/chart_math.h"

namespace kelvatrix {
namespace {
constexpr double kLabelPadding = 4;     // from the left axis line to a label's box
constexpr double kTitlePadding = 2;     // left of the left axis's title
constexpr double kTitleGap = 5;         // from that title to the labels' boxes
constexpr double kBottomLabelGap = 4.5; // from the bottom axis line to the top of a label's box
}  // namespace

void AxisLabels::SetFont(const Font& font) {
  font_ = font;
  texts_.clear();
  sizes_.clear();
  widest_ = 0;
}

bool AxisLabels::Set(std::vector<std::string> texts) {
  if (texts == texts_) return false;
  std::vector<SizeF> sizes;
  sizes.reserve(texts.size());
  double widest = 0;
  for (const std::string& text : texts) {
    const auto same = std::find(texts_.begin(), texts_.end(), text);
    sizes.push_back(same != texts_.end() ? sizes_[static_cast<std::size_t>(same - texts_.begin())]
                                         : measure_.LaidOutSize(font_, text));
    widest = std::max(widest, sizes.back().width);
  }
  texts_ = std::move(texts);
  sizes_ = std::move(sizes);
  widest_ = widest;
  return true;
}

void LeftAxis::SetLook(const AxisLook& look, std::string title) {
  look_ = look;
  title_ = std::move(title);
  labelHeight_ = measure_.Metrics(look_.font).height;
  titleSize_ = title_.empty() ? SizeF{} : measure_.LaidOutSize(look_.font, title_);
  labels_.SetFont(look_.font);
  values_.clear();
}

void LeftAxis::Show(const RectF& plotArea, double min, double max, std::vector<Label> labels) {
  std::vector<std::string> texts;
  values_.clear();
  for (Label& label : labels) {
    values_.push_back(label.value);
    texts.push_back(std::move(label.text));
  }
  labels_.Set(std::move(texts));
  plotArea_ = plotArea;
  min_ = min;
  max_ = max;
}

double LeftAxis::WidthBesidePlot() const {
  const double labels = labels_.Widest() > 0 ? labels_.Widest() + 2 * kBoxMargin + kLabelPadding : kTickLength;
  const double title = title_.empty() ? 0 : labelHeight_ + 2 * kBoxMargin + kTitlePadding + kTitleGap;
  return labels + title;
}

double LeftAxis::YOf(double value) const {
  return plotArea_.Bottom() - (value - min_) * plotArea_.height / (max_ - min_);
}

RectF LeftAxis::PlaceOf(std::size_t label) const {
  const SizeF box{labels_.Size(label).width + 2 * kBoxMargin, labelHeight_ + 2 * kBoxMargin};
  return {plotArea_.left - kLabelPadding - box.width, YOf(values_[label]) - box.height / 2, box.width, box.height};
}

RectF LeftAxis::TitlePlace() const {
  // Turned to read upwards: as wide as the text is high, as high as it is wide.
  const double across = labelHeight_ + 2 * kBoxMargin;
  const double along = titleSize_.width + 2 * kBoxMargin;
  return {plotArea_.left - WidthBesidePlot() + kTitlePadding, plotArea_.Center().y - along / 2, across, along};
}

std::vector<LeftAxis::Shown> LeftAxis::LabelsShown() const {
  std::vector<Shown> shown;
  for (std::size_t i = 0; i < labels_.Count(); ++i) shown.push_back({labels_.Texts()[i], PlaceOf(i)});
  return shown;
}

void LeftAxis::Draw(Canvas& canvas) const {
  if (plotArea_.Empty() || max_ <= min_) return;
  const double left = plotArea_.left;
  canvas.SetPen(look_.grid);
  for (const double value : values_) {
    const double y = YOf(value);
    canvas.DrawLine({left, y}, {plotArea_.Right(), y});
  }
  canvas.SetPen(look_.line);
  canvas.DrawLine({left, plotArea_.top}, {left, plotArea_.Bottom()});
  for (const double value : values_) {
    const double y = YOf(value);
    canvas.DrawLine({left - kTickLength, y}, {left, y});
  }
  canvas.SetFont(look_.font);
  canvas.SetPen({look_.labels, 1});
  for (std::size_t i = 0; i < labels_.Count(); ++i) {
    const RectF place = PlaceOf(i);
    canvas.DrawText({place.left + kBoxMargin, place.top + kBoxMargin}, labels_.Texts()[i]);
  }
  if (!title_.empty()) canvas.DrawTextUpwards(TitlePlace().Center(), title_);
}

std::string BottomLabelText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  return std::string(text, end);
}

void BottomAxis::SetLook(const AxisLook& look) {
  look_ = look;
  labels_.SetFont(look_.font);
  overhang_ = 0;
  // The axis line's own pixel, the gap, the label's box.
  heightBelowPlot_ = 1 + kBottomLabelGap + measure_.Metrics(look_.font).height + 2 * kBoxMargin;
}

void BottomAxis::Show(const RectF& plotArea, double min, double max, double step) {
  min_ = min;
  max_ = max;
  values_ = LabelValues(min, max, step);
  std::vector<std::string> texts;
  texts.reserve(values_.size());
  for (const double value : values_) texts.push_back(BottomLabelText(value));
  if (labels_.Set(std::move(texts))) {
    overhang_ = 0;
    for (const std::string& text : labels_.Texts())
      overhang_ = std::max(overhang_, (measure_.Advance(look_.font, text) + 2 * kBoxMargin) / 2);
  }
  plotArea_ = plotArea;
}

double BottomAxis::XOf(double value) const {
  return plotArea_.left + (value - min_) * plotArea_.width / (max_ - min_);
}

void BottomAxis::Draw(Canvas& canvas) const {
  if (plotArea_.Empty() || max_ <= min_) return;
  const double bottom = plotArea_.Bottom();
  canvas.SetPen(look_.grid);
  for (const double value : values_) {
    const double x = XOf(value);
    canvas.DrawLine({x, plotArea_.top}, {x, bottom});
  }
  canvas.SetPen(look_.line);
  canvas.DrawLine({plotArea_.left, bottom}, {plotArea_.Right(), bottom});
  for (const double value : values_) {
    const double x = XOf(value);
    canvas.DrawLine({x, bottom}, {x, bottom + kTickLength});
  }
  canvas.SetFont(look_.font);
  canvas.SetPen({look_.labels, 1});
  for (std::size_t i = 0; i < labels_.Count(); ++i) {
    canvas.DrawText({XOf(values_[i]) - labels_.Size(i).width / 2, bottom + kBottomLabelGap + kBoxMargin},
                    labels_.Texts()[i]);
  }
}

}  // namespace kelvatrix
