// Repair of self-touching closed regions (the option "Try to correct bad DXF
// geometry"): a loop that visits a point twice, or crosses itself, is split
// into separate closed loops.
#pragma once

#include "geometry/region.h"

namespace tibrel {

// Points where two entities cross (lines and arcs; tangent touches give one
// point). Up to two points.
int EntityCrossings(const TTBEntity& a, const TTBEntity& b, TTBPoint out[2]);

// Splits entity e at point p (which lies on it) into the part before and the
// part after p.
void SplitEntityAt(const TTBEntity& e, TTBPoint p, TTBEntity& before, TTBEntity& after);

void RepairSelfTouching(TTBRegionArray& regions, uint8_t cw);

}  // namespace tibrel
