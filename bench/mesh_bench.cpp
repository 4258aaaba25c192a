// Prototype machining at full size: a 500,000-triangle binary STL (a smooth
// terrain over 200 x 200) read, sampled on a 0.1 grid (4 million heights),
// gouge-controlled with balls of radius 3 and 1, rastered in 40 layers and
// lifted, and written through the shipped Default post. Targets: read under
// 0.1 s, grid under 1 s, gouge control under 1.5 s (r = 3) and 0.2 s
// (r = 1), raster and lifting under 2 s, the writer at 3 million points a
// second or better.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/ini.h"
#include "mesh/height_grid.h"
#include "mesh/raster.h"
#include "mesh/stl_reader.h"
#include "post/nc_writer.h"

namespace {

using namespace tibrel;

double Terrain(double x, double y) { return -20 + 6 * std::sin(x * 0.05) * std::cos(y * 0.07) + 3 * std::sin(x * 0.013 + y * 0.02); }

// 500 x 500 quads, two triangles each, as a binary STL.
const std::string& TerrainStl() {
  static const std::string bytes = [] {
    const int n = 500;
    const double s = 200.0 / n;
    std::string out(80, ' ');
    const uint32_t count = 2u * n * n;
    out.append(reinterpret_cast<const char*>(&count), 4);
    out.reserve(84 + 50 * static_cast<size_t>(count));
    auto put = [&](double ax, double ay, double bx, double by, double cx, double cy) {
      float r[12] = {0, 0, 1,
                     float(ax), float(ay), float(Terrain(ax, ay)),
                     float(bx), float(by), float(Terrain(bx, by)),
                     float(cx), float(cy), float(Terrain(cx, cy))};
      out.append(reinterpret_cast<const char*>(r), 48);
      out.append(2, '\0');
    };
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const double x = i * s, y = j * s;
        put(x, y, x + s, y, x + s, y + s);
        put(x, y, x + s, y + s, x, y + s);
      }
    return out;
  }();
  return bytes;
}

const TTBTriangleArray& TerrainMesh() {
  static const TTBTriangleArray mesh = [] {
    TTBTriangleArray m;
    ReadStl(TerrainStl(), m, PassControl{});
    return m;
  }();
  return mesh;
}

GridSpec Spec() {
  GridSpec spec;
  spec.Blank = {0, 0, -30, 200, 200, 0, 1};
  spec.XStep = spec.YStep = 0.1;
  return spec;
}

const TTBZGrid& TerrainGrid() {
  static const TTBZGrid grid = [] {
    TTBZGrid g;
    BuildHeightGrid(TerrainMesh(), Spec(), g, PassControl{});
    return g;
  }();
  return grid;
}

void BM_ReadBinaryStl500k(benchmark::State& state) {
  const std::string& bytes = TerrainStl();
  for (auto _ : state) {
    TTBTriangleArray mesh;
    ReadStl(bytes, mesh, PassControl{});
    benchmark::DoNotOptimize(mesh.data());
    state.counters["bytes_per_triangle"] = static_cast<double>(mesh.capacity() * sizeof(TTBTriangle)) / mesh.size();
  }
}
BENCHMARK(BM_ReadBinaryStl500k)->Unit(benchmark::kMillisecond);

void BM_HeightGrid4M(benchmark::State& state) {
  const TTBTriangleArray& mesh = TerrainMesh();
  for (auto _ : state) {
    TTBZGrid g;
    BuildHeightGrid(mesh, Spec(), g, PassControl{});
    benchmark::DoNotOptimize(g.Heights.data());
  }
}
BENCHMARK(BM_HeightGrid4M)->Unit(benchmark::kMillisecond);

void BM_GougeBall(benchmark::State& state) {
  const double radius = static_cast<double>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    TTBZGrid g = TerrainGrid();
    state.ResumeTiming();
    ApplyGougeControl(g, CutterBall, 0, 2 * radius, PassControl{});
    benchmark::DoNotOptimize(g.Heights.data());
  }
}
// CPU time is that of every thread of the process: gouge control and the
// raster share their work among threads.
BENCHMARK(BM_GougeBall)
    ->Arg(1)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A flat cutter of radius 3 over ground whose tops were clipped at Z 0 (a
// male model that reaches the stock's top): near the tops the tip reaches
// Z 0 and the first cell in the search's order decides.
void BM_GougeFlatAtTheTop(benchmark::State& state) {
  TTBZGrid top = TerrainGrid();
  for (float& h : top.Heights) h = std::min(h + 14.0f, 0.0f);
  for (auto _ : state) {
    state.PauseTiming();
    TTBZGrid g = top;
    state.ResumeTiming();
    ApplyGougeControl(g, CutterEnd, 0, 6, PassControl{});
    benchmark::DoNotOptimize(g.Heights.data());
  }
}
BENCHMARK(BM_GougeFlatAtTheTop)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();

TTBOutRegionArray3D RasterOnly() {
  TTBZGrid g = TerrainGrid();
  g.Direction = 1;
  TTBTool t;
  t.ZStep = 30.0 / 40, t.FeedRate = 1000, t.PlungeRate = 300, t.ToolNumber = 1;
  TTBOutRegionArray3D out;
  CreateRasterToolpaths(g, {&t, -30, 2, "", 0.001}, out, PassControl{});
  return out;
}

TTBOutRegionArray3D Layers() {
  TTBOutRegionArray3D out = RasterOnly();
  LiftCutMoves(out, 0, 0, -30, 2);
  return out;
}

// Times make, counting the points of the layers it gives.
void TimeLayers(benchmark::State& state, TTBOutRegionArray3D (*make)()) {
  size_t points = 0;
  for (auto _ : state) {
    const TTBOutRegionArray3D out = make();
    points = 0;
    for (const auto& l : out) points += l.Points.size();
  }
  state.counters["points_written"] = static_cast<double>(points);
}

void BM_Raster40LayersAndLift(benchmark::State& state) { TimeLayers(state, Layers); }
BENCHMARK(BM_Raster40LayersAndLift)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The two steps apart: the raster writer, then the lifting alone.
void BM_Raster40Layers(benchmark::State& state) { TimeLayers(state, RasterOnly); }
BENCHMARK(BM_Raster40Layers)->Unit(benchmark::kMillisecond)->Iterations(2)->MeasureProcessCPUTime()->UseRealTime();

void BM_LiftCutMoves40Layers(benchmark::State& state) {
  const TTBOutRegionArray3D raster = RasterOnly();
  for (auto _ : state) {
    state.PauseTiming();
    TTBOutRegionArray3D out = raster;
    state.ResumeTiming();
    LiftCutMoves(out, 0, 0, -30, 2);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_LiftCutMoves40Layers)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Writer3D(benchmark::State& state) {
  const TTBOutRegionArray3D layers = Layers();
  TTBPostProcessor post;
  LoadPost(post, "Default", IniFile::Load(std::string(TIBREL_SOURCE_DIR) + "/resources/Posts.cfg"));
  TTBMachiningParameters params;
  params.RapidHeight = 2;
  size_t points = 0;
  for (const auto& l : layers) points += l.Points.size();
  for (auto _ : state) {
    const std::string text = NcProgramText3D(layers, {}, params, post, Units::Millimetre);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * points));
}
BENCHMARK(BM_Writer3D)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
