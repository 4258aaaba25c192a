#include "dxf/reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>

#include "dxf/blocks.h"
#include "dxf/groups.h"
#include "dxf/plain_numbers.h"
#include "dxf/spline.h"
#include "geometry/entity.h"
#include "geometry/tolerances.h"

namespace tibrel {

std::string DxfErrorAtLine(const std::string& text, long line) {
  return text + "\r\nError occured at or near line number " + std::to_string(line);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw DXF_read_exception("Cannot open file " + path);
  // Read in one piece into a string of the file's size (a stream copy
  // through a string stream costs more than reading a large drawing);
  // whatever the size said, the file is read to its end.
  std::string data;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) {
    data.resize(static_cast<size_t>(size));
    in.read(data.data(), size);
    data.resize(static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw DXF_read_exception("Cannot read file " + path);
  in.clear();
  char more[65536];
  while (in.read(more, sizeof more) || in.gcount() > 0) data.append(more, static_cast<size_t>(in.gcount()));
  if (in.bad()) throw DXF_read_exception("Cannot read file " + path);
  return data;
}

namespace {

constexpr size_t MaxLineLength = 255;
constexpr size_t BlockSize = 4096;
// Some programs put a UTF-8 byte-order mark before the first group.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// ' ' and \t \n \v \f \r (9 to 13).
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (auto& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// Integers are 32-bit; a larger value is not a valid integer.
bool ParseInt(std::string_view t, long& out) {
  t = Trim(t);
  if (ParseSmallInteger(t, out)) return true;
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  int32_t v = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  out = v;
  return ec == std::errc() && p == t.data() + t.size();
}

// Numbers in DXF files always use the point, whatever the process-wide
// decimal character is. Values that are not finite are refused.
bool ParseDouble(std::string_view t, double& out) {
  t = Trim(t);
  if (ParsePlainDecimal(t, out)) return true;
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && p == t.data() + t.size() && std::isfinite(out);
}

// The group values of one entity; every entity starts from a zeroed set.
struct Groups {
  DxfPoint3 p[4];
  double r40 = 0, r41 = 0, r42 = 0, r43 = 0;
  double a50 = 0, a51 = 0;
  double thickness = 0, elevation = 0;
  long colour = 0, follows = 0;
  long i70 = 0, i71 = 0, i72 = 0, i73 = 0, i74 = 0;
  std::string text1, name2, text3, layer;
  DxfPoint3 extrusion{0, 0, 1};
  bool has11 = false;
};

class DXF_Reader {
 public:
  DXF_Reader(std::string_view data, const PassControl& control, size_t maxVertices)
      : data_(data), control_(control), maxVertices_(maxVertices) {}

  void Read(DXF_Object& out);

 private:
  bool NextLine(std::string_view& line);
  int ReadGroup();
  void PushBack() { pushed_ = true; }
  double Float() const;
  long Integer() const;
  [[noreturn]] void Fail(const std::string& text) const { throw DXF_read_exception(DxfErrorAtLine(text, line_)); }
  // Reads up to the header of section name; gives up at the end of the
  // groups or at the header of section stopAt.
  bool FindSection(std::string_view name, std::string_view stopAt = {});
  void ReadHeader(DXF_Object& out);
  bool SkimBlocks(DXF_Object& out);
  // Reads entities until the end name (or ENDSEC); adds them to layers when
  // into is set. Returns false when the groups run out first.
  bool ReadEntities(DXF_Object* into, std::string_view endName);
  // Reads the next group of the current entity; false at the end of the
  // groups or at the next entity (whose code 0 is pushed back).
  bool EntityGroup();
  void ReadGroups(Groups& g);
  void Dispatch(const std::string& name, DXF_Object* into);
  void ReadPolyline(Groups& g, DXF_Object* into);
  void ReadLwPolyline(DXF_Object* into);
  void AddEntity(DXF_Object* into, const Groups& g, std::unique_ptr<DXF_Entity> e);
  void AddVertex(Polyline_& p, const DxfVertex& v);
  // INSERT and SPLINE, read from their raw groups.
  void ReadRawEntity(const std::string& name, DXF_Object* into);

  std::string_view data_;
  const PassControl& control_;
  size_t maxVertices_;
  size_t pos_ = 0;
  size_t nextBlock_ = BlockSize;
  long line_ = 0;
  int code_ = 0;
  std::string_view value_;  // a view into the data, at most 255 characters
  bool pushed_ = false;
  bool cancelled_ = false;
  DxfBlock* block_ = nullptr;  // the block whose entities are being read
};

bool DXF_Reader::NextLine(std::string_view& line) {
  if (pos_ >= data_.size() || cancelled_) return false;
  const char* base = data_.data();
  const size_t n = data_.size();
  // The line ends at the first CR or LF. Lines are mostly a few characters:
  // a plain loop beats a library search started for each.
  size_t end = pos_;
  while (end < n && base[end] != '\n' && base[end] != '\r') ++end;
  line = std::string_view(base + pos_, std::min(end - pos_, MaxLineLength));
  if (end < n) {
    if (base[end] == '\r' && end + 1 < n && base[end + 1] == '\n') ++end;  // CR LF
    ++end;
  }
  pos_ = end;
  ++line_;
  if (pos_ >= nextBlock_) {
    nextBlock_ = (pos_ / BlockSize + 1) * BlockSize;
    control_.Advance(static_cast<int64_t>(pos_ / BlockSize));
    if ((pos_ / BlockSize) % 64 == 0 && control_.Cancelled()) cancelled_ = true;
  }
  return true;
}

int DXF_Reader::ReadGroup() {
  if (pushed_) {
    pushed_ = false;
    return code_;
  }
  std::string_view line, text;
  do {
    if (!NextLine(line)) return code_ = -2;
    text = Trim(line);
  } while (text.empty());
  long code;
  if (!ParseInt(text, code)) return code_ = -2;
  if (!NextLine(line)) return code_ = -2;
  value_ = line;
  return code_ = static_cast<int>(code);
}

double DXF_Reader::Float() const {
  double v;
  if (!ParseDouble(value_, v)) Fail("Invalid Floating point conversion");
  return v;
}

long DXF_Reader::Integer() const {
  long v;
  if (!ParseInt(value_, v)) Fail("Invalid Integer conversion");
  return v;
}

bool DXF_Reader::FindSection(std::string_view name, std::string_view stopAt) {
  for (;;) {
    int c = ReadGroup();
    if (c < 0) return false;
    if (c != 0 || Trim(value_) != "SECTION") continue;
    c = ReadGroup();
    if (c < 0) return false;
    if (c == 2 && Trim(value_) == name) return true;
    if (c == 2 && !stopAt.empty() && Trim(value_) == stopAt) return false;
  }
}

bool DXF_Reader::EntityGroup() {
  const int c = ReadGroup();
  if (c < 0) return false;
  if (c == 0) {
    PushBack();
    return false;
  }
  return true;
}

void DXF_Reader::ReadGroups(Groups& g) {
  while (EntityGroup()) {
    const int c = code_;
    switch (c) {
      case 10: case 11: case 12: case 13: g.p[c - 10].X = Float(); if (c == 11) g.has11 = true; break;
      case 20: case 21: case 22: case 23: g.p[c - 20].Y = Float(); break;
      case 30: case 31: case 32: case 33: g.p[c - 30].Z = Float(); break;
      case 40: g.r40 = Float(); break;
      case 41: g.r41 = Float(); break;
      case 42: g.r42 = Float(); break;
      case 43: g.r43 = Float(); break;
      case 50: g.a50 = Float(); break;
      case 51: g.a51 = Float(); break;
      case 39: g.thickness = Float(); break;
      case 38: g.elevation = Float(); break;
      case 62: g.colour = Integer(); break;
      case 66: g.follows = Integer(); break;
      case 70: g.i70 = Integer(); break;
      case 71: g.i71 = Integer(); break;
      case 72: g.i72 = Integer(); break;
      case 73: g.i73 = Integer(); break;
      case 74: g.i74 = Integer(); break;
      case 1: g.text1 = std::string(value_); break;
      case 2: g.name2 = std::string(Trim(value_)); break;
      case 3: g.text3 += std::string(value_); break;  // MTEXT: the text's leading chunks
      case 8: g.layer = Upper(Trim(value_)); break;
      case 210: g.extrusion.X = Float(); break;
      case 220: g.extrusion.Y = Float(); break;
      case 230: g.extrusion.Z = Float(); break;
      default: break;
    }
  }
}

void DXF_Reader::AddEntity(DXF_Object* into, const Groups& g, std::unique_ptr<DXF_Entity> e) {
  e->Colour = static_cast<int>(g.colour);
  if (into)
    into->LayerNamed(g.layer).Add(std::move(e));
  else if (block_)
    block_->Items.push_back({g.layer, std::move(e)});
}

void DXF_Reader::ReadRawEntity(const std::string& name, DXF_Object* into) {
  DxfGroups raw;
  while (EntityGroup()) raw.push_back({code_, value_, line_});
  std::unique_ptr<DXF_Entity> e;
  if (name == "INSERT") {
    e = InsertFromGroups(raw);
  } else {
    auto spline = SplineFromGroups(raw);
    // A spline that defines no curve is left out with a notice (in a block:
    // when the block is inserted).
    if (!SplineCurve(*spline)) {
      if (into) into->Notice(SplineNotReadNotice);
      if (block_) block_->UnreadSpline = true;
      return;
    }
    e = std::move(spline);
  }
  Groups g;
  g.layer = GroupLayer(raw);
  g.colour = e->Colour;
  AddEntity(into, g, std::move(e));
}

double DegreesToRadians(double deg) {
  deg = std::fmod(deg, 360.0);
  if (deg < 0) deg += 360.0;
  if (deg >= 360.0) deg -= 360.0;
  return deg * Pi / 180.0;
}

std::unique_ptr<Arc_> MakeArcEntity(const Groups& g, const std::optional<DxfOcs>& ocs) {
  auto a = std::make_unique<Arc_>();
  a->Radius = std::fabs(g.r40);
  const double s = DegreesToRadians(g.a50), e = DegreesToRadians(g.a51);
  if (!ocs) {
    a->P1 = g.p[0];
    a->StartAngle = s;
    a->EndAngle = e;
    return a;
  }
  a->SetOcs(ocs);
  a->P1 = ocs->ToWorld(g.p[0]);
  const DxfPoint3 ps = ocs->ToWorld({g.p[0].X + a->Radius * std::cos(s), g.p[0].Y + a->Radius * std::sin(s), g.p[0].Z});
  const DxfPoint3 pe = ocs->ToWorld({g.p[0].X + a->Radius * std::cos(e), g.p[0].Y + a->Radius * std::sin(e), g.p[0].Z});
  a->StartAngle = NormaliseAngle(PointAngle({a->P1.X, a->P1.Y}, {ps.X, ps.Y}));
  a->EndAngle = NormaliseAngle(PointAngle({a->P1.X, a->P1.Y}, {pe.X, pe.Y}));
  // Seen from below, the arc runs clockwise in world coordinates; as a
  // counter-clockwise arc it goes from the end point to the start point.
  if (ocs->Mirrored()) std::swap(a->StartAngle, a->EndAngle);
  return a;
}

void FillText(Text_& t, const Groups& g, const std::optional<DxfOcs>& ocs) {
  t.P1 = ocs ? ocs->ToWorld(g.p[0]) : g.p[0];
  t.SetOcs(ocs);
  t.Height = g.r40;
  t.Rotation = g.a50;
  t.Text = g.text1;
  const bool hasAlign = g.has11 && (g.p[1].X != 0 || g.p[1].Y != 0 || g.p[1].Z != 0);
  t.Align = hasAlign ? (ocs ? ocs->ToWorld(g.p[1]) : g.p[1]) : t.P1;
  t.HAlign = static_cast<int>(g.i72);
  t.VAlign = static_cast<int>(g.i73);
}

// MTEXT: the text continues from its group 3 chunks; its direction is the
// X axis vector of group 11 when given, else the rotation of group 50 in
// degrees.
void FillMText(Text_& t, const Groups& g) {
  t.MText = true;
  t.Text = g.text3 + g.text1;
  t.Attachment = static_cast<int>(g.i71);
  t.HAlign = t.VAlign = 0;
  t.Align = t.P1;
  if (g.has11 && (g.p[1].X != 0 || g.p[1].Y != 0)) t.Rotation = std::atan2(g.p[1].Y, g.p[1].X) * 180 / Pi;
}

// Attributes keep their vertical alignment in group 74 (73 is the field
// length); flag 1 hides them.
void FillAttribute(Text_& t, const Groups& g) {
  t.VAlign = static_cast<int>(g.i74);
  t.Invisible = g.i70 & 1;
}

bool SamePoint(const DxfPoint3& a, const DxfPoint3& b) { return a.X == b.X && a.Y == b.Y && a.Z == b.Z; }

// Polylines in an OCS are brought to world coordinates; a mirrored plane
// reverses the sense of every bulge.
void PolylineToWorld(Polyline_& p, const std::optional<DxfOcs>& ocs) {
  if (!ocs) return;
  for (auto& v : p.Vertices) {
    const DxfPoint3 w = ocs->ToWorld({v.X, v.Y, v.Z});
    v.X = w.X, v.Y = w.Y, v.Z = w.Z;
    if (ocs->Mirrored()) v.Bulge = -v.Bulge;
  }
}

void CloseVertices(Polyline_& p, bool closedFlag) {
  if (closedFlag && !p.Vertices.empty()) {
    const DxfVertex f = p.Vertices.front(), l = p.Vertices.back();
    if (std::fabs(l.X - f.X) > PolylineCloseTolerance || std::fabs(l.Y - f.Y) > PolylineCloseTolerance)
      p.Vertices.push_back(f);
  }
  p.Closed = closedFlag || (p.Vertices.size() > 1 && p.Vertices.front().X == p.Vertices.back().X &&
                            p.Vertices.front().Y == p.Vertices.back().Y && p.Vertices.front().Z == p.Vertices.back().Z);
}

void DXF_Reader::Dispatch(const std::string& entity, DXF_Object* into) {
  // Compared as a view: the length is checked before any characters.
  const std::string_view name = entity;
  Groups g;
  if (name == "LWPOLYLINE") return ReadLwPolyline(into);
  if (name == "INSERT" || name == "SPLINE") return ReadRawEntity(entity, into);
  ReadGroups(g);
  if (name == "POLYLINE") return ReadPolyline(g, into);
  const std::optional<DxfOcs> ocs = OcsFromExtrusion(g.extrusion);
  if (name == "POINT") {
    auto e = std::make_unique<Point_>();
    e->P1 = ocs ? ocs->ToWorld(g.p[0]) : g.p[0];
    e->SetOcs(ocs);
    AddEntity(into, g, std::move(e));
  } else if (name == "LINE") {
    auto e = std::make_unique<Line_>();
    e->P1 = g.p[0];
    e->P2 = g.p[1];
    AddEntity(into, g, std::move(e));
  } else if (name == "CIRCLE") {
    auto e = std::make_unique<Circle_>();
    e->P1 = ocs ? ocs->ToWorld(g.p[0]) : g.p[0];
    e->SetOcs(ocs);
    e->Radius = std::fabs(g.r40);
    AddEntity(into, g, std::move(e));
  } else if (name == "ARC") {
    AddEntity(into, g, MakeArcEntity(g, ocs));
  } else if (name == "ELLIPSE") {
    auto e = std::make_unique<Ellipse_>();
    e->P1 = g.p[0];
    e->P2 = g.p[1];
    e->Ratio = g.r40;
    e->StartParam = g.r41;
    e->EndParam = g.r42;
    e->SetOcs(ocs);
    AddEntity(into, g, std::move(e));
  } else if (name == "TEXT" || name == "MTEXT") {
    auto e = std::make_unique<Text_>();
    FillText(*e, g, ocs);
    if (name == "MTEXT") FillMText(*e, g);
    AddEntity(into, g, std::move(e));
  } else if (name == "ATTRIB") {
    auto e = std::make_unique<Attrib_>();
    FillText(*e, g, ocs);
    FillAttribute(*e, g);
    AddEntity(into, g, std::move(e));
  } else if (name == "ATTDEF") {
    auto e = std::make_unique<Attdef_>();
    FillText(*e, g, ocs);
    FillAttribute(*e, g);
    AddEntity(into, g, std::move(e));
  } else if (name == "3DFACE") {
    auto e = std::make_unique<Face3D_>();
    const int corners = SamePoint(g.p[3], g.p[2]) ? 3 : 4;
    for (int k = 0; k < corners; ++k) e->Vertices.push_back({g.p[k].X, g.p[k].Y, g.p[k].Z, 0});
    CloseVertices(*e, true);
    AddEntity(into, g, std::move(e));
  } else if (name == "SOLID" || name == "TRACE") {
    DxfPoint3 c[4];
    for (int k = 0; k < 4; ++k) c[k] = ocs ? ocs->ToWorld(g.p[k]) : g.p[k];
    auto line = [&](int a, int b) {
      auto e = std::make_unique<Line_>();
      e->P1 = c[a];
      e->P2 = c[b];
      AddEntity(into, g, std::move(e));
    };
    if (SamePoint(g.p[3], g.p[2])) {
      line(0, 1), line(1, 2), line(0, 2);
    } else {
      line(0, 1), line(1, 3), line(3, 2), line(2, 0);
    }
  }
}

void DXF_Reader::AddVertex(Polyline_& p, const DxfVertex& v) {
  if (p.Vertices.size() >= maxVertices_)
    Fail("Polyline contained more than " + std::to_string(maxVertices_) + " vertices");
  p.Vertices.push_back(v);
}

void DXF_Reader::ReadLwPolyline(DXF_Object* into) {
  Groups g;
  auto p = std::make_unique<Polyline_>();
  DxfVertex* v = nullptr;
  for (;;) {
    const int c = ReadGroup();
    if (c < 0) break;
    if (c == 0) {
      PushBack();
      break;
    }
    switch (c) {
      case 10:
        AddVertex(*p, {Float(), 0, 0, 0});
        v = &p->Vertices.back();
        break;
      case 20: (v ? v->Y : g.p[0].Y) = Float(); break;
      case 42: if (v) v->Bulge = Float(); else Float(); break;
      case 40: if (!v) g.r40 = Float(); else Float(); break;
      case 41: Float(); break;
      case 43: g.r43 = Float(); break;
      case 38: g.elevation = Float(); break;
      case 62: g.colour = Integer(); break;
      case 70: g.i70 = Integer(); break;
      case 8: g.layer = Upper(Trim(value_)); break;
      case 210: g.extrusion.X = Float(); break;
      case 220: g.extrusion.Y = Float(); break;
      case 230: g.extrusion.Z = Float(); break;
      default: break;
    }
  }
  if (g.i70 & (16 | 64)) Fail("Error reading POLYLINE entity");
  // A constant width (43) stands for the start width when none is given.
  p->Width = (g.r40 != 0 ? g.r40 : g.r43) / 2;
  for (auto& vx : p->Vertices) vx.Z = g.elevation;
  const auto ocs = OcsFromExtrusion(g.extrusion);
  CloseVertices(*p, g.i70 & 1);
  PolylineToWorld(*p, ocs);
  p->SetOcs(ocs);
  AddEntity(into, g, std::move(p));
}

void DXF_Reader::ReadPolyline(Groups& g, DXF_Object* into) {
  const long flags = g.i70;
  const bool mesh = flags & 16, face = flags & 64;
  std::unique_ptr<Polyline_> p;
  Polygon_mesh_* pm = nullptr;
  Polyface_mesh_* pf = nullptr;
  if (mesh) {
    auto m = std::make_unique<Polygon_mesh_>();
    m->M = static_cast<int>(g.i71);
    m->N = static_cast<int>(g.i72);
    m->ClosedM = flags & 1;
    m->ClosedN = flags & 32;
    pm = m.get();
    p = std::move(m);
  } else if (face) {
    auto m = std::make_unique<Polyface_mesh_>();
    pf = m.get();
    p = std::move(m);
  } else {
    p = std::make_unique<Polyline_>();
  }
  p->Width = g.r40 / 2;
  bool failed = false;
  for (;;) {
    const int c = ReadGroup();
    if (c < 0) break;
    if (c != 0) continue;
    const std::string name(Trim(value_));
    if (name != "VERTEX") {
      if (name == "SEQEND") {
        Groups skip;
        ReadGroups(skip);
      } else {
        PushBack();
      }
      break;
    }
    Groups vg;
    ReadGroups(vg);
    if (failed) continue;
    const long vf = vg.i70;
    if (mesh && !(vf & 64)) {
      failed = true;
      continue;
    }
    if (face) {
      if ((vf & 64) && (vf & 128)) {
        // a position
      } else if (vf & 128) {
        // One-based, sign ignored; a number beyond the int range is no vertex (-1).
        auto index = [](long v) {
          const long k = std::labs(v) - 1;
          return k > INT32_MAX ? -1 : static_cast<int>(k);
        };
        pf->Faces.push_back({index(vg.i71), index(vg.i72), index(vg.i73), index(vg.i74)});
        continue;
      } else {
        failed = true;
        continue;
      }
    }
    AddVertex(*p, {vg.p[0].X, vg.p[0].Y, vg.p[0].Z, vg.r42});
  }
  if (failed) Fail("Error reading POLYLINE entity");
  if (mesh) {
    if (static_cast<long>(p->Vertices.size()) != static_cast<long>(pm->M) * pm->N) return;
    p->Closed = flags & 1;
  } else if (!face) {
    CloseVertices(*p, flags & 1);
    // 3D polylines are in world coordinates; 2D ones in their own plane.
    if (!(flags & 8)) {
      const auto ocs = OcsFromExtrusion(g.extrusion);
      PolylineToWorld(*p, ocs);
      p->SetOcs(ocs);
    }
  }
  AddEntity(into, g, std::move(p));
}

bool DXF_Reader::ReadEntities(DXF_Object* into, std::string_view endName) {
  for (;;) {
    const int c = ReadGroup();
    if (c < 0) return false;
    if (c != 0) continue;
    const std::string_view name = Trim(value_);
    if (name == "ENDSEC" || name == endName) return true;
    Dispatch(std::string(name), into);
  }
}

// The HEADER, when the file opens with it (after any 999 comments): only
// $INSUNITS is taken. A value that is not an integer is passed over, as the
// other variables are. A header that does not end in ENDSEC before the next
// group 0 is no header: reading starts again at the top, as without one.
void DXF_Reader::ReadHeader(DXF_Object& out) {
  const size_t saved = pos_;
  const long savedLine = line_;
  int c = ReadGroup();
  while (c == 999) c = ReadGroup();
  const bool header = c == 0 && Trim(value_) == "SECTION" && ReadGroup() == 2 && Trim(value_) == "HEADER";
  long insUnits = 0;
  std::string_view variable;
  for (c = header ? ReadGroup() : -1; c > 0; c = ReadGroup()) {
    if (c == 9) variable = Trim(value_);
    else if (c == 70 && variable == "$INSUNITS" && !ParseInt(value_, insUnits)) insUnits = 0;
  }
  if (c == 0 && Trim(value_) == "ENDSEC") {
    out.InsUnits = insUnits;
    return;
  }
  pos_ = saved;
  line_ = savedLine;
  pushed_ = false;
}

bool DXF_Reader::SkimBlocks(DXF_Object& out) {
  for (;;) {
    const int c = ReadGroup();
    if (c < 0) return false;
    if (c != 0) continue;
    const std::string name(Trim(value_));
    if (name == "ENDSEC") return true;
    if (name != "BLOCK") continue;
    Groups g;
    ReadGroups(g);
    auto b = std::make_unique<Block_>();
    b->Name = g.name2;
    b->Base = g.p[0];
    out.LayerNamed("0").Add(std::move(b));
    // The first definition of a name counts; a later one is read and dropped.
    DxfBlock scratch;
    const auto [it, fresh] = out.Blocks.try_emplace(BlockKey(g.name2));
    block_ = fresh ? &it->second : &scratch;
    block_->Name = g.name2;
    block_->Base = g.p[0];
    const bool ok = ReadEntities(nullptr, "ENDBLK");
    block_ = nullptr;
    if (!ok) return false;
  }
}

void DXF_Reader::Read(DXF_Object& out) {
  ReadHeader(out);
  const size_t saved = pos_;
  const long savedLine = line_;
  // Blocks come before the entities; a file without them is not read to
  // its end looking for them.
  if (!FindSection("BLOCKS", "ENTITIES") || !SkimBlocks(out)) {
    pos_ = saved;
    line_ = savedLine;
    pushed_ = false;
    out.Layers.clear();
    out.Blocks.clear();
  }
  if (cancelled_) return;
  control_.Begin("Reading DXF file...", static_cast<int64_t>(data_.size() / BlockSize));
  const bool ok = FindSection("ENTITIES") && ReadEntities(&out, "ENDSEC");
  control_.End();
  if (cancelled_) return;
  if (!ok) throw DXF_read_exception("No Entities or invalid Entities section in DXF file");
}

}  // namespace

DXF_Object ReadDxf(std::string_view data, const std::string& name, const PassControl& control, size_t maxVertices) {
  DXF_Object out;
  out.Name = name;
  if (data.starts_with(ByteOrderMark)) data.remove_prefix(ByteOrderMark.size());
  DXF_Reader reader(data, control, maxVertices);
  reader.Read(out);
  if (!control.FlagSet()) ExpandInserts(out, control);
  return out;
}

bool ParseDxfReal(std::string_view text, double& out) { return ParseDouble(text, out); }
bool ParseDxfInteger(std::string_view text, long& out) { return ParseInt(text, out); }
std::string_view TrimGroupValue(std::string_view text) { return Trim(text); }
std::string DxfLayerName(std::string_view text) { return Upper(Trim(text)); }

}  // namespace tibrel
