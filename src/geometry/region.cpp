#include "geometry/region.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"

namespace tibrel {

TTBRegionArray EmptyRegionList() { return TTBRegionArray(1); }

TTBPoint RegionStart(const TTBRegion& r) {
  return r.Entities.empty() ? TTBPoint{} : EntityStart(r.Entities.front());
}

TTBPoint RegionEnd(const TTBRegion& r) {
  return r.Entities.empty() ? TTBPoint{} : EntityEnd(r.Entities.back());
}

void RegionEnds(const TTBRegion& r, TTBPoint& start, TTBPoint& end) {
  start = RegionStart(r);
  end = RegionEnd(r);
}

void UpdateRegionBox(TTBRegion& r) {
  if (r.Entities.empty()) return;
  const TTBEntity& f = r.Entities.front();
  r.XMin = f.XMin;
  r.YMin = f.YMin;
  r.YMax = f.YMax;
  r.XMax = f.XMax;
  for (auto& e : r.Entities) {
    UnionBox(r, e);
    e.Pending = 0;
  }
}

namespace {

// Toggles the crossing count for the crossings of the horizontal ray from p
// (towards +X) with one arc. Returns true when p lies inside a full circle,
// which decides the whole test.
bool ArcCrossings(TTBPoint p, const TTBEntity& e, bool& inside) {
  if (e.X2 == e.Y2) {
    return std::hypot(p.X - e.X, p.Y - e.Y) <= std::fabs(e.Radius);
  }
  const double dy = p.Y - e.Y;
  const double rad = e.Radius * e.Radius - dy * dy;
  const double h = rad <= RadicalZero ? 0 : std::sqrt(rad);
  auto test = [&](double x) {
    if (p.X < x && AngleOnArc(e, PointAngle({e.X, e.Y}, {x, p.Y}), ArcAngleTolerance)) inside = !inside;
  };
  test(e.X + h);
  if (h != 0) test(e.X - h);
  return false;
}

}  // namespace

bool PointInRegion(TTBPoint p, const TTBRegion& r) {
  if (r.IsOpen || r.Entities.empty() || !PointInBox(p, r)) return false;
  bool inside = false;
  for (const auto& e : r.Entities) {
    if (!(e.YMin < p.Y && p.Y <= e.YMax + GeometricZero && p.X < e.XMax)) continue;
    if (e.Radius == 0) {
      if (e.Y2 == e.Y) continue;
      const double x = e.X + (e.X2 - e.X) * (p.Y - e.Y) / (e.Y2 - e.Y);
      if (x > p.X) inside = !inside;
    } else if (ArcCrossings(p, e, inside)) {
      return true;
    }
  }
  return inside;
}

uint8_t RegionDirection(const TTBRegion& r) {
  if (r.IsOpen || r.Entities.empty()) return 0;
  if (r.Entities.size() == 1) return r.Entities[0].Radius < 0 ? 1 : 0;
  double sum = 0;
  TTBPoint a = EntityStart(r.Entities.front());
  auto step = [&](TTBPoint b) {
    sum += (b.X - a.X) * a.Y - (b.Y - a.Y) * a.X;
    a = b;
  };
  for (const auto& e : r.Entities) {
    if (e.Radius != 0) step(EntityMidpoint(e));
    step(EntityEnd(e));
  }
  return sum > 0 ? 1 : 0;
}

void SetRegionDirection(TTBRegion& r, uint8_t cw) {
  r.Clockwise = cw;
  if (RegionDirection(r) != cw) {
    ReverseRegion(r);
    r.Clockwise = cw;
  }
}

void ReverseRegion(TTBRegion& r) {
  std::reverse(r.Entities.begin(), r.Entities.end());
  for (auto& e : r.Entities) ReverseEntity(e);
  r.Clockwise = r.Clockwise ? 0 : 1;
}

void ResetRegionMarks(TTBRegionArray& regions) {
  for (auto& r : regions) {
    r.WallProfile = 0;
    r.WallDelta = 0;
    r.Depth = 0;
    r.IslandOf = 0;
    r.Selected = 0;
  }
}

void MarkRange(TTBRegionArray& regions, size_t lo, size_t hi) {
  for (size_t i = 0; i < regions.size(); ++i) {
    if (i < lo) regions[i].Selected = 0;
    else if (i <= hi) regions[i].Selected = 1;
  }
}

void CountOpenClosed(const TTBRegionArray& regions, int& open, int& closed) {
  open = closed = 0;
  for (size_t i = 1; i < regions.size(); ++i) (regions[i].IsOpen ? open : closed)++;
}

void AppendRegions(const TTBRegionArray& src, size_t lo, TTBRegionArray& dst, bool cancelled) {
  if (cancelled || lo >= src.size()) return;
  dst.insert(dst.end(), src.begin() + static_cast<std::ptrdiff_t>(lo), src.end());
}

}  // namespace tibrel
