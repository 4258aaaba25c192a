#include "job/operations.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "job/commands.h"
#include "toolpath/contour.h"
#include "toolpath/drill.h"
#include "toolpath/pocket.h"

namespace tibrel {

namespace {

// Steps below this are no step any machine makes; a pocket walked with one
// would never end.
constexpr double MinimumStep = 0.0001;

std::string Field(const ConfigurationFields& f, const char* key) {
  const auto it = f.find(key);
  return it == f.end() ? std::string() : it->second;
}

double Number(const ConfigurationFields& f, const char* key) { return FieldNumber(Field(f, key)); }

int32_t Whole(const ConfigurationFields& f, const char* key) {
  const double v = std::nearbyint(Number(f, key));
  return static_cast<int32_t>(std::clamp(v, -2147483647.0, 2147483647.0));
}

int32_t LeadType(const std::string& choice) {
  if (choice == "None") return 0;
  if (choice == "Arc") return 1;
  if (choice == "Perpendicular") return 2;
  return 3;
}

void ApplyLeads(TTBMachiningParameters& p, const ConfigurationFields& f) {
  p.EntryType = LeadType(ConfigurationChoice("Entry", Field(f, "Entry")));
  p.ExitType = LeadType(ConfigurationChoice("Exit", Field(f, "Exit")));
  p.EntryLength = p.EntryType == 0 ? 0 : Number(f, "EntryLength");
  p.ExitLength = p.ExitType == 0 ? 0 : Number(f, "ExitLength");
}

void ApplyCommon(Job& job, const ConfigurationFields& f, const std::string& depthText) {
  TTBMachiningParameters& p = job.MachiningParameters;
  p.Depth = p.DepthCopy = FieldNumber(depthText);
  p.RapidHeight = Number(f, "RapidHeight");
  p.Coolant = Field(f, "Coolant") == "On" ? 7 : 0;
  p.Rough.ToolNumber = Whole(f, "RoughTool");
  SetToolName(p.Rough, Field(f, "RoughName"));
  p.Rough.Radius = Number(f, "RoughDiameter") / 2;
  p.Rough.SpindleRPM = Whole(f, "RoughRPM");
  p.Rough.PlungeRate = p.Finish.PlungeRate = Number(f, "RoughPlunge");
  job.CurrentPost.Start = Whole(f, "StartAt");
  const int32_t inc = Whole(f, "Increment");
  job.CurrentPost.Increment = inc == 0 ? 1 : inc;
}

bool Negative(double v) { return !(v >= 0); }

OperationResult Finish(Job& job) {
  OperationResult r;
  r.Made = job.Toolpaths.size() > 1;
  const bool cancelled = job.CommandMode == ModeIdle;
  // A pass the user stopped is told in the status bar only: its parameters
  // were not at fault.
  if (!r.Made && !cancelled) r.Message = NoToolpathsMessage;
  r.Status = cancelled ? CancelledStatus : ReadyStatus;
  job.CommandMode = ModeIdle;
  return r;
}

}  // namespace

double FieldNumber(const std::string& text) {
  std::string t;
  for (char c : text)
    if (c != ' ' && c != '\t') t += c == ',' ? '.' : c;
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  double v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return 0;
  return v;
}

void ApplyOperationFields(Job& job, OperationDialog dialog, const ConfigurationFields& f, const std::string& depthText) {
  TTBMachiningParameters& p = job.MachiningParameters;
  ApplyCommon(job, f, depthText);
  if (dialog == OperationDialog::Drill) {
    p.Rough.FeedRate = p.Rough.PlungeRate;
    p.DrillCycle = ConfigurationChoice("Linear", Field(f, "Linear")) == "True" ? 0 : 1;
    p.Compensation = 0;
    return;
  }
  p.Rough.ZStep = Number(f, "RoughStepZ");
  p.Rough.StockToLeave = p.Finish.StockToLeave = Number(f, "StockToLeave");
  p.Rough.FeedRate = Number(f, "RoughFeed");
  const bool finishing = ConfigurationChoice("FinishPass", Field(f, "FinishPass")) == "True";
  const std::string finishChoice = ConfigurationChoice("Finish", Field(f, "Finish"));
  if (finishing) {
    p.Finish.ToolNumber = Whole(f, "FinishTool");
    SetToolName(p.Finish, Field(f, "FinishName"));
    p.Finish.Radius = Number(f, "FinishDiameter") / 2;
    p.Finish.SpindleRPM = Whole(f, "FinishRPM");
    p.Finish.FeedRate = Number(f, "FinishFeed");
    p.Finish.ZStep = Number(f, "FinishStepZ");
    p.Finish.XYStep = dialog == OperationDialog::Pocket ? Number(f, "FinishStepXY") : 0;
    p.FinishMode = dialog == OperationDialog::Contour ? 1 : finishChoice == "Islands" ? 1 : finishChoice == "Boundaries" ? 2 : 3;
  } else {
    ClearFinishTool(p);
  }
  ApplyLeads(p, f);
  if (dialog == OperationDialog::Pocket) {
    p.Rough.XYStep = Number(f, "RoughStepXY");
    p.Compensation = 0;
    p.FloorStock = finishChoice == "Both" ? p.Rough.StockToLeave : 0;
  } else {
    const std::string comp = ConfigurationChoice("Compensation", Field(f, "Compensation"));
    p.Compensation = comp == "None" ? 0 : comp == "Right" ? 1 : comp == "Left" ? 2 : 3;
  }
}

void ApplyOperationFields(Job& job, OperationDialog dialog, const ConfigurationFields& fields,
                          const std::string& depthText, const std::string& configPath) {
  ApplyOperationFields(job, dialog, fields, depthText);
  if (!configPath.empty()) SaveConfigurationFile(configPath, LastConfiguration, dialog, fields);
}

std::string ParameterProblem(const TTBMachiningParameters& p, OperationDialog dialog) {
  const TTBTool& r = p.Rough;
  if (Negative(p.Depth) || Negative(p.RapidHeight) || Negative(r.Radius) || Negative(r.ZStep) ||
      Negative(r.StockToLeave) || Negative(r.FeedRate) || Negative(r.PlungeRate) || Negative(r.XYStep))
    return "a field holds a negative number";
  // A feed of 0 is refused by controllers or leaves the cutter standing in
  // the work; every pass that runs needs its cutting and plunge feeds.
  if (!(r.PlungeRate > 0)) return "RoughPlunge must be greater than 0";
  if (dialog != OperationDialog::Drill && !(r.FeedRate > 0)) return "RoughFeed must be greater than 0";
  if (p.FinishMode > 0) {
    const TTBTool& f = p.Finish;
    if (Negative(f.Radius) || Negative(f.ZStep) || Negative(f.XYStep) || Negative(f.FeedRate))
      return "a finish field holds a negative number";
    const bool finishRuns = dialog == OperationDialog::Pocket ? f.Radius > 0 : p.Compensation < 3;
    if (finishRuns && !(f.FeedRate > 0)) return "FinishFeed must be greater than 0";
    if (dialog == OperationDialog::Pocket && p.FinishMode == 3 && f.StockToLeave > 0 && f.XYStep < MinimumStep)
      return "FinishStepXY is too small";
  }
  if (dialog == OperationDialog::Pocket) {
    if (!(r.Radius > 0)) return "RoughDiameter must be greater than 0";
    if (r.XYStep != 0 && r.XYStep < MinimumStep) return "RoughStepXY is too small";
  }
  if (Negative(p.EntryLength) || Negative(p.ExitLength)) return "a lead length is negative";
  return "";
}

bool UsableParameters(const TTBMachiningParameters& p, OperationDialog dialog) {
  return ParameterProblem(p, dialog).empty();
}

bool AnythingSelected(const Job& job) {
  for (size_t i = 1; i < job.Regions.size(); ++i)
    if (job.Regions[i].Selected) return true;
  return false;
}

OperationResult RunOperation(Job& job, OperationDialog which) {
  job.CancelRequested = 0;
  if (!AnythingSelected(job)) return {NothingSelectedMessage, "", false, ""};
  const std::string problem = ParameterProblem(job.MachiningParameters, which);
  if (!problem.empty()) {
    job.Toolpaths = EmptyToolpathList();
    return {NoToolpathsMessage, ReadyStatus, false, problem};
  }
  // Islands become independent profiles unless a contour cuts them out.
  if (which == OperationDialog::Contour && job.MachiningParameters.Compensation < 3)
    for (size_t i = 1; i < job.Regions.size(); ++i)
      if (job.Regions[i].Selected) job.Regions[i].IslandOf = 0;
  ApplyTypedDepth(job.Regions, job.MachiningParameters.Depth);
  // A pocket, and a contour that cuts shapes out, take the inside of a
  // closed region from the default direction: a region the user reversed
  // would be machined on its wrong side, through the part. Such regions run
  // in the default direction for the pass and are turned back after it.
  std::vector<size_t> turned;
  if (which == OperationDialog::Pocket ||
      (which == OperationDialog::Contour && job.MachiningParameters.Compensation == 3))
    for (size_t i = 1; i < job.Regions.size(); ++i) {
      TTBRegion& r = job.Regions[i];
      if (r.Selected && !r.IsOpen && (r.Clockwise != 0) != (job.Options.Dir != 0)) {
        ReverseRegion(r);
        turned.push_back(i);
      }
    }
  const OperationRecords ops = OperationRecordsOf(job);
  switch (which) {
    case OperationDialog::Pocket:
      job.CommandMode = ModePocket;
      PocketRough(ops);
      PocketFinish(ops);
      break;
    case OperationDialog::Contour:
      job.CommandMode = ModeContour;
      ContourRough(ops);
      ContourFinish(ops);
      break;
    default:
      job.CommandMode = ModeDrill;
      GenerateDrillToolpaths(ops);
      break;
  }
  for (size_t i : turned) ReverseRegion(job.Regions[i]);
  return Finish(job);
}

}  // namespace tibrel
