#pragma once
// A canvas for tests that draws nothing and keeps every call it gets, and a text measure
// with fixed metrics: those of the charts' Arial 11 px on a Linux desktop (Liberation
// Sans), each character as wide as a digit, so layouts come out as on the screen.

#include <string>
#include <string_view>
#include <vector>

#include "draw/canvas.h"

namespace kelvatrix::test {

class FixedMeasure : public TextMeasure {
 public:
  static constexpr double kCharWidth = 6.109375;
  FontMetrics Metrics(const Font& font) override {
    const double scale = Scale(font);
    return {9.953125 * scale, 2.328125 * scale, 12.28125 * scale, 12.640625 * scale};
  }
  double Advance(const Font& font, std::string_view text) override {
    return kCharWidth * Scale(font) * static_cast<double>(text.size());
  }
  SizeF LaidOutSize(const Font& font, std::string_view text) override {
    return {Advance(font, text), 13 * Scale(font)};
  }
  std::string Elided(const Font& font, std::string_view text, double width) override {
    std::string cut(text);
    if (Advance(font, cut) <= width) return cut;
    while (!cut.empty() && Advance(font, cut + "...") > width) cut.pop_back();
    return cut + "...";
  }

 private:
  static double Scale(const Font& font) { return font.size / 11.0; }
};

struct DrawCall {
  enum class Kind { Line, Polyline, FillRect, Rect, Ellipse, Arc, Text, TextInBox, TextUpwards };
  Kind kind;
  Pen pen;
  Font font;
  std::vector<PointF> points;  // a line's two ends, a polyline's points, text's place
  RectF rect;                  // a rectangle, an ellipse's or arc's box, a text's box
  Rgb fill;
  int alignment = 0;
  std::string text;
  bool clipped = false;
  double scaleX = 1;  // the transform the call was made under
  double scaleY = 1;
  PointF offset;
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<DrawCall> calls;

  FontMetrics Metrics(const Font& font) override { return measure_.Metrics(font); }
  double Advance(const Font& font, std::string_view text) override { return measure_.Advance(font, text); }
  SizeF LaidOutSize(const Font& font, std::string_view text) override {
    return measure_.LaidOutSize(font, text);
  }
  std::string Elided(const Font& font, std::string_view text, double width) override {
    return measure_.Elided(font, text, width);
  }

  void SetPen(const Pen& pen) override { pen_ = pen; }
  void SetFont(const Font& font) override { font_ = font; }
  void DrawLine(PointF from, PointF to) override { Add(DrawCall::Kind::Line).points = {from, to}; }
  void DrawLines(const std::vector<LineF>& lines) override {
    for (const LineF& line : lines) DrawLine(line.from, line.to);
  }
  void DrawPolyline(const std::vector<PointF>& points) override { Add(DrawCall::Kind::Polyline).points = points; }
  void FillRect(const RectF& rect, Rgb color) override {
    DrawCall& call = Add(DrawCall::Kind::FillRect);
    call.rect = rect;
    call.fill = color;
  }
  void DrawRect(const RectF& rect) override { Add(DrawCall::Kind::Rect).rect = rect; }
  void DrawEllipse(const RectF& rect) override { Add(DrawCall::Kind::Ellipse).rect = rect; }
  void DrawArc(const RectF& rect, double start, double span) override {
    DrawCall& call = Add(DrawCall::Kind::Arc);
    call.rect = rect;
    call.points = {{start, span}};
  }
  void DrawText(PointF at, std::string_view text) override {
    DrawCall& call = Add(DrawCall::Kind::Text);
    call.points = {at};
    call.text = text;
  }
  void DrawText(const RectF& box, int alignment, std::string_view text) override {
    DrawCall& call = Add(DrawCall::Kind::TextInBox);
    call.rect = box;
    call.alignment = alignment;
    call.text = text;
  }
  void DrawTextUpwards(PointF center, std::string_view text) override {
    DrawCall& call = Add(DrawCall::Kind::TextUpwards);
    call.points = {center};
    call.text = text;
  }
  void SetClip(const RectF&) override { clipped_ = true; }
  void ClearClip() override { clipped_ = false; }
  void Save() override { saved_.push_back(transform_); }
  void Restore() override {
    transform_ = saved_.back();
    saved_.pop_back();
  }
  void Translate(double dx, double dy) override {
    transform_.offset.x += dx * transform_.scaleX;
    transform_.offset.y += dy * transform_.scaleY;
  }
  void Scale(double sx, double sy) override {
    transform_.scaleX *= sx;
    transform_.scaleY *= sy;
  }
  bool Pixels() const override { return pixels_ && transform_.scaleX == 1 && transform_.scaleY == 1; }

  // A page: a line keeps every point.
  void SetPage() { pixels_ = false; }

  // The calls of one kind.
  std::vector<DrawCall> Of(DrawCall::Kind kind) const {
    std::vector<DrawCall> found;
    for (const DrawCall& call : calls)
      if (call.kind == kind) found.push_back(call);
    return found;
  }
  // The index of the first call with `text`, or -1.
  int IndexOfText(std::string_view text) const {
    for (std::size_t i = 0; i < calls.size(); ++i)
      if (calls[i].text == text) return static_cast<int>(i);
    return -1;
  }

 private:
  struct Transform {
    double scaleX = 1;
    double scaleY = 1;
    PointF offset;
  };

  DrawCall& Add(DrawCall::Kind kind) {
    DrawCall call{kind, pen_, font_, {}, {}, {}, 0, {}, clipped_, transform_.scaleX, transform_.scaleY,
                  transform_.offset};
    calls.push_back(std::move(call));
    return calls.back();
  }

  FixedMeasure measure_;
  Pen pen_;
  Font font_;
  bool clipped_ = false;
  bool pixels_ = true;
  Transform transform_;
  std::vector<Transform> saved_;
};

}  // namespace kelvatrix::test

namespace kelvatrix::test {

// An image whose drawing is recorded and whose pixels are a plain buffer, three bytes each.
class RecordingImage : public ImageCanvas {
 public:
  RecordingImage(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height * 3, 0) {}
  Canvas& Drawing() override {
    ++drawings;
    return canvas;
  }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t* Row(int y) override {
    rowsRead.push_back(y);
    // Each row read is counted against the drawing calls made before it.
    callsBeforeRows.push_back(canvas.calls.size());
    return pixels_.data() + static_cast<std::size_t>(y) * width_ * 3;
  }

  RecordingCanvas canvas;
  int drawings = 0;
  std::vector<int> rowsRead;
  std::vector<std::size_t> callsBeforeRows;

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace kelvatrix::test
