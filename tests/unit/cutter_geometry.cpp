#include "cutter_geometry.h"

#include <algorithm>
#include <cmath>

namespace tibrel::cutter {

namespace {

constexpr double FullTurn = 2 * M_PI;
// Within this of each other, two angles of an arc's sweep are one.
constexpr double SweepSlack = 1e-12;
// A point this much beyond a reach is still within it (rounding of the
// distance of points found exactly at the reach).
constexpr double EdgeSlack = 1e-9;

double Hyp(double x, double y) { return std::hypot(x, y); }

// How far along the arc's sweep, in its sense, the angle a lies: [0, 2 pi).
double AlongSweep(const Curve& c, double a) {
  const double d = c.sweep >= 0 ? a - c.a0 : c.a0 - a;
  const double m = std::fmod(d, FullTurn);
  return m < 0 ? m + FullTurn : m;
}

bool OnSweep(const Curve& c, double a) {
  return std::fabs(c.sweep) >= FullTurn - SweepSlack || AlongSweep(c, a) <= std::fabs(c.sweep) + SweepSlack;
}

TTBPoint At(const Curve& c, double a) { return {c.cx + c.r * std::cos(a), c.cy + c.r * std::sin(a)}; }

double SegmentDistance(TTBPoint p, double ax, double ay, double bx, double by) {
  const double vx = bx - ax, vy = by - ay, l2 = vx * vx + vy * vy;
  const double t = l2 > 0 ? std::clamp(((p.X - ax) * vx + (p.Y - ay) * vy) / l2, 0.0, 1.0) : 0.0;
  return Hyp(p.X - (ax + t * vx), p.Y - (ay + t * vy));
}

double Cross(double ax, double ay, double bx, double by, double px, double py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

bool LinesCross(const Curve& a, const Curve& b) {
  const double d1 = Cross(b.ax, b.ay, b.bx, b.by, a.ax, a.ay), d2 = Cross(b.ax, b.ay, b.bx, b.by, a.bx, a.by);
  const double d3 = Cross(a.ax, a.ay, a.bx, a.by, b.ax, b.ay), d4 = Cross(a.ax, a.ay, a.bx, a.by, b.bx, b.by);
  return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

bool LineMeetsArc(const Curve& line, const Curve& arc) {
  const double vx = line.bx - line.ax, vy = line.by - line.ay, fx = line.ax - arc.cx, fy = line.ay - arc.cy;
  const double a = vx * vx + vy * vy, b = 2 * (fx * vx + fy * vy), c = fx * fx + fy * fy - arc.r * arc.r;
  const double disc = b * b - 4 * a * c;
  if (a == 0 || disc < 0) return false;
  for (const double sgn : {-1.0, 1.0}) {
    const double t = (-b + sgn * std::sqrt(disc)) / (2 * a);
    if (t >= 0 && t <= 1 && OnSweep(arc, std::atan2(fy + t * vy, fx + t * vx))) return true;
  }
  return false;
}

bool ArcsMeet(const Curve& p, const Curve& q) {
  const double dx = q.cx - p.cx, dy = q.cy - p.cy, d = Hyp(dx, dy);
  if (d == 0 || d > p.r + q.r || d < std::fabs(p.r - q.r)) return false;
  const double a = (p.r * p.r - q.r * q.r + d * d) / (2 * d), h = std::sqrt(std::max(0.0, p.r * p.r - a * a));
  for (const double sgn : {-1.0, 1.0}) {
    const double x = p.cx + (a * dx - sgn * h * dy) / d, y = p.cy + (a * dy + sgn * h * dx) / d;
    if (OnSweep(p, std::atan2(y - p.cy, x - p.cx)) && OnSweep(q, std::atan2(y - q.cy, x - q.cx))) return true;
  }
  return false;
}

// Interior points of an arc where its distance to the other curve can have
// its minimum: facing a line square on, or on the line through both centres.
void InteriorCandidates(const Curve& arc, const Curve& other, double& best) {
  double dir[2];
  if (!other.arc) {
    const double vx = other.bx - other.ax, vy = other.by - other.ay;
    if (vx == 0 && vy == 0) return;
    dir[0] = std::atan2(vx, -vy);
  } else {
    if (other.cx == arc.cx && other.cy == arc.cy) return;
    dir[0] = std::atan2(other.cy - arc.cy, other.cx - arc.cx);
  }
  dir[1] = dir[0] + M_PI;
  for (const double a : dir)
    if (OnSweep(arc, a)) best = std::min(best, PointDistance(At(arc, a), other));
}

}  // namespace

Curve LineCurve(double ax, double ay, double bx, double by) {
  Curve c;
  c.ax = ax, c.ay = ay, c.bx = bx, c.by = by;
  return c;
}

Curve ArcCurve(double cx, double cy, double r, double a0, double sweep) {
  Curve c;
  c.arc = true;
  c.cx = cx, c.cy = cy, c.r = r, c.a0 = a0, c.sweep = sweep;
  const TTBPoint a = At(c, a0), b = At(c, a0 + sweep);
  c.ax = a.X, c.ay = a.Y, c.bx = b.X, c.by = b.Y;
  return c;
}

Curve EntityCurve(const TTBEntity& e) {
  if (e.Radius == 0) return LineCurve(e.X, e.Y, e.X2, e.Y2);
  double s = e.Y2 - e.X2;
  if (std::fabs(s) < 1e-8) s = e.Radius > 0 ? FullTurn : -FullTurn;
  else if (e.Radius > 0 && s < 0) s += FullTurn;
  else if (e.Radius < 0 && s > 0) s -= FullTurn;
  return ArcCurve(e.X, e.Y, std::fabs(e.Radius), e.X2, s);
}

Curve MoveCurve(const Move& m) {
  if (m.kind != Motion::ArcCW && m.kind != Motion::ArcCCW) return LineCurve(m.x0, m.y0, m.x1, m.y1);
  const double a0 = std::atan2(m.y0 - m.cy, m.x0 - m.cx), a1 = std::atan2(m.y1 - m.cy, m.x1 - m.cx);
  const bool full = m.x0 == m.x1 && m.y0 == m.y1;
  double s = a1 - a0;
  if (m.kind == Motion::ArcCW) s = full ? -FullTurn : s >= 0 ? s - FullTurn : s;
  else s = full ? FullTurn : s <= 0 ? s + FullTurn : s;
  return ArcCurve(m.cx, m.cy, Hyp(m.x0 - m.cx, m.y0 - m.cy), a0, s);
}

Curve SubCurve(const Curve& c, double t0, double t1) {
  if (c.arc) return ArcCurve(c.cx, c.cy, c.r, c.a0 + c.sweep * t0, c.sweep * (t1 - t0));
  const TTBPoint a = CurvePoint(c, t0), b = CurvePoint(c, t1);
  return LineCurve(a.X, a.Y, b.X, b.Y);
}

TTBPoint CurvePoint(const Curve& c, double t) {
  if (c.arc) return At(c, c.a0 + c.sweep * t);
  return {c.ax + (c.bx - c.ax) * t, c.ay + (c.by - c.ay) * t};
}

TTBPoint CurveTangent(const Curve& c, double t) {
  if (c.arc) {
    const double a = c.a0 + c.sweep * t, s = c.sweep >= 0 ? 1 : -1;
    return {-s * std::sin(a), s * std::cos(a)};
  }
  const double l = Hyp(c.bx - c.ax, c.by - c.ay);
  return l > 0 ? TTBPoint{(c.bx - c.ax) / l, (c.by - c.ay) / l} : TTBPoint{1, 0};
}

double CurveLength(const Curve& c) { return c.arc ? c.r * std::fabs(c.sweep) : Hyp(c.bx - c.ax, c.by - c.ay); }

Extent CurveExtent(const Curve& c) {
  if (c.arc) return {c.cx - c.r, c.cy - c.r, c.cx + c.r, c.cy + c.r};
  return {std::min(c.ax, c.bx), std::min(c.ay, c.by), std::max(c.ax, c.bx), std::max(c.ay, c.by)};
}

double PointDistance(TTBPoint p, const Curve& c) {
  if (!c.arc) return SegmentDistance(p, c.ax, c.ay, c.bx, c.by);
  const double d = Hyp(p.X - c.cx, p.Y - c.cy);
  if (d > 0 && OnSweep(c, std::atan2(p.Y - c.cy, p.X - c.cx))) return std::fabs(d - c.r);
  if (d == 0) return c.r;
  return std::min(Hyp(p.X - c.ax, p.Y - c.ay), Hyp(p.X - c.bx, p.Y - c.by));
}

// The minimum is at an end of one curve, or at interior points where the
// line joining them is square to both; crossing curves are 0 apart.
double CurveDistance(const Curve& a, const Curve& b) {
  const bool meet = !a.arc && !b.arc ? LinesCross(a, b)
                    : a.arc && b.arc ? ArcsMeet(a, b)
                    : a.arc          ? LineMeetsArc(b, a)
                                     : LineMeetsArc(a, b);
  if (meet) return 0;
  double best = std::min({PointDistance({a.ax, a.ay}, b), PointDistance({a.bx, a.by}, b),
                          PointDistance({b.ax, b.ay}, a), PointDistance({b.bx, b.by}, a)});
  if (a.arc) InteriorCandidates(a, b, best);
  if (b.arc) InteriorCandidates(b, a, best);
  return best;
}

std::optional<double> DeepestWithin(const Curve& c, double z0, double z1, double reach, TTBPoint q) {
  auto z = [&](double t) { return z0 + (z1 - z0) * t; };
  if (!c.arc) {
    const double vx = c.bx - c.ax, vy = c.by - c.ay, l2 = vx * vx + vy * vy;
    if (l2 == 0) {
      if (Hyp(q.X - c.ax, q.Y - c.ay) > reach) return std::nullopt;
      return std::min(z0, z1);
    }
    const double t = ((q.X - c.ax) * vx + (q.Y - c.ay) * vy) / l2;
    const double h = Hyp(q.X - (c.ax + t * vx), q.Y - (c.ay + t * vy));
    if (h > reach) return std::nullopt;
    const double half = std::sqrt(reach * reach - h * h) / std::sqrt(l2);
    const double ta = std::max(0.0, t - half), tb = std::min(1.0, t + half);
    if (ta > tb) return std::nullopt;
    return std::min(z(ta), z(tb));
  }
  const double d = Hyp(q.X - c.cx, q.Y - c.cy);
  if (d + c.r <= reach) return std::min(z0, z1);
  if (std::fabs(d - c.r) > reach || d == 0) return std::nullopt;
  // The arc's points within reach of q lie within alpha of q's angle.
  const double phi = std::atan2(q.Y - c.cy, q.X - c.cx);
  const double alpha = std::acos(std::clamp((c.r * c.r + d * d - reach * reach) / (2 * c.r * d), -1.0, 1.0));
  // The ends count when they are within reach; the window's edges, which
  // are within reach by construction, when they lie on the sweep.
  std::optional<double> best;
  auto take = [&](double t) { best = std::min(best.value_or(1e300), z(t)); };
  for (const double t : {0.0, 1.0}) {
    const TTBPoint p = CurvePoint(c, t);
    if (Hyp(p.X - q.X, p.Y - q.Y) <= reach + EdgeSlack) take(t);
  }
  for (const double a : {phi - alpha, phi + alpha}) {
    const double along = AlongSweep(c, a);
    if (along <= std::fabs(c.sweep)) take(along / std::fabs(c.sweep));
  }
  return best;
}

}  // namespace tibrel::cutter
