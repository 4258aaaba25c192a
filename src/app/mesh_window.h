// The main window's model commands (Open of an STL file, the mesh Edit
// menu, Prototype) and the opening of a file by its extension, as `tibrel
// FILE` does.
#pragma once

#include <QString>

#include "job/job.h"

namespace tibrel {

// Whether the job holds a 3D layer with points (what Save Toolpaths CNC
// writes for a model).
bool Has3DToolpaths(const Job& job);

}  // namespace tibrel
