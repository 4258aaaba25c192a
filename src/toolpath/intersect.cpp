#include "toolpath/intersect.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/tolerances.h"

namespace tibrel {

namespace {

// Circles within this of touching (relative to their size, at least 1) are
// tangent: they meet once.
constexpr double TangentHair = 1e-9;

double Sq(double v) { return v * v; }
double Dist2(TTBPoint a, TTBPoint b) { return Sq(a.X - b.X) + Sq(a.Y - b.Y); }

double Sweep(const TTBEntity& e) { return IsFullCircle(e) ? (e.Radius > 0 ? TwoPi : -TwoPi) : ArcSweep(e); }

// Clamps a candidate onto the entity: inside [0, 1], or near an end.
bool Counts(const TTBEntity& e, TTBPoint p, double& t) {
  if (t >= 0 && t <= 1) return true;
  if (Dist2(p, EntityStart(e)) < CrossingEndSquared) return t = 0, true;
  if (Dist2(p, EntityEnd(e)) < CrossingEndSquared) return t = 1, true;
  if (e.Radius != 0 && IsFullCircle(e)) {
    t = std::fmod(t, 1.0);
    return true;
  }
  return false;
}

// Candidate points where the carrier lines or circles meet.
int Candidates(const TTBEntity& a, const TTBEntity& b, TTBPoint c[4]) {
  if (a.Radius == 0 && b.Radius == 0) {
    const double dx = a.X2 - a.X, dy = a.Y2 - a.Y, ex = b.X2 - b.X, ey = b.Y2 - b.Y;
    const double den = dx * ey - dy * ex;
    const double la = std::hypot(dx, dy), lb = std::hypot(ex, ey);
    if (la == 0 || lb == 0) return 0;
    if (std::fabs(den) <= 1e-12 * la * lb) {
      // Parallel: only collinear lines meet, at the ends of their overlap.
      const double off = std::fabs((b.X - a.X) * dy - (b.Y - a.Y) * dx) / la;
      if (off > 1e-9 * std::max(1.0, la)) return 0;
      c[0] = {a.X, a.Y}, c[1] = {a.X2, a.Y2}, c[2] = {b.X, b.Y}, c[3] = {b.X2, b.Y2};
      return 4;
    }
    const double t = ((b.X - a.X) * ey - (b.Y - a.Y) * ex) / den;
    c[0] = {a.X + t * dx, a.Y + t * dy};
    return 1;
  }
  if (a.Radius == 0 || b.Radius == 0) {
    const TTBEntity& l = a.Radius == 0 ? a : b;
    const TTBEntity& k = a.Radius == 0 ? b : a;
    const double dx = l.X2 - l.X, dy = l.Y2 - l.Y, len2 = dx * dx + dy * dy;
    if (len2 == 0) return 0;
    const double t = ((k.X - l.X) * dx + (k.Y - l.Y) * dy) / len2;
    const TTBPoint f{l.X + t * dx, l.Y + t * dy};
    const double r = std::fabs(k.Radius);
    const double dist = std::sqrt(Dist2(f, {k.X, k.Y}));
    // Trimmed offsets are tangent to their corner arcs only to within
    // rounding: a line that misses or cuts the circle by a hair touches it.
    const double hair = TangentHair * std::max(1.0, r);
    if (dist > r + hair) return 0;
    if (dist >= r - hair) {
      c[0] = f;
      return 1;
    }
    const double h = std::sqrt((r * r - dist * dist) / len2);
    c[0] = {f.X - h * dx, f.Y - h * dy};
    c[1] = {f.X + h * dx, f.Y + h * dy};
    return 2;
  }
  const double r1 = std::fabs(a.Radius), r2 = std::fabs(b.Radius);
  const double d = std::sqrt(Dist2({a.X, a.Y}, {b.X, b.Y}));
  const double scale = std::max(r1, r2);
  if (d <= 1e-12 * scale) {
    // One circle: the arcs meet at the ends of their overlap.
    if (std::fabs(r1 - r2) > 1e-9 * scale) return 0;
    c[0] = EntityStart(a), c[1] = EntityEnd(a), c[2] = EntityStart(b), c[3] = EntityEnd(b);
    return 4;
  }
  const double hair = TangentHair * std::max(1.0, scale);
  if (d > r1 + r2 + hair || d < std::fabs(r1 - r2) - hair) return 0;
  const double x = (r1 * r1 - r2 * r2 + d * d) / (2 * d);
  const double h2 = r1 * r1 - x * x;
  const double ux = (b.X - a.X) / d, uy = (b.Y - a.Y) / d;
  const TTBPoint m{a.X + x * ux, a.Y + x * uy};
  if (h2 <= 0 || d >= r1 + r2 - hair || d <= std::fabs(r1 - r2) + hair) {
    c[0] = m;
    return 1;
  }
  const double h = std::sqrt(h2);
  c[0] = {m.X - h * uy, m.Y + h * ux};
  c[1] = {m.X + h * uy, m.Y - h * ux};
  return 2;
}

}  // namespace

double EntityParameter(const TTBEntity& e, TTBPoint p) {
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len2 = dx * dx + dy * dy;
    return len2 > 0 ? ((p.X - e.X) * dx + (p.Y - e.Y) * dy) / len2 : 0;
  }
  const double a = PointAngle({e.X, e.Y}, p);
  const double along = NormaliseAngle(e.Radius > 0 ? a - e.X2 : e.X2 - a);
  return along / std::fabs(Sweep(e));
}

TTBPoint EntityPointAt(const TTBEntity& e, double t) {
  if (e.Radius == 0) return {e.X + t * (e.X2 - e.X), e.Y + t * (e.Y2 - e.Y)};
  const double a = e.X2 + t * Sweep(e);
  const double r = std::fabs(e.Radius);
  return {e.X + r * std::cos(a), e.Y + r * std::sin(a)};
}

int IntersectEntities(const TTBEntity& a, const TTBEntity& b, TTBCrossing out[2]) {
  TTBPoint c[4];
  const int n = Candidates(a, b, c);
  TTBCrossing found[4];
  int k = 0;
  auto nearBox = [](const TTBEntity& e, TTBPoint p) {
    constexpr double m = 0.001;  // beyond the end tolerance: points outside cannot count
    return p.X >= e.XMin - m && p.X <= e.XMax + m && p.Y >= e.YMin - m && p.Y <= e.YMax + m;
  };
  for (int i = 0; i < n; ++i) {
    if (!nearBox(a, c[i]) || !nearBox(b, c[i])) continue;
    double ta = EntityParameter(a, c[i]), tb = EntityParameter(b, c[i]);
    if (!Counts(a, c[i], ta) || !Counts(b, c[i], tb)) continue;
    // Overlap ends may repeat: keep distinct points only.
    bool again = false;
    for (int j = 0; j < k; ++j) again = again || Dist2(found[j].P, c[i]) < Sq(CrossingMerge);
    if (!again) found[k++] = {c[i], ta, tb};
  }
  if (k > 2) k = 2;
  if (k == 2 && Dist2(found[0].P, found[1].P) < Sq(CrossingMerge)) {
    found[0] = {{(found[0].P.X + found[1].P.X) / 2, (found[0].P.Y + found[1].P.Y) / 2},
                (found[0].A + found[1].A) / 2, (found[0].B + found[1].B) / 2};
    k = 1;
  }
  for (int i = 0; i < k; ++i) out[i] = found[i];
  return k;
}

double EntityDistanceSquared(const TTBEntity& e, TTBPoint p) {
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len2 = dx * dx + dy * dy;
    const double pa = Sq(p.X - e.X) + Sq(p.Y - e.Y);
    if (len2 == 0) return pa;
    const double t = ((p.X - e.X) * dx + (p.Y - e.Y) * dy) / len2;
    if (t <= 0) return pa;
    if (t >= 1) return Sq(p.X - e.X2) + Sq(p.Y - e.Y2);
    return std::max(0.0, pa - t * t * len2);
  }
  if (AngleOnArc(e, PointAngle({e.X, e.Y}, p), 0)) return Sq(std::hypot(p.X - e.X, p.Y - e.Y) - std::fabs(e.Radius));
  return std::min(Dist2(p, EntityStart(e)), Dist2(p, EntityEnd(e)));
}

namespace {

// The foot of the perpendicular from p on a line piece, kept on the piece.
TTBPoint FootOn(const TTBEntity& line, TTBPoint p) {
  const double dx = line.X2 - line.X, dy = line.Y2 - line.Y, len2 = dx * dx + dy * dy;
  const double t = len2 == 0 ? 0 : std::clamp(((p.X - line.X) * dx + (p.Y - line.Y) * dy) / len2, 0.0, 1.0);
  return {line.X + t * dx, line.Y + t * dy};
}

// Points of e where, when the two entities do not cross, the nearest pair
// can lie away from their ends: on a line, the foot of the other arc's
// centre; on an arc, the points facing the other arc's centre or square to
// the other line.
void NearestCandidates(const TTBEntity& e, const TTBEntity& other, std::vector<TTBPoint>& out) {
  if (e.Radius == 0) {
    if (other.Radius != 0) out.push_back(FootOn(e, {other.X, other.Y}));
    return;
  }
  double angle;
  if (other.Radius != 0) {
    if (other.X == e.X && other.Y == e.Y) return;  // concentric: the ends decide
    angle = PointAngle({e.X, e.Y}, {other.X, other.Y});
  } else {
    angle = VectorAngle(other.X - other.X2, other.Y2 - other.Y);  // the line's normal
  }
  for (double a : {angle, angle + Pi}) {
    a = NormaliseAngle(a);
    if (AngleOnArc(e, a, 0)) out.push_back({e.X + std::fabs(e.Radius) * std::cos(a), e.Y + std::fabs(e.Radius) * std::sin(a)});
  }
}

}  // namespace

double EntitiesDistance(const TTBEntity& a, const TTBEntity& b) {
  TTBCrossing crossings[2];
  if (IntersectEntities(a, b, crossings) > 0) return 0;
  std::vector<TTBPoint> onA = {EntityStart(a), EntityEnd(a)}, onB = {EntityStart(b), EntityEnd(b)};
  NearestCandidates(a, b, onA);
  NearestCandidates(b, a, onB);
  double best = std::numeric_limits<double>::infinity();
  for (TTBPoint p : onA) best = std::min(best, EntityDistanceSquared(b, p));
  for (TTBPoint p : onB) best = std::min(best, EntityDistanceSquared(a, p));
  return std::sqrt(best);
}

}  // namespace tibrel
