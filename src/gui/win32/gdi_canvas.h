#pragma once
// The canvas on GDI: a window's or an image's device context, a printer's page, an
// enhanced metafile's page. The transform is kept here in doubles and applied to every
// point, pen width and font size, so a page drawn in screen units at a printer's
// resolution keeps its precision; GDI sees device units only.

#include "gui/win32/windows_api.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "draw/canvas.h"

namespace kelvatrix {

class GdiCanvas final : public Canvas {
 public:
  // Draws on `dc`, whose units are `dotsPerInch` to the inch (a font in points is sized
  // for it). `pixels`: a unit is a device pixel (a screen, an image).
  GdiCanvas(HDC dc, double dotsPerInch, bool pixels);
  ~GdiCanvas() override;
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  HDC Dc() const { return dc_; }

  // TextMeasure
  FontMetrics Metrics(const Font& font) override;
  double Advance(const Font& font, std::string_view text) override;
  SizeF LaidOutSize(const Font& font, std::string_view text) override;
  std::string Elided(const Font& font, std::string_view text, double width) override;

  // Canvas
  void SetPen(const Pen& pen) override;
  void SetFont(const Font& font) override { font_ = font; }
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
  void Save() override { saved_.push_back(transform_); }
  void Restore() override;
  void Translate(double dx, double dy) override;
  void Scale(double sx, double sy) override;
  bool Pixels() const override { return pixels_; }

 private:
  struct Transform {
    double sx = 1, sy = 1, dx = 0, dy = 0;
  };
  struct FontKey {
    Font font;
    int height;
    int escapement;
    bool operator<(const FontKey& other) const;
  };

  POINT Map(PointF point) const;
  RECT MapRect(const RectF& rect) const;
  // The GDI font for `font` at the current scale, turned by `escapement` tenths of a degree.
  HFONT FontOf(const Font& font, int escapement = 0);
  int DeviceHeight(const Font& font) const;
  // Selects the font; the measures it gives are divided by the scale to come back.
  void Select(const Font& font, int escapement = 0);
  // A one-pixel line's last point: GDI leaves it out, the program's surfaces draw it.
  void EndPoint(POINT at);
  bool ThinPen() const;

  HDC dc_;
  double dotsPerInch_;
  bool pixels_;
  int savedDc_;
  Transform transform_;
  std::vector<Transform> saved_;
  Pen pen_;
  HPEN gdiPen_ = nullptr;
  Font font_;
  std::map<FontKey, HFONT> fonts_;
};

// An image of 24 bits a pixel (a DIB section) with a canvas on it.
class GdiImageCanvas final : public ImageCanvas {
 public:
  GdiImageCanvas(int width, int height);
  ~GdiImageCanvas() override;
  GdiImageCanvas(const GdiImageCanvas&) = delete;
  GdiImageCanvas& operator=(const GdiImageCanvas&) = delete;

  // Copies the image to `dc` with its top left at (x, y).
  void CopyTo(HDC dc, int x, int y) const;

  Canvas& Drawing() override { return *canvas_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::uint8_t* Row(int y) override;

 private:
  int width_;
  int height_;
  int stride_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ oldBitmap_;
  std::uint8_t* bits_ = nullptr;
  std::unique_ptr<GdiCanvas> canvas_;
};

// How the screen lays text out, for the charts' layout.
TextMeasure& ScreenMeasure();

// The first of a comma-separated list of families that the system has (the last when
// none is known).
std::wstring InstalledFamily(const std::string& families);

}  // namespace kelvatrix
