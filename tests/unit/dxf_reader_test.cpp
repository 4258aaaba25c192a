#include <gtest/gtest.h>

#include "dxf/reader.h"
#include "geometry/entity.h"
#include "dxf_text.h"

namespace tibrel {
namespace {

using testing_dxf::Entities;
using testing_dxf::G;
using testing_dxf::Line;

std::string ErrorOf(const std::string& text, size_t maxVertices = MaxPolylineVertices) {
  try {
    ReadDxf(text, "t", {}, maxVertices);
  } catch (const DXF_read_exception& e) {
    return e.what();
  }
  return "";
}

size_t CountClass(const DXF_Object& d, const std::string& cls) {
  size_t n = 0;
  for (const auto& l : d.Layers)
    for (const auto& list : l->Lists)
      if (list->ClassName == cls) n += list->Entities.size();
  return n;
}

struct BadCase {
  const char* name;
  std::string text;
  std::string message;
};
class DxfReaderRejects : public testing::TestWithParam<BadCase> {};
TEST_P(DxfReaderRejects, WithTheReadersMessage) { EXPECT_EQ(ErrorOf(GetParam().text), GetParam().message); }
const std::string NoEntities = "No Entities or invalid Entities section in DXF file";
std::string AtLine(const std::string& m, int line) { return m + "\r\nError occured at or near line number " + std::to_string(line); }
INSTANTIATE_TEST_SUITE_P(
    Cases, DxfReaderRejects,
    testing::Values(
        BadCase{"empty", "", NoEntities},
        BadCase{"binary", std::string("\x00\x01\xff\xfe garbage\n\x7f", 14), NoEntities},
        BadCase{"no_entities", G({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}}), NoEntities},
        BadCase{"truncated", G({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {10, "1"}}), NoEntities},
        // The value of the bad group sits on line 10; the refused polyline is
        // reported where its groups end.
        BadCase{"bad_float", Entities(G({{0, "LINE"}, {8, "0"}, {10, "1,5"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"nan", Entities(G({{0, "LINE"}, {8, "0"}, {10, "nan"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"inf", Entities(G({{0, "CIRCLE"}, {8, "0"}, {40, "inf"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"overflow", Entities(G({{0, "CIRCLE"}, {8, "0"}, {40, "1e999"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"bad_int", Entities(G({{0, "LWPOLYLINE"}, {8, "0"}, {70, "x"}})), AtLine("Invalid Integer conversion", 10)},
        // A byte-order mark counts as no line, and only at the start.
        BadCase{"bom", "\xEF\xBB\xBF" + Entities(G({{0, "LINE"}, {8, "0"}, {10, "1,5"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"bom_inside", Entities(G({{0, "LINE"}, {8, "0"}, {10, "\xEF\xBB\xBF" "1"}})), AtLine("Invalid Floating point conversion", 10)},
        BadCase{"lw_mesh", Entities(G({{0, "LWPOLYLINE"}, {70, "16"}, {10, "0"}, {20, "0"}})),
                AtLine("Error reading POLYLINE entity", 14)}),
    [](const testing::TestParamInfo<BadCase>& i) { return std::string(i.param.name); });

// An open zig-zag of n vertices as an LWPOLYLINE (inline vertices, 4 lines
// each) or a POLYLINE (a VERTEX record of 8 lines each, then SEQEND).
std::string ZigZag(bool lightweight, int n) {
  std::string body = lightweight ? G({{0, "LWPOLYLINE"}, {8, "0"}, {90, std::to_string(n)}, {70, "0"}})
                                 : G({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "0"}});
  for (int i = 0; i < n; ++i) {
    const std::string x = std::to_string(i), y = i % 2 ? "1" : "0";
    body += lightweight ? G({{10, x}, {20, y}}) : G({{0, "VERTEX"}, {8, "0"}, {10, x}, {20, y}});
  }
  return Entities(lightweight ? body : body + G({{0, "SEQEND"}, {8, "0"}}));
}

// Polylines far longer than the 8191 vertices of old are read whole, of both
// kinds; past the ceiling the reader names it and the line of the vertex
// that went over.
TEST(DxfReader, LongPolylinesLoadUpToTheCeiling) {
  for (bool lw : {true, false}) {
    SCOPED_TRACE(lw ? "LWPOLYLINE" : "POLYLINE");
    for (int n : {8192, 100000}) {
      const DXF_Object d = ReadDxf(ZigZag(lw, n), "t");
      ASSERT_EQ(CountClass(d, "Polyline_"), 1u);
      const auto& p = static_cast<const Polyline_&>(*d.Layers[0]->Lists[0]->Entities[0]);
      ASSERT_EQ(p.Vertices.size(), static_cast<size_t>(n));
      EXPECT_EQ(p.Vertices.back().X, n - 1);
    }
    EXPECT_EQ(ErrorOf(ZigZag(lw, 1000), 1000), "");
    // Lines: 4 of the section head, 8 of the entity head, then 4 or 8 per
    // vertex. An LWPOLYLINE fails at the 1001st vertex's X value, the second
    // line of its group 10; a POLYLINE once the groups of that VERTEX are
    // read, with the next group (0 SEQEND) read ahead.
    const int perVertex = lw ? 4 : 8, xLine = lw ? 2 : 10;
    EXPECT_EQ(ErrorOf(ZigZag(lw, 1001), 1000),
              AtLine("Polyline contained more than 1000 vertices", 4 + 8 + perVertex * 1000 + xLine));
  }
}

struct MadeCase {
  const char* name;
  std::string text;
  const char* cls;
  size_t count;
};
class DxfReaderMakes : public testing::TestWithParam<MadeCase> {};
TEST_P(DxfReaderMakes, TheEntitiesTheTextHolds) { EXPECT_EQ(CountClass(ReadDxf(GetParam().text, "t"), GetParam().cls), GetParam().count); }
std::string Replace(std::string s, char from, const std::string& to) {
  std::string out;
  for (char ch : s) out += ch == from ? to : std::string(1, ch);
  return out;
}
std::string Mesh(int vertices) {
  std::string body = G({{0, "POLYLINE"}, {8, "0"}, {70, "16"}, {71, "2"}, {72, "2"}});
  for (int i = 0; i < vertices; ++i) body += G({{0, "VERTEX"}, {70, "64"}, {10, std::to_string(i)}, {20, "1"}});
  return Entities(body + G({{0, "SEQEND"}}) + Line(0, 0, 1, 0));
}
const std::string Bom = "\xEF\xBB\xBF";
INSTANTIATE_TEST_SUITE_P(
    Cases, DxfReaderMakes,
    testing::Values(
        // Some programs start the file with a UTF-8 byte-order mark.
        MadeCase{"bom", Bom + Entities(Line(0, 0, 1, 1)), "Line_", 1},
        MadeCase{"bom_header", Bom + G({{0, "SECTION"}, {2, "HEADER"}, {9, "$INSUNITS"}, {70, "4"}, {0, "ENDSEC"}}) +
                                   Entities(Line(0, 0, 1, 1)), "Line_", 1},
        MadeCase{"crlf", Replace(Entities(Line(0, 0, 1, 1)), '\n', "\r\n"), "Line_", 1},
        MadeCase{"cr", Replace(Entities(Line(0, 0, 1, 1)), '\n', "\r"), "Line_", 1},
        // Block contents never become geometry of their own.
        MadeCase{"block_contents", G({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "HOLE"}, {10, "0"}, {20, "0"},
                                      {0, "CIRCLE"}, {8, "0"}, {40, "1"}, {0, "ENDBLK"}, {0, "ENDSEC"}}) +
                                       Entities(Line(0, 0, 1, 0)), "Circle_", 0},
        // A polygon mesh needs M times N vertices.
        MadeCase{"mesh", Mesh(4), "Polygon_mesh_", 1}, MadeCase{"mesh_short", Mesh(3), "Polygon_mesh_", 0}),
    [](const testing::TestParamInfo<MadeCase>& i) { return std::string(i.param.name); });

// Layer names are cut at 255 characters and compared without case.
TEST(DxfReader, LayerNames) {
  const std::string longLayer(300, 'w');
  const DXF_Object d = ReadDxf(
      Entities(Line(0, 0, 1, 0, "walls") + Line(1, 0, 2, 0, "WALLS") + Line(0, 0, 1, 0, longLayer)), "t");
  ASSERT_EQ(d.Layers.size(), 2u);
  EXPECT_EQ(d.Layers[0]->Name, "WALLS");
  EXPECT_EQ(d.Layers[0]->Lists[0]->Entities.size(), 2u);
  EXPECT_EQ(d.Layers[1]->Name.size(), 255u);
}

// Inserts of a block that is not there and splines without points make no
// geometry; each notice comes once.
TEST(DxfReader, WhatCannotBeInsertedOrReadIsNoticedOnce) {
  const std::string ins = G({{0, "INSERT"}, {8, "0"}, {2, "B"}});
  const std::string spl = G({{0, "SPLINE"}, {8, "0"}});
  const DXF_Object d = ReadDxf(Entities(ins + ins + spl + spl + Line(0, 0, 1, 0)), "t");
  ASSERT_EQ(d.Warnings.size(), 3u);
  EXPECT_EQ(d.Warnings[0], "A SPLINE was detected but not read.  Explode all SPLINE's before loading");
  EXPECT_EQ(d.Warnings[1], "Block \"B\" is not defined and was not inserted.");
  EXPECT_EQ(d.Warnings[2], "A \"BLOCK\" was read but not inserted.  Explode all Blocks before loading.");
  EXPECT_EQ(CountClass(d, "Line_"), 1u);
}

const Polyline_& OnlyPolyline(const DXF_Object& d) {
  return static_cast<const Polyline_&>(*d.Layers.at(0)->Lists.at(0)->Entities.at(0));
}

// A closed polyline gets its first vertex again only when its last does not
// already meet it; an old-style one takes its width from group 40.
TEST(DxfReader, ClosedPolylines) {
  auto poly = [](const std::string& lastX, const std::string& flags) {
    return Entities(G({{0, "LWPOLYLINE"}, {8, "0"}, {70, flags}, {10, "0"}, {20, "0"}, {10, "5"}, {20, "0"},
                       {10, "5"}, {20, "5"}, {10, lastX}, {20, "0"}}));
  };
  EXPECT_EQ(OnlyPolyline(ReadDxf(poly("0.0004", "1"), "t")).Vertices.size(), 4u);
  EXPECT_EQ(OnlyPolyline(ReadDxf(poly("1", "1"), "t")).Vertices.size(), 5u);
  EXPECT_TRUE(OnlyPolyline(ReadDxf(poly("0", "0"), "t")).Closed);
  EXPECT_FALSE(OnlyPolyline(ReadDxf(poly("1", "0"), "t")).Closed);
  std::string body = G({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "1"}, {40, "0.4"}});
  for (auto [x, y] : {std::pair{0, 0}, {4, 0}, {4, 3}}) body += G({{0, "VERTEX"}, {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}});
  const DXF_Object d = ReadDxf(Entities(body + G({{0, "SEQEND"}}) + Line(9, 9, 10, 10)), "t");
  const Polyline_& p = OnlyPolyline(d);
  EXPECT_TRUE(p.Closed);
  EXPECT_EQ(p.Vertices.size(), 4u);
  EXPECT_DOUBLE_EQ(p.Width, 0.2);
}

}  // namespace
}  // namespace tibrel
