#include "job/commands.h"

namespace tibrel {

namespace {

// The handle for a command that starts a long pass. An Esc pressed before
// the command (to leave a click mode, say) must not stop the new pass, so
// the cancel flag is cleared first.
PassControl StartPass(Job& job) {
  job.CancelRequested = 0;
  return job.Control();
}

}  // namespace

OperationRecords OperationRecordsOf(Job& job) {
  return {job.Regions,          job.Profiles,         job.MachiningParameters, job.RoughTolerances,
          job.FinishTolerances, job.Toolpaths,        job.Control(),           job.Options.Dir,
          job.Options.PocketDir, job.Options.Trace};
}

CommandResult SelectAllOpen(Job& job) { return SelectAllOpen(job.Regions); }
CommandResult SelectAllClosed(Job& job) { return SelectAllClosed(job.Regions, job.DrawingExtents, StartPass(job)); }
CommandResult SelectAll(Job& job) { return SelectAll(job.Regions, job.DrawingExtents, StartPass(job)); }
CommandResult SelectAllAsIslands(Job& job, double pickDistance) {
  return SelectAllAsIslands(job.Regions, job.DrawingExtents, pickDistance, StartPass(job));
}
CommandResult SelectWindow(Job& job, TTBPoint corner1, TTBPoint corner2) {
  return SelectWindow(job.Regions, job.DrawingExtents, corner1, corner2);
}
CommandResult DeselectWindow(Job& job, TTBPoint corner1, TTBPoint corner2) {
  return DeselectWindow(job.Regions, corner1, corner2);
}
CommandResult SelectRegionAt(Job& job, TTBPoint p, double pickDistance) {
  return SelectRegionAt(job.Regions, job.DrawingExtents, p, pickDistance);
}
CommandResult DeselectRegionAt(Job& job, TTBPoint p, double pickDistance) {
  return DeselectRegionAt(job.Regions, p, pickDistance);
}
CommandResult SelectSingleAt(Job& job, TTBPoint p, double pickDistance) {
  return SelectSingleAt(job.Regions, job.DrawingExtents, p, pickDistance);
}
CommandResult DeselectSingleAt(Job& job, TTBPoint p, double pickDistance) {
  return DeselectSingleAt(job.Regions, p, pickDistance);
}
CommandResult SingleBoundaryAt(Job& job, TTBPoint p, double pickDistance) {
  return SingleBoundaryAt(job.Regions, p, pickDistance);
}
CommandResult SingleIslandAt(Job& job, TTBPoint p, double pickDistance) {
  return SingleIslandAt(job.Regions, p, pickDistance, StartPass(job), job.SingleIslandBoundary);
}
CommandResult SelectEmptyCircles(Job& job) { return SelectEmptyCircles(job.Regions); }
CommandResult DeselectEmptyCircles(Job& job) { return DeselectEmptyCircles(job.Regions); }
CommandResult DeselectAll(Job& job) { return DeselectAll(job.Regions, job.Control()); }
CommandResult DeselectAllOpen(Job& job) { return DeselectAllOpen(job.Regions); }
CommandResult DeselectAllClosed(Job& job) { return DeselectAllClosed(job.Regions); }
CommandResult SelectRegionNumber(Job& job, size_t k) { return SelectRegionNumber(job.Regions, job.DrawingExtents, k); }
CommandResult SelectSingleNumber(Job& job, size_t k) { return SelectSingleNumber(job.Regions, job.DrawingExtents, k); }
CommandResult SingleBoundaryNumber(Job& job, size_t k) { return SingleBoundaryNumber(job.Regions, k); }
CommandResult SingleIslandNumbers(Job& job, size_t boundary, size_t island) {
  return SingleIslandNumbers(job.Regions, boundary, island);
}
CommandResult BeginMachiningOrder(Job& job, int startAt) {
  return BeginMachiningOrder(job.Regions, startAt, job.NextOrderNumber, StartPass(job));
}
CommandResult MachiningOrderPick(Job& job, size_t k) {
  return MachiningOrderPick(job.Regions, k, job.NextOrderNumber, job.Control());
}
CommandResult MachiningOrderClick(Job& job, TTBPoint p, double pickDistance) {
  return MachiningOrderClick(job.Regions, p, pickDistance, job.NextOrderNumber, job.Control());
}
CommandResult SetMachiningOrder(Job& job, int startAt, const std::vector<size_t>& numbers) {
  return SetMachiningOrder(job.Regions, startAt, numbers, job.NextOrderNumber, StartPass(job));
}

CommandResult DeleteSelectedRegions(Job& job) { return DeleteSelectedRegions(job.Regions, job.DrawingExtents); }
CommandResult ReverseSelectedRegions(Job& job) { return ReverseSelectedRegions(job.Regions); }
CommandResult ChangeFirstEntityAt(Job& job, TTBPoint p, double pickDistance) {
  return ChangeFirstEntityAt(job.Regions, p, pickDistance);
}
CommandResult ExplodeSelected(Job& job) { return ExplodeSelected(job.Regions); }
CommandResult JoinSelected(Job& job) { return JoinSelected(job.Regions, job.Options.Dir); }
CommandResult CombineSelected(Job& job) { return CombineSelected(job.Regions); }
CommandResult ApplyDepths(Job& job, const std::string& depthText, DepthTarget target, const std::string& regionText) {
  return ApplyDepths(job.Regions, depthText, target, regionText);
}
CommandResult ApplyWall(Job& job, const std::string& regionText, const std::string& profileText,
                        const std::string& deltaText) {
  return ApplyWall(job.Regions, regionText, profileText, deltaText);
}
std::string WallDeltaOnEnter(const Job& job, size_t region, const std::string& deltaText) {
  return WallDeltaOnEnter(job.Regions, region, deltaText);
}
std::string WallDeltaOnMinus(const Job& job, size_t region) { return WallDeltaOnMinus(job.Regions, region); }

std::optional<Box> BeginMoveScaleRotate(const Job& job, MoveScaleRotateState& state) {
  return BeginMoveScaleRotate(job.Regions, state);
}
std::optional<Box> ApplyMoveScaleRotate(Job& job, MoveScaleRotateState& state, double cornerX, double cornerY,
                                        double scale, double angleDegrees) {
  return ApplyMoveScaleRotate(job.Regions, job.DrawingExtents, state, cornerX, cornerY, scale, angleDegrees);
}

}  // namespace tibrel
