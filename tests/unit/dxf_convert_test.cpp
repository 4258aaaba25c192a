#include <gtest/gtest.h>

#include <cmath>

#include "dxf/convert.h"
#include "geometry/chain.h"

namespace tibrel {
namespace {

Polyline_ Poly(std::initializer_list<DxfVertex> v, bool closed) {
  Polyline_ p;
  p.Vertices = v;
  p.Closed = closed;
  return p;
}

TTBRegionArray Clean(std::initializer_list<Polyline_> polys, uint8_t cw = 1) {
  TTBRegionArray out;
  for (const auto& p : polys) {
    TTBRegion r;
    if (PolylineToRegion(p, r)) out.push_back(r);
  }
  CleanPolylineRegions(out, cw);
  return out;
}

TEST(PolylineConversion, NegativeBulgeIsAClockwiseHalfCircle) {
  TTBRegion r;
  ASSERT_TRUE(PolylineToRegion(Poly({{0, 0, 0, -1}, {2, 0, 0, 0}}, false), r));
  ASSERT_EQ(r.Entities.size(), 1u);
  const TTBEntity& a = r.Entities[0];
  EXPECT_DOUBLE_EQ(a.Radius, -1);
  EXPECT_NEAR(a.X, 1, 1e-12);
  EXPECT_NEAR(a.Y, 0, 1e-12);
  // Clockwise from (0,0) to (2,0) passes above the chord.
  EXPECT_NEAR(EntityMidpoint(a).Y, 1, 1e-12);
}

TEST(PolylineConversion, TwoHalfCirclesMakeOneCircle) {
  TTBRegion r;
  ASSERT_TRUE(PolylineToRegion(Poly({{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 0, 0, 0}}, true), r));
  ASSERT_EQ(r.Entities.size(), 1u);
  EXPECT_TRUE(IsExactCircle(r.Entities[0]));
  EXPECT_EQ(r.IsOpen, 0);
  EXPECT_NEAR(r.XMax, 2, 1e-12);
}

TEST(PolylineConversion, RepeatedVerticesMakeNoZeroLengthPiece) {
  TTBRegion r;
  ASSERT_TRUE(PolylineToRegion(Poly({{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}}, false), r));
  EXPECT_EQ(r.Entities.size(), 2u);
}

TEST(PolylineConversion, CollinearPiecesMergeAndStraightReversalsCut) {
  const TTBRegionArray merged = Clean({Poly({{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}}, false)});
  ASSERT_EQ(merged.size(), 1u);
  ASSERT_EQ(merged[0].Entities.size(), 1u);
  EXPECT_EQ(merged[0].Entities[0].X2, 2);

  const TTBRegionArray cut = Clean({Poly({{0, 0, 0, 0}, {2, 0, 0, 0}, {1, 0, 0, 0}}, false)});
  ASSERT_EQ(cut.size(), 2u);
  for (const auto& r : cut) EXPECT_EQ(r.IsOpen, 1);
}

TEST(PolylineConversion, DuplicatePolylinesCollapseAndOpenOnesJoin) {
  const Polyline_ sq = Poly({{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 4, 0, 0}, {0, 4, 0, 0}, {0, 0, 0, 0}}, true);
  EXPECT_EQ(Clean({sq, sq}).size(), 1u);
  // Two open halves of a square meet at both ends: one closed loop.
  const TTBRegionArray joined = Clean({Poly({{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 4, 0, 0}}, false),
                                       Poly({{0, 0, 0, 0}, {0, 4, 0, 0}, {4.0003, 4, 0, 0}}, false)});
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0].IsOpen, 0);
  EXPECT_EQ(RegionDirection(joined[0]), 1);
}

}  // namespace
}  // namespace tibrel

namespace tibrel {
namespace {

TEST(WidePolylines, OpenLineBecomesARectangleAndCircleGrows) {
  Polyline_ line = Poly({{0, 0, 0, 0}, {10, 0, 0, 0}}, false);
  line.Width = 0.1;
  Polyline_ circle = Poly({{-1, 0, 0, 1}, {1, 0, 0, 1}, {-1, 0, 0, 0}}, true);
  circle.Width = 0.1;
  const TTBRegionArray out = Clean({line, circle}, 0);
  ASSERT_EQ(out.size(), 2u);
  const TTBRegion& rect = out[0].Entities.size() == 1 ? out[1] : out[0];
  const TTBRegion& ring = out[0].Entities.size() == 1 ? out[0] : out[1];
  EXPECT_EQ(rect.IsOpen, 0);
  EXPECT_NEAR(rect.YMax - rect.YMin, 0.2, 1e-12);
  EXPECT_NEAR(rect.XMax - rect.XMin, 10, 1e-12);
  for (size_t k = 0; k < rect.Entities.size(); ++k) {
    const TTBPoint e = EntityEnd(rect.Entities[k]), s = EntityStart(rect.Entities[(k + 1) % rect.Entities.size()]);
    EXPECT_NEAR(e.X, s.X, 1e-12);
    EXPECT_NEAR(e.Y, s.Y, 1e-12);
  }
  EXPECT_NEAR(std::fabs(ring.Entities[0].Radius), 1.1, 1e-12);
  EXPECT_EQ(ring.Depth, 0);
}

TEST(WidePolylines, BentPolylineOutlineKeepsTheHalfWidth) {
  Polyline_ bent = Poly({{0, 0, 0, 0}, {10, 0, 0, 0.4}, {10, 10, 0, 0}, {0, 12, 0, 0}}, false);
  bent.Width = 0.5;
  const TTBRegionArray out = Clean({bent}, 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].IsOpen, 0);
  TTBRegion centre;
  ASSERT_TRUE(PolylineToRegion(bent, centre));
  int caps = 0;
  for (const auto& e : out[0].Entities) {
    const TTBPoint m = EntityMidpoint(e);
    double best = 1e9;
    for (const auto& c : centre.Entities) {
      // Distance by dense sampling of the centre line.
      for (int k = 0; k <= 2000; ++k) {
        const TTBPoint p = c.Radius == 0 ? TTBPoint{c.X + (c.X2 - c.X) * k / 2000, c.Y + (c.Y2 - c.Y) * k / 2000}
                                         : TTBPoint{c.X + std::fabs(c.Radius) * std::cos(c.StartAngle() + ArcSweep(c) * k / 2000),
                                                    c.Y + std::fabs(c.Radius) * std::sin(c.StartAngle() + ArcSweep(c) * k / 2000)};
        best = std::min(best, std::hypot(p.X - m.X, p.Y - m.Y));
      }
    }
    // The two end caps cross the centre line's ends; everything else runs
    // at the half width.
    if (best < 0.01) ++caps;
    else EXPECT_NEAR(best, 0.5, 0.01);
  }
  EXPECT_EQ(caps, 2);
}

}  // namespace
}  // namespace tibrel

namespace tibrel {
namespace {

// A circular ellipse arc traces the same path as the arc of its circle,
// whichever way round its parameters are written.
TEST(EllipseConversion, ParametersRunCounterClockwiseThroughZero) {
  Ellipse_ e;
  e.P2 = {10, 0, 0};
  e.Ratio = 1;
  e.StartParam = 5 * Pi / 3;  // 300 degrees
  e.EndParam = Pi / 3;        // 60 degrees, through 0
  TTBEntityArray arcs;
  EllipseToSegments(e, 0, arcs);
  ASSERT_FALSE(arcs.empty());
  for (const auto& a : arcs) {
    EXPECT_GT(a.XMin, 4.99);  // the right-hand side only
    EXPECT_NEAR(std::fabs(a.Radius), 10, 1e-9);
  }
  EXPECT_NEAR(EntityStart(arcs.front()).X, 5, 1e-9);
  EXPECT_NEAR(EntityEnd(arcs.back()).Y, 10 * std::sin(Pi / 3), 1e-9);
}

}  // namespace
}  // namespace tibrel
