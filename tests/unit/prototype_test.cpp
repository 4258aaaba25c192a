// Prototype machining: the height grid, the cutter masks, gouge control
// against a plain transcription of its rule, the raster rows and layers, the
// lifting over cut ground and the command flow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>

#include "job/mesh_commands.h"
#include "mesh/height_grid.h"
#include "mesh/prototype.h"
#include "mesh/raster.h"
#include "mesh/stl_reader.h"
#include "mesh_builders.h"

namespace tibrel {
namespace {

// The rule as written: every mask cell of every point, row by row, stopping
// once the tip reaches Z 0.
void PlainGouge(TTBZGrid& grid, const TTBToolMask& mask) {
  const TTBZGrid g = grid;
  const int hY = (mask.Rows - 1) / 2, hX = (mask.Columns - 1) / 2;
  for (int r = 0; r <= g.NY; ++r)
    for (int c = 0; c <= g.NX; ++c) {
      const double h = g.At(r, c);
      double lift = 0;
      if (h < 0) {
        bool done = false;
        for (int k = 0; k <= 2 * hY && !done; ++k) {
          if (h + lift >= 0) break;
          for (int m = 0; m <= 2 * hX; ++m) {
            const int row = r - hY + k, col = c - hX + m;
            if (row < 0 || row > g.NY || col < 0 || col > g.NX) continue;
            const double need = g.At(row, col) - h - mask.At(k, m);
            if (need > lift) {
              lift = need;
              if (h + lift >= 0) {
                done = true;
                break;
              }
            }
          }
        }
        grid.At(r, c) = static_cast<float>(h + lift);
      }
    }
}

// A grid of lowest..mostColumns columns and lowest..mostRows rows past the
// first, with the given steps, without heights.
TTBZGrid RandomSize(std::mt19937& rng, int lowest, int mostColumns, int mostRows, double xStep, double yStep) {
  TTBZGrid g;
  g.NX = std::uniform_int_distribution<int>(lowest, mostColumns)(rng);
  g.NY = std::uniform_int_distribution<int>(lowest, mostRows)(rng);
  g.XStep = xStep, g.YStep = yStep;
  return g;
}

// Ground of every kind that stresses the search's bounds: ties on terraces,
// walls reaching Z 0 (the early stop decides), heights a hair below 0 (f32
// margins), spans of a billion, heights that are not numbers; on a grid of
// several tiles and bands and on small grids narrower than the masks.
TEST(GougeControl, SameHeightsAsThePlainRuleOnGridsOfEveryKind) {
  using Height = float (*)(int, int, std::mt19937&);
  const std::pair<const char*, Height> grids[] = {
      {"smooth", [](int i, int j, std::mt19937&) { return float(-12 + 5 * std::sin(i * 0.07) * std::cos(j * 0.05)); }},
      {"noise", [](int, int, std::mt19937& rng) { return float(std::uniform_real_distribution<double>(-8, 1)(rng)); }},
      {"terraces",
       [](int i, int j, std::mt19937&) { return float(std::floor(4 * std::sin(i * 0.05 + j * 0.03)) / 2 - 3); }},
      {"walls",
       [](int i, int j, std::mt19937&) {
         if (i > 60 && i < 90 && j > 20) return j > 50 ? 0.0f : (j > 40 ? 0.5f : -1.0f);
         return float(-10 + 0.01 * i);
       }},
      {"hair below 0",
       [](int i, int j, std::mt19937& rng) {
         return float(-1e-6 * std::uniform_real_distribution<double>(0, 1)(rng) - 1e-7 * ((i + j) % 3));
       }},
      {"ramp", [](int i, int j, std::mt19937&) { return -20 + 0.1f * float(i) + 0.05f * float(j); }},
      {"billion",
       [](int i, int j, std::mt19937& rng) {
         const double v = std::uniform_real_distribution<double>(-1, 0)(rng);
         return float((i * 7 + j * 3) % 11 == 0 ? -1e9 : (i + j) % 17 == 0 ? 1e9 * v : v);
       }},
      {"not numbers",
       [](int i, int j, std::mt19937&) {
         if ((i == 40 && j == 30) || (i == 3 && j == 2)) return std::numeric_limits<float>::quiet_NaN();
         if (i == 100 && j == 10) return std::numeric_limits<float>::infinity();
         return float(-5 + std::sin(i * 0.1) + std::cos(j * 0.1));
       }},
  };
  std::mt19937 rng(22);
  auto arbitrary = [&rng](int rows, int columns) {
    TTBToolMask m;
    m.Rows = rows, m.Columns = columns;
    std::uniform_real_distribution<double> cell(0, 2);
    for (int k = 0; k < rows * columns; ++k) m.Cells.push_back(k % 7 == 6 ? MaskOutside : cell(rng));
    return m;
  };
  const TTBToolMask masks[] = {
      BuildToolMask(CutterBall, 0, 0.5, 0.5, 1.5),  BuildToolMask(CutterBall, 0, 0.5, 0.5, 4),
      BuildToolMask(CutterBall, 0, 0.5, 0.5, 11.3), BuildToolMask(CutterEnd, 0, 0.5, 0.5, 5),
      BuildToolMask(CutterV, 60, 0.5, 0.5, 6),      BuildToolMask(CutterV, 90, 0.5, 0.25, 3),
      arbitrary(9, 13),  arbitrary(1, 3),           arbitrary(6, 8),  // an even count: its last row and column unused
  };
  size_t compared = 0, raised = 0;
  for (const auto& [name, height] : grids) {
    for (int size = 0; size < 4; ++size) {
      TTBZGrid g = RandomSize(rng, 0, 12, 40, 0.5, 0.5);
      if (size == 0) g.NX = 140, g.NY = 75;
      g.Heights.resize(static_cast<size_t>(g.NX + 1) * (g.NY + 1));
      for (int j = 0; j <= g.NY; ++j)
        for (int i = 0; i <= g.NX; ++i) g.At(j, i) = height(i, j, rng);
      for (size_t n = 0; n < std::size(masks); ++n) {
        TTBZGrid fast = g, plain = g;
        ASSERT_TRUE(ApplyToolMask(fast, masks[n], PassControl{}));
        PlainGouge(plain, masks[n]);
        for (size_t k = 0; k < fast.Heights.size(); ++k) {
          const float a = fast.Heights[k], b = plain.Heights[k];
          ASSERT_TRUE(std::memcmp(&a, &b, sizeof a) == 0)
              << name << " size " << size << " mask " << n << " cell " << k << ": " << a << " " << b;
          raised += a != g.Heights[k];
        }
        compared += fast.Heights.size();
      }
    }
  }
  EXPECT_GT(compared, 8u * 9 * 141 * 76);
  EXPECT_GT(raised, compared / 4);
}

// Esc at the first progress point stops every thread of the search.
TEST(GougeControl, StopsAtTheFirstProgressPointAfterEsc) {
  TTBZGrid g;
  g.NX = 300, g.NY = 400, g.XStep = g.YStep = 0.1;
  g.Heights.resize(static_cast<size_t>(g.NX + 1) * (g.NY + 1));
  for (int j = 0; j <= g.NY; ++j)
    for (int i = 0; i <= g.NX; ++i) g.At(j, i) = float(-10 + std::sin(i * 0.1) * std::cos(j * 0.1));
  struct Esc : Progress {
    uint8_t flag = 0;
    int pumps = 0, begun = 0, ended = 0;
    void Begin(const std::string&, int64_t) override { ++begun; }
    void End() override { ++ended; }
    void Pump() override { flag = 1, ++pumps; }
  } esc;
  int32_t mode = ModePrototype;
  EXPECT_FALSE(ApplyGougeControl(g, CutterBall, 0, 2, PassControl{&esc, &esc.flag, &mode}));
  EXPECT_EQ(esc.pumps, 1);
  EXPECT_EQ(mode, ModeIdle);
  EXPECT_EQ(esc.begun, 1);
  EXPECT_EQ(esc.ended, 1);
}

// Columns step from X1 until they pass X2; a vertical triangle, or a point
// on its edge, divides by nothing; a blank of no height gives no grid.
TEST(HeightGrid, ColumnsPassX2AndVerticalTrianglesDivideByNothing) {
  GridSpec spec;
  spec.Blank = {0, 0, -5, 10, 4, 0, 1};
  spec.XStep = 3, spec.YStep = 1;
  TTBZGrid g;
  ASSERT_TRUE(BuildHeightGrid({}, spec, g, PassControl{}));
  EXPECT_EQ(g.NX, 4);  // X1, X1 + 3, + 6, + 9, + 12
  EXPECT_EQ(g.NY, 5);
  TTBTriangle t;
  t.V[0] = {0, 0, -5}, t.V[1] = {2, 0, -5}, t.V[2] = {1, 0, -1};  // stands in the plane y = 0
  EXPECT_FALSE(PointInTriangleXY(1, 0, t));
  EXPECT_FALSE(PointInTriangleXY(0, 0, t));
  spec.Blank = {-1, -1, -6, 3, 1, -1, 1};
  spec.XStep = spec.YStep = 0.5;
  ASSERT_TRUE(BuildHeightGrid({t}, spec, g, PassControl{}));
  for (float h : g.Heights) EXPECT_EQ(h, -6.0f);
  spec.Blank.BlankZ2 = spec.Blank.BlankZ1;
  EXPECT_FALSE(BuildHeightGrid({}, spec, g, PassControl{}));
  EXPECT_TRUE(g.Empty());
}

// A ball of radius r over a half sphere keeps R + r from its centre, a flat
// cutter's disk R, within the sampling error: one grid step (the mask sees
// the surface only at grid points) plus the facets' sag R (1 - cos(pi / 96)).
TEST(GougeControl, NoHeightBelowTheAnalyticOffsetSurface) {
  const double R = 10, cx = 15, cy = 15, step = 0.25;
  const double sampling = step + R * (1 - std::cos(std::numbers::pi / 96));
  Job job;
  ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::HalfSphere(R, cx, cy, 48, 96)), "s").Loaded);
  const double base = job.DrawingExtents.ZMin;  // the sphere's centre height
  for (int type : {CutterBall, CutterEnd}) {
    for (double r : {1.0, 3.0}) {
      GridSpec spec{job.MachiningParameters.Prototype, step, step, 0};
      ApplyBlankMargin(job.DrawingExtents, 5, spec.Blank);
      TTBZGrid g;
      ASSERT_TRUE(BuildHeightGrid(job.Mesh, spec, g, PassControl{}));
      ASSERT_TRUE(ApplyGougeControl(g, type, 0, 2 * r, PassControl{}));
      double worst = -1e9;
      int near = 0;
      for (int j = 0; j <= g.NY; ++j)
        for (int i = 0; i <= g.NX; ++i) {
          const double d = std::hypot(g.X0 + i * step - cx, g.Y0 + j * step - cy);
          const double tip = g.At(j, i);
          EXPECT_GE(tip, base - 1e-5);
          double short_ = 0;
          if (type == CutterBall) short_ = R + r - std::hypot(d, tip + r - base);
          else short_ = R - std::hypot(std::max(0.0, d - r), tip - base);
          worst = std::max(worst, short_);
          if (short_ > -0.5) ++near;
        }
      EXPECT_LT(worst, sampling) << "type " << type << " r " << r;
      EXPECT_GT(worst, -0.05) << "the cutter touches the sphere somewhere";
      EXPECT_GT(near, 1000);
    }
  }
}

TEST(RasterRow, KeepsOnlyWhatLeavesTheLine) {
  struct Case {
    std::vector<double> h;
    double tol;
    std::vector<int32_t> kept;
  };
  const std::vector<Case> cases = {
      {{0, 0, 0, -0.1, -0.2, -0.3}, 0.01, {0, 2, 3, 4, 5}},
      {{-1, -1, -1, -1, -1}, 0.01, {0, 4}},
      {{-1, -1, -1, -1, -1}, 0, {0, 4}},
      {{-1, -2}, 0, {0, 1}},
      {{0, -1, 0, -1, 0}, 0, {0, 1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    std::vector<int32_t> kept;
    WriteRasterRow(c.h, c.tol, kept);
    EXPECT_EQ(kept, c.kept);
  }
}

// The layers as the raster rule writes them, one grid line after another:
// zig-zag lines, heights clipped to the layer's floor, the row writer's
// columns, and a step steeper than 45 degrees as a level and a plumb leg.
TTBOutRegionArray3D PlainRaster(const TTBZGrid& g, const TTBTool& t, double depth, double tol) {
  const bool alongX = g.Direction == 1;
  const int lines = alongX ? g.NY : g.NX, last = alongX ? g.NX : g.NY;
  const double step = alongX ? g.XStep : g.YStep;
  TTBOutRegionArray3D out;
  double layerZ = 0;
  do {
    layerZ = std::max(layerZ - t.ZStep, depth);
    TTBOutRegion3D layer;
    layer.LayerZ = layerZ;
    for (int j = 0; j <= lines; ++j) {
      std::vector<double> h;
      for (int p = 0; p <= last; ++p) {
        const int i = j % 2 == 0 ? p : last - p;
        h.push_back(std::max(double(alongX ? g.At(j, i) : g.At(i, j)), layerZ));
      }
      std::vector<int32_t> kept;
      WriteRasterRow(h, tol, kept);
      for (size_t n = 0; n < kept.size(); ++n) {
        const int i = j % 2 == 0 ? kept[n] : last - kept[n];
        const float x = float(g.X0 + (alongX ? i : j) * g.XStep), y = float(g.Y0 + (alongX ? j : i) * g.YStep);
        const double z = h[static_cast<size_t>(kept[n])];
        if (n > 0 && std::fabs(z - layer.Points.back().Z) > step) {
          const TTBPoint3D b = layer.Points.back();
          layer.Points.push_back(z < b.Z ? TTBPoint3D{MoveRaster3D, x, y, b.Z}
                                         : TTBPoint3D{MoveRaster3D, b.X, b.Y, float(z)});
        }
        layer.Points.push_back({MoveRaster3D, x, y, float(z)});
      }
    }
    out.push_back(layer);
  } while (layerZ > depth);
  return out;
}

// Layers above, across and below the surface, lines that the floor clips
// level, in part or not at all, both directions, grids of a single line,
// tolerances of 0, more than 0, less than 0 and not a number: the same
// points as the plain rule.
TEST(Raster, SamePointsAsThePlainRuleOnEveryKindOfLine) {
  std::mt19937 rng(5);
  size_t points = 0;
  for (int trial = 0; trial < 24; ++trial) {
    TTBZGrid g = RandomSize(rng, 1, 90, 70, 0.3, 0.2);
    g.X0 = -4, g.Y0 = 7, g.Direction = trial % 2 + 1;
    if (trial % 6 >= 4) (g.Direction == 1 ? g.NY : g.NX) = 0;  // a single line
    for (int j = 0; j <= g.NY; ++j)
      for (int i = 0; i <= g.NX; ++i) {
        const double wave = -6 + 4 * std::sin(i * 0.2) * std::cos(j * 0.15);
        const double noise = std::uniform_real_distribution<double>(-3, 0)(rng);
        // Some lines wholly above the layers below -2, some with walls.
        g.Heights.push_back(float(j % 5 == 0 ? -1.5 : trial % 3 == 0 ? noise : i % 17 < 3 ? wave - 3 : wave));
      }
    TTBTool t;
    t.ZStep = 0.7 + 0.1 * (trial % 4);
    const double tols[] = {0, 0.01, -1, std::numeric_limits<double>::quiet_NaN()};
    const double tol = tols[trial % 4], depth = -11;
    TTBOutRegionArray3D fast;
    ASSERT_TRUE(CreateRasterToolpaths(g, {&t, depth, 2, "", tol}, fast, PassControl{}));
    const TTBOutRegionArray3D plain = PlainRaster(g, t, depth, tol);
    ASSERT_EQ(fast.size(), plain.size()) << trial;
    for (size_t l = 0; l < plain.size(); ++l) {
      EXPECT_EQ(fast[l].LayerZ, plain[l].LayerZ);
      EXPECT_EQ(fast[l].XRaster, g.Direction == 1 ? 1 : 0);
      ASSERT_EQ(fast[l].Points.size(), plain[l].Points.size()) << trial << " layer " << l;
      for (size_t k = 0; k < plain[l].Points.size(); ++k) {
        const TTBPoint3D &a = fast[l].Points[k], &b = plain[l].Points[k];
        ASSERT_TRUE(a.MoveKind == b.MoveKind && a.X == b.X && a.Y == b.Y && a.Z == b.Z)
            << trial << " layer " << l << " point " << k;
      }
      points += plain[l].Points.size();
    }
  }
  EXPECT_GT(points, 50000u);
}

TEST(LiftCutMoves, StretchesAboveTheFloorBecomeRapids) {
  auto layer = [](double z, std::vector<double> heights) {
    TTBOutRegion3D l;
    l.LayerZ = z;
    for (size_t k = 0; k < heights.size(); ++k) l.Points.push_back({MoveRaster3D, float(k), 0, float(heights[k])});
    return l;
  };
  // Floor of the layer above -3: a stretch at -2, -1, -2 between cut points.
  TTBOutRegionArray3D t = {layer(-3, {-3, -3, -3}), layer(-6, {-6, -2, -1, -2, -6, -6})};
  LiftCutMoves(t, 0, 0, -10, 5);
  // Kind, X and Z up to the point after the stretch.
  const std::vector<std::tuple<int, float, float>> want = {{MoveCut3D, 0, -6},  {MoveRaster3D, 1, -2},
                                                           {MoveRapid3D, 1, 4}, {MoveRapid3D, 3, 4},
                                                           {MoveRapid3D, 3, -2}, {MoveCut3D, 4, -6}};
  ASSERT_EQ(t[1].Points.size(), 7u);
  std::vector<std::tuple<int, float, float>> got;
  for (size_t k = 0; k < want.size(); ++k) got.emplace_back(t[1].Points[k].MoveKind, t[1].Points[k].X, t[1].Points[k].Z);
  EXPECT_EQ(got, want);
  // A stretch that reaches the layer's end keeps only its first point.
  TTBOutRegionArray3D e = {layer(-6, {-6, -6, -1, -1, -1})};
  LiftCutMoves(e, 0, -5, -10, 5);
  ASSERT_EQ(e[0].Points.size(), 3u);
  EXPECT_FLOAT_EQ(e[0].Points[2].X, 2);
}

// A pyramid 10 x 10 x 5 loaded as a job.
Job PyramidJob() {
  Job job;
  EXPECT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::Pyramid(0, 0, 10, 5)), "p").Loaded);
  return job;
}

void SetTool(TTBTool& t, int type, double radius, double step, double stepZ) {
  t.ToolType = type, t.Radius = radius, t.XYStep = t.YStep = step, t.ZStep = stepZ;
  t.FeedRate = 300, t.PlungeRate = 100, t.ToolNumber = 1, t.Direction = 1;
}

// A finish with another stock needs its own grid; without a finish
// direction there is no finish.
TEST(PrototypeCommand, FinishingReusesTheRoughGridOnlyWhenItCan) {
  Job job = PyramidJob();
  TTBMachiningParameters& p = job.MachiningParameters;
  SetTool(p.Rough, CutterBall, 1, 0.5, 2);
  SetTool(p.Finish, CutterBall, 1, 0.5, 2);
  p.Finish.Direction = 2;
  TTBZGrid grid;
  TTBOutRegionArray3D out;
  PrototypeRun run = MachinePrototype(job.Mesh, p, 0, grid, out, PassControl{});
  EXPECT_EQ(run.GridsBuilt, 1);
  EXPECT_EQ(run.RoughLayers, 3u);
  EXPECT_EQ(out.size(), 6u);
  p.Rough.StockToLeave = 0.2;
  EXPECT_EQ(MachinePrototype(job.Mesh, p, 0, grid, out, PassControl{}).GridsBuilt, 2);
  p.Finish.Direction = 0;
  run = MachinePrototype(job.Mesh, p, 0, grid, out, PassControl{});
  EXPECT_EQ(out.size(), run.RoughLayers);
}

// Outside the pyramid a female grid stays at 0, above every layer's floor:
// no cut there below the top.
TEST(PrototypeCommand, FemaleGroundOutsideTheModelIsLiftedOver) {
  Job job;
  job.Options.STLDepth = 0;
  ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::Pyramid(0, 0, 10, 5)), "p").Loaded);
  TTBMachiningParameters& p = job.MachiningParameters;
  ApplyBlankMargin(job.DrawingExtents, 3, p.Prototype);
  p.Prototype.Male = 0;
  SetTool(p.Rough, CutterEnd, 0.5, 0.5, 1);
  TTBZGrid grid;
  TTBOutRegionArray3D out;
  MachinePrototype(job.Mesh, p, 0, grid, out, PassControl{});
  ASSERT_FALSE(out.empty());
  for (const auto& l : out)
    for (const auto& q : l.Points)
      if (q.MoveKind != MoveRapid3D && (q.X < -0.01 || q.X > 10.01 || q.Y < -0.01 || q.Y > 10.01)) {
        EXPECT_GE(q.Z, -1e-6) << q.X << "," << q.Y;
      }
}

TEST(PrototypeCommand, RefusesFieldsThatMakeNoSafeProgram) {
  Job job = PyramidJob();
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Prototype);
  f["RoughStepZ"] = "1", f["RoughFeed"] = "0", f["RoughPlunge"] = "10", f["RoughDiameter"] = "2";
  const PrototypeDialogValues v = DefaultPrototypeValues(job);
  auto run = [&] {
    ApplyPrototypeFields(job, f, v);
    return RunPrototype(job);
  };
  OperationResult r = run();
  EXPECT_FALSE(r.Made);
  EXPECT_EQ(r.Problem, "RoughFeed must be greater than 0");
  f["RoughFeed"] = "100", f["RoughStepXY"] = "0.000001";
  r = run();
  EXPECT_FALSE(r.Made);
  EXPECT_NE(r.Problem.find("RoughStepXY"), std::string::npos);
  f["RoughStepXY"] = "0.5", f["FinishFeed"] = "200";
  EXPECT_TRUE(run().Made);
  f["RoughStepZ"] = "0";  // the command does nothing at all
  const size_t before = job.Toolpaths3D.size();
  EXPECT_TRUE(run().Status.empty());
  EXPECT_EQ(job.Toolpaths3D.size(), before);
}

// What was finished stays: whole layers only.
TEST(PrototypeCommand, EscStopsEveryStepAndSaysSo) {
  for (int at : {1, 3, 50, 150}) {
    Job job;
    ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::HalfSphere(10, 0, 0, 24, 48)), "s").Loaded);
    ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Prototype);
    f["RoughStepZ"] = "2", f["RoughFeed"] = "300", f["RoughPlunge"] = "100", f["RoughDiameter"] = "2";
    f["RoughStepXY"] = "0.2", f["FinishFeed"] = "300", f["FinishStepXY"] = "0.2", f["FinishDiameter"] = "1";
    f["FinishStepZ"] = "20";
    ApplyPrototypeFields(job, f, DefaultPrototypeValues(job));
    struct EscAt : Progress {  // Esc as the front end sees it: the flag set at the n-th pump
      uint8_t* flag;
      int left;
      void Pump() override { *flag |= --left == 0; }
    } esc;
    esc.flag = &job.CancelRequested, esc.left = at;
    job.ProgressSink = &esc;
    EXPECT_EQ(RunPrototype(job).Status, "Operation Cancelled...") << at;
    EXPECT_EQ(job.CommandMode, ModeIdle);
    for (const auto& l : job.Toolpaths3D) EXPECT_FALSE(l.Points.empty());
  }
}

}  // namespace
}  // namespace tibrel
