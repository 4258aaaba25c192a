// Picking, the selection commands, island classification and the machining
// order. Every command works on the job's regions in place and returns what
// the user is told: a status-bar text, or a message for a message box.
#pragma once

#include <string>
#include <vector>

#include "core/job.h"

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
CommandResult SelectAllOpen(Job& job);
CommandResult SelectAllClosed(Job& job);
CommandResult SelectAll(Job& job);
CommandResult SelectAllAsIslands(Job& job, double pickDistance);
CommandResult SelectWindow(Job& job, TTBPoint corner1, TTBPoint corner2);
CommandResult DeselectWindow(Job& job, TTBPoint corner1, TTBPoint corner2);
CommandResult SelectRegionAt(Job& job, TTBPoint p, double pickDistance);
CommandResult DeselectRegionAt(Job& job, TTBPoint p, double pickDistance);
CommandResult SelectSingleAt(Job& job, TTBPoint p, double pickDistance);
CommandResult DeselectSingleAt(Job& job, TTBPoint p, double pickDistance);
CommandResult SingleBoundaryAt(Job& job, TTBPoint p, double pickDistance);
// Mode 14: the click picks the boundary; mode 15: each click adds an island.
CommandResult SingleIslandAt(Job& job, TTBPoint p, double pickDistance);
CommandResult SelectEmptyCircles(Job& job);
CommandResult DeselectEmptyCircles(Job& job);
CommandResult DeselectAll(Job& job);
CommandResult DeselectAllOpen(Job& job);
CommandResult DeselectAllClosed(Job& job);

// The same selections by region number (for the command line and tests).
CommandResult SelectRegionNumber(Job& job, size_t k);
CommandResult SelectSingleNumber(Job& job, size_t k);
CommandResult SingleBoundaryNumber(Job& job, size_t k);
CommandResult SingleIslandNumbers(Job& job, size_t boundary, size_t island);

// Whether region i is an empty circle: one arc or circle, and no other
// region's first entity ends strictly inside it.
std::vector<uint8_t> EmptyCircleMarks(const TTBRegionArray& regions);

// Set Machining Order: after the order dialog, with its start number.
CommandResult BeginMachiningOrder(Job& job, int startAt);
// A click in mode 16 on region k (0: beside every region).
CommandResult MachiningOrderPick(Job& job, size_t k);
CommandResult MachiningOrderClick(Job& job, TTBPoint p, double pickDistance);
// Puts the regions with the given numbers (as numbered before the command)
// at positions startAt, startAt + 1, ... as a run of clicks would.
CommandResult SetMachiningOrder(Job& job, int startAt, const std::vector<size_t>& numbers);

// "<b> Boundaries <i>  Islands Selected", or " Ready..." when both are 0.
std::string IslandTotalsMessage(int boundaries, int islands);

}  // namespace tibrel
