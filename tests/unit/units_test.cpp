// The drawing's unit from the file (or the option) to the program: the DXF
// header, the options, the post's units word, the NC comment, the DXF
// written back. Nothing is ever scaled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <unistd.h>

#include "core/ini.h"
#include "dxf/reader.h"
#include "dxf/writer.h"
#include "job/commands.h"
#include "job/open_drawing.h"
#include "job/operations.h"
#include "post/nc_writer.h"
#include "post/options.h"
#include "region_builders.h"
#include "cutter_model.h"
#include "../sample_job.h"

namespace tibrel {
namespace {

namespace fs = std::filesystem;

const std::string Source = TIBREL_SOURCE_DIR;

// --- the DXF header ---

// A one-line drawing behind the given header groups ("" for no header).
std::string WithHeader(const std::string& header) {
  return header + "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n1\n20\n2\n11\n3\n21\n4\n0\nENDSEC\n0\nEOF\n";
}

struct HeaderCase {
  const char* what;
  std::string header;
  long insUnits;
};

class DxfHeaderUnits : public testing::TestWithParam<HeaderCase> {};

// Every header, good or bad, leaves the entities as a file without one
// gives them; only a readable $INSUNITS is kept.
TEST_P(DxfHeaderUnits, TakeOnlyAReadableInsUnits) {
  const HeaderCase& c = GetParam();
  const DXF_Object d = ReadDxf(WithHeader(c.header), "h.dxf");
  EXPECT_EQ(d.InsUnits, c.insUnits);
  ASSERT_EQ(d.Layers.size(), 1u);
  ASSERT_EQ(d.Layers[0]->Lists.size(), 1u);
  ASSERT_EQ(d.Layers[0]->Lists[0]->Entities.size(), 1u);
  const auto* l = dynamic_cast<const Line_*>(d.Layers[0]->Lists[0]->Entities[0].get());
  ASSERT_TRUE(l && l->P1.X == 1 && l->P2.Y == 4);
}

const std::string Head = "0\nSECTION\n2\nHEADER\n";
const std::string End = "0\nENDSEC\n";

INSTANTIATE_TEST_SUITE_P(
    Headers, DxfHeaderUnits,
    testing::Values(HeaderCase{"none", "", 0}, HeaderCase{"inch", Head + "9\n$INSUNITS\n70\n1\n" + End, 1},
                    HeaderCase{"mm", Head + "9\n$INSUNITS\n70\n     4\n" + End, 4},
                    HeaderCase{"after other variables",
                               Head + "9\n$ACADVER\n1\nAC1015\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$INSUNITS\n70\n1\n" + End, 1},
                    HeaderCase{"after a comment", "999\nmade by hand\n" + Head + "9\n$INSUNITS\n70\n1\n" + End, 1},
                    HeaderCase{"not a number", Head + "9\n$INSUNITS\n70\ninch\n" + End, 0},
                    HeaderCase{"too big", Head + "9\n$INSUNITS\n70\n99999999999\n" + End, 0},
                    HeaderCase{"a fraction", Head + "9\n$INSUNITS\n70\n1.0\n" + End, 0},
                    HeaderCase{"the 70 of another variable", Head + "9\n$INSUNITS\n9\n$MEASUREMENT\n70\n1\n" + End, 0},
                    HeaderCase{"without ENDSEC", Head + "9\n$INSUNITS\n70\n1\n", 0},
                    HeaderCase{"not the first section", "0\nSECTION\n2\nTABLES\n0\nENDSEC\n" + Head +
                                                             "9\n$INSUNITS\n70\n1\n" + End, 0}),
    [](const auto& info) {
      std::string n = info.param.what;
      std::replace(n.begin(), n.end(), ' ', '_');
      return n;
    });

// --- the post's units word ---

TEST(PostUnits, ThePlaceholderBecomesTheWordForTheJobsUnit) {
  const struct {
    std::string line, inch, mm;  // the line, then as an inch and a millimetre job write it
  } cases[] = {
      {"G17 {Units} G90", "G17 G20 G90", "G17 G21 G90"},
      {"{units}{UNITS}", "G20G20", "G21G21"},
      {"{Unit} {Units", "{Unit} {Units", "{Unit} {Units"},
      {"G21", "G21", "G21"},
      {"", "", ""},
  };
  TTBPostProcessor post;
  for (const auto& c : cases) {
    post.Header = post.Footer = post.MiniPost.ToolHeader = post.MiniPost.ToolFooter = {c.line};
    EXPECT_EQ(PostPlacesUnits(post), c.line != c.inch) << c.line;
    for (auto [units, want] : {std::pair{Units::Inch, &c.inch}, std::pair{Units::Millimetre, &c.mm}}) {
      const TTBPostProcessor p = PostForUnits(post, units);
      for (const auto* list : {&p.Header, &p.Footer, &p.MiniPost.ToolHeader, &p.MiniPost.ToolFooter})
        EXPECT_EQ(*list, std::vector<std::string>{*want}) << c.line;
    }
  }
  // The post's own words, empty ones too; a word that holds the placeholder
  // is put in once.
  post.UnitsInch = "";
  post.UnitsMillimetre = "G71 {Units}";
  post.Header = {"G90 {Units} G17"};
  EXPECT_EQ(PostForUnits(post, Units::Inch).Header[0], "G90  G17");
  EXPECT_EQ(PostForUnits(post, Units::Millimetre).Header[0], "G90 G71 {Units} G17");
}

// The Default post as Posts.cfg shipped it before posts could place the
// units word: G21 written into its header, no words of its own.
std::string OlderDefault() {
  std::istringstream shipped(ReadFileBytes(Source + "/resources/Posts.cfg"));
  std::string out, line;
  while (std::getline(shipped, line) && line != "[Default]") {
  }
  for (out = line + "\n"; std::getline(shipped, line) && !line.empty() && line[0] != '[';) {
    if (line[0] == ';' || line.rfind("Units", 0) == 0) continue;
    if (const size_t at = line.find("{Units}"); at != std::string::npos) line.replace(at, 7, "G21");
    out += line + "\n";
  }
  return out;
}

// A post without the placeholder writes the same program for both units, and
// the very program it wrote before: the shipped Default's golden program for
// the millimetre sample job, less the comment that names the unit. The
// editor's Save keeps its section as it was, and keeps words that differ
// from G20 and G21, or that the section already had.
TEST(PostUnits, AnOlderPostWritesAndSavesAsBefore) {
  const std::string older = OlderDefault();
  IniFile file = IniFile::Parse(older);
  TTBPostProcessor post;
  ASSERT_TRUE(LoadPost(post, "Default", file));
  EXPECT_FALSE(PostPlacesUnits(post));
  post.Start = 100, post.Increment = 5;  // as the golden program was made
  const TTBMachiningParameters params = testing_job::SampleParameters();
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 6, tm.tm_hour = 9, tm.tm_min = 30, tm.tm_isdst = -1;
  std::string programs[2];
  for (Units u : {Units::Inch, Units::Millimetre})
    programs[static_cast<int>(u)] = NcProgramText(
        testing_job::SampleToolpaths(), NcCommentLines(post, params, "bracket", std::mktime(&tm), u), params, post, u);
  EXPECT_EQ(programs[0], programs[1]);
  std::string golden = ReadFileBytes(Source + "/tests/data/nc/Default.ngc");
  const size_t unitsLine = golden.find("(Units = mm)\n");
  ASSERT_NE(unitsLine, std::string::npos);
  golden.erase(unitsLine, std::string("(Units = mm)\n").size());
  EXPECT_EQ(programs[0], golden);

  PostGeneralFields g;  // as the General page shows the older post
  g.Extension = post.Extension;
  WritePostSection(file, "Default", g, post, post.Header, post.Footer);
  EXPECT_EQ(file.Text(), older);
  g.UnitsInch = "G70";
  WritePostSection(file, "Own", g, post, {"{Units}"}, post.Footer);
  EXPECT_EQ(file.ReadString("Own", "UnitsInch", ""), "G70");
  EXPECT_EQ(file.ReadString("Own", "UnitsMillimetre", ""), "G21");  // written with its partner
  g.UnitsInch = "G20";
  WritePostSection(file, "Own", g, post, {"{Units}"}, post.Footer);
  EXPECT_EQ(file.ReadString("Own", "UnitsInch", ""), "G20");
  TTBPostProcessor back;
  ASSERT_TRUE(LoadPost(back, "Own", file));
  EXPECT_EQ(back.Header, std::vector<std::string>{"{Units}"});
  EXPECT_TRUE(PostPlacesUnits(back));
}

// --- Open, then every shipped post: the file's unit, else the option's;
// the unit the controller runs in and the box it cuts ---

struct Box {
  double xmin = 1e300, ymin = 1e300, xmax = -1e300, ymax = -1e300;
  void Add(double x, double y) {
    xmin = std::min(xmin, x), ymin = std::min(ymin, y), xmax = std::max(xmax, x), ymax = std::max(ymax, y);
  }
};

// Where the feed moves of the program go in XY: the ends of lines, and of
// arcs also every quarter point they pass.
Box CuttingBox(const cutter::Program& program) {
  Box b;
  for (const auto& m : program.moves) {
    if (!m.IsFeed()) continue;
    b.Add(m.x0, m.y0);
    b.Add(m.x1, m.y1);
    if (m.kind == cutter::Motion::Line) continue;
    const double r = std::hypot(m.x0 - m.cx, m.y0 - m.cy);
    const double a0 = std::atan2(m.y0 - m.cy, m.x0 - m.cx), a1 = std::atan2(m.y1 - m.cy, m.x1 - m.cx);
    // A clockwise arc is the counter-clockwise one from its end; equal ends
    // make a full circle.
    const bool ccw = m.kind == cutter::Motion::ArcCCW;
    const double from = ccw ? a0 : a1, sweep = std::fmod(ccw ? a1 - a0 : a0 - a1, 2 * M_PI);
    const double turn = sweep <= 1e-12 ? sweep + 2 * M_PI : sweep;
    for (int k = 0; k < 4; ++k)
      if (std::fmod(k * M_PI / 2 - from + 4 * M_PI, 2 * M_PI) <= turn)
        b.Add(m.cx + r * std::cos(k * M_PI / 2), m.cy + r * std::sin(k * M_PI / 2));
  }
  return b;
}

struct OpenCase {
  const char* file;
  Units option;
  Units expected;
  bool inDrawing;
  double xmax, ymax;  // the plate's box from (0, 0), as the fixture notes give it
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.file << " with the option " << UnitsName(c.option); }

const OpenCase OpenCases[] = {
    {"ezdxf_plate_inch_r2018.dxf", Units::Millimetre, Units::Inch, true, 4, 2.5},
    {"ezdxf_plate_mm_r2018.dxf", Units::Inch, Units::Millimetre, true, 101.6, 63.5},
    {"ezdxf_plate_unitless_r12.dxf", Units::Inch, Units::Inch, false, 101.6, 63.5},
    {"ezdxf_plate_unitless_r12.dxf", Units::Millimetre, Units::Millimetre, false, 101.6, 63.5},
};

using ThroughPosts = testing::TestWithParam<std::tuple<std::string, OpenCase>>;

TEST_P(ThroughPosts, TheProgramRunsInTheDrawingsUnitOverTheDrawingsBox) {
  const auto& [postName, c] = GetParam();
  const IniFile posts = IniFile::Load(Source + "/resources/Posts.cfg");
  Job job;
  ASSERT_TRUE(LoadPost(job.CurrentPost, postName, posts));
  job.Options.DefaultUnits = c.option;
  job.DrawingUnits = c.expected == Units::Inch ? Units::Millimetre : Units::Inch;
  const OpenResult r = OpenDxfFile(job, Source + "/tests/data/" + c.file);
  ASSERT_TRUE(r.Loaded);
  EXPECT_EQ(UnitsMessage(r.DrawingUnits, r.UnitsInDrawing),
            std::string("Units: ") + UnitsName(c.expected) + (c.inDrawing ? "" : " (none in the drawing)"));
  SelectAllClosed(job);
  // The tool runs on the outlines; lengths as a user of that unit types them.
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Contour);
  const double scale = c.xmax / 4;  // 1 for the inch numbers, 25.4 for the millimetre ones
  for (auto [key, value] : {std::pair{"RoughDiameter", 0.125}, std::pair{"RoughStepZ", 0.1},
                            std::pair{"RoughFeed", 20.0}, std::pair{"RoughPlunge", 5.0}, std::pair{"RapidHeight", 0.2}})
    f[key] = std::to_string(value * scale);
  f["Compensation"] = f["Entry"] = f["Exit"] = "None";
  ApplyOperationFields(job, OperationDialog::Contour, f, std::to_string(0.1 * scale));
  ASSERT_TRUE(RunOperation(job, OperationDialog::Contour).Made);

  const std::vector<std::string> comments =
      NcCommentLines(job.CurrentPost, job.MachiningParameters, "plate", 0, job.DrawingUnits);
  const std::string program =
      NcProgramText(job.Toolpaths, comments, job.MachiningParameters, job.CurrentPost, job.DrawingUnits);
  const cutter::Program run = cutter::ReadProgram(program);
  ASSERT_FALSE(run.moves.empty());
  // The drawing's unit at the first move and no other unit word anywhere.
  EXPECT_EQ(run.unitsAtFirstMove, c.expected == Units::Inch ? 20 : 21) << program.substr(0, 300);
  const char* other = c.expected == Units::Inch ? "G21" : "G20";
  EXPECT_EQ(std::count(run.codes.begin(), run.codes.end(), other), 0);
  EXPECT_NE(program.find(std::string("(Units = ") + UnitsName(c.expected) + ")"), std::string::npos);
  const Box b = CuttingBox(run);
  EXPECT_NEAR(std::fabs(b.xmin) + std::fabs(b.ymin) + std::fabs(b.xmax - c.xmax) + std::fabs(b.ymax - c.ymax), 0, 4e-4);
}

INSTANTIATE_TEST_SUITE_P(Posts, ThroughPosts,
                         testing::Combine(testing::Values("Default", "GRBL", "Mach3"), testing::ValuesIn(OpenCases)),
                         [](const auto& info) {
                           const OpenCase& c = std::get<1>(info.param);
                           std::string file = c.file;
                           file = file.substr(12, file.find('.') - 12);  // past "ezdxf_plate_"
                           return std::get<0>(info.param) + "_" + file + "_option_" + UnitsName(c.option);
                         });

// --- DXF written and read back ---

TEST(DxfUnits, GeometryAndToolpathFilesReopenInTheirUnit) {
  const Job source = testing_regions::JobOf({testing_regions::Square(0, 0, 2)});
  TTBOutRegionArray paths = EmptyToolpathList();
  paths.push_back(testing_job::Path(1, LinkLift, 0.5, -1, source.Regions[1].Entities));
  const fs::path dir = fs::temp_directory_path() / ("tibrel_units_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "out.dxf").string();
  for (Units u : {Units::Inch, Units::Millimetre})
    for (bool toolpaths : {false, true}) {
      SCOPED_TRACE(std::string(UnitsName(u)) + (toolpaths ? " toolpaths" : " geometry"));
      toolpaths ? SaveToolpathsDxf(paths, u, file) : SaveGeometryDxf(source.Regions, u, file);
      Job back;
      back.Options.DefaultUnits = u == Units::Inch ? Units::Millimetre : Units::Inch;
      const OpenResult r = OpenDxfFile(back, file);
      ASSERT_TRUE(r.Loaded);
      EXPECT_TRUE(r.UnitsInDrawing);
      EXPECT_EQ(back.DrawingUnits, u);
      EXPECT_NEAR(back.DrawingExtents.XMax, 2, 1e-9);  // not scaled
    }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tibrel
