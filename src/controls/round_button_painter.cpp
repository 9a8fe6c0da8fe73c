#include "controls/round_button_painter.h"

#include <cmath>
#include <cstring>

#include "controls/smoothing.h"

namespace kelvatrix {
namespace {

// Face rectangles leave out their right and bottom edge.
RectF ToRect(const FaceRect& r) {
  return {static_cast<double>(r.left), static_cast<double>(r.top), static_cast<double>(r.right - r.left),
          static_cast<double>(r.bottom - r.top)};
}

void Smooth(ImageCanvas& image) {
  const int width = image.Width();
  const int height = image.Height();
  PixelImage pixels(width, height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) std::memcpy(pixels.At(0, y), image.Row(y), rowBytes);
  SmoothBitmap(pixels);
  for (int y = 0; y < height; ++y) std::memcpy(image.Row(y), pixels.At(0, y), rowBytes);
}

}  // namespace

std::string FittedCaption(TextMeasure& measure, const Font& font, std::string caption, int width) {
  while (!caption.empty() && caption.back() == ' ' && std::round(measure.Advance(font, caption)) > width)
    caption.pop_back();
  return caption;
}

void ComposeRoundButtonFace(ImageCanvas& image, const FacePlan& plan, const RoundButtonLook& look,
                            const std::string& caption, bool fresh) {
  Canvas& canvas = image.Drawing();
  // The face rectangle leaves out the last row and column; they take the colour behind the
  // button, so the smoothing blends the rim into it and never reads stale pixels.
  if (plan.fill || fresh) canvas.FillRect({0, 0, static_cast<double>(image.Width()), static_cast<double>(image.Height())}, look.window);
  if (plan.fill) canvas.FillRect(ToRect(plan.fillRect), look.face);
  const Rgb colors[] = {look.frame, look.shadow, {255, 255, 255}};
  for (const FaceStroke& stroke : plan.strokes) {
    canvas.SetPen({colors[static_cast<int>(stroke.color)], 2});
    const RectF r = ToRect(stroke.rect);
    switch (stroke.shape) {
      case FaceShape::Ellipse: canvas.DrawEllipse(r); break;
      // Counter-clockwise halves between the directions of opposite corners.
      case FaceShape::LowerRightArc: canvas.DrawArc(r, 225, 180); break;
      case FaceShape::UpperLeftArc: canvas.DrawArc(r, 45, 180); break;
    }
  }
  Smooth(image);

  Canvas& over = image.Drawing();
  const RectF captionRect = ToRect(plan.captionRect);
  if (plan.drawCaption) {
    over.SetFont(look.font);
    over.SetPen({look.caption, 1});
    over.SetClip(captionRect);
    over.DrawText(captionRect, align::kCenter,
                  FittedCaption(over, look.font, caption, static_cast<int>(captionRect.width)));
    over.ClearClip();
  }
  if (plan.focusRect) {
    over.SetPen({{0, 0, 0}, 1, LineStyle::Dot});
    over.DrawRect({captionRect.left, captionRect.top, captionRect.width - 1, captionRect.height - 1});
  }
}

}  // namespace kelvatrix
