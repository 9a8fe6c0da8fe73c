#pragma once
// Where a drag of the splitter between the grid pane and the chart pane leaves the grid
// pane. Each pane keeps at least 30 pixels; a drag that would leave the grid pane 30
// pixels wide or less closes it.

#include <algorithm>

namespace kelvatrix {

inline constexpr int kPaneMinimum = 30;

// `requested` is the width the mouse asks for; `bothPanes` the width the two panes share.
constexpr int GridPaneWidthAfterDrag(int requested, int bothPanes) {
  const int widest = bothPanes - kPaneMinimum;
  const int width = std::min(requested, widest);
  return width <= kPaneMinimum ? 0 : width;
}

}  // namespace kelvatrix
