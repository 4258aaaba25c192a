#include "dxf/spline.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"

namespace tibrel {

namespace {

using Homogeneous = std::array<double, 3>;

DxfPoint3 Sub(const DxfPoint3& a, const DxfPoint3& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
DxfPoint3 Add(const DxfPoint3& a, const DxfPoint3& b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
DxfPoint3 Mul(const DxfPoint3& a, double k) { return {a.X * k, a.Y * k, a.Z * k}; }
double Norm(const DxfPoint3& a) { return std::sqrt(a.X * a.X + a.Y * a.Y + a.Z * a.Z); }
DxfPoint3 CrossP(const DxfPoint3& a, const DxfPoint3& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// The groups 10/20/30 (or 11/21/31) of a point list: each X starts a point.
void PointGroup(std::vector<DxfPoint3>& list, int axis, const DxfGroup& g) {
  const double v = GroupReal(g);
  if (axis == 0) {
    list.push_back({v, 0, 0});
  } else if (!list.empty()) {
    (axis == 1 ? list.back().Y : list.back().Z) = v;
  }
}

void TangentGroup(std::optional<DxfPoint3>& t, int axis, const DxfGroup& g) {
  if (!t) t = DxfPoint3{};
  (axis == 0 ? t->X : axis == 1 ? t->Y : t->Z) = GroupReal(g);
}

// The B-spline basis functions of the given degree that are not zero at t in
// span k (knots[k] <= t < knots[k + 1]): N[k - degree .. k].
std::vector<double> Basis(const std::vector<double>& knots, size_t k, int degree, double t) {
  const size_t p = static_cast<size_t>(degree);
  std::vector<double> n(p + 1, 0.0), left(p + 1), right(p + 1);
  n[0] = 1;
  for (size_t j = 1; j <= p; ++j) {
    left[j] = t - knots[k + 1 - j];
    right[j] = knots[k + j] - t;
    double saved = 0;
    for (size_t r = 0; r < j; ++r) {
      const double den = right[r + 1] + left[j - r];
      const double tmp = den != 0 ? n[r] / den : 0;
      n[r] = saved + right[r + 1] * tmp;
      saved = left[j - r] * tmp;
    }
    n[j] = saved;
  }
  return n;
}

// Drawing programs estimate a missing end tangent of a fit-point spline from
// the first (last) few chords: the five-point rule, weighing the chords by
// how much the polygon turns on either side.
DxfPoint3 EstimatedEndTangent(const std::vector<DxfPoint3>& q, bool atStart) {
  const size_t n = q.size();
  // Chords d[1] .. d[n-1] between the points; two more are extrapolated on
  // the side of the end asked for.
  auto chord = [&](size_t i) { return Sub(q[i], q[i - 1]); };
  DxfPoint3 a, b, c, d;  // the four chords around the end, in travel order
  if (atStart) {
    const DxfPoint3 d1 = chord(1), d2 = chord(2);
    const DxfPoint3 d0 = Sub(Mul(d1, 2), d2), dm = Sub(Mul(d0, 2), d1);
    a = dm, b = d0, c = d1, d = d2;
  } else {
    const DxfPoint3 dl = chord(n - 1), dk = chord(n - 2);
    const DxfPoint3 dn = Sub(Mul(dl, 2), dk), dn1 = Sub(Mul(dn, 2), dl);
    a = dk, b = dl, c = dn, d = dn1;
  }
  const double v1 = Norm(CrossP(a, b)), v2 = Norm(CrossP(c, d));
  const double alpha = v1 + v2 > 0 ? v1 / (v1 + v2) : 0.5;
  return Add(Mul(b, 1 - alpha), Mul(c, alpha));
}

// Solves the tridiagonal system lower[i] x[i-1] + diag[i] x[i] + upper[i]
// x[i+1] = rhs[i] in place (rhs becomes x). False when it is singular.
bool SolveTridiagonal(std::vector<double> lower, std::vector<double> diag, std::vector<double> upper,
                      std::vector<DxfPoint3>& rhs) {
  const size_t n = rhs.size();
  for (size_t i = 1; i < n; ++i) {
    if (diag[i - 1] == 0) return false;
    const double w = lower[i] / diag[i - 1];
    diag[i] -= w * upper[i - 1];
    rhs[i] = Sub(rhs[i], Mul(rhs[i - 1], w));
  }
  if (n == 0 || diag[n - 1] == 0) return n == 0;
  rhs[n - 1] = Mul(rhs[n - 1], 1 / diag[n - 1]);
  for (size_t i = n - 1; i-- > 0;) rhs[i] = Mul(Sub(rhs[i], Mul(rhs[i + 1], upper[i])), 1 / diag[i]);
  return true;
}

bool Ascending(const std::vector<double>& k) {
  for (size_t i = 0; i < k.size(); ++i)
    if (!std::isfinite(k[i]) || (i > 0 && k[i] < k[i - 1])) return false;
  return true;
}

}  // namespace

std::unique_ptr<Spline_> SplineFromGroups(const DxfGroups& groups) {
  auto s = std::make_unique<Spline_>();
  for (const DxfGroup& g : groups) {
    switch (g.Code) {
      case 10: case 20: case 30: PointGroup(s->Control, g.Code / 10 - 1, g); break;
      case 11: case 21: case 31: PointGroup(s->Fit, g.Code / 10 - 1, g); break;
      case 12: case 22: case 32: TangentGroup(s->StartTangent, g.Code / 10 - 1, g); break;
      case 13: case 23: case 33: TangentGroup(s->EndTangent, g.Code / 10 - 1, g); break;
      case 40: s->Knots.push_back(GroupReal(g)); break;
      case 41: s->Weights.push_back(GroupReal(g)); break;
      case 62: s->Colour = static_cast<int>(GroupInteger(g)); break;
      case 70: s->Flags = static_cast<int>(GroupInteger(g)); break;
      case 71: s->Degree = static_cast<int>(GroupInteger(g)); break;
      default: break;
    }
  }
  return s;
}

PlaneBSpline::PlaneBSpline(int degree, std::vector<double> knots, std::vector<Homogeneous> points)
    : degree_(degree), knots_(std::move(knots)), points_(std::move(points)) {}

std::vector<double> PlaneBSpline::Spans() const {
  std::vector<double> out;
  const double b = Begin(), e = End();
  for (double k : knots_)
    if (k >= b && k <= e && (out.empty() || k > out.back())) out.push_back(k);
  return out;
}

CurveSample PlaneBSpline::At(double t, bool before) const {
  const size_t p = static_cast<size_t>(degree_), n = points_.size();
  t = std::clamp(t, Begin(), End());
  // The span: knots_[k] <= t < knots_[k + 1] (knots_[k] < t <= knots_[k + 1]
  // from below), with p <= k < n, and not empty.
  const auto lo = knots_.begin() + static_cast<long>(p), hi = knots_.begin() + static_cast<long>(n);
  const auto above = before ? std::lower_bound(lo, hi, t) : std::upper_bound(lo, hi, t);
  size_t k = std::max(static_cast<size_t>(above - knots_.begin()), p + 1) - 1;
  while (k > p && knots_[k] == knots_[k + 1]) --k;
  // de Boor's triangle on the homogeneous points; its last two points of
  // the level before the top span the derivative.
  Homogeneous d[MaxSplineDegree + 1], top[2] = {};
  for (size_t j = 0; j <= p; ++j) d[j] = points_[j + k - p];
  for (size_t r = 1; r <= p; ++r) {
    if (r == p) top[0] = d[p - 1], top[1] = d[p];
    for (size_t j = p; j >= r; --j) {
      const double den = knots_[j + 1 + k - r] - knots_[j + k - p];
      const double a = den != 0 ? (t - knots_[j + k - p]) / den : 0;
      for (size_t c = 0; c < 3; ++c) d[j][c] = (1 - a) * d[j - 1][c] + a * d[j][c];
    }
  }
  const double span = knots_[k + 1] - knots_[k];
  Homogeneous dh{};
  for (size_t c = 0; c < 3; ++c) dh[c] = span > 0 ? static_cast<double>(p) * (top[1][c] - top[0][c]) / span : 0;
  const Homogeneous& h = d[p];
  const TTBPoint pt{h[0] / h[2], h[1] / h[2]};
  return {pt, {(dh[0] - dh[2] * pt.X) / h[2], (dh[1] - dh[2] * pt.Y) / h[2]}};
}

FitInterpolation InterpolateFitPoints(std::vector<DxfPoint3> fit, const std::optional<DxfPoint3>& startTangent,
                                      const std::optional<DxfPoint3>& endTangent, bool closed) {
  std::vector<DxfPoint3> q;
  for (const auto& p : fit)
    if (q.empty() || Norm(Sub(p, q.back())) > 0) q.push_back(p);
  if (closed && q.size() >= 3 && Norm(Sub(q.front(), q.back())) > 0) q.push_back(q.front());
  if (q.size() < 2) return {};
  const size_t m = q.size() - 1;
  std::vector<double> u(m + 1, 0.0);
  for (size_t i = 1; i <= m; ++i) u[i] = u[i - 1] + Norm(Sub(q[i], q[i - 1]));
  const double total = u[m];
  if (!(total > 0) || !std::isfinite(total)) return {};
  for (auto& x : u) x /= total;
  u[m] = 1;
  // End derivatives: the tangent's direction, the polygon's length.
  auto derivative = [&](const std::optional<DxfPoint3>& given, bool atStart) {
    DxfPoint3 t;
    if (given && Norm(*given) > 0) {
      t = *given;
    } else if (q.size() == 2) {
      t = Sub(q[1], q[0]);
    } else if (closed && Norm(Sub(q.front(), q.back())) == 0) {
      t = Sub(q[1], q[m - 1]);  // across the seam, the same at both ends
    } else {
      t = EstimatedEndTangent(q, atStart);
    }
    const double len = Norm(t);
    return len > 0 ? Mul(t, total / len) : Sub(q[m], q[0]);
  };
  const DxfPoint3 d0 = derivative(startTangent, true), d1 = derivative(endTangent, false);
  FitInterpolation out;
  out.Knots = {0, 0, 0, 0};
  for (size_t i = 1; i < m; ++i) out.Knots.push_back(u[i]);
  out.Knots.insert(out.Knots.end(), {1, 1, 1, 1});
  out.Control.assign(m + 3, {});
  out.Control[0] = q[0];
  out.Control[1] = Add(q[0], Mul(d0, u[1] / 3));
  out.Control[m + 1] = Sub(q[m], Mul(d1, (1 - u[m - 1]) / 3));
  out.Control[m + 2] = q[m];
  // The curve passes each inner fit point: at knot u[k] only the control
  // points k, k + 1 and k + 2 count, and the unknowns are 2 .. m.
  if (m >= 2) {
    const size_t unknowns = m - 1;
    std::vector<double> lower(unknowns, 0.0), diag(unknowns, 0.0), upper(unknowns, 0.0);
    std::vector<DxfPoint3> rhs(unknowns);
    for (size_t k = 1; k < m; ++k) {
      const std::vector<double> n = Basis(out.Knots, k + 3, 3, u[k]);  // N[k .. k + 3]; N[k + 3] is 0 here
      const size_t row = k - 1;
      rhs[row] = q[k];
      if (k == 1) rhs[row] = Sub(rhs[row], Mul(out.Control[1], n[0]));
      else lower[row] = n[0];
      diag[row] = n[1];
      if (k == m - 1) rhs[row] = Sub(rhs[row], Mul(out.Control[m + 1], n[2]));
      else upper[row] = n[2];
    }
    if (!SolveTridiagonal(lower, diag, upper, rhs)) return {};
    for (size_t i = 0; i < unknowns; ++i) out.Control[i + 2] = rhs[i];
  }
  return out;
}

std::optional<PlaneBSpline> SplineCurve(const Spline_& s) {
  std::vector<DxfPoint3> control = s.Control;
  std::vector<double> knots = s.Knots, weights = s.Weights;
  int p = s.Degree;
  if (control.empty()) {
    if (s.Fit.size() < 2) return std::nullopt;
    FitInterpolation f = InterpolateFitPoints(s.Fit, s.StartTangent, s.EndTangent, s.Flags & Spline_::ClosedFlag);
    if (f.Control.empty()) return std::nullopt;
    control = std::move(f.Control);
    knots = std::move(f.Knots);
    weights.clear();
    p = 3;
  }
  if (p < 1 || p > MaxSplineDegree) return std::nullopt;
  const size_t deg = static_cast<size_t>(p);
  if (weights.size() != control.size()) {
    if ((s.Flags & Spline_::RationalFlag) && !weights.empty()) return std::nullopt;
    weights.assign(control.size(), 1.0);
  }
  for (double w : weights)
    if (!(w > 0) || !std::isfinite(w)) return std::nullopt;
  if (knots.empty() && control.size() >= deg + 1) {
    // Clamped and uniform.
    const size_t n = control.size();
    for (size_t i = 0; i < n + deg + 1; ++i)
      knots.push_back(static_cast<double>(std::clamp(i, deg, n) - deg));
  } else if ((s.Flags & Spline_::PeriodicFlag) && knots.size() == control.size() + 1 && control.size() > deg) {
    // A periodic spline stored without its wrapped points: the first degree
    // points repeat at the end and the knots run on by the period.
    if (!Ascending(knots)) return std::nullopt;
    const size_t n = control.size();
    const double period = knots[n] - knots[0];
    std::vector<double> wrapped;
    for (size_t i = 0; i < deg; ++i) wrapped.push_back(knots[n - deg + i] - period);
    wrapped.insert(wrapped.end(), knots.begin(), knots.end());
    for (size_t i = 1; i <= deg; ++i) wrapped.push_back(knots[i] + period);
    knots = std::move(wrapped);
    for (size_t i = 0; i < deg; ++i) {
      control.push_back(control[i % n]);
      weights.push_back(weights[i % n]);
    }
  }
  const size_t n = control.size();
  if (n < deg + 1 || knots.size() != n + deg + 1 || !Ascending(knots) || !(knots[deg] < knots[n])) return std::nullopt;
  std::vector<Homogeneous> points(n);
  for (size_t i = 0; i < n; ++i) points[i] = {control[i].X * weights[i], control[i].Y * weights[i], weights[i]};
  return PlaneBSpline(p, std::move(knots), std::move(points));
}

bool SplineToRegion(const Spline_& s, double tolerance, TTBRegion& r) {
  r = TTBRegion{};
  if (!(tolerance > 0)) tolerance = DefaultCurveTolerance;
  const std::optional<PlaneBSpline> curve = SplineCurve(s);
  if (!curve) return false;
  TTBEntityArray pieces;
  const PlaneCurve at = [&c = *curve](double t, bool before) { return c.At(t, before); };
  if (!FitBiarcs(at, curve->Spans(), tolerance, pieces)) return false;
  // Pieces too short to keep vanish; the next one starts where the last
  // kept one ends.
  bool dropped = false;
  for (TTBEntity e : pieces) {
    if (!(std::fabs(e.X) <= MaxCoordinate && std::fabs(e.Y) <= MaxCoordinate && std::fabs(e.Radius) <= MaxCoordinate))
      return false;
    if (dropped && !r.Entities.empty()) {
      MoveEntityPoint(e, EntityEnd(r.Entities.back()), 0);
      UpdateEntityBox(e);
    }
    dropped = !(EntityLength(e) > MinEntityLength);
    if (!dropped) r.Entities.push_back(e);
  }
  if (r.Entities.empty()) return false;
  const TTBPoint a = RegionStart(r), b = RegionEnd(r);
  r.IsOpen = 1;
  if (std::fabs(a.X - b.X) < ChainTolerance && std::fabs(a.Y - b.Y) < ChainTolerance && r.Entities.size() > 1) {
    MoveEntityPoint(r.Entities.back(), a, 1);
    UpdateEntityBox(r.Entities.back());
    r.IsOpen = 0;
  }
  UpdateRegionBox(r);
  r.Selected = 1;
  return true;
}

}  // namespace tibrel
