// Isolation routing of a circuit board: every copper region offset outward
// by the cutter radius, offsets of neighbours nearer than a cutter width
// merged into one loop between them, pieces too near any copper or the
// board outline dropped; the loops cut at one depth.
#pragma once

#include <cstdint>

#include "core/progress.h"
#include "toolpath/model.h"

namespace tibrel {

// Appends the raw offset of a region at distance d on side (0 right of
// travel, 1 left) to out. Corners are classified by the turn between the
// tangents: where the offsets of the two entities cross they are cut at the
// crossing; elsewhere a corner arc of radius d about the vertex joins them
// (the mitre case of turns up to maxMitre beyond a half turn extends two
// lines to their meeting point instead). Offsets not longer than the
// offset engine's smallest length are left out; with tagIslands every
// entity gets the region's IslandOf as its tag. False when no entity of
// the region can be offset.
bool RawOffsetByAngle(const TTBRegion& region, TTBEntityArray& out, double d, bool tagIslands, int side,
                      double maxMitre);

// The islands of a board: every selected region with IslandOf set (the
// copper; the board outline has none), at the tool radius. Each gets the
// routing depth. Element 0 of the list is a placeholder.
void BuildPCBIslands(TTBRegionArray& regions, TTBIslandArray& islands, const TTBMachiningParameters& params);

// The offset step: the islands of the machine region offset together,
// trimmed against one another and the boundary, chained into closed loops
// (results from 1). False when nothing was made, or when the command mode
// is or drops to 0.
bool OffsetPCBIslands(const TTBRegionArray& regions, const TTBMachineRegion& machine, TTBRegionArray& results,
                      uint8_t direction, double depth, const PassControl& control);

// The whole routing: Toolpaths replaced by the loops round the copper
// islands of boundary, simplified and linked from the origin.
void RoutePCB(TTBRegionArray& regions, TTBOutRegionArray& toolpaths, const TTBMachiningParameters& params,
              uint8_t direction, const TTBTolerances& tolerances, int32_t boundary, const PassControl& control);

}  // namespace tibrel
