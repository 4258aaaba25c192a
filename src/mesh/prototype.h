// Prototype machining of a mesh: roughing (with stock left on the surface)
// and an optional finishing run, each a height grid, gouge control and
// raster layers, then the lifting over cut ground.
#pragma once

#include <string>
#include <vector>

#include "core/progress.h"
#include "mesh/height_grid.h"
#include "mesh/mesh.h"
#include "mesh/raster.h"
#include "toolpath/model.h"
#include "toolpath/model3d.h"

namespace tibrel {

struct PrototypeRun {
  size_t RoughLayers = 0;      // layers of the roughing run (finishing layers follow)
  int GridsBuilt = 0;          // 2 when finishing could not reuse the roughing grid
  std::vector<std::string> Steps;  // the status texts shown, in order
  size_t DisplayTotal = 0;     // the point total past the display limit, 0 when below
  bool Cancelled = false;
};

// Whether finishing can raster the roughing grid as it is: same cutter,
// steps, shape and angle, and no stock left by roughing.
bool FinishReusesRoughGrid(const TTBMachiningParameters& p);

// The Prototype command's machining once the dialog's fields are stored:
// toolpaths is emptied first. Roughing runs when Rough.Direction is not 0
// (grid with Rough.StockToLeave, mask of diameter 2 (radius + stock), the
// rough tolerance), finishing when Finish.Direction is not 0 and its Z step
// is positive. Depth is the blank's Z1. The flag of "Avoid cutting air"
// does not change the lifting, which runs for both.
PrototypeRun MachinePrototype(const TTBTriangleArray& mesh, const TTBMachiningParameters& params,
                              double roughTolerance, TTBZGrid& grid, TTBOutRegionArray3D& toolpaths,
                              const PassControl& control);

// "Only the first N Toolpaths will be displayed." for a total past the
// display limit.
std::string DisplayLimitMessage(size_t total);

}  // namespace tibrel
