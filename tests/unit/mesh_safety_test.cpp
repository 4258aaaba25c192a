// Prototype programs replayed by the cutter model against the mesh: every
// shipped post, male and female, ball, flat and V cutters, roughing with
// stock then finishing with another tool; and the program read back gives
// the layers' points.
#include <gtest/gtest.h>

#include <map>

#include "cutter_mesh.h"
#include "job/mesh_commands.h"
#include "mesh/prototype.h"
#include "mesh_builders.h"
#include "post/nc_writer.h"
#include "post/post.h"

namespace tibrel {
namespace {

const std::string Source = TIBREL_SOURCE_DIR;

// The three shipped posts, each read from resources/Posts.cfg.
std::map<std::string, TTBPostProcessor> ShippedPosts() {
  std::map<std::string, TTBPostProcessor> posts;
  for (const char* name : {"Default", "GRBL", "Mach3"})
    if (!LoadPost(posts[name], name, Source + "/resources/Posts.cfg")) ADD_FAILURE() << "no post " << name;
  return posts;
}

struct SafetyCase {
  const char* name;
  testmesh::Facets model;
  int roughType, finishType;
  double roughRadius, finishRadius, stock;
  bool male;
  double stlDepth;
  int finishDirection;
  // How far the tool may reach into the surface: one grid step (0.5), the
  // sampling error of the grid (see the gouge test). Female blanks keep the
  // material above the model's lowest surface, which this model of the
  // stock (material below the surface) does not describe: their gouges are
  // not measured.
  double gouge = 0.5;
};

std::vector<SafetyCase> Cases() {
  return {
      {"half_sphere_ball_ball", testmesh::HalfSphere(8, 10, 10, 24, 48), CutterBall, CutterBall, 2, 1, 0.5, true, 0, 2},
      {"half_sphere_flat_then_ball", testmesh::HalfSphere(8, 10, 10, 24, 48), CutterEnd, CutterBall, 1.5, 0.75, 0.3,
       true, 5, 1},
      {"pyramid_v_then_ball", testmesh::Pyramid(0, 0, 16, 8), CutterV, CutterBall, 2, 1, 0.2, true, 0, 2},
      {"stepped_block_flat", testmesh::SteppedBlock(), CutterEnd, CutterEnd, 1, 0.5, 0, true, 2, 0},
      {"half_sphere_female", testmesh::HalfSphere(8, 10, 10, 24, 48), CutterBall, CutterBall, 1, 1, 0, false, 0, 1, 1e9},
  };
}

class PrototypePrograms : public testing::TestWithParam<SafetyCase> {};

TEST_P(PrototypePrograms, KeepEveryRuleOnEveryPost) {
  const SafetyCase& c = GetParam();
  Job job;
  job.Options.STLDepth = c.stlDepth;
  ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(c.model), c.name).Loaded);
  TTBMachiningParameters& p = job.MachiningParameters;
  ApplyBlankMargin(job.DrawingExtents, 3, p.Prototype);
  p.Prototype.Male = c.male ? 1 : 0;
  p.RapidHeight = 2;
  TTBTool& r = p.Rough;
  r.ToolType = c.roughType, r.Radius = c.roughRadius, r.Angle = c.roughType == CutterV ? 90 : 0;
  r.XYStep = r.YStep = 0.5, r.ZStep = 3, r.FeedRate = 800, r.PlungeRate = 200, r.SpindleRPM = 12000;
  r.ToolNumber = 1, r.StockToLeave = c.stock, r.Direction = 1;
  TTBTool& f = p.Finish;
  f.ToolType = c.finishType, f.Radius = c.finishRadius, f.XYStep = f.YStep = 0.4, f.ZStep = 50;
  f.FeedRate = 1000, f.PlungeRate = 200, f.SpindleRPM = 15000, f.ToolNumber = 2, f.Direction = c.finishDirection;
  p.FinishMode = c.finishDirection ? 1 : 0;
  const OperationResult res = RunPrototype(job);
  ASSERT_TRUE(res.Made) << res.Problem;
  const cutter::MeshToolTable tools = {{1, {r.ToolType, r.Radius, r.Angle, r.StockToLeave}},
                                       {2, {f.ToolType, f.Radius, f.Angle, 0}}};
  cutter::MeshCheckSettings settings;
  // The sampling error of a 0.5 grid (see the gouge test and the table),
  // and the rounding of four decimals.
  settings.Gouge = c.gouge + 1e-3;
  settings.Cell = 0.2;
  // A rapid comes down to the height the layer above cut at that point;
  // the cut between rastered points runs straight, so it may stand above
  // the point by the row's chord: the roughing tolerance (0 here) and a
  // tenth of the grid step for the lattice.
  settings.RapidSlack = 0.05;
  for (const auto& [name, post] : ShippedPosts()) {
    const std::string text = NcProgramText3D(job.Toolpaths3D, {}, p, post, Units::Millimetre);
    const cutter::Program program = cutter::ReadProgram(text);
    size_t checked = 0;
    const cutter::Violations v = CheckMeshCutter(program, job.Mesh, p.Prototype, tools, settings, &checked);
    EXPECT_TRUE(v.empty()) << c.name << " " << name << "\n" << cutter::Report(v, program, 6);
    EXPECT_GT(checked, 1000u) << name;
    const cutter::Violations missing = cutter::MissingPoints(program, job.Toolpaths3D);
    EXPECT_TRUE(missing.empty()) << c.name << " " << name << "\n" << cutter::Report(missing, program, 3);
  }
}

INSTANTIATE_TEST_SUITE_P(Mesh, PrototypePrograms, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The cutter model sees a gouge and a rapid through stock in programs
// written by hand over a block 10 x 10 x 5 (top at Z 0).
TEST(MeshCutterModel, FindsGougesAndRapidsThroughStock) {
  testmesh::Facets box;
  testmesh::Box(box, 0, 0, -5, 10, 10, 0);
  Job job;
  ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(box), "box").Loaded);
  const TTBPrototypeParameters blank{-5, -5, -5, 15, 15, 0, 1};
  const cutter::MeshToolTable tools = {{1, {CutterBall, 1, 0, 0}}};
  const std::string start = "G21 G90\nT1 M06\nS1000 M03\nG00 X-3 Y-3 Z2\n";
  struct Case {
    const char* name;
    std::string moves;
    const char* check;
  };
  const std::vector<Case> cases = {
      {"clean", "G01 Z-3 F100\nG01 X-3 Y12\nG00 Z2\n", ""},
      {"gouge", "G01 Z-3 F100\nG01 X5 Y5\nG00 Z2\n", "gouge"},
      {"rapid_in_stock", "G00 Z-3\nG00 Z2\n", "rapid"},
      {"feed0", "G01 Z-3 F0\nG00 Z2\n", "feed0"},
      {"stop_in_stock", "G01 Z-3 F100\nM05\nG00 Z2\n", "stop"},
  };
  for (const auto& c : cases) {
    const cutter::Program p = cutter::ReadProgram(start + c.moves + "M30\n");
    const cutter::Violations v = CheckMeshCutter(p, job.Mesh, blank, tools, {});
    if (std::string(c.check).empty()) {
      EXPECT_TRUE(v.empty()) << c.name << cutter::Report(v, p);
    } else {
      bool found = false;
      for (const auto& x : v) found |= x.check == c.check;
      EXPECT_TRUE(found) << c.name << cutter::Report(v, p);
    }
  }
}

}  // namespace
}  // namespace tibrel
