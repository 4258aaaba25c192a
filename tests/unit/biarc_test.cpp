#include <gtest/gtest.h>

#include <cmath>

#include "curve_check.h"
#include "geometry/biarc.h"

namespace tibrel {
namespace {

using testing_curves::Curve;
using testing_geometry::Pt;

// A plane curve given by its point and derivative, for the fitter and (its
// point alone) for the checks.
struct Shape {
  const char* name;
  PlaneCurve f;
  std::vector<double> breaks;
  double tol;
  std::vector<Pt> corners;
};

Shape Ellipse(const char* name, double a, double b, double phi, std::vector<double> breaks, double tol) {
  const double c = std::cos(phi), s = std::sin(phi);
  return {name,
          [=](double t, bool) {
            const double x = a * std::cos(t), y = b * std::sin(t), dx = -a * std::sin(t), dy = b * std::cos(t);
            return CurveSample{{3 + c * x - s * y, -2 + s * x + c * y}, {c * dx - s * dy, s * dx + c * dy}};
          },
          std::move(breaks), tol, {}};
}

class FitsCurve : public testing::TestWithParam<Shape> {};

TEST_P(FitsCurve, WithinTheToleranceBothWaysAndTangentWhereTheCurveIs) {
  const Shape& sh = GetParam();
  TTBEntityArray out;
  ASSERT_TRUE(FitBiarcs(sh.f, sh.breaks, sh.tol, out));
  const Curve c{[&](double t) { const TTBPoint p = sh.f(t, false).P; return Pt{p.X, p.Y}; }, sh.breaks.front(),
                sh.breaks.back()};
  testing_curves::ExpectFollows(c, out, sh.tol, sh.corners, sh.name);
  // Every piece is a true entity: boxes set, arcs not full circles.
  for (const TTBEntity& e : out) {
    EXPECT_FALSE(IsFullCircle(e));
    TTBEntity boxed = e;
    UpdateEntityBox(boxed);
    EXPECT_EQ(boxed.XMin, e.XMin);
    EXPECT_EQ(boxed.YMax, e.YMax);
  }
}

const double Q = Pi / 2;

INSTANTIATE_TEST_SUITE_P(
    Shapes, FitsCurve,
    testing::Values(
        Ellipse("ellipse_quadrants", 10, 5, 0, {0, Q, 2 * Q, 3 * Q, 4 * Q}, 0.001),
        Ellipse("ellipse_turned_fine", 10, 5, 0.7, {0.2, Q, 2 * Q, 3 * Q, 4 * Q, 4 * Q + 0.2}, 1e-5),
        Ellipse("ellipse_coarse", 40, 3, -1.1, {0, Q, 2 * Q}, 0.05),
        Ellipse("ellipse_one_span_whole_turn", 6, 4, 0, {0, 4 * Q}, 0.001),
        Ellipse("ellipse_flat", 50, 0.5, 0.3, {-Q, 0, Q}, 0.001),
        // A cubic with an inflection in the middle.
        Shape{"s_curve",
              [](double t, bool) {
                return CurveSample{{10 * t, 4 * t * t * t - 6 * t * t + 2 * t}, {10, 12 * t * t - 12 * t + 2}};
              },
              {0, 1}, 0.001, {}},
        // Turns twice round: the fitter must split a span that turns too far.
        Shape{"spiral",
              [](double t, bool) {
                const double r = std::exp(0.1 * t);
                return CurveSample{{r * std::cos(t), r * std::sin(t)},
                                   {r * (0.1 * std::cos(t) - std::sin(t)), r * (0.1 * std::sin(t) + std::cos(t))}};
              },
              {0, 4 * Pi}, 0.001, {}},
        // The derivative vanishes at the start: the direction comes from the
        // curve itself.
        Shape{"stalled_start",
              [](double t, bool) { return CurveSample{{t * t, t * t * t}, {2 * t, 3 * t * t}}; }, {0, 1}, 0.001, {}},
        // A corner at the break t = 1 (the curve turns a right angle there).
        Shape{"corner",
              [](double t, bool before) {
                return t < 1 || (t == 1 && before) ? CurveSample{{t, 0.2 * std::sin(Pi * t)}, {1, 0.2 * Pi * std::cos(Pi * t)}}
                              : CurveSample{{1 + 0.1 * std::sin(Pi * (t - 1)), t - 1}, {0.1 * Pi * std::cos(Pi * (t - 1)), 1}};
              },
              {0, 1, 2}, 0.0005, {Pt{1, 0}}}),
    [](const testing::TestParamInfo<Shape>& i) { return std::string(i.param.name); });

// A circle is followed by arcs of that very circle, whatever the span; a
// straight curve, however parameterised, is one line.
TEST(Biarcs, CirclesAndStraightCurvesComeOutExactly) {
  const PlaneCurve circle = [](double t, bool) {
    return CurveSample{{1 + 7 * std::cos(t), 2 + 7 * std::sin(t)}, {-7 * std::sin(t), 7 * std::cos(t)}};
  };
  TTBEntityArray out;
  ASSERT_TRUE(FitBiarcs(circle, {0.3, 0.3 + 2 * Pi}, 0.001, out));
  EXPECT_LE(out.size(), 8u);
  for (const TTBEntity& e : out) {
    EXPECT_NEAR(e.Radius, 7, 1e-9);
    EXPECT_NEAR(e.X, 1, 1e-9);
    EXPECT_NEAR(e.Y, 2, 1e-9);
  }
  const PlaneCurve line = [](double t, bool) { return CurveSample{{2 * t * t, 3 * t * t + 1}, {4 * t, 6 * t}}; };
  out.clear();
  ASSERT_TRUE(FitBiarcs(line, {0.5, 2}, 0.001, out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].Radius, 0);
  EXPECT_NEAR(out[0].X, 0.5, 1e-12);
  EXPECT_NEAR(out[0].Y2, 13, 1e-12);
}

// Fewer arcs for a coarser tolerance, none for a curve that is not finite.
TEST(Biarcs, PieceCountFollowsTheToleranceAndBadNumbersGiveNothing) {
  const PlaneCurve e = [](double t, bool) {
    return CurveSample{{10 * std::cos(t), 5 * std::sin(t)}, {-10 * std::sin(t), 5 * std::cos(t)}};
  };
  size_t previous = 0;
  for (double tol : {0.1, 0.01, 0.001, 0.0001}) {
    TTBEntityArray out;
    ASSERT_TRUE(FitBiarcs(e, {0, Q}, tol, out));
    EXPECT_GT(out.size(), previous) << tol;
    // At the default tolerance a handful of arcs, not the dozens of chords.
    if (tol == 0.001) {
      EXPECT_LE(out.size(), 14u);
    }
    previous = out.size();
  }
  const PlaneCurve bad = [](double t, bool) { return CurveSample{{t, t > 0.5 ? NAN : t}, {1, 1}}; };
  TTBEntityArray out{MakeLine(0, 0, 1, 1)};
  EXPECT_FALSE(FitBiarcs(bad, {0, 1}, 0.001, out));
  EXPECT_EQ(out.size(), 1u);
}

}  // namespace
}  // namespace tibrel
