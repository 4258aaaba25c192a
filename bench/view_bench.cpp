// A redraw of the view with a 200,000-entity drawing (50,000 squares) at
// 1920 x 1080: the display list alone, and (when the window is built) the
// whole redraw as Qt paints it. Target for the whole redraw: under 100 ms.
#include <benchmark/benchmark.h>

#include "view/view.h"
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
void BM_PaintView(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
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
