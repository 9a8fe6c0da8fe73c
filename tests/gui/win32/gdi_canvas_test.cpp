// The canvas on GDI, read back as pixels from an image: the edges the program's drawing
// relies on (a filled rectangle without its right and bottom edge, a one-pixel line and
// an outline with them), clipping, the transform, text, and a chart drawn whole.
#include <gtest/gtest.h>

#include <cmath>

#include "gui/win32/gdi_canvas.h"
#include "views/line_chart.h"

namespace kelvatrix {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};

Rgb PixelAt(GdiImageCanvas& image, int x, int y) {
  const std::uint8_t* pixel = image.Row(y) + 3 * x;
  return {pixel[2], pixel[1], pixel[0]};  // a DIB's bytes are blue, green, red
}

void Clear(GdiImageCanvas& image) { image.Drawing().FillRect({0, 0, 1.0 * image.Width(), 1.0 * image.Height()}, kWhite); }

int CountOf(GdiImageCanvas& image, Rgb colour, int left, int top, int right, int bottom) {
  int count = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) count += PixelAt(image, x, y) == colour;
  return count;
}

TEST(GdiCanvasTest, EdgesAreWhereTheProgramsDrawingExpectsThem) {
  GdiImageCanvas image(40, 30);
  Clear(image);
  Canvas& canvas = image.Drawing();
  canvas.FillRect({2, 3, 10, 5}, kRed);  // covers x 2..11, y 3..7
  EXPECT_EQ(CountOf(image, kRed, 0, 0, 40, 30), 50);
  EXPECT_EQ(PixelAt(image, 11, 7), kRed);
  EXPECT_EQ(PixelAt(image, 12, 7), kWhite);
  EXPECT_EQ(PixelAt(image, 11, 8), kWhite);

  Clear(image);
  canvas.SetPen({kRed, 1});
  canvas.DrawLine({5, 20}, {15, 20});  // both ends drawn: 11 pixels
  EXPECT_EQ(CountOf(image, kRed, 0, 0, 40, 30), 11);
  EXPECT_EQ(PixelAt(image, 15, 20), kRed);

  Clear(image);
  canvas.DrawRect({1, 1, 10, 5});  // an outline on x 1 and 11, y 1 and 6
  EXPECT_EQ(PixelAt(image, 11, 6), kRed);
  EXPECT_EQ(PixelAt(image, 1, 1), kRed);
  EXPECT_EQ(PixelAt(image, 6, 3), kWhite);
  EXPECT_EQ(CountOf(image, kRed, 0, 0, 40, 30), 2 * 11 + 2 * 4);
}

TEST(GdiCanvasTest, ClipAndTransformApplyToWhatIsDrawn) {
  GdiImageCanvas image(40, 30);
  Clear(image);
  Canvas& canvas = image.Drawing();
  canvas.SetClip({0, 0, 20, 30});
  canvas.FillRect({10, 0, 20, 10}, kRed);
  canvas.ClearClip();
  EXPECT_EQ(CountOf(image, kRed, 0, 0, 40, 30), 10 * 10) << "only the part inside the clip";

  Clear(image);
  canvas.Save();
  canvas.Translate(10, 5);
  canvas.Scale(2, 2);
  canvas.FillRect({0, 0, 3, 2}, kRed);  // 6 x 4 pixels from (10, 5)
  canvas.Restore();
  EXPECT_EQ(CountOf(image, kRed, 10, 5, 16, 9), 24);
  EXPECT_EQ(CountOf(image, kRed, 0, 0, 40, 30), 24);
  canvas.FillRect({0, 0, 1, 1}, kRed);
  EXPECT_EQ(PixelAt(image, 0, 0), kRed) << "Restore brought the transform back";
}

TEST(GdiCanvasTest, TextIsMeasuredAndDrawnInItsBox) {
  GdiImageCanvas image(120, 40);
  Clear(image);
  Canvas& canvas = image.Drawing();
  const Font font{"Arial", 11};
  const SizeF size = canvas.LaidOutSize(font, "5,000");
  EXPECT_GT(size.width, 15);
  EXPECT_LT(size.width, 40);
  EXPECT_GE(size.height, 11);
  EXPECT_LT(canvas.Advance(font, "0"), canvas.Advance(font, "00"));
  const std::string cut = canvas.Elided(font, "a text far too long for its room", 40);
  EXPECT_LE(canvas.Advance(font, cut), 40);
  EXPECT_EQ(cut.substr(cut.size() - 3), "\xE2\x80\xA6") << "cut with an ellipsis";

  canvas.SetPen({kRed, 1});
  canvas.SetFont(font);
  canvas.DrawText({10, 10}, "5,000");
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      if (PixelAt(image, x, y) == kWhite) continue;
      ++inked;
      EXPECT_GE(x, 10);
      EXPECT_LT(x, 10 + size.width + 1);
      EXPECT_GE(y, 10);
      EXPECT_LT(y, 10 + size.height + 1);
    }
  EXPECT_GT(inked, 10);
}

// A chart drawn whole on GDI: its line inside the plot, in the series' colour.
TEST(GdiCanvasTest, AChartsLineIsDrawnInsideItsPlot) {
  LineChart chart({"Voltage", {255, 0, 0}, "UNIT V", 0, 6000, 200}, ScreenMeasure());
  chart.Resize(400, 240);
  for (int i = 1; i <= 600; ++i) chart.AddPoint(i, std::min(5000, 500 * i));
  chart.Refresh();
  GdiImageCanvas image(400, 240);
  Clear(image);
  chart.Draw(image.Drawing());
  const RectF plot = chart.PlotArea();
  ASSERT_FALSE(plot.Empty());
  const Rgb lineColour = kRed;
  const int inside = CountOf(image, lineColour, static_cast<int>(plot.left), static_cast<int>(plot.top),
                             static_cast<int>(plot.Right()) + 1, static_cast<int>(plot.Bottom()) + 1);
  const int everywhere = CountOf(image, lineColour, 0, static_cast<int>(plot.top), 400, 240);
  EXPECT_GT(inside, static_cast<int>(plot.width) / 2) << "the flat 5,000 V stretch is drawn";
  EXPECT_EQ(inside, everywhere) << "nothing of the line outside the plot";
}

}  // namespace
}  // namespace kelvatrix
