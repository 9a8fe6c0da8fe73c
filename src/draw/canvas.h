#pragma once
// The one surface everything the program draws is drawn on: the charts (on the screen and
// on a page), the report's pages and the round buttons' faces. That drawing is written
// once, against this interface; each front end implements it once (QPainter for Qt, GDI
// for Win32).
//
// A canvas keeps a current pen, font and transform, as the window systems' painters do.
// Texts are UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "draw/geometry.h"
#include "platform/system_colours.h"

namespace kelvatrix {

enum class LineStyle { Solid, Dot };

struct Pen {
  Rgb color;
  double width = 1;
  LineStyle style = LineStyle::Solid;
  bool operator==(const Pen&) const = default;
};

struct Font {
  std::string family = "Arial";
  double size = 11;
  bool points = false;  // size in points (at the surface's resolution), else in pixels
  bool bold = false;
  bool operator==(const Font&) const = default;
};

struct FontMetrics {
  double ascent = 0;
  double descent = 0;
  double height = 0;       // ascent and descent
  double lineSpacing = 0;  // from one baseline to the next
};

// Text alignment in a box, as flags.
namespace align {
inline constexpr int kLeft = 0x1;
inline constexpr int kRight = 0x2;
inline constexpr int kHCenter = 0x4;
inline constexpr int kVCenter = 0x80;
inline constexpr int kCenter = kHCenter | kVCenter;
}  // namespace align

// Measures text as a surface lays it out.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual FontMetrics Metrics(const Font& font) = 0;
  // How far the pen moves past the text.
  virtual double Advance(const Font& font, std::string_view text) = 0;
  // The box the surface lays the text out in, one line: at least its advance wide, as
  // wide as its glyphs reach.
  virtual SizeF LaidOutSize(const Font& font, std::string_view text) = 0;
  // `text` cut with an ellipsis at its end to fit `width`.
  virtual std::string Elided(const Font& font, std::string_view text, double width) = 0;
};

class Canvas : public TextMeasure {
 public:
  virtual void SetPen(const Pen& pen) = 0;
  virtual void SetFont(const Font& font) = 0;

  virtual void DrawLine(PointF from, PointF to) = 0;
  virtual void DrawLines(const std::vector<LineF>& lines) = 0;
  virtual void DrawPolyline(const std::vector<PointF>& points) = 0;
  virtual void FillRect(const RectF& rect, Rgb color) = 0;
  // Outlines with the current pen, nothing filled.
  virtual void DrawRect(const RectF& rect) = 0;
  virtual void DrawEllipse(const RectF& rect) = 0;
  // The arc of the ellipse in `rect` from `startDegrees` (0 at three o'clock, counter-
  // clockwise) over `spanDegrees`.
  virtual void DrawArc(const RectF& rect, double startDegrees, double spanDegrees) = 0;

  // Text in the current font and pen colour, laid out as LaidOutSize says, its box's top
  // left at `at`.
  virtual void DrawText(PointF at, std::string_view text) = 0;
  // Text on one line aligned in `box` (align flags).
  virtual void DrawText(const RectF& box, int alignment, std::string_view text) = 0;
  // Text turned to read upwards, its box centred on `center`.
  virtual void DrawTextUpwards(PointF center, std::string_view text) = 0;

  // What is drawn from here on falls inside `rect` only, until ClearClip.
  virtual void SetClip(const RectF& rect) = 0;
  virtual void ClearClip() = 0;

  // The transform: Save and Restore bracket a change made with Translate and Scale.
  virtual void Save() = 0;
  virtual void Restore() = 0;
  virtual void Translate(double dx, double dy) = 0;
  virtual void Scale(double sx, double sy) = 0;

  // True when a unit is a device pixel (a screen or an image, not scaled): a line drawn
  // a pixel at a time can leave out what lands on a pixel already drawn. False on a page.
  virtual bool Pixels() const = 0;
};

// An image to compose on and read back: the round button's face is drawn, smoothed pixel
// by pixel, and drawn on. Three bytes a pixel in the surface's own order (the smoothing
// treats them alike), rows top to bottom.
class ImageCanvas {
 public:
  virtual ~ImageCanvas() = default;
  // Draws on the image, over what Row changed.
  virtual Canvas& Drawing() = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Row `y`'s pixels, with what was drawn so far; changes show in later drawing.
  virtual std::uint8_t* Row(int y) = 0;
};

// A printed job's pages, one after another.
class PageCanvas {
 public:
  virtual ~PageCanvas() = default;
  // Draws on the current page; after NewPage, ask again: a page may have a canvas of its
  // own, which starts with no pen or font set.
  virtual Canvas& Drawing() = 0;
  // The printable area (inside the margins) in the canvas's units, from (0, 0).
  virtual SizeF PageSize() const = 0;
  // Units to the inch.
  virtual double Resolution() const = 0;
  // Ends the page and starts the next.
  virtual void NewPage() = 0;
};

}  // namespace kelvatrix
