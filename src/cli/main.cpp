// tibrel-cli: the command-line front end over the core library.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/help.h"
#include "cli/json.h"
#include "cli/arguments.h"
#include "cli/mesh.h"
#include "cli/nc.h"
#include "cli/text.h"
#include "job/job.h"
#include "job/open_drawing.h"
#include "core/files.h"
#include "core/ini.h"
#include "view/raster.h"
#include "view/view.h"
#include "core/program_folder.h"
#include "dxf/writer.h"
#include "job/commands.h"
#include "post/configurations.h"
#include "post/nc_writer.h"
#include "post/options.h"
#include "post/post.h"
#include "job/startup.h"
#include "job/operations.h"
#include "cli/pcb.h"

namespace {

using namespace tibrel;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// A progress bar on stderr (only when stderr is a terminal) and Ctrl-C as
// the cancel request.
class CliProgress : public Progress {
 public:
  CliProgress(Job& job, bool show) : job_(job), show_(show) {}
  void Begin(const std::string& caption, int64_t total) override {
    caption_ = caption;
    total_ = total;
    last_ = -1;
  }
  void Advance(int64_t done) override {
    if (!show_ || total_ <= 0) return;
    const int pct = static_cast<int>(100 * done / total_);
    if (pct == last_) return;
    last_ = pct;
    std::fprintf(stderr, "\r%s %3d%%", caption_.c_str(), pct);
  }
  void End() override {
    if (show_ && last_ >= 0) std::fprintf(stderr, "\r%*s\r", static_cast<int>(caption_.size()) + 6, "");
    last_ = -1;
  }
  void Pump() override {
    if (interrupted) job_.CancelRequested = 1;
  }

 private:
  Job& job_;
  bool show_;
  std::string caption_;
  int64_t total_ = 0;
  int last_ = -1;
};

int Usage() {
  std::cerr << "usage: tibrel-cli info DRAWING [--json] [--order N,M,...] [--select RULE]...\n"
               "  rules: all, all-open, all-closed, pcb, empty-circles, window:X1,Y1,X2,Y2,\n"
               "         region:N, single:N, boundary:N, island:B,N, deselect-all\n"
               "  --order runs first (it clears the selection), then the rules in order.\n"
               "       tibrel-cli export-dxf DRAWING -o OUT.dxf\n"
               "  writes the drawing's regions as a DXF file (Save Geometry DXF).\n"
               "       tibrel-cli pocket|contour|drill DRAWING --select RULE... [--config NAME]\n"
               "                  [--set KEY=VALUE]... [--depth D] [--post NAME] [--posts FILE]\n"
               "                  [--units mm|inch] -o OUT.nc [--dxf OUT.dxf] [--json]\n"
               "  makes toolpaths as the operation's dialog does (fields from the configuration,\n"
               "  \"LAST\" by default, and the --set keys of Configurations.cfg) and writes the NC\n"
               "  program through the post processor. --units says what the drawing's numbers\n"
               "  are in for this run, whatever the file or the options say (nothing is scaled).\n"
               "       tibrel-cli render DRAWING [--select RULE]... [--operation pocket|contour|drill\n"
               "                  [--config NAME] [--set KEY=VALUE]... [--depth D]] [--view 2d|3d]\n"
               "                  [--size WxH] -o OUT.png\n"
               "  draws the drawing (or the operation's toolpaths) as the window's view does.\n"
               "       tibrel-cli pcb BOARD [--config NAME] [--set KEY=VALUE]... [--depth D] [--post NAME]\n"
               "                  -o OUT.nc [--dxf OUT.dxf] [--json]\n"
               "  isolation routing round the copper of a board (render: --operation pcb). Files ending\n"
               "  .gbr .ger .gbx .gtl .gbl .cmp .sol (or any file, with --gerber) are read as Gerber.\n"
            << tibrel::cli::TextUsage;
  return 2;
}

using cli::ParseNumbers;

bool WholeNumbers(const std::vector<double>& v, size_t count) {
  if (v.size() != count) return false;
  for (double x : v)
    if (x < 0 || x != std::floor(x)) return false;
  return true;
}

// Applies one --select rule; false when the rule is not understood.
bool ApplyRule(Job& job, const std::string& rule, CommandResult& res) {
  const size_t colon = rule.find(':');
  const std::string name = rule.substr(0, colon);
  std::vector<double> n;
  if (colon != std::string::npos && !ParseNumbers(rule.substr(colon + 1), n)) return false;
  const bool args = colon != std::string::npos;
  // The pick distance of the view at its usual scale; only the outer
  // boundary search of the board selection uses it here.
  constexpr double pick = 0.1;
  if (!args && name == "all") res = SelectAll(job);
  else if (!args && name == "all-open") res = SelectAllOpen(job);
  else if (!args && name == "all-closed") res = SelectAllClosed(job);
  else if (!args && name == "pcb") res = SelectAllAsIslands(job, pick);
  else if (!args && name == "empty-circles") res = SelectEmptyCircles(job);
  else if (!args && name == "deselect-all") res = DeselectAll(job);
  else if (name == "window" && n.size() == 4) res = SelectWindow(job, {n[0], n[1]}, {n[2], n[3]});
  else if (name == "region" && WholeNumbers(n, 1)) res = SelectRegionNumber(job, static_cast<size_t>(n[0]));
  else if (name == "single" && WholeNumbers(n, 1)) res = SelectSingleNumber(job, static_cast<size_t>(n[0]));
  else if (name == "boundary" && WholeNumbers(n, 1)) res = SingleBoundaryNumber(job, static_cast<size_t>(n[0]));
  else if (name == "island" && WholeNumbers(n, 2))
    res = SingleIslandNumbers(job, static_cast<size_t>(n[0]), static_cast<size_t>(n[1]));
  else return false;
  return true;
}

// Prints what a command tells the user: the message box text on stderr, the
// status text on stderr too (stdout carries the report).
void Tell(const CommandResult& res) {
  if (!res.Message.empty()) std::cerr << res.Message << "\n";
  if (!res.Status.empty()) std::cerr << res.Status << "\n";
}

// Appends v as printf's "%.4f" writes it (std::to_chars with a precision
// is defined to); a report of many regions is written in one piece.
void AppendFixed4(std::string& out, double v) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4);
  out.append(buf, r.ptr);
}

void PrintRegionsText(const Job& job, const std::string& status, bool unitsInDrawing) {
  std::string out = status + "\n" + UnitsMessage(job.DrawingUnits, unitsInDrawing) + "\n";
  out.reserve(out.size() + 100 * job.Regions.size());
  for (size_t i = 1; i < job.Regions.size(); ++i) {
    const TTBRegion& r = job.Regions[i];
    out += std::to_string(i);
    out += r.IsOpen ? " open " : " closed ";
    out += std::to_string(r.Entities.size());
    out += " entities box ";
    AppendFixed4(out, r.XMin);
    out += ',';
    AppendFixed4(out, r.YMin);
    out += ' ';
    AppendFixed4(out, r.XMax);
    out += ',';
    AppendFixed4(out, r.YMax);
    out += r.IsOpen ? " -" : (r.Clockwise ? " CW" : " CCW");
    out += " depth ";
    AppendFixed4(out, r.Depth);
    if (r.Selected) out += r.IslandOf ? " selected island of " + std::to_string(r.IslandOf) : " selected boundary";
    out += '\n';
  }
  std::cout << std::flush;
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

void PrintRegionsJson(const Job& job, const std::string& status, const std::string& extra = "") {
  using cli::JsonNumber;
  const TExtents& x = job.DrawingExtents;
  std::cout << "{\"message\": " << cli::JsonString(status) << ", \"units\": \"" << UnitsName(job.DrawingUnits)
            << "\", \"extents\": {\"xmin\": " << JsonNumber(x.XMin)
            << ", \"ymin\": " << JsonNumber(x.YMin) << ", \"xmax\": " << JsonNumber(x.XMax)
            << ", \"ymax\": " << JsonNumber(x.YMax) << "}, \"regions\": [";
  for (size_t i = 1; i < job.Regions.size(); ++i) {
    const TTBRegion& r = job.Regions[i];
    std::cout << (i > 1 ? ", " : "") << "{\"number\": " << i << ", \"isOpen\": " << (r.IsOpen ? "true" : "false")
              << ", \"entities\": " << r.Entities.size() << ", \"box\": {\"xmin\": " << JsonNumber(r.XMin)
              << ", \"ymin\": " << JsonNumber(r.YMin) << ", \"xmax\": " << JsonNumber(r.XMax)
              << ", \"ymax\": " << JsonNumber(r.YMax) << "}, \"clockwise\": " << (r.Clockwise ? "true" : "false")
              << ", \"depth\": " << JsonNumber(r.Depth) << ", \"selected\": " << (r.Selected ? "true" : "false")
              << ", \"islandOf\": " << r.IslandOf << ", \"encloser\": " << r.Encloser
              << ", \"nestCount\": " << r.NestCount << "}";
  }
  std::cout << "]" << extra << "}\n";
}

// Start-up as the program does it, for every command: the shipped settings
// installed, Options.cfg read and applied (the default direction of closed
// regions among its values), the post it names loaded. A failure is told on
// stderr, as the window shows it in its status bar; false then.
bool StartProgram(Job& job, TTBSettings& settings) {
  try {
    settings = StartUp(job);
    return true;
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
}

// Opens a drawing as the program does, telling its notices and errors;
// false when nothing was loaded. unitsInDrawing, when given, tells whether
// the file named its unit.
bool OpenDrawing(Job& job, const std::string& path, std::string& status, bool* unitsInDrawing = nullptr) {
  const OpenResult res = cli::OpenBoardOrDrawing(job, path);
  for (const auto& n : res.Notices) std::cerr << n << "\n";
  if (!res.Error.empty()) std::cerr << res.Error << "\n";
  status = res.Status;
  if (!res.Loaded) std::cerr << res.Status << "\n";
  if (unitsInDrawing) *unitsInDrawing = res.UnitsInDrawing;
  return res.Loaded;
}

// The --select rules in turn; 0, or 2 for a rule not understood.
int ApplyRules(Job& job, const std::vector<std::string>& rules, std::string& status) {
  for (const auto& rule : rules) {
    CommandResult r;
    if (!ApplyRule(job, rule, r)) {
      std::cerr << "unknown selection rule: " << rule << "\n";
      return 2;
    }
    Tell(r);
    if (!r.Status.empty()) status = r.Status;
  }
  return 0;
}

int Info(const std::vector<std::string>& args) {
  std::string path, order;
  std::vector<std::string> rules;
  bool json = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "--json") json = true;
    else if (a == "--select" && k + 1 < args.size()) rules.push_back(args[++k]);
    else if (a == "--order" && k + 1 < args.size()) order = args[++k];
    else if (path.empty() && (a.empty() || a[0] != '-')) path = a;
    else return Usage();
  }
  if (path.empty()) return Usage();
  Job job;
  CliProgress progress(job, isatty(2));
  job.ProgressSink = &progress;
  std::string status;
  TTBSettings settings;
  StartProgram(job, settings);  // after a start-up failure the window goes on too
  bool unitsInDrawing = false;
  if (!OpenDrawing(job, path, status, &unitsInDrawing)) return 1;
  if (!order.empty()) {
    std::vector<double> n;
    if (!ParseNumbers(order, n) || !WholeNumbers(n, n.size())) return Usage();
    const CommandResult r = SetMachiningOrder(job, 1, std::vector<size_t>(n.begin(), n.end()));
    Tell(r);
    if (!r.Message.empty()) return 1;
    if (!r.Status.empty()) status = r.Status;
  }
  if (const int rc = ApplyRules(job, rules, status)) return rc;
  if (json) PrintRegionsJson(job, status);
  else PrintRegionsText(job, status, unitsInDrawing);
  return 0;
}

// Opens a drawing as info does and saves its regions as a geometry DXF.
int ExportDxf(const std::vector<std::string>& args) {
  std::string path, out;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "-o" && k + 1 < args.size() && out.empty()) out = args[++k];
    else if (path.empty() && (a.empty() || a[0] != '-')) path = a;
    else return Usage();
  }
  if (path.empty() || out.empty()) return Usage();
  Job job;
  CliProgress progress(job, isatty(2));
  job.ProgressSink = &progress;
  std::string status;
  TTBSettings settings;
  StartProgram(job, settings);
  if (!OpenDrawing(job, path, status)) return 1;
  try {
    SaveGeometryDxf(job.Regions, job.DrawingUnits, out);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

bool ParseDialog(const std::string& cmd, OperationDialog& dialog) {
  if (cmd == "pocket") dialog = OperationDialog::Pocket;
  else if (cmd == "contour") dialog = OperationDialog::Contour;
  else if (cmd == "drill") dialog = OperationDialog::Drill;
  else return false;
  return true;
}

std::string ToolpathsJson(const Job& job, const std::string& message) {
  using cli::JsonNumber;
  std::string out = ", \"toolpaths\": [";
  for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
    const TTBOutRegion& t = job.Toolpaths[i];
    const TTBPoint s = PathStart(t), e = PathEnd(t);
    out += std::string(i > 1 ? ", " : "") + "{\"number\": " + std::to_string(i) + ", \"depth\": " + JsonNumber(t.Depth) +
           ", \"linkMode\": " + std::to_string(t.LinkMode) + ", \"approachDepth\": " + JsonNumber(t.ApproachDepth) +
           ", \"toolNumber\": " + std::to_string(t.ToolNumber) + ", \"isOpen\": " + (t.IsOpen ? "true" : "false") +
           ", \"isIsland\": " + (t.IsIsland ? "true" : "false") + ", \"hasLeads\": " + (t.HasLeads ? "true" : "false") +
           ", \"entities\": " + std::to_string(t.Entities.size()) + ", \"start\": {\"x\": " + JsonNumber(s.X) +
           ", \"y\": " + JsonNumber(s.Y) + "}, \"end\": {\"x\": " + JsonNumber(e.X) + ", \"y\": " + JsonNumber(e.Y) + "}}";
  }
  return out + "], \"message\": " + cli::JsonString(message);
}

// What the operation commands and render share: the drawing, the
// selection, the dialog's fields and the post.
struct RunOptions {
  std::string path, config = LastConfiguration, depth = "1", postName, postsFile, units;
  std::vector<std::string> rules, sets;
  // Takes one option of args at k (moving k past its value); false when it
  // is not one of these.
  bool Take(const std::vector<std::string>& args, size_t& k) {
    const std::string& a = args[k];
    const bool more = k + 1 < args.size();
    if (a == "--select" && more) rules.push_back(args[++k]);
    else if (a == "--config" && more) config = args[++k];
    else if (a == "--set" && more) sets.push_back(args[++k]);
    else if (a == "--depth" && more) depth = args[++k];
    else if (a == "--post" && more) postName = args[++k];
    else if (a == "--posts" && more) postsFile = args[++k];
    else if (a == "--units" && more) units = args[++k];
    else if (path.empty() && (a.empty() || a[0] != '-')) path = a;
    else return false;
    return true;
  }
};

// Start-up as the program does it (shipped settings, options, the post),
// then the drawing (in the --units unit when given) and the selection rules.
// Returns an exit status, 0 when the job is ready; status gets the last
// status text.
int PrepareJob(Job& job, const RunOptions& o, std::string& status, TTBSettings& settings) {
  const std::optional<Units> units = ParseUnits(o.units);
  if (!o.units.empty() && !units) {
    std::cerr << "unknown units: " << o.units << " (mm or inch)\n";
    return 2;
  }
  if (!StartProgram(job, settings)) return 2;
  if (!cli::LoadChosenPost(job, o.postName, o.postsFile)) return 2;
  if (!OpenDrawing(job, o.path, status)) return 1;
  if (units) job.DrawingUnits = *units;
  return ApplyRules(job, o.rules, status);
}

// The dialog's fields from the configuration and --set, into the machining
// parameters (saving "LAST"), then the command flow. 2 for a bad --set.
int RunDialog(Job& job, OperationDialog dialog, const RunOptions& o, OperationResult& result) {
  const std::string configPath = ProgramFile("Configurations.cfg");
  ConfigurationFields fields;
  if (!cli::FieldsFromArguments(dialog, o.config, o.sets, fields)) return 2;
  try {
    ApplyOperationFields(job, dialog, fields, o.depth, configPath);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";  // LAST could not be saved: the run goes on
  }
  result = RunOperation(job, dialog);
  if (!result.Message.empty()) std::cerr << result.Message << "\n";
  if (!result.Problem.empty()) std::cerr << result.Problem << "\n";
  if (result.Status == CancelledStatus) std::cerr << result.Status << "\n";
  return 0;
}

// The program through the job's post (and the toolpaths as DXF when dxf is
// given); false, told on stderr, when a file could not be written.
bool WriteOutputs(const Job& job, const std::string& drawingPath, const std::string& out, const std::string& dxf) {
  try {
    WriteNcProgram(job.Toolpaths,
                   NcCommentLines(job.CurrentPost, job.MachiningParameters, DrawingNameOf(drawingPath),
                                  std::time(nullptr), job.DrawingUnits),
                   job.MachiningParameters, job.CurrentPost, job.DrawingUnits, out);
    if (!dxf.empty()) SaveToolpathsDxf(job.Toolpaths, job.DrawingUnits, dxf);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
  return true;
}

// pocket, contour and drill: the command flow of the main window with the
// dialog's fields taken from a configuration and --set.
int Operation(OperationDialog dialog, const std::vector<std::string>& args) {
  RunOptions o;
  std::string out, dxf;
  bool json = false;
  for (size_t k = 0; k < args.size(); ++k) {
    if (o.Take(args, k)) continue;
    const bool more = k + 1 < args.size();
    if (args[k] == "--json") json = true;
    else if (args[k] == "-o" && more) out = args[++k];
    else if (args[k] == "--dxf" && more) dxf = args[++k];
    else return Usage();
  }
  if (o.path.empty() || out.empty()) return Usage();
  Job job;
  CliProgress progress(job, isatty(2));
  job.ProgressSink = &progress;
  std::string status;
  TTBSettings settings;
  if (const int rc = PrepareJob(job, o, status, settings)) return rc;
  if (!AnythingSelected(job)) {
    std::cerr << NothingSelectedMessage << "\n";
    if (json) PrintRegionsJson(job, status, ToolpathsJson(job, NothingSelectedMessage));
    return 1;
  }
  OperationResult r;
  if (const int rc = RunDialog(job, dialog, o, r)) return rc;
  const std::string message = r.Message.empty() ? r.Status : r.Message;
  const bool write = r.Made && r.Status != CancelledStatus;
  if (write && !WriteOutputs(job, o.path, out, dxf)) return 1;
  if (json) PrintRegionsJson(job, status, ToolpathsJson(job, message));
  return write ? 0 : 1;
}

// render: the view's drawing code on an image, for pictures and checks.
int Render(const std::vector<std::string>& args) {
  RunOptions o;
  std::string out, operation, view = "2d";
  int width = 800, height = 600;
  for (size_t k = 0; k < args.size(); ++k) {
    if (o.Take(args, k)) continue;
    const bool more = k + 1 < args.size();
    if (args[k] == "-o" && more) out = args[++k];
    else if (args[k] == "--operation" && more) operation = args[++k];
    else if (args[k] == "--view" && more) view = args[++k];
    else if (args[k] == "--size" && more) {
      if (!cli::ParseSize(args[++k], width, height)) return Usage();
    } else {
      return Usage();
    }
  }
  OperationDialog dialog = OperationDialog::Pocket;
  if (o.path.empty() || out.empty() || (view != "2d" && view != "3d") ||
      (!operation.empty() && operation != "pcb" && !ParseDialog(operation, dialog)))
    return Usage();
  Job job;
  CliProgress progress(job, isatty(2));
  job.ProgressSink = &progress;
  std::string status;
  TTBSettings read;
  if (const int rc = PrepareJob(job, o, status, read)) return rc;
  DisplaySettings settings;
  settings.Colours = read.View;
  if (operation == "pcb") {
    bool bad = false;
    if (!cli::RoutePcbForRender(job, o.config, o.sets, o.depth, bad)) return bad ? 2 : 1;
    settings.Content = ContentToolpaths;
  } else if (!operation.empty()) {
    OperationResult r;
    if (const int rc = RunDialog(job, dialog, o, r)) return rc;
    if (!r.Made) return 1;
    settings.Content = ContentToolpaths;
  }
  ViewState v;
  v.Width = width, v.Height = height;
  if (view == "3d") Set3D(v);
  FitView(v, job.DrawingExtents, 20);
  try {
    WriteFileAtomically(out, EncodePng(Rasterise(BuildDisplay(job, v, settings), width, height)));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, OnInterrupt);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (int status; AnswerHelp(args, std::cout, std::cerr, status)) return status;
  if (args.empty()) return Usage();
  const std::string cmd = args.front();
  args.erase(args.begin());
  const size_t given = args.size();
  cli::TakeGerberFlag(args);
  const bool gerber = args.size() != given;
  if (cmd == "info" && cli::NamesStlModel(args)) return cli::MeshInfo(args);
  if (cmd == "info") return Info(args);
  if (cmd == "export-dxf") return ExportDxf(args);
  if (OperationDialog dialog; ParseDialog(cmd, dialog)) return Operation(dialog, args);
  if (cmd == "nc") return cli::NcInfo(args);
  if (cmd == "renumber") return cli::Renumber(args);
  if (cmd == "render" && !gerber && cli::NamesStlModel(args)) return cli::RenderModel(args);
  if (cmd == "render" && !gerber && cli::IsNcRender(args)) return cli::RenderNc(args);
  if (cmd == "render") return Render(args);
  if (cmd == "pcb") return cli::Pcb(args, {&StartProgram, &PrintRegionsJson, &ToolpathsJson, &WriteOutputs});
  if (cmd == "prototype") return cli::PrototypeCommand(args);
  if (cmd == "text") return tibrel::cli::TextCommand(args);
  return Usage();
}
