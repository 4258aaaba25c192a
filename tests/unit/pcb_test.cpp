#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <map>
#include <string>

#include "cutter_model.h"
#include "job/commands.h"
#include "job/open_gerber.h"
#include "job/pcb.h"
#include "job/startup.h"
#include "post/nc_writer.h"
#include "region_builders.h"
#include "shipped_settings.h"
#include "toolpath/intersect.h"

namespace tibrel {
namespace {

using testing_regions::JobOf;
using testing_regions::Square;
using testing_settings::StartedJob;

ConfigurationFields Fields(double diameter) {
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::PcBoard);
  f["RoughDiameter"] = std::to_string(diameter);
  f["RoughFeed"] = "300", f["RoughPlunge"] = "100", f["RapidHeight"] = "2", f["RoughTool"] = "1", f["RoughRPM"] = "20000";
  return f;
}

// The nearest distance from p to any entity of the region.
double Distance(const TTBRegion& r, TTBPoint p) {
  double best = 1e300;
  for (const auto& e : r.Entities) best = std::min(best, std::sqrt(EntityDistanceSquared(e, p)));
  return best;
}

// Points along every toolpath entity, ends and interior.
template <class F>
void ForPathPoints(const TTBOutRegionArray& paths, F f) {
  for (size_t i = 1; i < paths.size(); ++i)
    for (const auto& e : paths[i].Entities)
      for (double t : {0.0, 0.25, 0.5, 0.75}) f(EntityPointAt(e, t), i);
}

struct PadsCase {
  const char* name;
  double gap;           // between the pads
  size_t loops;         // toolpaths made
  bool touchOutline;    // the second pad touches the board outline
};
class TwoPads : public testing::TestWithParam<PadsCase> {};

// Two 1-unit square pads routed with a 0.5 tool inside a board outline:
// every loop keeps the tool radius from both pads and from the outline, and
// the loops are as many as the gap allows.
void RouteTwoPads(const PadsCase& c, uint8_t cw) {
  const double x2 = 1 + c.gap;
  const double right = c.touchOutline ? x2 + 1 : x2 + 3;
  SCOPED_TRACE(cw ? "clockwise" : "counter-clockwise");
  // The board outline: a rectangle (not a square) from (-2, -2).
  TTBRegion outline;
  outline.Entities = {MakeLine(-2, -2, right, -2), MakeLine(right, -2, right, 3), MakeLine(right, 3, -2, 3),
                      MakeLine(-2, 3, -2, -2)};
  UpdateRegionBox(outline);
  SetRegionDirection(outline, cw);
  Job job = StartedJob();
  job.Options.Dir = cw;
  const Job regions = JobOf({outline, Square(0, 0, 1, cw), Square(x2, 0, 1, cw)});
  job.Regions = regions.Regions;
  job.DrawingExtents = regions.DrawingExtents;
  SelectAllAsIslands(job, 0.1);
  ASSERT_EQ(job.Regions[0].IslandOf, 1u);
  ApplyPcbFields(job, Fields(0.5), "0.1");
  const OperationResult r = RunPcBoard(job);
  EXPECT_EQ(r.Status, RoutingCompleteStatus);
  ASSERT_EQ(job.Toolpaths.size(), c.loops + 1) << c.name;
  int checked = 0;
  ForPathPoints(job.Toolpaths, [&](TTBPoint p, size_t) {
    for (size_t k = 1; k <= 3; ++k) EXPECT_GE(Distance(job.Regions[k], p), 0.25 - 1e-4) << c.name << " region " << k;
    ++checked;
  });
  EXPECT_GT(checked, 10);
  // Apart, each loop runs at the radius from its pad all round (so with
  // rounded outside corners).
  if (c.loops == 2 && !c.touchOutline) {
    ForPathPoints(job.Toolpaths, [&](TTBPoint p, size_t) {
      EXPECT_NEAR(std::min(Distance(job.Regions[2], p), Distance(job.Regions[3], p)), 0.25, 1e-3);
    });
  }
  for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
    EXPECT_EQ(job.Toolpaths[i].IsOpen, 0);
    EXPECT_DOUBLE_EQ(job.Toolpaths[i].Depth, 0.1);
  }
}

TEST_P(TwoPads, LoopsKeepTheRadiusAndMergeWhenClose) {
  for (const uint8_t cw : {0, 1}) RouteTwoPads(GetParam(), cw);
}

INSTANTIATE_TEST_SUITE_P(Pads, TwoPads,
                         testing::Values(PadsCase{"one apart", 1.0, 2, false}, PadsCase{"0.4 apart", 0.4, 1, false},
                                         PadsCase{"touching the outline", 1.0, 1, true}));

// The command's checks: the All as Islands mark (cleared by DeSelect All,
// absent after a plain Select All), then a selection.
TEST(PcBoard, RefusesWithoutTheBoardSelection) {
  Job job = JobOf({Square(-5, -5, 20, 1), Square(0, 0, 1, 1)});
  ApplyPcbFields(job, Fields(0.5), "0.1");
  EXPECT_EQ(RunPcBoard(job).Message, UseAllAsIslandsMessage);
  SelectAll(job);
  EXPECT_EQ(RunPcBoard(job).Message, UseAllAsIslandsMessage);
  SelectAllAsIslands(job, 0.1);
  DeselectAll(job);
  EXPECT_EQ(RunPcBoard(job).Message, UseAllAsIslandsMessage);
  EXPECT_EQ(job.Toolpaths.size(), 1u);
  SelectAllAsIslands(job, 0.1);
  for (auto& r : job.Regions) r.Selected = 0;
  EXPECT_EQ(RunPcBoard(job).Message, NothingSelectedMessage);
  SelectAllAsIslands(job, 0.1);
  ApplyPcbFields(job, Fields(0), "0.1");
  const OperationResult r = RunPcBoard(job);
  EXPECT_EQ(r.Problem, "RoughDiameter must be greater than 0");
  EXPECT_FALSE(r.Made);
}

// A board of a few dozen pads and tracks in millimetres (rounded-rectangle
// and round pads, a pour with a clear hole) opened as the window does,
// routed with a 0.2 mm tool: every loop keeps the tool radius from all
// copper, and the program, read back by the controller model, neither
// gouges, nor rapids through the board, nor feeds at 0.
TEST(PcBoard, GerberBoardRoutesSafely) {
  std::string g = "%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,1.600000*%\n%ADD11R,1.500000X1.000000*%\n%ADD12C,0.250000*%\n";
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 4; ++j) {
      const int x = 2000000 + i * 2540000, y = 2000000 + j * 3000000;
      g += (i + j) % 2 ? "D10*\n" : "D11*\n";
      g += "X" + std::to_string(x) + "Y" + std::to_string(y) + "D03*\n";
    }
  g += "D12*\nX2000000Y2000000D02*\nX14700000Y11000000D01*\n";
  g += "G36*\nX20000000Y2000000D02*\nG01*\nX26000000Y2000000D01*\nX26000000Y8000000D01*\nX20000000Y8000000D01*\n"
       "X20000000Y2000000D01*\nG37*\n%LPC*%\nD10*\nX23000000Y5000000D03*\n%LPD*%\nM02*\n";
  Job job = StartedJob();
  const OpenResult open = OpenGerberDrawing(job, g, "board.gbr");
  ASSERT_TRUE(open.Loaded) << open.Error;
  EXPECT_EQ(job.DrawingUnits, Units::Millimetre);
  SelectAllAsIslands(job, 0.1);
  ASSERT_EQ(job.Regions[0].IslandOf, job.Regions.size() - 1);  // the frame
  ApplyPcbFields(job, Fields(0.2), "0.1");
  const OperationResult r = RunPcBoard(job);
  ASSERT_TRUE(r.Made) << r.Problem;
  const size_t frame = job.Regions.size() - 1;
  int checked = 0;
  ForPathPoints(job.Toolpaths, [&](TTBPoint p, size_t) {
    for (size_t k = 1; k < frame; ++k)
      if (p.X > job.Regions[k].XMin - 1 && p.X < job.Regions[k].XMax + 1 && p.Y > job.Regions[k].YMin - 1 &&
          p.Y < job.Regions[k].YMax + 1) {
        ASSERT_GE(Distance(job.Regions[k], p), 0.1 - 1e-4) << "copper region " << k;
      }
    ++checked;
  });
  EXPECT_GT(checked, 100);
  // Every copper region has a loop round it: its box lies inside some loop's box.
  for (size_t k = 1; k < frame; ++k) {
    bool round = false;
    for (size_t i = 1; i < job.Toolpaths.size() && !round; ++i) {
      TTBRegion loop;
      loop.Entities = job.Toolpaths[i].Entities;
      UpdateRegionBox(loop);
      round = BoxInside(loop, job.Regions[k]);
    }
    EXPECT_TRUE(round) << "copper region " << k;
  }

  const TTBPostProcessor& post = testing_settings::ShippedPosts().at("Default");
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mday = 5, tm.tm_isdst = -1;
  const auto comments = NcCommentLines(post, job.MachiningParameters, "board", std::mktime(&tm), job.DrawingUnits);
  const cutter::Program program =
      cutter::ReadProgram(NcProgramText(job.Toolpaths, comments, job.MachiningParameters, post, job.DrawingUnits));
  cutter::ToolTable tools{{1, {0.1, 0.1}}};
  const cutter::Violations v = cutter::CheckCutter(program, cutter::SidesPart(job.Regions), tools);
  EXPECT_TRUE(v.empty()) << cutter::Report(v, program);
  const cutter::Violations missing = cutter::MissingCuts(program, job.Toolpaths);
  EXPECT_TRUE(missing.empty()) << cutter::Report(missing, program);
  EXPECT_GT(cutter::MovesBelowTop(program), 100u);
  EXPECT_EQ(program.unitsAtFirstMove, 21);
}

// A board the reader refuses (too large, negative) leaves the job's regions,
// extents, name and unit as they were, and gives the reader's message.
TEST(OpenGerber, RefusalLeavesTheJob) {
  Job job = testing_settings::StartedJob();
  const std::string pads = "%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,1.6*%\nD10*\nX0Y0D03*\nX5000000Y0D03*\nM02*\n";
  ASSERT_TRUE(OpenGerberDrawing(job, pads, "pads.gtl").Loaded);
  ASSERT_EQ(job.Regions.size(), 4u);  // two pads and the frame
  const Job before = job;
  for (const std::string& bad :
       {std::string("%IPNEG*%\n%ADD10C,1*%\nD10*\nX0Y0D03*\n"),
        std::string("%FSLAX46Y46*%\n%MOIN*%\n%ADD10C,0.1*%\nD10*\nX0Y0D03*\nX900000000Y900000000D03*\n")}) {
    const OpenResult r = OpenGerberDrawing(job, bad, "bad.gbr");
    EXPECT_FALSE(r.Loaded);
    EXPECT_FALSE(r.Error.empty());
    EXPECT_EQ(job.Regions.size(), before.Regions.size());
    EXPECT_EQ(job.DrawingName, before.DrawingName);
    EXPECT_EQ(job.DrawingUnits, before.DrawingUnits);
    EXPECT_EQ(job.DrawingExtents.XMax, before.DrawingExtents.XMax);
  }
  // Every extension of a copper layer is taken as Gerber, in any case.
  for (const char* name : {"a.gtl", "b.GBL", "c.gbr", "d.Ger", "e.cmp", "f.sol", "g.gbx"}) EXPECT_TRUE(IsGerberPath(name));
  for (const char* name : {"a.dxf", "b", "dir.gbr/file", "c.gtl.dxf"}) EXPECT_FALSE(IsGerberPath(name));
}

}  // namespace
}  // namespace tibrel
