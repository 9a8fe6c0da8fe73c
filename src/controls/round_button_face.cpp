#include "controls/round_button_face.h"

namespace kelvatrix {

FacePlan PlanFace(int width, int height, const FaceState& state) {
  FacePlan plan;
  FaceRect r{0, 0, width - 1, height - 1};
  const bool full = !state.focusOnly;
  plan.fill = full;
  plan.fillRect = r;
  const auto stroke = [&](FaceShape shape, FaceRect rect, FaceColor color) {
    plan.strokes.push_back({shape, rect, color});
  };

  if (state.isDefault || state.focused) {
    if (full) stroke(FaceShape::Ellipse, r, FaceColor::WindowFrame);
    r = r.Shrunk(1, 1);
  }
  if (state.down) {
    if (full) stroke(FaceShape::Ellipse, r, FaceColor::ButtonShadow);
    // The sunken rim's arcs are drawn on a change of focus too.
    stroke(FaceShape::LowerRightArc, r, FaceColor::White);
    stroke(FaceShape::UpperLeftArc, r, FaceColor::ButtonShadow);
    r = r.Shrunk(1, 1);
  } else if (full) {
    stroke(FaceShape::LowerRightArc, r, FaceColor::WindowFrame);
    stroke(FaceShape::UpperLeftArc, r, FaceColor::White);
    r = r.Shrunk(1, 1);
    stroke(FaceShape::LowerRightArc, r, FaceColor::ButtonShadow);
  }

  r = r.Shrunk(width / 5, height / 5);
  if (state.down) {
    r.left += 2;
    r.top += 2;
  }
  plan.captionRect = r;
  plan.drawCaption = full;
  plan.focusRect = state.activeDefault || state.focused || state.focusOnly;
  return plan;
}

}  // namespace kelvatrix
