// A view's display list drawn without any window system, and PNG files of
// it: what `tibrel-cli render` writes for documentation and checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view/view.h"

namespace tibrel {

struct RasterImage {
  int Width = 0, Height = 0;
  std::vector<int32_t> Pixels;  // 0x00BBGGRR, row by row from the top
  int32_t At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// One-pixel lines, dotted links and dashed moves as the window draws them,
// and the model's filled triangles in their order between the strokes.
// Labels are left out (no fonts here).
RasterImage Rasterise(const Display& display, int width, int height);

// An 8-bit RGB PNG (stored, uncompressed deflate blocks).
std::string EncodePng(const RasterImage& image);

}  // namespace tibrel
