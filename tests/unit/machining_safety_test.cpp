// Programs made from drawings as the command line makes them, run through
// the cutter model: no gouge, no rapid through material, no stop in the cut,
// no zero feed, a known first plunge, every cut made. The shipped settings
// are read from resources/; nothing is written, programs stay in memory.
// A failure tells, per rule, how many programs broke it and the first
// place; TIBREL_CUTTER_DETAIL=N adds the first N violations of every program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <ostream>
#include <random>
#include <set>

#include "../../bench/gear.h"
#include "core/ini.h"
#include "cutter_model.h"
#include "dxf_text.h"
#include "job/commands.h"
#include "job/open_drawing.h"
#include "job/operations.h"
#include "job/startup.h"
#include "post/nc_writer.h"
#include "shipped_settings.h"

namespace tibrel {
namespace {

using cutter::Violations;

const std::string Source = TIBREL_SOURCE_DIR;

enum class Op { Pocket, ContourNone, ContourRight, ContourLeft, CutOut, Drill };

const char* OpName(Op op) {
  static const char* names[] = {"Pocket", "Contour None", "Contour Right", "Contour Left", "Contour Cutout", "Drill"};
  return names[static_cast<int>(op)];
}

void PrintTo(Op op, std::ostream* os) { *os << OpName(op); }

OperationDialog DialogOf(Op op) {
  return op == Op::Pocket  ? OperationDialog::Pocket
         : op == Op::Drill ? OperationDialog::Drill
                           : OperationDialog::Contour;
}

using testing_settings::ShippedPosts;
using testing_settings::StartedJob;

// Two tools: a 6 mm roughing cutter leaving 0.2 on the walls and a 4 mm
// finishing cutter; a 3 mm drill.
struct Plan {
  Op op = Op::Pocket;
  double rapid = 5;
  std::string lead = "None";
  double leadLength = 2;
  std::string depth;
  ConfigurationFields set;  // fields over the ones below
};

ConfigurationFields FieldsOf(const Plan& p) {
  const OperationDialog d = DialogOf(p.op);
  ConfigurationFields f = DefaultConfigurationFields(d);
  const std::string lead = std::to_string(p.leadLength);
  f["RapidHeight"] = std::to_string(p.rapid), f["StartAt"] = "100", f["Increment"] = "5";
  if (p.op == Op::Drill) {
    f["RoughTool"] = "3", f["RoughDiameter"] = "3", f["RoughPlunge"] = "100", f["RoughRPM"] = "3000";
  } else {
    f["RoughTool"] = "1", f["RoughDiameter"] = "6", f["RoughStepXY"] = "2", f["RoughStepZ"] = "2";
    f["StockToLeave"] = "0.2", f["RoughFeed"] = "600", f["RoughPlunge"] = "200", f["RoughRPM"] = "12000";
    f["FinishPass"] = "True", f["Finish"] = "Both", f["FinishTool"] = "2", f["FinishDiameter"] = "4";
    f["FinishStepXY"] = "1.5", f["FinishStepZ"] = "4", f["FinishFeed"] = "300", f["FinishRPM"] = "15000";
    f["Entry"] = p.lead, f["Exit"] = p.lead, f["EntryLength"] = lead, f["ExitLength"] = lead;
    static const char* comp[] = {"", "None", "Right", "Left", "Cutout"};
    if (p.op != Op::Pocket) f["Compensation"] = comp[static_cast<int>(p.op)];
  }
  for (const auto& [k, v] : p.set) f[k] = v;
  return f;
}

std::string DefaultDepth(Op op) { return op == Op::Pocket ? "8" : op == Op::Drill ? "5" : "6"; }

void SelectFor(Job& job, Op op) {
  if (op == Op::Drill) {
    // The empty circles, else (a drawing without any) every closed region.
    SelectEmptyCircles(job);
    bool closed = false;
    for (size_t i = 1; i < job.Regions.size(); ++i)
      closed = closed || (job.Regions[i].Selected && !job.Regions[i].IsOpen);
    if (!closed) DeselectAll(job), SelectAllClosed(job);
  } else if (op == Op::Pocket || op == Op::CutOut) {
    SelectAllClosed(job);
  } else {
    SelectAll(job);
  }
}

OperationResult Generate(Job& job, const Plan& p) {
  SelectFor(job, p.op);
  ApplyOperationFields(job, DialogOf(p.op), FieldsOf(p), p.depth.empty() ? DefaultDepth(p.op) : p.depth);
  return RunOperation(job, DialogOf(p.op));
}

// The tools by number, from the typed fields (a contour on the line keeps
// no distance from the drawing).
cutter::ToolTable ToolsOf(const Plan& p) {
  const ConfigurationFields f = FieldsOf(p);
  auto num = [&](const char* k) { return FieldNumber(f.at(k)); };
  cutter::ToolTable t;
  const double rough = num("RoughDiameter") / 2, stock = p.op == Op::Drill ? 0 : num("StockToLeave");
  const bool onLine = p.op == Op::ContourNone || p.op == Op::Drill;
  t[static_cast<int>(num("RoughTool"))] = {rough, onLine ? 0 : rough + stock};
  if (p.op != Op::Drill && f.at("FinishPass") == "True") {
    const double finish = num("FinishDiameter") / 2;
    t[static_cast<int>(num("FinishTool"))] = {finish, onLine ? 0 : finish};
  }
  return t;
}

cutter::Part PartOf(const Plan& p, const TTBRegionArray& regions) {
  switch (p.op) {
    case Op::Pocket:
      return cutter::PocketPart(regions);
    case Op::ContourRight:
    case Op::ContourLeft:
      return cutter::SidesPart(regions);
    case Op::CutOut:
      return cutter::CutOutPart(regions);
    default:
      return {};
  }
}

std::string ProgramOf(const Job& job, const std::string& postName, const std::string& drawing) {
  TTBPostProcessor post = ShippedPosts().at(postName);
  post.Start = job.CurrentPost.Start, post.Increment = job.CurrentPost.Increment;
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 0, tm.tm_mday = 5, tm.tm_hour = 12, tm.tm_isdst = -1;
  const auto comments = NcCommentLines(post, job.MachiningParameters, drawing, std::mktime(&tm), job.DrawingUnits);
  return NcProgramText(job.Toolpaths, comments, job.MachiningParameters, post, job.DrawingUnits);
}

// Everything the model says about one program.
struct Verdict {
  std::string label;
  cutter::Program program;
  Violations violations;
};

Verdict Judge(const Job& job, const Plan& p, const std::string& postName, const std::string& label) {
  Verdict v{label, cutter::ReadProgram(ProgramOf(job, postName, "drawing")), {}};
  const cutter::ToolTable tools = ToolsOf(p);
  v.violations = cutter::CheckCutter(v.program, PartOf(p, job.Regions), tools);
  const Violations missing = cutter::MissingCuts(v.program, job.Toolpaths);
  v.violations.insert(v.violations.end(), missing.begin(), missing.end());
  if (p.op == Op::ContourNone || p.op == Op::ContourRight || p.op == Op::ContourLeft) {
    const int side = p.op == Op::ContourNone ? 0 : p.op == Op::ContourRight ? 1 : 2;
    const double bottom = p.op == Op::ContourNone ? FieldNumber(FieldsOf(p).at("StockToLeave")) : 0;
    const Violations uncut = cutter::UncutOpenProfiles(v.program, job.Regions, tools, side, bottom);
    v.violations.insert(v.violations.end(), uncut.begin(), uncut.end());
  }
  return v;
}

// A short account of many programs: how many broke each rule, and the
// first violation of each rule with its program and line.
class Tally {
 public:
  void Add(Verdict v) {
    ++programs_;
    moves_ += cutter::MovesBelowTop(v.program);
    if (v.violations.empty()) return;
    ++failed_;
    // TIBREL_CUTTER_DETAIL=N tells the first N violations of every program.
    if (const char* n = std::getenv("TIBREL_CUTTER_DETAIL"))
      details_ += "\n  " + v.label + ": " + cutter::Report(v.violations, v.program, std::strtoul(n, nullptr, 10));
    std::set<std::string> seen;
    for (const auto& x : v.violations) {
      ++counts_[x.check];
      if (seen.insert(x.check).second) ++programsBy_[x.check];
      if (!first_.count(x.check)) first_[x.check] = v.label + ": " + cutter::Describe(x, v.program);
    }
  }
  size_t Moves() const { return moves_; }
  size_t Programs() const { return programs_; }
  bool Clean() const { return failed_ == 0; }
  std::string Text() const {
    std::string out = std::to_string(failed_) + " of " + std::to_string(programs_) + " programs break the rules:";
    for (const auto& [check, n] : counts_)
      out += "\n  " + check + ": " + std::to_string(n) + " in " + std::to_string(programsBy_.at(check)) +
             " programs; first in " + first_.at(check);
    return out + details_;
  }

 private:
  size_t programs_ = 0, failed_ = 0, moves_ = 0;
  std::map<std::string, size_t> counts_, programsBy_;
  std::map<std::string, std::string> first_;
  std::string details_;
};

std::string Example(const std::string& name) { return Source + "/examples/" + name; }

Job OpenedJob(const std::string& path) {
  Job job = StartedJob();
  EXPECT_TRUE(OpenDxfFile(job, path).Loaded) << path;
  return job;
}

// --- every example x every operation x every shipped post x rapid height x leads ---

struct ExampleCase {
  const char* drawing;
  Op op;
};

void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.drawing << " " << OpName(c.op); }

class ExamplePrograms : public testing::TestWithParam<ExampleCase> {};

TEST_P(ExamplePrograms, PassTheCutterModel) {
  const ExampleCase c = GetParam();
  Tally tally;
  const std::vector<std::string> leads = c.op == Op::Drill
                                             ? std::vector<std::string>{"None"}
                                             : std::vector<std::string>{"None", "Arc", "Tangent", "Perpendicular"};
  for (const double rapid : {0.0, 2.0, 5.0})
    for (const auto& lead : leads) {
      Plan p;
      p.op = c.op, p.rapid = rapid, p.lead = lead;
      Job job = OpenedJob(Example(c.drawing));
      const OperationResult r = Generate(job, p);
      ASSERT_TRUE(r.Made) << r.Message;
      for (const auto& [post, unused] : ShippedPosts()) {
        char label[160];
        std::snprintf(label, sizeof label, "%s RapidHeight %g leads %s", post.c_str(), rapid, lead.c_str());
        tally.Add(Judge(job, p, post, label));
      }
    }
  EXPECT_GT(tally.Moves(), c.op == Op::Drill ? 10u : 500u) << "the programs cut nothing";
  EXPECT_TRUE(tally.Clean()) << c.drawing << " " << OpName(c.op) << ": " << tally.Text();
}

std::vector<ExampleCase> ExampleCases() {
  std::vector<ExampleCase> out;
  for (const char* d : {"bracket.dxf", "plate_islands.dxf", "open_profiles.dxf"})
    for (Op op : {Op::Pocket, Op::ContourNone, Op::ContourRight, Op::ContourLeft, Op::CutOut, Op::Drill})
      out.push_back({d, op});
  return out;
}

std::string CaseName(const testing::TestParamInfo<ExampleCase>& info) {
  std::string n = std::string(info.param.drawing).substr(0, std::string(info.param.drawing).find('.')) + "_" +
                  OpName(info.param.op);
  for (auto& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExamplePrograms, testing::ValuesIn(ExampleCases()), CaseName);

// --- random pockets with islands ---

// A boundary rectangle with rectangles and circles inside it, none touching
// another or the boundary, written as DXF lines and circles.
std::string RandomDrawing(std::mt19937& rng, std::vector<double>& depths) {
  std::uniform_real_distribution<double> u(0, 1);
  using testing_dxf::G;
  const double w = 60 + 40 * u(rng), h = 50 + 30 * u(rng);
  std::string body = testing_dxf::Line(0, 0, w, 0) + testing_dxf::Line(w, 0, w, h) + testing_dxf::Line(w, h, 0, h) +
                     testing_dxf::Line(0, h, 0, 0);
  struct Box {
    double x0, y0, x1, y1;
  };
  std::vector<Box> placed;
  const int islands = 2 + static_cast<int>(rng() % 5);
  for (int tries = 0; tries < 200 && static_cast<int>(placed.size()) < islands; ++tries) {
    const bool circle = rng() % 2;
    const double a = 3 + 10 * u(rng), b = circle ? a : 3 + 10 * u(rng);
    const double x = 4 + (w - 8 - a) * u(rng), y = 4 + (h - 8 - b) * u(rng);
    const Box box{x - 1, y - 1, x + a + 1, y + b + 1};
    bool free = true;
    for (const auto& o : placed) free = free && (box.x1 < o.x0 || o.x1 < box.x0 || box.y1 < o.y0 || o.y1 < box.y0);
    if (!free) continue;
    placed.push_back(box);
    depths.push_back(rng() % 3 == 0 ? 2 + 2 * std::floor(2 * u(rng)) : 0);
    if (circle) {
      body += G({{0, "CIRCLE"},
                 {8, "0"},
                 {10, std::to_string(x + a / 2)},
                 {20, std::to_string(y + a / 2)},
                 {40, std::to_string(a / 2)}});
    } else {
      body += testing_dxf::Line(x, y, x + a, y) + testing_dxf::Line(x + a, y, x + a, y + b) +
              testing_dxf::Line(x + a, y + b, x, y + b) + testing_dxf::Line(x, y + b, x, y);
    }
  }
  return testing_dxf::Entities(body);
}

TEST(RandomPockets, PassTheCutterModel) {
  Tally tally;
  const std::vector<std::string> posts = {"Default", "GRBL", "Mach3"},
                                 leads = {"None", "Arc", "Tangent", "Perpendicular"};
  for (int seed = 0; seed < 12; ++seed) {
    std::mt19937 rng(1000 + seed);
    std::vector<double> depths;
    Job job = StartedJob();
    ASSERT_TRUE(OpenDxfDrawing(job, RandomDrawing(rng, depths), "random").Loaded);
    SelectAllClosed(job);
    // Islands keep their own depth: some stand to the top, some to a
    // plateau below it.
    size_t k = 0;
    for (size_t i = 1; i < job.Regions.size(); ++i)
      if (job.Regions[i].IslandOf != 0 && k < depths.size()) job.Regions[i].Depth = depths[k++];
    Plan p;
    p.rapid = std::vector<double>{0, 2, 5}[seed % 3];
    p.lead = leads[seed % 4];
    p.depth = "6";
    p.set = {{"Finish", seed % 2 ? "Both" : "Islands"}};
    const OperationResult r = Generate(job, p);
    ASSERT_TRUE(r.Made) << "drawing " << seed << ": " << r.Message;
    const std::string post = posts[seed % 3];
    tally.Add(Judge(job, p, post,
                    "drawing " + std::to_string(seed) + " " + post + " RapidHeight " +
                        std::to_string(static_cast<int>(p.rapid)) + " leads " + p.lead));
  }
  EXPECT_GT(tally.Moves(), 2000u) << "the programs cut nothing";
  EXPECT_TRUE(tally.Clean()) << tally.Text();
}

// --- the reported cases ---

Tally RunOne(Job& job, const Plan& p, const std::string& post) {
  const OperationResult r = Generate(job, p);
  EXPECT_TRUE(r.Made) << r.Message;
  Tally t;
  if (r.Made) t.Add(Judge(job, p, post, post));
  return t;
}

Plan RoughOnly(Op op, double rapid, const std::string& depth) {
  Plan p;
  p.op = op, p.rapid = rapid, p.depth = depth;
  p.set = {{"FinishPass", "False"}, {"StockToLeave", "0"}};
  return p;
}

// The 200-tooth gear with 13 islands at a rapid height of 0: no link feeds
// or rapids across an island or the teeth.
TEST(GearPocket, LinksKeepOffTheIslandsAtRapidHeightZero) {
  Job job = StartedJob();
  job.Regions.push_back(bench::GearOutline(200));
  for (int k = 0; k < 13; ++k) {
    const double a = TwoPi * k / 13, r = k % 2 ? 40 : 65;
    job.Regions.push_back(bench::ClosedRegion({MakeCircle(r * std::cos(a), r * std::sin(a), 5)}));
  }
  job.DrawingExtents = RegionExtents(job.Regions);
  Plan p = RoughOnly(Op::Pocket, 0, "4");
  const Tally t = RunOne(job, p, "Default");
  EXPECT_GT(t.Moves(), 2000u);
  EXPECT_TRUE(t.Clean()) << t.Text();
}

// Regions the user turned round (Edit > Reverse) are still pocketed inside
// and cut out on their waste side, and keep the direction they were given.
TEST(ReversedRegions, AreMachinedOnTheirWasteSide) {
  for (Op op : {Op::Pocket, Op::CutOut}) {
    Job job = OpenedJob(Example("plate_islands.dxf"));
    SelectAllClosed(job);
    ReverseSelectedRegions(job);
    std::vector<uint8_t> directions;
    for (const auto& r : job.Regions) directions.push_back(r.Clockwise);
    Plan p;
    p.op = op;
    const Tally t = RunOne(job, p, "Default");
    EXPECT_GT(t.Moves(), 100u);
    EXPECT_TRUE(t.Clean()) << t.Text();
    for (size_t i = 0; i < job.Regions.size(); ++i) EXPECT_EQ(job.Regions[i].Clockwise, directions[i]);
  }
}

// Links between the rings of the deep levels of a pocket stay over ground
// that is cut at their height, and away from the island that stands to the
// top; with a rapid height of 0 no link feeds across an island.
class PlateIslandsLinks : public testing::TestWithParam<double> {};

TEST_P(PlateIslandsLinks, StayOverClearedGround) {
  Job job = OpenedJob(Example("plate_islands.dxf"));
  const Tally t = RunOne(job, RoughOnly(Op::Pocket, GetParam(), "12"), "Default");
  EXPECT_GT(t.Moves(), 1000u);
  EXPECT_TRUE(t.Clean()) << t.Text();
}

INSTANTIATE_TEST_SUITE_P(RapidHeights, PlateIslandsLinks, testing::Values(5.0, 0.0, 2.0));

// Every entity of an open profile is cut, on the line and beside it.
class OpenProfiles : public testing::TestWithParam<Op> {};

TEST_P(OpenProfiles, LoseNoEntity) {
  Job job = OpenedJob(Example("open_profiles.dxf"));
  Plan p;
  p.op = GetParam();
  const Tally t = RunOne(job, p, "Default");
  EXPECT_TRUE(t.Clean()) << t.Text();
}

INSTANTIATE_TEST_SUITE_P(Compensations, OpenProfiles,
                         testing::Values(Op::ContourNone, Op::ContourRight, Op::ContourLeft));

// A contour whose first path starts at the origin, with a finishing pass
// by a second tool that starts where the roughing pass ended: both plunge
// straight down from a position the program set, at the plunge rate.
class SquareAtTheOrigin : public testing::TestWithParam<const char*> {};

TEST_P(SquareAtTheOrigin, PlungesFromAKnownPosition) {
  using testing_dxf::Line;
  Job job = StartedJob();
  const std::string dxf =
      testing_dxf::Entities(Line(0, 0, 40, 0) + Line(40, 0, 40, 30) + Line(40, 30, 0, 30) + Line(0, 30, 0, 0));
  ASSERT_TRUE(OpenDxfDrawing(job, dxf, "square").Loaded);
  Plan p;
  p.op = Op::ContourNone, p.depth = "4";
  p.set = {{"FinishStepZ", "0"}};
  const Tally t = RunOne(job, p, GetParam());
  EXPECT_TRUE(t.Clean()) << t.Text();
}

INSTANTIATE_TEST_SUITE_P(Posts, SquareAtTheOrigin, testing::Values("Default", "GRBL", "Mach3"));

// A cutting or plunge feed of 0 for a pass that will run makes no
// toolpaths.
class ZeroFeeds : public testing::TestWithParam<std::pair<Op, const char*>> {};

TEST_P(ZeroFeeds, MakeNoToolpaths) {
  Job job = OpenedJob(Example("bracket.dxf"));
  Plan p;
  p.op = GetParam().first;
  p.set = {{GetParam().second, "0"}};
  const OperationResult r = Generate(job, p);
  EXPECT_FALSE(r.Made);
  EXPECT_EQ(r.Message, NoToolpathsMessage);
  if (!r.Made) return;
  // What such a program would ask of the machine.
  const Verdict v = Judge(job, p, "Default", "Default");
  Violations feeds;
  for (const auto& x : v.violations)
    if (x.check == "feed0") feeds.push_back(x);
  EXPECT_TRUE(feeds.empty()) << cutter::Report(feeds, v.program, 2);
}

INSTANTIATE_TEST_SUITE_P(Fields, ZeroFeeds,
                         testing::Values(std::pair{Op::Pocket, "FinishFeed"}, std::pair{Op::ContourRight, "FinishFeed"},
                                         std::pair{Op::Pocket, "RoughFeed"}, std::pair{Op::ContourNone, "RoughPlunge"},
                                         std::pair{Op::Drill, "RoughPlunge"}));

// Leads keep the clearance of their path from every wall: the bracket cut
// out with a 6 mm tool and arc leads of 4.
TEST(Leads, BracketCutOutKeepsOffTheHoles) {
  Job job = OpenedJob(Example("bracket.dxf"));
  Plan p;
  p.op = Op::CutOut, p.lead = "Arc", p.leadLength = 4;
  p.set = {{"StockToLeave", "0"}};
  const Tally t = RunOne(job, p, "Default");
  EXPECT_TRUE(t.Clean()) << t.Text();
}

// An inch plate with 3/16 in holes cut out with a 1/8 in tool and arc leads
// of 1/16 in.
TEST(Leads, InchPlateCutOutKeepsOffTheHoles) {
  using testing_dxf::G;
  using testing_dxf::Line;
  std::string body = Line(0, 0, 4, 0) + Line(4, 0, 4, 3) + Line(4, 3, 0, 3) + Line(0, 3, 0, 0);
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{0.5, 0.5}, {3.5, 0.5}, {3.5, 2.5}, {0.5, 2.5}})
    body += G({{0, "CIRCLE"}, {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}, {40, "0.09375"}});
  Job job = StartedJob();
  ASSERT_TRUE(OpenDxfDrawing(job, testing_dxf::Entities(body), "plate").Loaded);
  Plan p;
  p.op = Op::CutOut, p.lead = "Arc", p.leadLength = 0.0625, p.depth = "0.25";
  p.set = {{"RoughDiameter", "0.125"}, {"RoughStepZ", "0.125"}, {"StockToLeave", "0"}, {"RapidHeight", "0.2"}};
  const Tally t = RunOne(job, p, "Default");
  EXPECT_TRUE(t.Clean()) << t.Text();
}

// A pocket's finishing rings with arc leads keep off the islands.
TEST(Leads, PocketFinishKeepsOffTheIslands) {
  Job job = OpenedJob(Example("plate_islands.dxf"));
  Plan p;
  p.lead = "Arc", p.set = {{"Finish", "Islands"}};
  const Tally t = RunOne(job, p, "Default");
  EXPECT_TRUE(t.Clean()) << t.Text();
}

// Every shipped post stops the spindle, pauses and changes tools only
// above the stock: a pocket with a finishing tool.
class ToolChanges : public testing::TestWithParam<const char*> {};

TEST_P(ToolChanges, HappenAboveTheStock) {
  Job job = OpenedJob(Example("bracket.dxf"));
  Plan p;
  p.set = {{"Finish", "Islands"}};
  const OperationResult r = Generate(job, p);
  ASSERT_TRUE(r.Made);
  const Verdict v = Judge(job, p, GetParam(), GetParam());
  Violations stops;
  for (const auto& x : v.violations)
    if (x.check == "stop") stops.push_back(x);
  EXPECT_TRUE(stops.empty()) << cutter::Report(stops, v.program);
  EXPECT_EQ(v.program.codes.back(), "M30");
}

INSTANTIATE_TEST_SUITE_P(Posts, ToolChanges, testing::Values("Default", "GRBL", "Mach3"));

}  // namespace
}  // namespace tibrel
