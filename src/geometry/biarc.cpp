#include "geometry/biarc.h"

#include <algorithm>
#include <cmath>

#include "geometry/tolerances.h"

namespace tibrel {

namespace {

TTBPoint Sub(TTBPoint a, TTBPoint b) { return {a.X - b.X, a.Y - b.Y}; }
TTBPoint Add(TTBPoint a, TTBPoint b) { return {a.X + b.X, a.Y + b.Y}; }
TTBPoint Scale(TTBPoint a, double k) { return {a.X * k, a.Y * k}; }
double Dot(TTBPoint a, TTBPoint b) { return a.X * b.X + a.Y * b.Y; }
double Cross(TTBPoint a, TTBPoint b) { return a.X * b.Y - a.Y * b.X; }
double Length(TTBPoint a) { return std::sqrt(a.X * a.X + a.Y * a.Y); }
bool Finite(TTBPoint a) { return std::isfinite(a.X) && std::isfinite(a.Y); }

// Interior points of the curve at which a fit is checked.
constexpr int CheckSamples = 15;
// A piece shorter than 2^-MaxDepth of its span (in the parameter) is not
// looked for: there a line steps over the place.
constexpr int MaxDepth = 40;
// Pieces one call may make, and fits one span may try: bounds on the work
// for absurd input.
constexpr size_t MaxPieces = size_t{1} << 18;
constexpr long MaxTriesPerSpan = 4096;
// The share of a coordinate's size below which distances are rounding.
constexpr double RoundingShare = 1e-11;

// The piece from p, leaving in the unit direction t, that ends at q: an arc,
// or a line when the turn is too small to matter. Fails (false) when q lies
// behind p, which would need more than half a turn.
bool PieceFrom(TTBPoint p, TTBPoint t, TTBPoint q, TTBEntity& out) {
  const TTBPoint c = Sub(q, p);
  const double len2 = Dot(c, c);
  if (!(len2 > 0)) return false;
  const double along = Dot(t, c), across = Cross(t, c);
  if (along <= 0) return false;
  // The arc turns by twice the angle between its tangent and its chord.
  const double sweep = 2 * std::atan2(std::fabs(across), along);
  if (sweep < MinArcSweep) {
    out = MakeLine(p.X, p.Y, q.X, q.Y);
    return true;
  }
  // Signed distance from p to the centre along the left normal of t.
  const double s = len2 / (2 * across);
  const TTBPoint centre{p.X - s * t.Y, p.Y + s * t.X};
  if (!(std::fabs(centre.X) <= MaxCoordinate && std::fabs(centre.Y) <= MaxCoordinate)) {
    out = MakeLine(p.X, p.Y, q.X, q.Y);
    return true;
  }
  out = MakeArc(centre.X, centre.Y, s, PointAngle(centre, p), PointAngle(centre, q));
  // Rounding of the angles must not turn a small arc into a full circle.
  if (std::fabs(std::fabs(ArcSweep(out)) - sweep) > 1e-6) out = MakeLine(p.X, p.Y, q.X, q.Y);
  return true;
}

// The biarc from p0 (unit tangent t0) to p1 (unit tangent t1), joined where
// both arcs have tangents of equal length; one line when the curve runs
// straight along the chord. Empty when no biarc fits these ends.
TTBEntityArray Biarc(TTBPoint p0, TTBPoint t0, TTBPoint p1, TTBPoint t1) {
  const TTBPoint v = Sub(p1, p0);
  const double len = Length(v);
  if (!(len > 0)) return {};
  const TTBPoint u = Scale(v, 1 / len);
  if (std::fabs(Cross(t0, u)) < MinArcSweep && std::fabs(Cross(t1, u)) < MinArcSweep && Dot(t0, u) > 0 &&
      Dot(t1, u) > 0)
    return {MakeLine(p0.X, p0.Y, p1.X, p1.Y)};
  const TTBPoint t = Add(t0, t1);
  const double vt = Dot(v, t), denom = 2 * (1 - Dot(t0, t1));
  double d;
  if (denom < 1e-12) {
    const double vt1 = Dot(v, t1);
    if (!(vt1 > 0)) return {};
    d = Dot(v, v) / (4 * vt1);
  } else {
    d = (-vt + std::sqrt(vt * vt + denom * Dot(v, v))) / denom;
  }
  if (!(d > 0) || !std::isfinite(d)) return {};
  const TTBPoint joint = Scale(Add(Add(p0, p1), Scale(Sub(t0, t1), d)), 0.5);
  TTBEntity first, second;
  if (!PieceFrom(p0, t0, joint, first) || !PieceFrom(p1, {-t1.X, -t1.Y}, joint, second)) return {};
  ReverseEntity(second);
  return {first, second};
}

struct Fitter {
  Fitter(const PlaneCurve& c, double a, TTBEntityArray& o) : curve(c), aim(a), out(o) {}

  const PlaneCurve& curve;
  double aim;  // the distance the pieces are held to
  TTBEntityArray& out;
  bool finite = true;

  CurveSample At(double t, bool before = false) {
    CurveSample s = curve(t, before);
    if (!Finite(s.P)) finite = false;
    // A derivative out of range (over a vanishing span of the parameter)
    // gives no direction; the tangent then comes from the curve's points.
    if (!Finite(s.D)) s.D = {0, 0};
    return s;
  }

  // The unit tangent at a, the end (side -1) or start (side +1) of the span
  // [ta, tb]. Where the derivative vanishes (a cusp of the parameter, not of
  // the shape) the direction of a short chord into the span stands in.
  TTBPoint Tangent(const CurveSample& a, double t, double ta, double tb, int side) {
    const double n = Length(a.D);
    if (n > 0 && std::isfinite(n)) return Scale(a.D, 1 / n);
    for (double f : {1e-6, 1e-3, 0.5}) {
      const CurveSample b = At(t + side * f * (tb - ta));
      const TTBPoint d = side > 0 ? Sub(b.P, a.P) : Sub(a.P, b.P);
      const double m = Length(d);
      if (m > 0 && std::isfinite(m)) return Scale(d, 1 / m);
    }
    return {1, 0};
  }

  // The parameter between lo and hi where f is least (golden section; f is
  // taken to have one minimum there).
  template <class F>
  static double Least(F f, double lo, double hi) {
    constexpr double g = 0.6180339887498949;
    double a = lo, b = hi, c = b - g * (b - a), d = a + g * (b - a);
    double fc = f(c), fd = f(d);
    for (int k = 0; k < 16; ++k) {
      if (fc < fd) {
        b = d, d = c, fd = fc, c = b - g * (b - a), fc = f(c);
      } else {
        a = c, c = d, fc = fd, d = a + g * (b - a), fd = f(d);
      }
    }
    return (a + b) / 2;
  }

  // A piece as its ends (and for an arc its centre, radius and sense), for
  // distances without trigonometry. Arcs here turn by less than half a turn.
  struct Shape {
    TTBPoint a, b, c;
    double r = 0;   // 0: the line from a to b
    double sense = 1;  // +1 counter-clockwise, -1 clockwise
  };
  Shape shapes[2];
  int shapeCount = 0;

  void Shapes(const TTBEntityArray& pieces) {
    shapeCount = 0;
    for (const TTBEntity& e : pieces) {
      Shape& sh = shapes[shapeCount++];
      EntityEnds(e, sh.a, sh.b);
      sh.r = std::fabs(e.Radius);
      sh.c = {e.X, e.Y};
      sh.sense = e.Radius < 0 ? -1 : 1;
    }
  }

  double Distance2(TTBPoint p) const {
    double best = INFINITY;
    for (int k = 0; k < shapeCount; ++k) {
      const Shape& sh = shapes[k];
      if (sh.r == 0) {
        const TTBPoint v = Sub(sh.b, sh.a), w = Sub(p, sh.a);
        const double l2 = Dot(v, v), u = l2 > 0 ? std::clamp(Dot(w, v) / l2, 0.0, 1.0) : 0;
        const TTBPoint d = Sub(w, Scale(v, u));
        best = std::min(best, Dot(d, d));
        continue;
      }
      const TTBPoint v = Sub(p, sh.c), s = Sub(sh.a, sh.c), e = Sub(sh.b, sh.c);
      // Within the arc's wedge (less than half a turn wide): on the inner side
      // of both of its end radii.
      if (sh.sense * Cross(s, v) >= 0 && sh.sense * Cross(v, e) >= 0) {
        const double d = Length(v) - sh.r;
        best = std::min(best, d * d);
      } else {
        const TTBPoint da = Sub(p, sh.a), db = Sub(p, sh.b);
        best = std::min({best, Dot(da, da), Dot(db, db)});
      }
    }
    return best;
  }

  // The parameter near t (kept between lo and hi) whose point of the curve
  // is nearest q, by Gauss-Newton steps along the derivative.
  double Nearest(TTBPoint q, double t, double lo, double hi) {
    for (int k = 0; k < 6; ++k) {
      const CurveSample s = At(t);
      const double h = Dot(s.D, s.D);
      if (!(h > 0)) break;
      const double next = std::clamp(t - Dot(Sub(s.P, q), s.D) / h, lo, hi);
      const bool done = std::fabs(next - t) <= 1e-12 * (hi - lo);
      t = next;
      if (done) break;
    }
    return t;
  }

  // How far the pieces stray from the curve over [ta, tb]: the largest
  // distance of the curve from the pieces (sampled, then found exactly near
  // the worst sample), and of points of the pieces from the curve. Counting
  // stops as soon as it passes aim; a piece turning too far gives infinity.
  double Stray(const TTBEntityArray& pieces, double ta, double tb, const CurveSample& a, const CurveSample& b) {
    const double aim2 = aim * aim;
    double ts[CheckSamples + 2];
    TTBPoint ps[CheckSamples + 2];
    ts[0] = ta, ps[0] = a.P;
    ts[CheckSamples + 1] = tb, ps[CheckSamples + 1] = b.P;
    for (const TTBEntity& e : pieces)
      if (e.Radius != 0 && std::fabs(ArcSweep(e)) > MaxBiarcSweep) return INFINITY;
    Shapes(pieces);
    int worst = 1;
    double worst2 = -1;
    for (int i = 1; i <= CheckSamples; ++i) {
      ts[i] = ta + (tb - ta) * i / (CheckSamples + 1);
      ps[i] = At(ts[i]).P;
      const double d = Distance2(ps[i]);
      if (!(d <= aim2)) return std::sqrt(d);
      if (d > worst2) worst2 = d, worst = i;
    }
    const double tw = Least([&](double t) { return -Distance2(At(t).P); }, ts[worst - 1], ts[worst + 1]);
    worst2 = std::max(worst2, Distance2(At(tw).P));
    if (!(worst2 <= aim2)) return std::sqrt(worst2);
    for (const TTBEntity& e : pieces) {
      for (double f : {0.25, 0.5, 0.75}) {
        TTBPoint q;
        if (e.Radius == 0) {
          q = {e.X + f * (e.X2 - e.X), e.Y + f * (e.Y2 - e.Y)};
        } else {
          const double ang = e.X2 + f * ArcSweep(e), r = std::fabs(e.Radius);
          q = {e.X + r * std::cos(ang), e.Y + r * std::sin(ang)};
        }
        int k = 0;
        double best = INFINITY;
        for (int i = 0; i < CheckSamples + 2; ++i) {
          const TTBPoint d = Sub(ps[i], q);
          if (Dot(d, d) < best) best = Dot(d, d), k = i;
        }
        const double t = Nearest(q, ts[k], ts[std::max(k - 1, 0)], ts[std::min(k + 1, CheckSamples + 1)]);
        const TTBPoint d = Sub(At(t).P, q);
        worst2 = std::max(worst2, std::min(best, Dot(d, d)));
        if (!(worst2 <= aim2)) return std::sqrt(worst2);
      }
    }
    return std::sqrt(worst2);
  }

  void Emit(const TTBEntityArray& pieces) {
    for (const TTBEntity& e : pieces)
      if (EntityLength(e) > 0) out.push_back(e);
  }

  // The pieces from ta to tb and how far they stray: a biarc, or the chord
  // where no biarc fits the ends (a curve that is all but a point, or
  // straight).
  double Try(double ta, const CurveSample& a, double tb, const CurveSample& b, TTBEntityArray& pieces) {
    --tries;
    pieces = Biarc(a.P, Tangent(a, ta, ta, tb, +1), b.P, Tangent(b, tb, ta, tb, -1));
    if (pieces.empty()) pieces = {MakeLine(a.P.X, a.P.Y, b.P.X, b.P.Y)};
    const double stray = Stray(pieces, ta, tb, a, b);
    return finite ? stray : INFINITY;
  }

  // Chords through evenly spaced points from t to tb: what is left of a span
  // once its work is used up.
  void Chords(double t, CurveSample a, double tb, const CurveSample& end) {
    constexpr int n = 64;
    for (int k = 1; k <= n && finite; ++k) {
      const CurveSample b = k == n ? end : At(t + (tb - t) * k / n);
      Emit({MakeLine(a.P.X, a.P.Y, b.P.X, b.P.Y)});
      a = b;
    }
  }

  // Covers one smooth span piece by piece, each biarc reaching about as far
  // as it can while it holds. A biarc strays by about the fifth power of its
  // length, so the stray of each try tells the length of the next: longer
  // after a piece that held with room to spare, shorter after one that
  // failed. Most pieces take one or two tries.
  void FitSpan(double ta, double tb) {
    const CurveSample end = At(tb, true);
    CurveSample a = At(ta);
    // Coordinates carry rounding of about 1e-16 of their size, which no fit
    // can get below: far from the origin the aim widens with them.
    const double size = std::max({std::fabs(a.P.X), std::fabs(a.P.Y), std::fabs(end.P.X), std::fabs(end.P.Y)});
    const double wanted = aim;
    aim = std::max(aim, size * RoundingShare);
    tries = MaxTriesPerSpan;
    const double finest = (tb - ta) * std::ldexp(1.0, -MaxDepth);
    double t = ta, step = tb - ta;
    TTBEntityArray pieces;
    auto ratio = [this](double stray) {
      return stray > 0 && std::isfinite(stray) ? std::pow(aim / stray, 0.2) : stray > 0 ? 0.0 : 4.0;
    };
    while (t < tb && finite) {
      if (tries <= 0 || out.size() >= MaxPieces) {
        Chords(t, a, tb, end);
        break;
      }
      const bool last = t + step >= tb - 1e-9 * (tb - ta);
      const double te = last ? tb : t + step;
      const CurveSample b = last ? end : At(te);
      const double stray = Try(t, a, te, b, pieces);
      if (stray <= aim) {
        Emit(pieces);
        step = (te - t) * std::clamp(0.95 * ratio(stray), 1.0, 3.0);
        t = te;
        a = b;
        continue;
      }
      step = (te - t) * std::clamp(0.9 * ratio(stray), 0.1, 0.7);
      if (step <= finest) {
        // Nothing holds however short: the curve is not smooth here. A chord
        // steps over the place, long enough that the steps stay few.
        const double over = std::min(tb, t + std::max(step, (tb - ta) / 1024));
        const CurveSample c = over == tb ? end : At(over);
        Emit({MakeLine(a.P.X, a.P.Y, c.P.X, c.P.Y)});
        t = over;
        a = c;
        step = tb - ta;
      }
    }
    aim = wanted;
  }

  long tries = 0;
};

}  // namespace

bool FitBiarcs(const PlaneCurve& curve, const std::vector<double>& breaks, double tolerance, TTBEntityArray& out) {
  const size_t first = out.size();
  Fitter fitter(curve, BiarcFitShare * std::max(tolerance, MinCurveTolerance), out);
  for (size_t i = 0; i + 1 < breaks.size() && fitter.finite; ++i) {
    const double ta = breaks[i], tb = breaks[i + 1];
    if (!(tb > ta)) continue;
    fitter.FitSpan(ta, tb);
  }
  if (!fitter.finite) out.resize(first);
  return fitter.finite;
}

}  // namespace tibrel
