#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "gerber/reader.h"

namespace tibrel {
namespace {

// A test's name from its case's description.
template <class Case>
std::string CaseName(const testing::TestParamInfo<Case>& i) {
  std::string n = i.param.name;
  for (char& ch : n)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

// Signed distance to an analytic pad: negative inside.
using Shape = std::function<double(TTBPoint)>;

Shape Disc(TTBPoint c, double r) {
  return [=](TTBPoint p) { return std::hypot(p.X - c.X, p.Y - c.Y) - r; };
}
Shape Rect(TTBPoint c, double w, double h) {
  return [=](TTBPoint p) {
    const double dx = std::fabs(p.X - c.X) - w / 2, dy = std::fabs(p.Y - c.Y) - h / 2;
    return std::max(dx, dy) > 0 ? std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) : std::max(dx, dy);
  };
}
// A capsule round the segment a..b.
Shape Capsule(TTBPoint a, TTBPoint b, double r) {
  return [=](TTBPoint p) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l2, 0.0, 1.0) : 0;
    return std::hypot(p.X - a.X - t * dx, p.Y - a.Y - t * dy) - r;
  };
}
Shape RoundRect(TTBPoint c, double w, double h, double r) {
  return [=](TTBPoint p) { return Rect(c, w - 2 * r, h - 2 * r)(p) - r; };
}

struct PadCase {
  const char* name;
  std::string file;
  Units unit;
  Shape shape;
  double width, height;  // the pad's box
};

class TracedPad : public testing::TestWithParam<PadCase> {};

// One pad gives one loop, every corner of which lies within a pixel of the
// pad's analytic edge, and whose box spans the pad's to a pixel. (That loops
// close is the fuzz target's check.)
TEST_P(TracedPad, LiesWithinAPixelOfTheShape) {
  const PadCase& c = GetParam();
  const GerberResult res = ReadGerber(c.file, {});
  ASSERT_EQ(res.Regions.size(), 2u) << c.name;
  EXPECT_EQ(res.DrawingUnits, c.unit);
  const double px = GerberPixelSize(c.unit);
  const TTBRegion& r = res.Regions[1];
  EXPECT_GT(r.Entities.size(), 3u);
  for (const auto& e : r.Entities)
    EXPECT_LE(std::fabs(c.shape(EntityStart(e))), 1.5 * px) << c.name << " at " << e.X << "," << e.Y;
  EXPECT_NEAR(r.XMax - r.XMin, c.width, 2 * px) << c.name;
  EXPECT_NEAR(r.YMax - r.YMin, c.height, 2 * px) << c.name;
}

const std::string InchHead = "%FSLAX24Y24*%\n%MOIN*%\n";
const std::string MmHead = "G04 written by hand*\n%FSLAX46Y46*%\n%MOMM*%\n";
// KiCad's rounded rectangle: four corner discs, the outline between their
// centres and four edge strokes.
const std::string RoundRectMacro =
    "%AMRoundRect*\n0 Rectangle with rounded corners*\n0 $1 Rounding radius*\n"
    "0 $2 $3 $4 $5 $6 $7 $8 $9 X,Y pos of 4 corners*\n"
    "4,1,4,$2,$3,$4,$5,$6,$7,$8,$9,$2,$3,0*\n"
    "1,1,$1+$1,$2,$3*\n1,1,$1+$1,$4,$5*\n1,1,$1+$1,$6,$7*\n1,1,$1+$1,$8,$9*\n"
    "20,1,$1+$1,$2,$3,$4,$5,0*\n20,1,$1+$1,$4,$5,$6,$7,0*\n20,1,$1+$1,$6,$7,$8,$9,0*\n20,1,$1+$1,$8,$9,$2,$3,0*%\n";

INSTANTIATE_TEST_SUITE_P(
    Pads, TracedPad,
    testing::Values(
        PadCase{"inch rectangle, trailing zeros omitted",
                "%FSTAX24Y24*%\n%MOIN*%\n%ADD11R,0.050X0.030*%\nD11*\nX01Y005D03*\nM02*\n", Units::Inch,
                Rect({1, 0.5}, 0.05, 0.03), 0.05, 0.03},
        PadCase{"inch obround", InchHead + "%ADD12O,0.080X0.040*%\nD12*\nX5000Y5000D03*\nM02*\n", Units::Inch,
                Capsule({0.48, 0.5}, {0.52, 0.5}, 0.02), 0.08, 0.04},
        PadCase{"mm circle", MmHead + "%ADD10C,1.600000*%\nD10*\nX12700000Y-5000000D03*\nM02*\n", Units::Millimetre,
                Disc({12.7, -5}, 0.8), 1.6, 1.6},
        PadCase{"mm rectangle", MmHead + "%ADD11R,2.000000X1.200000*%\nD11*\nX1000000Y2000000D03*\nM02*\n",
                Units::Millimetre, Rect({1, 2}, 2, 1.2), 2, 1.2},
        PadCase{"mm obround upright", MmHead + "%ADD12O,1.000000X2.000000*%\nD12*\nX0Y0D03*\nM02*\n",
                Units::Millimetre, Capsule({0, -0.5}, {0, 0.5}, 0.5), 1, 2},
        PadCase{"mm rounded rectangle macro",
                MmHead + RoundRectMacro +
                    "%ADD13RoundRect,0.250000X-0.750000X-0.500000X0.750000X-0.500000X0.750000X0.500000X-0.750000X0.500000X0*%\n"
                    "D13*\nX3000000Y3000000D03*\nM02*\n",
                Units::Millimetre, RoundRect({3, 3}, 2, 1.5, 0.25), 2, 1.5},
        PadCase{"mm centre-line macro rotated",
                MmHead + "%AMBAR*21,1,$1,$2,0,0,90*%\n%ADD14BAR,3.0X1.0*%\nD14*\nX0Y0D03*\nM02*\n", Units::Millimetre,
                Rect({0, 0}, 1, 3), 1, 3},
        PadCase{"inch octagon polygon aperture", InchHead + "%ADD15P,0.100X8X22.5*%\nD15*\nX0Y0D03*\nM02*\n", Units::Inch,
                [](TTBPoint p) {
                  // An octagon with flats facing the axes: apothem r cos(22.5).
                  const double a = 0.05 * std::cos(Pi / 8);
                  double d = -1;
                  for (int k = 0; k < 8; ++k) {
                    const double t = Pi / 8 * 2 * k;
                    d = std::max(d, p.X * std::cos(t) + p.Y * std::sin(t) - a);
                  }
                  return d;
                },
                2 * 0.05 * std::cos(Pi / 8), 2 * 0.05 * std::cos(Pi / 8)},
        PadCase{"stroke with round ends (the 1-inch line)",
                "%FSLAX23Y23*%\n%MOIN*%\n%ADD10C,0.010*%\nD10*\nX1000Y1000D02*\nX2000Y1000D01*\nM02*\n", Units::Inch,
                Capsule({1, 1}, {2, 1}, 0.005), 1.01, 0.01},
        PadCase{"statement giving X only keeps Y",
                "%FSLAX23Y23*%\n%MOIN*%\n%ADD10C,0.020*%\nD10*\nX1000Y500D02*\nX2000D01*\nM02*\n", Units::Inch,
                Capsule({1, 0.5}, {2, 0.5}, 0.01), 1.02, 0.02},
        PadCase{"incremental coordinates",
                "%FSLIX23Y23*%\n%MOIN*%\n%ADD10C,0.020*%\nD10*\nX1000Y500D02*\nX500D01*\nX500D01*\nM02*\n",
                Units::Inch, Capsule({1, 0.5}, {2, 0.5}, 0.01), 1.02, 0.02},
        PadCase{"comment holding D and G letters is skipped",
                "G04 Drawn by Graphic Designer D1 G99*\n%FSLAX23Y23*%\n%MOIN*%\n%TF.FileFunction,Copper,L1,Top*%\n"
                "%TA.AperFunction,SMDPad*%\n%ADD10C,0.060*%\n%TD*%\nD10*\nX1000Y500D03*\nM02*\n",
                Units::Inch, Disc({1, 0.5}, 0.03), 0.06, 0.06}),
    CaseName<PadCase>);

// Area enclosed by a closed region of lines (shoelace).
double Area(const TTBRegion& r) {
  double a = 0;
  for (const auto& e : r.Entities) a += e.X * e.Y2 - e.X2 * e.Y;
  return std::fabs(a) / 2;
}
double Perimeter(const TTBRegion& r) {
  double p = 0;
  for (const auto& e : r.Entities) p += EntityLength(e);
  return p;
}

struct AreaCase {
  const char* name;
  std::string file;
  std::vector<double> areas;  // of the loops, largest first
};
class FilledArea : public testing::TestWithParam<AreaCase> {};

// Filled regions, arcs, clear polarity and repeats give loops whose areas
// match the geometry's to half a pixel along their length.
TEST_P(FilledArea, MatchesTheGeometry) {
  const AreaCase& c = GetParam();
  const GerberResult res = ReadGerber(c.file, {});
  ASSERT_EQ(res.Regions.size(), c.areas.size() + 1) << c.name;
  std::vector<const TTBRegion*> loops;
  for (size_t i = 1; i < res.Regions.size(); ++i) loops.push_back(&res.Regions[i]);
  std::sort(loops.begin(), loops.end(), [](auto a, auto b) { return Area(*a) > Area(*b); });
  const double px = GerberPixelSize(res.DrawingUnits);
  for (size_t k = 0; k < loops.size(); ++k)
    EXPECT_NEAR(Area(*loops[k]), c.areas[k], Perimeter(*loops[k]) * px) << c.name << " loop " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Regions, FilledArea,
    testing::Values(
        // A pour with a diagonal edge: the triangle-cut square.
        AreaCase{"mm region polygon",
                 MmHead + "G36*\nX0Y0D02*\nX10000000Y0D01*\nX10000000Y5000000D01*\nX5000000Y10000000D01*\nX0Y10000000D01*\n"
                          "X0Y0D01*\nG37*\nM02*\n",
                 {100 - 12.5}},
        // A region bounded by a half circle (G75 arc) and its diameter.
        AreaCase{"inch region with arc", InchHead + "G75*\nG36*\nX-10000Y0D02*\nG01*\nX10000Y0D01*\nG03*\nX-10000Y0I-10000J0D01*\n"
                                                    "G01*\nG37*\nM02*\n",
                 {Pi / 2}},
        // A full circle stroked in multi-quadrant mode: a ring of two loops.
        AreaCase{"mm ring by G75 full circle",
                 MmHead + "%ADD10C,0.500000*%\nD10*\nG75*\nX5000000Y0D02*\nG02*\nX5000000Y0I-5000000J0D01*\nM02*\n",
                 {Pi * 5.25 * 5.25, Pi * 4.75 * 4.75}},
        // A quarter arc in single-quadrant mode (unsigned offsets) then
        // closed with two lines: a filled quarter disc.
        AreaCase{"inch quarter disc by G74",
                 InchHead + "G74*\nG36*\nX0Y0D02*\nG01*\nX10000Y0D01*\nG03*\nX0Y10000I10000J0D01*\nG01*\nX0Y0D01*\nG37*\nM02*\n",
                 {Pi / 4}},
        // A square with a clear hole (layer polarity clear).
        AreaCase{"inch clear polarity hole", InchHead + "%ADD10R,0.5000X0.5000*%\n%ADD11C,0.2000*%\nD10*\nX0Y0D03*\n%LPC*%\nD11*\n"
                                                        "X0Y0D03*\n%LPD*%\nM02*\n",
                 {0.25, Pi * 0.01}},
        // Step and repeat: a pad 3 by 2 times.
        AreaCase{"mm step and repeat",
                 MmHead + "%ADD10R,1.000000X1.000000*%\n%SRX3Y2I5.0J4.0*%\nD10*\nX0Y0D03*\n%SR*%\nM02*\n",
                 {1, 1, 1, 1, 1, 1}},
        // Thermal relief: four quarters of a ring.
        AreaCase{"mm thermal macro", MmHead + "%AMTHERM*7,0,0,4.0,2.0,0.5,0*%\n%ADD16THERM*%\nD16*\nX0Y0D03*\nM02*\n",
                 std::vector<double>(4, (Pi * (4 - 1) - 4 * 0.5 * 1) / 4)}),
    CaseName<AreaCase>);

struct Expectation {
  const char* name;
  std::string file;
  size_t loops;
  std::vector<std::string> notices;
};
class ReadOutcome : public testing::TestWithParam<Expectation> {};

TEST_P(ReadOutcome, GivesLoopsAndNotices) {
  const Expectation& c = GetParam();
  const GerberResult res = ReadGerber(c.file, {});
  EXPECT_EQ(res.Regions.size(), c.loops + 1) << c.name;
  EXPECT_EQ(res.Notices, c.notices) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadOutcome,
    testing::Values(
        Expectation{"two flashes, the first painted too",
                    "%ADD10C,0.060*%\nD10*\nX1000Y1000D03*\nX3000Y1000D03*\nM02*\n", 2, {}},
        Expectation{"positive polarity, G01 and G75 silent", "%IPPOS*%\n%ADD10C,0.060*%\nG75*\nG01*\nD10*\nX1000Y1000D03*\nM02*\n", 1,
                    {}},
        Expectation{"G55 unknown to the old format is accepted; G99 is not",
                    "%ADD10C,0.060*%\nG55D10*\nG99*\nX1000Y1000D03*\nM02*\n", 1, {UnrecognisedGMessage}},
        Expectation{"parameters read but not followed",
                    "%MIA0B0*%\n%SFA2B2*%\n%ADD10C,0.060*%\nD10*\nX1000Y1000D03*\nM02*\n", 1,
                    {"Mirror Image Read But Ignored.", "Scale Factor Read But Ignored."}},
        Expectation{"zero offset and unit scale change nothing",
                    "%OFA0B0*%\n%SFA1.0B1*%\n%ADD10C,0.060*%\nD10*\nX1000Y1000D03*\nM02*\n", 1, {}},
        Expectation{"a real offset is not followed", "%OFA0.5B0*%\n%ADD10C,0.060*%\nD10*\nX1000Y1000D03*\nM02*\n", 1,
                    {"Offset Read But Ignored."}},
        Expectation{"aperture definition without D", "%ADX10C,0.060*%\n", 0, {InvalidApertureMessage}},
        Expectation{"nothing drawn", "%FSLAX24Y24*%\n%MOIN*%\nX100Y100D02*\nM02*\n", 0, {}},
        Expectation{"pads 0.010 apart stay apart", InchHead + "%ADD10R,0.0500X0.0500*%\nD10*\nX0Y0D03*\nX600Y0D03*\nM02*\n",
                    2, {}},
        Expectation{"overlapping pads merge", InchHead + "%ADD10R,0.0500X0.0500*%\nD10*\nX0Y0D03*\nX400Y0D03*\nM02*\n", 1,
                    {}}),
    CaseName<Expectation>);

struct Failure {
  const char* name;
  std::string file;
  std::string message;  // empty: any message
};
class ReadFailure : public testing::TestWithParam<Failure> {};

TEST_P(ReadFailure, ThrowsTheMessage) {
  const Failure& c = GetParam();
  GerberReadOptions o;
  o.PixelLimit = int64_t{1} << 26;
  try {
    ReadGerber(c.file, o);
    FAIL() << c.name << " read without complaint";
  } catch (const GerberError& e) {
    if (!c.message.empty()) {
      EXPECT_EQ(e.what(), c.message) << c.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ReadFailure,
                         testing::Values(Failure{"negative image", "%IPNEG*%\n%ADD10C,0.060*%\nD10*\nX1000Y1000D03*\n",
                                                 NegativePolarityMessage},
                                         Failure{"D without a number", "%ADD10C,0.060*%\nDX*\n",
                                                 "'' is not a valid integer value"},
                                         Failure{"board larger than the bitmap may be",
                                                 "%FSLAX46Y46*%\n%MOMM*%\n%ADD10C,0.1*%\nD10*\nX0Y0D03*\n"
                                                 "X900000000Y900000000D03*\n",
                                                 ""},
                                         Failure{"a circle of 5 inches repeated 100 by 100 times",
                                                 "%FSLAX23Y23*%\n%ADD10C,0.001*%\nD10*\n%SRX100Y100I0.01J0.01*%\nG75*\n"
                                                 "X0Y0D02*\nG02X0Y0I5000J0D01*\n%SR*%\n",
                                                 "Too many items to paint: the file draws more than 2000000 strokes."}));

// The tool offset widens every aperture by twice its mils in pixels; closed
// loops run in the default direction asked for.
TEST(GerberReader, ToolOffsetAndDirection) {
  const std::string file = InchHead + "%ADD10C,0.0600*%\nD10*\nX0Y0D03*\nM02*\n";
  GerberReadOptions o;
  const double plain = ReadGerber(file, o).Regions[1].XMax;
  o.ToolOffsetMils = 5;
  EXPECT_NEAR(ReadGerber(file, o).Regions[1].XMax - plain, 5 * 0.002, 0.0025);
  for (bool cw : {false, true}) {
    o.Clockwise = cw;
    const GerberResult res = ReadGerber(file, o);
    ASSERT_EQ(res.Regions.size(), 2u);
    EXPECT_EQ(RegionDirection(res.Regions[1]), cw ? 1 : 0);
  }
}

// A millimetre board and the same board in inch give bitmaps of one size.
TEST(GerberReader, PixelIsOneSizeInEitherUnit) {
  const GerberResult mm = ReadGerber(MmHead + "%ADD10C,2.540000*%\nD10*\nX0Y0D03*\nX25400000Y0D03*\nM02*\n", {});
  const GerberResult in = ReadGerber(InchHead + "%ADD10C,0.1000*%\nD10*\nX0Y0D03*\nX10000Y0D03*\nM02*\n", {});
  EXPECT_NEAR(mm.Columns, in.Columns, 1);
  EXPECT_NEAR(mm.Rows, in.Rows, 1);
  EXPECT_EQ(mm.Regions.size(), 3u);
  EXPECT_NEAR(mm.Regions[1].XMax - mm.Regions[1].XMin, 2.54, 0.11);
}

}  // namespace
}  // namespace tibrel
