#include "geometry/entity.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"

namespace tibrel {

TTBEntity MakeLine(double x1, double y1, double x2, double y2) {
  TTBEntity e;
  e.X = x1;
  e.Y = y1;
  e.X2 = x2;
  e.Y2 = y2;
  UpdateEntityBox(e);
  return e;
}

TTBEntity MakeArc(double cx, double cy, double radius, double startAngle, double endAngle) {
  TTBEntity e;
  e.X = cx;
  e.Y = cy;
  e.Radius = radius;
  e.X2 = startAngle;
  e.Y2 = endAngle;
  UpdateEntityBox(e);
  return e;
}

TTBEntity MakeCircle(double cx, double cy, double radius) { return MakeArc(cx, cy, radius, 0, 0); }

TTBPoint EntityStart(const TTBEntity& e) {
  if (e.Radius == 0) return {e.X, e.Y};
  const double r = std::fabs(e.Radius);
  return {e.X + r * std::cos(e.X2), e.Y + r * std::sin(e.X2)};
}

TTBPoint EntityEnd(const TTBEntity& e) {
  if (e.Radius == 0) return {e.X2, e.Y2};
  const double r = std::fabs(e.Radius);
  return {e.X + r * std::cos(e.Y2), e.Y + r * std::sin(e.Y2)};
}

void EntityEnds(const TTBEntity& e, TTBPoint& start, TTBPoint& end) {
  start = EntityStart(e);
  end = EntityEnd(e);
}

bool IsFullCircle(const TTBEntity& e) {
  return e.Radius != 0 && std::fabs(e.X2 - e.Y2) <= AngleTolerance;
}

bool IsExactCircle(const TTBEntity& e) { return e.Radius != 0 && e.X2 == e.Y2; }

double ArcSweep(const TTBEntity& e) {
  double sweep = e.Y2 - e.X2;
  if (e.Radius > 0) {
    if (e.X2 >= e.Y2) sweep += TwoPi;
  } else {
    if (e.Y2 >= e.X2) sweep -= TwoPi;
  }
  return sweep;
}

double EntityLength(const TTBEntity& e) {
  if (e.Radius == 0) return std::hypot(e.X2 - e.X, e.Y2 - e.Y);
  const double sweep = std::fabs(e.X2 - e.Y2) <= AngleTolerance ? TwoPi : ArcSweep(e);
  return std::fabs(sweep * e.Radius);
}

namespace {

// One subtraction or addition of 2*pi, as the midpoint rules want.
double WrapOnce(double a) {
  if (a > TwoPi) return a - TwoPi;
  if (a < 0) return a + TwoPi;
  return a;
}

TTBPoint PointOnCircle(const TTBEntity& e, double a) {
  const double r = std::fabs(e.Radius);
  return {e.X + r * std::cos(a), e.Y + r * std::sin(a)};
}

}  // namespace

TTBPoint EntityMidpoint(const TTBEntity& e) {
  if (e.Radius == 0) return {(e.X + e.X2) / 2, (e.Y + e.Y2) / 2};
  return PointOnCircle(e, WrapOnce(e.X2 + ArcSweep(e) / 2));
}

TTBPoint EntityInteriorPoint(const TTBEntity& e) {
  constexpr double divisor = 4.158;
  if (e.Radius == 0) return {e.X + (e.X2 - e.X) / divisor, e.Y + (e.Y2 - e.Y) / divisor};
  return PointOnCircle(e, WrapOnce(e.X2 + ArcSweep(e) / divisor));
}

double NormaliseAngle(double a) {
  if (!std::isfinite(a)) return 0;
  a = std::fmod(a, TwoPi);
  if (a < 0) a += TwoPi;
  if (a >= TwoPi) a -= TwoPi;
  return a;
}

bool AngleOnArc(const TTBEntity& arc, double a, double tol) {
  if (IsFullCircle(arc)) return true;
  // Distance along the sweep from the start to a, in the arc's sense.
  const double sweep = ArcSweep(arc);
  double along = arc.Radius > 0 ? a - arc.X2 : arc.X2 - a;
  along = NormaliseAngle(along);
  const double len = std::fabs(sweep);
  return along <= len + tol || along >= TwoPi - tol;
}

void UpdateEntityBox(TTBEntity& e) {
  if (e.Radius == 0) {
    e.XMin = std::min(e.X, e.X2);
    e.XMax = std::max(e.X, e.X2);
    e.YMin = std::min(e.Y, e.Y2);
    e.YMax = std::max(e.Y, e.Y2);
    return;
  }
  const double r = std::fabs(e.Radius);
  if (IsFullCircle(e)) {
    e.XMin = e.X - r;
    e.XMax = e.X + r;
    e.YMin = e.Y - r;
    e.YMax = e.Y + r;
    return;
  }
  const TTBPoint s = EntityStart(e), t = EntityEnd(e);
  // The sweep passes an axis angle exactly when that angle lies on the arc.
  auto passes = [&](double a) { return AngleOnArc(e, a, 0); };
  e.XMax = passes(0) ? e.X + r : std::max(s.X, t.X);
  e.YMax = passes(Pi / 2) ? e.Y + r : std::max(s.Y, t.Y);
  e.XMin = passes(Pi) ? e.X - r : std::min(s.X, t.X);
  e.YMin = passes(3 * Pi / 2) ? e.Y - r : std::min(s.Y, t.Y);
}

void ReverseEntity(TTBEntity& e) {
  if (e.Radius == 0) {
    std::swap(e.X, e.X2);
    std::swap(e.Y, e.Y2);
  } else {
    std::swap(e.X2, e.Y2);
    e.Radius = -e.Radius;
  }
}

void SetEntityPoint(TTBEntity& e, TTBPoint p, int which) {
  if (e.Radius == 0) {
    if (which == 0) {
      e.X = p.X;
      e.Y = p.Y;
    } else {
      e.X2 = p.X;
      e.Y2 = p.Y;
    }
    return;
  }
  const double a = PointAngle({e.X, e.Y}, p);
  (which == 0 ? e.X2 : e.Y2) = a;
}

void MoveEntityPoint(TTBEntity& e, TTBPoint p, int which) {
  if (e.Radius == 0) {
    SetEntityPoint(e, p, which);
    return;
  }
  const TTBPoint other = which == 0 ? EntityEnd(e) : EntityStart(e);
  const double cx = p.X - other.X, cy = p.Y - other.Y;
  const double len = std::hypot(cx, cy);
  if (len < GeometricZero) return;
  const TTBPoint mid{(p.X + other.X) / 2, (p.Y + other.Y) / 2};
  const double h2 = e.Radius * e.Radius - len * len / 4;
  if (h2 < GeometricZero) {
    // A half circle whose chord the move lengthens has no centre at its old
    // radius. Leaving it would break the chain, so it becomes the half circle
    // on the new chord, its radius changed by at most half the move.
    if (len / 2 - std::fabs(e.Radius) > ChainTolerance) return;
    e.X = mid.X;
    e.Y = mid.Y;
    e.Radius = std::copysign(len / 2, e.Radius);
    const double ap = PointAngle(mid, p), ao = PointAngle(mid, other);
    e.X2 = which == 0 ? ap : ao;
    e.Y2 = which == 0 ? ao : ap;
    return;
  }
  const double h = std::sqrt(h2);
  const TTBPoint normal{-cy / len, cx / len};
  const TTBPoint c1{mid.X + h * normal.X, mid.Y + h * normal.Y};
  const TTBPoint c2{mid.X - h * normal.X, mid.Y - h * normal.Y};
  const double d1 = std::hypot(c1.X - e.X, c1.Y - e.Y);
  const double d2 = std::hypot(c2.X - e.X, c2.Y - e.Y);
  const TTBPoint c = d1 <= d2 ? c1 : c2;
  if (!std::isfinite(c.X) || !std::isfinite(c.Y)) return;
  e.X = c.X;
  e.Y = c.Y;
  const double ap = PointAngle(c, p), ao = PointAngle(c, other);
  if (which == 0) {
    e.X2 = ap;
    e.Y2 = ao;
  } else {
    e.X2 = ao;
    e.Y2 = ap;
  }
}

TTBPoint UnitDirection(const TTBEntity& line) {
  const double dx = line.X2 - line.X, dy = line.Y2 - line.Y;
  const double len = std::hypot(dx, dy);
  if (len < DirectionZero) return {dx * 10000, dy * 10000};
  return {dx / len, dy / len};
}

TTBPoint OffsetPoint(TTBPoint p, TTBPoint dir, double d) { return {p.X + d * dir.Y, p.Y - d * dir.X}; }

double VectorAngle(double dy, double dx) {
  if (dx == 0) return dy >= 0 ? Pi / 2 : 3 * Pi / 2;
  if (dy == 0) return dx >= 0 ? 0 : Pi;
  double a = std::atan(dy / dx);
  if (dx < 0) a += Pi;
  if (a < 0) a += TwoPi;
  return a;
}

double PointAngle(TTBPoint c, TTBPoint p) { return VectorAngle(p.Y - c.Y, p.X - c.X); }

void MarkAllPending(TTBEntityArray& entities) {
  for (auto& e : entities) e.Pending = 1;
}

void UpdateEntityBoxes(TTBEntityArray& entities) {
  for (auto& e : entities) UpdateEntityBox(e);
}

}  // namespace tibrel
