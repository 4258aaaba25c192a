// Pocket toolpaths: the material inside the selected closed boundaries is
// cleared level by level with rings parallel to the walls: the first ring
// runs at tool radius plus stock from the boundary and its islands, every
// further ring a step inside the one before, until nothing fits. Islands
// stand up to their own depth; their tops are cleared as plateaus.
#pragma once

#include "toolpath/operation_records.h"

namespace tibrel {

// The pocket depth plan. Decides afresh which selected region is an island
// (shallower than its encloser) and which a pocket of its own, and puts the
// masters in cutting order (each outer pocket before the pockets nested in
// it). zStep 0 becomes the first boundary's depth (written back). False
// when the plan would be absurd.
bool PlanPocketLevels(TTBRegionArray& regions, TTBMasterRegionArray& plan, double floor,
                      const TTBRegionArray& profiles, bool markTops, double base, double& zStep);

// Extra levels for the tops of a level's islands that no level reached.
bool PlanPlateaus(TTBRegionArray& regions, const TTBMachineRegion& machine, TTBMachineRegionArray& out,
                  bool traceIslands, const TTBRegionArray& profiles, double base, double floor);

// Rings of one level, from its first rings inward by step until nothing
// fits (the list grows while it is walked). Stops when the command mode
// drops to 0, or at a ring count no pocket needs.
void ClearLevel(const OperationRecords& ops, TTBRegionArray& rings, TTBRegionArray& islandLoops, double step,
                const TTBMachineRegion& machine, const TTBTolerances& tolerances);

// Squared distance from p to an entity as the ring order measures it: to a
// line piece, or to its start beyond either end; radially to an arc whose
// sweep holds p's angle, else to its start.
double RingOrderDistance(const TTBEntity& e, TTBPoint p);

// Cutting order of a level's rings: nearest first from the lower left,
// each ring started at its entity nearest to the cutter; reversed for
// "In/Out". The first rings keep Selected 1, the others 0.
void OrderRings(const OperationRecords& ops, TTBRegionArray& rings, size_t firstRingCount, bool inOut);

// Whether a link keeps the tool's clearance from the walls of a level: the
// boundary and the islands of the machine region at their offsets.
bool LinkKeepsClear(const TTBRegionArray& regions, const TTBMachineRegion& machine, const TTBEntity& link);

// Approach depth and link mode of the rings in cutting order: a short link
// between two rings that keeps clear of the walls and crosses no ring is fed
// at depth; any other rises to the rapid height above the stock.
void LinkPocketPaths(const OperationRecords& ops, TTBRegionArray& rings, const TTBMachineRegion& machine);

void PocketRough(const OperationRecords& ops);
void PocketFinish(const OperationRecords& ops);

}  // namespace tibrel
