#include "job/pcb.h"

#include <algorithm>
#include <cmath>

#include "toolpath/pcb.h"

namespace tibrel {

namespace {

std::string Field(const ConfigurationFields& f, const char* key) {
  const auto it = f.find(key);
  return it == f.end() ? std::string() : it->second;
}

double Number(const ConfigurationFields& f, const char* key) { return FieldNumber(Field(f, key)); }

int32_t Whole(const ConfigurationFields& f, const char* key) {
  return static_cast<int32_t>(std::clamp(std::nearbyint(Number(f, key)), -2147483647.0, 2147483647.0));
}

}  // namespace

void ApplyPcbFields(Job& job, const ConfigurationFields& f, const std::string& depthText, const std::string& configPath) {
  TTBMachiningParameters& p = job.MachiningParameters;
  p.Depth = p.DepthCopy = FieldNumber(depthText);
  p.RapidHeight = Number(f, "RapidHeight");
  p.Coolant = 0;
  p.Rough.ToolNumber = Whole(f, "RoughTool");
  SetToolName(p.Rough, Field(f, "RoughName"));
  p.Rough.Radius = Number(f, "RoughDiameter") / 2;
  p.Rough.ZStep = p.Rough.Radius;
  p.Rough.SpindleRPM = Whole(f, "RoughRPM");
  p.Rough.FeedRate = Number(f, "RoughFeed");
  p.Rough.PlungeRate = p.Finish.PlungeRate = Number(f, "RoughPlunge");
  ClearFinishTool(p);
  p.Compensation = 3;
  p.EntryType = p.ExitType = 0;
  p.EntryLength = p.ExitLength = 0;
  job.CurrentPost.Start = Whole(f, "StartAt");
  const int32_t inc = Whole(f, "Increment");
  job.CurrentPost.Increment = inc == 0 ? 1 : inc;
  if (!configPath.empty()) SaveConfigurationFile(configPath, LastConfiguration, OperationDialog::PcBoard, f);
}

std::string PcbParameterProblem(const TTBMachiningParameters& p) {
  const TTBTool& r = p.Rough;
  if (!(p.Depth >= 0) || !(p.RapidHeight >= 0) || !(r.Radius >= 0) || !(r.FeedRate >= 0) || !(r.PlungeRate >= 0))
    return "a field holds a negative number";
  if (!(r.Radius > 0)) return "RoughDiameter must be greater than 0";
  if (!(r.FeedRate > 0)) return "RoughFeed must be greater than 0";
  if (!(r.PlungeRate > 0)) return "RoughPlunge must be greater than 0";
  // Moves between loops are rapids at this height over the board.
  if (!(p.RapidHeight > 0)) return "RapidHeight must be greater than 0";
  return "";
}

std::string PcbPrecondition(const Job& job) {
  if (job.Regions.empty() || job.Regions[0].IslandOf == 0) return UseAllAsIslandsMessage;
  if (!AnythingSelected(job)) return NothingSelectedMessage;
  return "";
}

OperationResult RunPcBoard(Job& job) {
  job.CancelRequested = 0;
  if (const std::string m = PcbPrecondition(job); !m.empty()) return {m, "", false, ""};
  job.Toolpaths = EmptyToolpathList();
  const std::string problem = PcbParameterProblem(job.MachiningParameters);
  if (!problem.empty()) return {NoToolpathsMessage, RoutingCompleteStatus, false, problem};
  job.CommandMode = ModePcBoard;
  RoutePCB(job.Regions, job.Toolpaths, job.MachiningParameters, job.Options.Dir ? 1 : 0, job.RoughTolerances,
           static_cast<int32_t>(job.Regions[0].IslandOf), job.Control());
  OperationResult r;
  r.Made = job.Toolpaths.size() > 1;
  r.Status = job.CommandMode == ModeIdle ? CancelledStatus : RoutingCompleteStatus;
  job.CommandMode = ModeIdle;
  return r;
}

}  // namespace tibrel
