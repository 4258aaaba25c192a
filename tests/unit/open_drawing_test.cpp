#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "job/open_drawing.h"
#include "dxf/reader.h"
#include "dxf_text.h"
#include "toolpath/offset.h"

namespace tibrel {
namespace {

using testing_dxf::Entities;
using testing_dxf::G;
using testing_dxf::Line;

const std::string Root = TIBREL_SOURCE_DIR;

struct FileCase {
  const char* file;  // under tests/data unless it names its folder
  int closed, open;
  size_t notices;
};
class OpenFile : public testing::TestWithParam<FileCase> {};

// Drawings written by another program and by hand load into the regions
// their geometry holds (counts worked out from the geometry itself), their
// closed loops in the wanted direction.
TEST_P(OpenFile, GivesTheRegionsItsGeometryHolds) {
  const FileCase& c = GetParam();
  const std::string path = Root + (std::string(c.file).starts_with("examples/") ? "/" : "/tests/data/") + c.file;
  for (uint8_t clockwise : {0, 1}) {
    Job job;
    job.Options.Dir = clockwise;
    const OpenResult res = OpenDxfFile(job, path);
    ASSERT_TRUE(res.Loaded) << res.Error;
    EXPECT_EQ(res.Notices.size(), c.notices);
    EXPECT_EQ(res.Status, RegionsCreatedMessage(c.closed + c.open, c.open));
    int open = 0, closed = 0;
    CountOpenClosed(job.Regions, open, closed);
    EXPECT_EQ(open, c.open);
    EXPECT_EQ(closed, c.closed);
    for (size_t i = 1; i < job.Regions.size(); ++i) {
      const TTBRegion& r = job.Regions[i];
      ASSERT_FALSE(r.Entities.empty());
      EXPECT_EQ(r.Selected, 0);
      if (!r.IsOpen) {
        EXPECT_EQ(RegionDirection(r), clockwise) << c.file << " region " << i;
        EXPECT_EQ(r.Clockwise, clockwise);
      }
      for (size_t k = 0; k + 1 < r.Entities.size(); ++k) {
        EXPECT_NEAR(EntityEnd(r.Entities[k]).X, EntityStart(r.Entities[k + 1]).X, 1e-9);
        EXPECT_NEAR(EntityEnd(r.Entities[k]).Y, EntityStart(r.Entities[k + 1]).Y, 1e-9);
      }
      EXPECT_TRUE(BoxInside(job.DrawingExtents, r));
    }
  }
}
INSTANTIATE_TEST_SUITE_P(
    Files, OpenFile,
    testing::Values(FileCase{"ezdxf_lines_r12.dxf", 1, 1, 0}, FileCase{"ezdxf_lines_r2018.dxf", 1, 1, 0},
                    FileCase{"ezdxf_arcs_circles_r12.dxf", 4, 0, 0}, FileCase{"ezdxf_arcs_circles_r2018.dxf", 4, 0, 0},
                    FileCase{"ezdxf_lwpolyline_r2018.dxf", 3, 1, 0}, FileCase{"ezdxf_polyline2d_r12.dxf", 3, 1, 0},
                    FileCase{"ezdxf_ellipse_r2018.dxf", 1, 1, 0}, FileCase{"ezdxf_blocks_insert_r12.dxf", 2, 1, 0},
                    FileCase{"ezdxf_blocks_insert_r2018.dxf", 2, 1, 0}, FileCase{"ezdxf_blocks_nested_r12.dxf", 31, 5, 0},
                    FileCase{"ezdxf_blocks_nested_r2018.dxf", 31, 14, 0}, FileCase{"ezdxf_blocks_cycle_r12.dxf", 0, 34, 3},
                    FileCase{"ezdxf_plate_holes_r12.dxf", 5, 0, 0}, FileCase{"ezdxf_plate_holes_r2018.dxf", 5, 0, 0},
                    FileCase{"ezdxf_splines_r2018.dxf", 3, 7, 0}, FileCase{"ezdxf_closed_spline_r2018.dxf", 1, 0, 0},
                    FileCase{"ezdxf_faces_r12.dxf", 5, 0, 0}, FileCase{"ezdxf_faces_r2018.dxf", 5, 0, 0},
                    FileCase{"ezdxf_meshes_r12.dxf", 0, 2, 0}, FileCase{"ezdxf_meshes_r2018.dxf", 0, 2, 0},
                    FileCase{"ezdxf_mixed_layers_r12.dxf", 3, 2, 0}, FileCase{"ezdxf_mixed_layers_r2018.dxf", 3, 2, 0},
                    // The text adds one closed loop per contour of the letters of
                    // "TIBREL", "Line one" and "Line two" (9 + 11 + 10).
                    FileCase{"ezdxf_every_entity_r2018.dxf", 7 + 30, 5, 0},
                    FileCase{"ezdxf_ocs_mirrored_r12.dxf", 2, 1, 0}, FileCase{"ezdxf_ocs_mirrored_r2018.dxf", 2, 1, 0},
                    FileCase{"ezdxf_pies_r12.dxf", 40, 0, 0}, FileCase{"examples/bracket.dxf", 8, 0, 0},
                    FileCase{"examples/plate_islands.dxf", 18, 0, 0}, FileCase{"examples/open_profiles.dxf", 1, 5, 0},
                    // Twelve capital H's, one loop each.
                    FileCase{"ezdxf_text_r2018.dxf", 12, 0, 0}));

TEST(OpenDrawing, MirroredArcPassesThroughItsWorldPoint) {
  Job job;
  ASSERT_TRUE(OpenDxfFile(job, Root + "/tests/data/ezdxf_ocs_mirrored_r2018.dxf").Loaded);
  bool found = false;
  for (size_t i = 1; i < job.Regions.size(); ++i)
    for (const auto& e : job.Regions[i].Entities)
      if (e.Radius != 0 && std::fabs(e.X + 20) < 1e-9 && std::fabs(e.Y) < 1e-9) {
        found = true;
        EXPECT_NEAR(EntityMidpoint(e).Y, 3, 1e-9);
      }
  EXPECT_TRUE(found);
}

TEST(OpenDrawing, FailuresLeaveTheJobAsItWas) {
  Job job;
  ASSERT_TRUE(OpenDxfDrawing(job, Entities(Line(0, 0, 1, 0)), "first.dxf").Loaded);
  const size_t regions = job.Regions.size();

  OpenResult res = OpenDxfDrawing(job, "garbage", "second.dxf");
  EXPECT_FALSE(res.Loaded);
  EXPECT_EQ(res.Error, "No Entities or invalid Entities section in DXF file");
  EXPECT_EQ(res.Status, "No Entities Loaded...");

  res = OpenDxfDrawing(job, Entities(G({{0, "POINT"}, {8, "0"}, {10, "1"}})), "points.dxf");
  EXPECT_FALSE(res.Loaded);
  EXPECT_TRUE(res.Error.empty());
  EXPECT_EQ(res.Status, "No Entities Loaded...");

  res = OpenDxfFile(job, Root + "/no/such/file.dxf");
  EXPECT_FALSE(res.Loaded);
  EXPECT_FALSE(res.Error.empty());

  EXPECT_EQ(job.Regions.size(), regions);
  EXPECT_EQ(job.DrawingName, "first");
  EXPECT_EQ(job.Loading, 0);
}

TEST(OpenDrawing, CancelReportsAndKeepsTheJob) {
  Job job;
  ASSERT_TRUE(OpenDxfDrawing(job, Entities(Line(0, 0, 1, 0)), "first.dxf").Loaded);
  struct CancelAtOnce : Progress {
    Job* job;
    void Pump() override { job->CancelRequested = 1; }
  } cancel;
  cancel.job = &job;
  job.ProgressSink = &cancel;
  std::string big;
  for (int i = 0; i < 3000; ++i) big += Line(i, 0, i + 1, 1);
  const OpenResult res = OpenDxfDrawing(job, Entities(big), "big.dxf");
  EXPECT_TRUE(res.Cancelled);
  EXPECT_EQ(res.Status, "Operation Cancelled...");
  EXPECT_EQ(job.CancelRequested, 0);
  EXPECT_EQ(job.Regions.size(), 2u);
  EXPECT_EQ(job.DrawingName, "first");
}

TEST(OpenDrawing, RepairSplitsAFigureEight) {
  // A bow tie drawn as one closed polyline crossing itself.
  const std::string bowtie = G({{0, "LWPOLYLINE"}, {8, "0"}, {70, "1"}, {10, "0"}, {20, "0"}, {10, "4"}, {20, "4"},
                                {10, "4"}, {20, "0"}, {10, "0"}, {20, "4"}});
  Job job;
  ASSERT_TRUE(OpenDxfDrawing(job, Entities(bowtie), "b.dxf").Loaded);
  EXPECT_EQ(job.Regions.size(), 2u);
  job.Options.Fix = true;
  ASSERT_TRUE(OpenDxfDrawing(job, Entities(bowtie), "b.dxf").Loaded);
  ASSERT_EQ(job.Regions.size(), 3u);
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_EQ(job.Regions[i].IsOpen, 0);
    EXPECT_EQ(job.Regions[i].Entities.size(), 3u);
    EXPECT_TRUE(PointInRegion({i == 1 ? 1.0 : 3.0, 2}, job.Regions[1]) != PointInRegion({i == 1 ? 1.0 : 3.0, 2}, job.Regions[2]));
  }
}

TEST(WallProfiles, ProfileFileChainsWithoutOrdering) {
  const std::string path = testing::TempDir() + "/Profiles.DXF";
  {
    std::ofstream out(path, std::ios::binary);
    // Two profiles: an open L of two lines given end to start, and a quarter arc.
    out << Entities(Line(1, 0, 1, 1) + Line(0, 0, 1, 0) +
                    G({{0, "ARC"}, {8, "0"}, {10, "5"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "90"}}));
  }
  Job job;
  EXPECT_EQ(LoadWallProfiles(job, path), "");
  ASSERT_EQ(job.Profiles.size(), 3u);
  EXPECT_EQ(job.Profiles[1].Entities.size(), 2u);
  EXPECT_EQ(job.Profiles[1].IsOpen, 1);
  EXPECT_FALSE(LoadWallProfiles(job, path + ".missing").empty());
  EXPECT_EQ(job.Profiles.size(), 1u);
}

// The shipped profiles, attached with Delta 2 to a boundary 4 deep, at half
// its height: a straight profile is halfway out; a round-over (a quarter
// circle about the top of the foot line) only 1 - sqrt(3/4) of the way; a
// cove (about the foot of the top line) sqrt(3/4) of the way.
TEST(WallProfiles, ShippedProfilesGiveTheirShapesAtHalfHeight) {
  Job job;
  ASSERT_EQ(LoadWallProfiles(job, TIBREL_SOURCE_DIR "/resources/Profiles.DXF"), "");
  ASSERT_EQ(job.Profiles.size(), 6u);
  const double halfway = 1.0, roundOver = 2 * (1 - std::sqrt(0.75)), cove = 2 * std::sqrt(0.75);
  const double expected[] = {halfway, roundOver, cove, halfway, halfway};
  TTBRegionArray regions = EmptyRegionList();
  regions.push_back({});
  regions[1].Depth = 4;
  regions[1].Encloser = 1;
  regions[1].WallDelta = 2;
  for (uint32_t k = 1; k <= 5; ++k) {
    regions[1].WallProfile = k;
    EXPECT_NEAR(WallOffset(regions, 1, 2, job.Profiles, 0), expected[k - 1], 1e-4) << "profile " << k;
    EXPECT_NEAR(WallOffset(regions, 1, 4, job.Profiles, 0), 0, 1e-4) << "profile " << k << " at the foot";
    EXPECT_NEAR(WallOffset(regions, 1, 0, job.Profiles, 0), 2, 1e-4) << "profile " << k << " at the top";
  }
}

// Inputs that once crashed, hung or broke an invariant load cleanly now,
// with and without the repair of self-touching loops.
TEST(OpenDrawing, FuzzReproducersLoadCleanly) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Root + "/tests/fuzz/crashes")) {
    const std::string data = ReadFileBytes(entry.path().string());
    for (bool fix : {false, true}) {
      Job job;
      job.Options.Fix = fix;
      const OpenResult res = OpenDxfDrawing(job, data, entry.path().filename().string());
      if (!res.Loaded) continue;
      for (size_t i = 1; i < job.Regions.size(); ++i) {
        ASSERT_FALSE(job.Regions[i].Entities.empty()) << entry.path();
        for (const auto& e : job.Regions[i].Entities) ASSERT_TRUE(std::isfinite(e.X) && std::isfinite(e.XMax)) << entry.path();
      }
    }
    ++files;
  }
  EXPECT_GT(files, 5);
}

}  // namespace
}  // namespace tibrel
