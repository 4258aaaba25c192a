#include "geometry/editing.h"

#include <algorithm>
#include <cmath>

#include "core/numbers.h"
#include "geometry/chain.h"
#include "geometry/repair.h"
#include "geometry/tolerances.h"

namespace tibrel {

namespace {

const char* const NothingSelected = "Nothing Is Selected";

bool AnySelected(const TTBRegionArray& R) {
  for (size_t i = 1; i < R.size(); ++i)
    if (R[i].Selected) return true;
  return false;
}

CommandResult Nothing() {
  CommandResult res;
  res.Message = NothingSelected;
  return res;
}

// Position of p along an entity: 0 at its start, 1 at its end.
double ParameterOn(const TTBEntity& e, TTBPoint p) {
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len2 = dx * dx + dy * dy;
    return len2 > 0 ? ((p.X - e.X) * dx + (p.Y - e.Y) * dy) / len2 : 0;
  }
  const double sweep = std::fabs(ArcSweep(e));
  double along = e.Radius > 0 ? PointAngle({e.X, e.Y}, p) - e.X2 : e.X2 - PointAngle({e.X, e.Y}, p);
  along = NormaliseAngle(along);
  // Just before the start counts as the start.
  if (along > sweep && along > TwoPi - ArcAngleTolerance) along -= TwoPi;
  return sweep > 0 ? along / sweep : 0;
}

// Splits a one-circle region into two half circles (counter-clockwise: 0 to
// pi and pi to 2*pi; clockwise: 2*pi to pi and pi to 0).
void SplitCircle(TTBRegion& r) {
  if (r.Entities.size() != 1 || !IsFullCircle(r.Entities[0])) return;
  const TTBEntity c = r.Entities[0];
  if (c.Radius > 0)
    r.Entities = {MakeArc(c.X, c.Y, c.Radius, 0, Pi), MakeArc(c.X, c.Y, c.Radius, Pi, TwoPi)};
  else
    r.Entities = {MakeArc(c.X, c.Y, c.Radius, TwoPi, Pi), MakeArc(c.X, c.Y, c.Radius, Pi, 0)};
}

bool BoxesOverlap(const TTBRegion& a, const TTBRegion& b) {
  return a.XMin <= b.XMax && b.XMin <= a.XMax && a.YMin <= b.YMax && b.YMin <= a.YMax;
}

// The first entity of b (in order) that crosses an entity of a; SIZE_MAX when none.
size_t FirstCrossing(const TTBRegion& a, const TTBRegion& b) {
  for (const auto& ea : a.Entities)
    for (size_t j = 0; j < b.Entities.size(); ++j) {
      const TTBEntity& eb = b.Entities[j];
      if (ea.XMax < eb.XMin || eb.XMax < ea.XMin || ea.YMax < eb.YMin || eb.YMax < ea.YMin) continue;
      TTBPoint x[2];
      if (EntityCrossings(ea, eb, x) > 0) return j;
    }
  return SIZE_MAX;
}

// Whether an entity reaches a side of the box: an arc by its own box side, a
// line by its start point.
constexpr double ReachTolerance = MinEntityLength;
enum class Side { XMin, YMin, YMax, XMax };
bool Reaches(const TTBEntity& e, const TTBRegion& r, Side side) {
  if (e.Radius != 0) {
    switch (side) {
      case Side::XMin: return std::fabs(e.XMin - r.XMin) <= ReachTolerance;
      case Side::YMin: return std::fabs(e.YMin - r.YMin) <= ReachTolerance;
      case Side::YMax: return std::fabs(e.YMax - r.YMax) <= ReachTolerance;
      default: return std::fabs(e.XMax - r.XMax) <= ReachTolerance;
    }
  }
  switch (side) {
    case Side::XMin: return std::fabs(e.X - r.XMin) <= ReachTolerance;
    case Side::YMin: return std::fabs(e.Y - r.YMin) <= ReachTolerance;
    case Side::YMax: return std::fabs(e.Y - r.YMax) <= ReachTolerance;
    default: return std::fabs(e.X - r.XMax) <= ReachTolerance;
  }
}

void Rotate(TTBEntityArray& es, size_t first) {
  std::rotate(es.begin(), es.begin() + static_cast<std::ptrdiff_t>(first), es.end());
}

}  // namespace

bool UniteRegions(const TTBRegion& a0, const TTBRegion& b0, size_t ib, TTBRegion& result) {
  if (a0.Entities.empty() || ib >= b0.Entities.size()) return false;
  // Room for the pieces, and the budget of the walk.
  const size_t budget = 3 * ((a0.Entities.size() - 1) + (b0.Entities.size() - 1)) + 3;
  Side side = Side::XMax;
  if (a0.XMin <= b0.XMin) side = Side::XMin;
  else if (a0.YMin <= b0.YMin) side = Side::YMin;
  else if (a0.XMax < b0.XMax) side = Side::YMax;
  size_t start = SIZE_MAX;
  for (size_t k = 0; k < a0.Entities.size() && start == SIZE_MAX; ++k)
    if (Reaches(a0.Entities[k], a0, side)) start = k;
  if (start == SIZE_MAX) return false;
  TTBEntityArray ea = a0.Entities, eb = b0.Entities;
  Rotate(ea, start);
  Rotate(eb, ib);
  const TTBEntityArray* lists[2] = {&ea, &eb};

  result = TTBRegion{};
  int on = 0;       // 0: walking a, 1: walking b
  size_t index = 0; // entity of the current region
  TTBEntity piece = ea[0];
  while (result.Entities.size() < budget) {
    const TTBEntityArray& other = *lists[1 - on];
    double bestT = std::numeric_limits<double>::infinity();
    size_t bestJ = SIZE_MAX;
    TTBPoint bestP{};
    for (size_t j = 0; j < other.size(); ++j) {
      TTBPoint x[2];
      const int n = EntityCrossings(piece, other[j], x);
      for (int k = 0; k < n; ++k) {
        const double t = ParameterOn(piece, x[k]), u = ParameterOn(other[j], x[k]);
        if (t > 1e-8 && t <= 1.01 && u < 0.99999999 && t <= bestT) bestT = t, bestJ = j, bestP = x[k];
      }
    }
    if (bestJ != SIZE_MAX) {
      TTBEntity before, after;
      SplitEntityAt(piece, bestP, before, after);
      result.Entities.push_back(before);
      SplitEntityAt(other[bestJ], bestP, before, after);
      piece = after;
      on = 1 - on;
      index = bestJ;
      continue;
    }
    result.Entities.push_back(piece);
    const TTBEntityArray& mine = *lists[on];
    if (++index >= mine.size()) {
      if (on == 0) break;  // every entity of a has been passed
      index = 0;
    }
    piece = mine[index];
  }
  if (result.Entities.size() >= budget) return false;
  std::erase_if(result.Entities, [](const TTBEntity& e) { return !(EntityLength(e) > MinEntityLength); });
  if (result.Entities.empty()) return false;
  for (auto& e : result.Entities) UpdateEntityBox(e);
  UpdateRegionBox(result);
  TTBRegion both = a0;
  UnionBox(both, b0);
  if (!SameBox(result, both)) return false;
  result.IsOpen = 0;
  SetRegionDirection(result, a0.Clockwise);
  return true;
}

CommandResult DeleteSelectedRegions(TTBRegionArray& regions, TExtents& extents) {
  RemoveMarkedRegions(regions);
  extents = RegionExtents(regions);
  regions[0].IslandOf = 0;
  CommandResult res;
  res.Changed = true;
  return res;
}

CommandResult ReverseSelectedRegions(TTBRegionArray& regions) {
  if (!AnySelected(regions)) return Nothing();
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected) ReverseRegion(regions[i]);
  CommandResult res;
  res.Changed = true;
  return res;
}

void MakeFirstEntity(TTBRegion& r, size_t e) {
  if (r.IsOpen || e == 0 || e >= r.Entities.size()) return;
  Rotate(r.Entities, e);
}

CommandResult ChangeFirstEntityAt(TTBRegionArray& regions, TTBPoint p, double pickDistance) {
  CommandResult res;
  const double limit = pickDistance * pickDistance;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (r.IsOpen) continue;
    size_t nearest = SIZE_MAX;
    double best = limit;
    for (size_t k = 0; k < r.Entities.size(); ++k) {
      const double d = PickDistanceSquared(r.Entities[k], p);
      if (d < best) best = d, nearest = k;
    }
    if (nearest == SIZE_MAX) continue;
    MakeFirstEntity(r, nearest);
    res.Changed = true;
    return res;
  }
  return res;
}

CommandResult ExplodeSelected(TTBRegionArray& regions) {
  CommandResult res;
  TTBRegionArray& R = regions;
  const size_t last = R.size();
  size_t made = 0;
  for (size_t i = 1; i < last; ++i) {
    if (!R[i].Selected || R[i].Entities.size() < 2) continue;
    for (size_t k = 1; k < R[i].Entities.size(); ++k) {
      TTBRegion piece;
      piece.Entities = {R[i].Entities[k]};
      piece.IsOpen = 1;
      UpdateRegionBox(piece);
      R.push_back(std::move(piece));
      ++made;
    }
    TTBRegion& r = R[i];
    r.Entities.resize(1);
    r.IsOpen = 1;
    r.IslandOf = 0;
    r.Selected = 0;
    UpdateRegionBox(r);
  }
  R[0].IslandOf = 0;
  res.Changed = true;
  if (made > 0) res.Status = std::to_string(made) + " New Regions Created";
  return res;
}

CommandResult JoinSelected(TTBRegionArray& regions, uint8_t clockwise) {
  if (!AnySelected(regions)) return Nothing();
  TTBEntityArray segments;
  TTBRegionArray kept;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (r.Selected) segments.insert(segments.end(), r.Entities.begin(), r.Entities.end());
    else kept.push_back(std::move(r));
  }
  for (auto& e : segments) UpdateEntityBox(e);
  TTBRegionArray chains;
  ChainEntities(segments, chains, clockwise ? 1 : 0, ChainTolerance, 0);
  chains.insert(chains.end(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
  for (auto& r : chains) r.IslandOf = 0;
  regions = std::move(chains);
  CommandResult res;
  res.Changed = true;
  return res;
}

namespace {

// One round of Combine; the new list replaces the old.
void CombineRound(TTBRegionArray& R) {
  if (!AnySelected(R)) return;
  SortRegionsByXMin(R, 1, R.size() - 1);
  TTBRegionArray out = EmptyRegionList();
  out[0] = R[0];
  for (size_t i = 1; i < R.size(); ++i)
    if (!(R[i].Selected && !R[i].IsOpen)) {
      out.push_back(R[i]);
      out.back().Selected = 0;
    }
  for (size_t i = 1; i < R.size(); ++i) {
    if (!(R[i].Selected && !R[i].IsOpen)) continue;
    TTBRegion a = R[i];
    SplitCircle(a);
    bool united = false;
    for (size_t j = i + 1; j < R.size() && R[j].XMin <= R[i].XMax + ChainTolerance; ++j) {
      if (!R[j].Selected || R[j].IsOpen || !BoxesOverlap(R[i], R[j])) continue;
      TTBRegion b = R[j];
      SplitCircle(b);
      const size_t ib = FirstCrossing(a, b);
      if (ib == SIZE_MAX) continue;
      TTBRegion u;
      if (!UniteRegions(a, b, ib, u)) continue;
      R[i].Selected = 0;
      R[j].Selected = 0;
      u.Selected = 1;
      out.push_back(std::move(u));
      united = true;
      break;
    }
    if (!united) out.push_back(R[i]);
  }
  R = std::move(out);
}

}  // namespace

CommandResult CombineSelected(TTBRegionArray& regions) {
  if (!AnySelected(regions)) return Nothing();
  const size_t before = regions.size() - 1;
  for (size_t round = 0; round < before + 1; ++round) {
    const size_t count = regions.size();
    CombineRound(regions);
    if (regions.size() == count) break;
  }
  regions[0].IslandOf = 0;
  CommandResult res;
  res.Changed = true;
  res.Status = std::to_string(regions.size() - 1) + " regions created from " + std::to_string(before) +
               " original regions";
  return res;
}

CommandResult ApplyDepths(TTBRegionArray& regions, const std::string& depthText, DepthTarget target, const std::string& regionText) {
  TTBRegionArray& R = regions;
  const double d = ToNumber(depthText);
  switch (target) {
    case DepthTarget::Boundaries:
      for (size_t i = 1; i < R.size(); ++i)
        if (R[i].Selected && R[i].IslandOf == 0) R[i].Depth = d;
      break;
    case DepthTarget::Islands:
      for (size_t i = 1; i < R.size(); ++i)
        if (R[i].Selected && R[i].IslandOf != 0) R[i].Depth = d;
      break;
    case DepthTarget::SingleRegion: {
      const double k = ToNumber(regionText);
      if (k >= 1 && k < static_cast<double>(R.size())) R[static_cast<size_t>(k)].Depth = d;
      break;
    }
  }
  // A region not as deep as its encloser stays (or becomes) its island.
  for (size_t i = 1; i < R.size(); ++i) {
    TTBRegion& r = R[i];
    if (!r.Selected) continue;
    const size_t e = r.Encloser;
    if (e >= 1 && e < R.size() && e != i && r.Depth < R[e].Depth)
      r.IslandOf = static_cast<uint32_t>(e);
    else
      r.IslandOf = 0;
  }
  CommandResult res;
  res.Changed = true;
  return res;
}

namespace {

// The encloser's depth for an island, else the region's own.
double ReferenceDepth(const TTBRegionArray& regions, size_t k) {
  const TTBRegion& r = regions[k];
  if (r.IslandOf != 0 && r.Encloser < regions.size()) return regions[r.Encloser].Depth;
  return r.Depth;
}

}  // namespace

std::string WallDeltaOnEnter(const TTBRegionArray& regions, size_t region, const std::string& deltaText) {
  if (region < 1 || region >= regions.size() || !(ToNumber(deltaText) < 0)) return deltaText;
  return FormatNumber("%.4f", ReferenceDepth(regions, region));
}

std::string WallDeltaOnMinus(const TTBRegionArray& regions, size_t region) {
  if (region < 1 || region >= regions.size()) return "";
  const TTBRegion& r = regions[region];
  const size_t e = r.Encloser < regions.size() ? r.Encloser : region;
  const double diff = std::fabs(r.Depth - regions[e].Depth);
  return FormatNumber("%.4f", diff > 0.0001 ? diff : r.Depth);
}

CommandResult ApplyWall(TTBRegionArray& regions, const std::string& regionText, const std::string& profileText,
                        const std::string& deltaText) {
  CommandResult res;
  if (deltaText.empty()) return res.Message = "No Delta Value", res;
  const double delta = ToNumber(deltaText);
  if (!(delta > 0)) return res.Message = "Delta value should be greater than 0.", res;
  if (regionText.empty()) return res.Message = "No Region Selected", res;
  if (profileText.empty()) return res.Message = "No Profile Selected", res;
  const double k = ToNumber(regionText), p = ToNumber(profileText);
  // A region number outside the list changes nothing.
  if (p < 1 || k < 1 || k >= static_cast<double>(regions.size())) return res;
  TTBRegion& r = regions[static_cast<size_t>(k)];
  r.WallDelta = static_cast<float>(delta);
  r.WallProfile = static_cast<uint32_t>(p);
  res.Changed = true;
  return res;
}

}  // namespace tibrel
