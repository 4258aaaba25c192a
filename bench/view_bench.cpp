// A redraw of the view with a 200,000-entity drawing (50,000 squares) at
// 1920 x 1080: the display list alone, and (when the window is built) the
// whole redraw as Qt paints it. Target for the whole redraw: under 100 ms.
#include <benchmark/benchmark.h>

#include <cmath>

#include "view/view.h"
#include "view/raster.h"
#include "drawings.h"
#include "job/open_drawing.h"
#ifdef TIBREL_BENCH_PAINT
#include <QGuiApplication>

#include "app/painter.h"
#endif

namespace {

using namespace tibrel;

// The drawing, loaded once, and a view fitted to it.
const Job& Squares(benchmark::State& state, ViewState& v) {
  static Job job;
  if (job.Regions.size() < 2 &&
      !OpenDxfDrawing(job, bench::CachedDrawing(bench::Kind::Squares, 50000).Text, "squares").Loaded)
    state.SkipWithError("drawing did not load");
  v.Width = 1920, v.Height = 1080;
  FitWindow(v, job.DrawingExtents, 20, 20);
  return job;
}

void BM_ViewDisplay(benchmark::State& state) {
  ViewState v;
  const Job& job = Squares(state, v);
  size_t strokes = 0;
  for (auto _ : state) {
    const tibrel::Display d = BuildDisplay(job, v, DisplaySettings{});
    strokes = d.Strokes.size();
    benchmark::DoNotOptimize(d.Strokes.data());
  }
  state.counters["strokes"] = static_cast<double>(strokes);
  state.SetItemsProcessed(state.iterations() * 200000);
}
BENCHMARK(BM_ViewDisplay)->Unit(benchmark::kMillisecond);

#ifdef TIBREL_BENCH_PAINT
// The offscreen application that Qt's painting needs, started once.
void StartOffscreenApplication() {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
}

void BM_PaintView(benchmark::State& state) {
  StartOffscreenApplication();
  ViewState v;
  const Job& job = Squares(state, v);
  for (auto _ : state) {
    const QImage image = RenderJob(job, v, DisplaySettings{});
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 200000);
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

// A loaded model of 500,000 triangles (a smooth terrain of 500 x 500 quads
// over 200 x 200) at 1920 x 1080: the display list (projection, shading,
// the back-to-front sort) and the image writer's fills, in the plan and the
// 3D view. Target: both together well under a second.

namespace {

const Job& TerrainModel() {
  static const Job job = [] {
    Job j;
    const int n = 500;
    const double s = 200.0 / n;
    auto h = [](double x, double y) { return -20 + 6 * std::sin(x * 0.05) * std::cos(y * 0.07); };
    j.Mesh.reserve(2u * n * n);
    auto put = [&](double ax, double ay, double bx, double by, double cx, double cy) {
      TTBTriangle t;
      t.V[0] = {float(ax), float(ay), float(h(ax, ay))};
      t.V[1] = {float(bx), float(by), float(h(bx, by))};
      t.V[2] = {float(cx), float(cy), float(h(cx, cy))};
      SortTriangleVertices(t);
      SetTriangleZRange(t);
      j.Mesh.push_back(t);
    };
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) {
        const double x = c * s, y = r * s;
        put(x, y, x + s, y, x + s, y + s);
        put(x, y, x + s, y + s, x, y + s);
      }
    j.ModelLoaded = 1;
    GetMeshExtents(j.Mesh, j.DrawingExtents);
    SetBlankToExtents(j.DrawingExtents, j.MachiningParameters.Prototype);
    return j;
  }();
  return job;
}

ViewState ModelView(const Job& job, bool turned) {
  ViewState v;
  v.Width = 1920, v.Height = 1080;
  if (turned) Set3D(v);
  FitView(v, job.DrawingExtents, 20);
  return v;
}

// Arguments: the plan (0) or the 3D view (1); the display list alone (0)
// or with the image written from it (1).
void BM_ModelPicture(benchmark::State& state) {
  const Job& job = TerrainModel();
  const ViewState v = ModelView(job, state.range(0) != 0);
  const bool image = state.range(1) != 0;
  size_t fills = 0;
  for (auto _ : state) {
    const tibrel::Display d = BuildDisplay(job, v, DisplaySettings{});
    fills = d.Fills.size();
    if (image) benchmark::DoNotOptimize(Rasterise(d, v.Width, v.Height).Pixels.data());
    else benchmark::DoNotOptimize(d.Fills.data());
  }
  state.counters["fills"] = static_cast<double>(fills);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(job.Mesh.size()));
}
BENCHMARK(BM_ModelPicture)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);

#ifdef TIBREL_BENCH_PAINT
// The window's painter on the model: the display list and Qt's fills.
void BM_PaintModel(benchmark::State& state) {
  StartOffscreenApplication();
  const Job& job = TerrainModel();
  const ViewState v = ModelView(job, state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(RenderJob(job, v, DisplaySettings{}).constBits());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(job.Mesh.size()));
}
BENCHMARK(BM_PaintModel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
