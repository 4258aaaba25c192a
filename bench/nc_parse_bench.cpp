// Reading a program back: the million moves that nc_bench writes, parsed by
// the editor's parse mode into the NC path (target: under 1 s), and the
// backplot's display list of that path (target: under 100 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "core/ini.h"
#include "editor/gcode_syntax.h"
#include "editor/run_state.h"
#include "post/nc_writer.h"
#include "view/nc_backplot.h"

namespace {

using namespace tibrel;

// 1,000 serpentines of 1,000 moves (lines and half circles), lifted links.
const std::string& MillionMoveProgram(TTBPostProcessor& post) {
  static std::string text;
  const IniFile posts = IniFile::Load(std::string(TIBREL_SOURCE_DIR) + "/resources/Posts.cfg");
  LoadPost(post, "Default", posts);
  if (!text.empty()) return text;
  TTBOutRegionArray list = EmptyToolpathList();
  for (int k = 0; k < 1000; ++k) {
    TTBOutRegion t;
    t.ToolNumber = 1;
    t.LinkMode = LinkLift;
    t.Depth = 1.5;
    t.ApproachDepth = -5;
    t.FeedRate = 1200;
    t.PlungeRate = 300;
    t.SpindleRPM = 18000;
    double x = 0;
    for (int i = 0; i < 1000; ++i, x += 1)
      t.Entities.push_back(i % 2 == 0 ? MakeLine(x, 3.0 * k, x + 1, 3.0 * k)
                                      : MakeArc(x + 0.5, 3.0 * k, i % 4 == 1 ? 0.5 : -0.5, Pi, 0));
    list.push_back(std::move(t));
  }
  TTBMachiningParameters params;
  params.RapidHeight = 5;
  text = NcProgramText(list, {}, params, post, Units::Millimetre);
  return text;
}

void BM_NcParse_MillionMoves(benchmark::State& state) {
  TTBPostProcessor post;
  const std::string& text = MillionMoveProgram(post);
  size_t records = 0;
  for (auto _ : state) {
    const NcPath p = ParseNcProgram(text, post);
    records = p.size();
  }
  state.counters["records"] = static_cast<double>(records);
  state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_NcParse_MillionMoves)->Unit(benchmark::kMillisecond);

void BM_NcBackplot_MillionRecords(benchmark::State& state) {
  TTBPostProcessor post;
  const NcPath p = ParseNcProgram(MillionMoveProgram(post), post);
  ViewState v;
  v.Width = 1200, v.Height = 800;
  Set3D(v);
  FitView(v, NcViewExtents(PathExtents(p)), 20);
  NcRunState run;
  RunAll(run, p);
  size_t strokes = 0;
  for (auto _ : state) strokes = BuildNcBackplot(p, ShownRange(run, p), v).Strokes.size();
  state.counters["strokes"] = static_cast<double>(strokes);
}
BENCHMARK(BM_NcBackplot_MillionRecords)->Unit(benchmark::kMillisecond);

}  // namespace
