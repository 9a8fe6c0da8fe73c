#include "platform/system_colours.h"

#include <windows.h>

namespace kelvatrix {

Rgb DesktopColour() {
  const COLORREF colour = GetSysColor(COLOR_BACKGROUND);
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

}  // namespace kelvatrix
