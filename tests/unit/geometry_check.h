// Independent geometry for checking results: a point's distance to a line
// piece or an arc, written without the library's helpers.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/region.h"

namespace tibrel::testing_geometry {

struct Pt {
  double x, y;
};

inline double SegDist(Pt p, Pt a, Pt b) {
  const double vx = b.x - a.x, vy = b.y - a.y, l2 = vx * vx + vy * vy;
  double t = l2 > 0 ? ((p.x - a.x) * vx + (p.y - a.y) * vy) / l2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * vx), p.y - (a.y + t * vy));
}

// Start angle and signed sweep of an arc entity, from its own fields.
inline void ArcSpan(const TTBEntity& e, double& start, double& sweep) {
  start = e.X2;
  double s = e.Y2 - e.X2;
  const double tp = 2 * M_PI;
  if (std::fabs(s) < 1e-8) s = e.Radius > 0 ? tp : -tp;
  else if (e.Radius > 0 && s < 0) s += tp;
  else if (e.Radius < 0 && s > 0) s -= tp;
  sweep = s;
}

inline Pt ArcPoint(const TTBEntity& e, double a) { return {e.X + std::fabs(e.Radius) * std::cos(a), e.Y + std::fabs(e.Radius) * std::sin(a)}; }

inline double ArcDist(Pt p, const TTBEntity& e) {
  double start, sweep;
  ArcSpan(e, start, sweep);
  const double a = std::atan2(p.y - e.Y, p.x - e.X);
  // Along the sweep from the start, in the arc's sense.
  double along = (sweep > 0 ? a - start : start - a);
  along = std::fmod(std::fmod(along, 2 * M_PI) + 2 * M_PI, 2 * M_PI);
  if (along <= std::fabs(sweep)) return std::fabs(std::hypot(p.x - e.X, p.y - e.Y) - std::fabs(e.Radius));
  const Pt s = ArcPoint(e, start), t = ArcPoint(e, start + sweep);
  return std::min(std::hypot(p.x - s.x, p.y - s.y), std::hypot(p.x - t.x, p.y - t.y));
}

inline double Dist(Pt p, const TTBEntity& e) {
  return e.Radius == 0 ? SegDist(p, {e.X, e.Y}, {e.X2, e.Y2}) : ArcDist(p, e);
}

inline double DistToRegion(Pt p, const TTBRegion& r) {
  double d = 1e300;
  for (const auto& e : r.Entities) d = std::min(d, Dist(p, e));
  return d;
}

// Points along an entity, both ends included.
inline std::vector<Pt> Samples(const TTBEntity& e, int n) {
  std::vector<Pt> out;
  if (e.Radius == 0) {
    for (int k = 0; k <= n; ++k) out.push_back({e.X + (e.X2 - e.X) * k / n, e.Y + (e.Y2 - e.Y) * k / n});
    return out;
  }
  double start, sweep;
  ArcSpan(e, start, sweep);
  for (int k = 0; k <= n; ++k) out.push_back(ArcPoint(e, start + sweep * k / n));
  return out;
}

inline bool SegmentsCross(Pt a, Pt b, Pt c, Pt d) {
  auto orient = [](Pt p, Pt q, Pt r) { return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x); };
  const double d1 = orient(c, d, a), d2 = orient(c, d, b), d3 = orient(a, b, c), d4 = orient(a, b, d);
  const double eps = 1e-10;
  return ((d1 > eps && d2 < -eps) || (d1 < -eps && d2 > eps)) && ((d3 > eps && d4 < -eps) || (d3 < -eps && d4 > eps));
}

// Polyline of a loop for crossing checks.
inline std::vector<Pt> Polyline(const TTBRegion& r) {
  std::vector<Pt> pts;
  for (const auto& e : r.Entities) {
    const auto s = Samples(e, e.Radius == 0 ? 1 : 24);
    pts.insert(pts.end(), s.begin(), s.end() - 1);
  }
  return pts;
}

}  // namespace tibrel::testing_geometry
