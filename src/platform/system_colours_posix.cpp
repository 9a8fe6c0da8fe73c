#include "platform/system_colours.h"

namespace kelvatrix {

// X11 and Wayland desktops keep their background to themselves.
Rgb DesktopColour() { return {58, 110, 165}; }

}  // namespace kelvatrix
