#pragma once

namespace kelvatrix {

// The window's outer size, fixed at start-up.
inline constexpr int kWindowWidth = 830;
inline constexpr int kWindowHeight = 580;

// The edge that centres `size` in `available` pixels. Integer division truncates toward
// zero, so a screen smaller than the window gives -15 / 2 = -7, not -8.
constexpr int CentredEdge(int available, int size) { return (available - size) / 2; }

}  // namespace kelvatrix
