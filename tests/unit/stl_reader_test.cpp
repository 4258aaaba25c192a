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

// The box of the facets as written, from the facets themselves.
TExtents FacetBox(const Facets& f) {
  TExtents e;
  e.XMin = e.YMin = e.ZMin = 1e30;
  e.XMax = e.YMax = e.ZMax = -1e30;
  for (const auto& t : f)
    for (const auto& v : t.V) {
      e.XMin = std::min<double>(e.XMin, v[0]), e.XMax = std::max<double>(e.XMax, v[0]);
      e.YMin = std::min<double>(e.YMin, v[1]), e.YMax = std::max<double>(e.YMax, v[1]);
      e.ZMin = std::min<double>(e.ZMin, v[2]), e.ZMax = std::max<double>(e.ZMax, v[2]);
    }
  return e;
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
      {"ascii_tabs", testmesh::AsciiStl(pyr, "\t"), false, 6},
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

TEST(StlReader, BinaryAndAsciiGiveTheSameTriangles) {
  const Facets f = testmesh::HalfSphere(5, 3, 4, 6, 12);
  const TTBTriangleArray b = Read(testmesh::BinaryStl(f)), a = Read(testmesh::AsciiStl(f));
  ASSERT_EQ(b.size(), f.size());
  ASSERT_EQ(a.size(), f.size());
  for (size_t i = 0; i < f.size(); ++i)
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(a[i].V[k].X, b[i].V[k].X);
      EXPECT_EQ(a[i].V[k].Z, b[i].V[k].Z);
    }
  TExtents e;
  GetMeshExtents(b, e);
  const TExtents want = FacetBox(f);
  EXPECT_EQ(e.XMin, want.XMin);
  EXPECT_EQ(e.ZMax, want.ZMax);
  EXPECT_DOUBLE_EQ(e.ZMid, (want.ZMin + want.ZMax) / 2);
}

TEST(StlReader, VerticesAreOrderedByZWithPairwiseSwaps) {
  Facets f{testmesh::MakeFacet(0, 0, 3, 1, 0, 1, 0, 1, 2), testmesh::MakeFacet(5, 0, 1, 6, 0, 1, 7, 0, 0)};
  const TTBTriangleArray m = Read(testmesh::BinaryStl(f));
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].V[0].Z, 1);
  EXPECT_EQ(m[0].V[1].Z, 2);
  EXPECT_EQ(m[0].V[2].Z, 3);
  EXPECT_EQ(m[0].ZMin, 1);
  EXPECT_EQ(m[0].ZMax, 3);
  // Pairwise swaps (0,1), (0,2), (1,2), none between equal Z: the lowest
  // comes first by the (0,2) swap, which carries the first vertex last.
  EXPECT_EQ(m[1].V[0].X, 7);
  EXPECT_EQ(m[1].V[1].X, 6);
  EXPECT_EQ(m[1].V[2].X, 5);
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

class CancelAtOnce : public Progress {
 public:
  explicit CancelAtOnce(uint8_t& flag) : flag_(flag) {}
  void Pump() override { flag_ = 1; }

 private:
  uint8_t& flag_;
};

TEST(StlReader, CancelledReadLeavesTheJob) {
  Job job;
  CancelAtOnce cancel(job.CancelRequested);
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
    for (const auto& t : job.Mesh) {
      EXPECT_LE(t.ZMax, 0);
      top = std::max(top, t.V[2].Z);
    }
    EXPECT_FLOAT_EQ(top, static_cast<float>(-depth));
    const TTBPrototypeParameters& b = job.MachiningParameters.Prototype;
    EXPECT_DOUBLE_EQ(b.BlankX1, 1);
    EXPECT_DOUBLE_EQ(b.BlankY2, 12);
    EXPECT_DOUBLE_EQ(b.BlankZ2, -depth);
    EXPECT_NEAR(b.BlankZ1, -depth - 7, 1e-6);
    EXPECT_DOUBLE_EQ(job.DrawingExtents.ZMid, (job.DrawingExtents.ZMin + job.DrawingExtents.ZMax) / 2);
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
    for (const TExtents* x : {&e, &got}) {
      EXPECT_NEAR(x->XMin, c.want.XMin, 1e-5) << c.name;
      EXPECT_NEAR(x->XMax, c.want.XMax, 1e-5) << c.name;
      EXPECT_NEAR(x->YMin, c.want.YMin, 1e-5) << c.name;
      EXPECT_NEAR(x->YMax, c.want.YMax, 1e-5) << c.name;
      EXPECT_NEAR(x->ZMin, c.want.ZMin, 1e-5) << c.name;
      EXPECT_NEAR(x->ZMax, c.want.ZMax, 1e-5) << c.name;
    }
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
    EXPECT_LE(t.V[0].Z, t.V[2].Z);
    EXPECT_LE(t.ZMin, t.ZMax);
    for (const auto& v : t.V)
      if (v.X == 5 && v.Y == 5) apexLow = std::fabs(v.Z - before.ZMin) < 1e-5;
  }
  EXPECT_TRUE(apexLow);
}

}  // namespace
}  // namespace tibrel
