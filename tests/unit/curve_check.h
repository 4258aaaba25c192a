// Independent checks of arcs and lines that stand for a smooth curve: the
// curve is a plain function of its parameter, evaluated by the test itself;
// the pieces are measured with the test's own geometry.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "geometry_check.h"

namespace tibrel::testing_curves {

using testing_geometry::Pt;

struct Curve {
  std::function<Pt(double)> at;
  double t0 = 0, t1 = 1;
};

// Distances to a curve: from dense samples, each near one refined by a
// golden-section search between its neighbours.
class Nearness {
 public:
  explicit Nearness(const Curve& c, int samples = 1000) : c_(c), h_((c.t1 - c.t0) / samples) {
    for (int i = 0; i <= samples; ++i) pts_.push_back(c.at(c.t0 + h_ * i));
    for (size_t i = 1; i < pts_.size(); ++i)
      step_ = std::max(step_, std::hypot(pts_[i].x - pts_[i - 1].x, pts_[i].y - pts_[i - 1].y));
  }

  double To(Pt q) const {
    std::vector<double> d(pts_.size());
    double best = INFINITY;
    for (size_t i = 0; i < pts_.size(); ++i) best = std::min(best, d[i] = std::hypot(pts_[i].x - q.x, pts_[i].y - q.y));
    auto dist = [&](double t) {
      const Pt p = c_.at(t);
      return std::hypot(p.x - q.x, p.y - q.y);
    };
    double out = best;
    const int last = static_cast<int>(pts_.size()) - 1;
    for (int i = 0; i <= last; ++i) {
      if (d[static_cast<size_t>(i)] > best + step_) continue;
      double a = c_.t0 + h_ * std::max(i - 1, 0), b = c_.t0 + h_ * std::min(i + 1, last);
      const double g = 0.6180339887498949;
      for (int k = 0; k < 50; ++k) {
        const double x1 = b - g * (b - a), x2 = a + g * (b - a);
        if (dist(x1) < dist(x2)) b = x2; else a = x1;
      }
      out = std::min(out, dist((a + b) / 2));
    }
    return out;
  }

 private:
  const Curve& c_;
  double h_;
  double step_ = 0;
  std::vector<Pt> pts_;
};

inline double DistanceToPieces(const TTBEntityArray& pieces, Pt q) {
  double best = INFINITY;
  for (const auto& e : pieces) best = std::min(best, testing_geometry::Dist(q, e));
  return best;
}

// Unit tangent of a piece at its start (atEnd false) or end, in travel order.
inline Pt PieceTangent(const TTBEntity& e, bool atEnd) {
  if (e.Radius == 0) {
    const double l = std::hypot(e.X2 - e.X, e.Y2 - e.Y);
    return {(e.X2 - e.X) / l, (e.Y2 - e.Y) / l};
  }
  double start, sweep;
  testing_geometry::ArcSpan(e, start, sweep);
  const double a = atEnd ? start + sweep : start;
  return e.Radius > 0 ? Pt{-std::sin(a), std::cos(a)} : Pt{std::sin(a), -std::cos(a)};
}

inline Pt PieceEnd(const TTBEntity& e, bool atEnd) {
  if (e.Radius == 0) return atEnd ? Pt{e.X2, e.Y2} : Pt{e.X, e.Y};
  double start, sweep;
  testing_geometry::ArcSpan(e, start, sweep);
  return testing_geometry::ArcPoint(e, atEnd ? start + sweep : start);
}

inline double TurnBetween(Pt a, Pt b) { return std::fabs(std::atan2(a.x * b.y - a.y * b.x, a.x * b.x + a.y * b.y)); }

// The pieces follow the curve from its start to its end: they meet end to
// start, every point of every piece lies within tol of the curve and every
// point of the curve within tol of the pieces, and consecutive pieces turn
// by less than 1e-6 rad where they meet except at the given corners of the
// curve. Returns how many arcs there are.
inline int ExpectFollows(const Curve& c, const TTBEntityArray& pieces, double tol, const std::vector<Pt>& corners = {},
                         const std::string& what = "") {
  SCOPED_TRACE(what);
  EXPECT_FALSE(pieces.empty());
  if (pieces.empty()) return 0;
  const Pt s = c.at(c.t0), e = c.at(c.t1);
  const double scale = 1 + std::max({std::fabs(s.x), std::fabs(s.y), std::fabs(e.x), std::fabs(e.y)});
  const Pt ps = PieceEnd(pieces.front(), false), pe = PieceEnd(pieces.back(), true);
  EXPECT_NEAR(ps.x, s.x, 1e-9 * scale);
  EXPECT_NEAR(ps.y, s.y, 1e-9 * scale);
  EXPECT_NEAR(pe.x, e.x, 1e-9 * scale);
  EXPECT_NEAR(pe.y, e.y, 1e-9 * scale);
  int arcs = 0;
  double worst = 0;
  const Nearness near(c);
  for (size_t k = 0; k < pieces.size(); ++k) {
    if (pieces[k].Radius != 0) ++arcs;
    for (const Pt& q : testing_geometry::Samples(pieces[k], 24)) worst = std::max(worst, near.To(q));
    if (k + 1 == pieces.size()) break;
    const Pt a = PieceEnd(pieces[k], true), b = PieceEnd(pieces[k + 1], false);
    EXPECT_NEAR(a.x, b.x, 1e-9 * scale) << "piece " << k;
    EXPECT_NEAR(a.y, b.y, 1e-9 * scale) << "piece " << k;
    bool corner = false;
    for (const Pt& q : corners) corner = corner || std::hypot(q.x - a.x, q.y - a.y) < 1e-6 * scale;
    if (!corner) {
      EXPECT_LT(TurnBetween(PieceTangent(pieces[k], true), PieceTangent(pieces[k + 1], false)), 1e-6) << "piece " << k;
    }
  }
  EXPECT_LE(worst, tol) << "a piece strays from the curve";
  double missed = 0;
  for (int i = 0; i <= 2000; ++i) missed = std::max(missed, DistanceToPieces(pieces, c.at(c.t0 + (c.t1 - c.t0) * i / 2000)));
  EXPECT_LE(missed, tol) << "the curve strays from the pieces";
  return arcs;
}

}  // namespace tibrel::testing_curves
