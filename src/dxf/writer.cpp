#include "dxf/writer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "core/files.h"
#include "geometry/entity.h"

namespace tibrel {

namespace {

// The shortest text that reads back as the same double, with the point as
// decimal mark whatever the locale; other readers take any digit count. A
// zero is written without a sign (a toolpath at depth 0 has Z = -0).
std::string Shortest(double v) {
  if (v == 0) v = 0;
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return {buf, r.ptr};
}

double Degrees(double radians) { return radians * 180.0 / Pi; }

class GroupWriter {
 public:
  void Group(int code, std::string_view value) {
    text_ += std::to_string(code);
    text_ += "\r\n";
    text_ += value;
    text_ += "\r\n";
  }
  void Int(int code, long v) { Group(code, std::to_string(v)); }
  void Real(int code, double v) { Group(code, Shortest(v)); }
  // Codes base, base + 10, base + 20 (10/20/30, 11/21/31, 210/220/230).
  void Point(int base, const DxfPoint3& p) {
    Real(base, p.X);
    Real(base + 10, p.Y);
    Real(base + 20, p.Z);
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

struct Extents {
  DxfPoint3 Min{1e10, 1e10, 1e10}, Max{-1e10, -1e10, -1e10};
  void Add(const DxfPoint3& p) {
    Min = {std::min(Min.X, p.X), std::min(Min.Y, p.Y), std::min(Min.Z, p.Z)};
    Max = {std::max(Max.X, p.X), std::max(Max.Y, p.Y), std::max(Max.Z, p.Z)};
  }
  void AddBox(const DxfPoint3& c, double hx, double hy) {
    Add({c.X - hx, c.Y - hy, c.Z});
    Add({c.X + hx, c.Y + hy, c.Z});
  }
};

// Both ends of the counter-clockwise arc and every axis crossing on it.
void AddArc(Extents& x, const Arc_& a) {
  const double s = NormaliseAngle(a.StartAngle);
  double sweep = NormaliseAngle(a.EndAngle) - s;
  if (sweep <= 0) sweep += TwoPi;
  auto at = [&](double c, double sn) { x.Add({a.P1.X + a.Radius * c, a.P1.Y + a.Radius * sn, a.P1.Z}); };
  at(std::cos(s), std::sin(s));
  at(std::cos(s + sweep), std::sin(s + sweep));
  const double axes[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
  for (int k = 0; k < 4; ++k)
    if (NormaliseAngle(k * Pi / 2 - s) <= sweep) at(axes[k][0], axes[k][1]);
}

void AddEntity(Extents& x, const DXF_Entity& e) {
  const std::string_view cls = e.ClassName();
  if (cls == "Arc_") AddArc(x, static_cast<const Arc_&>(e));
  else if (cls == "Circle_") x.AddBox(static_cast<const Circle_&>(e).P1, static_cast<const Circle_&>(e).Radius,
                                      static_cast<const Circle_&>(e).Radius);
  else if (cls == "Line_") x.Add(static_cast<const Line_&>(e).P1), x.Add(static_cast<const Line_&>(e).P2);
  else if (cls == "Point_") x.Add(static_cast<const Point_&>(e).P1);
}

// The DXF name: the class name upper-cased without its trailing underscore.
std::string DxfName(const DXF_Entity& e) {
  const std::string_view cls = e.ClassName();
  if (cls == "Face3D_") return "3DFACE";
  if (cls == "Polygon_mesh_" || cls == "Polyface_mesh_") return "POLYLINE";
  std::string name(cls.substr(0, cls.size() - (cls.ends_with('_') ? 1 : 0)));
  for (auto& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return name;
}

// Points, lines, circles and arcs carry their geometry; other classes only
// the groups every entity has. Entities are held in world coordinates (the
// reader turned object coordinate systems into world ones), so they are
// written in world coordinates, without an extrusion, and read back the same.
void WriteEntity(GroupWriter& out, const DXF_Entity& e, const std::string& layer) {
  out.Group(0, DxfName(e));
  out.Group(8, layer);
  out.Int(62, e.Colour);
  out.Group(6, e.LineType == LineDot ? "DOT" : "CONTINUOUS");
  const std::string_view cls = e.ClassName();
  if (cls == "Point_" || cls == "Line_" || cls == "Circle_" || cls == "Arc_")
    out.Point(10, static_cast<const Point_&>(e).P1);
  if (cls == "Line_") out.Point(11, static_cast<const Line_&>(e).P2);
  if (cls == "Circle_" || cls == "Arc_") out.Real(40, static_cast<const Circle_&>(e).Radius);
  if (cls == "Arc_") {
    out.Real(50, Degrees(static_cast<const Arc_&>(e).StartAngle));
    out.Real(51, Degrees(static_cast<const Arc_&>(e).EndAngle));
  }
}

bool IsBlock(const DXF_Entity& e) { return dynamic_cast<const Block_*>(&e) != nullptr; }

void WriteTables(GroupWriter& out, const DXF_Object& drawing) {
  out.Group(0, "SECTION");
  out.Group(2, "TABLES");

  out.Group(0, "TABLE");
  out.Group(2, "VPORT");
  out.Group(0, "VPORT");
  out.Group(2, "*ACTIVE");
  out.Group(41, "  1.000000");  // the value 1 right-aligned in ten characters
  out.Group(0, "ENDTAB");

  out.Group(0, "TABLE");
  out.Group(2, "LAYER");
  for (const auto& layer : drawing.Layers) {
    out.Group(0, "LAYER");
    out.Group(2, layer->Name);
    out.Int(62, layer->Colour);
  }
  out.Group(0, "ENDTAB");

  out.Group(0, "TABLE");
  out.Group(2, "LTYPE");
  out.Group(70, "   25");
  out.Group(0, "LTYPE");
  out.Group(2, "CONTINUOUS");
  out.Group(70, "   64");
  out.Group(3, "Solid line");
  out.Group(72, "   64");
  out.Group(73, "    0");
  out.Group(40, "0.000000");
  out.Group(0, "LTYPE");
  out.Group(2, "DOT");
  out.Group(70, "   64");
  out.Group(3, ". . . . . . . . . . . . . . . . . . . . . . . .");
  out.Group(72, "   65");
  out.Group(73, "    2");
  out.Group(40, "0.250000");
  out.Group(49, "0.000000");
  out.Group(49, "-.250000");
  out.Group(0, "ENDTAB");

  out.Group(0, "ENDSEC");
}

std::unique_ptr<DXF_Object> EmptyDrawing(Units units, const std::string& name) {
  auto d = std::make_unique<DXF_Object>();
  d->Name = name.empty() ? "Untitled" : name;
  d->InsUnits = InsUnitsOf(units);
  for (const char* layer : {"0", "1", "2"}) d->LayerNamed(layer);
  return d;
}

// A line or arc of the geometry at height z, colour 5, continuous. A
// clockwise arc becomes the counter-clockwise arc over the same points.
std::unique_ptr<DXF_Entity> EntityAt(const TTBEntity& e, double z) {
  std::unique_ptr<DXF_Entity> out;
  if (e.IsLine()) {
    auto l = std::make_unique<Line_>();
    l->P1 = {e.X, e.Y, z};
    l->P2 = {e.X2, e.Y2, z};
    out = std::move(l);
  } else {
    auto a = std::make_unique<Arc_>();
    a->P1 = {e.X, e.Y, z};
    a->Radius = std::fabs(e.Radius);
    a->StartAngle = e.StartAngle();
    a->EndAngle = e.EndAngle();
    if (e.Radius < 0) std::swap(a->StartAngle, a->EndAngle);
    out = std::move(a);
  }
  out->Colour = 5;
  out->LineType = LineContinuous;
  return out;
}

}  // namespace

std::string DXF_Writer(const DXF_Object& drawing) {
  GroupWriter out;

  Extents x;
  for (const auto& layer : drawing.Layers)
    for (const auto& list : layer->Lists)
      for (const auto& e : list->Entities)
        if (!IsBlock(*e)) AddEntity(x, *e);
  out.Group(0, "SECTION");
  out.Group(2, "HEADER");
  out.Group(9, "$EXTMIN");
  out.Point(10, x.Min);
  out.Group(9, "$EXTMAX");
  out.Point(10, x.Max);
  if (drawing.InsUnits != 0) {
    out.Group(9, "$INSUNITS");
    out.Int(70, drawing.InsUnits);
  }
  out.Group(0, "ENDSEC");

  WriteTables(out, drawing);

  out.Group(0, "SECTION");
  out.Group(2, "BLOCKS");
  for (const auto& layer : drawing.Layers) {
    if (layer->Name != "0") continue;
    for (const auto& list : layer->Lists)
      for (const auto& e : list->Entities)
        if (IsBlock(*e)) WriteEntity(out, *e, layer->Name);
  }
  out.Group(0, "ENDSEC");

  out.Group(0, "SECTION");
  out.Group(2, "ENTITIES");
  for (const auto& layer : drawing.Layers)
    for (const auto& list : layer->Lists)
      for (const auto& e : list->Entities)
        if (!IsBlock(*e)) WriteEntity(out, *e, layer->Name);
  out.Group(0, "ENDSEC");
  out.Group(0, "EOF");
  return out.Take();
}

void WriteDxfFile(const DXF_Object& drawing, const std::string& path) {
  WriteFileAtomically(path, DXF_Writer(drawing));
}

std::unique_ptr<DXF_Object> GeometryDrawing(const TTBRegionArray& regions, Units units, const std::string& name) {
  auto d = EmptyDrawing(units, name);
  DXF_Layer& cuts = d->LayerNamed("0");
  for (size_t i = 1; i < regions.size(); ++i)
    for (const auto& e : regions[i].Entities) cuts.Add(EntityAt(e, regions[i].Depth));
  return d;
}

std::unique_ptr<DXF_Object> ToolpathDrawing(const TTBOutRegionArray& toolpaths, Units units, const std::string& name) {
  auto d = EmptyDrawing(units, name);
  DXF_Layer& cuts = d->LayerNamed("0");
  DXF_Layer& links = d->LayerNamed("1");
  DXF_Layer& leads = d->LayerNamed("2");
  auto link = [&](const DxfPoint3& a, const DxfPoint3& b, int type) {
    auto l = std::make_unique<Line_>();
    l->P1 = a;
    l->P2 = b;
    l->Colour = 0;
    l->LineType = type;
    links.Add(std::move(l));
  };
  DxfPoint3 p{0, 0, 0};
  for (size_t i = 1; i < toolpaths.size(); ++i) {
    const TTBOutRegion& t = toolpaths[i];
    const TTBPoint s = PathStart(t), e = PathEnd(t);
    const double z = -t.Depth;
    if (t.LinkMode >= 1 && t.LinkMode <= 4) {
      const DxfPoint3 up{p.X, p.Y, -t.ApproachDepth}, over{s.X, s.Y, -t.ApproachDepth};
      link(p, up, LineDot);
      link(up, over, LineDot);
      link(over, {s.X, s.Y, z}, LineContinuous);
      p = over;
    } else {
      p.X = s.X, p.Y = s.Y;
    }
    if (HasEntryMove(t)) leads.Add(EntityAt(t.EntryMove, z));
    for (const auto& ent : t.Entities) cuts.Add(EntityAt(ent, z));
    if (HasExitMove(t)) leads.Add(EntityAt(t.ExitMove, z));
    p.X = e.X, p.Y = e.Y;
  }
  return d;
}

void SaveGeometryDxf(const TTBRegionArray& regions, Units units, const std::string& path) {
  WriteDxfFile(*GeometryDrawing(regions, units, "Dxf"), path);
}

void SaveToolpathsDxf(const TTBOutRegionArray& toolpaths, Units units, const std::string& path) {
  WriteDxfFile(*ToolpathDrawing(toolpaths, units, "Dxf"), path);
}

}  // namespace tibrel
