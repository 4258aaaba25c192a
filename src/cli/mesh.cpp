#include "cli/mesh.h"

#include "cli/arguments.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/json.h"
#include "core/program_folder.h"
#include "job/job.h"
#include "job/mesh_commands.h"
#include "job/startup.h"
#include "post/configurations.h"
#include "post/post.h"
#include "core/files.h"
#include "view/model_display.h"
#include "view/raster.h"
#include "view/view.h"

namespace tibrel::cli {

namespace {

volatile std::sig_atomic_t meshInterrupted = 0;

void OnMeshInterrupt(int) { meshInterrupted = 1; }

// Ctrl-C as Esc: the long passes see the job's cancel flag at their next
// progress point.
class InterruptAsEsc : public Progress {
 public:
  explicit InterruptAsEsc(Job& job) : job_(job) { std::signal(SIGINT, OnMeshInterrupt); }
  void Pump() override {
    if (meshInterrupted) job_.CancelRequested = 1;
  }

 private:
  Job& job_;
};

int MeshUsage() {
  std::cerr << "usage: tibrel-cli info MODEL.stl [--json]\n"
               "       tibrel-cli prototype MODEL.stl [--config NAME] [--set KEY=VALUE]...\n"
               "                  [--rough-direction x|y] [--finish-direction x|y|none] [--female]\n"
               "                  [--rough-step-y S] [--finish-step-y S]\n"
               "                  [--margin M | --blank X1,Y1,Z1,X2,Y2,Z2] [--post NAME] [--posts FILE]\n"
               "                  -o OUT.nc [--json]\n"
               "  machines the model as the Stl Machining dialog does: the fields from the\n"
               "  configuration (\"LAST\" by default) and the --set keys of Configurations.cfg\n"
               "  (RoughType and FinishType: 0 End, 1 Ball, 2 V).\n"
               "       tibrel-cli render MODEL.stl [--operation prototype [prototype's field options]]\n"
               "                  [--view 2d|3d] [--size WxH] -o OUT.png\n"
               "  draws the model (and the 3D toolpaths) as the view does; prints the view's status.\n";
  return 2;
}

bool Start(Job& job) {
  try {
    StartUp(job);
    return true;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

bool Open(Job& job, const std::string& path, MeshOpenResult& res) {
  res = OpenStlFile(job, path);
  if (!res.Error.empty()) std::cerr << res.Error << "\n";
  if (!res.Loaded) std::cerr << (res.Error.empty() && !res.Cancelled ? "No facets found in " + path : res.Status)
                             << "\n";
  return res.Loaded;
}

std::string ModelJson(const Job& job, const MeshOpenResult& res, const std::string& message) {
  const TExtents& x = job.DrawingExtents;
  return "{\"message\": " + JsonString(message) + ", \"triangles\": " + std::to_string(job.Mesh.size()) +
         ", \"binary\": " + (res.Binary ? "true" : "false") + ", \"extents\": {\"xmin\": " + JsonNumber(x.XMin) +
         ", \"ymin\": " + JsonNumber(x.YMin) + ", \"zmin\": " + JsonNumber(x.ZMin) + ", \"xmax\": " +
         JsonNumber(x.XMax) + ", \"ymax\": " + JsonNumber(x.YMax) + ", \"zmax\": " + JsonNumber(x.ZMax) + "}";
}

// count numbers separated by commas, nothing else; false otherwise.
bool Numbers(const std::string& text, size_t count, std::vector<double>& out) {
  out.assign(count, 0);
  const char* p = text.c_str();
  for (size_t k = 0; k < count; ++k) {
    char* end = nullptr;
    out[k] = std::strtod(p, &end);
    if (end == p || !std::isfinite(out[k])) return false;
    p = end;
    if (k + 1 < count && *p++ != ',') return false;
  }
  return *p == '\0';
}

int Direction(const std::string& text, bool noneAllowed) {
  if (text == "x" || text == "X") return 1;
  if (text == "y" || text == "Y") return 2;
  if (noneAllowed && (text == "none" || text == "None")) return 0;
  return -1;
}

}  // namespace

bool NamesStlModel(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return !a.empty() && a[0] != '-' && IsStlPath(a); });
}

int MeshInfo(const std::vector<std::string>& args) {
  std::string path;
  bool json = false;
  for (const auto& a : args) {
    if (a == "--json") json = true;
    else if (path.empty() && !a.empty() && a[0] != '-') path = a;
    else return MeshUsage();
  }
  Job job;
  InterruptAsEsc esc(job);
  job.ProgressSink = &esc;
  Start(job);
  MeshOpenResult res;
  if (!Open(job, path, res)) return 1;
  if (json) {
    std::cout << ModelJson(job, res, res.Status) << "}\n";
    return 0;
  }
  const TExtents& x = job.DrawingExtents;
  std::printf("%s\nTris %zu (%s)\nextents %.4f,%.4f,%.4f %.4f,%.4f,%.4f\n", res.Status.c_str(), job.Mesh.size(),
              res.Binary ? "binary" : "ASCII", x.XMin, x.YMin, x.ZMin, x.XMax, x.YMax, x.ZMax);
  return 0;
}

bool PrototypeArguments::Take(const std::vector<std::string>& args, size_t& k) {
  const std::string& a = args[k];
  const bool more = k + 1 < args.size();
  if (a == "--female") female = true;
  else if (a == "--config" && more) config = args[++k];
  else if (a == "--set" && more) sets.push_back(args[++k]);
  else if (a == "--margin" && more && blank.empty()) margin = args[++k];
  else if (a == "--blank" && more && margin.empty()) blank = args[++k];
  else if (a == "--rough-step-y" && more) values.RoughStepY = args[++k];
  else if (a == "--finish-step-y" && more) values.FinishStepY = args[++k];
  else if (a == "--rough-direction" && more) values.RoughDirection = Direction(args[++k], false);
  else if (a == "--finish-direction" && more) values.FinishDirection = Direction(args[++k], true);
  else return false;
  return true;
}

int RunPrototypeArguments(Job& job, PrototypeArguments a, OperationResult& r) {
  if (a.values.RoughDirection < 0 || a.values.FinishDirection < 0) return MeshUsage();
  const std::string configPath = ProgramFile("Configurations.cfg");
  ConfigurationFields fields;
  if (!FieldsFromArguments(OperationDialog::Prototype, a.config, a.sets, fields)) return 2;
  a.values.Blank = job.MachiningParameters.Prototype;
  a.values.Blank.Male = a.female ? 0 : 1;
  std::vector<double> n;
  if (!a.margin.empty()) {
    if (!Numbers(a.margin, 1, n)) return MeshUsage();
    ApplyBlankMargin(job.DrawingExtents, n[0], a.values.Blank);
  } else if (!a.blank.empty()) {
    if (!Numbers(a.blank, 6, n)) return MeshUsage();
    a.values.Blank.BlankX1 = n[0], a.values.Blank.BlankY1 = n[1], a.values.Blank.BlankZ1 = n[2];
    a.values.Blank.BlankX2 = n[3], a.values.Blank.BlankY2 = n[4], a.values.Blank.BlankZ2 = n[5];
  }
  try {
    ApplyPrototypeFields(job, fields, a.values, configPath);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";  // LAST could not be saved: the run goes on
  }
  r = RunPrototype(job);
  if (!r.Message.empty()) std::cerr << r.Message << "\n";
  if (!r.Problem.empty()) std::cerr << r.Problem << "\n";
  if (r.Status == CancelledStatus) std::cerr << r.Status << "\n";
  else if (!r.Made && r.Message.empty() && r.Problem.empty()) std::cerr << "Toolpaths not Created.  Check Parameters.\n";
  return 0;
}

int PrototypeCommand(const std::vector<std::string>& args) {
  std::string path, out, postName, postsFile;
  PrototypeArguments pa;
  bool json = false;
  for (size_t k = 0; k < args.size(); ++k) {
    if (pa.Take(args, k)) continue;
    const std::string& a = args[k];
    const bool more = k + 1 < args.size();
    if (a == "--json") json = true;
    else if (a == "-o" && more) out = args[++k];
    else if (a == "--post" && more) postName = args[++k];
    else if (a == "--posts" && more) postsFile = args[++k];
    else if (path.empty() && !a.empty() && a[0] != '-') path = a;
    else return MeshUsage();
  }
  if (path.empty() || out.empty() || pa.values.RoughDirection < 0 || pa.values.FinishDirection < 0) return MeshUsage();
  Job job;
  InterruptAsEsc esc(job);
  job.ProgressSink = &esc;
  if (!Start(job)) return 2;
  if (!LoadChosenPost(job, postName, postsFile)) return 2;
  MeshOpenResult res;
  if (!Open(job, path, res)) return 1;
  OperationResult r;
  if (const int rc = RunPrototypeArguments(job, pa, r)) return rc;
  const bool write = r.Made && r.Status != CancelledStatus;
  if (write) {
    try {
      SaveToolpaths3D(job, out);
    } catch (const std::exception& e) {
      std::cerr << e.what() << "\n";
      return 1;
    }
  }
  if (json) {
    size_t points = 0;
    for (const auto& l : job.Toolpaths3D) points += l.Points.size();
    std::cout << ModelJson(job, res, r.Message.empty() ? r.Status : r.Message)
              << ", \"layers\": " << job.Toolpaths3D.size() << ", \"points\": " << points << "}\n";
  }
  return write ? 0 : 1;
}

int RenderModel(const std::vector<std::string>& args) {
  std::string path, out, operation, view = "3d";
  int width = 800, height = 600;
  PrototypeArguments pa;
  for (size_t k = 0; k < args.size(); ++k) {
    if (pa.Take(args, k)) continue;
    const std::string& a = args[k];
    const bool more = k + 1 < args.size();
    if (a == "-o" && more) out = args[++k];
    else if (a == "--operation" && more) operation = args[++k];
    else if (a == "--view" && more) view = args[++k];
    else if (a == "--size" && more) {
      if (!ParseSize(args[++k], width, height)) return MeshUsage();
    } else if (path.empty() && !a.empty() && a[0] != '-') path = a;
    else return MeshUsage();
  }
  if (path.empty() || out.empty() || (view != "2d" && view != "3d") ||
      (!operation.empty() && operation != "prototype"))
    return MeshUsage();
  Job job;
  InterruptAsEsc esc(job);
  job.ProgressSink = &esc;
  TTBSettings settings;
  try {
    settings = StartUp(job);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
  MeshOpenResult res;
  if (!Open(job, path, res)) return 1;
  DisplaySettings display;
  display.Colours = settings.View;
  if (!operation.empty()) {
    OperationResult r;
    if (const int rc = RunPrototypeArguments(job, pa, r)) return rc;
    if (!r.Made || r.Status == CancelledStatus) return 1;
    display.Content = ContentToolpaths;
  }
  ViewState v;
  v.Width = width, v.Height = height;
  if (view == "3d") Set3D(v);
  FitView(v, ModelPictureExtents(job.DrawingExtents, job.MachiningParameters.Prototype, job.Toolpaths3D), 20);
  const Display d = BuildDisplay(job, v, display);
  std::cout << d.Status << "\n";
  try {
    WriteFileAtomically(out, EncodePng(Rasterise(d, width, height)));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tibrel::cli
