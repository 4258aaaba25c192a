#include <gtest/gtest.h>

#include <cmath>

#include "view/view.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace testing_regions;

TExtents Box(double x1, double y1, double x2, double y2) {
  TExtents e;
  e.XMin = x1, e.YMin = y1, e.XMax = x2, e.YMax = y2;
  return e;
}

TEST(ViewWindow, FittingKeepsOneScaleAndCentres) {
  ViewState v;
  v.Width = 400, v.Height = 200;
  FitWindow(v, Box(0, 0, 100, 100), 20, 20);
  EXPECT_DOUBLE_EQ(v.Sx, 1.6);  // (200 - 40) / 100, the smaller of the two
  EXPECT_DOUBLE_EQ(v.Sy, 1.6);
  EXPECT_DOUBLE_EQ(v.Window.XMin, 50 - 200 / 1.6);
  EXPECT_DOUBLE_EQ(v.Window.XMax, 50 + 200 / 1.6);
  // A drawing of zero width: the smaller of 1.0 and the height's scale.
  for (const auto& [height, scale] : {std::pair{1000.0, 0.16}, std::pair{10.0, 1.0}}) {
    FitWindow(v, Box(5, 0, 5, height), 20, 20);
    EXPECT_DOUBLE_EQ(v.Sx, scale);
  }
}

TEST(ViewWindow, ScreenAndWorldMapBothWays) {
  ViewState v;
  v.Width = 640, v.Height = 480;
  FitWindow(v, Box(-10, -5, 30, 25), 0, 0);
  for (double x : {-9.5, 0.0, 12.5, 29.0})
    for (double y : {-4.5, 3.0, 24.0}) {
      const ScreenPoint p = Project(v, x, y, -3);  // depth does not move a plan view
      double wx, wy;
      ASSERT_TRUE(WorldFromScreen(v, static_cast<int>(std::floor(p.X)), static_cast<int>(std::floor(p.Y)), wx, wy));
      EXPECT_NEAR(wx, x, 1.0 / v.Sx);
      EXPECT_NEAR(wy, y, 1.0 / v.Sy);
    }
  double x = 7, y = 7;
  EXPECT_FALSE(WorldFromScreen(v, -1, 10, x, y));
  // Y grows upward on the drawing, downward on the screen.
  EXPECT_LT(Project(v, 0, 20, 0).Y, Project(v, 0, 0, 0).Y);
}

TEST(ViewWindow, ZoomPreviousTogglesAndPanFollowsTheMouse) {
  ViewState v;
  FitWindow(v, Box(0, 0, 50, 20), 20, 20);
  const TExtents first = v.Window;
  ZoomBy(v, 0.2);
  const TExtents zoomed = v.Window;
  EXPECT_LT(zoomed.XMax - zoomed.XMin, first.XMax - first.XMin);
  ZoomPrevious(v);
  EXPECT_NEAR(v.Window.XMin, first.XMin, 1e-9);
  ZoomPrevious(v);
  EXPECT_NEAR(v.Window.XMin, zoomed.XMin, 1e-9);
  const ScreenPoint before = Project(v, 1, 1, 0);
  Pan(v, 10, -5);
  EXPECT_NEAR(Project(v, 1, 1, 0).X - before.X, 10, 1e-9);
  EXPECT_NEAR(Project(v, 1, 1, 0).Y - before.Y, -5, 1e-9);
}

TEST(ViewWindow, RotationLimits) {
  ViewState v;
  Set3D(v);
  v.Tilt = 99;
  Rotate(v, 0, 5, false);
  EXPECT_EQ(v.Tilt, 100);
  v.Spin = 2;
  Rotate(v, 5, 0, true);  // right in the lower half lowers the spin, wrapping
  EXPECT_EQ(v.Spin, 360);
  Set2D(v);
  EXPECT_EQ(v.Tilt, 90);
  EXPECT_EQ(v.Spin, 0);
}

TEST(ViewWindow, TheTurnedDrawingFitsIn3D) {
  ViewState v;
  v.Width = 600, v.Height = 400;
  Set3D(v);
  TExtents e = Box(0, 0, 300, 200);
  e.ZMin = -20;
  FitView(v, e, 20);
  for (double x : {e.XMin, e.XMax})
    for (double y : {e.YMin, e.YMax})
      for (double z : {e.ZMin, e.ZMax}) {
        const ScreenPoint p = Project(v, x, y, z);
        EXPECT_TRUE(p.X > 19.999 && p.X < 580.001 && p.Y > 19.999 && p.Y < 380.001) << x << " " << y << " " << z;
      }
}

TEST(ViewArcs, FlatteningFollowsThePixelRule) {
  EXPECT_EQ(ArcChords(2, 1), 0);  // two pixels long: not drawn
  EXPECT_EQ(ArcChords(30, 1), 10);
  EXPECT_EQ(ArcChords(2 * M_PI * 100, 1), 50);  // at most 50
  const auto circle = FlattenArc(MakeCircle(0, 0, 100), 1);
  EXPECT_EQ(circle.size(), 51u);  // 50 chords, closed
  EXPECT_NEAR(circle.front().X, circle.back().X, 1e-9);
  EXPECT_TRUE(FlattenArc(MakeArc(0, 0, 1, 0, 1), 1).empty());
  // A clockwise arc is flattened in increasing angle, end to start.
  const auto cw = FlattenArc(MakeArc(0, 0, -10, M_PI / 2, 0), 10);
  EXPECT_NEAR(cw.front().X, 10, 1e-9);
  EXPECT_NEAR(cw.back().Y, 10, 1e-9);
  for (const auto& p : cw) EXPECT_NEAR(std::hypot(p.X, p.Y), 10, 1e-9);
}

TEST(ViewDisplay, ColoursByStateAndDottedLinks) {
  Job job = JobOf({Square(0, 0, 10), OpenLine(20, 0, 30, 0)});
  job.Regions[1].Selected = 1;
  ViewState v;
  FitWindow(v, job.DrawingExtents, 20, 20);
  DisplaySettings s;
  Display d = BuildDisplay(job, v, s);
  EXPECT_EQ(d.Status, "All 5");
  EXPECT_EQ(d.Strokes.front().Colour, s.Colours.SelectedClosed);
  EXPECT_EQ(d.Strokes.back().Colour, s.Colours.UnselectedOpen);
  s.Content = ContentSelected;
  EXPECT_EQ(BuildDisplay(job, v, s).Status, "Select 4");
  TTBOutRegion t;
  t.LinkMode = LinkLift, t.ApproachDepth = -5, t.Depth = 1, t.Colour = 0x123456;
  t.Entities = {MakeLine(5, 5, 6, 5)};
  job.Toolpaths.push_back(t);
  s.Content = ContentToolpaths;
  s.Colours.ShowBoundaries = false;
  d = BuildDisplay(job, v, s);
  EXPECT_EQ(d.Status, "Tool 1");
  int dotted = 0, solid = 0;
  for (const auto& st : d.Strokes) (st.Pattern == PatternDotted ? dotted : solid) += st.Colour == 0x123456;
  EXPECT_EQ(dotted, 1);
  EXPECT_EQ(solid, 1);
  s.Information = true, s.Content = ContentAll;
  job.Regions[1].Depth = 0.25, job.Regions[2].IslandOf = 1;
  d = BuildDisplay(job, v, s);
  ASSERT_EQ(d.Labels.size(), 2u);
  EXPECT_EQ(d.Labels[0].Text, "1, 0.250");
  EXPECT_EQ(d.Labels[1].Text, "2-1");
}

}  // namespace
}  // namespace tibrel
