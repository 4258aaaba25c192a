#include "dxf/entities.h"

#include <algorithm>
#include <cmath>

namespace tibrel {

DxfPoint3 DxfOcs::ToWorld(const DxfPoint3& p) const {
  return {p.X * Ax.X + p.Y * Ay.X + p.Z * Az.X, p.X * Ax.Y + p.Y * Ay.Y + p.Z * Az.Y,
          p.X * Ax.Z + p.Y * Ay.Z + p.Z * Az.Z};
}

namespace {

DxfPoint3 Cross(const DxfPoint3& a, const DxfPoint3& b) {
  return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

// Scaled by the largest component first, so that neither tiny nor huge
// components lose the length to underflow or overflow.
DxfPoint3 Unit(DxfPoint3 a) {
  const double m = std::max({std::fabs(a.X), std::fabs(a.Y), std::fabs(a.Z)});
  if (!(m > 0) || !std::isfinite(m)) return {0, 0, 0};
  a = {a.X / m, a.Y / m, a.Z / m};
  const double len = std::sqrt(a.X * a.X + a.Y * a.Y + a.Z * a.Z);
  return {a.X / len, a.Y / len, a.Z / len};
}

}  // namespace

std::optional<DxfOcs> OcsFromExtrusion(DxfPoint3 n) {
  // Nearly every entity lies in the world's plane: answered at once.
  if (n.X == 0 && n.Y == 0 && n.Z > 0) return std::nullopt;
  n = Unit(n);
  if (n.X == 0 && n.Y == 0 && n.Z == 0) return std::nullopt;
  if (n.X == 0 && n.Y == 0 && n.Z > 0) return std::nullopt;
  constexpr double limit = 1.0 / 64;
  DxfOcs ocs;
  ocs.Az = n;
  if (std::fabs(n.X) < limit && std::fabs(n.Y) < limit)
    ocs.Ax = Unit(Cross({0, 1, 0}, n));
  else
    ocs.Ax = Unit(Cross({0, 0, 1}, n));
  ocs.Ay = Unit(Cross(n, ocs.Ax));
  return ocs;
}

void DXF_Layer::Add(std::unique_ptr<DXF_Entity> e) {
  const char* cls = e->ClassName();
  // Entities come in runs of one class: the list of the last one is tried
  // first.
  size_t k = last_ < EntityNames.size() && EntityNames[last_] == cls ? last_ : 0;
  while (k < EntityNames.size() && EntityNames[k] != cls) ++k;
  last_ = k;
  if (k == EntityNames.size()) {
    auto list = std::make_unique<Entity_List>();
    list->ClassName = cls;
    list->Layer = this;
    Lists.push_back(std::move(list));
    EntityNames.push_back(cls);
    if (Lists.size() != EntityNames.size()) throw DXF_read_exception("Entity list ID mismatch");
  }
  Lists[k]->Entities.push_back(std::move(e));
}

std::optional<Units> UnitsOfInsUnits(long insUnits) {
  if (insUnits == 1) return Units::Inch;
  if (insUnits == 4) return Units::Millimetre;
  return std::nullopt;
}

long InsUnitsOf(Units units) { return units == Units::Inch ? 1 : 4; }

DXF_Layer& DXF_Object::LayerNamed(const std::string& upperName) {
  // Entities come in runs on one layer: the last one asked for is tried first.
  if (lastLayer_ < Layers.size() && Layers[lastLayer_]->Name == upperName) return *Layers[lastLayer_];
  for (size_t k = 0; k < Layers.size(); ++k)
    if (Layers[k]->Name == upperName) return *Layers[lastLayer_ = k];
  Layers.push_back(std::make_unique<DXF_Layer>());
  Layers.back()->Name = upperName;
  lastLayer_ = Layers.size() - 1;
  return *Layers.back();
}

void DXF_Object::Notice(const std::string& text) {
  if (std::find(Warnings.begin(), Warnings.end(), text) == Warnings.end()) Warnings.push_back(text);
}

size_t DXF_Object::SegmentSlots() const {
  size_t n = 0;
  for (const auto& l : Layers)
    for (const auto& list : l->Lists) {
      // Every entity of a list has the list's class.
      if (list->Entities.empty() || !dynamic_cast<const Polyline_*>(list->Entities.front().get())) {
        n += list->Entities.size();
        continue;
      }
      for (const auto& e : list->Entities) n += static_cast<const Polyline_&>(*e).Vertices.size();
    }
  return n;
}

size_t DXF_Object::PolylineCount() const {
  size_t n = 0;
  for (const auto& l : Layers)
    for (const auto& list : l->Lists)
      if (!list->Entities.empty() && dynamic_cast<const Polyline_*>(list->Entities.front().get()))
        n += list->Entities.size();
  return n;
}

}  // namespace tibrel
