#include <gtest/gtest.h>

#include <cmath>

#include "geometry/entity.h"
#include "geometry/region.h"

namespace tibrel {
namespace {

constexpr double kEps = 1e-12;

TEST(Entity, FullCircleStoredWithEqualAngles) {
  const TTBEntity c = MakeCircle(1, 2, 5);
  EXPECT_NEAR(EntityLength(c), 10 * Pi, kEps);
  EXPECT_NEAR(ArcSweep(c), TwoPi, kEps);
  EXPECT_DOUBLE_EQ(c.XMin, -4);
  EXPECT_DOUBLE_EQ(c.XMax, 6);
  EXPECT_DOUBLE_EQ(c.YMin, -3);
  EXPECT_DOUBLE_EQ(c.YMax, 7);
  const TTBPoint s = EntityStart(c), e = EntityEnd(c);
  EXPECT_DOUBLE_EQ(s.X, 6);
  EXPECT_DOUBLE_EQ(s.Y, 2);
  EXPECT_DOUBLE_EQ(e.X, 6);
}

TEST(Entity, ReversingAQuarterArcSwapsEndsAndKeepsLength) {
  TTBEntity a = MakeArc(0, 0, 1, 0, Pi / 2);
  const TTBPoint s = EntityStart(a), e = EntityEnd(a);
  ReverseEntity(a);
  EXPECT_EQ(a.Radius, -1);
  EXPECT_DOUBLE_EQ(a.StartAngle(), Pi / 2);
  EXPECT_DOUBLE_EQ(a.EndAngle(), 0);
  EXPECT_NEAR(EntityStart(a).X, e.X, kEps);
  EXPECT_NEAR(EntityEnd(a).Y, s.Y, kEps);
  EXPECT_NEAR(EntityLength(a), Pi / 2, kEps);
  EXPECT_NEAR(ArcSweep(a), -Pi / 2, kEps);
}

TEST(Entity, ClockwiseArcWithEqualAnglesSweepsMinusTwoPi) {
  EXPECT_NEAR(ArcSweep(MakeArc(0, 0, -2, 1, 1)), -TwoPi, kEps);
}

struct AngleCase {
  double x, y, expected;
};
class PointAngleTable : public testing::TestWithParam<AngleCase> {};
TEST_P(PointAngleTable, MeasuresCounterClockwiseFromPlusX) {
  const auto& c = GetParam();
  EXPECT_NEAR(PointAngle({0, 0}, {c.x, c.y}), c.expected, kEps);
}
INSTANTIATE_TEST_SUITE_P(Axes, PointAngleTable,
                         testing::Values(AngleCase{1, 0, 0}, AngleCase{0, 1, Pi / 2}, AngleCase{-1, 0, Pi},
                                         AngleCase{0, -1, 3 * Pi / 2}, AngleCase{1, 1, Pi / 4},
                                         AngleCase{-1, -1, 5 * Pi / 4}, AngleCase{1, -1, 7 * Pi / 4}));

// The box of an arc must contain points sampled along it and touch them at
// its extremes, whatever the sweep and sense.
TEST(Entity, ArcBoxHugsSampledPoints) {
  int checked = 0;
  for (int s = 0; s < 24; ++s)
    for (int e = 0; e < 24; ++e)
      for (double r : {1.5, -1.5}) {
        const TTBEntity a = MakeArc(3, -2, r, s * TwoPi / 24 + 0.01, e * TwoPi / 24 + 0.02);
        const double sweep = ArcSweep(a);
        double xmin = 1e9, xmax = -1e9, ymin = 1e9, ymax = -1e9;
        for (int k = 0; k <= 2000; ++k) {
          const double t = a.StartAngle() + sweep * k / 2000;
          const double x = 3 + 1.5 * std::cos(t), y = -2 + 1.5 * std::sin(t);
          xmin = std::min(xmin, x), xmax = std::max(xmax, x), ymin = std::min(ymin, y), ymax = std::max(ymax, y);
        }
        EXPECT_NEAR(a.XMin, xmin, 1e-5);
        EXPECT_NEAR(a.XMax, xmax, 1e-5);
        EXPECT_NEAR(a.YMin, ymin, 1e-5);
        EXPECT_NEAR(a.YMax, ymax, 1e-5);
        ++checked;
      }
  EXPECT_GT(checked, 1000);
}

TEST(Entity, MoveEntityPointKeepsRadiusAndOtherEnd) {
  TTBEntity a = MakeArc(0, 0, 2, 0.3, 1.9);
  const TTBPoint other = EntityEnd(a);
  const TTBPoint s = EntityStart(a);
  MoveEntityPoint(a, {s.X + 0.0003, s.Y - 0.0002}, 0);
  EXPECT_NEAR(EntityStart(a).X, s.X + 0.0003, 1e-9);
  EXPECT_NEAR(EntityStart(a).Y, s.Y - 0.0002, 1e-9);
  EXPECT_NEAR(EntityEnd(a).X, other.X, 1e-9);
  EXPECT_NEAR(EntityEnd(a).Y, other.Y, 1e-9);
  EXPECT_EQ(a.Radius, 2);
}

// Snapping the end of a half circle away from its chord must still put the
// end exactly where asked: chains rely on it.
TEST(Entity, MovingAHalfCircleEndOutwardStillMeetsThePoint) {
  for (int which : {0, 1}) {
    TTBEntity a = MakeArc(0, 0, 0.5, Pi, 0);  // from (-0.5, 0) under the bottom to (0.5, 0)
    const TTBPoint target = which == 0 ? TTBPoint{-0.5004, 0.0001} : TTBPoint{0.5004, -0.0001};
    MoveEntityPoint(a, target, which);
    const TTBPoint got = which == 0 ? EntityStart(a) : EntityEnd(a);
    EXPECT_NEAR(got.X, target.X, 1e-12);
    EXPECT_NEAR(got.Y, target.Y, 1e-12);
    EXPECT_NEAR(std::fabs(a.Radius), 0.5, 0.0003);
    EXPECT_LT(EntityMidpoint(a).Y, -0.49);  // still the lower half
  }
}

TTBRegion Square(double x0, double y0, double size) {
  TTBRegion r;
  r.Entities = {MakeLine(x0, y0, x0 + size, y0), MakeLine(x0 + size, y0, x0 + size, y0 + size),
                MakeLine(x0 + size, y0 + size, x0, y0 + size), MakeLine(x0, y0 + size, x0, y0)};
  UpdateRegionBox(r);
  return r;
}

TEST(Region, SquareDirectionAndReversal) {
  TTBRegion r = Square(0, 0, 1);
  EXPECT_EQ(RegionDirection(r), 0);
  SetRegionDirection(r, 1);
  EXPECT_EQ(r.Clockwise, 1);
  EXPECT_EQ(RegionDirection(r), 1);
  for (size_t k = 0; k < r.Entities.size(); ++k) {
    const TTBPoint e = EntityEnd(r.Entities[k]);
    const TTBPoint s = EntityStart(r.Entities[(k + 1) % r.Entities.size()]);
    EXPECT_EQ(e.X, s.X);
    EXPECT_EQ(e.Y, s.Y);
  }
}

TEST(Region, PointInRegion) {
  TTBRegion sq = Square(0, 0, 1);
  EXPECT_TRUE(PointInRegion({0.5, 0.5}, sq));
  EXPECT_FALSE(PointInRegion({-0.5, 0}, sq));
  EXPECT_FALSE(PointInRegion({1.5, 0.5}, sq));
  sq.IsOpen = 1;
  EXPECT_FALSE(PointInRegion({0.5, 0.5}, sq));

  // A slot: two half circles joined by lines; the crossings of arcs count.
  TTBRegion slot;
  slot.Entities = {MakeLine(0, 0, 4, 0), MakeArc(4, 1, 1, 3 * Pi / 2, Pi / 2), MakeLine(4, 2, 0, 2),
                   MakeArc(0, 1, 1, Pi / 2, 3 * Pi / 2)};
  UpdateRegionBox(slot);
  EXPECT_TRUE(PointInRegion({-0.5, 1}, slot));
  EXPECT_TRUE(PointInRegion({4.9, 1.3}, slot));
  EXPECT_TRUE(PointInRegion({2, 1}, slot));
  EXPECT_FALSE(PointInRegion({5.1, 1}, slot));
  EXPECT_FALSE(PointInRegion({-0.9, 0.1}, slot));
}

TEST(Region, BoxInsideIsInclusive) {
  const TTBRegion a = Square(0, 0, 2);
  EXPECT_TRUE(BoxInside(a, a));
  EXPECT_FALSE(BoxInside(Square(0.5, 0.5, 1), a));
}

}  // namespace
}  // namespace tibrel
