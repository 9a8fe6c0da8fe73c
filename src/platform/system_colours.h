#pragma once
// Colours of the desktop the program runs on.

#include <cstdint>

namespace kelvatrix {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The desktop background colour. Desktops without one report a steel blue, which the
// grid's white and yellow texts stay readable on.
Rgb DesktopColour();

}  // namespace kelvatrix
