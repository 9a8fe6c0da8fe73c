#pragma once
// The canvas on Qt: a QPainter on a widget, an image or a printer's page. Texts drawn
// at a point are laid out once and kept (QStaticText): a chart draws the same labels
// frame after frame, and laying them out again each time cost more than drawing them.

#include <QImage>
#include <QPainter>

#include <memory>

#include "draw/canvas.h"

class QPrinter;

namespace kelvatrix {

// A font's family may list fallbacks, comma-separated.
QFont ToQFont(const Font& font);
Font FromQFont(const QFont& font);
QColor ToQColor(Rgb rgb);
Rgb ToRgb(const QColor& color);

// Measures text as the screen lays it out.
class QtScreenMeasure : public TextMeasure {
 public:
  FontMetrics Metrics(const Font& font) override;
  double Advance(const Font& font, std::string_view text) override;
  SizeF LaidOutSize(const Font& font, std::string_view text) override;
  std::string Elided(const Font& font, std::string_view text, double width) override;
};

// The one the program's views share.
QtScreenMeasure& ScreenMeasure();

class QtCanvas : public Canvas {
 public:
  // Draws with `painter`, active while it draws.
  explicit QtCanvas(QPainter& painter) : painter_(painter) {}

  FontMetrics Metrics(const Font& font) override;
  double Advance(const Font& font, std::string_view text) override;
  SizeF LaidOutSize(const Font& font, std::string_view text) override;
  std::string Elided(const Font& font, std::string_view text, double width) override;

  void SetPen(const Pen& pen) override;
  void SetFont(const Font& font) override;
  void DrawLine(PointF from, PointF to) override;
  void DrawLines(const std::vector<LineF>& lines) override;
  void DrawPolyline(const std::vector<PointF>& points) override;
  void FillRect(const RectF& rect, Rgb color) override;
  void DrawRect(const RectF& rect) override;
  void DrawEllipse(const RectF& rect) override;
  void DrawArc(const RectF& rect, double startDegrees, double spanDegrees) override;
  void DrawText(PointF at, std::string_view text) override;
  void DrawText(const RectF& box, int alignment, std::string_view text) override;
  void DrawTextUpwards(PointF center, std::string_view text) override;
  void SetClip(const RectF& rect) override;
  void ClearClip() override;
  void Save() override { painter_.save(); }
  void Restore() override { painter_.restore(); }
  void Translate(double dx, double dy) override { painter_.translate(dx, dy); }
  void Scale(double sx, double sy) override { painter_.scale(sx, sy); }
  bool Pixels() const override;

 private:
  QPainter& painter_;
};

// An image of 24 bits a pixel (QImage::Format_RGB888).
class QtImageCanvas final : public ImageCanvas {
 public:
  QtImageCanvas(int width, int height);
  ~QtImageCanvas() override;
  // The image, with everything drawn.
  const QImage& Image();

  Canvas& Drawing() override;
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  std::uint8_t* Row(int y) override;

 private:
  QImage image_;
  QPainter painter_;
  QtCanvas canvas_{painter_};
};

// A printer's pages, the printable area's top left at (0, 0).
class QtPageCanvas final : public PageCanvas {
 public:
  // Begins painting on `printer`; Begun() says whether the printer could be opened.
  explicit QtPageCanvas(QPrinter& printer);
  ~QtPageCanvas() override;
  bool Begun() const { return painter_.isActive(); }
  // Ends the job.
  void End();

  Canvas& Drawing() override { return canvas_; }
  SizeF PageSize() const override;
  double Resolution() const override;
  void NewPage() override;

 private:
  QPrinter& printer_;
  QPainter painter_;
  QtCanvas canvas_{painter_};
};

}  // namespace kelvatrix
