// Affine maps of space applied to the entity objects of a drawing: how the
// contents of a block come to the place, size, turn and side of an insert.
#pragma once

#include <memory>
#include <vector>

#include "dxf/entities.h"

namespace tibrel {

// p -> Origin + p.X * X + p.Y * Y + p.Z * Z.
struct DxfAffine {
  DxfPoint3 X{1, 0, 0}, Y{0, 1, 0}, Z{0, 0, 1}, Origin;

  DxfPoint3 Apply(const DxfPoint3& p) const;
  // The map of a direction (without the translation).
  DxfPoint3 Direction(const DxfPoint3& v) const;
  // This map after inner: p -> this(inner(p)).
  DxfAffine After(const DxfAffine& inner) const;
};

// Appends to out the images of e under m, as seen from above (the drawing's
// plane is world XY): circles and arcs stay circular where m keeps shapes in
// that plane and become ellipses where it does not; a map that mirrors the
// plane turns the sense of arcs and bulges; polylines with bulges that lose
// their circles come apart into lines and elliptical arcs. Entities that
// make no geometry of their own (blocks, inserts, attribute definitions and
// attributes) give nothing.
void TransformEntity(const DXF_Entity& e, const DxfAffine& m, std::vector<std::unique_ptr<DXF_Entity>>& out);

}  // namespace tibrel
