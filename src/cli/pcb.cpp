#include "cli/pcb.h"

#include "cli/arguments.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "core/program_folder.h"
#include "job/commands.h"
#include "job/open_gerber.h"
#include "job/pcb.h"

namespace tibrel::cli {

namespace {

bool forceGerber = false;

// The pick distance of the view at its usual scale, as the other commands use.
constexpr double PickDistance = 0.1;

int PcbUsage() {
  std::cerr << "usage: tibrel-cli pcb BOARD [--config NAME] [--set KEY=VALUE]... [--depth D] [--post NAME]\n"
               "                  [--posts FILE] [--units mm|inch] -o OUT.nc [--dxf OUT.dxf] [--json] [--gerber]\n"
               "  opens the board (Gerber by extension or --gerber, else DXF), selects All as Islands (PCB)\n"
               "  and routes round the copper with the PCB Route fields (configuration \"LAST\" by default,\n"
               "  then --set: RoughDiameter, RoughFeed, RoughPlunge, RoughRPM, RapidHeight, RoughTool,\n"
               "  RoughName, StartAt, Increment); --depth is the Route Depth (1 unless given).\n";
  return 2;
}

// The PCB Route fields from the configuration and the --set keys, applied
// and saved as "LAST". False for a key the board dialog does not have.
bool ApplyFields(Job& job, const std::string& config, const std::vector<std::string>& sets, const std::string& depth) {
  const std::string configPath = ProgramFile("Configurations.cfg");
  ConfigurationFields fields;
  if (!FieldsFromArguments(OperationDialog::PcBoard, config, sets, fields)) return false;
  try {
    ApplyPcbFields(job, fields, depth, configPath);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";  // LAST could not be saved: the run goes on
  }
  return true;
}

// All as Islands (PCB), the fields, the command; its messages on stderr.
OperationResult Route(Job& job) {
  if (job.Regions.empty() || job.Regions[0].IslandOf == 0) {
    const CommandResult s = SelectAllAsIslands(job, PickDistance);
    if (!s.Status.empty()) std::cerr << s.Status << "\n";
  }
  const OperationResult r = RunPcBoard(job);
  if (!r.Message.empty()) std::cerr << r.Message << "\n";
  if (!r.Problem.empty()) std::cerr << r.Problem << "\n";
  if (r.Made || !r.Message.empty()) return r;
  if (r.Status == CancelledStatus) std::cerr << r.Status << "\n";
  else std::cerr << NoToolpathsMessage << "\n";
  return r;
}

}  // namespace

void TakeGerberFlag(std::vector<std::string>& args) {
  const auto end = std::remove(args.begin(), args.end(), std::string("--gerber"));
  if (end != args.end()) forceGerber = true;
  args.erase(end, args.end());
}

OpenResult OpenBoardOrDrawing(Job& job, const std::string& path) {
  return forceGerber || IsGerberPath(path) ? OpenGerberFile(job, path) : OpenDxfFile(job, path);
}

bool RoutePcbForRender(Job& job, const std::string& config, const std::vector<std::string>& sets,
                       const std::string& depth, bool& bad) {
  bad = !ApplyFields(job, config, sets, depth);
  return !bad && Route(job).Made;
}

int Pcb(const std::vector<std::string>& args, const PcbHooks& hooks) {
  std::string path, config = LastConfiguration, depth = "1", postName, postsFile, units, out, dxf;
  std::vector<std::string> sets;
  bool json = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    const bool more = k + 1 < args.size();
    if (a == "--config" && more) config = args[++k];
    else if (a == "--set" && more) sets.push_back(args[++k]);
    else if (a == "--depth" && more) depth = args[++k];
    else if (a == "--post" && more) postName = args[++k];
    else if (a == "--posts" && more) postsFile = args[++k];
    else if (a == "--units" && more) units = args[++k];
    else if (a == "-o" && more) out = args[++k];
    else if (a == "--dxf" && more) dxf = args[++k];
    else if (a == "--json") json = true;
    else if (path.empty() && (a.empty() || a[0] != '-')) path = a;
    else return PcbUsage();
  }
  const std::optional<Units> unit = ParseUnits(units);
  if (path.empty() || out.empty() || (!units.empty() && !unit)) return PcbUsage();
  Job job;
  TTBSettings settings;
  if (!hooks.StartProgram(job, settings)) return 2;
  if (!LoadChosenPost(job, postName, postsFile)) return 2;
  const OpenResult open = OpenBoardOrDrawing(job, path);
  for (const auto& n : open.Notices) std::cerr << n << "\n";
  if (!open.Error.empty()) std::cerr << open.Error << "\n";
  if (!open.Loaded) return 1;
  if (unit) job.DrawingUnits = *unit;
  if (!ApplyFields(job, config, sets, depth)) return 2;
  const OperationResult r = Route(job);
  const std::string message = !r.Message.empty() ? r.Message : r.Made ? r.Status : NoToolpathsMessage;
  const bool write = r.Made && r.Status != CancelledStatus;
  if (write && !hooks.WriteOutputs(job, path, out, dxf)) return 1;
  if (json) hooks.PrintRegionsJson(job, open.Status, hooks.ToolpathsJson(job, message));
  return write ? 0 : 1;
}

}  // namespace tibrel::cli
