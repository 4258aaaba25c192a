// A 100 x 80 mm copper layer as KiCad writes it (format 4.6 in mm, rounded
// rectangle macros, attributes): 2,048 SMD pads in 64 packages, 75
// through-hole pads, 3,000 tracks with arcs, two filled zones with 120
// clearance holes. Targets: import under 1 s, routing with a 0.2 mm tool
// under 5 s, peak memory under 512 MB (the "peak_rss_mb" counter).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "job/commands.h"
#include "job/open_gerber.h"
#include "job/pcb.h"

namespace {

using namespace tibrel;

struct Lcg {
  uint64_t s = 12345;
  double Next(double lo, double hi) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return lo + (hi - lo) * static_cast<double>(s >> 11) / 9007199254740992.0;
  }
};

std::string Mm(double v) { return std::to_string(static_cast<long long>(v * 1e6 + (v < 0 ? -0.5 : 0.5))); }
std::string At(double x, double y) { return "X" + Mm(x) + "Y" + Mm(y); }

std::string KiCadBoard() {
  Lcg r;
  std::string g =
      "G04 #@! TF.GenerationSoftware,KiCad,Pcbnew,8.0.4*\n%TF.FileFunction,Copper,L1,Top*%\n%FSLAX46Y46*%\n%MOMM*%\n"
      "%LPD*%\nG01*\n%AMRoundRect*\n0 Rectangle with rounded corners*\n4,1,4,$2,$3,$4,$5,$6,$7,$8,$9,$2,$3,0*\n"
      "1,1,$1+$1,$2,$3*\n1,1,$1+$1,$4,$5*\n1,1,$1+$1,$6,$7*\n1,1,$1+$1,$8,$9*\n20,1,$1+$1,$2,$3,$4,$5,0*\n"
      "20,1,$1+$1,$4,$5,$6,$7,0*\n20,1,$1+$1,$6,$7,$8,$9,0*\n20,1,$1+$1,$8,$9,$2,$3,0*%\n"
      "%TA.AperFunction,SMDPad,CuDef*%\n%ADD10RoundRect,0.062500X-0.400000X-0.125000X0.400000X-0.125000X0.400000X0.125000"
      "X-0.400000X0.125000X0*%\n%TD*%\n%ADD11C,1.700000*%\n%ADD12R,1.700000X1.700000*%\n%ADD13C,0.200000*%\n"
      "%ADD14C,0.800000*%\n%ADD15O,1.200000X2.000000*%\n%ADD16C,0.600000*%\n";
  // Two zones with clearance holes.
  for (const double x0 : {72.0, 86.0}) {
    g += "G36*\n" + At(x0, 4) + "D02*\n" + At(x0 + 12, 4) + "D01*\n" + At(x0 + 12, 76) + "D01*\n" + At(x0, 76) + "D01*\n" +
         At(x0, 4) + "D01*\nG37*\n";
    g += "%LPC*%\nD14*\n";
    for (int k = 0; k < 60; ++k) g += At(r.Next(x0 + 1, x0 + 11), r.Next(5, 75)) + "D03*\n";
    g += "%LPD*%\n";
  }
  // Packages of 32 pads: 16 a side at 0.5 mm pitch.
  std::vector<std::pair<double, double>> pads;
  g += "D10*\n";
  for (int ic = 0; ic < 64; ++ic) {
    const double cx = 6 + (ic % 8) * 8.2, cy = 6 + (ic / 8) * 8.6;
    for (int k = 0; k < 16; ++k)
      for (const int side : {-1, 1}) {
        const double x = cx + side * 2.2, y = cy - 3.75 + k * 0.5;
        g += At(x, y) + "D03*\n";
        pads.push_back({x, y});
      }
  }
  for (int k = 0; k < 25; ++k) g += (k == 0 ? "D12*\n" : "D11*\n") + At(5 + k * 2.54, 76) + "D03*\n";
  g += "D15*\n";
  for (int k = 0; k < 50; ++k) g += At(4 + k * 1.3, 72.5 + (k % 2) * 0.0) + "D03*\n";
  g += "D16*\n";
  for (int k = 0; k < 200; ++k) g += At(r.Next(3, 68), r.Next(3, 70)) + "D03*\n";
  // Tracks: a stub from a pad, some ending in a quarter arc.
  g += "D13*\nG75*\n";
  for (int k = 0; k < 3000; ++k) {
    const auto [x, y] = pads[static_cast<size_t>(r.Next(0, static_cast<double>(pads.size()) - 1))];
    const double dx = (x > 0 ? 1 : -1) * r.Next(0.6, 1.6);
    g += At(x, y) + "D02*\nG01*\n" + At(x + dx, y) + "D01*\n";
    if (k % 3 == 0) g += "G03*\n" + At(x + dx + 0.5, y + 0.5) + "I0J500000D01*\n";
  }
  return g + "M02*\n";
}

void PeakMemory(benchmark::State& state) {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  state.counters["peak_rss_mb"] = static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_OpenKiCadBoard(benchmark::State& state) {
  const std::string board = KiCadBoard();
  size_t regions = 0;
  for (auto _ : state) {
    Job job;
    const OpenResult r = OpenGerberDrawing(job, board, "board.gtl");
    if (!r.Loaded) state.SkipWithError("not loaded");
    regions = job.Regions.size() - 1;
  }
  state.counters["regions"] = static_cast<double>(regions);
  PeakMemory(state);
}
BENCHMARK(BM_OpenKiCadBoard)->Unit(benchmark::kMillisecond);

void BM_RouteKiCadBoard(benchmark::State& state) {
  Job start;
  if (!OpenGerberDrawing(start, KiCadBoard(), "board.gtl").Loaded) return state.SkipWithError("not loaded");
  SelectAllAsIslands(start, 0.1);
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::PcBoard);
  f["RoughDiameter"] = "0.2", f["RoughFeed"] = "300", f["RoughPlunge"] = "100", f["RapidHeight"] = "2";
  size_t loops = 0, entities = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Job job = start;
    state.ResumeTiming();
    ApplyPcbFields(job, f, "0.1");
    if (!RunPcBoard(job).Made) state.SkipWithError("no toolpaths");
    loops = job.Toolpaths.size() - 1;
    entities = 0;
    for (const auto& t : job.Toolpaths) entities += t.Entities.size();
  }
  state.counters["loops"] = static_cast<double>(loops);
  state.counters["entities"] = static_cast<double>(entities);
  size_t copper = 0;
  for (const auto& r : start.Regions) copper += r.Entities.size();
  state.counters["copper_entities"] = static_cast<double>(copper);
  PeakMemory(state);
}
BENCHMARK(BM_RouteKiCadBoard)->Unit(benchmark::kMillisecond);

}  // namespace
