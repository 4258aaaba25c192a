// A whole redraw of the window's view as Qt paints it: the display list of
// a 200,000-entity drawing (50,000 squares) painted on a 1920 x 1080 image.
// Target: under 100 ms.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "app/painter.h"
#include "drawings.h"
#include "dxf/open_drawing.h"

namespace {

using namespace tibrel;

void BM_PaintView(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  Job job;
  if (!OpenDxfDrawing(job, bench::CachedDrawing(bench::Kind::Squares, 50000).Text, "squares").Loaded)
    state.SkipWithError("drawing did not load");
  ViewState v;
  v.Width = 1920, v.Height = 1080;
  FitWindow(v, job.DrawingExtents, 20, 20);
  DisplaySettings s;
  for (auto _ : state) {
    const QImage image = RenderJob(job, v, s);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 200000);
}
BENCHMARK(BM_PaintView)->Unit(benchmark::kMillisecond);

}  // namespace
