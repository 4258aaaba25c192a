// Save Toolpaths DXF while the editor pane is shown: the NC program's
// parsed moves as a drawing.
#pragma once

#include <memory>
#include <string>

#include "dxf/entities.h"
#include "editor/nc_path.h"
#include "geometry/units.h"

namespace tibrel {

// Every move of the path on layer "0": line records (feeds, rapids, drill
// plunges) as lines from start to end, arc records as arcs about their
// centre at the centre's Z. Tool changes and empty records make nothing.
std::unique_ptr<DXF_Object> NcPathDrawing(const NcPath& path, Units units, const std::string& name);

void SaveNcPathDxf(const NcPath& path, Units units, const std::string& fileName);

}  // namespace tibrel
