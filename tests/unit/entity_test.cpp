#include <gtest/gtest.h>

#include <cmath>

#include "geometry/entity.h"
#include "geometry/region.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using testing_regions::Square;

// Equal angles mean a full turn in the arc's sense; reversing swaps the ends
// and the sense but keeps the length.
TEST(Entity, SweepsAndReversal) {
  const TTBEntity c = MakeCircle(1, 2, 5);
  EXPECT_NEAR(EntityLength(c), 10 * Pi, 1e-12);
  EXPECT_DOUBLE_EQ(EntityStart(c).X, 6);
  EXPECT_DOUBLE_EQ(EntityEnd(c).X, 6);
  EXPECT_NEAR(ArcSweep(MakeArc(0, 0, -2, 1, 1)), -TwoPi, 1e-12);
  TTBEntity a = MakeArc(0, 0, 1, 0, Pi / 2);
  const TTBPoint s = EntityStart(a), e = EntityEnd(a);
  ReverseEntity(a);
  EXPECT_NEAR(EntityStart(a).X, e.X, 1e-12);
  EXPECT_NEAR(EntityEnd(a).Y, s.Y, 1e-12);
  EXPECT_NEAR(EntityLength(a), Pi / 2, 1e-12);
  EXPECT_NEAR(ArcSweep(a), -Pi / 2, 1e-12);
  // Angles lie in [0, 2 pi).
  EXPECT_NEAR(PointAngle({0, 0}, {-1, -1}), 5 * Pi / 4, 1e-12);
  EXPECT_NEAR(PointAngle({0, 0}, {1, -1}), 7 * Pi / 4, 1e-12);
}

// The box of an arc must contain points sampled along it and touch them at
// its extremes, whatever the sweep and sense.
TEST(Entity, ArcBoxHugsSampledPoints) {
  for (int s = 0; s < 24; ++s)
    for (int e = 0; e < 24; ++e)
      for (double r : {1.5, -1.5}) {
        const TTBEntity a = MakeArc(3, -2, r, s * TwoPi / 24 + 0.01, e * TwoPi / 24 + 0.02);
        double xmin = 1e9, xmax = -1e9, ymin = 1e9, ymax = -1e9;
        for (int k = 0; k <= 2000; ++k) {
          const double t = a.StartAngle() + ArcSweep(a) * k / 2000;
          const double x = 3 + 1.5 * std::cos(t), y = -2 + 1.5 * std::sin(t);
          xmin = std::min(xmin, x), xmax = std::max(xmax, x), ymin = std::min(ymin, y), ymax = std::max(ymax, y);
        }
        EXPECT_NEAR(a.XMin, xmin, 1e-5);
        EXPECT_NEAR(a.XMax, xmax, 1e-5);
        EXPECT_NEAR(a.YMin, ymin, 1e-5);
        EXPECT_NEAR(a.YMax, ymax, 1e-5);
      }
}

// Snapping an arc's end, even of a half circle away from its chord, puts the
// end exactly where asked and keeps the other end: chains rely on it.
TEST(Entity, MovingAnArcEndMeetsThePoint) {
  TTBEntity a = MakeArc(0, 0, 2, 0.3, 1.9);
  const TTBPoint other = EntityEnd(a), s = EntityStart(a);
  MoveEntityPoint(a, {s.X + 0.0003, s.Y - 0.0002}, 0);
  EXPECT_NEAR(EntityStart(a).X, s.X + 0.0003, 1e-9);
  EXPECT_NEAR(EntityStart(a).Y, s.Y - 0.0002, 1e-9);
  EXPECT_NEAR(EntityEnd(a).X, other.X, 1e-9);
  EXPECT_NEAR(EntityEnd(a).Y, other.Y, 1e-9);
  for (int which : {0, 1}) {
    TTBEntity h = MakeArc(0, 0, 0.5, Pi, 0);  // from (-0.5, 0) under the bottom to (0.5, 0)
    const TTBPoint target = which == 0 ? TTBPoint{-0.5004, 0.0001} : TTBPoint{0.5004, -0.0001};
    MoveEntityPoint(h, target, which);
    const TTBPoint got = which == 0 ? EntityStart(h) : EntityEnd(h);
    EXPECT_NEAR(got.X, target.X, 1e-12);
    EXPECT_NEAR(got.Y, target.Y, 1e-12);
    EXPECT_NEAR(std::fabs(h.Radius), 0.5, 0.0003);
    EXPECT_LT(EntityMidpoint(h).Y, -0.49);  // still the lower half
  }
}

TEST(Region, DirectionReversalAndPointInRegion) {
  TTBRegion r = Square(0, 0, 1);
  EXPECT_EQ(RegionDirection(r), 0);
  SetRegionDirection(r, 1);
  EXPECT_EQ(RegionDirection(r), 1);
  for (size_t k = 0; k < r.Entities.size(); ++k) {
    EXPECT_EQ(EntityEnd(r.Entities[k]).X, EntityStart(r.Entities[(k + 1) % r.Entities.size()]).X);
    EXPECT_EQ(EntityEnd(r.Entities[k]).Y, EntityStart(r.Entities[(k + 1) % r.Entities.size()]).Y);
  }
  EXPECT_TRUE(PointInRegion({0.5, 0.5}, r));
  EXPECT_FALSE(PointInRegion({-0.5, 0}, r));
  r.IsOpen = 1;
  EXPECT_FALSE(PointInRegion({0.5, 0.5}, r));
  // A slot: two half circles joined by lines; the crossings of arcs count.
  TTBRegion slot;
  slot.Entities = {MakeLine(0, 0, 4, 0), MakeArc(4, 1, 1, 3 * Pi / 2, Pi / 2), MakeLine(4, 2, 0, 2),
                   MakeArc(0, 1, 1, Pi / 2, 3 * Pi / 2)};
  UpdateRegionBox(slot);
  for (TTBPoint in : {TTBPoint{-0.5, 1}, TTBPoint{4.9, 1.3}, TTBPoint{2, 1}}) EXPECT_TRUE(PointInRegion(in, slot));
  for (TTBPoint out : {TTBPoint{5.1, 1}, TTBPoint{-0.9, 0.1}}) EXPECT_FALSE(PointInRegion(out, slot));
  EXPECT_TRUE(BoxInside(slot, slot));
}

}  // namespace
}  // namespace tibrel
