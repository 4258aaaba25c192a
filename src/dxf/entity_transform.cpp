#include "dxf/entity_transform.h"

#include <cmath>

#include "geometry/entity.h"

namespace tibrel {

DxfPoint3 DxfAffine::Apply(const DxfPoint3& p) const {
  const DxfPoint3 d = Direction(p);
  return {Origin.X + d.X, Origin.Y + d.Y, Origin.Z + d.Z};
}

DxfPoint3 DxfAffine::Direction(const DxfPoint3& v) const {
  return {v.X * X.X + v.Y * Y.X + v.Z * Z.X, v.X * X.Y + v.Y * Y.Y + v.Z * Z.Y, v.X * X.Z + v.Y * Y.Z + v.Z * Z.Z};
}

DxfAffine DxfAffine::After(const DxfAffine& inner) const {
  return {Direction(inner.X), Direction(inner.Y), Direction(inner.Z), Apply(inner.Origin)};
}

namespace {

using Out = std::vector<std::unique_ptr<DXF_Entity>>;

// Shapes in the drawing's plane are kept when the images of the X and Y unit
// vectors are at right angles and of one length (up to rounding).
constexpr double ConformalTolerance = 1e-9;

// How m acts on the drawing's plane, seen from above.
struct PlaneMap {
  double ux, uy, vx, vy;  // images of the X and Y unit vectors
  double scale = 0;       // length factor when conformal
  double turn = 0;        // angle of the image of X
  bool conformal = false;
  bool mirrored = false;

  explicit PlaneMap(const DxfAffine& m) : ux(m.X.X), uy(m.X.Y), vx(m.Y.X), vy(m.Y.Y) {
    const double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
    const double big = std::max(lu, lv);
    mirrored = ux * vy - uy * vx < 0;
    conformal = big > 0 && std::fabs(ux * vx + uy * vy) <= ConformalTolerance * lu * lv &&
                std::fabs(lu - lv) <= ConformalTolerance * big;
    scale = lu;
    turn = std::atan2(uy, ux);
  }
  double Area() const { return std::fabs(ux * vy - uy * vx); }
};

// The ellipse c + cos(t) a + sin(t) b for t from t0 to t1 (counter-clockwise
// from t0 to t1 in the parameter; a range of a whole turn is the full
// ellipse), as an Ellipse_ with its major axis and ratio. b need not be at
// right angles to a: the principal axes are found first.
std::unique_ptr<Ellipse_> EllipseThrough(const DxfPoint3& c, const DxfPoint3& a, const DxfPoint3& b, double t0,
                                         double t1) {
  const double aa = a.X * a.X + a.Y * a.Y, bb = b.X * b.X + b.Y * b.Y, ab = a.X * b.X + a.Y * b.Y;
  // The parameter at which |cos(t) a + sin(t) b| is greatest.
  const double shift = 0.5 * std::atan2(2 * ab, aa - bb);
  const double cs = std::cos(shift), sn = std::sin(shift);
  const DxfPoint3 major{a.X * cs + b.X * sn, a.Y * cs + b.Y * sn, a.Z * cs + b.Z * sn};
  const DxfPoint3 minor{b.X * cs - a.X * sn, b.Y * cs - a.Y * sn, b.Z * cs - a.Z * sn};
  auto e = std::make_unique<Ellipse_>();
  e->P1 = c;
  e->P2 = major;
  const double lmaj = std::hypot(major.X, major.Y), lmin = std::hypot(minor.X, minor.Y);
  e->Ratio = lmaj > 0 ? lmin / lmaj : 0;
  e->StartParam = t0 - shift;
  e->EndParam = t1 - shift;
  // The minor axis turned clockwise from the major one: seen from below.
  if (major.X * minor.Y - major.Y * minor.X < 0) e->SetOcs(OcsFromExtrusion({0, 0, -1}));
  return e;
}

void CircleOrArc(const Circle_& src, bool full, double s, double e, const DxfAffine& m, Out& out) {
  const PlaneMap pm(m);
  const DxfPoint3 c = m.Apply(src.P1);
  if (!pm.conformal) {
    const double r = src.Radius;
    const double t1 = full ? s + TwoPi : e;
    out.push_back(EllipseThrough(c, m.Direction({r, 0, 0}), m.Direction({0, r, 0}), s, t1));
    return;
  }
  if (full) {
    auto circle = std::make_unique<Circle_>();
    circle->Colour = src.Colour;
    circle->P1 = c;
    circle->Radius = src.Radius * pm.scale;
    out.push_back(std::move(circle));
    return;
  }
  auto arc = std::make_unique<Arc_>();
  arc->P1 = c;
  arc->Radius = src.Radius * pm.scale;
  // A mirror sends the angle a to turn - a: the arc from s to e runs
  // counter-clockwise from the image of e to the image of s.
  arc->StartAngle = NormaliseAngle(pm.mirrored ? pm.turn - e : s + pm.turn);
  arc->EndAngle = NormaliseAngle(pm.mirrored ? pm.turn - s : e + pm.turn);
  out.push_back(std::move(arc));
}

// A polyline whose bulges lose their circles comes apart into lines and
// elliptical arcs, piece by piece as the polyline's conversion cuts it.
void ExplodePolyline(const Polyline_& p, const DxfAffine& m, Out& out) {
  const auto& v = p.Vertices;
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    const DxfVertex &a = v[i], &b = v[i + 1];
    if (a.Bulge == 0) {
      Line_ l;
      l.P1 = {a.X, a.Y, a.Z}, l.P2 = {b.X, b.Y, b.Z};
      TransformEntity(l, m, out);
      continue;
    }
    const double k = (1 / a.Bulge - a.Bulge) / 2;
    const double cx = (a.X + b.X - (b.Y - a.Y) * k) / 2, cy = (a.Y + b.Y + (b.X - a.X) * k) / 2;
    Arc_ arc;
    arc.P1 = {cx, cy, a.Z};
    arc.Radius = std::hypot(a.X - cx, a.Y - cy);
    if (!(arc.Radius > 0)) continue;
    const double sa = PointAngle({cx, cy}, {a.X, a.Y}), ea = PointAngle({cx, cy}, {b.X, b.Y});
    // A negative bulge turns clockwise: counter-clockwise from b to a.
    arc.StartAngle = a.Bulge > 0 ? sa : ea;
    arc.EndAngle = a.Bulge > 0 ? ea : sa;
    TransformEntity(arc, m, out);
  }
}

template <class T>
void MapPolyline(const T& src, const DxfAffine& m, Out& out) {
  const PlaneMap pm(m);
  bool bulged = false;
  for (const auto& vx : src.Vertices) bulged = bulged || vx.Bulge != 0;
  if (bulged && !pm.conformal) return ExplodePolyline(src, m, out);
  auto p = std::make_unique<T>(src);
  p->Ocs.reset();
  for (auto& vx : p->Vertices) {
    const DxfPoint3 w = m.Apply({vx.X, vx.Y, vx.Z});
    vx.X = w.X, vx.Y = w.Y, vx.Z = w.Z;
    if (pm.mirrored) vx.Bulge = -vx.Bulge;
  }
  p->Width *= pm.conformal ? pm.scale : std::sqrt(pm.Area());
  out.push_back(std::move(p));
}

// Maps e as the first of the polyline classes T it is (the most derived
// first), keeping that class. False when it is none of them.
template <class... T>
bool MapPolylineOf(const DXF_Entity& e, const DxfAffine& m, Out& out) {
  return ((dynamic_cast<const T*>(&e) ? (MapPolyline(static_cast<const T&>(e), m, out), true) : false) || ...);
}

void MapSpline(const Spline_& src, const DxfAffine& m, Out& out) {
  auto s = std::make_unique<Spline_>(src);
  s->Ocs.reset();
  for (auto& p : s->Control) p = m.Apply(p);
  for (auto& p : s->Fit) p = m.Apply(p);
  if (s->StartTangent) s->StartTangent = m.Direction(*s->StartTangent);
  if (s->EndTangent) s->EndTangent = m.Direction(*s->EndTangent);
  out.push_back(std::move(s));
}

void MapEllipse(const Ellipse_& src, const DxfAffine& m, Out& out) {
  // The reader's ellipse: major axis P2, minor axis P2 turned a quarter
  // counter-clockwise (clockwise seen from below) and scaled by the ratio.
  const double k = src.Ratio * (src.Ocs && src.Ocs->Mirrored() ? -1 : 1);
  const DxfPoint3 minor{-src.P2.Y * k, src.P2.X * k, 0};
  out.push_back(EllipseThrough(m.Apply(src.P1), m.Direction(src.P2), m.Direction(minor), src.StartParam, src.EndParam));
}

void MapText(const Text_& src, const DxfAffine& m, Out& out) {
  const PlaneMap pm(m);
  auto t = std::make_unique<Text_>(src);
  t->Ocs.reset();
  t->P1 = m.Apply(src.P1);
  t->Align = m.Apply(src.Align);
  t->Height *= std::hypot(pm.vx, pm.vy);
  t->Rotation += pm.turn * 180 / Pi;
  out.push_back(std::move(t));
}

}  // namespace

void TransformEntity(const DXF_Entity& e, const DxfAffine& m, Out& out) {
  const size_t first = out.size();
  if (dynamic_cast<const Block_*>(&e) || dynamic_cast<const Insert_*>(&e) || dynamic_cast<const Attrib_*>(&e)) {
    return;
  } else if (auto* s = dynamic_cast<const Spline_*>(&e)) {
    MapSpline(*s, m, out);
  } else if (MapPolylineOf<Polyface_mesh_, Polygon_mesh_, Solid_, Face3D_, Polyline_>(e, m, out)) {
    // mapped, keeping its class
  } else if (auto* el = dynamic_cast<const Ellipse_*>(&e)) {
    MapEllipse(*el, m, out);
  } else if (auto* l = dynamic_cast<const Line_*>(&e)) {
    auto line = std::make_unique<Line_>();
    line->P1 = m.Apply(l->P1);
    line->P2 = m.Apply(l->P2);
    out.push_back(std::move(line));
  } else if (auto* a = dynamic_cast<const Arc_*>(&e)) {
    CircleOrArc(*a, false, a->StartAngle, a->EndAngle, m, out);
  } else if (auto* c = dynamic_cast<const Circle_*>(&e)) {
    CircleOrArc(*c, true, 0, TwoPi, m, out);
  } else if (auto* t = dynamic_cast<const Text_*>(&e)) {
    MapText(*t, m, out);
  } else if (auto* pt = dynamic_cast<const Point_*>(&e)) {
    auto point = std::make_unique<Point_>();
    point->P1 = m.Apply(pt->P1);
    out.push_back(std::move(point));
  }
  for (size_t k = first; k < out.size(); ++k) out[k]->Colour = e.Colour;
}

}  // namespace tibrel
