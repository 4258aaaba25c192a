// tibrel-cli: the command-line front end over the core library.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/json.h"
#include "core/job.h"
#include "dxf/open_drawing.h"

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
  std::cerr << "usage: tibrel-cli info DRAWING [--json]\n";
  return 2;
}

void PrintRegionsText(const Job& job, const std::string& status) {
  std::cout << status << "\n";
  for (size_t i = 1; i < job.Regions.size(); ++i) {
    const TTBRegion& r = job.Regions[i];
    std::printf("%zu %s %zu entities box %.4f,%.4f %.4f,%.4f %s depth %.4f\n", i, r.IsOpen ? "open" : "closed",
                r.Entities.size(), r.XMin, r.YMin, r.XMax, r.YMax,
                r.IsOpen ? "-" : (r.Clockwise ? "CW" : "CCW"), r.Depth);
  }
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
  std::string path;
  bool json = false;
  for (const auto& a : args) {
    if (a == "--json") json = true;
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
  if (json) PrintRegionsJson(job, res.Status);
  else PrintRegionsText(job, res.Status);
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
  return Usage();
}
