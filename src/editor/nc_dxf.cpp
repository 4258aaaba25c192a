#include "editor/nc_dxf.h"

#include <cmath>

#include "dxf/writer.h"
#include "geometry/entity.h"

namespace tibrel {

std::unique_ptr<DXF_Object> NcPathDrawing(const NcPath& path, Units units, const std::string& name) {
  auto d = GeometryDrawing(EmptyRegionList(), units, name);
  DXF_Layer& layer = d->LayerNamed("0");
  for (size_t i = 1; i < path.size(); ++i) {
    const NcPathRecord& r = path[i];
    if (!r.IsMove()) continue;
    if (r.IsArc()) {
      if (!(r.R > 0) || !std::isfinite(r.B[0]) || !std::isfinite(r.B[1])) continue;
      auto a = std::make_unique<Arc_>();
      a->P1 = {r.A[0], r.A[1], r.A[2]};
      a->Radius = r.R;
      a->StartAngle = NormaliseAngle(r.B[0]);
      a->EndAngle = NormaliseAngle(r.B[1]);
      layer.Add(std::move(a));
    } else {
      auto l = std::make_unique<Line_>();
      l->P1 = {r.A[0], r.A[1], r.A[2]};
      l->P2 = {r.B[0], r.B[1], r.BZ};
      layer.Add(std::move(l));
    }
  }
  return d;
}

void SaveNcPathDxf(const NcPath& path, Units units, const std::string& fileName) {
  WriteDxfFile(*NcPathDrawing(path, units, "Dxf"), fileName);
}

}  // namespace tibrel
