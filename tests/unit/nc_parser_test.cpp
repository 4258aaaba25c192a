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

std::vector<std::pair<NcTokenKind, std::string>> Tokens(std::string_view line, const TTBPostProcessor* post = nullptr) {
  TSynGCodeSyn s;
  if (post) s.ConfigureFromPost(*post, {});
  std::vector<std::pair<NcTokenKind, std::string>> out;
  for (s.SetLine(line, 0); !s.Eol(); s.Next())
    if (s.Kind() != NcTokenKind::Space) out.emplace_back(s.Kind(), std::string(s.Token()));
  return out;
}

using K = NcTokenKind;

TEST(NcTokens, SplitAsTheCharacterTableSays) {
  const std::vector<std::pair<std::string, std::vector<std::pair<K, std::string>>>> cases = {
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
      {std::string("X1\0X2", 5), {{K::Axis, "X"}, {K::Number, "1"}}},  // a NUL ends the line
      {"\xff\xfe", {{K::Symbol, "\xff"}, {K::Symbol, "\xfe"}}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Tokens(line), expected) << line;
  // The post's one-character comment starts a comment.
  TTBPostProcessor p = TestPost();
  p.Comment = "[";
  EXPECT_EQ(Tokens("[TOOL 1]")[0].first, K::Symbol);
  EXPECT_EQ(Tokens("[TOOL 1]", &p), (std::vector<std::pair<K, std::string>>{{K::Comment, "[TOOL 1]"}}));
}

// (That tokens cover every line exactly is the fuzz target's check.)
TEST(NcTokens, AttributesFollowTheColours) {
  TTBEditorColours colours;
  colours.CommandColor = 0x0000FF, colours.CommandStyle = 2, colours.AddressColor = 0x00FF00;
  TSynGCodeSyn s;
  s.ConfigureFromPost(TestPost(), colours);
  int checked = 0;
  for (s.SetLine("N10 G01 X1.5 (CUT) ", 0); !s.Eol(); s.Next()) {
    const auto* a = s.Attribute();
    ASSERT_NE(a, nullptr);
    if (s.Kind() == K::GCode) {
      EXPECT_TRUE(a->Foreground == 0x0000FF && a->Italic && a->Bold);
      ++checked;
    }
    if (s.Kind() == K::Axis) {
      EXPECT_EQ(a->Foreground, 0x00FF00);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2);
}

// --- parse mode ---

NcPath Parse(const std::string& text, const TTBPostProcessor& post = TestPost()) {
  SetDecimalCharacter('.');
  return ParseNcProgram(text, post);
}

// The records as text: R rapid, F feed, A clockwise and C counter-clockwise
// arc, D drill plunge, each with its end, and its start when that is not
// where the move before ended; Tn a tool; - an empty record.
std::string Records(const NcPath& p) {
  std::string out;
  NcPoint at;
  for (int32_t i = 1; i <= NcHigh(p); ++i) {
    const NcPathRecord& r = p[i];
    const NcPoint s = NcStart(r), e = NcEnd(r);
    char buf[120];
    const char kind = r.IsRapid() ? 'R' : r.IsFeedLine() ? 'F' : r.IsDrillPlunge() ? 'D' : !r.IsArc() ? '?'
                      : r.Kind <= NcKindArcCWContinuous ? 'A' : 'C';
    if (r.Kind == NcKindTool) {
      std::snprintf(buf, sizeof buf, "T%g", r.R);
    } else if (!r.IsMove()) {
      std::snprintf(buf, sizeof buf, "-");
    } else {
      const int n = std::snprintf(buf, sizeof buf, "%c%g,%g,%g", kind, e.X, e.Y, e.Z);
      if (std::fabs(s.X - at.X) + std::fabs(s.Y - at.Y) + std::fabs(s.Z - at.Z) > 1e-9)
        std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), " from %g,%g,%g", s.X, s.Y, s.Z);
      at = e;
    }
    out += (out.empty() ? "" : " ") + std::string(buf);
  }
  return out;
}

TEST(NcParse, ModalWordsAddressesAndCycles) {
  const auto g12Arcs = [](TTBPostProcessor& p) { p.Scripts[4].Command = p.Scripts[5].Command = "G12"; };
  const auto noArcFormat = [](TTBPostProcessor& p) { p.Scripts[4].Entries.pop_back(); };
  const struct {
    const char* program;
    void (*post)(TTBPostProcessor&);
    const char* records;
  } cases[] = {
      {"G00X1Y1\nX2\nG02X4 I1\nG1 Z-1\n", nullptr, "R1,1,0 R2,1,0 A4,1,0 F4,1,-1"},
      // G17 and G04 name no command: the rapid stays, and a line with an
      // address of the post (P) is a move.
      {"G00 X1\nG17 X2\nG04 P1\n(X9)\nM03\n", nullptr, "R1,0,0 R2,0,0 R2,0,0"},
      {"G01 X1\nG02 X2 I1\n", g12Arcs, "F1,0,0 F2,0,0"},  // a G word the post does not name
      {"G01 X1 E10\nX2 A5\n", nullptr, "F1,0,0 F2,0,0"},  // E and A are no addresses
      {"G01 X1..5 Y2\n", nullptr, "F1,2,0"},
      // Without an arc format the arc's values are kept but the cutter stays.
      {"G01 X1\nG02 X2 I1\nG01 Y1\n", noArcFormat, "F1,0,0 - F2,1,0"},
      // A drill cycle: to the clearance, over, down; it repeats with its words.
      {"G00 X1 Y1 Z5\nG81 X10 Y20 Z-3 R2\nX30\n", nullptr,
       "R1,1,5 R1,1,2 R10,20,2 D10,20,-3 R10,20,2 R30,20,2 D30,20,-3"},
      {"T3 M06\n(Change to tool T4)\n(PART1 T)\nG00 X1\n", nullptr, "T3 T4 R1,0,0"},
  };
  for (const auto& c : cases) {
    TTBPostProcessor post = TestPost();
    if (c.post) c.post(post);
    EXPECT_EQ(Records(Parse(c.program, post)), c.records) << c.program;
  }
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
  const NcPath p = Parse(std::string("G00 X0 Y0\n") + c.program, TestPost(c.arcVariable));
  ASSERT_EQ(NcHigh(p), 2);
  const NcPathRecord& r = p[2];
  EXPECT_EQ(r.Kind, c.kind);
  const double got[] = {r.A[0], r.A[1], r.R, r.B[0], r.B[1]}, want[] = {c.cx, c.cy, c.r, c.a0, c.a1};
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(got[k], want[k], 1e-9) << k;
  // Whatever the format, the arc runs from the cutter to the programmed point.
  double ex = 0, ey = 0;
  ASSERT_EQ(std::sscanf(c.program + 3, " X%lf Y%lf", &ex, &ey), 2);
  const NcPoint s = NcStart(r), e = NcEnd(r);
  EXPECT_NEAR(std::hypot(s.X, s.Y) + std::hypot(e.X - ex, e.Y - ey) + std::fabs(s.Z) + std::fabs(e.Z), 0, 1e-9);
}

const double Pi = M_PI;
INSTANTIATE_TEST_SUITE_P(
    Formats, NcArcs,
    testing::Values(
        ArcCase{"incremental_ccw", VarIi, "G03 X2 Y0 I1 J0\n", 1, 0, 1, Pi, 2 * Pi, NcKindArcCCW},
        ArcCase{"incremental_cw", VarIi, "G02 X2 Y0 I1 J0\n", 1, 0, 1, 0, Pi, NcKindArcCW},
        ArcCase{"incremental_full", VarIi, "G02 X0 Y0 I1 J0\n", 1, 0, 1, Pi, 3 * Pi, NcKindArcCW},
        ArcCase{"absolute_ccw", VarCx, "G03 X2 Y2 P2 Q0\n", 2, 0, 2, Pi, 2.5 * Pi, NcKindArcCCW},
        ArcCase{"absolute_cw", VarCx, "G02 X2 Y2 P2 Q0\n", 2, 0, 2, 0.5 * Pi, Pi, NcKindArcCW},
        // Radius: the side and the sense follow G2/G3 and the sign of R
        // (every sweep both ways below).
        ArcCase{"radius_cw_long", VarRad, "G02 X2 Y0 R-1.25\n", 1, 0.75, 1.25, 2 * Pi - std::atan2(0.75, 1),
                3 * Pi + std::atan2(0.75, 1), NcKindArcCW},
        ArcCase{"radius_too_small", VarRad, "G03 X2 Y0 R0.5\n", 1, 0, 1, Pi, 2 * Pi, NcKindArcCCW}),
    [](const testing::TestParamInfo<ArcCase>& i) { return std::string(i.param.name); });

// Arcs of every sweep both ways on one circle, R signed by the sweep: the
// centre, the sense and the sweep come back.
TEST(NcParse, RadiusArcsFindTheirCircle) {
  for (const double sweep : {0.3, 1.0, 2.5, 3.5, 5.0})
    for (const bool cw : {false, true}) {
      const double r = 3, a = 0.4, b = cw ? a - sweep : a + sweep;
      char prog[256];
      std::snprintf(prog, sizeof prog, "G00 X%.12f Y%.12f\n%s X%.12f Y%.12f R%.12f\n", r * std::cos(a),
                    r * std::sin(a), cw ? "G02" : "G03", r * std::cos(b), r * std::sin(b), sweep > Pi ? -r : r);
      const NcPath p = Parse(prog, TestPost(VarRad));
      ASSERT_EQ(NcHigh(p), 2);
      EXPECT_EQ(p[2].Kind, cw ? NcKindArcCW : NcKindArcCCW) << prog;
      EXPECT_NEAR(std::hypot(p[2].A[0], p[2].A[1]), 0, 1e-6) << prog;
      EXPECT_NEAR(p[2].B[1] - p[2].B[0], sweep, 1e-6) << prog;
    }
}

// Extents, the program's drawing and the run time of one program.
TEST(NcParse, ExtentsDrawingAndRunTime) {
  const NcPath p = Parse("T1\nG00 X2 Y0 Z1\nG01 Z-1 F100\nG03 X0 Y2 I-2 J0\nG02 X0 Y2 I0 J-1\nG81 X5 Y5 Z-4 R2\n");
  const NcExtents e = PathExtents(p);
  ASSERT_TRUE(e.Valid);
  // The quarter arc from (2, 0) to (0, 2) about the origin keeps Y >= 0; the
  // full circle about (0, 1) reaches X -1.
  const double got[] = {e.XMin, e.YMin, e.ZMin, e.XMax, e.YMax, e.ZMax}, want[] = {-1, 0, -4, 5, 5, 2};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(got[k], want[k], 1e-12) << k;
  EXPECT_FALSE(PathExtents(Parse("M03\n")).Valid);
  // Two lines and the three of the drill cycle; two arcs, the second a full
  // circle (equal angles).
  const std::string dxf = DXF_Writer(*NcPathDrawing(p, Units::Millimetre, "Dxf"));
  const auto count = [&dxf](const std::string& what) {
    size_t n = 0;
    for (size_t at = dxf.find(what); at != std::string::npos; at = dxf.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("0\r\nLINE\r\n"), 5u);
  EXPECT_EQ(count("0\r\nARC\r\n"), 2u);
  const NcPath q = Parse("G00 X10\nG01 X20 F100\nX30\n");
  EXPECT_NEAR(EstimatedMinutes(q, 5000), 10.0 / 5000 + 20.0 / 100, 1e-12);
}

// --- programs of our own writer, read by the parser and by the controller model ---

// A program line's last move as a reader sees it; for a drill cycle the
// bottom of its plunge. Machine Z 0 of a G53 move is the model's SafeZ and
// the parser's Z 0.
struct LineEnd {
  cutter::Motion kind = cutter::Motion::Rapid;
  double x = 0, y = 0, z = 0, cx = 0, cy = 0;
  bool vertical = false;          // the parser's move kept its X and Y
  bool plunge = false;            // the model: the line fed down; the parser: a drill plunge
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
    if (!r.IsArc() && s.X == f.X && s.Y == f.Y && s.Z == f.Z) continue;  // the model drops these
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

// Compares the two readings line by line; returns the number of lines
// compared. An arc's end is where its angle meets the circle of the written
// centre: within the centre's rounding (four decimals).
size_t CompareReadings(const std::string& program, const TTBPostProcessor& post, const std::string& label) {
  SetDecimalCharacter('.');
  const cutter::Program model = cutter::ReadProgram(program);
  EXPECT_TRUE(model.problems.empty()) << label << cutter::Report(model.problems, model);
  const std::map<size_t, LineEnd> want = ModelEnds(model);
  const std::map<size_t, LineEnd> got = ParsedEnds(ParseNcProgram(program, post));
  const auto lineText = [&](size_t l) { return l < model.lines.size() ? model.lines[l] : std::string(); };
  // A drill cycle leaves the parser at the bottom of the hole and the
  // controller at its clearance: the rise after it is the parser's alone.
  for (const auto& [line, g] : got)
    EXPECT_TRUE(want.count(line) || (g.kind == cutter::Motion::Rapid && g.vertical))
        << label << ": the parser moves on line " << line + 1 << " " << lineText(line);
  size_t compared = 0;
  for (const auto& [line, w] : want) {
    const auto it = got.find(line);
    // The parser starts at the origin, the model nowhere.
    if (it == got.end() && !w.startKnown) continue;
    const std::string where = label + " line " + std::to_string(line + 1) + " " + lineText(line);
    if (it == got.end()) {
      ADD_FAILURE() << where << ": no record";
      continue;
    }
    const LineEnd& g = it->second;
    const bool arc = w.kind == cutter::Motion::ArcCW || w.kind == cutter::Motion::ArcCCW;
    // The model knows no X or Y before the program sets them (NaN).
    const auto same = [&](double got, double want, double tol) {
      EXPECT_TRUE(std::isnan(want) || std::fabs(got - want) <= tol) << where << ": " << got << " for " << want;
    };
    ++compared;
    if (g.plunge) {
      EXPECT_TRUE(w.plunge) << where;
      same(g.x, w.px, 1e-9), same(g.y, w.py, 1e-9), same(g.z, w.pz, 1e-9);
      continue;
    }
    EXPECT_EQ(static_cast<int>(g.kind), static_cast<int>(w.kind)) << where;
    same(g.x, w.x, arc ? 2e-4 : 1e-9), same(g.y, w.y, arc ? 2e-4 : 1e-9), same(g.z, w.z, 1e-9);
    if (arc) same(g.cx, w.cx, 1e-9), same(g.cy, w.cy, 1e-9);
  }
  return compared;
}

// The examples pocketed, contoured and drilled, through every shipped post.
// (That the model finds the toolpaths' cuts in these programs is the
// machining safety tests' check.)
TEST(NcDifferential, ExampleProgramsThroughEveryShippedPost) {
  size_t compared = 0;
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
      if (!RunOperation(job, op).Made) continue;
      for (const auto& [name, post] : ShippedPosts()) {
        const std::string label = std::string(drawing) + " " + name;
        SetDecimalCharacter('.');
        const std::string text =
            NcProgramText(job.Toolpaths, NcCommentLines(post, job.MachiningParameters, "PART1 T2", 0, Units::Millimetre),
                          job.MachiningParameters, post, Units::Millimetre);
        compared += CompareReadings(text, post, label);
      }
    }
  EXPECT_GT(compared, 1000u);
}

}  // namespace
}  // namespace tibrel
