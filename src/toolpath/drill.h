// Drill toolpaths: every selected closed region becomes one hole at the
// centre of its box, drilled to its depth, the holes in nearest-neighbour
// order from the lower-left corner of the selection.
#pragma once

#include "toolpath/operation_records.h"

namespace tibrel {

// A typed depth other than 0 becomes the depth of every selected region
// that is not an island; islands keep their own.
void ApplyTypedDepth(TTBRegionArray& regions, double depth);

// Replaces the toolpath list by the holes (nothing when the command mode is
// 0). Ties in the walk go to the lower region number.
void GenerateDrillToolpaths(const OperationRecords& ops);

}  // namespace tibrel
