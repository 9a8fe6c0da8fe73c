#pragma once
// What the round button draws for one state, as a plan of shapes (no drawing): the face
// fill, the outlines and half arcs of the rim with their colours, the caption rectangle
// and whether the focus rectangle is drawn. The widget paints the plan; tests read it.
// Rectangles exclude their right and bottom edge, as platform rectangles do.

#include <vector>

namespace kelvatrix {

struct FaceRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const FaceRect&) const = default;
  FaceRect Shrunk(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
};

enum class FaceColor { WindowFrame, ButtonShadow, White };

enum class FaceShape {
  Ellipse,         // outline of the ellipse inscribed in the rectangle
  LowerRightArc,   // counter-clockwise from (left, bottom) to (right, top)
  UpperLeftArc,    // counter-clockwise from (right, top) to (left, bottom)
};

struct FaceStroke {
  FaceShape shape;
  FaceRect rect;
  FaceColor color;
  bool operator==(const FaceStroke&) const = default;
};

struct FaceState {
  bool down = false;         // pressed
  bool focused = false;      // has the focus
  bool focusOnly = false;    // the request is a change of focus only
  bool isDefault = false;    // the Default property: draws the dark ring
  bool activeDefault = false;
};

struct FacePlan {
  bool fill = false;  // the face is filled with the button's colour first
  FaceRect fillRect;
  std::vector<FaceStroke> strokes;  // in drawing order, pen width 2
  FaceRect captionRect;
  bool drawCaption = false;
  bool focusRect = false;  // drawn at captionRect
};

FacePlan PlanFace(int width, int height, const FaceState& state);

}  // namespace kelvatrix
