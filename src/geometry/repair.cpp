#include "geometry/repair.h"

#include <algorithm>
#include <cmath>

#include "geometry/box_tree.h"
#include "geometry/point_grid.h"
#include "geometry/tolerances.h"

namespace tibrel {

namespace {

double Dist2(TTBPoint a, TTBPoint b) { return (a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y); }

bool OnEntity(const TTBEntity& e, TTBPoint p) {
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y;
    const double len2 = dx * dx + dy * dy;
    if (len2 <= 0) return false;
    const double t = ((p.X - e.X) * dx + (p.Y - e.Y) * dy) / len2;
    return t >= -GeometricZero && t <= 1 + GeometricZero;
  }
  return AngleOnArc(e, PointAngle({e.X, e.Y}, p), ArcAngleTolerance);
}

// Intersections of the infinite line through a with the circle of c.
int LineCircle(TTBPoint a, TTBPoint b, TTBPoint c, double r, TTBPoint out[2]) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double len2 = dx * dx + dy * dy;
  if (len2 <= 0) return 0;
  const double t = ((c.X - a.X) * dx + (c.Y - a.Y) * dy) / len2;
  const TTBPoint f{a.X + t * dx, a.Y + t * dy};
  const double h2 = r * r - Dist2(f, c);
  if (h2 < -GeometricZero) return 0;
  const double h = h2 <= 0 ? 0 : std::sqrt(h2 / len2);
  out[0] = {f.X + h * dx, f.Y + h * dy};
  if (h == 0) return 1;
  out[1] = {f.X - h * dx, f.Y - h * dy};
  return 2;
}

int CircleCircle(TTBPoint c1, double r1, TTBPoint c2, double r2, TTBPoint out[2]) {
  const double d = std::sqrt(Dist2(c1, c2));
  if (d < GeometricZero || d > r1 + r2 || d < std::fabs(r1 - r2)) return 0;
  const double a = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
  const double h2 = r1 * r1 - a * a;
  const double h = h2 <= 0 ? 0 : std::sqrt(h2);
  const TTBPoint m{c1.X + a * (c2.X - c1.X) / d, c1.Y + a * (c2.Y - c1.Y) / d};
  out[0] = {m.X + h * (c2.Y - c1.Y) / d, m.Y - h * (c2.X - c1.X) / d};
  if (h == 0) return 1;
  out[1] = {m.X - h * (c2.Y - c1.Y) / d, m.Y + h * (c2.X - c1.X) / d};
  return 2;
}

}  // namespace

int EntityCrossings(const TTBEntity& a, const TTBEntity& b, TTBPoint out[2]) {
  TTBPoint cand[2];
  int n = 0;
  if (a.Radius == 0 && b.Radius == 0) {
    const double d1x = a.X2 - a.X, d1y = a.Y2 - a.Y, d2x = b.X2 - b.X, d2y = b.Y2 - b.Y;
    const double den = d1x * d2y - d1y * d2x;
    if (std::fabs(den) < GeometricZero * GeometricZero) return 0;
    const double t = ((b.X - a.X) * d2y - (b.Y - a.Y) * d2x) / den;
    cand[0] = {a.X + t * d1x, a.Y + t * d1y};
    n = 1;
  } else if (a.Radius == 0) {
    n = LineCircle({a.X, a.Y}, {a.X2, a.Y2}, {b.X, b.Y}, std::fabs(b.Radius), cand);
  } else if (b.Radius == 0) {
    n = LineCircle({b.X, b.Y}, {b.X2, b.Y2}, {a.X, a.Y}, std::fabs(a.Radius), cand);
  } else {
    n = CircleCircle({a.X, a.Y}, std::fabs(a.Radius), {b.X, b.Y}, std::fabs(b.Radius), cand);
  }
  int k = 0;
  for (int i = 0; i < n; ++i)
    if (OnEntity(a, cand[i]) && OnEntity(b, cand[i])) out[k++] = cand[i];
  return k;
}

void SplitEntityAt(const TTBEntity& e, TTBPoint p, TTBEntity& before, TTBEntity& after) {
  before = e;
  after = e;
  if (e.Radius == 0) {
    before.X2 = p.X, before.Y2 = p.Y;
    after.X = p.X, after.Y = p.Y;
  } else {
    const double a = PointAngle({e.X, e.Y}, p);
    before.Y2 = a;
    after.X2 = a;
  }
  UpdateEntityBox(before);
  UpdateEntityBox(after);
}

namespace {

TTBRegion MakeLoop(const TTBRegion& like, TTBEntityArray ents, uint8_t cw) {
  TTBRegion r = like;
  r.Entities = std::move(ents);
  r.IsOpen = 0;
  UpdateRegionBox(r);
  SetRegionDirection(r, cw);
  return r;
}

// Splits region r where the start of entity i meets the end of entity j
// (the first such pair, i then j ascending; j is not the last entity). The
// end points are looked up in a grid rather than compared pair by pair.
bool SplitAtRepeatedPoint(const TTBRegion& r, uint8_t cw, TTBRegion& a, TTBRegion& b) {
  const auto& es = r.Entities;
  const size_t m = es.size();
  if (r.IsOpen || m < 4) return false;
  const double reach = std::sqrt(RepeatedPointSquared);
  std::vector<PointGrid::Entry> ends;
  for (size_t j = 1; j + 1 < m; ++j) ends.push_back({EntityEnd(es[j]), static_cast<uint32_t>(j)});
  PointGrid grid;
  grid.Build(ends, 2 * reach);
  for (size_t i = 0; i + 1 < m; ++i) {
    const TTBPoint s = EntityStart(es[i]);
    size_t j = SIZE_MAX;
    grid.ForEachNear(s.X - reach, s.X + reach, s.Y - reach, s.Y + reach, [&](size_t k) {
      if (k > i && k < j && Dist2(s, EntityEnd(es[k])) < RepeatedPointSquared) j = k;
      return true;
    });
    {
      if (j == SIZE_MAX) continue;
      TTBEntityArray outer(es.begin(), es.begin() + static_cast<std::ptrdiff_t>(i));
      outer.insert(outer.end(), es.begin() + static_cast<std::ptrdiff_t>(j) + 1, es.end());
      TTBEntityArray inner(es.begin() + static_cast<std::ptrdiff_t>(i), es.begin() + static_cast<std::ptrdiff_t>(j) + 1);
      a = MakeLoop(r, std::move(outer), cw);
      b = MakeLoop(r, std::move(inner), cw);
      return true;
    }
  }
  return false;
}

// Splits region r where two non-adjacent entities cross (the first such
// pair: the first entity against entities 2..last-1, then entity i against
// i+2..last). Candidates come from a box tree, in ascending order.
bool SplitAtCrossing(const TTBRegion& r, uint8_t cw, TTBRegion& a, TTBRegion& b) {
  const auto& es = r.Entities;
  const size_t m = es.size();
  if (r.IsOpen || m < 3) return false;
  std::vector<Box> boxes(m);
  std::vector<uint32_t> ids(m);
  for (size_t k = 0; k < m; ++k) boxes[k] = {es[k].XMin, es[k].YMin, es[k].YMax, es[k].XMax}, ids[k] = static_cast<uint32_t>(k);
  const BoxTree tree(std::move(boxes), std::move(ids));
  std::vector<uint32_t> near;
  for (size_t i = 0; i + 2 < m; ++i) {
    const size_t jEnd = i == 0 ? m - 1 : m;  // the first entity is adjacent to the last
    near.clear();
    tree.Overlapping({es[i].XMin, es[i].YMin, es[i].YMax, es[i].XMax}, near);
    std::sort(near.begin(), near.end());
    for (const uint32_t jj : near) {
      const size_t j = jj;
      if (j < i + 2 || j >= jEnd) continue;
      const TTBEntity &ei = es[i], &ej = es[j];
      TTBPoint x[2];
      if (EntityCrossings(ei, ej, x) == 0) continue;
      TTBEntity i1, i2, j1, j2;
      SplitEntityAt(ei, x[0], i1, i2);
      SplitEntityAt(ej, x[0], j1, j2);
      TTBEntityArray outer(es.begin(), es.begin() + static_cast<std::ptrdiff_t>(i));
      outer.push_back(i1);
      outer.push_back(j2);
      outer.insert(outer.end(), es.begin() + static_cast<std::ptrdiff_t>(j) + 1, es.end());
      TTBEntityArray inner{i2};
      inner.insert(inner.end(), es.begin() + static_cast<std::ptrdiff_t>(i) + 1, es.begin() + static_cast<std::ptrdiff_t>(j));
      inner.push_back(j1);
      std::erase_if(outer, [](const TTBEntity& e) { return !(EntityLength(e) > MinEntityLength); });
      std::erase_if(inner, [](const TTBEntity& e) { return !(EntityLength(e) > MinEntityLength); });
      if (outer.empty() || inner.empty()) continue;
      a = MakeLoop(r, std::move(outer), cw);
      b = MakeLoop(r, std::move(inner), cw);
      return true;
    }
  }
  return false;
}

template <class Split>
void RepeatPass(TTBRegionArray& regions, uint8_t cw, Split split) {
  const size_t rounds = 5 * regions.size();
  for (size_t round = 0; round < rounds; ++round) {
    bool changed = false;
    for (size_t k = 1; k < regions.size(); ++k) {
      TTBRegion a, b;
      if (!split(regions[k], cw, a, b)) continue;
      // The first part is looked at again at once, the second next.
      regions[k] = std::move(a);
      regions.insert(regions.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::move(b));
      --k;
      changed = true;
    }
    if (!changed) break;
  }
}

}  // namespace

void RepairSelfTouching(TTBRegionArray& regions, uint8_t cw) {
  RepeatPass(regions, cw, SplitAtRepeatedPoint);
  RepeatPass(regions, cw, SplitAtCrossing);
}

}  // namespace tibrel
