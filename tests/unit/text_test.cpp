// Glyph outlines, text layout and the Add Text command, checked against
// facts about the face that do not come from this code: the published
// advance widths of Arial, which Liberation Sans (fonts-liberation) keeps
// by design, its capital height, and the topology of letters.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "geometry/chain.h"
#include "job/add_text.h"
#include "text/dxf_text.h"
#include "text/entity_list.h"
#include "text/flatten.h"
#include "text_font.h"

namespace tibrel {
namespace {

// Advance widths of Liberation Sans (as of Arial) in units of a 2048 em.
const std::map<char32_t, double> AdvancesPer2048 = {{U'A', 1366}, {U'B', 1366}, {U'H', 1479}, {U'O', 1593},
                                                     {U'I', 569},  {U' ', 569},  {U'i', 455},  {U'1', 1139},
                                                     {U'W', 1933}};
// Liberation Sans's capitals are 1409 units of a 2048 em tall.
constexpr double CapPer2048 = 1409;

double Units(double per2048) { return per2048 * OutlineUnitsPerEm / 2048; }

// Every contour of a letter (one per hole, one outside) is a closed chain
// of segments, end to start; a space has none.
TEST(GlyphConverter, AdvancesAndContoursAreTheFacesOwn) {
  TTTFToVectorConverter c;
  c.SetFont(testfont::LiberationSans());
  ASSERT_TRUE(c.Face().Usable);
  for (const auto& [ch, adv] : AdvancesPer2048) EXPECT_NEAR(c.GetGlyphAdvance(ch), Units(adv), 1e-9) << char(ch);
  EXPECT_NEAR(c.CapHeight(), Units(CapPer2048), 1e-9);
  EXPECT_EQ(c.GetGlyphStrokes(U' '), nullptr);
  const std::pair<char32_t, int32_t> contours[] = {{U'O', 2}, {U'H', 1}, {U'B', 3}, {U'i', 2}, {U'8', 3}, {U'%', 5}};
  for (const auto& [ch, count] : contours) {
    const TStrokeCollection* s = c.GetGlyphStrokes(ch);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->StrokeCount(), count) << char(ch);
    for (int32_t n = 0; n < s->StrokeCount(); ++n) {
      const long first = s->FirstSegment(n), segments = s->SegmentCount(n);
      ASSERT_GT(segments, 2) << char(ch);
      for (long k = 0; k < segments; ++k) {
        const auto& a = s->GetSegment(static_cast<size_t>(first + k));
        const auto& b = s->GetSegment(static_cast<size_t>(first + (k + 1) % segments));
        EXPECT_TRUE(a.X2 == b.X1 && a.Y2 == b.Y1) << char(ch) << " stroke " << n;
      }
    }
  }
  // A curve piece becomes Precision segments (8 at first): "O" is all curves.
  const size_t at8 = c.GetGlyphStrokes(U'O')->Size();
  c.SetPrecision(0);
  c.SetPrecision(101);
  EXPECT_EQ(c.GetGlyphStrokes(U'O')->Size(), at8);
  c.SetPrecision(2);
  EXPECT_EQ(c.GetGlyphStrokes(U'O')->Size() * 4, at8);
}

TEST(GlyphConverter, UnknownFaceFallsBackAndSaysSo) {
  TextFont f;
  f.Face = "No Such Face Anywhere";
  const FaceMatch m = FindFace(f);
  EXPECT_TRUE(m.Substituted);
  EXPECT_FALSE(m.File.empty());
  EXPECT_EQ(FaceNotice(f.Face, {m.Family, "", m.File, true, true}), "Font No Such Face Anywhere not found: " + m.Family + " used");
  // Arial is not installed, but fonts-liberation offers its metric twin.
  f.Face = "Arial";
  const FaceMatch arial = FindFace(f);
  EXPECT_EQ(arial.Family, "Liberation Sans");
  EXPECT_FALSE(arial.Substituted);
}

TEST(StrokeCollection, DropSecondHalvesKeepsTheWayOut) {
  TStrokeCollection s;
  for (int k = 0; k < 6; ++k) s.Add({0, double(k), 0, double(k + 1), 0});
  for (int k = 0; k < 7; ++k) s.Add({1, double(k), 1, double(k + 1), 1});
  s.DropSecondHalves();
  ASSERT_EQ(s.SegmentCount(0), 3);
  ASSERT_EQ(s.SegmentCount(1), 4);
  const long f1 = s.FirstSegment(1);
  std::vector<double> kept;
  for (long k = 0; k < 4; ++k) kept.push_back(s.GetSegment(static_cast<size_t>(f1 + k)).X1);
  EXPECT_EQ(kept, (std::vector<double>{0, 1, 2, 6}));
}

// Flattened points lie on the curve; the piece ends on its end point.
TEST(Flatten, QuadraticAndCubicPiecesAtTheSamePrecision) {
  const TTBPoint s{0, 0}, k{5, 10}, k2{10, -10}, e{15, 0};
  for (int precision : {1, 3, 8}) {
    std::vector<TTBPoint> q, c;
    const TTBPoint qe = FlattenQuadratic(s, k, e, precision, [&](TTBPoint, TTBPoint b) { q.push_back(b); });
    const TTBPoint ce = FlattenCubic(s, k, k2, e, precision, [&](TTBPoint, TTBPoint b) { c.push_back(b); });
    ASSERT_EQ(q.size(), static_cast<size_t>(precision));
    ASSERT_EQ(c.size(), static_cast<size_t>(precision));
    EXPECT_TRUE(qe.X == e.X && qe.Y == e.Y && ce.X == e.X && ce.Y == e.Y);
    for (size_t i = 0; i < c.size(); ++i) {
      const double t = double(i + 1) / precision, u = 1 - t;
      // x(t) of this cubic is 15 t (its controls are evenly spaced in x).
      EXPECT_NEAR(c[i].X, 15 * t, 1e-12);
      EXPECT_NEAR(c[i].Y, 3 * u * u * t * 10 - 3 * u * t * t * 10, 1e-12);
      EXPECT_NEAR(q[i].X, 2 * u * t * 5 + t * t * 15, 1e-12);
      EXPECT_NEAR(q[i].Y, 2 * u * t * 10, 1e-12);
    }
  }
}

TEST(TextToEntities, EachCharacterMovesOnByItsOwnAdvance) {
  TTTFToVectorConverter c;
  c.SetFont(testfont::LiberationSans());
  TTBEntityArray text, a, b;
  GlyphToEntities(U'A', a, c);
  GlyphToEntities(U'B', b, c);
  auto minX = [](const TTBEntityArray& l) {
    double x = 1e300;
    for (const auto& e : l) x = std::min(x, e.XMin);
    return x;
  };
  TextToEntities("AB", text, c);
  ASSERT_EQ(text.size(), a.size() + b.size());
  EXPECT_NEAR(minX({text.begin() + static_cast<long>(a.size()), text.end()}), minX(b) + Units(1366), 1e-9);
  // A leading space moves the text on by the space's width, and a space
  // between letters by its own width, not the letter's before it.
  TextToEntities(" A", text, c);
  EXPECT_NEAR(minX(text), minX(a) + Units(569), 1e-9);
  TextToEntities("A B", text, c);
  EXPECT_NEAR(minX({text.begin() + static_cast<long>(a.size()), text.end()}), minX(b) + Units(1366 + 569), 1e-9);
}

// The regions' box union.
TextBox BoxOf(const TTBRegionArray& regions, size_t from = 1) {
  TextBox b{1e300, 1e300, -1e300, -1e300};
  for (size_t i = from; i < regions.size(); ++i)
    b = {std::min(b.XMin, regions[i].XMin), std::min(b.YMin, regions[i].YMin), std::max(b.XMax, regions[i].XMax),
         std::max(b.YMax, regions[i].YMax)};
  return b;
}

Job TextJob() {
  Job job;
  job.Options.Font = "Liberation Sans";
  return job;
}

TEST(AddText, EveryStrokeOfAClosedFaceBecomesAClosedRegion) {
  Job job = TextJob();
  TTTFToVectorConverter c;
  c.SetFont(testfont::LiberationSans());
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789&@%?!";
  size_t strokes = 0;
  for (char ch : text) strokes += static_cast<size_t>(c.GetGlyphStrokes(static_cast<char32_t>(ch))->StrokeCount());
  TextPlacement p;
  p.Text = text, p.Height = 5;
  EXPECT_TRUE(AddText(job, p, c).Changed);
  int open = 0, closed = 0;
  CountOpenClosed(job.Regions, open, closed);
  EXPECT_EQ(open, 0);
  EXPECT_EQ(static_cast<size_t>(closed), strokes);
}

// "H" has no curve: its box is exact. At height h the outline is scaled by
// h / 1024: capitals 1409/2048 em tall, and the H's advance is 1479/2048 em.
TEST(LinearText, LandsOnItsAlignmentPoint) {
  const double s = 2.0 / 1024, adv = Units(1479) * s;
  // Where the text's advance starts, for X = 10.
  for (const auto& [align, startX] : {std::pair{TextAlign::Left, 10.0}, std::pair{TextAlign::Centre, 10 - adv},
                                      std::pair{TextAlign::Right, 10 - 2 * adv}}) {
    Job job = TextJob();
    TTTFToVectorConverter c;
    TextPlacement p;
    p.Text = "HH", p.Height = 2, p.X = 10, p.Y = 5, p.Align = align;
    AddText(job, p, c);
    ASSERT_EQ(job.Regions.size(), 3u);
    const TextBox b = BoxOf(job.Regions);
    EXPECT_NEAR(b.YMin, 5, 1e-9);
    EXPECT_NEAR(b.YMax - b.YMin, Units(CapPer2048) * s, 1e-9);
    // The H sits in the middle of its cell (its side bearings differ by
    // less than a font unit).
    EXPECT_NEAR((b.XMin + b.XMax) / 2, startX + adv, Units(1) * s);
    const TextBox preview = TextPreviewBox(p, c);
    EXPECT_NEAR(preview.XMin, startX, 1e-9);
    EXPECT_NEAR(preview.XMax, startX + 2 * adv, 1e-9);
    EXPECT_NEAR(preview.YMax, 7, 1e-12);
  }
}

// Round a circle the baseline of every glyph is a chord of the circle as
// long as its advance: its distance from the centre is R cos(asin(w/2R)).
TEST(ArcText, GlyphsStandOnTheCircleClockwiseFromTheTop) {
  Job job = TextJob();
  TTTFToVectorConverter c;
  TextPlacement p;
  p.Text = "IIIIII", p.Height = 2, p.X = 3, p.Y = -4, p.OnArc = true, p.Radius = 10;
  AddText(job, p, c);
  ASSERT_EQ(job.Regions.size(), 7u);
  const double w = Units(569) * 2 / 1024, chordDistance = 10 * std::cos(std::asin(w / 2 / 10));
  std::vector<double> angles;
  for (size_t i = 1; i < job.Regions.size(); ++i) {
    const TTBRegion& r = job.Regions[i];
    ASSERT_EQ(r.Entities.size(), 4u);
    // The bottom edge is the one nearest the centre.
    const TTBEntity* bottom = nullptr;
    double best = 1e300;
    for (const auto& e : r.Entities) {
      const TTBPoint m = EntityMidpoint(e);
      const double d = std::hypot(m.X - 3, m.Y + 4);
      if (d < best) best = d, bottom = &e;
    }
    const TTBPoint d = UnitDirection(*bottom), m = EntityMidpoint(*bottom);
    EXPECT_NEAR(std::fabs((bottom->X - 3) * d.Y - (bottom->Y + 4) * d.X), chordDistance, 1e-9) << "glyph " << i;
    angles.push_back(std::atan2(m.Y + 4, m.X - 3));
  }
  // The glyphs follow clockwise, one step of asin(w / R) apart, the middle
  // of the first at the top.
  std::sort(angles.begin(), angles.end(), std::greater<>());
  EXPECT_NEAR(angles.front(), Pi / 2, 1e-3);
  for (size_t k = 1; k < angles.size(); ++k) EXPECT_NEAR(angles[k - 1] - angles[k], std::asin(w / 10), 1e-3);
  // The first glyph stands upright: its bottom is level.
  EXPECT_NEAR(job.Regions[1].YMin, -4 + chordDistance, 1e-9);
}

TEST(AddText, RefusesWhatItCannotSet) {
  Job job = TextJob();
  TTTFToVectorConverter c;
  TextPlacement p;
  EXPECT_EQ(AddText(job, p, c).Message, NoTextMessage);
  p.Text = "A", p.OnArc = true, p.Radius = 0;
  EXPECT_EQ(AddText(job, p, c).Message, ZeroRadiusMessage);
  // A character wider than the radius gives the text up without a word.
  p.Height = 1, p.Radius = 0.5;
  const CommandResult r = AddText(job, p, c);
  EXPECT_TRUE(r.Message.empty() && !r.Changed);
  EXPECT_EQ(job.Regions.size(), 1u);
  // Add twice adds the text twice.
  p.OnArc = false;
  AddText(job, p, c);
  const size_t once = job.Regions.size() - 1;
  AddText(job, p, c);
  EXPECT_EQ(job.Regions.size() - 1, 2 * once);
  EXPECT_NEAR(job.DrawingExtents.XMin, BoxOf(job.Regions).XMin, 1e-12);
}

TEST(MText, ShowsItsLinesWithoutFormatting) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"Line one\\PLine two", {"Line one", "Line two"}},
      {"{\\fArial|b0|i0;Hello} {\\C1;World}", {"Hello World"}},
      {"\\H2.5x;Big\\~and\\Lunder\\l", {"Big andunder"}},
      {"1\\S1^2; in", {"11/2 in"}},
      {"\\\\ \\{x\\}", {"\\ {x}"}},
      {"%%c10 %%p0.1 45%%d", {"\xC3\x98" "10 \xC2\xB1" "0.1 45\xC2\xB0"}},
      {"\\U+00C4rger", {"\xC3\x84rger"}},
      {"", {""}}};
  for (const auto& [raw, lines] : cases) EXPECT_EQ(MTextLines(raw), lines) << raw;
}

}  // namespace
}  // namespace tibrel
