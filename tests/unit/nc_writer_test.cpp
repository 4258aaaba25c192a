#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <unistd.h>
#include <sstream>

#include "core/files.h"
#include "core/numbers.h"
#include "cutter_model.h"
#include "shipped_settings.h"
#include "dxf/reader.h"
#include "post/nc_writer.h"
#include "../sample_job.h"

namespace tibrel {
namespace {

namespace fs = std::filesystem;
using namespace testing_job;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// What a controller would do with the program matches the toolpaths: every
// cutting move at its depth in order, arcs with consistent centres, rapids
// only above the stock, holes reached at their depth.
void CheckProgram(const std::string& program, const TTBOutRegionArray& list) {
  const cutter::Program c = cutter::ReadProgram(program);
  EXPECT_TRUE(c.problems.empty()) << cutter::Report(c.problems, c);
  for (const auto& m : c.moves) {
    if (m.IsFeed()) {
      EXPECT_GT(m.feed, 0) << "feed move without a feed rate";
      continue;
    }
    EXPECT_GE(m.z1, 0) << "rapid into the stock";
    if (m.startKnown && (std::fabs(m.x1 - m.x0) > 1e-9 || std::fabs(m.y1 - m.y0) > 1e-9)) {
      EXPECT_GE(m.z0, 0) << "sideways rapid inside the stock";
    }
  }
  const cutter::Violations missing = cutter::MissingCuts(c, list);
  EXPECT_TRUE(missing.empty()) << cutter::Report(missing, c);
  // The program ends up above the stock.
  ASSERT_FALSE(c.moves.empty());
  EXPECT_GT(c.moves.back().z1, 0);
}

class ShippedPostPrograms : public testing::TestWithParam<const char*> {};

TEST_P(ShippedPostPrograms, MatchTheirGoldenFileAndDoWhatTheToolpathsSay) {
  const std::string name = GetParam();
  TTBPostProcessor post = testing_settings::ShippedPosts().at(name);
  post.Start = 100, post.Increment = 5;  // as the operation dialogs set them
  const TTBMachiningParameters params = SampleParameters();
  const TTBOutRegionArray list = SampleToolpaths();
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 6, tm.tm_hour = 9, tm.tm_min = 30, tm.tm_isdst = -1;
  const std::string program = NcProgramText(
      list, NcCommentLines(post, params, "bracket", std::mktime(&tm), Units::Millimetre), params, post, Units::Millimetre);
  SetDecimalCharacter('.');
  const fs::path golden = fs::path(TIBREL_SOURCE_DIR) / "tests/data/nc" / (name + "." + post.Extension);
  if (std::getenv("TIBREL_UPDATE_GOLDEN")) WriteFileAtomically(golden.string(), program);
  EXPECT_EQ(program, ReadFileBytes(golden.string()));
  CheckProgram(program, list);
  const cutter::Program c = cutter::ReadProgram(program);
  EXPECT_EQ(c.codes.back(), "M30");
  // What GRBL 1.1 accepts.
  const std::set<std::string> grbl = {"G0", "G1", "G2", "G3", "G17", "G21", "G20", "G90", "G94", "G53", "M0", "M3", "M5", "M30"};
  for (const auto& code : c.codes) EXPECT_TRUE(name != "GRBL" || grbl.count(code)) << code;
  // Comments hold nothing that ends them early or breaks the line.
  EXPECT_NE(program.find("(Tool 1 = Flat 3mm)"), std::string::npos);
  EXPECT_NE(program.find("(Finish Tool 2 = Ball 3mm)"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Posts, ShippedPostPrograms, testing::Values("Default", "GRBL", "Mach3"));

// --- the writer's rules on small posts ---

TTBToken Tok(int32_t variable, const char* address, const char* format) {
  TTBToken t;
  t.Variable = variable, t.Address = address, t.Format = format;
  return t;
}

TTBScript Script(const char* command, std::vector<ScriptEntry> entries) { return {command, std::move(entries)}; }

// Words without spaces, all scripts plain: G.. X Y Z (I J) F.
TTBPostProcessor PlainPost() {
  TTBPostProcessor p;
  p.Name = "Plain";
  p.Start = 10, p.Increment = 10, p.MaxBlock = 99999;
  p.Tokens[TokenXt] = Tok(VarEx, "X", "%1.4f");
  p.Tokens[TokenYt] = Tok(VarEy, "Y", "%1.4f");
  p.Tokens[TokenZt] = Tok(VarEz, "Z", "%1.4f");
  p.Tokens[TokenIt] = Tok(VarIi, "I", "%1.4f");
  p.Tokens[TokenJt] = Tok(VarJi, "J", "%1.4f");
  p.Tokens[TokenNt] = Tok(VarNv, "N", "%d");
  p.Tokens[TokenFt] = Tok(VarFr, "F", "%1.1f");
  p.Tokens[TokenCt] = Tok(VarCv, "R", "%1.3f");
  p.Tokens[TokenMisc5t] = Tok(VarNone, "M07", "");
  const std::vector<ScriptEntry> xyz = {{-1, false}, {TokenXt, true}, {TokenYt, true}, {TokenZt, true}, {TokenFt, true}};
  for (int kind : {ScriptLinear, ScriptRapid}) {
    p.Scripts[2 * kind] = Script(kind == ScriptLinear ? "G01" : "G00", xyz);
    p.Scripts[2 * kind + 1] = Script("", {{TokenXt, true}, {TokenYt, true}, {TokenZt, true}, {TokenFt, true}});
  }
  auto arc = xyz;
  arc.insert(arc.end() - 1, {{TokenIt, false}, {TokenJt, false}});
  p.Scripts[4] = Script("G02", arc);
  p.Scripts[5] = Script("G02c", arc);
  p.Scripts[6] = Script("G03", arc);
  p.Scripts[7] = Script("G03c", arc);
  p.Scripts[8] = Script("G81", {{-1, false}, {TokenXt, false}, {TokenYt, false}, {TokenZt, false}, {TokenCt, false}});
  p.Scripts[9] = Script("G81c", {{-1, false}, {TokenXt, false}, {TokenYt, false}});
  return p;
}

std::vector<std::string> Program(const TTBOutRegionArray& list, const TTBPostProcessor& post, double rapid = 5) {
  TTBMachiningParameters params;
  params.RapidHeight = rapid;
  return Lines(NcProgramText(list, {}, params, post, Units::Millimetre));
}

TEST(NcWriter, LinksPlungesAndModalWords) {
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkLift, 1, -5, {MakeLine(1, 2, 3, 2), MakeLine(3, 2, 3, 4)}));
  const auto lines = Program(list, PlainPost());
  const std::vector<std::string> expected = {
      "G00Z5.0000F300.0",                 // up where the cutter is, an XY not known yet
      "G00X1.0000Y2.0000Z5.0000F300.0",   // over the start, every word again after the tool change
      "G01Z-1.0000F100.0",                // plunge at the plunge rate
      "X3.0000F300.0",                    // modal Y suppressed, the feed word again
      "Y4.0000",
      "G00Z5.0000",                       // final retract
  };
  EXPECT_EQ(lines, expected);
}

TEST(NcWriter, LineNumbersWrapAtMaxBlockAndEmptyLinesUseTheirNumbers) {
  TTBPostProcessor post = PlainPost();
  post.MaxBlock = 9999;
  for (auto& s : post.Scripts) s.Entries.insert(s.Entries.begin(), {TokenNt, false});
  post.Scripts[1].Entries.clear();  // continuous feed lines make nothing
  TTBEntityArray es;
  for (int k = 0; k < 1200; ++k) es.push_back(MakeLine(k, 0, k + 1, 0));
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkLift, 1, -5, es));
  const auto lines = Program(list, post);
  // Rapid, rapid and plunge, then the final retract: the 1,200 continuous
  // lines and the repeat of the last move are not written but use up their
  // numbers: 1,205 numbered lines from 10 by 10, wrapping from 9990 to 10.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(0, 4), "N10G");
  EXPECT_EQ(lines[2].substr(0, 4), "N30G");
  const int last = (1205 - 1) % 999;  // numbers 10..9990 are 999 values
  EXPECT_EQ(lines[3], "N" + std::to_string(10 * (last + 1)) + "G00X1200.0000Z5.0000");
}

TEST(NcWriter, ArcSlotsFollowTheKindOfTheMoveBefore) {
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkRunStart, 1, 1,
                      {MakeArc(1, 0, -1, M_PI, 0), MakeArc(3, 0, -1, M_PI, 0), MakeArc(5, 0, 1, M_PI, 0)}));
  const auto lines = Program(list, PlainPost());
  // Up, over the start, the plunge; then the arcs.
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2].substr(0, 4), "G01Z");
  EXPECT_EQ(lines[3].substr(0, 3), "G02");
  EXPECT_EQ(lines[4].substr(0, 4), "G02c");
  EXPECT_EQ(lines[5].substr(0, 3), "G03");  // a new kind: Single Move, not Continuous
  EXPECT_NE(lines[5].substr(0, 4), "G03c");
  // The last arc is not written again (I and J alone would be a full
  // circle): the final retract follows it.
  EXPECT_EQ(lines[6], "G00Z5.0000");
}

TEST(NcWriter, ToolChangesHolesAndTheirSlots) {
  TTBPostProcessor post = PlainPost();
  post.Tokens[TokenTt] = Tok(VarTn, "T", "%d");
  post.MiniPost.ToolHeader = {"(change)"};
  post.MiniPost.ToolScripts[0] = Script("M06", {{TokenNt, false}, {TokenTt, false}, {-1, false}});
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Hole(4, LinkDrillCycle, 1, 1));
  list.push_back(Hole(4, LinkDrillCycle, 2, 1));
  list.push_back(Hole(5, LinkDrillLinear, 3, 1));
  const auto lines = Program(list, post);
  const std::vector<std::string> expected = {
      // Up before the first tool change; empty tool scripts give their
      // numbers back.
      "G00Z5.0000F50.0", "N20(change)", "N30T4M06", "G81X1.0000Y1.0000Z-3.0000R5.000", "G81cX2.0000Y1.0000",
      "G00Z5.0000", "N70(change)", "N80T5M06",
      // A hole with plain moves: up, over, down at the plunge rate, up;
      // after the tool change every word is written again.
      "G00X2.0000Y1.0000Z5.0000F50.0", "X3.0000", "G01Z-3.0000F50.0", "G00Z5.0000",
      ""};  // the final retract, written although it holds no word
  EXPECT_EQ(lines, expected);
  // A post without drill scripts drills canned-cycle holes with plain moves.
  post.Scripts[8].Entries.clear();
  post.Scripts[9].Entries.clear();
  TTBMachiningParameters params;
  params.RapidHeight = 5;
  const std::string plain = NcProgramText(list, {}, params, post, Units::Millimetre);
  EXPECT_EQ(plain.find("G81"), std::string::npos);
  CheckProgram(plain, list);
}

TEST(NcWriter, PlasmaAndProtoTraxRules) {
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkLift, 1, -5, {MakeLine(0, 0, 1, 0)}));
  list.push_back(Path(1, LinkLift, 1, -5, {MakeLine(2, 0, 3, 0)}));
  list.push_back(Path(1, LinkStayDown, 1, 1, {MakeLine(3, 0, 3, 1)}));
  TTBPostProcessor plasma = PlainPost();
  plasma.Name = "Plasma cutter";
  const auto p = Program(list, plasma);
  EXPECT_EQ(std::count_if(p.begin(), p.end(), [](const std::string& l) { return l.ends_with("M07"); }), 2);
  for (const auto& l : p) EXPECT_FALSE(l.starts_with("G01Z-1")) << "no plunge move: " << l;

  TTBPostProcessor proto = PlainPost();
  proto.Name = "Proto Trax Plus 2";
  for (int k : {1, 3}) proto.Scripts[k].Entries.push_back({TokenNt, false});  // the repeat is never empty
  proto.Tokens[TokenNt] = Tok(VarNone, ";", "");
  const auto q = Program(list, proto);
  // The first path is followed by a lift: its repeat ends " CR-;". The
  // second is followed by a stay-down path: no repeat. The last: as it is.
  EXPECT_EQ(std::count_if(q.begin(), q.end(), [](const std::string& l) { return l.ends_with(" CR-;"); }), 1);
  EXPECT_EQ(q[q.size() - 2], ";");
}

TEST(NcWriter, BadPostsAndFilesLeaveTheTargetAlone) {
  const fs::path dir = fs::temp_directory_path() / ("tibrel_nc_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "part.ngc").string();
  WriteFileAtomically(file, "old program\n");
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkLift, 1, -5, {MakeLine(0, 0, 1, 0)}));
  TTBPostProcessor bad = PlainPost();
  bad.Tokens[TokenXt].Format = "%s";
  EXPECT_THROW(WriteNcProgram(list, {}, {}, bad, Units::Millimetre, file), PostError);
  EXPECT_EQ(ReadFileBytes(file), "old program\n");
  TTBPostProcessor post = PlainPost();
  post.Append = true;
  WriteNcProgram(list, {}, {}, post, Units::Millimetre, file);
  EXPECT_EQ(ReadFileBytes(file).rfind("old program\nG00", 0), 0u);
  post.Append = false;
  WriteNcProgram(list, {}, {}, post, Units::Millimetre, file);
  EXPECT_EQ(ReadFileBytes(file).find("old program"), std::string::npos);
  EXPECT_THROW(WriteNcProgram(list, {}, {}, post, Units::Millimetre, (dir / "missing" / "x.ngc").string()), std::runtime_error);
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1u) << "no temporary file left behind";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tibrel
