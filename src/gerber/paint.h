// The copper bitmap of a board: one byte per pixel, pixel (c, r) standing
// for the point ((OriginX + c) * size, (OriginY + r) * size). Shapes are
// filled where they cover a pixel's point; the outer ring of pixels always
// stays clear so that every outline is closed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

struct CopperBitmap {
  int32_t OriginX = 0, OriginY = 0;
  int32_t Columns = 0, Rows = 0;
  std::vector<uint8_t> Pixels;  // row-major; bit 0 copper
  int64_t Work = 0;             // pixel visits so far, for the work limit

  uint8_t& At(int32_t c, int32_t r) { return Pixels[static_cast<size_t>(r) * Columns + c]; }
};

// Fills the pixels whose points lie inside the polygon (even-odd rule),
// with copper or clear. Points are in pixel units of the board.
void FillPolygon(CopperBitmap& bmp, const std::vector<TTBPoint>& pts, bool clear);
// Fills a disc, or the capsule of a disc swept from a to b.
void FillCapsule(CopperBitmap& bmp, TTBPoint a, TTBPoint b, double radius, bool clear);
// The convex hull of points (Andrew's monotone chain), counter-clockwise.
std::vector<TTBPoint> ConvexHull(std::vector<TTBPoint> pts);

}  // namespace tibrel
