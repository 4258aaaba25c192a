// The Edit menu's region commands. None can be undone; each returns what the
// user is told.
#pragma once

#include <string>

#include "geometry/selection.h"

namespace tibrel {

// The question the front end asks before Delete Selected Regions.
inline constexpr const char* DeleteQuestion = "Deleting Regions Can Not Be Undone.  Are You Sure";

CommandResult DeleteSelectedRegions(Job& job);
CommandResult ReverseSelectedRegions(Job& job);
// Mode 8: the closed region at p gets the entity nearest to p as its first.
CommandResult ChangeFirstEntityAt(Job& job, TTBPoint p, double pickDistance);
// Makes entity e of region k the first (closed regions only).
void MakeFirstEntity(TTBRegion& r, size_t e);
CommandResult ExplodeSelected(Job& job);
CommandResult JoinSelected(Job& job);
CommandResult CombineSelected(Job& job);

// The union of two closed regions by walking their outlines from an entity
// of a that lies outside b; a and b must cross at a's entity ia and b's
// entity ib. False when the walk fails or does not outline both.
bool UniteRegions(const TTBRegion& a, const TTBRegion& b, size_t ib, TTBRegion& result);

// Add Depths dialog.
enum class DepthTarget { Boundaries, Islands, SingleRegion };
CommandResult ApplyDepths(Job& job, const std::string& depthText, DepthTarget target, const std::string& regionText);

// Add Walls dialog.
CommandResult ApplyWall(Job& job, const std::string& regionText, const std::string& profileText,
                        const std::string& deltaText);
// What the Delta field shows after Enter on a negative value, and after "-".
std::string WallDeltaOnEnter(const Job& job, size_t region, const std::string& deltaText);
std::string WallDeltaOnMinus(const Job& job, size_t region);

}  // namespace tibrel
