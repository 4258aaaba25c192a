// The STL readers and the mesh edits, on meshes made here and written as
// binary and ASCII files by the tests' own writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "job/mesh_commands.h"
#include "mesh/mesh.h"
#include "mesh/stl_reader.h"
#include "mesh_builders.h"

namespace tibrel {
namespace {

using testmesh::Facets;

TTBTriangleArray Read(const std::string& bytes, bool* binary = nullptr) {
  TTBTriangleArray mesh;
  const StlReadResult r = ReadStl(bytes, mesh, PassControl{});
  if (binary) *binary = r.Binary;
  return mesh;
}

struct FormatCase {
  const char* name;
  std::string bytes;
  bool binary;
  size_t triangles;
};

std::vector<FormatCase> FormatCases() {
  const Facets pyr = testmesh::Pyramid(1, 2, 10, 7);
  const Facets twelve = testmesh::SteppedBlock();  // 36 facets
  std::string truncated = testmesh::BinaryStl(pyr);
  truncated.resize(truncated.size() - 20);
  return {
      {"binary", testmesh::BinaryStl(pyr), true, 6},
      {"binary_header_says_solid", testmesh::BinaryStl(pyr, "solid facet vertex but binary"), true, 6},
      {"binary_count_too_small", testmesh::BinaryStl(twelve, "made here", 10), true, 36},
      {"binary_truncated_keeps_complete_records", truncated, true, 5},
      {"ascii", testmesh::AsciiStl(pyr), false, 6},
      {"ascii_upper_case", testmesh::AsciiStl(pyr, " ", true), false, 6},
      {"ascii_runs_of_spaces_and_tabs", testmesh::AsciiStl(pyr, " \t  "), false, 6},
      {"ascii_crlf", [&] {
         std::string s = testmesh::AsciiStl(pyr), out;
         for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return out;
       }(), false, 6},
  };
}

class StlFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(StlFormats, ReadsEveryCompleteFacetWithSortedVertices) {
  const FormatCase& c = GetParam();
  bool binary = false;
  const TTBTriangleArray mesh = Read(c.bytes, &binary);
  EXPECT_EQ(binary, c.binary);
  ASSERT_EQ(mesh.size(), c.triangles);
  for (const auto& t : mesh) {
    EXPECT_LE(t.V[0].Z, t.V[1].Z);
    EXPECT_LE(t.V[1].Z, t.V[2].Z);
    EXPECT_EQ(t.ZMin, t.V[0].Z);
    EXPECT_EQ(t.ZMax, t.V[2].Z);
  }
}

INSTANTIATE_TEST_SUITE_P(Stl, StlFormats, ::testing::ValuesIn(FormatCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Vertices come out in the same order from both formats: pairwise swaps
// (0,1), (0,2), (1,2), none between equal Z, so the (0,2) swap carries the
// first vertex of the second facet last.
TEST(StlReader, BinaryAndAsciiGiveTheSameTrianglesInTheSameOrder) {
  Facets f = testmesh::HalfSphere(5, 3, 4, 6, 12);
  f.push_back(testmesh::MakeFacet(5, 0, 1, 6, 0, 1, 7, 0, 0));
  const TTBTriangleArray b = Read(testmesh::BinaryStl(f)), a = Read(testmesh::AsciiStl(f));
  ASSERT_EQ(b.size(), f.size());
  ASSERT_EQ(a.size(), f.size());
  for (size_t i = 0; i < f.size(); ++i)
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(a[i].V[k].X, b[i].V[k].X);
      EXPECT_EQ(a[i].V[k].Y, b[i].V[k].Y);
      EXPECT_EQ(a[i].V[k].Z, b[i].V[k].Z);
    }
  EXPECT_EQ(b.back().V[0].X, 7);
  EXPECT_EQ(b.back().V[1].X, 6);
  EXPECT_EQ(b.back().V[2].X, 5);
}

struct BadCase {
  const char* name;
  std::string text;
  std::string message;
};

TEST(StlReader, BadInputNamesItsPlaceAndLeavesTheJob) {
  const std::vector<BadCase> cases = {
      {"word", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 zero 0\nvertex 0 1 0\n", "line 5"},
      {"missing_vertex", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nendloop\n", "line 5"},
      {"ends_in_facet", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n", "line 4"},
      {"huge", "solid x\nfacet normal 0 0 1\nouter loop\nvertex 0 0 1e300\nvertex 1 0 0\nvertex 0 1 0\n", "line 4"},
      {"binary_nan", [] {
         testmesh::Facets f = testmesh::Pyramid(0, 0, 4, 2);
         f[2].V[1][0] = std::nanf("");
         return testmesh::BinaryStl(f);
       }(), "triangle 3"},
  };
  for (const auto& c : cases) {
    Job job;
    ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::Pyramid(0, 0, 4, 2)), "first").Loaded);
    const TExtents before = job.DrawingExtents;
    const MeshOpenResult r = OpenStlData(job, c.text, "bad");
    EXPECT_FALSE(r.Loaded) << c.name;
    EXPECT_NE(r.Error.find(c.message), std::string::npos) << c.name << ": " << r.Error;
    EXPECT_EQ(job.Mesh.size(), 6u) << c.name;
    EXPECT_EQ(job.DrawingName, "first") << c.name;
    EXPECT_EQ(job.DrawingExtents.ZMin, before.ZMin) << c.name;
  }
}

TEST(StlReader, FilesWithoutFacetsLoadNothing) {
  for (const std::string& s : {std::string(), std::string("solid empty\nendsolid empty\n"), std::string(84, '\0'),
                               std::string("garbage")}) {
    Job job;
    const MeshOpenResult r = OpenStlData(job, s, "none");
    EXPECT_FALSE(r.Loaded);
    EXPECT_EQ(job.ModelLoaded, 0);
    EXPECT_EQ(r.Status, "Ready...");
  }
}

TEST(StlReader, CancelledReadLeavesTheJob) {
  struct CancelAtOnce : Progress {
    uint8_t* flag;
    void Pump() override { *flag = 1; }
  };
  Job job;
  CancelAtOnce cancel;
  cancel.flag = &job.CancelRequested;
  job.ProgressSink = &cancel;
  const MeshOpenResult r = OpenStlData(job, testmesh::BinaryStl(testmesh::HalfSphere(5, 0, 0)), "s");
  EXPECT_TRUE(r.Cancelled);
  EXPECT_FALSE(r.Loaded);
  EXPECT_EQ(r.Status, "Operation Cancelled...");
  EXPECT_TRUE(job.Mesh.empty());
}

TEST(MeshPlacement, LoadPutsTheTopAtMinusStlDepthAndTheBlankOnTheBox) {
  for (double depth : {0.0, 10.0, 2.5}) {
    Job job;
    job.Options.STLDepth = depth;
    ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::Pyramid(1, 2, 10, 7)), "p").Loaded);
    float top = -1e30f;
    for (const auto& t : job.Mesh) top = std::max(top, t.V[2].Z);
    EXPECT_FLOAT_EQ(top, static_cast<float>(-depth));
    const TTBPrototypeParameters& b = job.MachiningParameters.Prototype;
    EXPECT_DOUBLE_EQ(b.BlankX1, 1);
    EXPECT_DOUBLE_EQ(b.BlankY2, 12);
    EXPECT_DOUBLE_EQ(b.BlankZ2, -depth);
    EXPECT_NEAR(b.BlankZ1, -depth - 7, 1e-6);
  }
}

struct ApplyCase {
  const char* name;
  double scale;
  int axis;
  double degrees, left, bottom, top;
  TExtents want;  // XMin, XMax, YMin, YMax, ZMin, ZMax
};

TEST(MeshPlacement, ApplyScalesRotatesAndMovesTheBox) {
  // A bar along +X: box (10, 10, 0)-(14, 11, 5).
  Facets bar;
  testmesh::Box(bar, 10, 10, 0, 14, 11, 5);
  const std::vector<ApplyCase> cases = {
      {"only_top", 0, 2, 0, 10, 10, 0, {10, 14, 10, 11, -5, 0}},
      {"scale_2_back_to_corner", 2, 2, 0, 10, 10, 5, {10, 18, 10, 12, -5, 5}},
      {"rotate_90_z_lies_along_y", 0, 2, 90, 0, 0, 5, {0, 1, 0, 4, 0, 5}},
      {"rotate_90_x_stands_up", 0, 0, 90, 0, 0, 0, {0, 4, 0, 5, -1, 0}},
  };
  for (const auto& c : cases) {
    TTBTriangleArray m = Read(testmesh::BinaryStl(bar));
    TExtents e;
    TTBPrototypeParameters blank;
    ApplyMeshPlacement(m, c.scale, c.axis, c.degrees, c.left, c.bottom, c.top, e, blank);
    TExtents got;
    GetMeshExtents(m, got);
    for (const TExtents* x : {&e, &got})
      for (double TExtents::*m : {&TExtents::XMin, &TExtents::XMax, &TExtents::YMin, &TExtents::YMax,
                                  &TExtents::ZMin, &TExtents::ZMax})
        EXPECT_NEAR(x->*m, c.want.*m, 1e-5) << c.name;
    EXPECT_NEAR(blank.BlankX2, c.want.XMax, 1e-5) << c.name;
    EXPECT_NEAR(blank.BlankZ1, c.want.ZMin, 1e-5) << c.name;
  }
}

TEST(MeshPlacement, FlipMirrorsAboutTheMiddlePlaneInsideTheSameBox) {
  Job job;
  job.Options.STLDepth = 3;
  ASSERT_TRUE(OpenStlData(job, testmesh::BinaryStl(testmesh::Pyramid(0, 0, 10, 6)), "p").Loaded);
  const TExtents before = job.DrawingExtents;
  FlipJobModel(job);
  EXPECT_DOUBLE_EQ(job.DrawingExtents.ZMin, before.ZMin);
  EXPECT_DOUBLE_EQ(job.DrawingExtents.ZMax, before.ZMax);
  EXPECT_DOUBLE_EQ(job.MachiningParameters.Prototype.BlankZ1, before.ZMin);
  // The apex (at the top, over the middle) is now at the bottom.
  bool apexLow = false;
  for (const auto& t : job.Mesh) {
    EXPECT_LE(t.V[0].Z, t.V[1].Z);
    EXPECT_LE(t.V[1].Z, t.V[2].Z);
    for (const auto& v : t.V)
      if (v.X == 5 && v.Y == 5) apexLow = std::fabs(v.Z - before.ZMin) < 1e-5;
  }
  EXPECT_TRUE(apexLow);
}

}  // namespace
}  // namespace tibrel
