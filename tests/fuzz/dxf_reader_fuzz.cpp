// libFuzzer target for the DXF reader (ReadDxf).
//
// Properties checked on every input:
//  - ReadDxf either returns a drawing or throws DXF_read_exception; any other
//    exception (or a crash, or a sanitizer report) is a fault.
//  - The drawing has the documented shape: layer names are upper case and
//    unique; a layer has one entity list per class, each holding only
//    entities of that class; arc angles are radians in [0, 2*pi); each
//    notice appears at most once; an OCS is a right-handed orthonormal frame;
//    every spline kept defines a curve; block inserts (expanded by the
//    reader) make at most their limit of entities.
//  - The line-end style does not matter: the same text with LF, CR LF or
//    lone CR line ends reads to the same drawing and the same $INSUNITS (or
//    the same error, with the same line number).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>
#include <string_view>

#include "dxf/blocks.h"
#include "dxf/entities.h"
#include "dxf/reader.h"
#include "dxf/spline.h"
#include "geometry/entity.h"
#include "fuzz_check.h"

namespace {

using namespace tibrel;

void Hex(std::string& out, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, " %a", v);
  out += buf;
}

void Hex(std::string& out, const DxfPoint3& p) {
  Hex(out, p.X);
  Hex(out, p.Y);
  Hex(out, p.Z);
}

double Dot(const DxfPoint3& a, const DxfPoint3& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

DxfPoint3 Cross(const DxfPoint3& a, const DxfPoint3& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// The arbitrary axis algorithm gives unit axes, at right angles, with
// Ax x Ay = Az, whatever the length of the extrusion vector in the file.
void CheckOcs(const DxfOcs& o) {
  constexpr double tol = 1e-9;
  auto unit = [&](const DxfPoint3& a) { return std::fabs(Dot(a, a) - 1) < tol; };
  if (!unit(o.Ax) || !unit(o.Ay) || !unit(o.Az)) Violated("OCS axis is not of unit length");
  if (std::fabs(Dot(o.Ax, o.Ay)) > tol || std::fabs(Dot(o.Ax, o.Az)) > tol || std::fabs(Dot(o.Ay, o.Az)) > tol)
    Violated("OCS axes are not at right angles");
  const DxfPoint3 z = Cross(o.Ax, o.Ay);
  if (std::fabs(z.X - o.Az.X) > tol || std::fabs(z.Y - o.Az.Y) > tol || std::fabs(z.Z - o.Az.Z) > tol)
    Violated("OCS is not right-handed (Ax x Ay != Az)");
}

// Checks one entity and appends an exact description of it to out.
void Describe(const DXF_Entity& e, std::string& out) {
  out += e.ClassName();
  out += ' ';
  out += std::to_string(e.Colour);
  if (e.Ocs) {
    CheckOcs(*e.Ocs);
    out += " ocs";
    Hex(out, e.Ocs->Ax);
    Hex(out, e.Ocs->Ay);
    Hex(out, e.Ocs->Az);
  }
  if (auto* t = dynamic_cast<const Text_*>(&e)) {
    Hex(out, t->P1);
    Hex(out, t->Height);
    Hex(out, t->Rotation);
    Hex(out, t->Align);
    out += ' ' + std::to_string(t->HAlign) + " [" + t->Text + "]";
  } else if (auto* el = dynamic_cast<const Ellipse_*>(&e)) {
    Hex(out, el->P1);
    Hex(out, el->P2);
    Hex(out, el->Ratio);
    Hex(out, el->StartParam);
    Hex(out, el->EndParam);
  } else if (auto* l = dynamic_cast<const Line_*>(&e)) {
    Hex(out, l->P1);
    Hex(out, l->P2);
  } else if (auto* a = dynamic_cast<const Arc_*>(&e)) {
    for (double ang : {a->StartAngle, a->EndAngle})
      if (!(ang >= 0 && ang < TwoPi)) Violated("arc angle outside [0, 2*pi)", std::to_string(ang));
    Hex(out, a->P1);
    Hex(out, a->Radius);
    Hex(out, a->StartAngle);
    Hex(out, a->EndAngle);
  } else if (auto* c = dynamic_cast<const Circle_*>(&e)) {
    Hex(out, c->P1);
    Hex(out, c->Radius);
  } else if (auto* ins = dynamic_cast<const Insert_*>(&e)) {
    out += " [" + ins->Block + "]";
    Hex(out, ins->P1);
    Hex(out, ins->Scale);
    Hex(out, ins->Rotation);
    out += ' ' + std::to_string(ins->Rows) + ' ' + std::to_string(ins->Columns);
  } else if (auto* p = dynamic_cast<const Point_*>(&e)) {
    Hex(out, p->P1);
  } else if (auto* sp = dynamic_cast<const Spline_*>(&e)) {
    // Only splines that define a curve are kept.
    if (!SplineCurve(*sp)) Violated("a spline without a curve was kept");
    out += ' ' + std::to_string(sp->Flags) + ' ' + std::to_string(sp->Degree);
    for (double k : sp->Knots) Hex(out, k);
    for (const auto& p : sp->Control) Hex(out, p);
    for (double w : sp->Weights) Hex(out, w);
    for (const auto& p : sp->Fit) Hex(out, p);
  } else if (auto* b = dynamic_cast<const Block_*>(&e)) {
    out += " [" + b->Name + "]";
    Hex(out, b->Base);
  } else if (auto* pl = dynamic_cast<const Polyline_*>(&e)) {
    out += pl->Closed ? " closed" : " open";
    Hex(out, pl->Width);
    for (const auto& v : pl->Vertices) {
      Hex(out, v.X);
      Hex(out, v.Y);
      Hex(out, v.Z);
      Hex(out, v.Bulge);
    }
    if (auto* m = dynamic_cast<const Polygon_mesh_*>(&e))
      out += " mesh " + std::to_string(m->M) + ' ' + std::to_string(m->N) + ' ' + std::to_string(m->ClosedM) +
             std::to_string(m->ClosedN);
    if (auto* f = dynamic_cast<const Polyface_mesh_*>(&e))
      for (const auto& face : f->Faces)
        for (int k : face) out += ' ' + std::to_string(k);
  }
  out += '\n';
}

// Entities described one by one in each list; the rest are counted (block
// inserts may make millions, whose text would fill the memory).
constexpr size_t DescribedPerList = 20000;

// Checks the drawing's shape and returns an exact description of it. Every
// entity comes from the file (none takes fewer than a few bytes) or from the
// inserts, which stop at their limit.
std::string Describe(const DXF_Object& d, size_t bytes) {
  std::string out = "insunits " + std::to_string(d.InsUnits) + '\n';
  size_t entities = 0;
  std::set<std::string> layerNames;
  for (const auto& layer : d.Layers) {
    if (!layer) Violated("null layer");
    for (char ch : layer->Name)
      if (ch >= 'a' && ch <= 'z') Violated("layer name is not upper case", layer->Name);
    if (!layerNames.insert(layer->Name).second) Violated("two layers of one name", layer->Name);
    if (layer->Lists.size() != layer->EntityNames.size()) Violated("entity lists and list names disagree");
    out += "layer [" + layer->Name + "]\n";
    std::set<std::string> classes;
    for (size_t k = 0; k < layer->Lists.size(); ++k) {
      const Entity_List& list = *layer->Lists[k];
      if (list.ClassName != layer->EntityNames[k]) Violated("list name differs from its class", list.ClassName);
      if (!classes.insert(list.ClassName).second) Violated("two lists of one class in a layer", list.ClassName);
      if (list.Layer != layer.get()) Violated("entity list points at another layer");
      out += "list " + list.ClassName + ' ' + std::to_string(list.Entities.size()) + '\n';
      entities += list.Entities.size();
      for (size_t i = 0; i < list.Entities.size(); ++i) {
        const auto& e = list.Entities[i];
        if (!e) Violated("null entity");
        if (list.ClassName != e->ClassName()) Violated("entity in the list of another class", e->ClassName());
        if (i < DescribedPerList) Describe(*e, out);
      }
    }
  }
  if (entities > bytes + MaxInsertedEntities)
    Violated("more entities than the file and the inserts can make", std::to_string(entities));
  std::set<std::string> notices;
  for (const auto& w : d.Warnings) {
    if (!notices.insert(w).second) Violated("a notice was given twice", w);
    out += "notice " + w + '\n';
  }
  return out;
}

struct Outcome {
  bool threw = false;
  std::string text;  // the error message, or the description of the drawing
};

Outcome Read(std::string_view data) {
  Outcome o;
  try {
    const DXF_Object d = ReadDxf(data, "fuzz.dxf");
    o.text = Describe(d, data.size());
  } catch (const DXF_read_exception& e) {
    o.threw = true;
    o.text = e.what();
    if (o.text.empty()) Violated("DXF_read_exception without a message");
  } catch (const std::exception& e) {
    Violated("ReadDxf threw something other than DXF_read_exception", e.what());
  } catch (...) {
    Violated("ReadDxf threw a non-standard exception");
  }
  return o;
}

void Same(const Outcome& a, const Outcome& b, const char* variant) {
  if (a.threw != b.threw || a.text != b.text)
    Violated(variant, "LF: " + std::string(a.threw ? "error " : "drawing ") + a.text + "\nother: " +
                          (b.threw ? "error " : "drawing ") + b.text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  const Outcome lf = Read(data);

  // Only inputs whose line ends are all LF can be rewritten unambiguously.
  if (data.find('\r') == std::string_view::npos && data.find('\n') != std::string_view::npos) {
    std::string crlf, cr;
    crlf.reserve(2 * size);
    cr.reserve(size);
    for (char c : data) {
      if (c == '\n') {
        crlf += "\r\n";
        cr += '\r';
      } else {
        crlf += c;
        cr += c;
      }
    }
    Same(lf, Read(crlf), "CR LF line ends read differently from LF");
    Same(lf, Read(cr), "lone CR line ends read differently from LF");
  }
  return 0;
}
