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

// Seven significant digits, then fixed with six decimals. A value that
// comes out as zero is written without a sign (a toolpath at depth 0 has
// Z = -0).
std::string Fixed(double v) {
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
  double rounded = v;
  std::from_chars(buf, r.ptr, rounded);
  r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 6);
  std::string s(buf, r.ptr);
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

// The shortest text that reads back as the same number.
std::string Shortest(double v) {
  if (v == 0) v = 0;  // no "-0"
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
  void Real(int code, double v) { Group(code, Fixed(v)); }
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
  if (auto* a = dynamic_cast<const Arc_*>(&e)) {
    AddArc(x, *a);
  } else if (auto* c = dynamic_cast<const Circle_*>(&e)) {
    x.AddBox(c->P1, c->Radius, c->Radius);
  } else if (auto* el = dynamic_cast<const Ellipse_*>(&e)) {
    // The box of the whole ellipse.
    const DxfPoint3& m = el->P2;
    x.AddBox(el->P1, std::hypot(m.X, el->Ratio * m.Y), std::hypot(m.Y, el->Ratio * m.X));
  } else if (auto* l = dynamic_cast<const Line_*>(&e)) {
    x.Add(l->P1);
    x.Add(l->P2);
  } else if (auto* p = dynamic_cast<const Point_*>(&e)) {
    x.Add(p->P1);
  } else if (auto* pl = dynamic_cast<const Polyline_*>(&e)) {
    for (const auto& v : pl->Vertices) x.Add({v.X, v.Y, v.Z});
  }
}

double Dot(const DxfPoint3& a, const DxfPoint3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

// Entities are held in world coordinates; the file carries points of
// planar entities in their own system.
DxfPoint3 ToOcs(const DxfOcs* o, const DxfPoint3& p) {
  return o ? DxfPoint3{Dot(p, o->Ax), Dot(p, o->Ay), Dot(p, o->Az)} : p;
}

// An arc angle is held as the direction of its end point seen from above.
// Its angle in the plane of the arc is the direction whose image seen from
// above points that way: the inverse of the XY part of the axes. A plane
// seen edge-on keeps the angle as it is.
double AngleToOcs(const DxfOcs& o, double a) {
  const double det = o.Ax.X * o.Ay.Y - o.Ay.X * o.Ax.Y;
  if (std::fabs(det) < 1e-12) return a;
  const double c = std::cos(a), s = std::sin(a);
  return NormaliseAngle(std::atan2((o.Ax.X * s - o.Ax.Y * c) / det, (o.Ay.Y * c - o.Ay.X * s) / det));
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

// A 3D face as its three or four corners (the closing vertex dropped; a
// triangle repeats its third corner). A solid lists its corners in the
// crossed order of the file, the outline running 10, 11, 13, 12.
void WriteFace(GroupWriter& out, const Face3D_& f) {
  std::vector<DxfVertex> v = f.Vertices;
  if (v.size() > 1 && v.front().X == v.back().X && v.front().Y == v.back().Y && v.front().Z == v.back().Z)
    v.pop_back();
  if (v.empty()) v.push_back({});
  while (v.size() < 4) v.push_back(v.back());
  const bool solid = dynamic_cast<const Solid_*>(&f) != nullptr;
  const int order[4] = {0, 1, solid ? 3 : 2, solid ? 2 : 3};
  for (int k = 0; k < 4; ++k) out.Point(10 + k, {v[order[k]].X, v[order[k]].Y, v[order[k]].Z});
}

// POLYLINE, its VERTEX records and SEQEND: a plain polyline in its own
// plane (a plane seen from below reverses the bulges back), a polygon mesh
// with its M by N vertices, a polyface mesh with its positions and faces.
void WritePolyline(GroupWriter& out, const Polyline_& p, const std::string& layer) {
  const DxfOcs* ocs = p.Ocs.get();
  auto* grid = dynamic_cast<const Polygon_mesh_*>(&p);
  auto* faces = dynamic_cast<const Polyface_mesh_*>(&p);
  int flags = p.Closed ? 1 : 0, vertexFlags = 0;
  if (grid) {
    flags = 16 | (grid->ClosedM ? 1 : 0) | (grid->ClosedN ? 32 : 0);
    vertexFlags = 64;
  } else if (faces) {
    flags = 64;
    vertexFlags = 64 | 128;  // positions; face records carry 128 alone
  }
  const bool plane = !grid && !faces;
  const DxfPoint3 first =
      p.Vertices.empty() ? DxfPoint3{} : DxfPoint3{p.Vertices[0].X, p.Vertices[0].Y, p.Vertices[0].Z};
  out.Int(66, 1);
  out.Point(10, {0, 0, plane ? ToOcs(ocs, first).Z : 0});
  out.Int(70, flags);
  if (p.Width != 0) out.Real(40, 2 * p.Width);
  if (grid) {
    out.Int(71, grid->M);
    out.Int(72, grid->N);
  } else if (faces) {
    out.Int(71, static_cast<long>(p.Vertices.size()));
    out.Int(72, static_cast<long>(faces->Faces.size()));
  }
  for (const auto& v : p.Vertices) {
    out.Group(0, "VERTEX");
    out.Group(8, layer);
    out.Point(10, plane ? ToOcs(ocs, {v.X, v.Y, v.Z}) : DxfPoint3{v.X, v.Y, v.Z});
    const double bulge = ocs && plane && ocs->Mirrored() ? -v.Bulge : v.Bulge;
    if (bulge != 0) out.Real(42, bulge);
    if (vertexFlags) out.Int(70, vertexFlags);
  }
  if (faces)
    for (const auto& f : faces->Faces) {
      out.Group(0, "VERTEX");
      out.Group(8, layer);
      out.Point(10, {});
      out.Int(70, 128);
      for (int k = 0; k < 4; ++k) out.Int(71 + k, f[k] + 1);
    }
  out.Group(0, "SEQEND");
  out.Group(8, layer);
}

void WriteEntity(GroupWriter& out, const DXF_Entity& e, const std::string& layer) {
  out.Group(0, DxfName(e));
  out.Group(8, layer);
  out.Int(62, e.Colour);
  out.Group(6, e.LineType == LineDot ? "DOT" : "CONTINUOUS");
  const DxfOcs* ocs = e.Ocs.get();
  if (ocs) out.Point(210, ocs->Az);
  // Lines, ellipses and 3D faces are in world coordinates in the file too.
  if (auto* a = dynamic_cast<const Arc_*>(&e)) {
    out.Point(10, ToOcs(ocs, a->P1));
    out.Real(40, a->Radius);
    double s = a->StartAngle, t = a->EndAngle;
    if (ocs) {
      if (ocs->Mirrored()) std::swap(s, t);
      s = AngleToOcs(*ocs, s);
      t = AngleToOcs(*ocs, t);
    }
    out.Real(50, Degrees(s));
    out.Real(51, Degrees(t));
  } else if (auto* c = dynamic_cast<const Circle_*>(&e)) {
    out.Point(10, ToOcs(ocs, c->P1));
    out.Real(40, c->Radius);
  } else if (auto* el = dynamic_cast<const Ellipse_*>(&e)) {
    out.Point(10, el->P1);
    out.Point(11, el->P2);
    out.Real(40, el->Ratio);
    out.Real(41, el->StartParam);
    out.Real(42, el->EndParam);
  } else if (auto* l = dynamic_cast<const Line_*>(&e)) {
    out.Point(10, l->P1);
    out.Point(11, l->P2);
  } else if (auto* t = dynamic_cast<const Text_*>(&e)) {
    out.Point(10, ToOcs(ocs, t->P1));
    out.Real(40, t->Height);
    out.Real(50, t->Rotation);
    out.Group(1, t->Text);
    out.Int(72, t->HAlign);
    out.Point(11, ToOcs(ocs, t->Align));
  } else if (auto* p = dynamic_cast<const Point_*>(&e)) {
    out.Point(10, ToOcs(ocs, p->P1));
  } else if (auto* b = dynamic_cast<const Block_*>(&e)) {
    out.Group(2, b->Name);
    out.Int(70, 0);
    out.Point(10, b->Base);
    out.Group(3, b->Name);
    out.Group(0, "ENDBLK");
    out.Group(8, layer);
  } else if (auto* f = dynamic_cast<const Face3D_*>(&e)) {
    WriteFace(out, *f);
  } else if (auto* pl = dynamic_cast<const Polyline_*>(&e)) {
    WritePolyline(out, *pl, layer);
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

std::unique_ptr<DXF_Object> EmptyDrawing(const std::string& name) {
  auto d = std::make_unique<DXF_Object>();
  d->Name = name.empty() ? "Untitled" : name;
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
  out.Group(10, Shortest(x.Min.X));
  out.Group(20, Shortest(x.Min.Y));
  out.Group(30, Shortest(x.Min.Z));
  out.Group(9, "$EXTMAX");
  out.Group(10, Shortest(x.Max.X));
  out.Group(20, Shortest(x.Max.Y));
  out.Group(30, Shortest(x.Max.Z));
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

std::unique_ptr<DXF_Object> GeometryDrawing(const TTBRegionArray& regions, const std::string& name) {
  auto d = EmptyDrawing(name);
  DXF_Layer& cuts = d->LayerNamed("0");
  for (size_t i = 1; i < regions.size(); ++i)
    for (const auto& e : regions[i].Entities) cuts.Add(EntityAt(e, regions[i].Depth));
  return d;
}

std::unique_ptr<DXF_Object> ToolpathDrawing(const TTBOutRegionArray& toolpaths, const std::string& name) {
  auto d = EmptyDrawing(name);
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

void SaveGeometryDxf(const Job& job, const std::string& path) {
  WriteDxfFile(*GeometryDrawing(job.Regions, "Dxf"), path);
}

void SaveToolpathsDxf(const Job& job, const std::string& path) {
  WriteDxfFile(*ToolpathDrawing(job.Toolpaths, "Dxf"), path);
}

}  // namespace tibrel
