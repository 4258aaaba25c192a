// Raster toolpaths over a height grid, layer by layer from one Z step below
// Z 0 down to the blank's bottom, and the lifting of the stretches that run
// over ground already cut.
#pragma once

#include <string>

#include "core/progress.h"
#include "mesh/height_grid.h"
#include "toolpath/model.h"
#include "toolpath/model3d.h"

namespace tibrel {

// What a raster run reads besides the grid.
struct RasterSpec {
  const TTBTool* Tool = nullptr;  // feeds, speed, tool number, Z step
  double Depth = 0;               // the blank's Z1: the last layer's floor
  double RapidHeight = 0;
  std::string PathName;
  double Tolerance = 0;  // heights within it of the line through the last two written are dropped
};

// Appends the layers of a raster along the grid's direction (1 rows along
// X, 2 columns along Y) to toolpaths. Between two written points that
// differ in height by more than the grid step the cutter moves in two legs,
// level at the higher height and straight up or down at the lower point's
// end, never on the slant between them. Nothing when the mode is idle, the
// depth is 0 or the tool's Z step is not positive. On cancel the layer in
// progress is dropped and false returned; the layers before it stay.
bool CreateRasterToolpaths(const TTBZGrid& grid, const RasterSpec& spec, TTBOutRegionArray3D& toolpaths,
                           const PassControl& control);

// The writer of one row in travel order, with the heights already clipped
// to the layer's floor; exposed for tests. Appends the points it keeps.
void WriteRasterRow(const std::vector<double>& heights, double tolerance, std::vector<int32_t>& kept);

// Replaces the stretches of layers first.. that lie above the floor of the
// layer before (for the first layer, above the blank's top blankZ2) with
// rapids at the stretch's highest point + the rapid height. A stretch that
// reaches the layer's end is dropped but for its first point. The first
// point below the floor after a stretch is kept as a cut.
void LiftCutMoves(TTBOutRegionArray3D& toolpaths, size_t first, double blankZ2, double depth, double rapidHeight);

// The number of points that the view draws at most.
inline constexpr size_t DisplayPointLimit = 200000;

// The running total of points, layer by layer, at the moment it first
// passes the display limit; 0 when it never does.
size_t DisplayLimitTotal(const TTBOutRegionArray3D& toolpaths);

}  // namespace tibrel
