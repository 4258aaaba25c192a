// A plain, quadratic transcription of the chaining rules, written from the
// rules themselves and independent of the indexed code in the library. The
// differential tests run both on random drawings and demand identical output.
#pragma once

#include "geometry/extents.h"
#include "geometry/region.h"

namespace tibrel::reference {

void ChainEntities(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw, double tol, double depth);
void JoinOpenRegions(TTBRegionArray& regions, double tol);
void OrderRegionsNearest(TTBRegionArray& regions, const TExtents& extents);

}  // namespace tibrel::reference
