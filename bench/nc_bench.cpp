// Writing an NC program: 1,000 toolpaths of 1,000 moves each (lines and half
// circles both ways), lifted and stay-down links in turn, through the shipped
// Default post. Target: the million moves in under 1 s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/ini.h"
#include "post/nc_writer.h"

namespace {

using namespace tibrel;

// A serpentine along +X at height y: a line, a half circle below
// (counter-clockwise), a line, a half circle above (clockwise), repeated.
TTBEntityArray Serpentine(double y, int moves) {
  TTBEntityArray es;
  es.reserve(static_cast<size_t>(moves));
  double x = 0;
  for (int i = 0; i < moves; ++i) {
    switch (i % 4) {
      case 0:
      case 2:
        es.push_back(MakeLine(x, y, x + 1, y));
        break;
      case 1:
        es.push_back(MakeArc(x + 0.5, y, 0.5, Pi, 0));
        break;
      default:
        es.push_back(MakeArc(x + 0.5, y, -0.5, Pi, 0));
        break;
    }
    x += 1;
  }
  return es;
}

TTBOutRegionArray Toolpaths(int paths, int moves) {
  TTBOutRegionArray list = EmptyToolpathList();
  for (int k = 0; k < paths; ++k) {
    TTBOutRegion t;
    t.ToolNumber = 1;
    t.LinkMode = k % 2 == 0 ? LinkLift : LinkStayDown;
    t.Depth = 1.5;
    t.ApproachDepth = -5;
    t.FeedRate = 1200;
    t.PlungeRate = 300;
    t.SpindleRPM = 18000;
    t.Entities = Serpentine(3.0 * k, moves);
    list.push_back(std::move(t));
  }
  return list;
}

void BM_NcProgram_DefaultPost(benchmark::State& state) {
  const int paths = static_cast<int>(state.range(0)), moves = static_cast<int>(state.range(1));
  TTBPostProcessor post;
  const IniFile posts = IniFile::Load(std::string(TIBREL_SOURCE_DIR) + "/resources/Posts.cfg");
  if (!LoadPost(post, "Default", posts)) {
    state.SkipWithError("resources/Posts.cfg has no Default post");
    return;
  }
  const TTBOutRegionArray toolpaths = Toolpaths(paths, moves);
  TTBMachiningParameters params;
  params.RapidHeight = 5;
  params.Rough.ToolNumber = 1;
  params.Rough.ToolName = "Flat (6mm)";
  const std::vector<std::string> comments = NcCommentLines(post, params, "serpentine.dxf", 0, Units::Millimetre);

  size_t bytes = 0, lines = 0;
  for (auto _ : state) {
    const std::string nc = NcProgramText(toolpaths, comments, params, post, Units::Millimetre);
    state.PauseTiming();
    bytes = nc.size();
    lines = static_cast<size_t>(std::count(nc.begin(), nc.end(), '\n'));
    state.ResumeTiming();
  }
  const int64_t total = static_cast<int64_t>(paths) * moves;
  if (lines < static_cast<size_t>(total)) state.SkipWithError("the program has fewer lines than moves");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * total);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_NcProgram_DefaultPost)->Args({1000, 1000})->Unit(benchmark::kMillisecond);

}  // namespace
