#include <gtest/gtest.h>

#include <random>

#include "job/commands.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace testing_regions;

// The nesting itself is checked against every pair below; here the counts.
TEST(Islands, SquareInSquareInSquare) {
  Job job = JobOf({Square(0, 0, 30), Square(5, 5, 20), Square(10, 10, 10)});
  EXPECT_EQ(SelectAllClosed(job).Status, "2 Boundaries 1  Islands Selected");
  EXPECT_EQ(job.Regions[3].NestCount, 2u);
  // A second run classifies nothing: every selected region counts as a boundary.
  EXPECT_EQ(SelectAllClosed(job).Status, "3 Boundaries 0  Islands Selected");
}

TEST(Islands, SelectAllCountsOpenAndEarlierRegionsAsBoundaries) {
  Job job = JobOf({OpenLine(0, -5, 1, -5), OpenLine(0, -6, 1, -6), OpenLine(0, -7, 1, -7), Square(0, 0, 10),
                   Square(2, 2, 5)});
  const CommandResult res = SelectAll(job);
  EXPECT_EQ(res.Status, "4 Boundaries 1  Islands Selected");
  EXPECT_TRUE(res.Message.empty());

  Job closedOnly = JobOf({Square(0, 0, 10)});
  const CommandResult r2 = SelectAll(closedOnly);
  EXPECT_EQ(r2.Message, "Nothing Is Selected");
  EXPECT_EQ(r2.Status, "1 Boundaries 0  Islands Selected");
}

TEST(Islands, SelectRegionTakesOpenRegionsInsideAndItsIslands) {
  Job job = JobOf({Square(0, 0, 10), OpenLine(2, 2, 8, 3), Circle(5, 7, 1), OpenLine(20, 0, 30, 0)});
  SelectRegionNumber(job, 1);
  EXPECT_EQ(job.Regions[1].Selected, 1);
  EXPECT_EQ(job.Regions[2].Selected, 1);
  EXPECT_EQ(job.Regions[3].IslandOf, 1u);
  EXPECT_EQ(job.Regions[4].Selected, 0);
  // Clicking on the outline picks it; deselecting takes the island too.
  DeselectRegionAt(job, {0.01, 5}, 0.1);
  EXPECT_EQ(job.Regions[1].Selected, 0);
  EXPECT_EQ(job.Regions[3].Selected, 0);
}

TEST(Islands, EscStopsDetectionAndKeepsTheMarks) {
  Job job = JobOf({Square(0, 0, 30), Square(5, 5, 20)});
  for (int i = 0; i < 200; ++i) job.Regions.push_back(Circle(100 + 3 * i, 0, 1));
  struct Esc : Progress {
    Job* job;
    void Pump() override { job->CommandMode = 0; }
  } esc;
  esc.job = &job;
  job.ProgressSink = &esc;
  EXPECT_EQ(SelectAllClosed(job).Status, "Process Cancelled...");
  for (const auto& r : job.Regions) EXPECT_EQ(r.Selected, 0);
}

TEST(Selection, EmptyCircles) {
  Job job = JobOf({Circle(0, 0, 5), OpenLine(-1, 0, 1, 0), Circle(20, 0, 2), OpenLine(15, 0, 18, 0)});
  // The second line ends exactly on the rim of the second circle: still empty.
  SelectEmptyCircles(job);
  EXPECT_EQ(job.Regions[1].Selected, 0);
  EXPECT_EQ(job.Regions[3].Selected, 1);
  DeselectEmptyCircles(job);
  EXPECT_EQ(job.Regions[3].Selected, 0);
}

TEST(Selection, WindowsAndAllAsIslands) {
  Job job = JobOf({Square(0, 0, 50), Circle(10, 10, 2), Circle(30, 30, 2), OpenLine(60, 0, 70, 0)});
  SelectWindow(job, {5, 5}, {40, 40});
  EXPECT_EQ(job.Regions[1].Selected, 0);
  EXPECT_EQ(job.Regions[2].Selected, 1);
  EXPECT_EQ(job.Regions[2].IslandOf, 0u);  // its encloser's test point is outside the window
  DeselectWindow(job, {25, 25}, {40, 40});
  EXPECT_EQ(job.Regions[3].Selected, 0);

  DeselectAll(job);
  EXPECT_EQ(SelectAllAsIslands(job, 0.5).Status, "3  Islands Selected");
  EXPECT_EQ(job.Regions[0].IslandOf, 1u);
  EXPECT_EQ(job.Regions[1].IslandOf, 0u);
  EXPECT_EQ(job.Regions[2].IslandOf, 1u);
  DeselectAll(job);
  EXPECT_EQ(job.Regions[0].IslandOf, 0u);
}

TEST(Selection, SingleBoundaryAndIsland) {
  Job job = JobOf({Square(0, 0, 10), Circle(5, 5, 1)});
  EXPECT_EQ(SingleBoundaryNumber(job, 1).Status, "");
  EXPECT_EQ(SingleBoundaryNumber(job, 1).Status, "Region 1 Already Selected");
  job.CommandMode = ModeSingleIsland;
  EXPECT_EQ(SingleIslandAt(job, {0, 3}, 0.1).Status, "Select Island To 1");
  EXPECT_EQ(job.CommandMode, ModeSingleIslandBoundary);
  SingleIslandAt(job, {6, 5}, 0.1);
  EXPECT_EQ(job.Regions[2].IslandOf, 1u);
  EXPECT_EQ(job.Regions[2].NestCount, 1u);
}

TEST(MachiningOrder, ClicksFillPositionsFromTheStartNumber) {
  Job job = JobOf({OpenLine(0, 0, 1, 0), OpenLine(0, 1, 1, 1), OpenLine(0, 2, 1, 2), OpenLine(0, 3, 1, 3),
                   OpenLine(0, 4, 1, 4)});
  BeginMachiningOrder(job, 3);
  EXPECT_EQ(MachiningOrderPick(job, 1).Status, "Next sequence number is 4");
  EXPECT_EQ(MachiningOrderPick(job, 2).Status, "Next sequence number is 5");
  EXPECT_EQ(MachiningOrderPick(job, 5).Status, "Machining Order Set...");
  EXPECT_EQ(job.CommandMode, ModeIdle);
  EXPECT_EQ(job.Regions[3].YMin, 0);
  EXPECT_EQ(job.Regions[4].YMin, 1);

  // By the numbers the user saw before the first click.
  Job other = JobOf({OpenLine(0, 0, 1, 0), OpenLine(0, 1, 1, 1), OpenLine(0, 2, 1, 2)});
  EXPECT_EQ(SetMachiningOrder(other, 1, {3, 1, 2}).Status, "Machining Order Set...");
  EXPECT_EQ(other.Regions[1].YMin, 2);
  EXPECT_EQ(other.Regions[2].YMin, 0);
  EXPECT_EQ(other.Regions[3].YMin, 1);
}

// --- the indexed classification against every pair ---

void ExpectSameClassification(const Job& got, const Job& want, unsigned seed) {
  for (size_t i = 1; i < got.Regions.size(); ++i) {
    const TTBRegion &g = got.Regions[i], &w = want.Regions[i];
    EXPECT_EQ(g.Selected, w.Selected) << seed << " " << i;
    EXPECT_EQ(g.IslandOf, w.IslandOf) << seed << " " << i;
    EXPECT_EQ(g.Encloser, w.Encloser) << seed << " " << i;
    EXPECT_EQ(g.NestCount, w.NestCount) << seed << " " << i;
  }
}

void PlainSelectAllClosed(Job& job) {
  TTBRegionArray& R = job.Regions;
  const double toX = job.DrawingExtents.XMax + 1;
  for (size_t i = 1; i < R.size(); ++i) {
    if (R[i].Selected || R[i].IsOpen) continue;
    const TTBPoint t = EntityInteriorPoint(R[i].Entities[0]);
    uint32_t count = 0;
    size_t nearest = 0;
    double best = 0;
    for (size_t j = 1; j < R.size(); ++j) {
      if (j == i || R[j].IsOpen || !BoxInside(R[j], R[i]) || !PointInRegion(t, R[j])) continue;
      ++count;
      const double p = RayHitParameter(R[j], t, toX);
      if (nearest == 0 || p < best) nearest = j, best = p;
    }
    R[i].Selected = 1;
    R[i].NestCount = count;
    R[i].IslandOf = count % 2 ? static_cast<uint32_t>(nearest) : 0;
    R[i].Encloser = static_cast<uint32_t>(nearest ? nearest : i);
  }
}

TEST(IslandsDifferential, IndexedClassificationMatchesEveryPair) {
  int regions = 0;
  for (unsigned seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    Job job = JobOf({});
    for (int k = 0; k < 60; ++k) {
      const double x = std::floor(u(rng) * 50), y = std::floor(u(rng) * 50), s = 1 + std::floor(u(rng) * 30);
      switch (rng() % 4) {
        case 0: job.Regions.push_back(Square(x, y, s, rng() % 2)); break;
        case 1: job.Regions.push_back(Circle(x, y, s / 2)); break;
        case 2: job.Regions.push_back(Square(x, y, s / 2)); job.Regions.back().Selected = rng() % 3 == 0; break;
        default: job.Regions.push_back(OpenLine(x, y, x + s, y + 1));
      }
    }
    job.DrawingExtents = RegionExtents(job.Regions);
    Job plain = job;
    SelectAllClosed(job);
    PlainSelectAllClosed(plain);
    ExpectSameClassification(job, plain, seed);
    for (const auto& r : job.Regions) regions += r.IslandOf != 0;
  }
  EXPECT_GT(regions, 100);  // the drawings really nest
}

// Select Region on a boundary classifies the closed regions inside it as
// Select All Closed does, overlapping ones too: a region whose test point
// lies in a neighbour that does not hold its whole box is not enclosed by
// that neighbour (region 2's test point (17.2,10) lies inside region 3).
TEST(IslandsDifferential, SelectRegionClassifiesLikeSelectAllClosed) {
  {
    Job job = JobOf({Square(0, 0, 100), Square(10, 10, 30), Square(15, 5, 30)});
    SelectRegionNumber(job, 1);
    EXPECT_EQ(job.Regions[2].IslandOf, 1u);
    EXPECT_EQ(job.Regions[3].IslandOf, 1u);
    EXPECT_EQ(job.Regions[2].NestCount, 1u);
  }
  int islands = 0, boundaries = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0, 1);
    // A plate anywhere in the list; overlapping squares and circles inside.
    Job job = JobOf({});
    const size_t plate = 1 + rng() % 5;
    for (size_t k = 1; k <= 30; ++k) {
      if (k == plate) {
        job.Regions.push_back(Square(0, 0, 100, rng() % 2));
        continue;
      }
      const double s = 2 + 30 * u(rng), x = 1 + (97 - s) * u(rng), y = 1 + (97 - s) * u(rng);
      if (rng() % 2) job.Regions.push_back(Square(x, y, s, rng() % 2));
      else job.Regions.push_back(Circle(x + s / 2, y + s / 2, s / 2));
    }
    job.DrawingExtents = RegionExtents(job.Regions);
    Job all = job;
    SelectAllClosed(all);
    SelectRegionNumber(job, plate);
    ExpectSameClassification(job, all, seed);
    for (size_t i = 1; i < all.Regions.size(); ++i) (all.Regions[i].IslandOf ? islands : boundaries)++;
  }
  EXPECT_GT(boundaries, 100);  // regions nested twice and more, not only islands of the plate
  EXPECT_GT(islands, 500);
}

// An Esc pressed before a command (to leave a click mode) is not a request to
// stop the pass that the command starts next.
class StaleEscape : public testing::TestWithParam<std::pair<const char*, CommandResult (*)(Job&)>> {};

TEST_P(StaleEscape, DoesNotStopTheNextPass) {
  Job job = JobOf({Square(0, 0, 30), Square(5, 5, 20)});
  job.CancelRequested = 1;
  const CommandResult res = GetParam().second(job);
  EXPECT_NE(res.Status, "Process Cancelled...");
  EXPECT_EQ(job.Regions[1].Selected, 1);
  EXPECT_EQ(job.Regions[2].Selected, 1);
  EXPECT_EQ(job.CancelRequested, 0);
  EXPECT_EQ(job.CommandMode, ModeIdle);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StaleEscape,
    testing::Values(std::pair{"SelectAllClosed", +[](Job& j) { return SelectAllClosed(j); }},
                    std::pair{"SelectAll", +[](Job& j) { return SelectAll(j); }},
                    std::pair{"SelectAllAsIslands", +[](Job& j) { return SelectAllAsIslands(j, 0.01); }}),
    [](const auto& info) { return std::string(info.param.first); });

}  // namespace
}  // namespace tibrel
