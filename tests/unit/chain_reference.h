// A plain, quadratic transcription of the chaining rules, written from the
// rules themselves and independent of the indexed code in the library. The
// differential tests run both on random drawings and demand identical output.
#pragma once

#include "geometry/extents.h"
#include "geometry/region.h"

namespace tibrel::reference {

// The preparation before chaining, rule by rule: short segments dropped,
// lines turned to run towards +X, a stable sort by XMin, and duplicates (a
// later segment within 0.0005 in XMin that repeats the segment) removed.
void PrepareSegments(TTBEntityArray& segments);
void ChainEntities(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw, double tol, double depth);
void JoinOpenRegions(TTBRegionArray& regions, double tol);
void OrderRegionsNearest(TTBRegionArray& regions, const TExtents& extents);

}  // namespace tibrel::reference
