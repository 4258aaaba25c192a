// The model in the view: its grid and blank, the shaded triangles drawn
// back to front, the 3D toolpaths with their display limit, and the
// triangles filled by the image writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <utility>

#include "job/mesh_commands.h"
#include "mesh/raster.h"
#include "mesh_builders.h"
#include "view/model_display.h"
#include "view/raster.h"
#include "view/view.h"

namespace tibrel {
namespace {

using testmesh::Facet;
using testmesh::Facets;
using testmesh::MakeFacet;

TTBTriangleArray MeshOf(const Facets& facets) {
  TTBTriangleArray mesh;
  for (const Facet& f : facets) {
    TTBTriangle t;
    for (int k = 0; k < 3; ++k) t.V[k] = {f.V[k][0], f.V[k][1], f.V[k][2]};
    SortTriangleVertices(t);
    SetTriangleZRange(t);
    mesh.push_back(t);
  }
  return mesh;
}

// A job with the model loaded as is (not moved), its blank its box.
Job ModelJob(const Facets& facets) {
  Job job;
  job.ModelLoaded = 1;
  job.Mesh = MeshOf(facets);
  GetMeshExtents(job.Mesh, job.DrawingExtents);
  SetBlankToExtents(job.DrawingExtents, job.MachiningParameters.Prototype);
  return job;
}

ViewState PlanView(const TExtents& e, int w = 400, int h = 300) {
  ViewState v;
  v.Width = w, v.Height = h;
  FitView(v, e, 20);
  return v;
}

// The job's 3D toolpaths drawn alone in its plan view.
Display ToolpathDisplay(const Job& job, DisplaySettings& s) {
  s.Content = ContentToolpaths;
  return BuildDisplay(job, PlanView(job.DrawingExtents), s);
}

size_t CountColour(const Display& d, int32_t colour) {
  size_t n = 0;
  for (const auto& s : d.Strokes) n += s.Colour == colour;
  return n;
}

// Rough layers (XRaster 1), then one finish layer, drawn only while the
// running count has not passed 200000.
TEST(ModelView, DrawingStopsAfterTheLayerThatPassesTheDisplayLimit) {
  Job job = ModelJob(testmesh::Pyramid(0, 0, 30, 15));
  struct Case {
    std::vector<size_t> roughLayers;
    size_t finishLayer;
    bool finishDrawn;
  };
  const Case cases[] = {
      {{60000, 60000, 60000, 60000}, 10000, false},  // 240000 passed after the fourth layer
      {{50000, 50000, 50000, 50000}, 50000, true},   // 200000 is not past the limit
      {{200001}, 49999, false},
  };
  for (const Case& c : cases) {
    job.Toolpaths3D.clear();
    size_t total = c.finishLayer;
    for (size_t n : c.roughLayers) {
      TTBOutRegion3D layer;
      layer.XRaster = 1;
      for (size_t k = 0; k < n; ++k) layer.Points.push_back({MoveRaster3D, float(k % 30), float(k % 7), -1});
      job.Toolpaths3D.push_back(layer);
      total += n;
    }
    TTBOutRegion3D finish;
    finish.XRaster = 0;
    finish.Points.assign(c.finishLayer, {MoveCut3D, 5, 5, -2});
    finish.Points[1].Y = 6;
    job.Toolpaths3D.push_back(finish);
    DisplaySettings s;
    const Display d = ToolpathDisplay(job, s);
    EXPECT_EQ(d.Status, "Tool " + std::to_string(total));
    size_t roughPoints = 0;
    for (const auto& st : d.Strokes)
      if (st.Colour == s.Colours.RoughToolpath) roughPoints += st.Points.size();
    EXPECT_EQ(roughPoints, total - c.finishLayer);
    EXPECT_EQ(CountColour(d, s.Colours.FinishToolpath) > 0, c.finishDrawn) << total;
  }
}

// The model is filled under the toolpaths only while boundaries are shown.
TEST(ModelView, RapidsAreDashedAndCutsSolid) {
  Job job = ModelJob(testmesh::Pyramid(0, 0, 30, 15));
  DisplaySettings s;
  EXPECT_EQ(ToolpathDisplay(job, s).Status, "Tool 0");
  TTBOutRegion3D layer;
  layer.XRaster = 0;
  layer.Points = {{MoveCut3D, 0, 0, -1}, {MoveRaster3D, 10, 0, -1}, {MoveRapid3D, 10, 0, 5},
                  {MoveRapid3D, 20, 0, 5}, {MoveRaster3D, 20, 0, -1}, {MoveCut3D, 30, 0, -1}};
  job.Toolpaths3D = {layer};
  s.Colours.ShowBoundaries = true;
  EXPECT_FALSE(ToolpathDisplay(job, s).Fills.empty());
  s.Colours.ShowBoundaries = false;
  const Display d = ToolpathDisplay(job, s);
  EXPECT_TRUE(d.Fills.empty());
  std::vector<std::pair<int, size_t>> runs;  // pattern and points of each finish stroke, in order
  for (const auto& st : d.Strokes)
    if (st.Colour == s.Colours.FinishToolpath) runs.emplace_back(st.Pattern, st.Points.size());
  const std::vector<std::pair<int, size_t>> expected = {{PatternSolid, 2}, {PatternDashed, 3}, {PatternSolid, 3}};
  EXPECT_EQ(runs, expected);
}

// The grid on the model's lowest plane, GridSize apart from a multiple of
// it below XMin and YMin, the axes in black and the blank's box; grid and
// blank in the background's colour masked by 0xC0C0C0 and 0x0000FF.
TEST(ModelView, GridAxesAndBlank) {
  struct Case {
    double x0, y0, x1, y1, grid;
    size_t xLines, yLines;
  };
  const Case cases[] = {
      {0, 0, 10, 5, 1, 11, 6},         // lines at 0..9 and the closing one at 10; 0..4 and 5
      {0.3, -0.6, 10.3, 4.4, 1, 12, 7},  // 0..10 and the closing 10.6; -1..4 and 4.8
      {0, 0, 10, 5, 4, 4, 3},          // 0, 4, 8 and 10; 0, 4 and 5
      {0, 0, 5000, 10, 1, 1002, 11},   // at most 1001 lines, then the closing one
  };
  for (const Case& c : cases) {
    Facets box;
    testmesh::Box(box, c.x0, c.y0, -15, c.x1, c.y1, -10);
    Job job = ModelJob(box);
    job.MachiningParameters.Prototype.BlankX2 += 5;  // a blank wider than the model
    const ViewState v = PlanView(job.DrawingExtents, 800, 600);
    DisplaySettings s;
    s.Colours.GridSize = c.grid;
    s.Colours.Background = 0x336699;
    const Display d = BuildDisplay(job, v, s);
    const int32_t gridColour = 0x336699 & 0xC0C0C0, blankColour = 0x336699 & 0x0000FF;
    size_t vertical = 0, horizontal = 0, under = 0, blankUnder = 0;
    std::vector<double> xs;
    for (size_t k = 0; k < d.Strokes.size(); ++k) {
      const Stroke& st = d.Strokes[k];
      blankUnder += st.Colour == blankColour && k < d.StrokesUnderFills;
      if (st.Colour != gridColour) continue;
      ASSERT_EQ(st.Points.size(), 2u);
      under += k < d.StrokesUnderFills;
      if (std::fabs(st.Points[0].X - st.Points[1].X) < 1e-9) ++vertical, xs.push_back(st.Points[0].X);
      else ++horizontal;
    }
    EXPECT_EQ(vertical, c.xLines) << c.x1;
    EXPECT_EQ(horizontal, c.yLines) << c.x1;
    EXPECT_EQ(under, c.xLines + c.yLines);  // the model is filled over its grid
    EXPECT_EQ(blankUnder, 0u);              // and the blank drawn over the model
    // The first line at the multiple of the grid below XMin, the closing
    // one moved up by as much beyond XMax.
    const double below = std::floor(c.x0 / c.grid) * c.grid;
    EXPECT_NEAR(xs.front(), Project(v, below, 0, 0).X, 1e-3);  // the model's coordinates are f32
    EXPECT_NEAR(xs.back(), Project(v, c.x1 + (c.x0 - below), 0, 0).X, 1e-3);
    EXPECT_EQ(CountColour(d, 0x000000), 3u);  // X, Y and Z axes
    // The blank's two rectangles and four edges, the wider X seen.
    EXPECT_EQ(CountColour(d, blankColour), 6u);
    double blankRight = 0;
    for (const auto& st : d.Strokes)
      if (st.Colour == blankColour)
        for (const auto& p : st.Points) blankRight = std::max(blankRight, p.X);
    EXPECT_NEAR(blankRight, Project(v, c.x1 + 5, 0, 0).X, 1e-3);
  }
  // No grid, axes or blank for a model of no width.
  Job flat = ModelJob({MakeFacet(1, 0, 0, 1, 5, 0, 1, 0, 3)});
  ASSERT_EQ(flat.DrawingExtents.XSize, 0);
  const Display d = BuildDisplay(flat, PlanView(flat.DrawingExtents), DisplaySettings{});
  EXPECT_TRUE(d.Strokes.empty());
  EXPECT_EQ(d.Status, "Tris 1");
}

// A face turned toward the light (upper left, in front) is brighter than a
// level one, brighter than one turned away, whatever its vertex order; a
// black base (what a missing option gives) shades too.
TEST(ModelView, FacesAreShadedByTheirNormalAgainstTheLight) {
  // Over (0,0)-(10,0)-(0,10), rising by a along X and b along Y: normal (-a, -b, 10).
  auto face = [](double a, double b, bool reversed) {
    return reversed ? MakeFacet(0, 0, 0, 0, 10, b, 10, 0, a) : MakeFacet(0, 0, 0, 10, 0, a, 0, 10, b);
  };
  auto shade = [](const Facet& f, int32_t base) {
    const Job job = ModelJob({f});
    DisplaySettings s;
    s.Colours.UnselectedClosed = base;
    const Display d = BuildDisplay(job, PlanView(job.DrawingExtents), s);
    EXPECT_EQ(d.Fills.size(), 1u);
    return d.Fills.empty() ? -1 : d.Fills[0].Colour;
  };
  const double k = 10 / LightToward;
  // The shade runs with the cosine from 0.45 of the base to 0.55 of the way
  // from it to white (grey 128: 58 to 198; black: 0 to 140); a level face
  // has the light's cosine to the vertical, 0.8216.
  const std::tuple<double, double, int, int> cases[] = {
      {-LightRight * k, -LightUp * k, 198, 140}, {0, 0, 173, 115}, {-6, 9, 77, 20}, {-50, 60, 58, 0}};
  for (const auto& [a, b, grey, black] : cases)
    for (bool reversed : {false, true}) {
      EXPECT_EQ(shade(face(a, b, reversed), 0x808080), grey * 0x010101) << a << " " << b;
      EXPECT_EQ(shade(face(a, b, reversed), 0x000000), black * 0x010101) << a << " " << b;
    }
  // A coloured base keeps its hue: the strongest channel stays strongest.
  const int32_t red = shade(face(0, 0, false), 0x0000C0);
  EXPECT_GT(red & 0xFF, (red >> 8) & 0xFF);
  EXPECT_EQ((red >> 8) & 0xFF, (red >> 16) & 0xFF);
}

// The same face seen in the 3D view: the light stays with the viewer, so a
// face square to the line of sight gets the light's cosine to that line.
TEST(ModelView, TheLightTurnsWithTheView) {
  ViewState v;
  v.Width = 500, v.Height = 400;
  Set3D(v);
  FitWindow(v, TExtents{0, 50, 0, 40, -10, 0, -5, 40, 50}, 20, 20);
  const Projector p(v);
  // Directions keep their length and their angles.
  const ViewDirection a = p.Direction(1, 0, 0), b = p.Direction(0, 1, 0), c = p.Direction(0, 0, 1);
  for (const ViewDirection& d : {a, b, c})
    EXPECT_NEAR(d.Right * d.Right + d.Up * d.Up + d.Toward * d.Toward, 1, 1e-12);
  EXPECT_NEAR(a.Right * b.Right + a.Up * b.Up + a.Toward * b.Toward, 0, 1e-12);
  EXPECT_NEAR(b.Right * c.Right + b.Up * c.Up + b.Toward * c.Toward, 0, 1e-12);
  // The line of sight: points along it fall on one pixel, and the nearer
  // one is the deeper toward the viewer.
  const double w[3] = {a.Toward, b.Toward, c.Toward};
  const ScreenPoint s0 = Project(v, 10, 20, -3), s1 = Project(v, 10 + 5 * w[0], 20 + 5 * w[1], -3 + 5 * w[2]);
  EXPECT_NEAR(std::hypot(s0.X - s1.X, s0.Y - s1.Y), 0, 1e-9);
  EXPECT_GT(p.Point(10 + 5 * w[0], 20 + 5 * w[1], -3 + 5 * w[2]).Depth, p.Point(10, 20, -3).Depth);
  // A face square to it gets the light's cosine to it, either sense.
  EXPECT_NEAR(FacetLight(p, w[0], w[1], w[2]), LightToward, 1e-12);
  EXPECT_NEAR(FacetLight(p, -w[0], -w[1], -w[2]), LightToward, 1e-12);
}

// Two faces over each other: the higher one covers the lower wherever they
// overlap, whatever their order in the mesh, in the plan and the 3D view.
TEST(ModelView, NearerFacesArePaintedOverFartherOnes) {
  const Facet low = MakeFacet(0, 0, -10, 20, 0, -10, 0, 20, -10);
  const Facet high = MakeFacet(0, 0, -2, 20, 0, -5, 0, 20, -2);  // tilted: another shade
  for (bool highFirst : {false, true})
    for (int mode : {View2D, View3D}) {
      const Job job = ModelJob(highFirst ? Facets{high, low} : Facets{low, high});
      ViewState v;
      v.Width = 300, v.Height = 300;
      if (mode == View3D) Set3D(v);
      FitView(v, job.DrawingExtents, 20);
      const Display d = BuildDisplay(job, v, DisplaySettings{});
      ASSERT_EQ(d.Fills.size(), 2u);
      ASSERT_NE(d.Fills[0].Colour, d.Fills[1].Colour);
      const RasterImage img = Rasterise(d, v.Width, v.Height);
      const ScreenPoint c = Project(v, 5, 5, -3.5);  // inside both in the plan, on the high one in 3D
      const int32_t highColour = d.Fills[1].Colour;
      EXPECT_EQ(img.At(static_cast<int>(c.X), static_cast<int>(c.Y)), highColour) << highFirst << mode;
      // The high face is the last drawn: the one whose colour is seen.
      const Job alone = ModelJob({high});
      EXPECT_EQ(BuildDisplay(alone, v, DisplaySettings{}).Fills[0].Colour, highColour);
    }
}

// Triangles off the area or near the limits of single precision (their
// sort key once overflowed) are left out; the others are drawn as before.
TEST(ModelView, TrianglesOffTheAreaAreLeftOut) {
  const Facet near = MakeFacet(0, 0, -1, 10, 0, -1, 0, 10, -2);
  const Job alone = ModelJob({near});
  const ViewState v = PlanView(alone.DrawingExtents);
  const Display expected = BuildDisplay(alone, v, DisplaySettings{});
  ASSERT_EQ(expected.Fills.size(), 1u);
  for (const Facet& far : {MakeFacet(1e6, 0, -1, 1e6 + 10, 0, -1, 1e6, 10, -2),
                           MakeFacet(1e38, 1e38, -3e38, 3e38, 1e38, 3e38, 1e38, 3e38, 0),
                           MakeFacet(5, 5, -3, 5, 5, -3, 5, 5, -3)}) {
    Job job = ModelJob({far, near});
    job.DrawingExtents = alone.DrawingExtents;  // the same grid and blank
    job.MachiningParameters = alone.MachiningParameters;
    const Display d = BuildDisplay(job, v, DisplaySettings{});
    EXPECT_EQ(d.Fills.size(), 1u);
    EXPECT_EQ(Rasterise(d, v.Width, v.Height).Pixels, Rasterise(expected, v.Width, v.Height).Pixels);
  }
}

TEST(ModelView, SmallTrianglesAreFilledWithoutEdges) {
  const Job fine = ModelJob(testmesh::HalfSphere(20, 0, 0, 60, 240));
  const ViewState v = PlanView(fine.DrawingExtents, 200, 200);
  const Display d = BuildDisplay(fine, v, DisplaySettings{});
  size_t outlined = 0;
  for (const Fill& f : d.Fills) {
    const double area = std::fabs((f.P[1].X - f.P[0].X) * (f.P[2].Y - f.P[0].Y) -
                                  (f.P[2].X - f.P[0].X) * (f.P[1].Y - f.P[0].Y)) / 2;
    EXPECT_EQ(f.Outlined, area >= OutlineMinArea);
    outlined += f.Outlined;
  }
  EXPECT_LT(outlined, d.Fills.size() / 10);
  // Seen whole at a larger size, the coarse sphere's faces have edges.
  const Job coarse = ModelJob(testmesh::HalfSphere(20, 0, 0, 4, 8));
  const Display big = BuildDisplay(coarse, PlanView(coarse.DrawingExtents, 800, 800), DisplaySettings{});
  EXPECT_GT(big.Fills.size(), 20u);
  for (const Fill& f : big.Fills) EXPECT_TRUE(f.Outlined);
}

// A picture of a model job holds the model, its blank (here wider) and
// its toolpaths (here below the model and rising above it).
TEST(ModelView, PictureExtentsHoldBlankAndToolpaths) {
  Job job = ModelJob(testmesh::Pyramid(0, 0, 30, 15));
  job.MachiningParameters.Prototype.BlankX1 = -3;
  TTBOutRegion3D layer;
  layer.Points = {{MoveCut3D, 2, 40, -1}, {MoveRapid3D, 2, 40, 3}};
  job.Toolpaths3D = {layer};
  const TExtents e = ModelPictureExtents(job.DrawingExtents, job.MachiningParameters.Prototype, job.Toolpaths3D);
  EXPECT_EQ(e.XMin, -3);
  EXPECT_EQ(e.YMax, 40);
  EXPECT_EQ(e.ZMin, -1);
  EXPECT_EQ(e.ZMax, 15);
  job.Toolpaths3D[0].Points[1].Z = 20;
  EXPECT_EQ(ModelPictureExtents(job.DrawingExtents, job.MachiningParameters.Prototype, job.Toolpaths3D).ZMax, 20);
}

// The triangles of a fan about any inner point of a square cover each pixel
// of the square once: no gap, no pixel filled twice.
TEST(ModelRaster, TrianglesSharingEdgesCoverEveryPixelOnce) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> inside(12, 108);
  const ScreenPoint corners[4] = {{10, 10}, {110, 10}, {110, 110}, {10, 110}};
  for (int trial = 0; trial < 50; ++trial) {
    const ScreenPoint m{inside(rng), inside(rng)};
    std::vector<int> covered(150 * 150, 0);
    for (int k = 0; k < 4; ++k) {
      Display d;
      d.Background = 0;
      Fill f;
      f.P[0] = corners[k], f.P[1] = corners[(k + 1) % 4], f.P[2] = m;
      f.Colour = 0xFFFFFF;
      d.Fills.push_back(f);
      const RasterImage img = Rasterise(d, 150, 150);
      for (size_t i = 0; i < img.Pixels.size(); ++i) covered[i] += img.Pixels[i] != 0;
    }
    for (int y = 0; y < 150; ++y)
      for (int x = 0; x < 150; ++x)
        ASSERT_EQ(covered[y * 150 + x], x >= 10 && x < 110 && y >= 10 && y < 110 ? 1 : 0) << x << "," << y;
  }
  // Huge coordinates: a triangle holding the whole area fills all of it,
  // one far outside or with a coordinate that is not a number nothing.
  struct Case {
    ScreenPoint a, b, c;
    bool fills;
  };
  const Case cases[] = {{{-1e300, -5}, {1e300, -7}, {3, 1e12}, true},
                        {{-1e300, -1e300}, {-1e299, -1e300}, {-1e300, -1e299}, false},
                        {{1e15, 1e15}, {2e15, 1e15}, {1e15, 3e15}, false},
                        {{5, 5}, {50, 50}, {NAN, 3}, false},
                        {{5, 5}, {15, 5}, {25, 5}, false}};
  for (const Case& c : cases) {
    Display d;
    Fill f;
    f.Colour = 0x123456;
    f.P[0] = c.a, f.P[1] = c.b, f.P[2] = c.c;
    d.Fills.push_back(f);
    const RasterImage img = Rasterise(d, 20, 20);
    const size_t filled = static_cast<size_t>(std::count(img.Pixels.begin(), img.Pixels.end(), 0x123456));
    EXPECT_EQ(filled, c.fills ? img.Pixels.size() : 0u) << c.a.X;
  }
}

}  // namespace
}  // namespace tibrel
