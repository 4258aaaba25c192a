// tibrel-cli: the command-line front end over the core library.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/json.h"
#include "core/job.h"
#include "dxf/open_drawing.h"
#include "dxf/writer.h"
#include "geometry/selection.h"

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
               "  writes the drawing's regions as a DXF file (Save Geometry DXF).\n";
  return 2;
}

// Numbers separated by commas; false when any is not a number.
bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t comma = std::min(text.find(',', pos), text.size());
    const std::string part = text.substr(pos, comma - pos);
    char* end = nullptr;
    const double v = std::strtod(part.c_str(), &end);
    if (part.empty() || *end != '\0' || !std::isfinite(v)) return false;
    out.push_back(v);
    pos = comma + 1;
  }
  return true;
}

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

void PrintRegionsText(const Job& job, const std::string& status) {
  std::cout << status << "\n";
  for (size_t i = 1; i < job.Regions.size(); ++i) {
    const TTBRegion& r = job.Regions[i];
    std::printf("%zu %s %zu entities box %.4f,%.4f %.4f,%.4f %s depth %.4f", i, r.IsOpen ? "open" : "closed",
                r.Entities.size(), r.XMin, r.YMin, r.XMax, r.YMax, r.IsOpen ? "-" : (r.Clockwise ? "CW" : "CCW"),
                r.Depth);
    if (r.Selected) std::printf(r.IslandOf ? " selected island of %u" : " selected boundary", r.IslandOf);
    std::printf("\n");
  }
  std::fflush(stdout);
}

void PrintRegionsJson(const Job& job, const std::string& status) {
  using cli::JsonNumber;
  const TExtents& x = job.DrawingExtents;
  std::cout << "{\"message\": " << cli::JsonString(status) << ", \"extents\": {\"xmin\": " << JsonNumber(x.XMin)
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
  std::cout << "]}\n";
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
  const OpenResult res = OpenDxfFile(job, path);
  for (const auto& n : res.Notices) std::cerr << n << "\n";
  if (!res.Error.empty()) std::cerr << res.Error << "\n";
  if (!res.Loaded) {
    std::cerr << res.Status << "\n";
    return 1;
  }
  std::string status = res.Status;
  if (!order.empty()) {
    std::vector<double> n;
    if (!ParseNumbers(order, n) || !WholeNumbers(n, n.size())) return Usage();
    const CommandResult r = SetMachiningOrder(job, 1, std::vector<size_t>(n.begin(), n.end()));
    Tell(r);
    if (!r.Message.empty()) return 1;
    if (!r.Status.empty()) status = r.Status;
  }
  for (const auto& rule : rules) {
    CommandResult r;
    if (!ApplyRule(job, rule, r)) {
      std::cerr << "unknown selection rule: " << rule << "\n";
      return 2;
    }
    Tell(r);
    if (!r.Status.empty()) status = r.Status;
  }
  if (json) PrintRegionsJson(job, status);
  else PrintRegionsText(job, status);
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
  const OpenResult res = OpenDxfFile(job, path);
  for (const auto& n : res.Notices) std::cerr << n << "\n";
  if (!res.Error.empty()) std::cerr << res.Error << "\n";
  if (!res.Loaded) {
    std::cerr << res.Status << "\n";
    return 1;
  }
  try {
    SaveGeometryDxf(job, out);
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
  if (args.empty()) return Usage();
  const std::string cmd = args.front();
  args.erase(args.begin());
  if (cmd == "info") return Info(args);
  if (cmd == "export-dxf") return ExportDxf(args);
  return Usage();
}
