// tibrel-cli nc, renumber and the NC backplot of render: NC programs read
// as the editor pane reads them.
#include "cli/nc.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/arguments.h"
#include "cli/json.h"
#include "core/files.h"
#include "core/program_folder.h"
#include "editor/renumber.h"
#include "editor/run_state.h"
#include "job/job.h"
#include "job/file_kinds.h"
#include "job/nc_program.h"
#include "job/startup.h"
#include "post/post.h"
#include "view/nc_backplot.h"
#include "view/raster.h"
#include "view/view.h"

namespace tibrel::cli {

namespace {

int NcUsage() {
  std::cerr << "usage: tibrel-cli nc PROGRAM [--post NAME] [--json]\n"
               "       tibrel-cli renumber PROGRAM [--start N] [--increment N] [--no-space] [--remove]\n"
               "                  [--post NAME] -o OUT\n"
               "       tibrel-cli render PROGRAM -o OUT.png [--view 2d|3d] [--size WxH] [--post NAME]\n";
  return 2;
}

// Start-up as the program does it, then the post --post names; 0 when
// ready, else the exit status.
int Start(Job& job, const std::string& postName) {
  try {
    StartUp(job);
    if (!postName.empty() && !LoadPost(job.CurrentPost, postName, ProgramFile("Posts.cfg"))) {
      std::cerr << "Post Processor " << postName << " not found!\n";
      return 2;
    }
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 2;
  }
  return 0;
}

// Opens the program into the job; 0 when loaded.
int Open(Job& job, const std::string& path, NcOpenResult& r) {
  r = OpenNcProgram(job, path);
  if (!r.Loaded) {
    std::cerr << r.Error << "\n";
    return 1;
  }
  return 0;
}

std::string ExtentsJson(const NcExtents& e) {
  return "{\"xmin\": " + JsonNumber(e.XMin) + ", \"ymin\": " + JsonNumber(e.YMin) + ", \"zmin\": " + JsonNumber(e.ZMin) +
         ", \"xmax\": " + JsonNumber(e.XMax) + ", \"ymax\": " + JsonNumber(e.YMax) + ", \"zmax\": " + JsonNumber(e.ZMax) +
         "}";
}

}  // namespace

int NcInfo(const std::vector<std::string>& args) {
  std::string path, post;
  bool json = false;
  for (size_t k = 0; k < args.size(); ++k) {
    if (args[k] == "--json") json = true;
    else if (args[k] == "--post" && k + 1 < args.size()) post = args[++k];
    else if (path.empty() && !args[k].empty() && args[k][0] != '-') path = args[k];
    else return NcUsage();
  }
  if (path.empty()) return NcUsage();
  Job job;
  if (const int rc = Start(job, post)) return rc;
  NcOpenResult r;
  if (const int rc = Open(job, path, r)) return rc;
  const NcCounts c = CountRecords(job.NcProgram);
  const std::string message = "Lines " + std::to_string(SplitLines(r.Text).size());
  const double minutes = EstimatedMinutes(job.NcProgram, job.Options.RapidRate);
  if (json) {
    std::cout << "{\"message\": " << JsonString(message) << ", \"lines\": " << c.Lines << ", \"rapids\": " << c.Rapids
              << ", \"arcs\": " << c.Arcs << ", \"drills\": " << c.Drills << ", \"tools\": " << c.Tools
              << ", \"minutes\": " << JsonNumber(minutes) << ", \"extents\": " << ExtentsJson(r.Extents) << "}\n";
    return 0;
  }
  std::cout << message << "\n"
            << "Post " << job.CurrentPost.Name << "\n"
            << "Feed lines " << c.Lines << "\nRapids " << c.Rapids << "\nArcs " << c.Arcs << "\nDrills " << c.Drills
            << "\nTool changes " << c.Tools << "\n";
  for (size_t i = 1; i < job.NcProgram.size(); ++i) {
    const NcPathRecord& t = job.NcProgram[i];
    if (t.Kind == NcKindTool) std::cout << "  tool " << t.R << " at line " << t.Line + 1 << "\n";
  }
  char buf[256];
  if (r.Extents.Valid) {
    std::snprintf(buf, sizeof buf, "Extents %.4f,%.4f,%.4f %.4f,%.4f,%.4f\n", r.Extents.XMin, r.Extents.YMin,
                  r.Extents.ZMin, r.Extents.XMax, r.Extents.YMax, r.Extents.ZMax);
    std::cout << buf;
  } else {
    std::cout << "Extents none\n";
  }
  std::snprintf(buf, sizeof buf, "Run time %.1f min\n", minutes);
  std::cout << buf;
  return 0;
}

int Renumber(const std::vector<std::string>& args) {
  std::string path, post, out;
  RenumberFields fields;
  bool removeOnly = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const bool more = k + 1 < args.size();
    if (args[k] == "--start" && more) fields.Start = DigitsField(args[++k]);
    else if (args[k] == "--increment" && more) fields.Increment = DigitsField(args[++k]);
    else if (args[k] == "--no-space") fields.AddSpace = false;
    else if (args[k] == "--remove") removeOnly = true;
    else if (args[k] == "--post" && more) post = args[++k];
    else if (args[k] == "-o" && more) out = args[++k];
    else if (path.empty() && !args[k].empty() && args[k][0] != '-') path = args[k];
    else return NcUsage();
  }
  if (path.empty() || out.empty()) return NcUsage();
  Job job;
  if (const int rc = Start(job, post)) return rc;
  std::string text, error;
  if (!ReadNcFile(path, text, error)) {
    std::cerr << error << "\n";
    return 1;
  }
  std::vector<std::string> lines = SplitLines(text);
  if (removeOnly) RemoveLineNumbers(lines, job.CurrentPost);
  else RenumberLines(lines, job.CurrentPost, fields);
  try {
    WriteFileAtomically(out, JoinLines(lines));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

bool IsNcRender(const std::vector<std::string>& args) {
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    if (a == "--operation") return false;  // toolpaths of a drawing or a board
    if (a == "-o" || a == "--view" || a == "--size" || a == "--post" || a == "--select" || a == "--config" ||
        a == "--set" || a == "--depth" || a == "--posts" || a == "--units") {
      ++k;
      continue;
    }
    if (a.empty() || a[0] == '-') continue;
    // A file of no other kind is read as a program.
    const FileKind kind = FileKindOf(a);
    return kind != FileKind::Drawing && kind != FileKind::Model && kind != FileKind::Board;
  }
  return false;
}

int RenderNc(const std::vector<std::string>& args) {
  std::string path, post, out, view = "3d";
  int width = 800, height = 600;
  for (size_t k = 0; k < args.size(); ++k) {
    const bool more = k + 1 < args.size();
    if (args[k] == "-o" && more) out = args[++k];
    else if (args[k] == "--view" && more) view = args[++k];
    else if (args[k] == "--post" && more) post = args[++k];
    else if (args[k] == "--size" && more) {
      if (!ParseSize(args[++k], width, height)) return NcUsage();
    } else if (path.empty() && !args[k].empty() && args[k][0] != '-') {
      path = args[k];
    } else {
      return NcUsage();
    }
  }
  if (path.empty() || out.empty() || (view != "2d" && view != "3d")) return NcUsage();
  Job job;
  if (const int rc = Start(job, post)) return rc;
  NcOpenResult r;
  if (const int rc = Open(job, path, r)) return rc;
  ViewState v;
  v.Width = width, v.Height = height;
  if (view == "3d") Set3D(v);
  FitView(v, NcViewExtents(r.Extents), 20);
  NcRunState run;
  RunAll(run, job.NcProgram);
  try {
    WriteFileAtomically(out, EncodePng(Rasterise(BuildNcBackplot(job.NcProgram, ShownRange(run, job.NcProgram), v),
                                                 width, height)));
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tibrel::cli
