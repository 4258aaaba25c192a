#include <gtest/gtest.h>

#include <cmath>

#include "job/commands.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace testing_regions;

void SelectAllRegions(Job& job) {
  for (size_t i = 1; i < job.Regions.size(); ++i) job.Regions[i].Selected = 1;
}

TEST(Editing, DeleteKeepsPlaceholderAndUnselectedInOrder) {
  Job job = JobOf({Square(0, 0, 1), Square(2, 0, 1), Square(4, 0, 1), Square(6, 0, 1)});
  job.Regions[0].IslandOf = 3;
  job.Regions[2].Selected = job.Regions[4].Selected = 1;
  DeleteSelectedRegions(job);
  ASSERT_EQ(job.Regions.size(), 3u);
  EXPECT_EQ(job.Regions[1].XMin, 0);
  EXPECT_EQ(job.Regions[2].XMin, 4);
  EXPECT_EQ(job.Regions[0].IslandOf, 0u);
  EXPECT_EQ(job.DrawingExtents.XMax, 5);
}

TEST(Editing, ExplodeAndJoinRoundTrip) {
  Job job = JobOf({Square(0, 0, 4), OpenLine(10, 0, 11, 0)});
  job.Regions[1].Selected = 1;
  EXPECT_EQ(ExplodeSelected(job).Status, "3 New Regions Created");
  ASSERT_EQ(job.Regions.size(), 6u);
  for (size_t i = 1; i < 6; ++i) {
    EXPECT_EQ(job.Regions[i].IsOpen, 1);
    EXPECT_EQ(job.Regions[i].Entities.size(), 1u);
  }
  // Exploding a one-entity region changes nothing.
  job.Regions[2].Selected = 1;
  EXPECT_EQ(ExplodeSelected(job).Status, "");
  SelectAllRegions(job);
  job.Regions[2].Selected = 0;  // the open line stays aside
  JoinSelected(job);
  ASSERT_EQ(job.Regions.size(), 3u);
  EXPECT_EQ(job.Regions[1].IsOpen, 0);
  EXPECT_EQ(job.Regions[1].Entities.size(), 4u);
  EXPECT_EQ(job.Regions[2].XMin, 10);
}

TEST(Editing, JoinTwoTouchingLines) {
  Job job = JobOf({OpenLine(0, 0, 1, 0), OpenLine(5, 5, 6, 6), OpenLine(1, 0, 2, 1)});
  job.Regions[1].Selected = job.Regions[3].Selected = 1;
  JoinSelected(job);
  ASSERT_EQ(job.Regions.size(), 3u);
  EXPECT_EQ(job.Regions[1].Entities.size(), 2u);
  EXPECT_EQ(job.Regions[1].IsOpen, 1);
  EXPECT_EQ(job.Regions[2].XMin, 5);
  EXPECT_EQ(JoinSelected(job).Message, "Nothing Is Selected");
}

TEST(Editing, ChangeFirstEntityOnlyOnClosedRegions) {
  Job job = JobOf({Square(0, 0, 4)});
  const TTBEntity third = job.Regions[1].Entities[2];
  ChangeFirstEntityAt(job, {2, 4.01}, 0.1);  // on the top edge
  EXPECT_EQ(job.Regions[1].Entities[0].X, third.X);
  EXPECT_EQ(job.Regions[1].Entities.size(), 4u);
  Job open = JobOf({OpenLine(0, 0, 1, 0)});
  EXPECT_FALSE(ChangeFirstEntityAt(open, {0.5, 0}, 0.1).Changed);
}

// The outline of a union stays on the two outlines and covers both boxes.
void ExpectOutlineOfBoth(const TTBRegion& u, const TTBRegion& a, const TTBRegion& b) {
  EXPECT_EQ(u.IsOpen, 0);
  for (size_t k = 0; k < u.Entities.size(); ++k) {
    const TTBPoint e = EntityEnd(u.Entities[k]), s = EntityStart(u.Entities[(k + 1) % u.Entities.size()]);
    EXPECT_NEAR(e.X, s.X, 1e-9);
    EXPECT_NEAR(e.Y, s.Y, 1e-9);
    const TTBPoint m = EntityMidpoint(u.Entities[k]);
    double d = 1e9;
    for (const auto* r : {&a, &b})
      for (const auto& x : r->Entities) d = std::min(d, PickDistanceSquared(x, m));
    EXPECT_LT(d, 1e-12);
    // No point of the outline lies strictly inside either shape.
    EXPECT_FALSE(PointInRegion(m, a) && PointInRegion(m, b));
  }
}

TEST(Editing, CombineOverlappingSquares) {
  Job job = JobOf({Square(0, 0, 4), Square(2, 2, 4)});
  const TTBRegion a = job.Regions[1], b = job.Regions[2];
  SelectAllRegions(job);
  EXPECT_EQ(CombineSelected(job).Status, "1 regions created from 2 original regions");
  ASSERT_EQ(job.Regions.size(), 2u);
  const TTBRegion& u = job.Regions[1];
  EXPECT_EQ(u.XMin, 0);
  EXPECT_EQ(u.YMax, 6);
  EXPECT_EQ(u.Entities.size(), 8u);
  ExpectOutlineOfBoth(u, a, b);
}

TEST(Editing, CombineSquareAndCrossingCircle) {
  Job job = JobOf({Square(0, 0, 4), Circle(4, 2, 1)});
  const TTBRegion a = job.Regions[1], b = job.Regions[2];
  SelectAllRegions(job);
  CombineSelected(job);
  ASSERT_EQ(job.Regions.size(), 2u);
  EXPECT_NEAR(job.Regions[1].XMax, 5, 1e-9);
  ExpectOutlineOfBoth(job.Regions[1], a, b);
}

// Squares that touch only at the corner (2,2) cross there: the outline walk
// leaves the first square at the end of its edge into (2,2) (crossings at
// the very end of the current piece count, those at the end of the other
// entity do not), goes round the second square, comes back at (2,2) and
// finishes the first. The result spans both boxes, so the box check passes
// and the two become one closed outline that passes (2,2) twice; the square
// far away stays as it was. Both directions.
TEST(Editing, CombineEndsOnSquaresTouchingAtACorner) {
  for (uint8_t cw : {0, 1}) {
    SCOPED_TRACE(cw ? "clockwise" : "counter-clockwise");
    Job job = JobOf({Square(0, 0, 2, cw), Square(2, 2, 2, cw), Square(10, 10, 1, cw)});
    const TTBRegion a = job.Regions[1], b = job.Regions[2], far = job.Regions[3];
    SelectAllRegions(job);
    EXPECT_EQ(CombineSelected(job).Status, "2 regions created from 3 original regions");
    ASSERT_EQ(job.Regions.size(), 3u);
    const TTBRegion& u = job.Regions[1];
    EXPECT_EQ(u.Entities.size(), 8u);
    EXPECT_EQ(u.XMin, 0);
    EXPECT_EQ(u.YMin, 0);
    EXPECT_EQ(u.XMax, 4);
    EXPECT_EQ(u.YMax, 4);
    EXPECT_EQ(u.Clockwise, cw);
    ExpectOutlineOfBoth(u, a, b);
    int corner = 0;
    for (const auto& e : u.Entities) corner += EntityEnd(e).X == 2 && EntityEnd(e).Y == 2;
    EXPECT_EQ(corner, 2);
    const TTBRegion& c = job.Regions[2];
    EXPECT_EQ(c.IsOpen, 0);
    EXPECT_EQ(c.Entities.size(), 4u);
    EXPECT_EQ(c.XMin, far.XMin);
    EXPECT_EQ(c.YMax, far.YMax);
  }
}

TEST(Editing, DepthsDecideIslandsAndBoundaries) {
  Job job = JobOf({Square(0, 0, 10), Circle(5, 5, 1)});
  job.Regions[2].Selected = job.Regions[1].Selected = 1;
  job.Regions[2].IslandOf = job.Regions[2].Encloser = 1;
  job.Regions[1].Encloser = 1;
  ApplyDepths(job, "5", DepthTarget::Boundaries, "");
  ApplyDepths(job, "2", DepthTarget::Islands, "");
  EXPECT_EQ(job.Regions[1].Depth, 5);
  EXPECT_EQ(job.Regions[2].Depth, 2);
  EXPECT_EQ(job.Regions[2].IslandOf, 1u);
  ApplyDepths(job, "5x", DepthTarget::SingleRegion, "2");
  EXPECT_EQ(job.Regions[2].Depth, 5);
  EXPECT_EQ(job.Regions[2].IslandOf, 0u);  // as deep as its boundary: a boundary itself
  ApplyDepths(job, "9", DepthTarget::SingleRegion, "7");  // no such region: nothing
  EXPECT_EQ(job.Regions[1].Depth, 5);
}

TEST(Editing, WallsCheckTheirFieldsAndStayInTheList) {
  Job job = JobOf({Square(0, 0, 10), Circle(5, 5, 1)});
  job.Regions[1].Depth = 3;
  job.Regions[2].Depth = 1;
  job.Regions[2].IslandOf = job.Regions[2].Encloser = 1;
  EXPECT_EQ(ApplyWall(job, "1", "1", "").Message, "No Delta Value");
  EXPECT_EQ(ApplyWall(job, "1", "1", "0").Message, "Delta value should be greater than 0.");
  EXPECT_EQ(ApplyWall(job, "", "1", "1").Message, "No Region Selected");
  EXPECT_EQ(ApplyWall(job, "1", "", "1").Message, "No Profile Selected");
  EXPECT_FALSE(ApplyWall(job, "99", "1", "1").Changed);
  EXPECT_TRUE(ApplyWall(job, "2", "1", "0.5").Changed);
  EXPECT_EQ(job.Regions[2].WallProfile, 1u);
  EXPECT_FLOAT_EQ(job.Regions[2].WallDelta, 0.5f);
  EXPECT_EQ(WallDeltaOnEnter(job, 2, "-1"), "3.0000");
  EXPECT_EQ(WallDeltaOnMinus(job, 2), "2.0000");
}

TEST(Transform, ScaleMovesTheBoxCorner) {
  Job job = JobOf({Square(10, 10, 2), Square(11, 10, 1)});
  job.Regions[1].Selected = job.Regions[2].Selected = 1;
  MoveScaleRotateState st;
  BeginMoveScaleRotate(job, st);
  const auto box = ApplyMoveScaleRotate(job, st, 10, 10, 2, 0);
  ASSERT_TRUE(box);
  EXPECT_DOUBLE_EQ(box->XMin, 10);
  EXPECT_DOUBLE_EQ(box->XMax, 14);
  EXPECT_DOUBLE_EQ(box->YMax, 14);
  // A negative factor is ignored.
  const auto same = ApplyMoveScaleRotate(job, st, 10, 10, -1, 0);
  EXPECT_DOUBLE_EQ(same->XMax, 14);
}

TEST(Transform, RotationKeepsArcsExact) {
  TTBRegion r;
  r.Entities = {MakeArc(1, 1, 2, 350 * Pi / 180, 30 * Pi / 180)};
  RotateRegion(r, 0, 0, 20 * Pi / 180);
  EXPECT_NEAR(r.Entities[0].StartAngle(), 10 * Pi / 180, 1e-12);
  EXPECT_NEAR(r.Entities[0].EndAngle(), 50 * Pi / 180, 1e-12);
  EXPECT_EQ(r.Entities[0].Radius, 2);

  Job job = JobOf({Square(0, 0, 4), OpenLine(0, 0, 2, 0)});
  job.Regions[2].Selected = 1;
  MoveScaleRotateState st;
  BeginMoveScaleRotate(job, st);
  const auto box = ApplyMoveScaleRotate(job, st, 5, 5, 0, 90);
  EXPECT_NEAR(box->XMin, 5, 1e-12);
  EXPECT_NEAR(box->YMax - box->YMin, 2, 1e-12);  // now vertical
}

}  // namespace
}  // namespace tibrel
