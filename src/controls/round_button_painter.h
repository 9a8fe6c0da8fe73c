#pragma once
// Composes the round button's face on an image of the button's size, as a plan for one
// state says (PlanFace): the face in the button's colour, the rim, the smoothing pass, the
// centred caption and the focus rectangle. Every front end draws the finished image.

#include <string>

#include "controls/round_button_face.h"
#include "draw/canvas.h"

namespace kelvatrix {

// The colours and the font of a button: the desktop's (the window behind the button, the
// rim's frame and shadow, the caption) and the button's own face colour.
struct RoundButtonLook {
  Rgb face;
  Rgb window;
  Rgb frame;
  Rgb shadow;
  Rgb caption;
  Font font;
};

// `fresh`: the image was just made and holds nothing yet.
void ComposeRoundButtonFace(ImageCanvas& image, const FacePlan& plan, const RoundButtonLook& look,
                            const std::string& caption, bool fresh);

// The caption as drawn into a caption rectangle `width` pixels wide: "Print Graph " keeps
// its trailing blank where it fits; where the font is too wide for that, the blank would
// push the visible text off centre and cut both its ends.
std::string FittedCaption(TextMeasure& measure, const Font& font, std::string caption, int width);

}  // namespace kelvatrix
