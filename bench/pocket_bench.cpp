// Pocket rings of a gear with islands: our exact line-and-arc offsets against
// Clipper's polygon offsets of the same outline (polygonised at a chord
// tolerance of 0.001 and cleaned after every offset). Targets: no more time
// than Clipper, the same number of rings within 1 %, at most a tenth of its
// vertex count in entities; a 10,000-entity outline offset once under 50 ms.
#include <benchmark/benchmark.h>
#include <polyclipping/clipper.hpp>

#include <cmath>

#include "geometry/region.h"
#include "toolpath/offset.h"
#include "gear.h"

namespace {

using namespace tibrel;
using bench::ClosedRegion;
using bench::GearOutline;

TTBRegionArray GearWithIslands(int teeth) {
  TTBRegionArray R = EmptyRegionList();
  R.push_back(GearOutline(teeth));
  R.push_back(ClosedRegion({MakeCircle(0, 0, 12)}));
  for (int k = 0; k < 12; ++k) {
    const double a = TwoPi * k / 12;
    R.push_back(ClosedRegion({MakeCircle(55 * std::cos(a), 55 * std::sin(a), 6)}));
  }
  return R;
}

struct RingCount {
  long rings = 0, entities = 0;
};

// Offsets a set of rings (outer loops counter-clockwise, loops round islands
// clockwise) together by d to their left, trimmed against one another.
TTBRegionArray OffsetRings(const TTBRegionArray& rings, double d) {
  TTBEntityArray raw, pieces;
  TTBRegion all;  // every ring, for the clearance test
  for (size_t i = 1; i < rings.size(); ++i) {
    RawOffset(rings[i], raw, d, false, 1);
    all.Entities.insert(all.Entities.end(), rings[i].Entities.begin(), rings[i].Entities.end());
  }
  TTBRegionArray out = EmptyRegionList();
  if (raw.empty()) return out;
  UpdateRegionBox(all);
  TrimContext ctx;
  ctx.Source = &all;
  TrimOffset(raw, pieces, d, 1, nullptr, ctx);
  ChainLoops(pieces, out, false, 0);
  return out;
}

// The first rings round the outline and the islands, then ring from ring by
// the step until nothing fits.
RingCount ExactPocket(const TTBRegionArray& R, double radius, double step) {
  TTBMachineRegion level;
  level.Region = 1;
  level.Offset = radius;
  for (int k = 2; k < static_cast<int>(R.size()); ++k) level.Islands.push_back({k, radius});
  TTBRegionArray rings = EmptyRegionList(), islandRings = EmptyRegionList();
  OffsetBoundaryWithIslands(R, level, islandRings, 0, {}, 0, rings);
  rings.insert(rings.end(), islandRings.begin() + 1, islandRings.end());
  RingCount c;
  while (rings.size() > 1) {
    for (size_t i = 1; i < rings.size(); ++i) {
      ++c.rings;
      c.entities += static_cast<long>(rings[i].Entities.size());
    }
    rings = OffsetRings(rings, step);
  }
  return c;
}

constexpr double Scale = 1e5;  // Clipper works in integers

ClipperLib::Path Polygonise(const TTBRegion& r, double chord) {
  ClipperLib::Path path;
  for (const auto& e : r.Entities) {
    const TTBPoint s = EntityStart(e);
    path.push_back({static_cast<ClipperLib::cInt>(std::llround(s.X * Scale)), static_cast<ClipperLib::cInt>(std::llround(s.Y * Scale))});
    if (e.Radius == 0) continue;
    const double rr = std::fabs(e.Radius), sweep = ArcSweep(e);
    const double maxStep = 2 * std::acos(std::max(-1.0, 1 - chord / rr));
    const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / maxStep)));
    for (int k = 1; k < n; ++k) {
      const double a = e.StartAngle() + sweep * k / n;
      path.push_back({static_cast<ClipperLib::cInt>(std::llround((e.X + rr * std::cos(a)) * Scale)),
                      static_cast<ClipperLib::cInt>(std::llround((e.Y + rr * std::sin(a)) * Scale))});
    }
  }
  return path;
}

RingCount ClipperPocket(const TTBRegionArray& R, double radius, double step) {
  ClipperLib::Paths shape;
  for (size_t i = 1; i < R.size(); ++i) {
    ClipperLib::Path p = Polygonise(R[i], 0.001);
    if ((i == 1) != ClipperLib::Orientation(p)) ClipperLib::ReversePath(p);  // outline counter-clockwise, holes not
    shape.push_back(std::move(p));
  }
  ClipperLib::ClipperOffset off;
  off.ArcTolerance = 0.001 * Scale;
  ClipperLib::Paths rings;
  off.AddPaths(shape, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
  off.Execute(rings, -radius * Scale);
  ClipperLib::CleanPolygons(rings);
  RingCount c;
  while (!rings.empty()) {
    for (const auto& p : rings) {
      ++c.rings;
      c.entities += static_cast<long>(p.size());
    }
    ClipperLib::ClipperOffset o;
    o.ArcTolerance = 0.001 * Scale;
    o.AddPaths(rings, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
    ClipperLib::Paths next;
    o.Execute(next, -step * Scale);
    ClipperLib::CleanPolygons(next);
    rings = std::move(next);
  }
  return c;
}

const double Tools[][2] = {{3, 1.5}, {0.5, 0.4}, {0.5, 0.1}};

void BM_GearPocket_Exact(benchmark::State& state) {
  const TTBRegionArray R = GearWithIslands(200);
  const double* tool = Tools[state.range(0)];
  RingCount c;
  for (auto _ : state) c = ExactPocket(R, tool[0], tool[1]);
  state.counters["rings"] = static_cast<double>(c.rings);
  state.counters["entities"] = static_cast<double>(c.entities);
}
BENCHMARK(BM_GearPocket_Exact)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_GearPocket_Clipper(benchmark::State& state) {
  const TTBRegionArray R = GearWithIslands(200);
  const double* tool = Tools[state.range(0)];
  RingCount c;
  for (auto _ : state) c = ClipperPocket(R, tool[0], tool[1]);
  state.counters["rings"] = static_cast<double>(c.rings);
  state.counters["vertices"] = static_cast<double>(c.entities);
}
BENCHMARK(BM_GearPocket_Clipper)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OneOffset_10000Entities(benchmark::State& state) {
  const TTBRegion gear = GearOutline(2500);  // 10,000 entities
  long loops = 0;
  for (auto _ : state) {
    TTBEntityArray raw, pieces;
    RawOffset(gear, raw, 0.01, false, 1);
    TrimContext ctx;
    ctx.Source = &gear;
    TrimOffset(raw, pieces, 0.01, 1, nullptr, ctx);
    TTBRegionArray out = EmptyRegionList();
    loops = ChainLoops(pieces, out, false, 0);
  }
  state.counters["loops"] = static_cast<double>(loops);
}
BENCHMARK(BM_OneOffset_10000Entities)->Unit(benchmark::kMillisecond);

}  // namespace
