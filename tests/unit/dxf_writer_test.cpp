#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <random>

#include "dxf/reader.h"
#include "dxf/writer.h"
#include "region_builders.h"
#include "../sample_job.h"

namespace tibrel {
namespace {

namespace fs = std::filesystem;
using testing_regions::Square;
using testing_job::Path;

// The lines of a DXF file, each ended by CR LF.
std::string CrLf(std::initializer_list<const char*> lines) {
  std::string s;
  for (const char* l : lines) s += std::string(l) + "\r\n";
  return s;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

const DXF_Layer* Layer(const DXF_Object& d, const std::string& name) {
  for (const auto& l : d.Layers)
    if (l->Name == name) return l.get();
  return nullptr;
}

std::vector<const DXF_Entity*> EntitiesOf(const DXF_Layer* layer) {
  std::vector<const DXF_Entity*> out;
  if (layer)
    for (const auto& list : layer->Lists)
      for (const auto& e : list->Entities) out.push_back(e.get());
  return out;
}

void ExpectNear(const DxfPoint3& got, const DxfPoint3& want, double tol) {
  EXPECT_NEAR(got.X, want.X, tol);
  EXPECT_NEAR(got.Y, want.Y, tol);
  EXPECT_NEAR(got.Z, want.Z, tol);
}

// Also: the line types are listed though no entity is dotted, and layers "1"
// and "2" are there though empty.
TEST(DxfWriterText, SmallDrawingGivesTheExactFile) {
  TTBRegion r;
  r.Depth = 0.125;
  // Numbers in their shortest exact form; a clockwise arc from 90 to 0
  // degrees is written as the counter-clockwise arc from 0 to 90.
  r.Entities = {MakeLine(0, 0, 12345.6789, 1.23456789), MakeArc(1.5, 1, -1, Pi / 2, 0)};
  TTBRegionArray regions = EmptyRegionList();
  regions.push_back(r);
  const std::string expected = CrLf({
      "0", "SECTION", "2", "HEADER", "9", "$EXTMIN", "10", "0", "20", "0", "30", "0.125",
      "9", "$EXTMAX", "10", "12345.6789", "20", "2", "30", "0.125", "9", "$INSUNITS", "70", "1", "0", "ENDSEC",
      "0", "SECTION", "2", "TABLES",
      "0", "TABLE", "2", "VPORT", "0", "VPORT", "2", "*ACTIVE", "41", "  1.000000", "0", "ENDTAB",
      "0", "TABLE", "2", "LAYER", "0", "LAYER", "2", "0", "62", "0", "0", "LAYER", "2", "1", "62", "0",
      "0", "LAYER", "2", "2", "62", "0", "0", "ENDTAB",
      "0", "TABLE", "2", "LTYPE", "70", "   25",
      "0", "LTYPE", "2", "CONTINUOUS", "70", "   64", "3", "Solid line", "72", "   64", "73", "    0", "40", "0.000000",
      "0", "LTYPE", "2", "DOT", "70", "   64", "3", ". . . . . . . . . . . . . . . . . . . . . . . .",
      "72", "   65", "73", "    2", "40", "0.250000", "49", "0.000000", "49", "-.250000", "0", "ENDTAB", "0", "ENDSEC",
      "0", "SECTION", "2", "BLOCKS", "0", "ENDSEC", "0", "SECTION", "2", "ENTITIES",
      "0", "LINE", "8", "0", "62", "5", "6", "CONTINUOUS", "10", "0", "20", "0", "30", "0.125",
      "11", "12345.6789", "21", "1.23456789", "31", "0.125",
      "0", "ARC", "8", "0", "62", "5", "6", "CONTINUOUS", "10", "1.5", "20", "1", "30", "0.125", "40", "1",
      "50", "0", "51", "90", "0", "ENDSEC", "0", "EOF",
  });
  const auto drawing = GeometryDrawing(regions, Units::Inch, "");
  EXPECT_EQ(drawing->Name, "Untitled");
  EXPECT_EQ(DXF_Writer(*drawing), expected);
}

// A random double over many magnitudes, either sign, with all its bits.
double AnyDouble(std::mt19937& rng) {
  std::uniform_real_distribution<double> mantissa(-1, 1);
  return std::ldexp(mantissa(rng), std::uniform_int_distribution<int>(-30, 40)(rng));
}

// Random lines, arcs of both senses and circles come back from our own
// reader as the same doubles: points, radii and depths exactly; the ends of
// arcs, whose angles go through degrees, to the last digits.
TEST(DxfWriterGeometry, RandomLinesAndArcsReadBackUnchanged) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<double> angle(0, TwoPi);
  TTBRegionArray regions = EmptyRegionList();
  std::vector<std::pair<TTBEntity, double>> lines, arcs;  // with their depth
  for (int i = 0; i < 200; ++i) {
    TTBRegion r;
    r.Depth = AnyDouble(rng);
    for (int k = 0; k < 6; ++k) {
      const int kind = std::uniform_int_distribution<int>(0, 3)(rng);
      const double x = AnyDouble(rng), y = AnyDouble(rng), rad = std::fabs(AnyDouble(rng)) + 1e-3;
      TTBEntity e = kind == 0   ? MakeLine(x, y, AnyDouble(rng), AnyDouble(rng))
                    : kind == 3 ? MakeCircle(x, y, rad)
                                : MakeArc(x, y, kind == 1 ? rad : -rad, angle(rng), angle(rng));
      r.Entities.push_back(e);
      (e.IsLine() ? lines : arcs).push_back({e, r.Depth});
    }
    regions.push_back(r);
  }
  const DXF_Object back = ReadDxf(DXF_Writer(*GeometryDrawing(regions, Units::Millimetre, "t")), "t");
  const DXF_Layer* layer = Layer(back, "0");
  ASSERT_TRUE(layer);
  ASSERT_EQ(layer->Lists.size(), 2u);
  size_t nl = 0, na = 0;
  for (const auto* ent : EntitiesOf(layer)) {
    EXPECT_EQ(ent->Colour, 5);
    if (const auto* a = dynamic_cast<const Arc_*>(ent)) {
      ASSERT_LT(na, arcs.size());
      const TTBEntity& e = arcs[na].first;
      const double z = arcs[na++].second;
      ExpectNear(a->P1, {e.X, e.Y, z}, 0);
      EXPECT_EQ(a->Radius, std::fabs(e.Radius));
      // The file's arc runs counter-clockwise: a clockwise arc is entered at its end.
      const TTBPoint first = e.Radius > 0 ? EntityStart(e) : EntityEnd(e);
      const TTBPoint last = e.Radius > 0 ? EntityEnd(e) : EntityStart(e);
      auto at = [&](double t) { return DxfPoint3{e.X + a->Radius * std::cos(t), e.Y + a->Radius * std::sin(t), z}; };
      ExpectNear(at(a->StartAngle), {first.X, first.Y, z}, 1e-14 * (std::fabs(e.X) + std::fabs(e.Y) + a->Radius));
      ExpectNear(at(a->EndAngle), {last.X, last.Y, z}, 1e-14 * (std::fabs(e.X) + std::fabs(e.Y) + a->Radius));
      EXPECT_EQ(a->StartAngle == a->EndAngle, IsExactCircle(e));
    } else {
      const auto* l = dynamic_cast<const Line_*>(ent);
      ASSERT_TRUE(l);
      ASSERT_LT(nl, lines.size());
      const auto& [e, z] = lines[nl++];
      ExpectNear(l->P1, {e.X, e.Y, z}, 0);
      ExpectNear(l->P2, {e.X2, e.Y2, z}, 0);
    }
  }
  EXPECT_EQ(nl, lines.size());
  EXPECT_EQ(na, arcs.size());
}

void ExpectLine(const DXF_Entity* e, DxfPoint3 a, DxfPoint3 b, int type) {
  const auto* l = dynamic_cast<const Line_*>(e);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->LineType, type);
  EXPECT_EQ(l->Colour, 0);
  ExpectNear(l->P1, a, 1e-12);
  ExpectNear(l->P2, b, 1e-12);
}

// Linked paths lift from where the cutter is, move over dotted and plunge
// solid; a path that stays down adds nothing, but the cutter still moves.
TEST(DxfWriterToolpaths, LinkLinesOnlyForLinkedPaths) {
  TTBOutRegionArray paths = EmptyToolpathList();
  TTBOutRegion first = Path(1, 1, 1, 0.5, Square(10, 0, 5).Entities);
  first.HasLeads = 1;
  first.EntryMove = MakeLine(9, 0, 10, 0);
  first.EntryMove.Pending = 1;
  first.ExitMove = MakeLine(10, 0, 10, -1);  // not present: Pending is 0
  paths.push_back(first);
  paths.push_back(Path(1, 0, 0, 0.1, {MakeLine(30, 0, 40, 0)}));
  paths.push_back(Path(1, 1, 2, 0.25, {MakeArc(50, 0, 2, 0, Pi)}));
  const auto d = ToolpathDrawing(paths, Units::Millimetre, "Dxf");
  ASSERT_EQ(d->Layers.size(), 3u);  // cuts, links, leads

  const auto links = EntitiesOf(Layer(*d, "1"));
  ASSERT_EQ(links.size(), 6u);
  ExpectLine(links[0], {0, 0, 0}, {0, 0, -0.5}, LineDot);
  ExpectLine(links[1], {0, 0, -0.5}, {9, 0, -0.5}, LineDot);  // to the entry move's start
  ExpectLine(links[2], {9, 0, -0.5}, {9, 0, -1}, LineContinuous);
  ExpectLine(links[3], {40, 0, -0.5}, {40, 0, -0.25}, LineDot);  // from the second path's end
  ExpectLine(links[4], {40, 0, -0.25}, {52, 0, -0.25}, LineDot);
  ExpectLine(links[5], {52, 0, -0.25}, {52, 0, -2}, LineContinuous);

  const auto leads = EntitiesOf(Layer(*d, "2"));
  ASSERT_EQ(leads.size(), 1u);
  EXPECT_EQ(static_cast<const Line_*>(leads[0])->P1.Z, -1);
  const auto cuts = EntitiesOf(Layer(*d, "0"));
  ASSERT_EQ(cuts.size(), 6u);
  EXPECT_EQ(static_cast<const Point_*>(cuts[4])->P1.Z, 0);  // the path at depth 0
  EXPECT_EQ(static_cast<const Point_*>(cuts[5])->P1.Z, -2);

  const std::string text = DXF_Writer(*d);
  EXPECT_EQ(Count(text, "\r\n6\r\nDOT\r\n"), 4u);
  EXPECT_EQ(Count(text, "\r\n6\r\nCONTINUOUS\r\n"), 9u);
  EXPECT_EQ(Count(text, "\r\n-0\r\n"), 0u);  // the path at depth 0 is at Z 0, not -0
}

TEST(DxfWriterFile, UnwritablePathThrowsNamingTheFileAndLeavesNoTempFile) {
  const std::string dir = testing::TempDir() + "/dxf_writer_unwritable";
  fs::remove_all(dir);
  fs::create_directories(dir + "/taken.dxf");  // a folder where the file should go
  const Job job = testing_regions::JobOf({Square(0, 0, 1)});
  for (const std::string& path : {dir + "/taken.dxf", dir + "/missing/out.dxf"}) {
    try {
      SaveGeometryDxf(job.Regions, job.DrawingUnits, path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  std::vector<std::string> left;
  for (const auto& f : fs::directory_iterator(dir)) left.push_back(f.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"taken.dxf"});
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tibrel
