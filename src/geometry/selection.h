// Picking, the selection commands, island classification and the machining
// order. Every command works on a region list in place and returns what the
// user is told: a status-bar text, or a message for a message box. The
// drawing's extents give the island test's ray its end; the pass control
// carries the command mode that island detection runs under and that the
// click modes (Single Island, machining order) step through.
#pragma once

#include <string>
#include <vector>

#include "core/progress.h"
#include "geometry/extents.h"
#include "geometry/region.h"

namespace tibrel {

struct CommandResult {
  std::string Status;   // status-bar text; empty leaves the bar as it is
  std::string Message;  // message box text; empty for none
  bool Changed = false; // the selection or the list changed (redraw)
};

// Squared distance from p to an entity, by the picking rule: to the nearer
// end when p falls beside a line or off an arc's sweep, else to the line or
// circle.
double PickDistanceSquared(const TTBEntity& e, TTBPoint p);
// The first region (1..last) with an entity nearer to p than pickDistance;
// 0 when none. selectedOnly limits the scan to selected regions.
size_t PickRegion(const TTBRegionArray& regions, TTBPoint p, double pickDistance, bool selectedOnly = false);
// The test point of a region: the interior point of its first entity.
TTBPoint TestPoint(const TTBRegion& r);
// Clears Selected, IslandOf, Depth, WallProfile and WallDelta.
void DeselectRegion(TTBRegion& r);

// Ray parameter (0 at from, 1 at toX) of the first crossing of the
// horizontal ray from `from` to X = toX with the region; >1 when none.
double RayHitParameter(const TTBRegion& r, TTBPoint from, double toX);

// Select menu.
CommandResult SelectAllOpen(TTBRegionArray& regions);
CommandResult SelectAllClosed(TTBRegionArray& regions, const TExtents& extents, const PassControl& control);
CommandResult SelectAll(TTBRegionArray& regions, const TExtents& extents, const PassControl& control);
CommandResult SelectAllAsIslands(TTBRegionArray& regions, const TExtents& extents, double pickDistance,
                                 const PassControl& control);
CommandResult SelectWindow(TTBRegionArray& regions, const TExtents& extents, TTBPoint a, TTBPoint b);
CommandResult DeselectWindow(TTBRegionArray& regions, TTBPoint a, TTBPoint b);
CommandResult SelectRegionAt(TTBRegionArray& regions, const TExtents& extents, TTBPoint p, double pickDistance);
CommandResult DeselectRegionAt(TTBRegionArray& regions, TTBPoint p, double pickDistance);
CommandResult SelectSingleAt(TTBRegionArray& regions, const TExtents& extents, TTBPoint p, double pickDistance);
CommandResult DeselectSingleAt(TTBRegionArray& regions, TTBPoint p, double pickDistance);
CommandResult SingleBoundaryAt(TTBRegionArray& regions, TTBPoint p, double pickDistance);
// Mode 14: the click picks the boundary; mode 15: each click adds an island.
CommandResult SingleIslandAt(TTBRegionArray& regions, TTBPoint p, double pickDistance, const PassControl& control,
                             size_t& boundary);
CommandResult SelectEmptyCircles(TTBRegionArray& regions);
CommandResult DeselectEmptyCircles(TTBRegionArray& regions);
CommandResult DeselectAll(TTBRegionArray& regions, const PassControl& control);
CommandResult DeselectAllOpen(TTBRegionArray& regions);
CommandResult DeselectAllClosed(TTBRegionArray& regions);

// The same selections by region number (for the command line and tests).
CommandResult SelectRegionNumber(TTBRegionArray& regions, const TExtents& extents, size_t k);
CommandResult SelectSingleNumber(TTBRegionArray& regions, const TExtents& extents, size_t k);
CommandResult SingleBoundaryNumber(TTBRegionArray& regions, size_t k);
CommandResult SingleIslandNumbers(TTBRegionArray& regions, size_t b, size_t k);

// Whether region i is an empty circle: one arc or circle, and no other
// region's first entity ends strictly inside it.
std::vector<uint8_t> EmptyCircleMarks(const TTBRegionArray& regions);

// Set Machining Order: after the order dialog, with its start number.
CommandResult BeginMachiningOrder(TTBRegionArray& regions, int startAt, int32_t& nextOrderNumber,
                                  const PassControl& control);
// A click in mode 16 on region k (0: beside every region).
CommandResult MachiningOrderPick(TTBRegionArray& regions, size_t k, int32_t& nextOrderNumber, const PassControl& control);
CommandResult MachiningOrderClick(TTBRegionArray& regions, TTBPoint p, double pickDistance, int32_t& nextOrderNumber,
                                  const PassControl& control);
// Puts the regions with the given numbers (as numbered before the command)
// at positions startAt, startAt + 1, ... as a run of clicks would.
CommandResult SetMachiningOrder(TTBRegionArray& regions, int startAt, const std::vector<size_t>& numbers,
                                int32_t& nextOrderNumber, const PassControl& control);

// "<b> Boundaries <i>  Islands Selected", or " Ready..." when both are 0.
std::string IslandTotalsMessage(int boundaries, int islands);

}  // namespace tibrel
