// The job: everything a session works on, held by the front end (one
// instance in the application, one per test). Names follow the rest of the
// system: region lists keep the placeholder at index 0.
#pragma once

#include <cstdint>
#include <string>

#include "core/progress.h"
#include "geometry/extents.h"
#include "geometry/region.h"
#include "geometry/units.h"
#include "mesh/height_grid.h"
#include "mesh/mesh.h"
#include "editor/nc_path.h"
#include "post/options.h"
#include "post/post.h"
#include "toolpath/model.h"
#include "toolpath/model3d.h"

namespace tibrel {

struct Job {
  TTBRegionArray Regions = EmptyRegionList();
  TTBRegionArray Profiles = EmptyRegionList();
  TTBOutRegionArray Toolpaths = EmptyToolpathList();
  TTBMachiningParameters MachiningParameters;
  TTBTolerances RoughTolerances;
  TTBTolerances FinishTolerances;
  TTBOptions Options;
  TTBPostProcessor CurrentPost;
  TExtents DrawingExtents;
  std::string DrawingName;
  // What the drawing's numbers (and so the toolpaths' and the program's)
  // are in: the file's unit, else the option for drawings without one.
  Units DrawingUnits = Units::Millimetre;

  int32_t CommandMode = ModeIdle;
  uint8_t CancelRequested = 0;
  int32_t NextOrderNumber = 0;
  size_t SingleIslandBoundary = 0;  // boundary picked by the first click of Single Island
  uint8_t ModelLoaded = 0;
  uint8_t EditorShown = 0;
  uint8_t Loading = 0;

  // The front end's progress display and event pump; may be null.
  Progress* ProgressSink = nullptr;

  PassControl Control() { return {ProgressSink, &CancelRequested, &CommandMode}; }

  // The STL model while it is the job (ModelLoaded), its raster layers and
  // the height grid that finishing may reuse.
  TTBTriangleArray Mesh;
  TTBOutRegionArray3D Toolpaths3D;
  TTBZGrid ZGrid;
  // The moves of the NC program opened in the editor pane.
  NcPath NcProgram = NcPath(1);
};

}  // namespace tibrel
