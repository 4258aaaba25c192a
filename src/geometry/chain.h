// Chaining loose segments into regions: preparation, the greedy chain
// builder, joining of open chains, direction, and nearest-first ordering.
#pragma once

#include "core/progress.h"
#include "geometry/extents.h"
#include "geometry/region.h"

namespace tibrel {

// Keeps, in order, the segments longer than limit.
void DropShortEntities(TTBEntityArray& segments, double limit);
// Reverses every line whose start X is greater than its end X.
void NormaliseLines(TTBEntityArray& segments);
// Sorts segments lo..hi by XMin ascending (stable, so results are repeatable).
void SortEntitiesByXMin(TTBEntityArray& segments, size_t lo, size_t hi);
void SortEntitiesByXMin(TTBEntityArray& segments);
// Drops every segment that has a duplicate later in the array, which must be
// sorted by XMin; the later copy stays. A line drawn the other way counts as
// a duplicate.
void RemoveDuplicateEntities(TTBEntityArray& segments);
// The preparation before chaining, in order: drop short, normalise, sort,
// remove duplicates.
void PrepareSegments(TTBEntityArray& segments);

// Replaces regions with the placeholder followed by the chains built from
// segments, which are consumed. Segments are chained in batches of 5000 (in
// array order; the builder's scan relies on the XMin sort of the
// preparation); the joining pass links open chains across batches. Closed
// regions get the direction cw (1 = clockwise). When cancelled, regions holds
// only the placeholder.
void ChainEntities(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw, double tolerance,
                   double depth, const PassControl& control = {});

// Sorts regions lo..hi by box XMin ascending (stable).
void SortRegionsByXMin(TTBRegionArray& regions, size_t lo, size_t hi);
// Joins open regions marked Selected end to end. Works on the whole array
// from index 0: callers pass either a placeholder-free list or one whose
// placeholder is unmarked.
void JoinOpenRegions(TTBRegionArray& regions, double tolerance);
// SetRegionDirection on every closed region (from index 0: the placeholder
// has no entities and is left alone).
void SetAllDirections(TTBRegionArray& regions, uint8_t cw);
// Keeps element 0 (Selected cleared) and every other unselected region.
void RemoveMarkedRegions(TTBRegionArray& regions);
// Orders regions 1..last by a nearest-neighbour walk over start points from
// the extents' lower-left corner; ties go to the lower index. Nothing
// happens when the pass is cancelled on entry.
void OrderRegionsNearest(TTBRegionArray& regions, const TExtents& extents, const PassControl& control = {});

}  // namespace tibrel
