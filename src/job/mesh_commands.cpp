#include "job/mesh_commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>

#include "job/open_drawing.h"
#include "mesh/prototype.h"
#include "mesh/stl_reader.h"
#include "post/nc_writer.h"

namespace tibrel {

namespace {

// Grids beyond this many heights take gigabytes; no blank a small machine
// cuts needs them.
constexpr double MaxGridPoints = 1e8;
// More layers than this are a Z step typed wrong, not a job.
constexpr double MaxLayers = 1e5;

std::string Field(const ConfigurationFields& f, const char* key) {
  const auto it = f.find(key);
  return it == f.end() ? std::string() : it->second;
}
double Number(const ConfigurationFields& f, const char* key) { return FieldNumber(Field(f, key)); }
int32_t Whole(double v) { return static_cast<int32_t>(std::clamp(std::nearbyint(v), -2147483647.0, 2147483647.0)); }

void ApplyTool(TTBTool& t, const ConfigurationFields& f, const char* prefix, const std::string& stepY,
               int32_t direction) {
  const std::string p = prefix;
  auto key = [&](const char* name) { return p + name; };
  t.ToolNumber = Whole(Number(f, key("Tool").c_str()));
  SetToolName(t, Field(f, key("Name").c_str()));
  t.Radius = Number(f, key("Diameter").c_str()) / 2;
  t.XYStep = Number(f, key("StepXY").c_str());
  t.YStep = stepY.empty() ? t.XYStep : FieldNumber(stepY);
  t.ZStep = Number(f, key("StepZ").c_str());
  t.FeedRate = Number(f, key("Feed").c_str());
  t.SpindleRPM = Whole(Number(f, key("RPM").c_str()));
  const int32_t type = Whole(Number(f, key("Type").c_str()));
  t.ToolType = type >= CutterEnd && type <= CutterV ? type : CutterEnd;
  t.Angle = t.ToolType == CutterV ? std::nearbyint(Number(f, key("Angle").c_str())) : 0;
  t.Direction = direction;
}

bool Negative(double v) { return !(v >= 0); }

std::string ToolProblem(const TTBTool& t, const char* name) {
  const std::string n = name;
  if (Negative(t.Radius) || Negative(t.XYStep) || Negative(t.YStep) || Negative(t.ZStep) || Negative(t.FeedRate))
    return "a " + n + " field holds a negative number";
  if (!(t.FeedRate > 0)) return n + "Feed must be greater than 0";
  if (!(t.Radius > 0)) return n + "Diameter must be greater than 0";
  if (t.ToolType == CutterV && !(t.Angle > 0 && t.Angle < 180)) return n + "Angle must lie between 0 and 180";
  return "";
}

double GridPoints(const TTBPrototypeParameters& b, const TTBTool& t) {
  return (std::trunc((b.BlankX2 - b.BlankX1) / t.XYStep) + 2) * (std::trunc((b.BlankY2 - b.BlankY1) / t.YStep) + 2);
}

}  // namespace

bool IsStlPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (auto& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext == ".STL";
}

MeshOpenResult OpenStlData(Job& job, std::string_view data, const std::string& name) {
  MeshOpenResult res;
  job.CommandMode = ModeStlLoading;
  job.CancelRequested = 0;
  TTBTriangleArray mesh;
  StlReadResult read;
  try {
    read = ReadStl(data, mesh, job.Control());
  } catch (const StlError& e) {
    res.Error = e.what();
  }
  res.Binary = read.Binary;
  res.Cancelled = read.Cancelled;
  res.Status = read.Cancelled ? CancelledStatus : ReadyStatus;
  job.CommandMode = ModeIdle;
  if (read.Triangles == 0 || read.Cancelled || !res.Error.empty()) return res;
  job.Mesh = std::move(mesh);
  job.ModelLoaded = 1;
  job.DrawingName = name;
  // An STL file names no unit: the option for drawings without one decides.
  job.DrawingUnits = job.Options.DefaultUnits;
  job.Regions = EmptyRegionList();
  job.Toolpaths = EmptyToolpathList();
  job.Toolpaths3D.clear();
  job.ZGrid = TTBZGrid{};
  PlaceLoadedMesh(job.Mesh, job.Options.STLDepth, job.DrawingExtents, job.MachiningParameters.Prototype);
  res.Loaded = true;
  res.Triangles = job.Mesh.size();
  return res;
}

MeshOpenResult OpenStlFile(Job& job, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    MeshOpenResult r;
    r.Error = "Cannot open file " + path;
    r.Status = ReadyStatus;
    return r;
  }
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return OpenStlData(job, data, DrawingNameOf(path));
}

PrototypeDialogValues DefaultPrototypeValues(const Job& job) {
  PrototypeDialogValues v;
  v.Blank = job.MachiningParameters.Prototype;
  return v;
}

void ApplyBlankMargin(const TExtents& e, double margin, TTBPrototypeParameters& b) {
  b.BlankX1 = e.XMin - margin, b.BlankX2 = e.XMax + margin;
  b.BlankY1 = e.YMin - margin, b.BlankY2 = e.YMax + margin;
}

void ApplyPrototypeFields(Job& job, const ConfigurationFields& f, const PrototypeDialogValues& v,
                          const std::string& configPath) {
  TTBMachiningParameters& p = job.MachiningParameters;
  p.RapidHeight = Number(f, "RapidHeight");
  job.CurrentPost.Start = Whole(Number(f, "StartAt"));
  const int32_t inc = Whole(Number(f, "Increment"));
  job.CurrentPost.Increment = inc == 0 ? 1 : inc;
  p.Prototype = v.Blank;
  p.Depth = p.DepthCopy = v.Blank.BlankZ1;
  ApplyTool(p.Rough, f, "Rough", v.RoughStepY, v.RoughDirection == 2 ? 2 : 1);
  ApplyTool(p.Finish, f, "Finish", v.FinishStepY, v.FinishDirection >= 0 && v.FinishDirection <= 2 ? v.FinishDirection : 0);
  p.Rough.PlungeRate = p.Finish.PlungeRate = Number(f, "RoughPlunge");
  p.Rough.StockToLeave = p.Finish.StockToLeave = Number(f, "StockToLeave");
  p.Compensation = 0;
  p.FinishMode = p.Finish.Direction != 0 ? 1 : 0;
  if (!configPath.empty()) SaveConfigurationFile(configPath, LastConfiguration, OperationDialog::Prototype, f);
}

std::string PrototypeProblem(const TTBMachiningParameters& p) {
  if (Negative(p.RapidHeight) || Negative(p.Rough.StockToLeave)) return "a field holds a negative number";
  if (!(p.Rough.PlungeRate > 0)) return "RoughPlunge must be greater than 0";
  std::string problem = ToolProblem(p.Rough, "Rough");
  if (!problem.empty()) return problem;
  const TTBPrototypeParameters& b = p.Prototype;
  if (!(b.BlankX2 >= b.BlankX1 && b.BlankY2 >= b.BlankY1 && b.BlankZ2 >= b.BlankZ1))
    return "the blank's second corner must not lie below its first";
  if (b.BlankZ1 >= 0) return "the blank's Z1 must lie below the stock top (Z 0)";
  auto stepProblem = [&](const TTBTool& t, const char* name) -> std::string {
    if (!(t.XYStep > 0) || !(t.YStep > 0)) return std::string(name) + "StepXY must be greater than 0";
    if (GridPoints(b, t) > MaxGridPoints) return std::string(name) + "StepXY makes a grid of more than 100000000 points";
    if (-b.BlankZ1 / t.ZStep > MaxLayers) return std::string(name) + "StepZ makes more than 100000 layers";
    return "";
  };
  if (p.Rough.Direction != 0 && !(problem = stepProblem(p.Rough, "Rough")).empty()) return problem;
  if (p.Finish.Direction != 0 && p.Finish.ZStep > 0) {
    if (!(problem = ToolProblem(p.Finish, "Finish")).empty()) return problem;
    if (!(problem = stepProblem(p.Finish, "Finish")).empty()) return problem;
  }
  return "";
}

OperationResult RunPrototype(Job& job) {
  OperationResult r;
  job.CancelRequested = 0;
  const TTBMachiningParameters& p = job.MachiningParameters;
  if (!(p.Rough.ZStep > 0)) return r;
  job.Toolpaths3D.clear();
  job.Toolpaths = EmptyToolpathList();
  r.Problem = PrototypeProblem(p);
  if (!r.Problem.empty()) {
    r.Message = NoToolpathsMessage;
    r.Status = ReadyStatus;
    return r;
  }
  job.CommandMode = ModePrototype;
  const PrototypeRun run =
      MachinePrototype(job.Mesh, p, job.RoughTolerances.TanDeviance, job.ZGrid, job.Toolpaths3D, job.Control());
  if (run.DisplayTotal) r.Message = DisplayLimitMessage(run.DisplayTotal);
  r.Made = !job.Toolpaths3D.empty() && !job.Toolpaths3D.front().Points.empty();
  r.Status = job.CommandMode == ModeIdle || run.Cancelled ? CancelledStatus : ReadyStatus;
  job.CommandMode = ModeIdle;
  return r;
}

void FlipJobModel(Job& job) { FlipModel(job.Mesh, job.DrawingExtents, job.MachiningParameters.Prototype); }

void MoveJobModel(Job& job, double scale, int axis, double degrees, double left, double bottom, double top) {
  ApplyMeshPlacement(job.Mesh, scale, axis, degrees, left, bottom, top, job.DrawingExtents,
                     job.MachiningParameters.Prototype);
}

void SaveToolpaths3D(const Job& job, const std::string& fileName) {
  WriteNcProgram3D(job.Toolpaths3D,
                   NcCommentLines(job.CurrentPost, job.MachiningParameters, job.DrawingName, std::time(nullptr),
                                  job.DrawingUnits),
                   job.MachiningParameters, job.CurrentPost, job.DrawingUnits, fileName);
}

}  // namespace tibrel
