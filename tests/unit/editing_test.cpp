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
  EXPECT_EQ(JoinSelected(job).Message, "Nothing Is Selected");
  job.Regions[1].Selected = 1;
  EXPECT_EQ(ExplodeSelected(job).Status, "3 New Regions Created");
  ASSERT_EQ(job.Regions.size(), 6u);
  for (size_t i = 1; i < 6; ++i) EXPECT_EQ(job.Regions[i].IsOpen, 1);
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

TEST(Editing, ChangeFirstEntityOnlyOnClosedRegions) {
  Job job = JobOf({Square(0, 0, 4)});
  const TTBEntity third = job.Regions[1].Entities[2];
  ChangeFirstEntityAt(job, {2, 4.01}, 0.1);  // on the top edge
  EXPECT_EQ(job.Regions[1].Entities[0].X, third.X);
  EXPECT_EQ(job.Regions[1].Entities.size(), 4u);
  Job open = JobOf({OpenLine(0, 0, 1, 0)});
  EXPECT_FALSE(ChangeFirstEntityAt(open, {0.5, 0}, 0.1).Changed);
}

struct CombineCase {
  const char* name;
  TTBRegion a, b;
  size_t entities;  // 0: any
};

// Combining two overlapping outlines (and a square far away, which stays as
// it was) gives one closed outline, in the wanted direction, that runs on
// the two outlines, never inside both, and covers both boxes. Squares that
// touch only at a corner cross there: their outline passes the corner twice.
TEST(Editing, CombineGivesTheOutlineOfBoth) {
  for (uint8_t cw : {0, 1})
    for (const CombineCase& c : {CombineCase{"overlapping", Square(0, 0, 4, cw), Square(2, 2, 4, cw), 8},
                                 CombineCase{"corner", Square(0, 0, 2, cw), Square(2, 2, 2, cw), 8},
                                 CombineCase{"circle", Square(0, 0, 4, cw), Circle(4, 2, 1), 0}}) {
      if (cw && c.b.Entities.size() == 1) continue;  // circles are made counter-clockwise
      SCOPED_TRACE(std::string(c.name) + (cw ? " clockwise" : ""));
      Job job = JobOf({c.a, c.b, Square(10, 10, 1, cw)});
      SelectAllRegions(job);
      EXPECT_EQ(CombineSelected(job).Status, "2 regions created from 3 original regions");
      ASSERT_EQ(job.Regions.size(), 3u);
      const TTBRegion& u = job.Regions[1];
      if (c.entities) {
        EXPECT_EQ(u.Entities.size(), c.entities);
      }
      EXPECT_EQ(u.IsOpen, 0);
      EXPECT_EQ(u.Clockwise, cw);
      EXPECT_NEAR(u.XMin, std::min(c.a.XMin, c.b.XMin), 1e-9);
      EXPECT_NEAR(u.YMin, std::min(c.a.YMin, c.b.YMin), 1e-9);
      EXPECT_NEAR(u.XMax, std::max(c.a.XMax, c.b.XMax), 1e-9);
      EXPECT_NEAR(u.YMax, std::max(c.a.YMax, c.b.YMax), 1e-9);
      for (size_t k = 0; k < u.Entities.size(); ++k) {
        const TTBPoint e = EntityEnd(u.Entities[k]), s = EntityStart(u.Entities[(k + 1) % u.Entities.size()]);
        EXPECT_NEAR(e.X, s.X, 1e-9);
        EXPECT_NEAR(e.Y, s.Y, 1e-9);
        const TTBPoint m = EntityMidpoint(u.Entities[k]);
        double d = 1e9;
        for (const auto* r : {&c.a, &c.b})
          for (const auto& x : r->Entities) d = std::min(d, PickDistanceSquared(x, m));
        EXPECT_LT(d, 1e-12);
        EXPECT_FALSE(PointInRegion(m, c.a) && PointInRegion(m, c.b));
      }
      if (std::string(c.name) == "corner") {
        int corner = 0;
        for (const auto& e : u.Entities) corner += EntityEnd(e).X == 2 && EntityEnd(e).Y == 2;
        EXPECT_EQ(corner, 2);
      }
      EXPECT_EQ(job.Regions[2].Entities.size(), 4u);
      EXPECT_EQ(job.Regions[2].XMin, 10);
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

TEST(Transform, ScaleFromTheBoxCornerAndExactRotation) {
  Job job = JobOf({Square(10, 10, 2), Square(11, 10, 1)});
  SelectAllRegions(job);
  MoveScaleRotateState st;
  BeginMoveScaleRotate(job, st);
  const auto box = ApplyMoveScaleRotate(job, st, 10, 10, 2, 0);
  ASSERT_TRUE(box);
  EXPECT_DOUBLE_EQ(box->XMin, 10);
  EXPECT_DOUBLE_EQ(box->XMax, 14);
  EXPECT_DOUBLE_EQ(box->YMax, 14);
  EXPECT_DOUBLE_EQ(ApplyMoveScaleRotate(job, st, 10, 10, -1, 0)->XMax, 14);  // a negative factor is ignored
  Job line = JobOf({Square(0, 0, 4), OpenLine(0, 0, 2, 0)});
  line.Regions[2].Selected = 1;
  BeginMoveScaleRotate(line, st);
  const auto turned = ApplyMoveScaleRotate(line, st, 5, 5, 0, 90);  // degrees
  EXPECT_NEAR(turned->XMin, 5, 1e-12);
  EXPECT_NEAR(turned->YMax - turned->YMin, 2, 1e-12);
  TTBRegion r;
  r.Entities = {MakeArc(1, 1, 2, 350 * Pi / 180, 30 * Pi / 180)};
  RotateRegion(r, 0, 0, 20 * Pi / 180);
  EXPECT_NEAR(r.Entities[0].StartAngle(), 10 * Pi / 180, 1e-12);
  EXPECT_NEAR(r.Entities[0].EndAngle(), 50 * Pi / 180, 1e-12);
  EXPECT_EQ(r.Entities[0].Radius, 2);
}

}  // namespace
}  // namespace tibrel
