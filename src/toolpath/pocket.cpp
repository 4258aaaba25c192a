#include "toolpath/pocket.h"

#include <algorithm>
#include <cmath>

#include "geometry/box_tree.h"
#include "toolpath/contour.h"
#include "toolpath/intersect.h"
#include "toolpath/level_progress.h"
#include "toolpath/offset.h"

namespace tibrel {

namespace {

// More levels than this for one boundary is a typing error, not a job.
constexpr double MaxLevelsPerBoundary = 100000;
// No level of any real pocket needs more rings; a walk that gets there is
// running on degenerate rings and stops.
constexpr size_t MaxRingsPerLevel = 200000;

bool ValidIndex(const TTBRegionArray& regions, size_t i) { return i >= 1 && i < regions.size(); }

// Whether region j lies inside region b: its chain of enclosers reaches b.
bool InsideOf(const TTBRegionArray& regions, size_t j, size_t b) {
  size_t k = j;
  for (size_t guard = 0; guard < regions.size(); ++guard) {
    const size_t up = regions[k].Encloser;
    if (!ValidIndex(regions, up) || up == k) return false;
    if (up == b) return true;
    if (regions[up].NestCount <= regions[b].NestCount) return false;
    k = up;
  }
  return false;
}

// Keeps the islands that do not lie inside another island of the list.
void KeepOutermostIslands(const TTBRegionArray& regions, TTBIslandArray& islands) {
  TTBIslandArray kept;
  for (const auto& isl : islands) {
    bool inner = false;
    for (const auto& other : islands)
      if (other.Region != isl.Region &&
          InsideOf(regions, static_cast<size_t>(isl.Region), static_cast<size_t>(other.Region)))
        inner = true;
    if (!inner) kept.push_back(isl);
  }
  islands = std::move(kept);
}

// Where the link line a-b crosses an entity, as positions along the line.
bool CrossesBetween(const TTBEntity& link, const TTBEntity& e, double lo, double hi) {
  if (!BoxesOverlapWidened(link, e, 0)) return false;
  TTBCrossing x[2];
  const int n = IntersectEntities(link, e, x);
  for (int k = 0; k < n; ++k)
    if (x[k].A > lo && x[k].A < hi) return true;
  return false;
}

// Orders, links and appends the rings of one level.
void AppendLevel(const OperationRecords& ops, TTBRegionArray& rings, const TTBMachineRegion& machine, size_t first,
                 bool finish) {
  OrderRings(ops, rings, first, ops.PocketDir);
  LinkPocketPaths(ops, rings, machine);
  AppendToolpaths(rings, ops.MachiningParameters, false, finish, ops.Toolpaths);
}

// The first rings of a machine region, with every ring marked to be offset.
bool FirstRings(const OperationRecords& ops, const TTBMachineRegion& m, const TTBTolerances& tol, TTBRegionArray& rings,
                TTBRegionArray& islandLoops) {
  rings = EmptyRegionList();
  islandLoops = EmptyRegionList();
  OffsetBoundaryWithIslands(ops.Regions, m, islandLoops, ops.Dir, tol, m.Z, rings, ops.Control);
  for (size_t i = 1; i < rings.size(); ++i) rings[i].Selected = 1;
  return !ops.Control.Halted();
}

bool WallProfileInUse(const TTBRegionArray& regions, const TTBMasterRegionArray& plan) {
  for (const auto& m : plan)
    for (size_t l = 1; l < m.Levels.size(); ++l) {
      if (regions[static_cast<size_t>(m.Levels[l].Region)].WallProfile != 0) return true;
      for (const auto& isl : m.Levels[l].Islands)
        if (regions[static_cast<size_t>(isl.Region)].WallProfile != 0) return true;
    }
  return false;
}

}  // namespace

// Squared distance from p to an entity as the ring order measures it: to a
// line piece, or to its start beyond either end; radially to an arc whose
// sweep holds p's angle, else to its start.
double RingOrderDistance(const TTBEntity& e, TTBPoint p) {
  const TTBPoint s = EntityStart(e);
  const double toStart = (p.X - s.X) * (p.X - s.X) + (p.Y - s.Y) * (p.Y - s.Y);
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len2 = dx * dx + dy * dy;
    if (len2 == 0) return toStart;
    const double t = ((p.X - e.X) * dx + (p.Y - e.Y) * dy) / len2;
    if (t < 0 || t > 1) return toStart;
    const double cx = e.X + t * dx - p.X, cy = e.Y + t * dy - p.Y;
    return cx * cx + cy * cy;
  }
  if (!AngleOnArc(e, PointAngle({e.X, e.Y}, p), 0)) return toStart;
  const double r = std::hypot(p.X - e.X, p.Y - e.Y) - std::fabs(e.Radius);
  return r * r;
}

bool PlanPocketLevels(TTBRegionArray& regions, TTBMasterRegionArray& plan, double floor,
                      const TTBRegionArray& profiles, bool markTops, double base, double& zStep) {
  plan.clear();
  if (!(zStep >= 0)) return false;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (r.Selected && !r.IsOpen) {
      r.Done = 0;
      r.Used = 0;
      r.IslandOf = ValidIndex(regions, r.Encloser) && r.Encloser != i && regions[r.Encloser].Depth > r.Depth
                       ? r.Encloser
                       : 0;
    } else {
      r.IslandOf = 0;
    }
  }
  // The islands below every region.
  std::vector<std::vector<uint32_t>> below(regions.size());
  for (size_t j = 1; j < regions.size(); ++j) {
    const TTBRegion& r = regions[j];
    if (!r.Selected || r.IsOpen || r.IslandOf == 0) continue;
    size_t k = j;
    for (size_t guard = 0; guard < regions.size(); ++guard) {
      const size_t up = regions[k].Encloser;
      if (!ValidIndex(regions, up) || up == k) break;
      below[up].push_back(static_cast<uint32_t>(j));
      k = up;
    }
  }
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& b = regions[i];
    if (!b.Selected || b.IsOpen || !(b.Depth > 0) || b.IslandOf != 0) continue;
    if (zStep == 0) zStep = b.Depth;
    const double s = zStep;
    const double z0 = b.NestCount != 0 && ValidIndex(regions, b.Encloser) ? regions[b.Encloser].Depth : 0;
    if ((b.Depth - z0) / s > MaxLevelsPerBoundary) return false;
    TTBMasterRegion master;
    master.Region = static_cast<int32_t>(i);
    master.Levels = TTBMachineRegionArray(1);
    double z = z0;
    for (bool last = false; !last;) {
      z += s;
      last = b.Depth - floor <= z;
      if (last) z = b.Depth - floor;
      TTBMachineRegion m;
      m.Region = static_cast<int32_t>(i);
      m.Z = z;
      m.Offset = WallOffset(regions, i, z, profiles, base);
      for (uint32_t j : below[i]) {
        TTBRegion& isl = regions[j];
        if (!InsideOf(regions, j, i)) continue;
        if (isl.Depth - floor < z) m.Islands.push_back({static_cast<int32_t>(j), WallOffset(regions, j, z, profiles, base)});
        else if (markTops && isl.Depth - floor == z) isl.Done = 1;
      }
      KeepOutermostIslands(regions, m.Islands);
      master.Levels.push_back(std::move(m));
    }
    plan.push_back(std::move(master));
  }
  // Roots: pockets not nested in another planned pocket.
  std::vector<int> masterOf(regions.size(), -1);
  for (size_t m = 0; m < plan.size(); ++m) masterOf[static_cast<size_t>(plan[m].Region)] = static_cast<int>(m);
  for (auto& m : plan) {
    m.Root = m.Region;
    size_t k = static_cast<size_t>(m.Region);
    for (size_t guard = 0; guard < regions.size(); ++guard) {
      const size_t up = regions[k].Encloser;
      if (!ValidIndex(regions, up) || up == k) break;
      if (masterOf[up] >= 0) m.Root = static_cast<int32_t>(up);
      k = up;
    }
  }
  if (plan.size() < 2) return true;
  TTBMasterRegionArray ordered;
  for (auto& root : plan) {
    if (root.Root != root.Region || root.Placed) continue;
    root.Placed = 1;
    ordered.push_back(root);
    for (;;) {
      int deepest = -1;
      for (size_t m = 0; m < plan.size(); ++m)
        if (!plan[m].Placed && plan[m].Root == root.Region &&
            (deepest < 0 || regions[static_cast<size_t>(plan[m].Region)].NestCount >
                                regions[static_cast<size_t>(plan[deepest].Region)].NestCount))
          deepest = static_cast<int>(m);
      if (deepest < 0) break;
      std::vector<size_t> chain;
      size_t k = static_cast<size_t>(plan[deepest].Region);
      for (size_t guard = 0; guard <= regions.size(); ++guard) {
        if (masterOf[k] >= 0 && !plan[masterOf[k]].Placed) chain.push_back(static_cast<size_t>(masterOf[k]));
        const size_t up = regions[k].Encloser;
        if (!ValidIndex(regions, up) || up == k) break;
        k = up;
      }
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        plan[*it].Placed = 1;
        ordered.push_back(plan[*it]);
      }
    }
  }
  plan = std::move(ordered);
  return true;
}

bool PlanPlateaus(TTBRegionArray& regions, const TTBMachineRegion& machine, TTBMachineRegionArray& out,
                  bool traceIslands, const TTBRegionArray& profiles, double base, double floor) {
  bool made = false;
  for (const auto& isl : machine.Islands) {
    if (!ValidIndex(regions, static_cast<size_t>(isl.Region))) continue;
    const size_t i = static_cast<size_t>(isl.Region);
    TTBRegion& r = regions[i];
    if (r.Done) continue;
    r.Done = 1;
    if (r.Depth <= 0) continue;
    TTBMachineRegion m;
    m.Region = isl.Region;
    m.Offset = traceIslands ? 0 : base;
    m.Z = r.Depth - floor;
    for (size_t j = 1; j < regions.size(); ++j) {
      TTBRegion& inner = regions[j];
      if (!inner.Selected || inner.IsOpen || inner.NestCount != r.NestCount + 1 || !InsideOf(regions, j, i)) continue;
      if (inner.Depth < r.Depth) m.Islands.push_back({static_cast<int32_t>(j), WallOffset(regions, j, m.Z, profiles, base)});
      else if (inner.Depth == r.Depth) inner.Done = 1;
    }
    out.push_back(std::move(m));
    made = true;
  }
  return made;
}

void ClearLevel(const OperationRecords& ops, TTBRegionArray& rings, TTBRegionArray& islandLoops, double step,
                const TTBMachineRegion& machine, const TTBTolerances& tolerances) {
  if (!(step > 0)) return;
  const int side = 1 - ops.Dir;
  TTBEntityArray raw, pieces;
  for (size_t k = 1; k < rings.size(); ++k) {
    if (!rings[k].Selected) continue;
    const TTBRegion ring = rings[k];
    raw.clear();
    if (!RawOffset(ring, raw, step, true, side, ops.Control)) continue;
    if (ops.Control.Halted()) return;
    TrimContext ctx{&ops.Regions, &machine, &ring, nullptr, true};
    if (!TrimOffset(raw, pieces, step, 2, &islandLoops, ctx, ops.Control)) return;
    const size_t from = rings.size();
    ChainLoops(pieces, rings, false, ring.Depth);
    SimplifyPaths(rings, from, tolerances);
    const double q = step / 4;
    for (size_t j = from; j < rings.size(); ++j) {
      const TTBRegion& n = rings[j];
      const bool shrinks = n.XMin >= ring.XMin + q && n.XMax <= ring.XMax - q && n.YMin >= ring.YMin + q &&
                           n.YMax <= ring.YMax - q;
      rings[j].Selected = shrinks ? 1 : 0;
    }
    if (rings.size() > MaxRingsPerLevel) return;
  }
}

void OrderRings(const OperationRecords& ops, TTBRegionArray& rings, size_t firstRingCount, bool inOut) {
  if (ops.Control.Idle() || rings.size() < 2) return;
  const size_t n = rings.size() - 1;
  std::vector<uint8_t> first(rings.size(), 0);
  double x = 1e300, y = 1e300, x2 = -1e300, y2 = -1e300;
  // Every entity of every ring in one index; the search below asks it for
  // the entities near the cutter, widening until the nearest is certain.
  std::vector<Box> boxes;
  std::vector<uint32_t> ids;
  std::vector<std::pair<uint32_t, uint32_t>> where;  // ring, entity
  for (size_t i = 1; i <= n; ++i) {
    rings[i].Selected = 1;
    first[i] = i <= firstRingCount;
    for (size_t k = 0; k < rings[i].Entities.size(); ++k) {
      const TTBEntity& e = rings[i].Entities[k];
      x = std::min(x, e.XMin), y = std::min(y, e.YMin), x2 = std::max(x2, e.XMax), y2 = std::max(y2, e.YMax);
      ids.push_back(static_cast<uint32_t>(boxes.size()));
      boxes.push_back({e.XMin, e.YMin, e.YMax, e.XMax});
      where.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(k)});
    }
  }
  const BoxTree index(std::move(boxes), std::move(ids));
  const double span = std::max(x2 - x, y2 - y), smallest = std::max(span * 1e-9, 1e-12);
  TTBPoint p{x, y};
  std::vector<size_t> order;
  order.reserve(n);
  std::vector<uint32_t> near;
  double reach = smallest;
  bool cancelled = false;
  while (order.size() < n) {
    if (order.size() % 64 == 63 && ops.Control.Halted()) {
      cancelled = true;
      break;
    }
    // The nearest entity of a ring not yet taken; on equal distances the
    // later entity (in ring order) wins, as a plain scan would have it.
    double best = 1e300;
    size_t ring = 0, entity = 0;
    for (reach = std::max(reach / 4, smallest);; reach *= 2) {
      near.clear();
      index.Overlapping({p.X - reach, p.Y - reach, p.Y + reach, p.X + reach}, near);
      for (uint32_t id : near) {
        const auto [i, k] = where[id];
        if (!rings[i].Selected) continue;
        const double d = RingOrderDistance(rings[i].Entities[k], p);
        if (d < best || (d == best && std::pair<size_t, size_t>(i, k) > std::pair<size_t, size_t>(ring, entity)))
          best = d, ring = i, entity = k;
      }
      // Entities outside the square are farther than reach from p.
      if ((ring != 0 && best <= reach * reach) || reach > 4 * span + 1) break;
    }
    if (ring == 0) break;
    reach = std::sqrt(best);
    TTBRegion& r = rings[ring];
    const TTBEntity& e = r.Entities[entity];
    const TTBPoint s = EntityStart(e), t = EntityEnd(e);
    if ((p.X - t.X) * (p.X - t.X) + (p.Y - t.Y) * (p.Y - t.Y) <= (p.X - s.X) * (p.X - s.X) + (p.Y - s.Y) * (p.Y - s.Y))
      entity = (entity + 1) % r.Entities.size();
    if (!r.IsOpen && entity != 0)
      std::rotate(r.Entities.begin(), r.Entities.begin() + static_cast<std::ptrdiff_t>(entity), r.Entities.end());
    r.Selected = 0;
    p = RegionStart(r);
    order.push_back(ring);
  }
  if (order.size() == n && !cancelled) {
    if (inOut) std::reverse(order.begin(), order.end());
    TTBRegionArray sorted = EmptyRegionList();
    std::vector<uint8_t> firstSorted(1, 0);
    for (size_t i : order) {
      sorted.push_back(std::move(rings[i]));
      firstSorted.push_back(first[i]);
    }
    rings = std::move(sorted);
    first = std::move(firstSorted);
  }
  for (size_t i = 1; i <= n; ++i) rings[i].Selected = first[i];
}

bool LinkKeepsClear(const TTBRegionArray& regions, const TTBMachineRegion& machine, const TTBEntity& link) {
  auto clear = [&](int32_t k, double offset) {
    if (k < 1 || static_cast<size_t>(k) >= regions.size()) return true;
    const TTBRegion& wall = regions[static_cast<size_t>(k)];
    if (!BoxesOverlapWidened(wall, link, offset)) return true;
    for (const auto& e : wall.Entities)
      if (EntitiesDistance(link, e) < offset - ClearanceSlack) return false;
    return true;
  };
  if (!clear(machine.Region, machine.Offset)) return false;
  for (const auto& island : machine.Islands)
    if (!clear(island.Region, island.Offset)) return false;
  return true;
}

void LinkPocketPaths(const OperationRecords& ops, TTBRegionArray& rings, const TTBMachineRegion& machine) {
  if (ops.Control.Idle() || rings.size() < 2) return;
  const TTBMachiningParameters& P = ops.MachiningParameters;
  // The cutter stays down only on a short link between two rings of the
  // level that keeps the tool's clearance from every wall and island of the
  // level and crosses no other ring (it would feed through stock that ring
  // is still to cut). Every other link rises to the rapid height above the
  // stock, moves over and plunges: a rapid below the top could meet stock
  // that no level has cleared yet.
  auto staysDown = [&](TTBPoint a, TTBPoint b) {
    if (std::hypot(b.X - a.X, b.Y - a.Y) > 3 * P.Rough.Radius) return false;
    TTBEntity link = MakeLine(a.X, a.Y, b.X, b.Y);
    UpdateEntityBox(link);
    for (size_t i = 1; i < rings.size(); ++i)
      if (BoxesOverlapWidened(rings[i], link, 0))
        for (const auto& e : rings[i].Entities)
          if (CrossesBetween(link, e, 0.01, 0.99)) return false;
    return LinkKeepsClear(ops.Regions, machine, link);
  };
  for (size_t i = 1; i < rings.size(); ++i) {
    TTBRegion& r = rings[i];
    if (i > 1 && staysDown(RegionEnd(rings[i - 1]), RegionStart(r))) {
      r.ApproachDepth = 0;
      r.LinkMode = LinkStayDown;
    } else {
      r.ApproachDepth = -P.RapidHeight;
      r.LinkMode = LinkLift;
    }
  }
}

namespace {

// A plateau (or any extra machine region) cut like a level.
void CutPlateau(const OperationRecords& ops, const TTBMachineRegion& m, double step, const TTBTolerances& tol,
                bool finish) {
  TTBRegionArray rings, loops;
  if (!FirstRings(ops, m, tol, rings, loops)) return;
  const size_t first = rings.size() - 1;
  if (finish)
    for (size_t i = 1; i < rings.size(); ++i) rings[i].Used = 1;
  ClearLevel(ops, rings, loops, step, m, tol);
  if (finish)
    for (size_t i = 1; i < loops.size(); ++i) {
      loops[i].Used = 1;
      rings.push_back(loops[i]);
    }
  AppendLevel(ops, rings, m, first, finish);
}

// The islands of islands inside a master's boundary that no level reached.
void NestedPlateaus(const OperationRecords& ops, const TTBMasterRegion& master, double base, double floor, double step,
                    const TTBTolerances& tol, bool finish) {
  TTBRegionArray& regions = ops.Regions;
  for (size_t j = 1; j < regions.size(); ++j) {
    if (ops.Control.Halted()) return;
    const TTBRegion& r = regions[j];
    if (!r.Selected || r.IsOpen || r.IslandOf == 0 || r.Done || !ValidIndex(regions, r.Encloser) ||
        regions[r.Encloser].IslandOf == 0 || !InsideOf(regions, j, static_cast<size_t>(master.Region)))
      continue;
    TTBMachineRegion holder;
    holder.Islands.push_back({static_cast<int32_t>(j), base});
    TTBMachineRegionArray plateaus;
    PlanPlateaus(regions, holder, plateaus, ops.Trace, ops.Profiles, base, floor);
    for (const auto& m : plateaus) CutPlateau(ops, m, step, tol, finish);
  }
}

}  // namespace

void PocketRough(const OperationRecords& ops) {
  TTBMachiningParameters& P = ops.MachiningParameters;
  TTBMasterRegionArray plan;
  const double base = P.Rough.Radius + P.Rough.StockToLeave;
  const bool planned = PlanPocketLevels(ops.Regions, plan, P.FloorStock, ops.Profiles, true, base, P.Rough.ZStep);
  if (P.Rough.XYStep == 0) return;
  ops.Toolpaths = EmptyToolpathList();
  if (!planned || !(P.Rough.XYStep > 0)) return;
  const TTBTolerances& tol = ops.RoughTolerances;
  LevelProgress progress(ops.Control, "Pocket", plan);
  for (const auto& master : plan) {
    for (size_t l = 1; l < master.Levels.size(); ++l) {
      progress.Next();
      const TTBMachineRegion& level = master.Levels[l];
      TTBRegionArray rings, loops;
      if (!FirstRings(ops, level, tol, rings, loops)) return;
      const size_t first = rings.size() - 1;
      ClearLevel(ops, rings, loops, P.Rough.XYStep, level, tol);
      AppendLevel(ops, rings, level, first, false);
      if (ops.Control.Halted()) return;
      TTBMachineRegionArray plateaus;
      PlanPlateaus(ops.Regions, level, plateaus, ops.Trace, ops.Profiles, base, P.FloorStock);
      for (const auto& m : plateaus) CutPlateau(ops, m, P.Rough.XYStep, tol, false);
    }
    NestedPlateaus(ops, master, base, P.FloorStock, P.Rough.XYStep, tol, false);
  }
}

void PocketFinish(const OperationRecords& ops) {
  TTBMachiningParameters& P = ops.MachiningParameters;
  if (ops.Control.Idle() || P.FinishMode <= 0 || !(P.Finish.Radius > 0)) return;
  TTBMasterRegionArray plan;
  if (!PlanPocketLevels(ops.Regions, plan, 0, ops.Profiles, false, P.Finish.Radius, P.Finish.ZStep)) return;
  const bool walls = WallProfileInUse(ops.Regions, plan);
  const bool floorPass = P.FinishMode == 3 && P.Finish.StockToLeave > 0;
  const size_t from = ops.Toolpaths.size();
  const TTBTolerances& tol = ops.FinishTolerances;
  LevelProgress progress(ops.Control, "Pocket finish", plan);
  for (const auto& master : plan) {
    const double depth = ops.Regions[static_cast<size_t>(master.Region)].Depth;
    for (size_t l = 1; l < master.Levels.size(); ++l) {
      progress.Next();
      const TTBMachineRegion& level = master.Levels[l];
      TTBRegionArray rings, loops;
      if (!FirstRings(ops, level, tol, rings, loops)) return;
      if (P.FinishMode == 1 ||
          (P.Finish.StockToLeave == 0 && P.Finish.Radius == P.Rough.Radius && !walls))
        rings = EmptyRegionList();
      for (size_t i = 1; i < rings.size(); ++i) rings[i].Used = 1;
      const size_t first = rings.size() - 1;
      if (floorPass && level.Z == depth) {
        const size_t from = rings.size();
        ClearLevel(ops, rings, loops, P.Finish.XYStep, level, tol);
        for (size_t i = from; i < rings.size(); ++i) rings[i].Used = 0;
      }
      for (size_t i = 1; i < loops.size(); ++i) {
        loops[i].Used = 1;
        rings.push_back(loops[i]);
      }
      AppendLevel(ops, rings, level, first, true);
      if (ops.Control.Halted()) return;
      if (floorPass) {
        TTBMachineRegionArray plateaus;
        PlanPlateaus(ops.Regions, level, plateaus, ops.Trace, ops.Profiles, P.Finish.Radius, 0);
        for (const auto& m : plateaus) CutPlateau(ops, m, P.Finish.XYStep, tol, true);
      }
    }
    if (floorPass)
      NestedPlateaus(ops, master, P.Finish.Radius + P.Finish.StockToLeave, P.FloorStock, P.Finish.XYStep, tol,
                     true);
  }
  // Finishing leads keep the finishing tool's clearance from every wall and
  // island of the pocket.
  TTBMachiningParameters leads = P;
  leads.Compensation = 0;
  AddLeadMoves(ops.Toolpaths, from, leads, ops.Dir, {&ops.Regions, P.Finish.Radius + P.Finish.StockToLeave});
}

}  // namespace tibrel
