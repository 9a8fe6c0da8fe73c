#pragma once
// Plain child windows of the main window's layout: a panel (the button-face colour with a
// raised or lowered bevel, passing its children's notices up to the window) and the
// splitter between the grid pane and the chart pane.

#include "gui/win32/windows_api.h"

#include <functional>

namespace kelvatrix {

enum class Bevel { None, Raised, Lowered };

// A panel with an outer and an inner bevel of one pixel each.
HWND CreatePanel(HWND parent, Bevel outer, Bevel inner);
// The width its bevels take on each side.
int PanelBevelWidth(Bevel outer, Bevel inner);

// The splitter: a drag with the left button shows a hatched line that follows the mouse
// and, at release, reports where the line was, in the parent's client coordinates.
HWND CreateSplitter(HWND parent, std::function<void(int x)> dropped);

}  // namespace kelvatrix
