#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <set>
#include <unistd.h>

#include "core/ini.h"
#include "core/numbers.h"
#include "job/open_drawing.h"
#include "dxf/writer.h"
#include "job/commands.h"
#include "geometry_check.h"
#include "post/nc_writer.h"
#include "region_builders.h"
#include "toolpath/contour.h"
#include "toolpath/drill.h"
#include "job/operations.h"
#include "toolpath/pocket.h"

namespace tibrel {
namespace {

using namespace testing_regions;
using namespace testing_geometry;

using Set = std::vector<std::pair<const char*, const char*>>;

// The dialog's defaults with feeds that can run, then the given fields.
ConfigurationFields Fields(OperationDialog d, const Set& set) {
  ConfigurationFields f = DefaultConfigurationFields(d);
  f["RoughPlunge"] = "50";
  if (d != OperationDialog::Drill) f["RoughFeed"] = "100", f["FinishFeed"] = "80";
  for (const auto& [k, v] : set) f[k] = v;
  return f;
}

OperationResult OperateFields(Job& job, OperationDialog d, const ConfigurationFields& f, const std::string& depth) {
  ApplyOperationFields(job, d, f, depth);
  return RunOperation(job, d);
}

OperationResult Operate(Job& job, OperationDialog d, const Set& set, const char* depth) {
  return OperateFields(job, d, Fields(d, set), depth);
}

// Every region selected; rough and finish toolpaths told apart by colour.
Job Selected(std::initializer_list<TTBRegion> regions) {
  Job job = JobOf(regions);
  job.MachiningParameters.Rough.PathColour = 0;
  job.MachiningParameters.Finish.PathColour = 1;
  SelectAllClosed(job);
  return job;
}

std::set<double> Depths(const Job& job, bool finish) {
  std::set<double> z;
  for (size_t i = 1; i < job.Toolpaths.size(); ++i)
    if ((job.Toolpaths[i].Colour == 1) == finish) z.insert(std::round(job.Toolpaths[i].Depth * 1e6) / 1e6);
  return z;
}

double MinDistance(const TTBOutRegion& t, const TTBRegion& r) {
  double d = 1e300;
  for (const auto& e : t.Entities)
    for (const Pt p : Samples(e, 8)) d = std::min(d, DistToRegion(p, r));
  return d;
}

TEST(PocketExamples, SquareRingsLevelsAndBothDirections) {
  for (bool inOut : {false, true}) {
    Job job = Selected({Square(0, 0, 10)});
    job.Options.PocketDir = inOut;
    const OperationResult r = Operate(
        job, OperationDialog::Pocket,
        {{"RoughDiameter", "1"}, {"RoughStepXY", "0.5"}, {"RoughStepZ", "0.5"}, {"RapidHeight", "2"}}, "1");
    ASSERT_TRUE(r.Made) << r.Message;
    EXPECT_EQ(r.Status, "Ready...");
    EXPECT_EQ(Depths(job, false), (std::set<double>{0.5, 1.0}));
    // Each level: rings at 0.5, 1.0, 1.5 ... from the walls.
    std::vector<double> level;
    for (size_t i = 1; i < job.Toolpaths.size(); ++i)
      if (job.Toolpaths[i].Depth == 0.5) level.push_back(MinDistance(job.Toolpaths[i], job.Regions[1]));
    ASSERT_GE(level.size(), 8u);
    std::vector<double> sorted = level;
    std::sort(sorted.begin(), sorted.end());
    for (size_t k = 0; k < sorted.size(); ++k) EXPECT_NEAR(sorted[k], 0.5 + 0.5 * k, 1e-6);
    // Out/In cuts the outermost ring first, In/Out the innermost; the
    // first ring is reached by a lift.
    EXPECT_NEAR(level.front(), inOut ? sorted.back() : 0.5, 1e-6);
    EXPECT_EQ(job.Toolpaths[1].LinkMode, LinkLift);
    EXPECT_EQ(job.Toolpaths[1].ApproachDepth, -2);
  }
  // A Z step of 0 cuts one level and is written back.
  Job job = Selected({Square(0, 0, 10)});
  Operate(job, OperationDialog::Pocket, {{"RoughDiameter", "1"}, {"RoughStepZ", "0"}}, "1.3");
  EXPECT_EQ(Depths(job, false), (std::set<double>{1.3}));
  EXPECT_EQ(job.MachiningParameters.Rough.ZStep, 1.3);
}

TEST(PocketExamples, AnIslandBelowTheTopGetsItsPlateau) {
  Job job = Selected({Square(0, 0, 30), Square(10, 10, 10)});
  job.Regions[1].Depth = 1;
  job.Regions[2].Depth = 0.4;
  ASSERT_TRUE(
      Operate(job, OperationDialog::Pocket, {{"RoughDiameter", "2"}, {"RoughStepXY", "1"}, {"RoughStepZ", "0.3"}}, "0")
          .Made);
  EXPECT_EQ(Depths(job, false), (std::set<double>{0.3, 0.4, 0.6, 0.9, 1.0}));
  // Rings pass over the island's area at 0.3 and 0.4 (its top cleared);
  // below 0.4 none comes nearer its walls than the tool radius.
  std::set<double> over;
  for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
    for (const auto& e : job.Toolpaths[i].Entities) {
      const TTBPoint m = EntityMidpoint(e);
      if (m.X > 10 && m.X < 20 && m.Y > 10 && m.Y < 20) over.insert(job.Toolpaths[i].Depth);
    }
    if (job.Toolpaths[i].Depth > 0.4) {
      EXPECT_GE(MinDistance(job.Toolpaths[i], job.Regions[2]), 1 - 5e-5);
    }
  }
  EXPECT_EQ(over, (std::set<double>{0.3, 0.4}));
}

TEST(PocketExamples, FinishPasses) {
  // Both plus bottom: the roughing stops above the floor, the walls are
  // finished at the finish radius, the floor cleared with the finish step.
  Job job = Selected({Square(0, 0, 20)});
  ASSERT_TRUE(Operate(job, OperationDialog::Pocket,
                      {{"RoughDiameter", "4"}, {"RoughStepXY", "2"}, {"RoughStepZ", "0.5"}, {"StockToLeave", "0.02"},
                       {"FinishPass", "True"}, {"Finish", "Both"}, {"FinishDiameter", "2"}, {"FinishStepXY", "1"},
                       {"FinishStepZ", "1"}},
                      "1")
                  .Made);
  EXPECT_EQ(job.MachiningParameters.FloorStock, 0.02);
  EXPECT_EQ(Depths(job, false), (std::set<double>{0.5, 0.98}));
  EXPECT_EQ(Depths(job, true), (std::set<double>{1.0}));
  int finish = 0;
  double nearest = 1e300;
  for (size_t i = 1; i < job.Toolpaths.size(); ++i)
    if (job.Toolpaths[i].Colour == 1) ++finish, nearest = std::min(nearest, MinDistance(job.Toolpaths[i], job.Regions[1]));
  EXPECT_GT(finish, 3);
  EXPECT_NEAR(nearest, 1.0, 1e-6);
  // Boundaries with tools of one size: only the island is finished.
  job = Selected({Square(0, 0, 30), Circle(15, 15, 3)});
  ASSERT_TRUE(Operate(job, OperationDialog::Pocket,
                      {{"RoughDiameter", "2"}, {"RoughStepXY", "1"}, {"RoughStepZ", "1"}, {"FinishPass", "True"},
                       {"Finish", "Boundaries"}, {"FinishDiameter", "2"}, {"FinishStepZ", "1"}},
                      "1")
                  .Made);
  finish = 0;
  for (size_t i = 1; i < job.Toolpaths.size(); ++i)
    if (job.Toolpaths[i].Colour == 1) {
      ++finish;
      EXPECT_NEAR(MinDistance(job.Toolpaths[i], job.Regions[2]), 1, 1e-6);
      EXPECT_GT(MinDistance(job.Toolpaths[i], job.Regions[1]), 5);
    }
  EXPECT_EQ(finish, 1);
}

// Random boundaries with random islands: every ring keeps its distance from
// the walls and islands, the levels follow the Z step, stay-down links are
// short and cross nothing.
TEST(PocketProperties, RingsKeepClearAndLinksStayShort) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> u(0, 1);
  int rings = 0, stayDown = 0;
  for (int s = 0; s < 60; ++s) {
    Job job = JobOf({Square(0, 0, 40 + 20 * u(rng))});
    const int islands = static_cast<int>(rng() % 4);
    for (int k = 0; k < islands; ++k) {
      const double x = 8 + 8 * k + 3 * u(rng), y = 8 + 20 * u(rng);
      job.Regions.push_back(rng() % 2 ? Circle(x, y, 1 + 2 * u(rng)) : Square(x - 2, y - 2, 2 + 2 * u(rng)));
    }
    job.Options.PocketDir = rng() % 2;
    SelectAllClosed(job);
    const double dia = 1 + 5 * u(rng), stock = rng() % 2 ? 0 : 0.2 * u(rng), zStep = 0.3 + u(rng);
    const double step = dia * (0.3 + 0.5 * u(rng)), depth = 1 + 2 * u(rng);
    // The fields as typed: six decimals.
    auto typed = [](double v) { return std::to_string(v); };
    ConfigurationFields f = Fields(OperationDialog::Pocket, {{"RapidHeight", "2"}, {"Finish", "Islands"}});
    f["RoughDiameter"] = typed(dia), f["StockToLeave"] = typed(stock), f["RoughStepZ"] = typed(zStep);
    f["RoughStepXY"] = typed(step);
    OperateFields(job, OperationDialog::Pocket, f, typed(depth));
    SCOPED_TRACE("drawing " + std::to_string(s));
    const double clear = dia / 2 + stock;
    const double d = FieldNumber(typed(depth)), zs = FieldNumber(typed(zStep));
    std::set<double> levels;
    for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
      const TTBOutRegion& t = job.Toolpaths[i];
      levels.insert(t.Depth);
      ++rings;
      for (size_t r = 1; r < job.Regions.size(); ++r) EXPECT_GE(MinDistance(t, job.Regions[r]), clear - 5e-5);
      for (const auto& e : t.Entities)
        for (const Pt p : Samples(e, 4))
          EXPECT_TRUE(p.x > 0 && p.y > 0 && p.x < job.Regions[1].XMax && p.y < job.Regions[1].YMax);
      if (t.LinkMode == LinkStayDown && i > 1) {
        ++stayDown;
        const TTBPoint a = PathEnd(job.Toolpaths[i - 1]), b = PathStart(t);
        EXPECT_LE(std::hypot(b.X - a.X, b.Y - a.Y), 3 * dia / 2 + 1e-9);
        EXPECT_EQ(job.Toolpaths[i - 1].Depth, t.Depth);
        // The link stays out of the islands' loops...
        const TTBEntity link = MakeLine(a.X, a.Y, b.X, b.Y);
        for (size_t r = 2; r < job.Regions.size(); ++r)
          for (const Pt p : Samples(link, 16)) EXPECT_GE(DistToRegion(p, job.Regions[r]), clear - 5e-5);
        // ...and crosses no other ring of its level.
        for (size_t j = 1; j < job.Toolpaths.size(); ++j) {
          if (j == i || j == i - 1 || job.Toolpaths[j].Depth != t.Depth) continue;
          TTBRegion other;
          other.Entities = job.Toolpaths[j].Entities;
          const auto pts = Polyline(other);
          for (size_t q = 0; q < pts.size(); ++q)
            EXPECT_FALSE(SegmentsCross({a.X, a.Y}, {b.X, b.Y}, pts[q], pts[(q + 1) % pts.size()]))
                << "link " << i << " crosses ring " << j;
        }
      }
    }
    // Levels every Z step, the last at the depth.
    std::vector<double> z(levels.begin(), levels.end());
    if (z.empty()) continue;
    EXPECT_NEAR(z.back(), d, 1e-9);
    for (size_t k = 0; k + 1 < z.size(); ++k) EXPECT_NEAR(z[k], zs * (k + 1), 1e-9);
  }
  EXPECT_GT(rings, 600);
  EXPECT_GT(stayDown, 100);
}

// Bad numbers, and feeds of 0 for passes that run, make no toolpaths (the
// feed's field named); a finish feed of 0 is no fault while no finish runs.
TEST(OperationFaults, BadFieldsMakeNoToolpathsNotAHang) {
  const char* const bad = "";  // refused, whatever the problem named
  const struct {
    OperationDialog dialog;
    Set set;
    const char* problem;  // nullptr: toolpaths are made
  } cases[] = {
      {OperationDialog::Pocket, {{"RoughStepXY", "-1"}}, bad},
      {OperationDialog::Pocket, {{"RoughDiameter", "0"}}, bad},
      {OperationDialog::Pocket, {{"RoughDiameter", "-3"}}, bad},
      {OperationDialog::Pocket, {{"RoughStepZ", "-0.5"}}, bad},
      {OperationDialog::Pocket, {{"RoughStepXY", "0.0000001"}}, bad},
      {OperationDialog::Pocket, {{"RoughStepZ", "0.0000000001"}}, bad},
      {OperationDialog::Pocket, {{"RapidHeight", "-5"}}, bad},
      {OperationDialog::Pocket, {{"RoughFeed", "0"}}, "RoughFeed must be greater than 0"},
      {OperationDialog::Pocket, {{"RoughPlunge", "0"}}, "RoughPlunge must be greater than 0"},
      {OperationDialog::Pocket, {{"FinishPass", "True"}, {"FinishDiameter", "1"}, {"FinishFeed", "0"}},
       "FinishFeed must be greater than 0"},
      {OperationDialog::Pocket, {{"FinishPass", "False"}, {"FinishFeed", "0"}}, nullptr},
      {OperationDialog::Contour, {{"FinishPass", "True"}, {"FinishDiameter", "1"}, {"FinishFeed", "0"}},
       "FinishFeed must be greater than 0"},
      // A cut-out has no finish pass.
      {OperationDialog::Contour, {{"FinishPass", "True"}, {"FinishFeed", "0"}, {"Compensation", "Cutout"}}, nullptr},
      {OperationDialog::Drill, {{"RoughPlunge", "0"}}, "RoughPlunge must be greater than 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set[0].first + std::string("=") + c.set[0].second);
    Job job = Selected({Square(0, 0, 10)});
    Set set = {{"RoughDiameter", "1"}, {"RoughStepXY", "0.5"}};
    set.insert(set.end(), c.set.begin(), c.set.end());
    const OperationResult r = Operate(job, c.dialog, set, "1");
    EXPECT_EQ(r.Made, c.problem == nullptr);
    if (c.problem) {
      EXPECT_EQ(r.Message, "Toolpaths not Created.  Check Parameters.");
      EXPECT_TRUE(!*c.problem || r.Problem == c.problem) << r.Problem;
    }
  }
  Job job = JobOf({Square(0, 0, 10)});
  EXPECT_EQ(Operate(job, OperationDialog::Pocket, {}, "1").Message, "Nothing Selected! - Select Regions First");
  SelectAllClosed(job);
  EXPECT_EQ(Operate(job, OperationDialog::Drill, {}, "-1").Message, "Toolpaths not Created.  Check Parameters.");
}

TEST(ContourExamples, LevelsNoneAndCutOut) {
  Job job = Selected({Square(0, 0, 10, 1)});
  EXPECT_FALSE(Operate(job, OperationDialog::Contour, {}, "0").Made);
  ASSERT_TRUE(
      Operate(job, OperationDialog::Contour, {{"RoughStepZ", "0.2"}, {"RoughDiameter", "2"}, {"Compensation", "Right"}}, "0.5")
          .Made);
  EXPECT_EQ(Depths(job, false), (std::set<double>{0.2, 0.4, 0.5}));
  // None: on the line, the stock left at the bottom, both radii zeroed.
  Operate(job, OperationDialog::Contour,
          {{"RoughDiameter", "2"}, {"StockToLeave", "0.01"}, {"Compensation", "None"}, {"FinishPass", "True"},
           {"FinishDiameter", "3"}},
          "1");
  EXPECT_EQ(job.MachiningParameters.Rough.Radius, 0);
  EXPECT_EQ(job.MachiningParameters.Finish.Radius, 0);
  EXPECT_NEAR(*Depths(job, false).rbegin(), 0.99, 1e-9);

  // The cut-out of a ring: outside the outer circle, inside the island, no
  // finishing pass.
  job = JobOf({Circle(0, 0, 10), Circle(0, 0, 4)});
  job.Options.Dir = true;
  for (size_t i = 1; i < 3; ++i) SetRegionDirection(job.Regions[i], 1);
  SelectAllClosed(job);
  job.Regions[1].Depth = job.Regions[2].Depth = 0;
  ASSERT_TRUE(Operate(job, OperationDialog::Contour,
                      {{"RoughDiameter", "2"}, {"Compensation", "Cutout"}, {"FinishPass", "True"}, {"FinishDiameter", "1"}},
                      "1")
                  .Made);
  ASSERT_EQ(job.Toolpaths.size(), 3u);
  for (size_t i = 1; i < 3; ++i) {
    const double r = std::fabs(job.Toolpaths[i].Entities.front().Radius);
    EXPECT_EQ(job.Toolpaths[i].IsIsland, r < 5 ? 1 : 0);
    EXPECT_NEAR(r, r < 5 ? 3 : 11, 1e-9);
  }
  // Paths whose ends meet follow each other without a lift.
  TTBRegionArray results = EmptyRegionList();
  for (double x : {0, 0, 20}) results.push_back(Square(x, 0, 5));
  LinkContourPaths(results, job.MachiningParameters, {0, 0});
  EXPECT_EQ(results[1].LinkMode, LinkRunStart);
  EXPECT_EQ(results[2].LinkMode, LinkStayDown);
  EXPECT_EQ(results[3].LinkMode, LinkLift);
}

// Random star outlines of both directions: a Right or Left contour runs at
// the tool radius from the outline, on the side of the travel asked for
// (right of a counter-clockwise outline is its outside).
TEST(ContourProperties, CompensationKeepsToItsSide) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<double> u(0, 1);
  int checked = 0;
  for (int s = 0; s < 60; ++s) {
    const int n = 5 + static_cast<int>(rng() % 10);
    TTBRegion r;
    std::vector<TTBPoint> pts;
    for (int k = 0; k < n; ++k) {
      const double a = 2 * M_PI * (k + 0.7 * u(rng)) / n, rad = 10 + 10 * u(rng);
      pts.push_back({rad * std::cos(a), rad * std::sin(a)});
    }
    for (int k = 0; k < n; ++k) r.Entities.push_back(MakeLine(pts[k].X, pts[k].Y, pts[(k + 1) % n].X, pts[(k + 1) % n].Y));
    UpdateRegionBox(r);
    const bool cw = rng() % 2;
    SetRegionDirection(r, cw);
    for (const char* comp : {"Right", "Left"}) {
      Job job = JobOf({r});
      job.Options.Dir = cw;
      SelectAllClosed(job);
      const Set set = {{"RoughDiameter", "1"}, {"Compensation", comp}, {"RoughStepZ", "0"}};
      ASSERT_TRUE(Operate(job, OperationDialog::Contour, set, "1").Made) << "outline " << s << " " << comp;
      const bool inside = (std::string(comp) == "Right") == cw;
      for (size_t i = 1; i < job.Toolpaths.size(); ++i)
        for (const auto& e : job.Toolpaths[i].Entities)
          for (const Pt p : Samples(e, 4)) {
            EXPECT_GE(DistToRegion(p, job.Regions[1]), 0.5 - 5e-5);
            EXPECT_EQ(PointInRegion({p.x, p.y}, job.Regions[1]), inside) << "outline " << s << " " << comp;
            ++checked;
          }
    }
  }
  EXPECT_GT(checked, 2000);
}

// A unit direction by finite differences at parameters t0..t1 of a piece.
TTBPoint Direction(const TTBEntity& en, double t0, double t1) {
  const auto at = [&en](double t) {
    if (en.Radius == 0) return Pt{en.X + (en.X2 - en.X) * t, en.Y + (en.Y2 - en.Y) * t};
    double start, sweep;
    ArcSpan(en, start, sweep);
    return ArcPoint(en, start + sweep * t);
  };
  const Pt p0 = at(t0), p1 = at(t1);
  const double l = std::hypot(p1.x - p0.x, p1.y - p0.y);
  return {(p1.x - p0.x) / l, (p1.y - p0.y) / l};
}

// Leads meet their path tangentially (arc, tangent) or square to it
// (perpendicular), on the side the table gives.
TEST(ContourProperties, LeadsMeetTheirPathAsTheyShould) {
  for (int type : {1, 2, 3})
    for (bool cw : {false, true})
      for (int comp : {0, 1, 2}) {
        SCOPED_TRACE("type " + std::to_string(type) + (cw ? " cw" : " ccw") + " comp " + std::to_string(comp));
        TTBOutRegionArray list = EmptyToolpathList();
        TTBOutRegion t;
        t.HasLeads = 1;
        const TTBEntity arc = MakeArc(0, 0, cw ? -5 : 5, 1.0, cw ? 0.2 : 1.8);
        t.Entities = {arc, MakeLine(EntityEnd(arc).X, EntityEnd(arc).Y, 7, 7)};
        list.push_back(t);
        TTBMachiningParameters p;
        p.EntryType = p.ExitType = type, p.Compensation = comp, p.EntryLength = p.ExitLength = 0.5;
        AddLeadMoves(list, 1, p, cw);
        const TTBEntity &in = list[1].EntryMove, &out = list[1].ExitMove;
        ASSERT_TRUE(in.Pending && out.Pending);
        const TTBPoint s = EntityStart(t.Entities[0]), e = EntityEnd(t.Entities[1]);
        const auto gap = [](TTBPoint a, TTBPoint b) { return std::hypot(a.X - b.X, a.Y - b.Y); };
        EXPECT_LT(gap(EntityEnd(in), s) + gap(EntityStart(out), e), 1e-9);
        const TTBPoint pathIn = Direction(t.Entities[0], 0, 1e-6), leadIn = Direction(in, 1 - 1e-6, 1);
        const TTBPoint pathOut = Direction(t.Entities[1], 1 - 1e-6, 1), leadOut = Direction(out, 0, 1e-6);
        const double dot = type == 2 ? 0 : 1;
        EXPECT_NEAR(pathIn.X * leadIn.X + pathIn.Y * leadIn.Y, dot, 1e-5);
        EXPECT_NEAR(pathOut.X * leadOut.X + pathOut.Y * leadOut.Y, dot, 1e-5);
        if (type == 3) continue;
        // Where the leads' far ends lie, left (+) or right (-) of travel: the
        // exit leaves on the side the entry came in.
        const double want = comp == 1 ? -1 : comp == 2 ? 1 : (cw ? -1 : 1);
        const TTBPoint far = EntityStart(in), farOut = EntityEnd(out);
        EXPECT_GT((pathIn.X * (far.Y - s.Y) - pathIn.Y * (far.X - s.X)) * want, 0);
        EXPECT_GT((pathOut.X * (farOut.Y - e.Y) - pathOut.Y * (farOut.X - e.X)) * want, 0);
      }
}

TEST(DrillExamples, NearestFromTheLowerLeftWithTiesToTheLowerNumber) {
  Job job = Selected({Circle(0, 0, 1), Circle(10, 0, 1), Circle(1, 1, 1)});
  ASSERT_TRUE(Operate(job, OperationDialog::Drill, {{"RapidHeight", "3"}}, "2").Made);
  ASSERT_EQ(job.Toolpaths.size(), 4u);
  const double want[3][2] = {{0, 0}, {1, 1}, {10, 0}};
  for (int k = 0; k < 3; ++k) {
    const TTBOutRegion& t = job.Toolpaths[k + 1];
    EXPECT_EQ(t.Entities[0].X, want[k][0]);
    EXPECT_EQ(t.Entities[0].Y, want[k][1]);
    EXPECT_EQ(t.LinkMode, LinkDrillCycle);
    EXPECT_EQ(t.ApproachDepth, -3);
    EXPECT_EQ(t.Depth, 2);
  }
  Job tie = JobOf({Circle(5, 0, 1), Circle(0, 5, 1), Square(-1, -1, 0.5)});
  tie.Regions[3].IsOpen = 1;  // an open profile moves the corner but is not drilled
  SelectAll(tie);
  Operate(tie, OperationDialog::Drill, {{"Linear", "True"}}, "1");
  ASSERT_EQ(tie.Toolpaths.size(), 3u);
  EXPECT_EQ(tie.Toolpaths[1].Entities[0].X, 5);
  EXPECT_EQ(tie.Toolpaths[1].LinkMode, LinkDrillLinear);
  EXPECT_EQ(tie.Regions[1].Selected, 1) << "the selection is as before";
}

// The ring order as a plain scan of every entity at every step finds it.
std::vector<TTBRegion> ScanOrder(TTBRegionArray rings) {
  double x = 1e300, y = 1e300;
  for (size_t i = 1; i < rings.size(); ++i)
    for (const auto& e : rings[i].Entities) x = std::min(x, e.XMin), y = std::min(y, e.YMin);
  std::vector<uint8_t> taken(rings.size(), 0);
  std::vector<TTBRegion> out;
  TTBPoint p{x, y};
  for (size_t step = 1; step < rings.size(); ++step) {
    double best = 1e300;
    size_t ring = 0, entity = 0;
    for (size_t i = 1; i < rings.size(); ++i)
      for (size_t k = 0; !taken[i] && k < rings[i].Entities.size(); ++k) {
        const double d = RingOrderDistance(rings[i].Entities[k], p);
        if (d <= best) best = d, ring = i, entity = k;
      }
    TTBRegion& r = rings[ring];
    const TTBPoint s = EntityStart(r.Entities[entity]), t = EntityEnd(r.Entities[entity]);
    if (std::hypot(p.X - t.X, p.Y - t.Y) <= std::hypot(p.X - s.X, p.Y - s.Y)) entity = (entity + 1) % r.Entities.size();
    std::rotate(r.Entities.begin(), r.Entities.begin() + static_cast<std::ptrdiff_t>(entity), r.Entities.end());
    taken[ring] = 1;
    p = RegionStart(r);
    out.push_back(r);
  }
  return out;
}

TEST(PocketOrder, IndexedSearchGivesThePlainScansOrder) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(0, 1);
  for (int s = 0; s < 40; ++s) {
    TTBRegionArray rings = EmptyRegionList();
    const int n = 2 + static_cast<int>(rng() % 60);
    for (int k = 0; k < n; ++k) {
      // Grid-snapped positions make equal distances, and so the tie rule, common.
      const double x = std::round(20 * u(rng)), y = std::round(20 * u(rng)), size = 1 + std::round(4 * u(rng));
      rings.push_back(rng() % 3 ? Square(x, y, size, rng() % 2) : Circle(x, y, size / 2));
    }
    const TTBRegionArray input = rings;
    Job job;
    job.CommandMode = ModePocket;
    OrderRings(OperationRecordsOf(job), rings, 1, false);
    const auto want = ScanOrder(input);
    ASSERT_EQ(rings.size(), want.size() + 1);
    for (size_t i = 1; i < rings.size(); ++i) {
      ASSERT_EQ(rings[i].Entities.size(), want[i - 1].Entities.size()) << "drawing " << s << " ring " << i;
      for (size_t k = 0; k < want[i - 1].Entities.size(); ++k) {
        EXPECT_EQ(rings[i].Entities[k].X, want[i - 1].Entities[k].X) << "drawing " << s << " ring " << i;
        EXPECT_EQ(rings[i].Entities[k].Y, want[i - 1].Entities[k].Y);
      }
    }
    int marked = 0;
    for (size_t i = 1; i < rings.size(); ++i) marked += rings[i].Selected;
    EXPECT_EQ(marked, 1) << "only the first ring keeps its mark";
  }
}

}  // namespace
}  // namespace tibrel
