// The editor's G-code reader: its tokens, the moves it reads, and, as an
// independent check, the same moves as the controller model reads them from
// programs our own writer made through every shipped post.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/ini.h"
#include "core/numbers.h"
#include "cutter_model.h"
#include "editor/gcode_syntax.h"
#include "editor/nc_path.h"
#include "editor/nc_dxf.h"
#include "dxf/writer.h"
#include "job/commands.h"
#include "job/open_drawing.h"
#include "job/operations.h"
#include "job/startup.h"
#include "post/configurations.h"
#include "post/nc_writer.h"
#include "shipped_settings.h"
#include "../sample_job.h"

namespace tibrel {
namespace {

const std::string Source = TIBREL_SOURCE_DIR;

using testing_settings::ShippedPosts;

// A post that writes X Y Z as the end point, I J incremental centres, R as
// the radius, and the usual commands; the arc format comes from the token
// given to the arc script.
TTBPostProcessor TestPost(int32_t arcVariable = VarIi) {
  TTBPostProcessor p;
  p.Name = "Test";
  const auto token = [&](int t, int32_t var, const char* address) {
    p.Tokens[t].Variable = var;
    p.Tokens[t].Address = address;
    p.Tokens[t].Format = "%.4f";
  };
  for (auto& t : p.Tokens) t = {"null", 0, "", false};
  token(TokenXt, VarEx, " X"), token(TokenYt, VarEy, " Y"), token(TokenZt, VarEz, " Z");
  token(TokenIt, VarIi, " I"), token(TokenJt, VarJi, " J"), token(TokenRt, VarRad, " R");
  token(TokenCt, VarCv, " R");
  token(TokenNt, VarNv, "N");
  p.Tokens[TokenNt].Format = "%d";
  token(TokenTt, VarTn, "T");
  const char* commands[] = {"G01", "G01", "G00", "G00", "G02", "G02", "G03", "G03", "G81", "G81"};
  for (int s = 0; s < MoveScriptCount; ++s) {
    p.Scripts[s].Command = commands[s];
    p.Scripts[s].Entries = {{-1, false}, {TokenXt, false}, {TokenYt, false}, {TokenZt, false}};
  }
  // Tokens 11 and 12 carry the absolute centre for posts that want it.
  token(TokenMisc1t, VarCx, "P"), token(TokenMisc2t, VarCy, "Q");
  const int arcToken = arcVariable == VarRad ? TokenRt : arcVariable == VarCx ? TokenMisc1t : TokenIt;
  p.Scripts[4].Entries.push_back({arcToken, false});
  p.Comment = "(";
  p.MaxBlock = 99999999;
  return p;
}

struct Tok {
  NcTokenKind kind;
  std::string text;
};

std::vector<Tok> Tokens(std::string_view line, const TTBPostProcessor* post = nullptr) {
  TSynGCodeSyn s;
  if (post) s.ConfigureFromPost(*post, {});
  std::vector<Tok> out;
  for (s.SetLine(line, 0); !s.Eol(); s.Next())
    if (s.Kind() != NcTokenKind::Space) out.push_back({s.Kind(), std::string(s.Token())});
  return out;
}

using K = NcTokenKind;

struct TokenCase {
  const char* line;
  std::vector<Tok> expected;
};

TEST(NcTokens, SplitAsTheCharacterTableSays) {
  const std::vector<TokenCase> cases = {
      {"N0010G01X1.5Y-2.25",
       {{K::LineNo, "N0010"}, {K::GCode, "G01"}, {K::Axis, "X"}, {K::Number, "1.5"}, {K::Axis, "Y"},
        {K::Number, "-2.25"}}},
      {"(TOOL 1) X1", {{K::Comment, "(TOOL 1) X1"}}},
      {"1..5", {{K::Number, "1"}, {K::Number, "..5"}}},
      {"F12,5", {{K::TSF, "F12,5"}}},
      {"E10", {{K::Symbol, "E"}, {K::Number, "10"}}},
      {"m30 s1000 t2", {{K::MCode, "m30"}, {K::TSF, "s1000"}, {K::TSF, "t2"}}},
      {"%", {{K::Symbol, "%"}}},
      {"/G00", {{K::Comment, "/G00"}}},
      {"*x", {{K::Comment, "*x"}}},
      {"G\x01\x02X", {{K::GCode, "G"}, {K::Axis, "X"}}},
      {"X1\0X2", {{K::Axis, "X"}, {K::Number, "1"}}},
      {"\xff\xfe", {{K::Symbol, "\xff"}, {K::Symbol, "\xfe"}}},
  };
  for (const auto& c : cases) {
    const auto got = Tokens(c.line);
    ASSERT_EQ(got.size(), c.expected.size()) << c.line;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].kind, c.expected[i].kind) << c.line << " token " << i;
      EXPECT_EQ(got[i].text, c.expected[i].text) << c.line << " token " << i;
    }
  }
}

TEST(NcTokens, NulEndsTheLine) {
  const std::string line("X1\0X2", 5);
  const auto got = Tokens(line);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].text, "1");
}

TEST(NcTokens, ThePostsOneCharacterCommentStartsAComment) {
  TTBPostProcessor p = TestPost();
  p.Comment = "[";
  EXPECT_EQ(Tokens("[TOOL 1]")[0].kind, K::Symbol);
  const auto got = Tokens("[TOOL 1]", &p);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, K::Comment);
}

TEST(NcTokens, TokensCoverTheLineAndAttributesFollowTheColours) {
  TTBEditorColours colours;
  colours.CommandColor = 0x0000FF, colours.CommandStyle = 2, colours.AddressColor = 0x00FF00;
  TSynGCodeSyn s;
  s.ConfigureFromPost(TestPost(), colours);
  const std::string line = "N10 G01 X1.5 (CUT) ";
  size_t covered = 0;
  for (s.SetLine(line, 0); !s.Eol(); s.Next()) {
    EXPECT_EQ(s.TokenStart(), covered);
    covered += s.TokenLength();
    ASSERT_NE(s.Attribute(), nullptr);
    if (s.Kind() == K::GCode) {
      EXPECT_EQ(s.Attribute()->Foreground, 0x0000FF);
      EXPECT_TRUE(s.Attribute()->Italic);
      EXPECT_TRUE(s.Attribute()->Bold);
    }
    if (s.Kind() == K::Axis) {
      EXPECT_EQ(s.Attribute()->Foreground, 0x00FF00);
    }
    if (s.Kind() == K::LineNo) {
      EXPECT_EQ(s.Attribute()->Foreground, 32768);
    }
  }
  EXPECT_EQ(covered, line.size());
  EXPECT_EQ(s.Attribute(), nullptr);
}

// --- parse mode ---

NcPath Parse(const std::string& text, const TTBPostProcessor& post = TestPost()) {
  SetDecimalCharacter('.');
  return ParseNcProgram(text, post);
}

void ExpectNear(const NcPoint& p, double x, double y, double z, const std::string& what) {
  EXPECT_NEAR(p.X, x, 1e-9) << what;
  EXPECT_NEAR(p.Y, y, 1e-9) << what;
  EXPECT_NEAR(p.Z, z, 1e-9) << what;
}

TEST(NcParse, ValuesAndMotionModePersistFromLineToLine) {
  const NcPath p = Parse("G00X1Y1\nX2\nG02X5\nG1 Z-1\n");
  ASSERT_EQ(NcHigh(p), 4);
  EXPECT_EQ(p[1].Kind, NcKindRapid);
  ExpectNear(NcStart(p[2]), 1, 1, 0, "second rapid start");
  ExpectNear(NcEnd(p[2]), 2, 1, 0, "second rapid end");
  EXPECT_EQ(p[2].Line, 1);
  EXPECT_EQ(p[4].Kind, NcKindFeed) << "G1 is G01";
  ExpectNear(NcEnd(p[4]), 5, 1, -1, "feed end");

  // G17 and G04 name no command: the rapid stays in force, and any line
  // with an address of the post (P here) is a move.
  const NcPath q = Parse("G00 X1\nG17 X2\nG04 P1\n(X9)\nM03\n");
  ASSERT_EQ(NcHigh(q), 3);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(q[i].Kind, NcKindRapid);
}

TEST(NcParse, AGWordThePostDoesNotNameKeepsTheMode) {
  TTBPostProcessor post = TestPost();
  post.Scripts[4].Command = post.Scripts[5].Command = "G12";
  const NcPath p = Parse("G01 X1\nG02 X2 I1\n", post);
  ASSERT_EQ(NcHigh(p), 2);
  EXPECT_EQ(p[2].Kind, NcKindFeed);
}

TEST(NcParse, ANumberBelongsToTheLetterBeforeIt) {
  // E is no address: its number must not move X.
  const NcPath p = Parse("G01 X1 E10\nX2 A5\n");
  ASSERT_EQ(NcHigh(p), 2);
  EXPECT_EQ(NcEnd(p[1]).X, 1);
  EXPECT_EQ(NcEnd(p[2]).X, 2);
  const NcPath q = Parse("G01 X1..5 Y2\n");
  ASSERT_EQ(NcHigh(q), 1);
  EXPECT_EQ(NcEnd(q[1]).X, 1) << "..5 does not convert and is ignored";
}

struct ArcCase {
  const char* name;
  int32_t arcVariable;
  const char* program;  // from (0, 0) at Z 0
  double cx, cy, r, a0, a1;
  uint8_t kind;
};

class NcArcs : public testing::TestWithParam<ArcCase> {};

TEST_P(NcArcs, CentreRadiusAndAngles) {
  const ArcCase c = GetParam();
  TTBPostProcessor post = TestPost(c.arcVariable);
  const NcPath p = Parse(std::string("G00 X0 Y0\n") + c.program, post);
  ASSERT_EQ(NcHigh(p), 2);
  const NcPathRecord& r = p[2];
  EXPECT_EQ(r.Kind, c.kind);
  EXPECT_NEAR(r.A[0], c.cx, 1e-9);
  EXPECT_NEAR(r.A[1], c.cy, 1e-9);
  EXPECT_NEAR(r.R, c.r, 1e-9);
  EXPECT_NEAR(r.B[0], c.a0, 1e-9);
  EXPECT_NEAR(r.B[1], c.a1, 1e-9);
  // Whatever the format, the arc starts where the cutter was and ends at
  // the programmed point.
  ExpectNear(NcStart(r), 0, 0, 0, "start");
  double ex = 0, ey = 0;
  ASSERT_EQ(std::sscanf(c.program + 3, " X%lf Y%lf", &ex, &ey), 2);
  ExpectNear(NcEnd(r), ex, ey, 0, "end");
}

const double Pi = M_PI;
INSTANTIATE_TEST_SUITE_P(
    Formats, NcArcs,
    testing::Values(
        // The Part's case: G03 X2 Y0 I1 J0 from the origin, centre (1, 0).
        ArcCase{"incremental_ccw", VarIi, "G03 X2 Y0 I1 J0\n", 1, 0, 1, Pi, 2 * Pi, NcKindArcCCW},
        ArcCase{"incremental_cw", VarIi, "G02 X2 Y0 I1 J0\n", 1, 0, 1, 0, Pi, NcKindArcCW},
        ArcCase{"incremental_full", VarIi, "G02 X0 Y0 I1 J0\n", 1, 0, 1, Pi, 3 * Pi, NcKindArcCW},
        ArcCase{"absolute_ccw", VarCx, "G03 X2 Y2 P2 Q0\n", 2, 0, 2, Pi, 2.5 * Pi, NcKindArcCCW},
        ArcCase{"absolute_cw", VarCx, "G02 X2 Y2 P2 Q0\n", 2, 0, 2, 0.5 * Pi, Pi, NcKindArcCW},
        // Radius: the side and the sense follow G2/G3 and the sign of R.
        ArcCase{"radius_cw_short", VarRad, "G02 X2 Y0 R1\n", 1, 0, 1, 0, Pi, NcKindArcCW},
        ArcCase{"radius_cw_short_offset", VarRad, "G02 X2 Y0 R1.25\n", 1, -0.75, 1.25, std::atan2(0.75, 1),
                Pi - std::atan2(0.75, 1), NcKindArcCW},
        ArcCase{"radius_ccw_short_offset", VarRad, "G03 X2 Y0 R1.25\n", 1, 0.75, 1.25, Pi + std::atan2(0.75, 1),
                2 * Pi - std::atan2(0.75, 1), NcKindArcCCW},
        ArcCase{"radius_cw_long", VarRad, "G02 X2 Y0 R-1.25\n", 1, 0.75, 1.25, 2 * Pi - std::atan2(0.75, 1),
                3 * Pi + std::atan2(0.75, 1), NcKindArcCW},
        ArcCase{"radius_too_small", VarRad, "G03 X2 Y0 R0.5\n", 1, 0, 1, Pi, 2 * Pi, NcKindArcCCW}),
    [](const testing::TestParamInfo<ArcCase>& i) { return std::string(i.param.name); });

TEST(NcParse, RadiusArcsFindTheirCircle) {
  // Arcs of every sweep both ways on one circle, written with R signed by
  // the sweep: the centre and the sweep come back.
  const TTBPostProcessor radius = TestPost(VarRad);
  int checked = 0;
  for (const double sweep : {0.3, 1.0, 2.5, 3.5, 5.0})
    for (const bool cw : {false, true}) {
      const double r = 3, a = 0.4;
      const double sx = r * std::cos(a), sy = r * std::sin(a);
      const double b = cw ? a - sweep : a + sweep;
      const double ex = r * std::cos(b), ey = r * std::sin(b);
      char prog[256];
      std::snprintf(prog, sizeof prog, "G00 X%.12f Y%.12f\n%s X%.12f Y%.12f R%.12f\n", sx, sy, cw ? "G02" : "G03", ex,
                    ey, sweep > Pi ? -r : r);
      const NcPath p = Parse(prog, radius);
      ASSERT_EQ(NcHigh(p), 2);
      EXPECT_NEAR(p[2].A[0], 0, 1e-6) << prog;
      EXPECT_NEAR(p[2].A[1], 0, 1e-6) << prog;
      EXPECT_NEAR(p[2].B[1] - p[2].B[0], sweep, 1e-6) << prog;
      ++checked;
    }
  EXPECT_EQ(checked, 10);
}

TEST(NcParse, WithoutAnArcFormatAnArcIsAnEmptyRecord) {
  TTBPostProcessor post = TestPost();
  post.Scripts[4].Entries.pop_back();
  const NcPath p = Parse("G01 X1\nG02 X2 I1\nG01 Y1\n", post);
  ASSERT_EQ(NcHigh(p), 3);
  EXPECT_EQ(p[2].Kind, 0);
  EXPECT_EQ(p[2].R, 0);
  EXPECT_FALSE(p[2].IsMove());
  ExpectNear(NcStart(p[3]), 1, 0, 0, "the position stays");
}

TEST(NcParse, DrillCycleIsTwoRapidsAndAPlunge) {
  const NcPath p = Parse("G00 X1 Y1 Z5\nG81 X10 Y20 Z-3 R2\nX30\n");
  ASSERT_EQ(NcHigh(p), 7);
  ExpectNear(NcEnd(p[2]), 1, 1, 2, "up or down to the clearance");
  ExpectNear(NcEnd(p[3]), 10, 20, 2, "over at the clearance");
  EXPECT_TRUE(p[4].IsDrillPlunge());
  ExpectNear(NcEnd(p[4]), 10, 20, -3, "down to the depth");
  ExpectNear(NcEnd(p[7]), 30, 20, -3, "the cycle repeats with its words");
  const NcCounts c = CountRecords(p);
  EXPECT_EQ(c.Drills, 2);
  EXPECT_EQ(c.Rapids, 5);
}

TEST(NcParse, ToolWordsMakeToolRecords) {
  const NcPath p = Parse("T3 M06\n(Change to tool T4)\n(PART1 T)\nG00 X1\n");
  ASSERT_EQ(NcHigh(p), 3);
  EXPECT_EQ(p[1].Kind, NcKindTool);
  EXPECT_EQ(p[1].R, 3);
  EXPECT_EQ(p[2].Kind, NcKindTool);
  EXPECT_EQ(p[2].R, 4);
  EXPECT_EQ(p[2].Line, 1);
}

TEST(NcParse, ExtentsCoverArcsAndAllMoves) {
  const NcPath p = Parse("G00 X2 Y0 Z1\nG01 Z-1\nG03 X0 Y2 I-2 J0\nG81 X5 Y5 Z-4 R2\n");
  const NcExtents e = PathExtents(p);
  ASSERT_TRUE(e.Valid);
  EXPECT_NEAR(e.XMin, 0, 1e-12);
  EXPECT_NEAR(e.XMax, 5, 1e-12);
  EXPECT_NEAR(e.YMax, 5, 1e-12);
  EXPECT_NEAR(e.ZMin, -4, 1e-12);
  EXPECT_NEAR(e.ZMax, 2, 1e-12);
  // The quarter arc from (2, 0) to (0, 2) about the origin passes no other
  // quadrant point, so Y stays at or above 0.
  EXPECT_NEAR(e.YMin, 0, 1e-12);
  EXPECT_FALSE(PathExtents(Parse("M03\n")).Valid);
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(NcParse, TheDrawingOfTheProgramHoldsItsMoves) {
  const NcPath p = Parse("T1\nG00 X2 Y0 Z1\nG01 Z-1\nG03 X0 Y2 I-2 J0\nG02 X0 Y2 I0 J-1\nG81 X5 Y5 Z-4 R2\n");
  const std::string dxf = DXF_Writer(*NcPathDrawing(p, Units::Millimetre, "Dxf"));
  // Two lines, the three lines of the drill cycle; two arcs, the second a
  // full circle (equal angles).
  EXPECT_EQ(Count(dxf, "0\r\nLINE\r\n"), 5u);
  EXPECT_EQ(Count(dxf, "0\r\nARC\r\n"), 2u);
}

TEST(NcParse, RunTimeFromFeedsAndTheRapidRate) {
  const NcPath p = Parse("G00 X10\nG01 X20 F100\nX30\n");
  EXPECT_NEAR(EstimatedMinutes(p, 5000), 10.0 / 5000 + 20.0 / 100, 1e-12);
}

// --- programs of our own writer, read by the parser and by the model ---

// A program line's moves as both readers see them: where the line leaves
// the cutter, by what kind of move, and an arc's centre; for a drill cycle
// the bottom of its plunge. Machine Z 0 of a G53 move is the model's SafeZ;
// the parser takes it as Z 0.
struct LineEnd {
  cutter::Motion kind = cutter::Motion::Rapid;
  double x = 0, y = 0, z = 0, cx = 0, cy = 0;
  bool vertical = false;  // the parser's move kept its X and Y
  bool plunge = false;    // the model: the line fed down; the parser: a drill plunge
  double px = 0, py = 0, pz = 0;  // the model: where the line's last feed ended
  bool startKnown = true;         // the model: the line's first move began at a known X, Y
};

std::map<size_t, LineEnd> ModelEnds(const cutter::Program& c) {
  std::map<size_t, LineEnd> out;
  for (const auto& m : c.moves) {
    const bool first = !out.count(m.line);
    LineEnd& e = out[m.line];
    if (first) e.startKnown = m.startKnown;
    e.kind = m.kind, e.x = m.x1, e.y = m.y1, e.z = m.z1 == cutter::SafeZ ? 0 : m.z1, e.cx = m.cx, e.cy = m.cy;
    if (m.kind == cutter::Motion::Line) e.plunge = true, e.px = m.x1, e.py = m.y1, e.pz = m.z1;
  }
  return out;
}

std::map<size_t, LineEnd> ParsedEnds(const NcPath& p) {
  std::map<size_t, LineEnd> out;
  for (int32_t i = 1; i <= NcHigh(p); ++i) {
    const NcPathRecord& r = p[i];
    if (!r.IsMove()) continue;
    const NcPoint s = NcStart(r), f = NcEnd(r);
    // The model drops moves that go nowhere.
    if (!r.IsArc() && s.X == f.X && s.Y == f.Y && s.Z == f.Z) continue;
    LineEnd& e = out[static_cast<size_t>(r.Line)];
    e.x = f.X, e.y = f.Y, e.z = f.Z;
    e.vertical = !r.IsArc() && s.X == f.X && s.Y == f.Y;
    e.kind = r.IsRapid() ? cutter::Motion::Rapid
             : r.IsArc() ? (r.Kind <= NcKindArcCWContinuous ? cutter::Motion::ArcCW : cutter::Motion::ArcCCW)
                         : cutter::Motion::Line;
    e.cx = r.IsArc() ? r.A[0] : 0, e.cy = r.IsArc() ? r.A[1] : 0;
    e.plunge = r.IsDrillPlunge();
  }
  return out;
}

// The model knows no X or Y before the program sets them. An arc's end is
// where its angle meets its circle: within the rounding of the written
// centre (four decimals) of the written end.
void ExpectSame(double got, double want, const std::string& where, double tolerance = 1e-9) {
  if (!std::isnan(want)) {
    EXPECT_NEAR(got, want, tolerance) << where;
  }
}

// Compares the two readings line by line; returns the number of lines
// compared.
size_t CompareReadings(const std::string& program, const TTBPostProcessor& post, const std::string& label) {
  SetDecimalCharacter('.');
  const cutter::Program model = cutter::ReadProgram(program);
  EXPECT_TRUE(model.problems.empty()) << label << cutter::Report(model.problems, model);
  const std::map<size_t, LineEnd> want = ModelEnds(model);
  const std::map<size_t, LineEnd> got = ParsedEnds(ParseNcProgram(program, post));
  const auto lineText = [&](size_t l) { return l < model.lines.size() ? model.lines[l] : std::string(); };
  // A drill cycle leaves the parser at the bottom of the hole and the
  // controller back at its clearance, so the rise after it is the
  // parser's alone.
  for (const auto& [line, g] : got)
    EXPECT_TRUE(want.count(line) || (g.kind == cutter::Motion::Rapid && g.vertical))
        << label << ": the parser moves on line " << line + 1 << " " << lineText(line);
  size_t compared = 0;
  for (const auto& [line, w] : want) {
    const auto it = got.find(line);
    // The parser starts at the origin, the model nowhere: a first move to
    // the origin goes nowhere for the parser.
    if (it == got.end() && !w.startKnown) continue;
    if (it == got.end()) {
      ADD_FAILURE() << label << ": no record for line " << line + 1 << " " << lineText(line);
      continue;
    }
    const LineEnd& g = it->second;
    const std::string where = label + " line " + std::to_string(line + 1) + " " + lineText(line);
    if (g.plunge) {
      EXPECT_TRUE(w.plunge) << where;
      ExpectSame(g.x, w.px, where), ExpectSame(g.y, w.py, where), ExpectSame(g.z, w.pz, where);
      ++compared;
      continue;
    }
    EXPECT_EQ(static_cast<int>(g.kind), static_cast<int>(w.kind)) << where;
    const double endTolerance = w.kind == cutter::Motion::ArcCW || w.kind == cutter::Motion::ArcCCW ? 2e-4 : 1e-9;
    ExpectSame(g.x, w.x, where, endTolerance), ExpectSame(g.y, w.y, where, endTolerance);
    ExpectSame(g.z, w.z, where);
    if (w.kind == cutter::Motion::ArcCW || w.kind == cutter::Motion::ArcCCW) {
      ExpectSame(g.cx, w.cx, where), ExpectSame(g.cy, w.cy, where);
    }
    ++compared;
  }
  return compared;
}

std::string Program(const TTBOutRegionArray& toolpaths, const TTBMachiningParameters& params,
                    const TTBPostProcessor& post) {
  SetDecimalCharacter('.');
  return NcProgramText(toolpaths, NcCommentLines(post, params, "PART1 T2", 0, Units::Millimetre), params, post,
                       Units::Millimetre);
}

// The cutting moves of the toolpaths come back as records in order: lines
// and arcs with their ends within the post's four decimals, arcs about
// their centres in their sense.
size_t MatchToolpaths(const NcPath& p, const TTBOutRegionArray& toolpaths, const std::string& label) {
  const double tol = 1e-4;
  size_t at = 1, matched = 0;
  const auto near = [&](double a, double b) { return std::fabs(a - b) <= tol; };
  for (size_t t = 1; t < toolpaths.size(); ++t) {
    const TTBOutRegion& path = toolpaths[t];
    if (path.LinkMode >= LinkDrillLinear) continue;
    for (const TTBEntity& e : path.Entities) {
      const TTBPoint s = EntityStart(e), f = EntityEnd(e);
      if (e.Radius == 0 && near(s.X, f.X) && near(s.Y, f.Y)) continue;
      bool found = false;
      const size_t from = at;
      for (; at <= static_cast<size_t>(NcHigh(p)) && !found; ++at) {
        const NcPathRecord& r = p[at];
        if (!r.IsMove() || r.IsRapid()) continue;
        const NcPoint rs = NcStart(r), rf = NcEnd(r);
        // An arc's ends are where its angles meet the circle of the written
        // centre: within the rounding of the centre too.
        const double t = r.IsArc() ? 2 * tol : tol;
        if (std::fabs(rs.X - s.X) > t || std::fabs(rs.Y - s.Y) > t || std::fabs(rf.X - f.X) > t ||
            std::fabs(rf.Y - f.Y) > t)
          continue;
        if (r.IsArc() != (e.Radius != 0) || !near(rf.Z, -path.Depth) || !near(rs.Z, -path.Depth)) continue;
        if (e.Radius != 0) {
          EXPECT_NEAR(r.A[0], e.X, 1e-3) << label;
          EXPECT_NEAR(r.A[1], e.Y, 1e-3) << label;
          EXPECT_EQ(r.Kind <= NcKindArcCWContinuous, e.Radius < 0) << label << ": the arc's sense";
        }
        found = true;
      }
      EXPECT_TRUE(found) << label << ": toolpath " << t << " entity from " << s.X << "," << s.Y << " to " << f.X
                         << "," << f.Y << " at depth " << path.Depth << " not in the program after record " << from;
      if (!found) at = from;
      else ++matched;
    }
  }
  return matched;
}

TEST(NcDifferential, SampleJobMovesComeBackAsTheToolpaths) {
  for (const auto& [name, post] : ShippedPosts()) {
    const auto list = testing_job::SampleToolpaths();
    const NcPath p = ParseNcProgram(Program(list, testing_job::SampleParameters(), post), post);
    EXPECT_GE(MatchToolpaths(p, list, name), 8u);
    const bool cycles = post.Scripts[2 * ScriptDrill].Command.find("G81") != std::string::npos;
    EXPECT_EQ(CountRecords(p).Drills, cycles ? 2 : 0) << name << ": the two G81 holes (GRBL drills with moves)";
  }
}

// The examples pocketed, contoured and drilled, through every post.
TEST(NcDifferential, ExampleProgramsThroughEveryShippedPost) {
  size_t compared = 0, matched = 0;
  for (const char* drawing : {"bracket.dxf", "plate_islands.dxf"})
    for (const OperationDialog op : {OperationDialog::Pocket, OperationDialog::Contour, OperationDialog::Drill}) {
      Job job = testing_settings::StartedJob();
      ASSERT_TRUE(OpenDxfFile(job, Source + "/examples/" + drawing).Loaded);
      if (op == OperationDialog::Drill) SelectEmptyCircles(job);
      else SelectAllClosed(job);
      ConfigurationFields f = DefaultConfigurationFields(op);
      f["RapidHeight"] = "5", f["RoughTool"] = "1", f["RoughDiameter"] = "6", f["RoughStepXY"] = "2";
      f["RoughStepZ"] = "2", f["RoughFeed"] = "600", f["RoughPlunge"] = "200", f["RoughRPM"] = "12000";
      if (op == OperationDialog::Contour) f["Compensation"] = "Cutout", f["Entry"] = "Arc", f["Exit"] = "Arc";
      ApplyOperationFields(job, op, f, "4");
      const OperationResult r = RunOperation(job, op);
      if (!r.Made) continue;
      for (const auto& [name, post] : ShippedPosts()) {
        const std::string label = std::string(drawing) + " " + name;
        const std::string text = Program(job.Toolpaths, job.MachiningParameters, post);
        compared += CompareReadings(text, post, label);
        matched += MatchToolpaths(ParseNcProgram(text, post), job.Toolpaths, label);
      }
    }
  EXPECT_GT(compared, 1000u);
  EXPECT_GT(matched, 500u);
}

}  // namespace
}  // namespace tibrel
