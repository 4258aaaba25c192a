// The Edit menu's region commands over a region list. None can be undone;
// each returns what the user is told. Delete keeps the drawing extents up to
// date; Join chains in the default direction (clockwise when set).
#pragma once

#include <string>

#include "geometry/selection.h"

namespace tibrel {

// The question the front end asks before Delete Selected Regions.
inline constexpr const char* DeleteQuestion = "Deleting Regions Can Not Be Undone.  Are You Sure";

CommandResult DeleteSelectedRegions(TTBRegionArray& regions, TExtents& extents);
CommandResult ReverseSelectedRegions(TTBRegionArray& regions);
// Mode 8: the closed region at p gets the entity nearest to p as its first.
CommandResult ChangeFirstEntityAt(TTBRegionArray& regions, TTBPoint p, double pickDistance);
// Makes entity e of region k the first (closed regions only).
void MakeFirstEntity(TTBRegion& r, size_t e);
CommandResult ExplodeSelected(TTBRegionArray& regions);
CommandResult JoinSelected(TTBRegionArray& regions, uint8_t clockwise);
CommandResult CombineSelected(TTBRegionArray& regions);

// The union of two closed regions by walking their outlines from an entity
// of a that lies outside b; a and b must cross at a's entity ia and b's
// entity ib. False when the walk fails or does not outline both.
bool UniteRegions(const TTBRegion& a, const TTBRegion& b, size_t ib, TTBRegion& result);

// Add Depths dialog.
enum class DepthTarget { Boundaries, Islands, SingleRegion };
CommandResult ApplyDepths(TTBRegionArray& regions, const std::string& depthText, DepthTarget target, const std::string& regionText);

// Add Walls dialog.
CommandResult ApplyWall(TTBRegionArray& regions, const std::string& regionText, const std::string& profileText,
                        const std::string& deltaText);
// What the Delta field shows after Enter on a negative value, and after "-".
std::string WallDeltaOnEnter(const TTBRegionArray& regions, size_t region, const std::string& deltaText);
std::string WallDeltaOnMinus(const TTBRegionArray& regions, size_t region);

}  // namespace tibrel
