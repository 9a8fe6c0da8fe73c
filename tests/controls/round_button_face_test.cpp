#include "controls/round_button_face.h"

#include <gtest/gtest.h>

#include "controls/round_button_painter.h"
#include "controls/smoothing.h"
#include "recording_canvas.h"

namespace kelvatrix {
namespace {

using S = FaceShape;
using C = FaceColor;

TEST(RoundButtonFace, RectanglesOfA97By34Button) {
  const FacePlan released = PlanFace(97, 34, {});
  EXPECT_TRUE(released.fill);
  EXPECT_EQ(released.fillRect, (FaceRect{0, 0, 96, 33}));
  EXPECT_EQ(released.strokes, (std::vector<FaceStroke>{{S::LowerRightArc, {0, 0, 96, 33}, C::WindowFrame},
                                                       {S::UpperLeftArc, {0, 0, 96, 33}, C::White},
                                                       {S::LowerRightArc, {1, 1, 95, 32}, C::ButtonShadow}}));
  EXPECT_EQ(released.captionRect, (FaceRect{20, 7, 76, 26}));  // shrunk by 97/5 = 19 and 34/5 = 6
  EXPECT_FALSE(released.focusRect);

  const FacePlan focused = PlanFace(97, 34, {.focused = true});
  EXPECT_EQ(focused.strokes.front(), (FaceStroke{S::Ellipse, {0, 0, 96, 33}, C::WindowFrame}));
  EXPECT_EQ(focused.strokes.back(), (FaceStroke{S::LowerRightArc, {2, 2, 94, 31}, C::ButtonShadow}));
  EXPECT_EQ(focused.captionRect, (FaceRect{21, 8, 75, 25}));
  EXPECT_TRUE(focused.focusRect);

  const FacePlan pressed = PlanFace(97, 34, {.down = true, .focused = true});
  EXPECT_EQ(pressed.strokes, (std::vector<FaceStroke>{{S::Ellipse, {0, 0, 96, 33}, C::WindowFrame},
                                                      {S::Ellipse, {1, 1, 95, 32}, C::ButtonShadow},
                                                      {S::LowerRightArc, {1, 1, 95, 32}, C::White},
                                                      {S::UpperLeftArc, {1, 1, 95, 32}, C::ButtonShadow}}));
  EXPECT_EQ(pressed.captionRect, (FaceRect{23, 10, 75, 25})) << "the caption moves 2 right and down";

  const FacePlan focusOnly = PlanFace(97, 34, {.focusOnly = true});
  EXPECT_FALSE(focusOnly.fill);
  EXPECT_FALSE(focusOnly.drawCaption);
  EXPECT_TRUE(focusOnly.strokes.empty());
  EXPECT_EQ(focusOnly.captionRect, (FaceRect{19, 6, 77, 27})) << "no rim drawn: nothing shrinks";
  EXPECT_TRUE(focusOnly.focusRect);

  const FacePlan pressedFocusOnly = PlanFace(97, 34, {.down = true, .focusOnly = true});
  EXPECT_EQ(pressedFocusOnly.strokes.size(), 2u) << "the sunken arcs are drawn on a focus change too";

  EXPECT_TRUE(PlanFace(97, 34, {.activeDefault = true}).focusRect);
  EXPECT_EQ(PlanFace(97, 34, {.isDefault = true}).strokes.front().shape, S::Ellipse);
}

PixelImage Gray(int width, int height, std::initializer_list<int> values) {
  PixelImage image(width, height);
  auto v = values.begin();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x, ++v) {
      for (int c = 0; c < 3; ++c) image.At(x, y)[c] = static_cast<std::uint8_t>(*v + c);
    }
  }
  return image;
}

TEST(Smoothing, ThreeByThreeChangesOnlyTheCentreToItsNeighboursMean) {
  PixelImage image = Gray(3, 3, {10, 20, 30, 40, 99, 60, 70, 81, 90});
  SmoothBitmap(image);
  // (20 + 81 + 40 + 60) >> 2 = 50; each colour byte on its own (offset c).
  EXPECT_EQ(image.At(1, 1)[0], 50);
  EXPECT_EQ(image.At(1, 1)[2], (22 + 83 + 42 + 62) >> 2);
  const PixelImage untouched = Gray(3, 3, {10, 20, 30, 40, 99, 60, 70, 81, 90});
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      if (x == 1 && y == 1) continue;
      EXPECT_EQ(image.At(x, y)[0], const_cast<PixelImage&>(untouched).At(x, y)[0]) << x << "," << y;
    }
  }
}

TEST(Smoothing, WorksInPlaceLeftToRightTopToBottom) {
  PixelImage image = Gray(4, 4, {0, 0, 0, 0,  0, 100, 100, 0,  0, 100, 100, 0,  0, 0, 0, 0});
  SmoothBitmap(image);
  const int a = (0 + 100 + 0 + 100) >> 2;  // (1,1): up, down, left, right
  const int b = (0 + 100 + a + 0) >> 2;    // (2,1) sees the new (1,1) on its left
  const int c = (a + 0 + 0 + 100) >> 2;    // (1,2) sees the new (1,1) above
  const int d = (b + 0 + c + 0) >> 2;
  EXPECT_EQ(image.At(1, 1)[0], a);
  EXPECT_EQ(image.At(2, 1)[0], b);
  EXPECT_EQ(image.At(1, 2)[0], c);
  EXPECT_EQ(image.At(2, 2)[0], d);
}

TEST(Smoothing, NarrowImagesAndRectanglesOutsideChangeNothing) {
  for (const int height : {1, 2, 5}) {
    PixelImage image(2, height);
    for (auto& byte : image.bytes) byte = 200;
    image.At(0, 0)[0] = 7;
    const auto before = image.bytes;
    SmoothBitmap(image);  // two columns: no pixel has both horizontal neighbours
    EXPECT_EQ(image.bytes, before) << "2 x " << height;
  }
  PixelImage image(5, 5);
  image.At(2, 2)[0] = 200;
  SmoothBitmapRect(image, 3, 3, 3, 2);  // corners given the wrong way round: column 3, rows 2-3
  EXPECT_EQ(image.At(3, 2)[0], 50);
  EXPECT_EQ(image.At(3, 3)[0], 50 >> 2) << "uses the new value above it";
  image.At(3, 2)[0] = 0;
  image.At(3, 3)[0] = 0;
  PixelImage expected(5, 5);
  expected.At(2, 2)[0] = 200;
  EXPECT_EQ(image.bytes, expected.bytes) << "nothing else changed";

  SmoothBitmapRect(image, 4, 4, 9, 9);  // only the border there: nothing
  EXPECT_EQ(image.bytes, expected.bytes);
}

}  // namespace
}  // namespace kelvatrix

namespace kelvatrix {
namespace {

using test::DrawCall;

const RoundButtonLook kLook{{0, 128, 128}, {239, 239, 239}, {0, 0, 0}, {160, 160, 160}, {255, 255, 255},
                            {"Liberation Sans", 11}};

// The face as drawn for a focused button: the background and the face colour, the rim in
// pen width 2, every pixel smoothed after the rim and before the caption, the caption
// clipped to and centred in its rectangle, the dotted focus rectangle one pixel inside it.
TEST(RoundButtonPainter, TheFaceIsFilledRimmedSmoothedThenCaptioned) {
  test::RecordingImage image(97, 34);
  const FacePlan plan = PlanFace(97, 34, {.focused = true});
  ComposeRoundButtonFace(image, plan, kLook, "Download", true);
  const std::vector<DrawCall>& calls = image.canvas.calls;
  ASSERT_GE(calls.size(), 6u);
  EXPECT_EQ(calls[0].kind, DrawCall::Kind::FillRect);
  EXPECT_EQ(calls[0].fill, kLook.window);
  EXPECT_EQ(calls[1].rect, (RectF{0, 0, 96, 33}));
  EXPECT_EQ(calls[1].fill, kLook.face);
  std::size_t strokes = 0;
  while (calls[2 + strokes].kind == DrawCall::Kind::Ellipse || calls[2 + strokes].kind == DrawCall::Kind::Arc) {
    EXPECT_EQ(calls[2 + strokes].pen.width, 2);
    ++strokes;
  }
  EXPECT_EQ(strokes, plan.strokes.size());
  // Every row read back and written after the rim, before the caption.
  ASSERT_EQ(image.rowsRead.size(), 2u * 34);
  for (const std::size_t before : image.callsBeforeRows) EXPECT_EQ(before, 2 + strokes);
  const DrawCall& caption = calls[2 + strokes];
  EXPECT_EQ(caption.kind, DrawCall::Kind::TextInBox);
  EXPECT_EQ(caption.text, "Download");
  EXPECT_EQ(caption.rect, (RectF{21, 8, 54, 17}));
  EXPECT_EQ(caption.alignment, align::kCenter);
  EXPECT_TRUE(caption.clipped);
  EXPECT_EQ(caption.pen.color, kLook.caption);
  const DrawCall& focus = calls.back();
  EXPECT_EQ(focus.kind, DrawCall::Kind::Rect);
  EXPECT_EQ(focus.pen.style, LineStyle::Dot);
  EXPECT_EQ(focus.rect, (RectF{21, 8, 53, 16}));
  EXPECT_FALSE(focus.clipped);
}

// A change of focus alone draws the focus rectangle over the face as it is: no fill, no
// caption.
TEST(RoundButtonPainter, AFocusChangeDrawsOverTheFaceAsItIs) {
  test::RecordingImage image(97, 34);
  ComposeRoundButtonFace(image, PlanFace(97, 34, {.focusOnly = true}), kLook, "Download", false);
  EXPECT_TRUE(image.canvas.Of(DrawCall::Kind::FillRect).empty());
  EXPECT_TRUE(image.canvas.Of(DrawCall::Kind::TextInBox).empty());
  EXPECT_EQ(image.canvas.Of(DrawCall::Kind::Rect).size(), 1u);
}

// "Print Graph " keeps its trailing blank while it fits, and loses it where it would not.
TEST(RoundButtonPainter, ATrailingBlankGoesOnlyWhereTheCaptionWouldNotFit) {
  test::FixedMeasure measure;
  const Font font{"Liberation Sans", 11};
  const double width = measure.Advance(font, "Print Graph ");
  EXPECT_EQ(FittedCaption(measure, font, "Print Graph ", static_cast<int>(width) + 1), "Print Graph ");
  EXPECT_EQ(FittedCaption(measure, font, "Print Graph ", static_cast<int>(width) - 3), "Print Graph");
  EXPECT_EQ(FittedCaption(measure, font, "Print Graph", 5), "Print Graph") << "only blanks go";
}

}  // namespace
}  // namespace kelvatrix
