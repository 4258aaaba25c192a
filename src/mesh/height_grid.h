// The height grid of prototype machining: the model sampled on a regular
// X/Y grid over the blank, and the cutter masks that raise every height so
// that the cutter over a grid point touches none of the sampled heights
// around it (gouge control).
#pragma once

#include <cstdint>
#include <vector>

#include "core/progress.h"
#include "mesh/mesh.h"

namespace tibrel {

// Cutter shapes: flat end mill, ball nose, V cutter.
enum CutterTypes : int32_t { CutterEnd = 0, CutterBall = 1, CutterV = 2 };

// A mask cell outside the cutter.
inline constexpr double MaskOutside = 2000000000.0;

struct TTBZGrid {
  double XStep = 0, YStep = 0;
  double X0 = 0, Y0 = 0;  // X of column 0, Y of row 0
  int32_t Direction = 1;  // raster direction of the next run: 1 rows along X, 2 along Y
  int32_t NX = -1, NY = -1;  // last column and row index; -1 when there is no grid
  std::vector<float> Heights;  // (NY + 1) rows of (NX + 1), row j at Y0 + j * YStep

  bool Empty() const { return NX < 0 || NY < 0; }
  float& At(int32_t j, int32_t i) { return Heights[static_cast<size_t>(j) * (NX + 1) + i]; }
  float At(int32_t j, int32_t i) const { return Heights[static_cast<size_t>(j) * (NX + 1) + i]; }
};

// The blank and the steps a grid is built from.
struct GridSpec {
  TTBPrototypeParameters Blank;
  double XStep = 0, YStep = 0;
  double Stock = 0;  // raised onto the surface (roughing)
};

// Even-odd test of (x, y) against the triangle's XY projection, without
// division: a vertical triangle or a point on an edge of it never divides
// by zero.
bool PointInTriangleXY(double x, double y, const TTBTriangle& t);

// The model's height at every grid point: the highest surface (male, never
// above Z 0) or the lowest (female), plus the stock. No grid (NX = NY = -1)
// when the blank's Z1 equals Z2 or a dimension comes out below 1; false
// then and when cancelled.
bool BuildHeightGrid(const TTBTriangleArray& mesh, const GridSpec& spec, TTBZGrid& grid, const PassControl& control);

// The cutter's surface above its tip per grid offset; rows along Y, the
// axis at the middle cell.
struct TTBToolMask {
  int32_t Rows = 0, Columns = 0;
  std::vector<double> Cells;
  double At(int32_t k, int32_t m) const { return Cells[static_cast<size_t>(k) * Columns + m]; }
};

TTBToolMask BuildToolMask(int32_t toolType, double angle, double yStep, double xStep, double diameter);

// Raises every height below 0 to the lowest tip height at which the cutter
// over it clears all the sampled heights around, stopping a point's search
// once the tip would reach Z 0 (its height may then end above 0). Heights
// equal, bit for bit, those of the plain loop over grid and mask, scanning
// the mask row by row. False when cancelled (the grid is then partly done).
bool ApplyGougeControl(TTBZGrid& grid, int32_t toolType, double angle, double diameter, const PassControl& control);

// The same with a given mask.
bool ApplyToolMask(TTBZGrid& grid, const TTBToolMask& mask, const PassControl& control);

}  // namespace tibrel
