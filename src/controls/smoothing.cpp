#include "controls/smoothing.h"

#include <algorithm>
#include <utility>

namespace kelvatrix {

void SmoothBitmapRect(PixelImage& image, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max(1, x1);
  y1 = std::max(1, y1);
  x2 = std::min(image.width - 2, x2);
  y2 = std::min(image.height - 2, y2);
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) {
      std::uint8_t* pixel = image.At(x, y);
      const std::uint8_t* up = image.At(x, y - 1);
      const std::uint8_t* down = image.At(x, y + 1);
      const std::uint8_t* left = image.At(x - 1, y);
      const std::uint8_t* right = image.At(x + 1, y);
      for (int c = 0; c < 3; ++c) {
        pixel[c] = static_cast<std::uint8_t>((up[c] + down[c] + left[c] + right[c]) >> 2);
      }
    }
  }
}

void SmoothBitmap(PixelImage& image) { SmoothBitmapRect(image, 0, 0, image.width, image.height); }

}  // namespace kelvatrix
