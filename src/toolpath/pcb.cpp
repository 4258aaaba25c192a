#include "toolpath/pcb.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"
#include "toolpath/contour.h"
#include "toolpath/intersect.h"
#include "toolpath/offset.h"

namespace tibrel {

namespace {

// Unit tangent of an entity at its start (end = false) or end.
TTBPoint Tangent(const TTBEntity& e, bool end) {
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len = std::hypot(dx, dy);
    return len > 0 ? TTBPoint{dx / len, dy / len} : TTBPoint{0, 0};
  }
  const double a = end ? e.Y2 : e.X2;
  return e.Radius > 0 ? TTBPoint{-std::sin(a), std::cos(a)} : TTBPoint{std::sin(a), -std::cos(a)};
}

// The turn at a joint seen from the offset side: at most a half turn when
// the offsets of both entities run into each other (an inside corner).
double TurnAngle(TTBPoint t1, TTBPoint t2, int side) {
  const double a = std::acos(std::clamp(t1.X * t2.X + t1.Y * t2.Y, -1.0, 1.0));
  const double cross = t1.X * t2.Y - t1.Y * t2.X;
  // Turning towards the offset side brings the offsets together.
  const bool towards = side == 1 ? cross >= 0 : cross < 0;
  return towards || a == 0 ? a : TwoPi - a;
}

bool Long(const TTBEntity& e) { return EntityLength(e) > OffsetTiny; }

}  // namespace

bool RawOffsetByAngle(const TTBRegion& region, TTBEntityArray& out, double d, bool tagIslands, int side,
                      double maxMitre) {
  if (d == 0) {
    out.insert(out.end(), region.Entities.begin(), region.Entities.end());
    return !region.Entities.empty();
  }
  TTBEntityArray src;
  for (const auto& e : region.Entities)
    if (Long(e)) src.push_back(e);
  if (src.empty()) return false;
  std::vector<OffsetResult> off(src.size());
  bool any = false;
  for (size_t k = 0; k < src.size(); ++k) any = (off[k] = OffsetEntity(src[k], side, d)).Ok || any;
  if (!any) return false;
  const size_t first = out.size(), n = src.size();
  auto append = [&](const TTBEntity& e) {
    if (EntityLength(e) <= OffsetTiny) return;
    out.push_back(e);
    UpdateEntityBox(out.back());
  };
  // Joint k sits between entity k - 1 and entity k; the closing joint
  // (between the last and the first) is settled first.
  const bool closed = !region.IsOpen;
  // What follows offset k: 1 a corner arc, 2 a bridge to the next offset
  // (an inside corner whose offsets stop short of each other, as on a
  // staircase finer than the distance; the bridge is trimmed away later
  // but keeps the raw chain whole).
  std::vector<uint8_t> arcAfter(n, 0);
  auto joint = [&](size_t p, size_t q) {
    if (!off[p].Ok || !off[q].Ok) return;
    const double a = TurnAngle(Tangent(src[p], true), Tangent(src[q], false), side);
    TTBEntity& pe = off[p].Entity;
    TTBEntity& qe = off[q].Entity;
    if (a <= Pi) {
      TTBCrossing x[2];
      const int c = IntersectEntities(pe, qe, x);
      if (c > 0) {
        const TTBCrossing& at = c == 2 && x[1].B < x[0].B ? x[1] : x[0];
        MoveEntityPoint(pe, at.P, 1);
        MoveEntityPoint(qe, at.P, 0);
      } else {
        arcAfter[p] = 2;
      }
      return;
    }
    if (a <= maxMitre && pe.Radius == 0 && qe.Radius == 0) {
      const TTBPoint u = Tangent(pe, true), v = Tangent(qe, false);
      const double den = u.X * v.Y - u.Y * v.X;
      if (std::fabs(den) > 1e-12) {
        const double t = ((qe.X - pe.X2) * v.Y - (qe.Y - pe.Y2) * v.X) / den;
        const TTBPoint m{pe.X2 + u.X * t, pe.Y2 + u.Y * t};
        MoveEntityPoint(pe, m, 1);
        MoveEntityPoint(qe, m, 0);
        return;
      }
    }
    arcAfter[p] = 1;
  };
  if (closed && n > 1) joint(n - 1, 0);
  for (size_t k = 1; k < n; ++k) joint(k - 1, k);
  for (size_t k = 0; k < n; ++k) {
    if (!off[k].Ok) continue;
    append(off[k].Entity);
    if (!arcAfter[k]) continue;
    const size_t q = k + 1 < n ? k + 1 : 0;
    const TTBPoint v = EntityEnd(src[k]), a = EntityEnd(off[k].Entity), b = EntityStart(off[q].Entity);
    if (arcAfter[k] == 2) append(MakeLine(a.X, a.Y, b.X, b.Y));
    else append(MakeArc(v.X, v.Y, side == 0 ? d : -d, PointAngle(v, a), PointAngle(v, b)));
  }
  if (tagIslands && region.IslandOf >= 1)
    for (size_t i = first; i < out.size(); ++i) out[i].Tag = region.IslandOf;
  return out.size() > first;
}

void BuildPCBIslands(TTBRegionArray& regions, TTBIslandArray& islands, const TTBMachiningParameters& params) {
  islands.assign(1, TTBIsland{});
  if (regions.size() < 3) return;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (!r.Selected || r.IslandOf == 0) continue;
    r.Depth = params.Depth;
    islands.push_back({static_cast<int32_t>(i), params.Rough.Radius});
  }
}

bool OffsetPCBIslands(const TTBRegionArray& regions, const TTBMachineRegion& machine, TTBRegionArray& results,
                      uint8_t direction, double depth, const PassControl& control) {
  results = EmptyRegionList();
  if (control.Idle() || machine.Region < 1 || static_cast<size_t>(machine.Region) >= regions.size()) return false;
  TTBEntityArray raw;
  for (size_t k = 1; k < machine.Islands.size(); ++k) {
    const TTBIsland& isl = machine.Islands[k];
    if (isl.Region < 1 || static_cast<size_t>(isl.Region) >= regions.size()) continue;
    TTBRegion copy = regions[static_cast<size_t>(isl.Region)];
    if (!copy.Selected) continue;
    if (k % 64 == 1 && control.Stopped()) return false;
    copy.IslandOf = static_cast<uint32_t>(k);
    if (!RawOffsetByAngle(copy, raw, isl.Offset, true, direction, Pi)) break;
  }
  if (control.Stopped()) return false;
  TrimContext ctx;
  ctx.Regions = &regions;
  ctx.Machine = &machine;
  ctx.Source = &regions[static_cast<size_t>(machine.Region)];
  TTBEntityArray pieces;
  if (!TrimOffset(raw, pieces, machine.Offset, 2, nullptr, ctx, control)) return false;
  TTBRegionArray main;
  ChainWithIslands(pieces, main, results, direction, depth);
  AppendRegions(main, 1, results);
  return results.size() > 1;
}

void RoutePCB(TTBRegionArray& regions, TTBOutRegionArray& toolpaths, const TTBMachiningParameters& params,
              uint8_t direction, const TTBTolerances& tolerances, int32_t boundary, const PassControl& control) {
  toolpaths = EmptyToolpathList();
  TTBMachineRegion machine;
  BuildPCBIslands(regions, machine.Islands, params);
  machine.Region = boundary;
  machine.Offset = params.Rough.Radius;
  machine.Z = params.Depth;
  TTBRegionArray results;
  if (!OffsetPCBIslands(regions, machine, results, direction, params.Depth, control)) return;
  SimplifyPaths(results, 1, tolerances);
  LinkContourPaths(results, params, {0, 0});
  AppendToolpaths(results, params, false, false, toolpaths);
}

}  // namespace tibrel
