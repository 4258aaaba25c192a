#include "toolpath/contour.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"
#include "toolpath/intersect.h"
#include "toolpath/level_progress.h"
#include "toolpath/offset.h"

namespace tibrel {

namespace {

// More levels than this for one region is a typing error, not a job.
constexpr double MaxLevelsPerRegion = 100000;
// Paths whose ends are nearer than this follow each other without a lift.
constexpr double LinkTolerance = 0.0001;

// Levels of one region from the top to target, every step.
void AddLevels(TTBMachineRegionArray& levels, const TTBRegionArray& regions, size_t region, double target,
               double step, const TTBRegionArray& profiles, double base, double z = 0) {
  for (;;) {
    z += step;
    const bool last = target <= z;
    if (last) z = target;
    TTBMachineRegion m;
    m.Region = static_cast<int32_t>(region);
    m.Z = z;
    m.Offset = WallOffset(regions, region, z, profiles, base);
    levels.push_back(std::move(m));
    if (last) return;
  }
}

// The unit direction of travel at an entity's start or end; a direction
// too short to normalise is scaled up instead.
TTBPoint TravelAt(const TTBEntity& e, bool atEnd) {
  TTBPoint d;
  if (e.Radius == 0) {
    d = {e.X2 - e.X, e.Y2 - e.Y};
  } else {
    const double a = atEnd ? e.Y2 : e.X2;
    d = e.Radius > 0 ? TTBPoint{-std::sin(a), std::cos(a)} : TTBPoint{std::sin(a), -std::cos(a)};
  }
  const double len = std::hypot(d.X, d.Y);
  return len < 1e-10 ? TTBPoint{d.X * 10000, d.Y * 10000} : TTBPoint{d.X / len, d.Y / len};
}

double LeadSign(bool clockwise, int32_t compensation, bool island) {
  switch (compensation) {
    case 1: return -1;
    case 2: return 1;
    case 3: return (clockwise != island) ? 1 : -1;
    default: return clockwise ? -1 : 1;
  }
}

TTBEntity EntryMove(const TTBEntity& first, int32_t type, double s, double length) {
  const TTBPoint S = EntityStart(first), F = TravelAt(first, false), D{-F.X, -F.Y};
  TTBEntity lead;
  if (type == 1) {
    const TTBPoint M{S.X + s * D.Y, S.Y - s * D.X};
    const double a = PointAngle(M, S);
    lead = MakeArc(M.X, M.Y, s, NormaliseAngle(s <= 0 ? a + M_PI / 2 : a - M_PI / 2), a);
  } else if (type == 2) {
    lead = MakeLine(S.X + s * D.Y, S.Y - s * D.X, S.X, S.Y);
  } else {
    lead = MakeLine(S.X + length * D.X, S.Y + length * D.Y, S.X, S.Y);
  }
  lead.Pending = 1;
  return lead;
}

TTBEntity ExitMove(const TTBEntity& last, int32_t type, double s, double length) {
  const TTBPoint E = EntityEnd(last), D = TravelAt(last, true);
  TTBEntity lead;
  if (type == 1) {
    const TTBPoint M{E.X + s * D.Y, E.Y - s * D.X};
    const double a = PointAngle(M, E);
    lead = MakeArc(M.X, M.Y, -s, a, NormaliseAngle(s < 0 ? a + M_PI / 2 : a - M_PI / 2));
  } else if (type == 2) {
    lead = MakeLine(E.X, E.Y, E.X + s * D.Y, E.Y - s * D.X);
  } else {
    lead = MakeLine(E.X, E.Y, E.X + length * D.X, E.Y + length * D.Y);
  }
  lead.Pending = 1;
  return lead;
}

}  // namespace

int ContourSide(int32_t compensation, bool clockwise, bool island) {
  switch (compensation) {
    case 2: return 1;
    case 3: return island ? (clockwise ? 0 : 1) : (clockwise ? 1 : 0);
    default: return 0;
  }
}

bool PlanContourLevels(TTBRegionArray& regions, TTBMasterRegionArray& plan, const TTBRegionArray& profiles,
                       double floor, bool islandsAlone, double base, double zStep) {
  plan.clear();
  if (!(zStep >= 0)) return false;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (!r.Selected) continue;
    r.Used = 0;
    if (islandsAlone) {
      if (r.Depth == 0 && r.IslandOf >= 1 && r.IslandOf < regions.size()) r.Depth = regions[r.IslandOf].Depth;
      r.IslandOf = 0;
    }
  }
  double s = zStep;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (!r.Selected || !(r.Depth > 0) || r.IslandOf != 0) continue;
    if (s == 0) s = r.Depth;
    TTBMasterRegion master;
    master.Region = static_cast<int32_t>(i);
    master.Levels = TTBMachineRegionArray(1);
    auto plan1 = [&](size_t k) {
      if (regions[k].Depth / s > MaxLevelsPerRegion) return false;
      AddLevels(master.Levels, regions, k, regions[k].Depth - floor, s, profiles, base);
      return true;
    };
    if (!islandsAlone)
      for (size_t j = 1; j < regions.size(); ++j)
        if (regions[j].Selected && regions[j].IslandOf == i && regions[j].Depth > 0 && !plan1(j)) return false;
    if (!plan1(i)) return false;
    plan.push_back(std::move(master));
  }
  return true;
}

void LinkContourPaths(TTBRegionArray& results, const TTBMachiningParameters& params, TTBPoint current) {
  for (size_t i = 1; i < results.size(); ++i) {
    TTBRegion& r = results[i];
    const TTBPoint s = RegionStart(r);
    const TTBPoint from = i == 1 ? current : RegionEnd(results[i - 1]);
    if (std::hypot(s.X - from.X, s.Y - from.Y) < LinkTolerance) {
      r.ApproachDepth = i == 1 ? r.Depth : results[i - 1].Depth;
      r.LinkMode = i == 1 ? LinkRunStart : LinkStayDown;
    } else {
      r.ApproachDepth = -params.RapidHeight;
      r.LinkMode = LinkLift;
    }
  }
}

namespace {

// The fraction of the chosen lead length tried in turn when the full lead
// comes too near a wall; below the last one the lead is left out.
constexpr double LeadFractions[] = {1, 0.75, 0.5, 0.35, 0.25, 0.125, 0.0625};

// The nearest distance from an entity to the selected regions, looking no
// farther than limit (limit is returned when nothing is nearer).
double WallDistance(const TTBEntity& e, const TTBRegionArray& regions, double limit) {
  double best = limit;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (!r.Selected || !BoxesOverlapWidened(r, e, best)) continue;
    for (const auto& w : r.Entities)
      if (BoxesOverlapWidened(w, e, best)) best = std::min(best, EntitiesDistance(e, w));
  }
  return best;
}

bool KeepsClear(TTBEntity e, const LeadWalls& walls, double need) {
  UpdateEntityBox(e);
  return WallDistance(e, *walls.Regions, need) >= need - ClearanceSlack;
}

// The longest lead of the table's fractions that keeps clear, or none.
template <class Make>
TTBEntity FittedLead(Make make, double length, TTBPoint junction, const LeadWalls& walls) {
  if (!walls.Regions) return make(length);
  // A lead keeps the clearance its path has where they meet, up to what the
  // tool needs.
  TTBEntity point = MakeLine(junction.X, junction.Y, junction.X, junction.Y);
  const double need = std::min(walls.Clearance, WallDistance(point, *walls.Regions, walls.Clearance + 1));
  for (double f : LeadFractions) {
    TTBEntity lead = make(f * length);
    if (KeepsClear(lead, walls, need)) return lead;
  }
  TTBEntity none;
  none.Pending = 0;
  return none;
}

}  // namespace

void AddLeadMoves(TTBOutRegionArray& toolpaths, size_t from, const TTBMachiningParameters& P, bool clockwise,
                  const LeadWalls& walls) {
  const int32_t entryType = P.EntryType, exitType = P.ExitType, compensation = P.Compensation;
  const bool entry = entryType > 0 && P.EntryLength != 0, exit = exitType > 0 && P.ExitLength != 0;
  for (size_t i = std::max<size_t>(from, 1); i < toolpaths.size(); ++i) {
    TTBOutRegion& t = toolpaths[i];
    if (t.Entities.empty()) continue;
    const double sign = LeadSign(clockwise, compensation, compensation == 3 && t.IsIsland);
    const TTBEntity& first = t.Entities.front();
    const TTBEntity& last = t.Entities.back();
    if (entry && t.HasLeads == 1)
      t.EntryMove = FittedLead([&](double len) { return EntryMove(first, entryType, sign * len, len); },
                               P.EntryLength, EntityStart(first), walls);
    else
      t.EntryMove.Pending = 0;
    if (exit && t.HasLeads == 1)
      t.ExitMove = FittedLead([&](double len) { return ExitMove(last, exitType, -sign * len, len); }, P.ExitLength,
                              EntityEnd(last), walls);
    else
      t.ExitMove.Pending = 0;
  }
  // A path reached at depth (staying down, or plunged where the cutter is)
  // is fed from where the cutter stands to its entry; where that feed does
  // not keep clear, the path is reached from above.
  if (!walls.Regions) return;
  for (size_t i = std::max<size_t>(from, 2); i < toolpaths.size(); ++i) {
    TTBOutRegion& t = toolpaths[i];
    if (t.Entities.empty() || (t.LinkMode != LinkStayDown && t.LinkMode != LinkRunStart)) continue;
    const TTBPoint a = PathEnd(toolpaths[i - 1]), b = PathStart(t);
    if (std::hypot(b.X - a.X, b.Y - a.Y) < ClearanceSlack) continue;
    TTBPoint junction = EntityStart(t.Entities.front());
    TTBEntity point = MakeLine(junction.X, junction.Y, junction.X, junction.Y);
    const double need = std::min(walls.Clearance, WallDistance(point, *walls.Regions, walls.Clearance + 1));
    if (KeepsClear(MakeLine(a.X, a.Y, b.X, b.Y), walls, need)) continue;
    t.LinkMode = LinkLift;
    t.ApproachDepth = -P.RapidHeight;
  }
}

namespace {

// One level of a contour: the result paths of the level's region.
void ContourLevel(const OperationRecords& ops, const TTBMachineRegion& level, int32_t comp, double d, bool tagIslands,
                  TTBRegionArray& results) {
  const TTBRegion& region = ops.Regions[static_cast<size_t>(level.Region)];
  const bool island = comp == 3 && region.IslandOf >= 1;
  const int side = ContourSide(comp, ops.Dir, island);
  TTBEntityArray raw, pieces;
  if (comp == 3 && region.IsOpen) return;
  if (!RawOffset(region, raw, level.Offset, tagIslands && !island, side, ops.Control)) return;
  if (comp == 0) {
    ChainLoops(raw, results, true, level.Z);
    return;
  }
  TrimContext ctx{&ops.Regions, &level, &region, nullptr, false};
  if (region.IsOpen) {
    TrimOpenOffset(raw, pieces, d, region);
    ChainLoops(pieces, results, true, level.Z);
  } else if (TrimOffset(raw, pieces, d, 1, nullptr, ctx, ops.Control)) {
    ChainLoops(pieces, results, false, level.Z);
  }
}

void ContourPass(const OperationRecords& ops, const TTBMasterRegionArray& plan, bool finish) {
  TTBMachiningParameters& P = ops.MachiningParameters;
  const int32_t comp = P.Compensation;
  const bool leads = finish || P.EntryType >= 1 || P.ExitType >= 1;
  const double d = finish ? P.Finish.Radius : P.Rough.Radius + P.Rough.StockToLeave;
  TTBPoint current{0, 0};
  LevelProgress progress(ops.Control, finish ? "Contour finish" : "Contour", plan);
  for (const auto& master : plan)
    for (size_t l = 1; l < master.Levels.size(); ++l) {
      progress.Next();
      if (ops.Control.Halted()) return;
      const TTBMachineRegion& level = master.Levels[l];
      TTBRegionArray results = EmptyRegionList();
      ContourLevel(ops, level, comp, d, !finish, results);
      if (results.size() < 2) continue;
      if (leads)
        for (size_t i = 1; i < results.size(); ++i) results[i].Used = 1;
      SimplifyPaths(results, 1, finish ? ops.FinishTolerances : ops.RoughTolerances);
      LinkContourPaths(results, P, current);
      current = RegionEnd(results.back());
      const bool island = !finish && comp == 3 && ops.Regions[static_cast<size_t>(level.Region)].IslandOf >= 1;
      AppendToolpaths(results, P, island, finish, ops.Toolpaths);
    }
}

// The walls of a contour: the selected regions, except when the cutter runs
// on them (compensation None).
LeadWalls ContourWalls(const TTBRegionArray& regions, const TTBMachiningParameters& P, double clearance) {
  if (P.Compensation == 0) return {};
  return {&regions, clearance};
}

}  // namespace

void ContourRough(const OperationRecords& ops) {
  if (ops.Control.Idle()) return;
  TTBMachiningParameters& P = ops.MachiningParameters;
  double floor = 0, base = P.Rough.Radius + P.Rough.StockToLeave;
  bool islandsAlone = true;
  if (P.Compensation == 0) {
    P.Rough.Radius = P.Finish.Radius = 0;
    floor = P.Rough.StockToLeave;
    P.Rough.StockToLeave = 0;
    base = 0;
  } else if (P.Compensation == 3) {
    for (size_t i = 1; i < ops.Regions.size(); ++i) {
      TTBRegion& r = ops.Regions[i];
      if (r.Selected && r.NestCount % 2 == 1 && r.Encloser < ops.Regions.size()) r.IslandOf = r.Encloser;
    }
    for (size_t i = 1; i < ops.Regions.size(); ++i) {
      TTBRegion& r = ops.Regions[i];
      if (!r.Selected || r.IslandOf < 1 || r.IslandOf >= ops.Regions.size()) continue;
      const double boundary = ops.Regions[r.IslandOf].Depth;
      if (r.Depth == 0 || r.Depth > boundary) r.Depth = boundary;
    }
    islandsAlone = false;
  }
  TTBMasterRegionArray plan;
  ops.Toolpaths = EmptyToolpathList();
  if (!PlanContourLevels(ops.Regions, plan, ops.Profiles, floor, islandsAlone, base, P.Rough.ZStep)) return;
  ContourPass(ops, plan, false);
  AddLeadMoves(ops.Toolpaths, 1, P, ops.Dir, ContourWalls(ops.Regions, P, P.Rough.Radius + P.Rough.StockToLeave));
}

void ContourFinish(const OperationRecords& ops) {
  TTBMachiningParameters& P = ops.MachiningParameters;
  if (ops.Control.Idle() || P.FinishMode < 1 || P.Compensation >= 3) return;
  TTBMasterRegionArray plan;
  if (!PlanContourLevels(ops.Regions, plan, ops.Profiles, 0, true, P.Finish.Radius, P.Finish.ZStep)) return;
  const size_t from = ops.Toolpaths.size();
  ContourPass(ops, plan, true);
  AddLeadMoves(ops.Toolpaths, from, P, ops.Dir, ContourWalls(ops.Regions, P, P.Finish.Radius));
}

}  // namespace tibrel
