// Island classification and empty-circle selection on large drawings.
// Targets (2-core machine): Select All Closed on 20,000 closed regions under
// 0.5 s; Select Empty Circles on 50,000 circles under 0.2 s.
#include <benchmark/benchmark.h>

#include <cmath>

#include "job/job.h"
#include "geometry/chain.h"
#include "job/commands.h"

namespace {

using namespace tibrel;

TTBRegion SquareRegion(double x, double y, double s) {
  TTBRegion r;
  r.Entities = {MakeLine(x, y, x + s, y), MakeLine(x + s, y, x + s, y + s), MakeLine(x + s, y + s, x, y + s),
                MakeLine(x, y + s, x, y)};
  UpdateRegionBox(r);
  return r;
}

TTBRegion CircleRegion(double x, double y, double radius) {
  TTBRegion r;
  r.Entities = {MakeCircle(x, y, radius)};
  UpdateRegionBox(r);
  return r;
}

// cells squares on a grid, each holding a circle and a smaller square.
Job NestedGrid(long cells) {
  Job job;
  const long side = static_cast<long>(std::ceil(std::sqrt(static_cast<double>(cells))));
  for (long k = 0; k < cells; ++k) {
    const double x = static_cast<double>(k % side) * 12, y = static_cast<double>(k / side) * 12;
    job.Regions.push_back(SquareRegion(x, y, 10));
    job.Regions.push_back(CircleRegion(x + 3, y + 5, 2));
    job.Regions.push_back(SquareRegion(x + 6, y + 3, 3));
  }
  job.DrawingExtents = RegionExtents(job.Regions);
  return job;
}

void BM_SelectAllClosed_NestedGrid(benchmark::State& state) {
  const Job original = NestedGrid(state.range(0) / 3);
  for (auto _ : state) {
    state.PauseTiming();
    Job job = original;
    state.ResumeTiming();
    const CommandResult res = SelectAllClosed(job);
    benchmark::DoNotOptimize(res.Status);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SelectAllClosed_NestedGrid)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_SelectEmptyCircles(benchmark::State& state) {
  Job original;
  const long n = state.range(0);
  const long side = static_cast<long>(std::sqrt(static_cast<double>(n)));
  for (long k = 0; k < n; ++k)
    original.Regions.push_back(CircleRegion(static_cast<double>(k % side) * 5, static_cast<double>(k / side) * 5, 2));
  original.DrawingExtents = RegionExtents(original.Regions);
  for (auto _ : state) {
    state.PauseTiming();
    Job job = original;
    state.ResumeTiming();
    benchmark::DoNotOptimize(SelectEmptyCircles(job).Changed);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SelectEmptyCircles)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
