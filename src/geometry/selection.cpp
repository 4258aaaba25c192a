#include "geometry/selection.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/box_tree.h"
#include "geometry/kdtree.h"
#include "geometry/tolerances.h"

namespace tibrel {

namespace {

const char* const NothingSelected = "Nothing Is Selected";
const char* const ProcessCancelled = "Process Cancelled...";
const char* const Ready = "Ready...";
// Island detection lets the front end breathe every fiftieth of its work.
constexpr size_t PollParts = 50;

double Sq(double v) { return v * v; }

bool InRect(TTBPoint p, TTBPoint a, TTBPoint b) {
  const double x0 = std::min(a.X, b.X) - ChainTolerance, x1 = std::max(a.X, b.X) + ChainTolerance;
  const double y0 = std::min(a.Y, b.Y) - ChainTolerance, y1 = std::max(a.Y, b.Y) + ChainTolerance;
  return p.X >= x0 && p.X <= x1 && p.Y >= y0 && p.Y <= y1;
}

bool Usable(const TTBRegion& r) { return !r.Entities.empty(); }

// What island classification gathers about the enclosers of one region.
struct Enclosure {
  uint32_t count = 0;
  bool odd = false;
  size_t nearest = 0;
  double param = std::numeric_limits<double>::infinity();
};

// Enclosers must be added in index order: on equal ray parameters the first
// one stays the nearest.
void AddEncloser(Enclosure& e, const TTBRegionArray& regions, size_t j, TTBPoint t, double toX) {
  ++e.count;
  e.odd = !e.odd;
  const double p = RayHitParameter(regions[j], t, toX);
  if (e.nearest == 0 || p < e.param) {
    e.param = p;
    e.nearest = j;
  }
}

// Marks region i as a boundary or an island by the parity of its enclosers.
void ApplyClass(TTBRegion& r, size_t i, const Enclosure& e) {
  r.Selected = 1;
  r.NestCount = e.count;
  if (e.odd) {
    r.IslandOf = static_cast<uint32_t>(e.nearest);
    r.Encloser = static_cast<uint32_t>(e.nearest);
  } else {
    r.IslandOf = 0;
    r.Encloser = static_cast<uint32_t>(e.nearest != 0 ? e.nearest : i);
  }
}

// j encloses i: both closed, i's box inside j's, and i's test point inside j.
bool Encloses(const TTBRegion& j, const TTBRegion& i, TTBPoint t, bool boxTest) {
  return !j.IsOpen && !i.IsOpen && Usable(j) && (!boxTest || BoxInside(j, i)) && PointInRegion(t, j);
}

double RayEnd(const TExtents& extents) { return extents.XMax + 1; }

// Classifies region i against the candidates (ascending indices).
void Classify(TTBRegionArray& regions, size_t i, const std::vector<size_t>& candidates, bool boxTest, double toX,
              Enclosure e = {}) {
  const TTBPoint t = TestPoint(regions[i]);
  for (size_t j : candidates)
    if (j != i && Encloses(regions[j], regions[i], t, boxTest)) AddEncloser(e, regions, j, t, toX);
  ApplyClass(regions[i], i, e);
}

struct Marks {
  uint8_t Selected;
  uint32_t IslandOf, Encloser, NestCount;
};

std::vector<Marks> SaveMarks(const TTBRegionArray& regions) {
  std::vector<Marks> m(regions.size());
  for (size_t i = 0; i < regions.size(); ++i)
    m[i] = {regions[i].Selected, regions[i].IslandOf, regions[i].Encloser, regions[i].NestCount};
  return m;
}

void RestoreMarks(TTBRegionArray& regions, const std::vector<Marks>& m) {
  for (size_t i = 0; i < regions.size(); ++i) {
    regions[i].Selected = m[i].Selected;
    regions[i].IslandOf = m[i].IslandOf;
    regions[i].Encloser = m[i].Encloser;
    regions[i].NestCount = m[i].NestCount;
  }
}

bool Valid(const TTBRegionArray& regions, size_t k) { return k >= 1 && k < regions.size(); }

}  // namespace

double PickDistanceSquared(const TTBEntity& e, TTBPoint p) {
  TTBPoint s, t;
  EntityEnds(e, s, t);
  const double ds = Sq(p.X - s.X) + Sq(p.Y - s.Y), dt = Sq(p.X - t.X) + Sq(p.Y - t.Y);
  if (e.Radius == 0) {
    const double dx = t.X - s.X, dy = t.Y - s.Y, len2 = dx * dx + dy * dy;
    const double u = len2 > 0 ? ((p.X - s.X) * dx + (p.Y - s.Y) * dy) / len2 : -1;
    if (u < 0 || u > 1) return std::min(ds, dt);
    return Sq((p.X - s.X) * dy - (p.Y - s.Y) * dx) / len2;
  }
  if (AngleOnArc(e, PointAngle({e.X, e.Y}, p), ArcAngleTolerance))
    return Sq(std::hypot(p.X - e.X, p.Y - e.Y) - std::fabs(e.Radius));
  return std::min(ds, dt);
}

size_t PickRegion(const TTBRegionArray& regions, TTBPoint p, double pickDistance, bool selectedOnly) {
  const double limit = pickDistance * pickDistance;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (selectedOnly && !r.Selected) continue;
    // Nothing of a region whose widened box misses p can be near enough.
    if (p.X < r.XMin - pickDistance || p.X > r.XMax + pickDistance || p.Y < r.YMin - pickDistance ||
        p.Y > r.YMax + pickDistance)
      continue;
    for (const auto& e : r.Entities)
      if (PickDistanceSquared(e, p) < limit) return i;
  }
  return 0;
}

TTBPoint TestPoint(const TTBRegion& r) { return r.Entities.empty() ? TTBPoint{} : EntityInteriorPoint(r.Entities.front()); }

void DeselectRegion(TTBRegion& r) {
  r.Selected = 0;
  r.IslandOf = 0;
  r.Depth = 0;
  r.WallProfile = 0;
  r.WallDelta = 0;
}

double RayHitParameter(const TTBRegion& r, TTBPoint from, double toX) {
  const double len = toX - from.X;
  double best = 2;
  auto hit = [&](double x) {
    if (x >= from.X && x <= toX && len > 0) best = std::min(best, (x - from.X) / len);
  };
  for (const auto& e : r.Entities) {
    if (e.Radius == 0) {
      if (e.Y == e.Y2) continue;
      if (from.Y < std::min(e.Y, e.Y2) || from.Y > std::max(e.Y, e.Y2)) continue;
      hit(e.X + (e.X2 - e.X) * (from.Y - e.Y) / (e.Y2 - e.Y));
      continue;
    }
    const double rad = e.Radius * e.Radius - Sq(from.Y - e.Y);
    if (rad < -RadicalZero) continue;
    const double h = rad <= RadicalZero ? 0 : std::sqrt(rad);
    for (double x : {e.X + h, e.X - h})
      if (AngleOnArc(e, PointAngle({e.X, e.Y}, {x, from.Y}), ArcAngleTolerance)) hit(x);
  }
  return best;
}

std::string IslandTotalsMessage(int boundaries, int islands) {
  if (boundaries == 0 && islands == 0) return " Ready...";
  return std::to_string(boundaries) + " Boundaries " + std::to_string(islands) + "  Islands Selected";
}

CommandResult SelectAllOpen(TTBRegionArray& regions) {
  CommandResult res;
  bool any = false;
  for (size_t i = 1; i < regions.size(); ++i) {
    if (regions[i].IsOpen) regions[i].Selected = 1;
    any = any || regions[i].Selected;
  }
  res.Changed = true;
  if (!any) res.Message = NothingSelected;
  return res;
}

CommandResult SelectAllClosed(TTBRegionArray& regions, const TExtents& extents, const PassControl& control) {
  CommandResult res;
  TTBRegionArray& R = regions;
  const std::vector<Marks> before = SaveMarks(R);
  control.SetMode(ModeSelectAllClosed);
  control.Begin("Detecting Islands... Esc to Cancel...", static_cast<int64_t>(R.size()));
  // The enclosers of a region are among the closed regions whose boxes hold
  // its test point; a box tree finds those without comparing every pair.
  std::vector<Box> boxes;
  std::vector<uint32_t> ids;
  for (size_t j = 1; j < R.size(); ++j)
    if (!R[j].IsOpen && Usable(R[j])) {
      boxes.push_back({R[j].XMin, R[j].YMin, R[j].YMax, R[j].XMax});
      ids.push_back(static_cast<uint32_t>(j));
    }
  const BoxTree tree(std::move(boxes), std::move(ids));
  const double toX = RayEnd(extents);
  const size_t every = std::max<size_t>(1, R.size() / PollParts);
  int boundaries = 0, islands = 0;
  std::vector<uint32_t> found;
  std::vector<size_t> candidates;
  for (size_t i = 1; i < R.size(); ++i) {
    if (i % every == 0) {
      control.Advance(static_cast<int64_t>(i));
      if (control.Stopped()) {
        RestoreMarks(R, before);
        control.End();
        control.SetMode(ModeIdle);
        control.ClearCancel();
        res.Status = ProcessCancelled;
        return res;
      }
    }
    if (R[i].Selected || R[i].IsOpen || !Usable(R[i])) {
      ++boundaries;
      continue;
    }
    found.clear();
    tree.Containing(TestPoint(R[i]), found);
    candidates.assign(found.begin(), found.end());
    std::sort(candidates.begin(), candidates.end());
    Classify(R, i, candidates, true, toX);
    (R[i].IslandOf ? islands : boundaries)++;
  }
  control.End();
  control.SetMode(ModeIdle);
  res.Changed = true;
  res.Status = IslandTotalsMessage(boundaries, islands);
  return res;
}

CommandResult SelectAll(TTBRegionArray& regions, const TExtents& extents, const PassControl& control) {
  CommandResult open = SelectAllOpen(regions);
  CommandResult res = SelectAllClosed(regions, extents, control);
  res.Message = open.Message;
  return res;
}

CommandResult SelectAllAsIslands(TTBRegionArray& regions, const TExtents& extents, double pickDistance,
                                 const PassControl& control) {
  CommandResult res;
  TTBRegionArray& R = regions;
  control.SetMode(ModeAllAsIslands);
  control.Begin("Detecting Islands... Esc to Cancel...", static_cast<int64_t>(R.size()));
  const TTBPoint q{extents.XMin - pickDistance / 2, extents.YMin - pickDistance / 2};
  size_t k = 0;
  double best = std::numeric_limits<double>::infinity();
  for (size_t i = 1; i < R.size(); ++i)
    for (const auto& e : R[i].Entities) {
      const double d = PickDistanceSquared(e, q);
      if (d < best) best = d, k = i;
    }
  int closed = 0;
  if (k != 0) {
    const std::vector<Marks> before = SaveMarks(R);
    std::vector<double> depths(R.size());
    for (size_t i = 0; i < R.size(); ++i) depths[i] = R[i].Depth;
    const size_t every = std::max<size_t>(1, R.size() / PollParts);
    for (size_t i = 1; i < R.size(); ++i) {
      if (i % every == 0 && control.Stopped()) {
        RestoreMarks(R, before);
        for (size_t j = 0; j < R.size(); ++j) R[j].Depth = depths[j];
        control.End();
        control.SetMode(ModeIdle);
        control.ClearCancel();
        res.Status = ProcessCancelled;
        return res;
      }
      if (R[i].IsOpen || !Usable(R[i])) continue;
      R[i].Selected = 1;
      R[i].IslandOf = static_cast<uint32_t>(k);
      R[i].Encloser = static_cast<uint32_t>(k);
      R[i].Depth = 0;
      ++closed;
    }
    R[k].IslandOf = 0;
    R[0].IslandOf = static_cast<uint32_t>(k);
  }
  control.End();
  control.SetMode(ModeIdle);
  res.Changed = true;
  res.Status = std::to_string(closed) + "  Islands Selected";
  return res;
}

CommandResult SelectWindow(TTBRegionArray& regions, const TExtents& extents, TTBPoint a, TTBPoint b) {
  CommandResult res;
  TTBRegionArray& R = regions;
  std::vector<size_t> inside;  // closed regions whose test point is in the rectangle
  for (size_t i = 1; i < R.size(); ++i)
    if (!R[i].IsOpen && Usable(R[i]) && InRect(TestPoint(R[i]), a, b)) inside.push_back(i);
  const double toX = RayEnd(extents);
  for (size_t i = 1; i < R.size(); ++i) {
    if (!Usable(R[i]) || !InRect(TestPoint(R[i]), a, b)) continue;
    if (R[i].IsOpen)
      R[i].Selected = 1;
    else
      Classify(R, i, inside, false, toX);
  }
  res.Changed = true;
  res.Status = Ready;
  return res;
}

CommandResult DeselectWindow(TTBRegionArray& regions, TTBPoint a, TTBPoint b) {
  CommandResult res;
  for (size_t i = 1; i < regions.size(); ++i) {
    TTBRegion& r = regions[i];
    if (r.Selected && Usable(r) && InRect(EntityEnd(r.Entities.front()), a, b)) DeselectRegion(r);
  }
  res.Changed = true;
  res.Status = Ready;
  return res;
}

CommandResult SelectRegionNumber(TTBRegionArray& regions, const TExtents& extents, size_t k) {
  CommandResult res;
  if (!Valid(regions, k)) return res;
  TTBRegionArray& R = regions;
  TTBRegion& K = R[k];
  K.Selected = 1;
  K.Encloser = static_cast<uint32_t>(k);
  K.NestCount = 0;
  K.IslandOf = 0;
  res.Changed = true;
  const double toX = RayEnd(extents);
  for (size_t j = 1; j < R.size(); ++j) {
    if (j == k || !Usable(R[j])) continue;
    const TTBPoint t = TestPoint(R[j]);
    if (R[j].IsOpen) {
      if (BoxInside(K, R[j]) && PointInRegion(t, K)) R[j].Selected = 1;
      continue;
    }
    if (R[j].Selected || !Encloses(K, R[j], t, true)) continue;
    // k is the first encloser; the others start inside k and enclose j by
    // the island rule (box and test point), as in Select All Closed.
    Enclosure e;
    AddEncloser(e, R, k, t, toX);
    for (size_t c = 1; c < R.size(); ++c) {
      if (c == k || c == j || !Encloses(R[c], R[j], t, true)) continue;
      if (PointInRegion(EntityEnd(R[c].Entities.front()), K)) AddEncloser(e, R, c, t, toX);
    }
    ApplyClass(R[j], j, e);
  }
  return res;
}

CommandResult SelectRegionAt(TTBRegionArray& regions, const TExtents& extents, TTBPoint p, double pickDistance) {
  return SelectRegionNumber(regions, extents, PickRegion(regions, p, pickDistance));
}

namespace {

// The deselect clicks pick among the selected regions only.
template <class Act>
CommandResult DeselectPicked(TTBRegionArray& regions, TTBPoint p, double pickDistance, Act act) {
  CommandResult res;
  const size_t k = PickRegion(regions, p, pickDistance, true);
  if (k == 0) return res;
  act(regions, k);
  res.Changed = true;
  return res;
}

}  // namespace

CommandResult DeselectRegionAt(TTBRegionArray& regions, TTBPoint p, double pickDistance) {
  return DeselectPicked(regions, p, pickDistance, [](TTBRegionArray& R, size_t k) {
    for (size_t j = 1; j < R.size(); ++j)
      if (j != k && Usable(R[j]) && Encloses(R[k], R[j], TestPoint(R[j]), true)) DeselectRegion(R[j]);
    DeselectRegion(R[k]);
  });
}

CommandResult SelectSingleNumber(TTBRegionArray& regions, const TExtents& extents, size_t k) {
  CommandResult res;
  if (!Valid(regions, k) || regions[k].Selected) return res;
  TTBRegionArray& R = regions;
  if (R[k].IsOpen) {
    R[k].Selected = 1;
  } else {
    std::vector<size_t> candidates;
    for (size_t j = 1; j < R.size(); ++j)
      if (R[j].Selected && !R[j].IsOpen) candidates.push_back(j);
    Classify(R, k, candidates, true, RayEnd(extents));
  }
  res.Changed = true;
  return res;
}

CommandResult SelectSingleAt(TTBRegionArray& regions, const TExtents& extents, TTBPoint p, double pickDistance) {
  return SelectSingleNumber(regions, extents, PickRegion(regions, p, pickDistance));
}

CommandResult DeselectSingleAt(TTBRegionArray& regions, TTBPoint p, double pickDistance) {
  return DeselectPicked(regions, p, pickDistance, [](TTBRegionArray& R, size_t k) { DeselectRegion(R[k]); });
}

CommandResult SingleBoundaryNumber(TTBRegionArray& regions, size_t k) {
  CommandResult res;
  if (!Valid(regions, k)) return res;
  TTBRegion& r = regions[k];
  if (r.Selected) res.Status = "Region " + std::to_string(k) + " Already Selected";
  r.Selected = 1;
  r.IslandOf = 0;
  r.Encloser = static_cast<uint32_t>(k);
  res.Changed = true;
  return res;
}

CommandResult SingleBoundaryAt(TTBRegionArray& regions, TTBPoint p, double pickDistance) {
  return SingleBoundaryNumber(regions, PickRegion(regions, p, pickDistance));
}

CommandResult SingleIslandNumbers(TTBRegionArray& regions, size_t b, size_t k) {
  CommandResult res;
  if (!Valid(regions, b) || !Valid(regions, k)) return res;
  TTBRegion& r = regions[k];
  r.Selected = 1;
  r.NestCount = regions[b].NestCount + 1;
  r.Encloser = static_cast<uint32_t>(b);
  r.IslandOf = static_cast<uint32_t>(b);
  res.Changed = true;
  return res;
}

CommandResult SingleIslandAt(TTBRegionArray& regions, TTBPoint p, double pickDistance, const PassControl& control,
                             size_t& boundary) {
  CommandResult res;
  const size_t k = PickRegion(regions, p, pickDistance);
  if (k == 0) return res;
  if (control.InMode(ModeSingleIsland)) {
    boundary = k;
    control.SetMode(ModeSingleIslandBoundary);
    res.Status = "Select Island To " + std::to_string(k);
    return res;
  }
  return SingleIslandNumbers(regions, boundary, k);
}

std::vector<uint8_t> EmptyCircleMarks(const TTBRegionArray& R) {
  std::vector<uint8_t> marks(R.size(), 0);
  if (R.size() <= 1) return marks;
  // The first entities' end points, indexed for "is any of them inside".
  std::vector<TTBPoint> ends(R.size() - 1);
  std::vector<uint8_t> has(R.size() - 1, 0);
  for (size_t i = 1; i < R.size(); ++i)
    if (Usable(R[i])) ends[i - 1] = EntityEnd(R[i].Entities.front()), has[i - 1] = 1;
  NearestTree tree(ends);
  for (size_t i = 0; i < has.size(); ++i)
    if (!has[i]) tree.TakeNearest(ends[i]);  // regions without entities end nowhere
  for (size_t i = 1; i < R.size(); ++i) {
    if (R[i].Entities.size() != 1 || R[i].Entities[0].Radius == 0) continue;
    const TTBEntity& c = R[i].Entities[0];
    marks[i] = !tree.AnyWithin({c.X, c.Y}, c.Radius * c.Radius, i - 1);
  }
  return marks;
}

CommandResult SelectEmptyCircles(TTBRegionArray& regions) {
  const std::vector<uint8_t> marks = EmptyCircleMarks(regions);
  for (size_t i = 1; i < regions.size(); ++i)
    if (marks[i]) regions[i].Selected = 1;
  CommandResult res;
  res.Changed = true;
  return res;
}

CommandResult DeselectEmptyCircles(TTBRegionArray& regions) {
  const std::vector<uint8_t> marks = EmptyCircleMarks(regions);
  for (size_t i = 1; i < regions.size(); ++i)
    if (marks[i] && regions[i].Selected) DeselectRegion(regions[i]);
  CommandResult res;
  res.Changed = true;
  return res;
}

CommandResult DeselectAll(TTBRegionArray& regions, const PassControl& control) {
  ResetRegionMarks(regions);
  control.SetMode(ModeIdle);
  CommandResult res;
  res.Changed = true;
  res.Status = Ready;
  return res;
}

CommandResult DeselectAllOpen(TTBRegionArray& regions) {
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected && regions[i].IsOpen) DeselectRegion(regions[i]);
  CommandResult res;
  res.Changed = true;
  return res;
}

CommandResult DeselectAllClosed(TTBRegionArray& regions) {
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected && !regions[i].IsOpen) DeselectRegion(regions[i]);
  CommandResult res;
  res.Changed = true;
  return res;
}

CommandResult BeginMachiningOrder(TTBRegionArray& regions, int startAt, int32_t& nextOrderNumber,
                                  const PassControl& control) {
  ResetRegionMarks(regions);
  nextOrderNumber = startAt;
  control.SetMode(ModeMachiningOrder);
  CommandResult res;
  res.Changed = true;
  res.Status = "Click on regions in sequence...";
  return res;
}

CommandResult MachiningOrderPick(TTBRegionArray& regions, size_t k, int32_t& nextOrderNumber, const PassControl& control) {
  CommandResult res;
  const auto last = static_cast<int32_t>(regions.size()) - 1;
  // Each click fills the next position, up to the last one.
  if (!(nextOrderNumber > 0 && nextOrderNumber <= last)) {
    control.SetMode(ModeIdle);
    res.Status = "Machining Order Set...";
    return res;
  }
  if (k == 0 || k >= regions.size()) return res;
  const auto to = static_cast<size_t>(nextOrderNumber);
  if (k != to) std::swap(regions[k], regions[to]);
  ++nextOrderNumber;
  res.Changed = true;
  if (nextOrderNumber > last) {
    control.SetMode(ModeIdle);
    res.Status = "Machining Order Set...";
  } else {
    res.Status = "Next sequence number is " + std::to_string(nextOrderNumber);
  }
  return res;
}

CommandResult MachiningOrderClick(TTBRegionArray& regions, TTBPoint p, double pickDistance, int32_t& nextOrderNumber,
                                  const PassControl& control) {
  return MachiningOrderPick(regions, PickRegion(regions, p, pickDistance), nextOrderNumber, control);
}

CommandResult SetMachiningOrder(TTBRegionArray& regions, int startAt, const std::vector<size_t>& numbers,
                                int32_t& nextOrderNumber, const PassControl& control) {
  CommandResult res = BeginMachiningOrder(regions, startAt, nextOrderNumber, control);
  // where[n]: the position now holding the region first numbered n.
  std::vector<size_t> where(regions.size()), who(regions.size());
  for (size_t i = 0; i < where.size(); ++i) where[i] = who[i] = i;
  for (size_t n : numbers) {
    if (n == 0 || n >= where.size()) {
      res.Message = "Region " + std::to_string(n) + " does not exist";
      return res;
    }
    const size_t at = where[n];
    const auto to = static_cast<size_t>(std::max(nextOrderNumber, 0));
    res = MachiningOrderPick(regions, at, nextOrderNumber, control);
    if (res.Changed && to < who.size() && at != to) {
      std::swap(who[at], who[to]);
      where[who[at]] = at;
      where[who[to]] = to;
    }
  }
  return res;
}

}  // namespace tibrel
