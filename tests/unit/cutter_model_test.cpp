// The cutter model checked on programs written by hand, whose faults are
// known, and its distances against dense sampling.
#include "cutter_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "cutter_geometry.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace cutter;

// A pocket 40 x 40, 5 deep, round an island (10,10)-(20,20) that stands to
// the top; two tools of radius 2.
TTBRegionArray PocketWithIsland() {
  TTBRegionArray regions = EmptyRegionList();
  regions.push_back(testing_regions::Square(0, 0, 40));
  regions.push_back(testing_regions::Square(10, 10, 10));
  for (size_t i = 1; i < regions.size(); ++i) regions[i].Selected = 1;
  regions[1].Depth = 5;
  return regions;
}

const ToolTable Tools = {{1, {2, 2}}, {2, {2, 2}}};
const std::string Start = "G21 G90\nT1 M06\nS1000 M03\n";

struct Case {
  const char* name;
  std::string program;
  std::multiset<std::string> checks;  // what the model must find, one per violation
};

class HandWrittenPrograms : public testing::TestWithParam<Case> {};

TEST_P(HandWrittenPrograms, BreakExactlyTheirRules) {
  const Case& c = GetParam();
  const Program p = ReadProgram(c.program);
  const Violations v = CheckCutter(p, PocketPart(PocketWithIsland()), Tools);
  std::multiset<std::string> found;
  for (const auto& x : v) found.insert(x.check);
  EXPECT_EQ(found, c.checks) << Report(v, p, 10);
}

// Arcs are measured exactly: the arc of radius 8 about the island's centre
// passes its corner at 8 - 5 sqrt 2.
TEST(CutterChecks, ArcsAreMeasuredExactly) {
  const Program p = ReadProgram(Start + "G00 X7 Y15 Z2\nG01 Z-1 F100\nG02 X15 Y23 I8 J0\n");
  const Violations v = CheckCutter(p, PocketPart(PocketWithIsland()), Tools);
  ASSERT_FALSE(v.empty());
  EXPECT_NE(v[0].what.find("axis " + std::to_string(8 - 5 * std::sqrt(2.0)).substr(0, 6)), std::string::npos)
      << v[0].what;
}

const std::string Cut = "G00 X5 Y5 Z2\nG01 Z-1 F100\nG01 X35 F300\n";
const std::string End = "G00 Z2\nM05\nM30\n";

INSTANTIATE_TEST_SUITE_P(
    Model, HandWrittenPrograms,
    testing::Values(
        Case{"Clean", Start + Cut + "G00 X5\n" + End, {}},
        Case{"LineNearAnIslandCorner", Start + Cut + "G01 X5 Y5\nX35 Y12\n" + End, {"gouge"}},
        Case{"ArcRoundAnIslandCorner", Start + "G00 X7 Y15 Z2\nG01 Z-1 F100\nG02 X15 Y23 I8 J0\n" + End, {"gouge"}},
        Case{"BelowTheFloor", Start + Cut + "G01 Z-6\n" + End, {"gouge"}},
        Case{"RapidOverUncutGround", Start + Cut + "G00 Y35\n" + End, {"rapid"}},
        Case{"LeftOverRapidMode",
             Start + Cut + "M05\nG53 G00 Z0\nT2 M06\nS1000 M03\nZ-1 F100\nX5 F300\n" + End,
             {"stop", "modal", "modal"}},
        Case{"PauseForAToolInTheCut",
             Start + Cut + "M5\n(Change to tool T2)\nM0\nS1000 M3\n" + End,
             {"stop", "stop", "stop"}},
        Case{"ZeroAndMissingFeeds", Start + "G00 X5 Y5 Z2\nG01 Z-1\nX35 F0\n" + End, {"feed0", "feed0"}},
        Case{"FirstPlungeFromNowhere", Start + "G01 X5 Y5 Z-1 F100\nX35 F300\n" + End, {"entry"}},
        Case{"FirstPlungeOnASlant", Start + "G00 X5 Y5 Z2\nG01 X6 Y6 Z-1 F100\nX35 F300\n" + End, {"entry"}},
        Case{"CutWithTheSpindleStopped", Start + "M05\n" + Cut + End, {"spindle", "spindle"}},
        Case{"EndInTheCut", Start + Cut + "M30\n", {"stop", "stop"}},
        Case{"DrillCyclesOverThePocket", Start + "G00 X5 Y5 Z5\nG81 X5 Y5 Z-3 R2 F100\nG81 X30 Y5\nG80\n" + End, {}},
        Case{"WordsNotUnderstood",
             Start + "G91\nG00 X5 Y5 Z2\nG02 X6 Y5 I0 J0\nM98\n" + End,
             {"reader", "reader", "reader"}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(CutterReader, ModesUnitsCyclesAndTools) {
  const Program p = ReadProgram(
      "(Tool 1 = Flat 3mm T9a)\n%\nN10 G20 G00 X1 Y1 Z0.1\nN20 G01 Z-0.1 F10\nT3 M06\n"
      "G81 X2 Y1 Z-0.2 R0.1 F5\nG80\nG53 G00 Z0\n X0\nG21 G00 Z5.08\n");
  ASSERT_TRUE(p.problems.empty()) << Report(p.problems, p);
  ASSERT_EQ(p.moves.size(), 9u);
  // The cycle from below R: up to R, over, the feed, back to R.
  EXPECT_EQ(p.moves[2].z1, 0.1);
  EXPECT_EQ(p.moves[3].kind, Motion::Rapid);
  EXPECT_EQ(p.moves[3].x1, 2);
  EXPECT_EQ(p.moves[4].kind, Motion::Line);
  EXPECT_EQ(p.moves[4].z1, -0.2);
  EXPECT_EQ(p.moves[4].tool, 3);
  EXPECT_EQ(p.moves[5].z1, 0.1);
  // Machine Z 0 is above everything; the line after it is still a rapid.
  EXPECT_EQ(p.moves[6].z1, SafeZ);
  EXPECT_EQ(p.moves[7].kind, Motion::Rapid);
  EXPECT_EQ(p.moves[7].x1, 0);
  // Units stay those of the first unit word: 5.08 mm is 0.2 in.
  EXPECT_NEAR(p.moves[8].z1, 0.2, 1e-12);
  EXPECT_EQ(p.codes.front(), "G20");
  // T3 M06 is one tool change, made in the cut.
  ASSERT_EQ(p.events.size(), 1u);
  EXPECT_EQ(p.events[0].kind, Stop::ToolChange);
  EXPECT_EQ(p.events[0].z, -0.1);
}

// A toolpath list's cuts and holes found in a program, and the ones that
// are missing named.
TEST(CutterReader, MissingCutsAreNamed) {
  TTBOutRegionArray list = EmptyToolpathList();
  TTBOutRegion path;
  path.Depth = 1;
  path.LinkMode = LinkLift;
  path.Entities = {MakeLine(5, 5, 35, 5), MakeLine(35, 5, 35, 8)};
  list.push_back(path);
  TTBOutRegion hole;
  hole.Depth = 3;
  hole.LinkMode = LinkDrillCycle;
  hole.Entities = {MakeLine(30, 5, 30, 5)};
  list.push_back(hole);
  const Program p = ReadProgram(Start + Cut + "G00 Z2\nG81 X30 Y5 Z-3 R2 F100\n");
  const Violations v = MissingCuts(p, list);
  ASSERT_EQ(v.size(), 1u) << Report(v, p);
  EXPECT_NE(v[0].what.find("35.0000,5.0000 to 35.0000,8.0000"), std::string::npos);
}

// Random lines and arcs: the exact distance is never more than the
// distance of the nearest samples, and not less by more than a sample step.
TEST(CutterGeometry, DistancesAgreeWithDenseSampling) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1, 1);
  auto curve = [&] {
    if (rng() % 2) return LineCurve(5 * u(rng), 5 * u(rng), 5 * u(rng), 5 * u(rng));
    const double sweep = rng() % 5 == 0 ? 2 * M_PI * (u(rng) > 0 ? 1 : -1) : 2 * M_PI * u(rng);
    return ArcCurve(3 * u(rng), 3 * u(rng), 0.2 + 3 * std::fabs(u(rng)), M_PI * u(rng), sweep);
  };
  constexpr int n = 400;
  int checked = 0;
  for (int k = 0; k < 150; ++k) {
    const Curve a = curve(), b = curve();
    double sampled = 1e300;
    for (int i = 0; i <= n; ++i) sampled = std::min(sampled, PointDistance(CurvePoint(a, double(i) / n), b));
    const double exact = CurveDistance(a, b), step = (CurveLength(a) + CurveLength(b)) / n;
    EXPECT_LE(exact, sampled + 1e-9) << "pair " << k;
    EXPECT_GE(exact, sampled - step) << "pair " << k;
    // The deepest height within reach: a point of the curve within reach
    // of q at a parameter no sample beats.
    const TTBPoint q{4 * u(rng), 4 * u(rng)};
    const double reach = 0.5 + 2 * std::fabs(u(rng));
    std::optional<double> deepest;
    for (int i = 0; i <= n; ++i) {
      const TTBPoint p = CurvePoint(a, double(i) / n);
      if (std::hypot(p.X - q.X, p.Y - q.Y) <= reach) deepest = std::min(deepest.value_or(1e300), -1.0 * i / n);
    }
    const auto exactDeepest = DeepestWithin(a, 0, -1, reach, q);
    if (deepest) {
      ASSERT_TRUE(exactDeepest.has_value()) << "pair " << k;
      EXPECT_LE(*exactDeepest, *deepest + 1e-9);
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}

}  // namespace
}  // namespace tibrel
