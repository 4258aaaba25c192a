// The Select and Edit menus' commands as the front ends issue them: each
// hands the job's records to the geometry command that works on them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geometry/editing.h"
#include "geometry/selection.h"
#include "geometry/transform.h"
#include "job/job.h"
#include "toolpath/operation_records.h"

namespace tibrel {

// The job's records as the Pocket, Contour and Drill generators take them.
OperationRecords OperationRecordsOf(Job& job);

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
CommandResult SingleIslandAt(Job& job, TTBPoint p, double pickDistance);
CommandResult SelectEmptyCircles(Job& job);
CommandResult DeselectEmptyCircles(Job& job);
CommandResult DeselectAll(Job& job);
CommandResult DeselectAllOpen(Job& job);
CommandResult DeselectAllClosed(Job& job);
CommandResult SelectRegionNumber(Job& job, size_t k);
CommandResult SelectSingleNumber(Job& job, size_t k);
CommandResult SingleBoundaryNumber(Job& job, size_t k);
CommandResult SingleIslandNumbers(Job& job, size_t boundary, size_t island);
CommandResult BeginMachiningOrder(Job& job, int startAt);
CommandResult MachiningOrderPick(Job& job, size_t k);
CommandResult MachiningOrderClick(Job& job, TTBPoint p, double pickDistance);
CommandResult SetMachiningOrder(Job& job, int startAt, const std::vector<size_t>& numbers);

CommandResult DeleteSelectedRegions(Job& job);
CommandResult ReverseSelectedRegions(Job& job);
CommandResult ChangeFirstEntityAt(Job& job, TTBPoint p, double pickDistance);
CommandResult ExplodeSelected(Job& job);
CommandResult JoinSelected(Job& job);
CommandResult CombineSelected(Job& job);
CommandResult ApplyDepths(Job& job, const std::string& depthText, DepthTarget target, const std::string& regionText);
CommandResult ApplyWall(Job& job, const std::string& regionText, const std::string& profileText,
                        const std::string& deltaText);
std::string WallDeltaOnEnter(const Job& job, size_t region, const std::string& deltaText);
std::string WallDeltaOnMinus(const Job& job, size_t region);

std::optional<Box> BeginMoveScaleRotate(const Job& job, MoveScaleRotateState& state);
std::optional<Box> ApplyMoveScaleRotate(Job& job, MoveScaleRotateState& state, double cornerX, double cornerY,
                                        double scale, double angleDegrees);

}  // namespace tibrel
