// Drawing extents. Note the field order differs from the box order of
// entities and regions.
#pragma once

#include "geometry/region.h"

namespace tibrel {

struct TExtents {
  double XMin = 0, XMax = 0, YMin = 0, YMax = 0, ZMin = 0, ZMax = 0, ZMid = 0, YSize = 0, XSize = 0;
};

// Extents of regions 1..last: the union of their boxes in X and Y; in Z from
// the deepest region (drawn at Z = -Depth) up to the stock top at 0. Empty
// lists give all zeros.
TExtents RegionExtents(const TTBRegionArray& regions);

}  // namespace tibrel
