#pragma once
// The round button's smoothing of its face image: every pixel becomes the truncated mean
// of its four neighbours, worked in place (the neighbours above and to the left already
// hold their new values), leaving the one-pixel border alone. Qt-free.

#include <cstdint>
#include <vector>

namespace kelvatrix {

// An image of 24 bits per pixel, rows top to bottom, three bytes a pixel.
struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;

  PixelImage() = default;
  PixelImage(int w, int h) : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 3, 0) {}
  std::uint8_t* At(int x, int y) { return bytes.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
};

// Softens the rectangle (x1, y1)-(x2, y2), both corners included, clipped to the image
// without its border.
void SmoothBitmapRect(PixelImage& image, int x1, int y1, int x2, int y2);

// Softens every pixel but the one-pixel border.
void SmoothBitmap(PixelImage& image);

}  // namespace kelvatrix
