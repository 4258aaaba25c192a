// Splines and ellipses of drawings become arcs and lines that keep within
// the curve tolerance of the true curve. The true curve is evaluated here,
// by the test's own de Boor evaluation of the B-spline that another library
// (ezdxf) read from the same file, or by the ellipse's own formula.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "curve_check.h"
#include "dxf/convert.h"
#include "dxf/reader.h"
#include "dxf/spline.h"
#include "dxf_text.h"
#include "job/open_drawing.h"
#include "reference_file.h"

namespace tibrel {
namespace {

using testing_curves::Curve;
using testing_dxf::Entities;
using testing_dxf::G;
using testing_dxf::All;
using testing_geometry::Pt;

const std::string Data = std::string(TIBREL_SOURCE_DIR) + "/tests/data/";

struct RefSpline {
  int degree = 0;
  std::vector<double> knots;
  std::vector<Pt> points;
  std::vector<double> weights;
};

std::vector<RefSpline> ReferenceSplines(const std::string& file) {
  std::vector<RefSpline> out;
  for (const auto& item : testing_reference::ReadReference(Data + file)) {
    const auto& v = item.Values;
    if (item.Kind == "spline") {
      out.push_back({static_cast<int>(v[0]), std::vector<double>(v.begin() + 2, v.end()), {}, {}});
    } else if (item.Kind == "points") {
      for (size_t i = 1; i + 1 < v.size(); i += 2) out.back().points.push_back({v[i], v[i + 1]});
    } else if (item.Kind == "weights") {
      out.back().weights.assign(v.begin() + 1, v.end());
    }
  }
  return out;
}

// de Boor's algorithm on the homogeneous control points, written from the
// textbook: the span by a linear scan, then the triangle of blends.
Pt DeBoor(const RefSpline& s, double t) {
  const int p = s.degree, n = static_cast<int>(s.points.size());
  const auto& u = s.knots;
  int k = p;
  while (k < n - 1 && u[static_cast<size_t>(k + 1)] <= t) ++k;
  std::vector<std::array<double, 3>> d(static_cast<size_t>(p + 1));
  for (int j = 0; j <= p; ++j) {
    const size_t i = static_cast<size_t>(j + k - p);
    d[static_cast<size_t>(j)] = {s.points[i].x * s.weights[i], s.points[i].y * s.weights[i], s.weights[i]};
  }
  for (int r = 1; r <= p; ++r)
    for (int j = p; j >= r; --j) {
      const double lo = u[static_cast<size_t>(j + k - p)], hi = u[static_cast<size_t>(j + 1 + k - r)];
      const double a = (t - lo) / (hi - lo);
      for (size_t c = 0; c < 3; ++c)
        d[static_cast<size_t>(j)][c] = (1 - a) * d[static_cast<size_t>(j - 1)][c] + a * d[static_cast<size_t>(j)][c];
    }
  const auto& h = d[static_cast<size_t>(p)];
  return {h[0] / h[2], h[1] / h[2]};
}

Curve CurveOf(const RefSpline& s) {
  return {[&s](double t) { return DeBoor(s, t); }, s.knots[static_cast<size_t>(s.degree)], s.knots[s.points.size()]};
}

// Where the curve turns a corner: at an inner knot repeated degree times
// (where it need only be continuous), when its direction just before
// differs from that just after.
std::vector<Pt> Corners(const RefSpline& s) {
  std::vector<Pt> out;
  const Curve c = CurveOf(s);
  const double h = 1e-7 * (c.t1 - c.t0);
  for (size_t i = 0; i < s.knots.size(); ++i) {
    const double k = s.knots[i];
    if (k <= c.t0 || k >= c.t1 || (i > 0 && s.knots[i - 1] == k)) continue;
    if (std::count(s.knots.begin(), s.knots.end(), k) < s.degree) continue;
    const Pt a = DeBoor(s, k - h), p = DeBoor(s, k), b = DeBoor(s, k + h);
    if (testing_curves::TurnBetween({p.x - a.x, p.y - a.y}, {b.x - p.x, b.y - p.y}) > 1e-3) out.push_back(p);
  }
  return out;
}

class SplineFixture : public testing::TestWithParam<double> {};

// Degree 2, 3 and 5, a rational circle, closed periodic (plain and
// rational), unclamped, a corner, fit points with and without tangents.
TEST_P(SplineFixture, EverySplineFollowsEzdxfsCurveWithinTheTolerance) {
  const double tol = GetParam();
  const DXF_Object d = ReadDxf(ReadFileBytes(Data + "ezdxf_splines_r2018.dxf"), "splines");
  EXPECT_TRUE(d.Warnings.empty());
  const std::vector<RefSpline> ref = ReferenceSplines("ezdxf_splines_r2018.ref");
  const std::vector<const Spline_*> ours = All<Spline_>(d);
  ASSERT_EQ(ref.size(), 10u);
  ASSERT_EQ(ours.size(), ref.size());
  int corners = 0;
  for (size_t i = 0; i < ref.size(); ++i) {
    TTBRegion r;
    ASSERT_TRUE(SplineToRegion(*ours[i], tol, r)) << i;
    const Curve c = CurveOf(ref[i]);
    const std::vector<Pt> kinks = Corners(ref[i]);
    corners += static_cast<int>(kinks.size());
    const int arcs = testing_curves::ExpectFollows(c, r.Entities, tol, kinks, "spline " + std::to_string(i));
    EXPECT_GT(arcs, 0) << i;
    const Pt s = c.at(c.t0), e = c.at(c.t1);
    EXPECT_EQ(r.IsOpen, std::hypot(s.x - e.x, s.y - e.y) < 1e-9 ? 0 : 1) << i;
    // The rational quadratic circle (centre (40, 10), radius 6) comes out as
    // a few arcs of that very circle.
    for (const TTBEntity& a : r.Entities)
      EXPECT_TRUE(i != 3 || std::hypot(a.X - 40, a.Y - 10) + std::fabs(std::fabs(a.Radius) - 6) < 0.001) << a.X;
    EXPECT_TRUE(i != 3 || r.Entities.size() <= 8u) << r.Entities.size();
    // The corner of spline 7 at (92, 20) stays a corner.
    for (size_t j = 0; i == 7 && j + 1 < r.Entities.size(); ++j) {
      const Pt a = testing_curves::PieceEnd(r.Entities[j], true);
      if (std::hypot(a.x - 92, a.y - 20) > 1e-9) continue;
      ++corners;
      EXPECT_GT(testing_curves::TurnBetween(testing_curves::PieceTangent(r.Entities[j], true),
                                            testing_curves::PieceTangent(r.Entities[j + 1], false)),
                0.5);
    }
  }
  EXPECT_EQ(corners, 2) << "one corner in the reference, kept as a corner";
}
INSTANTIATE_TEST_SUITE_P(Tolerances, SplineFixture, testing::Values(0.001, 0.05, 1e-4));

// A spline given by fit points is the cubic through them that drawing
// programs make: the same control points as ezdxf computes, every fit point
// on the pieces, and the given end tangents.
TEST(Splines, FitPointSplinesInterpolateLikeOtherPrograms) {
  const DXF_Object d = ReadDxf(ReadFileBytes(Data + "ezdxf_splines_r2018.dxf"), "splines");
  const std::vector<RefSpline> ref = ReferenceSplines("ezdxf_splines_r2018.ref");
  const std::vector<const Spline_*> ours = All<Spline_>(d);
  for (size_t i : {8u, 9u}) {
    ASSERT_TRUE(ours[i]->Control.empty());
    const std::optional<PlaneBSpline> c = SplineCurve(*ours[i]);
    ASSERT_TRUE(c);
    ASSERT_EQ(c->Points().size(), ref[i].points.size());
    for (size_t k = 0; k < ref[i].points.size(); ++k)
      EXPECT_NEAR(std::hypot(c->Points()[k][0] - ref[i].points[k].x, c->Points()[k][1] - ref[i].points[k].y), 0, 1e-9)
          << i << " " << k;
    TTBRegion r;
    ASSERT_TRUE(SplineToRegion(*ours[i], 0.001, r));
    for (const auto& f : ours[i]->Fit) EXPECT_LT(testing_curves::DistanceToPieces(r.Entities, {f.X, f.Y}), 1e-9);
  }
  TTBRegion r;
  ASSERT_TRUE(SplineToRegion(*ours[8], 0.001, r));
  const Pt t0 = testing_curves::PieceTangent(r.Entities.front(), false);
  const Pt t1 = testing_curves::PieceTangent(r.Entities.back(), true);
  EXPECT_NEAR(std::hypot(t0.x - std::sqrt(0.5), t0.y - std::sqrt(0.5)), 0, 1e-9);
  EXPECT_NEAR(std::hypot(t1.x - 1 / std::sqrt(5.0), t1.y + 2 / std::sqrt(5.0)), 0, 1e-9);
}

std::string SplineText(const std::string& flags, int degree, const std::vector<std::pair<double, double>>& points,
                       const std::vector<double>& knots, const std::vector<double>& weights = {}) {
  std::string s = G({{0, "SPLINE"}, {8, "0"}, {70, flags}, {71, std::to_string(degree)}});
  for (double k : knots) s += G({{40, std::to_string(k)}});
  for (double w : weights) s += G({{41, std::to_string(w)}});
  for (auto [x, y] : points) s += G({{10, std::to_string(x)}, {20, std::to_string(y)}, {30, "0"}});
  return s;
}

// A periodic spline stored as some programs do, its knots one more than its
// points and the wrapped points left out, is the same closed curve as the
// one stored with them.
TEST(Splines, PeriodicSplineWithoutWrappedPointsIsTheSameClosedCurve) {
  const std::vector<std::pair<double, double>> ring = {{0, 0}, {10, 2}, {12, 10}, {4, 16}, {-4, 10}};
  std::vector<std::pair<double, double>> wrapped = ring;
  wrapped.insert(wrapped.end(), ring.begin(), ring.begin() + 3);
  const auto open = [](const std::string& text) {
    Job job;
    const OpenResult res = OpenDxfDrawing(job, Entities(text), "ring.dxf");
    EXPECT_TRUE(res.Loaded);
    EXPECT_TRUE(res.Notices.empty());
    return job.Regions;
  };
  const TTBRegionArray a = open(SplineText("11", 3, ring, {0, 1, 2, 3, 4, 5}));
  const TTBRegionArray b = open(SplineText("11", 3, wrapped, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  ASSERT_EQ(a.size(), 2u);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(a[1].IsOpen, 0);
  // The same curve, whatever the point where it starts: every piece of each
  // lies on the other.
  for (const auto& [one, other] : {std::pair{&a[1], &b[1]}, std::pair{&b[1], &a[1]}})
    for (const TTBEntity& e : one->Entities)
      for (const Pt& q : testing_geometry::Samples(e, 8)) EXPECT_LT(testing_geometry::DistToRegion(q, *other), 0.002);
}

struct BadSpline {
  const char* name;
  std::string text;
};
class UnreadableSpline : public testing::TestWithParam<BadSpline> {};

// A spline that defines no curve is left out with the spline notice; a
// drawing of nothing else loads nothing.
TEST_P(UnreadableSpline, IsLeftOutWithTheNotice) {
  const DXF_Object d = ReadDxf(Entities(GetParam().text + testing_dxf::Line(0, 0, 1, 0)), "bad");
  EXPECT_TRUE(All<Spline_>(d).empty());
  ASSERT_EQ(d.Warnings.size(), 1u);
  EXPECT_EQ(d.Warnings[0], "A SPLINE was detected but not read.  Explode all SPLINE's before loading");
  Job job;
  const OpenResult res = OpenDxfDrawing(job, Entities(GetParam().text), "bad.dxf");
  EXPECT_FALSE(res.Loaded);
  EXPECT_EQ(res.Status, "No Entities Loaded...");
  EXPECT_EQ(res.Notices, d.Warnings);
}
const std::vector<std::pair<double, double>> Four = {{0, 0}, {1, 2}, {3, 2}, {4, 0}};
INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableSpline,
    testing::Values(BadSpline{"no_points", G({{0, "SPLINE"}, {8, "0"}, {70, "8"}, {71, "3"}})},
                    BadSpline{"one_fit_point", G({{0, "SPLINE"}, {8, "0"}, {71, "3"}, {11, "1"}, {21, "1"}})},
                    BadSpline{"knots_do_not_fit", SplineText("8", 3, Four, {0, 0, 0, 0, 1, 1, 1})},
                    BadSpline{"knots_backwards", SplineText("8", 3, Four, {0, 0, 0, 1, 0, 1, 1, 1})},
                    BadSpline{"no_span", SplineText("8", 3, Four, {0, 0, 0, 0, 0, 0, 0, 0})},
                    BadSpline{"zero_weight", SplineText("12", 3, Four, {0, 0, 0, 0, 1, 1, 1, 1}, {1, 0, 1, 1})},
                    BadSpline{"degree_0", SplineText("8", 0, Four, {0, 1, 2, 3, 4})},
                    BadSpline{"degree_30", SplineText("8", 30, Four, {})},
                    BadSpline{"too_few_points", SplineText("8", 3, {{0, 0}, {1, 1}}, {})}),
    [](const testing::TestParamInfo<BadSpline>& i) { return std::string(i.param.name); });

// Missing knots are taken uniform and clamped: the curve runs from the
// first control point to the last.
TEST(Splines, MissingKnotsAreClampedAndUniform) {
  const DXF_Object d = ReadDxf(Entities(SplineText("8", 3, Four, {})), "k");
  ASSERT_EQ(All<Spline_>(d).size(), 1u);
  TTBRegion r;
  ASSERT_TRUE(SplineToRegion(*All<Spline_>(d)[0], 0.001, r));
  const RefSpline ref{3, {0, 0, 0, 0, 1, 1, 1, 1}, {{0, 0}, {1, 2}, {3, 2}, {4, 0}}, {1, 1, 1, 1}};
  testing_curves::ExpectFollows(CurveOf(ref), r.Entities, 0.001);
}

// The drawing that is one closed spline opens as one region, mostly arcs,
// made with the curve tolerance of the options. (Its region count and
// direction are the Open tests' table.)
TEST(Splines, AClosedSplineOpensAsOneClosedRegionAtTheOptionsTolerance) {
  const DXF_Object d = ReadDxf(ReadFileBytes(Data + "ezdxf_closed_spline_r2018.dxf"), "c");
  size_t previous = 0;
  for (double tol : {0.1, 0.001, 0.00001}) {
    Job job;
    job.Options.CurveTolerance = tol;
    ASSERT_TRUE(OpenDxfFile(job, Data + "ezdxf_closed_spline_r2018.dxf").Loaded);
    ASSERT_EQ(job.Regions.size(), 2u);
    const TTBRegion& r = job.Regions[1];
    const auto arcs = std::count_if(r.Entities.begin(), r.Entities.end(), [](const TTBEntity& e) { return e.Radius != 0; });
    EXPECT_GT(2 * arcs, static_cast<long>(r.Entities.size()));
    TTBRegion direct;
    ASSERT_TRUE(SplineToRegion(*All<Spline_>(d).at(0), tol, direct));
    EXPECT_EQ(r.Entities.size(), direct.Entities.size()) << tol;
    EXPECT_GT(direct.Entities.size(), previous);
    previous = direct.Entities.size();
  }
}

struct EllipseCase {
  const char* name;
  double cx, cy, mx, my, ratio, t0, t1;
  bool mirrored;
  double tol;
};

// The ellipse by its own formula: centre + cos(t) major + sin(t) minor, the
// minor axis a quarter turn counter-clockwise from the major one (clockwise
// seen from below).
Pt EllipsePoint(const EllipseCase& c, double t) {
  const double s = c.mirrored ? -1 : 1;
  const double nx = -c.my * c.ratio * s, ny = c.mx * c.ratio * s;
  return {c.cx + std::cos(t) * c.mx + std::sin(t) * nx, c.cy + std::cos(t) * c.my + std::sin(t) * ny};
}

class EllipseArcs : public testing::TestWithParam<EllipseCase> {};

TEST_P(EllipseArcs, FollowTheEllipseFromItsStartPointToItsEndPoint) {
  const EllipseCase& c = GetParam();
  Ellipse_ e;
  e.P1 = {c.cx, c.cy, 0};
  e.P2 = {c.mx, c.my, 0};
  e.Ratio = c.ratio;
  e.StartParam = c.t0;
  e.EndParam = c.t1;
  if (c.mirrored) e.SetOcs(OcsFromExtrusion({0, 0, -1}));
  TTBEntityArray out;
  EllipseToSegments(e, c.tol, out);
  double t1 = c.t1;
  while (t1 <= c.t0 + 1e-12) t1 += TwoPi;
  const Curve curve{[&c](double t) { return EllipsePoint(c, t); }, c.t0, t1};
  const int arcs = testing_curves::ExpectFollows(curve, out, c.tol, {}, c.name);
  EXPECT_EQ(arcs, static_cast<int>(out.size()));
  for (const auto& piece : out) EXPECT_EQ(piece.Pending, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EllipseArcs,
    testing::Values(EllipseCase{"full", 0, 0, 10, 0, 0.5, 0, TwoPi, false, 0.001},
                    EllipseCase{"half_along_y", 30, 0, 0, 6, 0.5, 0, Pi, false, 0.001},
                    EllipseCase{"through_zero", 5, 5, 8, 3, 0.3, 5 * Pi / 3, Pi / 3, false, 0.001},
                    EllipseCase{"mirrored", -4, 2, 4, 3, 0.25, 1, 4, true, 0.001},
                    EllipseCase{"fine", 1, 1, 100, 0, 0.9, 0, TwoPi, false, 0.00001},
                    EllipseCase{"coarse", 0, 0, 3, 3, 0.1, 0.5, 2.5, false, 0.05}),
    [](const testing::TestParamInfo<EllipseCase>& i) { return std::string(i.param.name); });

// A full ellipse 20 by 10 at the default tolerance (0) takes a few dozen
// arcs; absurd numbers give nothing or a bounded number of finite pieces.
TEST(EllipseArcs, PieceCountsStayBounded) {
  for (auto [a, ratio, t1, tol, most] : {std::tuple{10.0, 0.5, TwoPi, 0.0, 60u}, std::tuple{1e300, 1.0, 1e300, 0.001, 1000u},
                                         std::tuple{5.0, 1e300, 1.0, 0.001, 1000u}, std::tuple{5.0, 0.0, 6.0, 0.001, 1000u},
                                         std::tuple{1e-320, 0.5, 6.28, 0.001, 1000u}}) {
    Ellipse_ e;
    e.P2 = {a, 0, 0};
    e.Ratio = ratio;
    e.EndParam = t1;
    TTBEntityArray out;
    EllipseToSegments(e, tol, out);
    EXPECT_LE(out.size(), most) << a;
    for (const auto& l : out) EXPECT_TRUE(std::isfinite(l.X) && std::isfinite(l.XMax) && (most > 60 || l.Radius != 0));
  }
}

}  // namespace
}  // namespace tibrel
