// The steps of the Open sequence one at a time, on the same drawings as
// load_bench.cpp, so a change in the total can be traced to a step and the
// growth of each step with the drawing size can be seen on its own.
//
// Each step's input is made once per size with the steps before it. Every
// iteration works on a fresh copy of that input; copying it and freeing the
// result are not timed.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "drawings.h"
#include "dxf/convert.h"
#include "dxf/reader.h"
#include "geometry/chain.h"
#include "geometry/extents.h"
#include "geometry/tolerances.h"

namespace {

using tibrel::bench::Kind;

struct StageInputs {
  tibrel::DXF_Object drawing;
  tibrel::TTBEntityArray segments;   // converted, in file order
  tibrel::TTBRegionArray polylines;  // converted, in file order
  tibrel::TTBEntityArray prepared;   // segments after PrepareSegments
  tibrel::TTBRegionArray regions;    // chained segments, or the cleaned polylines (with placeholder)
  tibrel::TExtents extents;
  std::string problem;               // why the inputs are not what the drawing should give
};

const StageInputs& Inputs(Kind kind, long n) {
  static std::map<std::pair<Kind, long>, std::unique_ptr<StageInputs>> cache;
  auto& slot = cache[{kind, n}];
  if (slot) return *slot;
  slot = std::make_unique<StageInputs>();
  StageInputs& in = *slot;
  const tibrel::bench::GeneratedDrawing& d = tibrel::bench::CachedDrawing(kind, n);
  in.drawing = tibrel::ReadDxf(d.Text, "bench.dxf");
  tibrel::ConvertEntities(in.drawing, tibrel::NoSkipLayer, tibrel::DefaultCurveTolerance, in.segments, in.polylines);
  if (static_cast<long>(in.segments.size() + in.polylines.size()) != d.Lines + d.Circles + d.Polylines)
    in.problem = "conversion gave " + std::to_string(in.segments.size()) + " segments and " +
                 std::to_string(in.polylines.size()) + " polylines";
  in.prepared = in.segments;
  if (in.prepared.size() >= 2) tibrel::PrepareSegments(in.prepared);
  if (!in.prepared.empty()) {
    tibrel::TTBEntityArray work = in.prepared;
    tibrel::ChainEntities(work, in.regions, 0, tibrel::ChainTolerance, 0);
  } else {
    tibrel::TTBRegionArray cleaned = in.polylines;
    tibrel::CleanPolylineRegions(cleaned, 0);
    in.regions = tibrel::EmptyRegionList();
    tibrel::AppendRegions(cleaned, 0, in.regions);
  }
  if (in.problem.empty() && static_cast<long>(in.regions.size()) != d.ClosedShapes + 1)
    in.problem = "chaining gave " + std::to_string(in.regions.size() - 1) + " regions, expected " +
                 std::to_string(d.ClosedShapes);
  in.extents = tibrel::RegionExtents(in.regions);
  return in;
}

// Times fn on a fresh copy of input in every iteration.
template <class T, class Fn>
void TimeOnCopies(benchmark::State& state, const T& input, Fn fn) {
  for (auto _ : state) {
    state.PauseTiming();
    auto work = std::make_unique<T>(input);
    state.ResumeTiming();
    fn(*work);
    state.PauseTiming();
    work.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
  state.SetComplexityN(state.range(0));
}

const StageInputs* Checked(benchmark::State& state, Kind kind) {
  const StageInputs& in = Inputs(kind, state.range(0));
  if (!in.problem.empty()) {
    state.SkipWithError(in.problem.c_str());
    return nullptr;
  }
  return &in;
}

void ConvertStage(benchmark::State& state, Kind kind) {
  const StageInputs* in = Checked(state, kind);
  if (!in) return;
  for (auto _ : state) {
    auto segments = std::make_unique<tibrel::TTBEntityArray>();
    auto polylines = std::make_unique<tibrel::TTBRegionArray>();
    tibrel::ConvertEntities(in->drawing, tibrel::NoSkipLayer, tibrel::DefaultCurveTolerance, *segments, *polylines);
    state.PauseTiming();
    segments.reset();
    polylines.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(in->segments.size() + in->polylines.size()));
  state.SetComplexityN(state.range(0));
}

void BM_Stage_Convert_Squares(benchmark::State& state) { ConvertStage(state, Kind::Squares); }
void BM_Stage_Convert_Polylines(benchmark::State& state) { ConvertStage(state, Kind::RoundedRectangles); }

void BM_Stage_Prepare_Squares(benchmark::State& state) {
  if (const StageInputs* in = Checked(state, Kind::Squares))
    TimeOnCopies(state, in->segments, [](tibrel::TTBEntityArray& s) { tibrel::PrepareSegments(s); });
}

void BM_Stage_Chain_Squares(benchmark::State& state) {
  if (const StageInputs* in = Checked(state, Kind::Squares))
    TimeOnCopies(state, in->prepared, [](tibrel::TTBEntityArray& s) {
      tibrel::TTBRegionArray regions;
      tibrel::ChainEntities(s, regions, 0, tibrel::ChainTolerance, 0);
      benchmark::DoNotOptimize(regions.data());
    });
}

void BM_Stage_Clean_Polylines(benchmark::State& state) {
  if (const StageInputs* in = Checked(state, Kind::RoundedRectangles))
    TimeOnCopies(state, in->polylines, [](tibrel::TTBRegionArray& p) { tibrel::CleanPolylineRegions(p, 0); });
}

// The region sort the chaining and the polyline clean-up run, on regions in
// file order.
void BM_Stage_SortRegions_Polylines(benchmark::State& state) {
  if (const StageInputs* in = Checked(state, Kind::RoundedRectangles))
    TimeOnCopies(state, in->polylines,
                 [](tibrel::TTBRegionArray& p) { tibrel::SortRegionsByXMin(p, 0, p.size() - 1); });
}

void OrderStage(benchmark::State& state, Kind kind) {
  if (const StageInputs* in = Checked(state, kind))
    TimeOnCopies(state, in->regions,
                 [in](tibrel::TTBRegionArray& r) { tibrel::OrderRegionsNearest(r, in->extents); });
}

void BM_Stage_Order_Squares(benchmark::State& state) { OrderStage(state, Kind::Squares); }
void BM_Stage_Order_Polylines(benchmark::State& state) { OrderStage(state, Kind::RoundedRectangles); }

void SquareSizes(benchmark::internal::Benchmark* b) {
  b->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}
void PolylineSizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

}  // namespace

BENCHMARK(BM_Stage_Convert_Squares)->Apply(SquareSizes);
BENCHMARK(BM_Stage_Prepare_Squares)->Apply(SquareSizes);
BENCHMARK(BM_Stage_Chain_Squares)->Apply(SquareSizes);
BENCHMARK(BM_Stage_Order_Squares)->Apply(SquareSizes);
BENCHMARK(BM_Stage_Convert_Polylines)->Apply(PolylineSizes);
BENCHMARK(BM_Stage_Clean_Polylines)->Apply(PolylineSizes);
BENCHMARK(BM_Stage_SortRegions_Polylines)->Apply(PolylineSizes);
BENCHMARK(BM_Stage_Order_Polylines)->Apply(PolylineSizes);
