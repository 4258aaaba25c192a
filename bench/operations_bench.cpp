// Whole operations as the commands run them. Targets: the pocket of a gear
// with 200 teeth and 10 islands (tool 6, step 1.5, depth 6, Z step 2,
// finishing "Both + Bottom") under 2 s; a "Cut Out" contour of 5,000 closed
// regions under 2 s; 100,000 drill holes under 0.5 s.
#include <benchmark/benchmark.h>

#include <cmath>

#include "job/open_drawing.h"
#include "drawings.h"
#include "gear.h"
#include "job/commands.h"
#include "job/operations.h"

namespace {

using namespace tibrel;

// The dialog's defaults with feeds that can run, then the given fields.
ConfigurationFields Fields(OperationDialog d, std::initializer_list<std::pair<const char*, const char*>> set) {
  ConfigurationFields f = DefaultConfigurationFields(d);
  f["RoughPlunge"] = "200";
  if (d != OperationDialog::Drill) f["RoughFeed"] = "600", f["FinishFeed"] = "400";
  for (const auto& [k, v] : set) f[k] = v;
  return f;
}

// Runs the operation on a fresh copy of start for every iteration; the
// toolpaths of the last run stay in last.
void TimeOperation(benchmark::State& state, const Job& start, OperationDialog which, const ConfigurationFields& f,
                   const char* depth, Job& last) {
  for (auto _ : state) {
    state.PauseTiming();
    last = start;
    state.ResumeTiming();
    ApplyOperationFields(last, which, f, depth);
    if (!RunOperation(last, which).Made) state.SkipWithError("no toolpaths");
  }
}

Job GearJob() {
  Job job;
  job.Regions.push_back(bench::GearOutline(200));
  for (int k = 0; k < 10; ++k) {
    const double a = TwoPi * k / 10;
    job.Regions.push_back(bench::ClosedRegion({MakeCircle(55 * std::cos(a), 55 * std::sin(a), 6)}));
  }
  SelectAllClosed(job);
  return job;
}

void BM_PocketGear(benchmark::State& state) {
  const Job start = GearJob();
  const auto f = Fields(OperationDialog::Pocket,
                        {{"RoughDiameter", "6"}, {"RoughStepXY", "1.5"}, {"RoughStepZ", "2"}, {"StockToLeave", "0.2"},
                         {"FinishPass", "True"}, {"Finish", "Both"}, {"FinishDiameter", "6"}, {"FinishStepXY", "1.5"},
                         {"FinishStepZ", "6"}, {"RapidHeight", "5"}});
  Job job;
  TimeOperation(state, start, OperationDialog::Pocket, f, "6", job);
  const size_t paths = job.Toolpaths.size() - 1;
  size_t entities = 0;
  for (const auto& t : job.Toolpaths) entities += t.Entities.size();
  state.counters["toolpaths"] = static_cast<double>(paths);
  state.counters["entities"] = static_cast<double>(entities);
}
BENCHMARK(BM_PocketGear)->Unit(benchmark::kMillisecond);

void BM_ContourCutOut(benchmark::State& state) {
  Job start;
  const auto& drawing = bench::CachedDrawing(bench::Kind::Squares, state.range(0));
  if (!OpenDxfDrawing(start, drawing.Text, "squares").Loaded) state.SkipWithError("drawing did not load");
  SelectAllClosed(start);
  const auto f = Fields(OperationDialog::Contour, {{"RoughDiameter", "3"}, {"Compensation", "Cutout"},
                                                   {"RoughStepZ", "1"}, {"RapidHeight", "5"}});
  Job job;
  TimeOperation(state, start, OperationDialog::Contour, f, "1", job);
  const size_t paths = job.Toolpaths.size() - 1;
  state.counters["toolpaths"] = static_cast<double>(paths);
}
BENCHMARK(BM_ContourCutOut)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_DrillHoles(benchmark::State& state) {
  Job start;
  uint64_t seed = 7;
  auto next = [&] {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) / 9007199254740992.0;
  };
  for (long k = 0; k < state.range(0); ++k) {
    TTBRegion r;
    r.Entities = {MakeCircle(1000 * next(), 1000 * next(), 0.5)};
    UpdateRegionBox(r);
    r.Selected = 1;
    start.Regions.push_back(std::move(r));
  }
  const auto f = Fields(OperationDialog::Drill, {{"RapidHeight", "2"}, {"RoughPlunge", "100"}});
  Job job;
  TimeOperation(state, start, OperationDialog::Drill, f, "3", job);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DrillHoles)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
