#include <gtest/gtest.h>

#include <cmath>

#include "dxf/convert.h"
#include "geometry/chain.h"
#include "geometry_check.h"

namespace tibrel {
namespace {

Polyline_ Poly(std::initializer_list<DxfVertex> v, bool closed, double width = 0) {
  Polyline_ p;
  p.Vertices = v;
  p.Closed = closed;
  p.Width = width;
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

TEST(PolylineConversion, BulgesRepeatsAndTwoHalfCircles) {
  TTBRegion r;
  ASSERT_TRUE(PolylineToRegion(Poly({{0, 0, 0, -1}, {2, 0, 0, 0}, {2, 0, 0, 0}}, false), r));
  ASSERT_EQ(r.Entities.size(), 1u);  // the repeated vertex makes no zero-length piece
  EXPECT_DOUBLE_EQ(r.Entities[0].Radius, -1);
  // Clockwise from (0,0) to (2,0) passes above the chord.
  EXPECT_NEAR(EntityMidpoint(r.Entities[0]).Y, 1, 1e-12);
  ASSERT_TRUE(PolylineToRegion(Poly({{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 0, 0, 0}}, true), r));
  ASSERT_EQ(r.Entities.size(), 1u);
  EXPECT_TRUE(IsExactCircle(r.Entities[0]));
  EXPECT_NEAR(r.XMax, 2, 1e-12);
}

TEST(PolylineConversion, CleaningMergesCutsCollapsesAndJoins) {
  const TTBRegionArray merged = Clean({Poly({{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}}, false)});
  ASSERT_EQ(merged.size(), 1u);
  ASSERT_EQ(merged[0].Entities.size(), 1u);
  EXPECT_EQ(merged[0].Entities[0].X2, 2);
  // A straight reversal cuts the polyline.
  EXPECT_EQ(Clean({Poly({{0, 0, 0, 0}, {2, 0, 0, 0}, {1, 0, 0, 0}}, false)}).size(), 2u);
  const Polyline_ sq = Poly({{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 4, 0, 0}, {0, 4, 0, 0}, {0, 0, 0, 0}}, true);
  EXPECT_EQ(Clean({sq, sq}).size(), 1u);
  // Two open halves of a square meet at both ends: one closed loop.
  const TTBRegionArray joined = Clean({Poly({{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 4, 0, 0}}, false),
                                       Poly({{0, 0, 0, 0}, {0, 4, 0, 0}, {4.0003, 4, 0, 0}}, false)});
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0].IsOpen, 0);
  EXPECT_EQ(RegionDirection(joined[0]), 1);
}

// A wide polyline becomes its closed outline: a circle grows by the half
// width, a bent one keeps the half width from its centre line everywhere
// but at the two end caps.
TEST(WidePolylines, OutlinesKeepTheHalfWidth) {
  const TTBRegionArray ring = Clean({Poly({{-1, 0, 0, 1}, {1, 0, 0, 1}, {-1, 0, 0, 0}}, true, 0.1)}, 0);
  ASSERT_EQ(ring.size(), 1u);
  EXPECT_NEAR(std::fabs(ring[0].Entities[0].Radius), 1.1, 1e-12);
  const Polyline_ bent = Poly({{0, 0, 0, 0}, {10, 0, 0, 0.4}, {10, 10, 0, 0}, {0, 12, 0, 0}}, false, 0.5);
  const TTBRegionArray out = Clean({bent}, 0);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].IsOpen, 0);
  TTBRegion centre;
  ASSERT_TRUE(PolylineToRegion(bent, centre));
  int caps = 0;
  for (size_t k = 0; k < out[0].Entities.size(); ++k) {
    const auto& e = out[0].Entities[k];
    const TTBPoint end = EntityEnd(e), next = EntityStart(out[0].Entities[(k + 1) % out[0].Entities.size()]);
    EXPECT_NEAR(end.X, next.X, 1e-12);
    EXPECT_NEAR(end.Y, next.Y, 1e-12);
    const TTBPoint m = EntityMidpoint(e);
    const double d = testing_geometry::DistToRegion({m.X, m.Y}, centre);
    if (d < 0.01) ++caps;
    else EXPECT_NEAR(d, 0.5, 1e-9);
  }
  EXPECT_EQ(caps, 2);
}

}  // namespace
}  // namespace tibrel
