#include "dxf/groups.h"

#include "dxf/entities.h"
#include "dxf/reader.h"

namespace tibrel {

double GroupReal(const DxfGroup& g) {
  double v = 0;
  if (!ParseDxfReal(g.Value, v)) throw DXF_read_exception(DxfErrorAtLine("Invalid Floating point conversion", g.Line));
  return v;
}

long GroupInteger(const DxfGroup& g) {
  long v = 0;
  if (!ParseDxfInteger(g.Value, v)) throw DXF_read_exception(DxfErrorAtLine("Invalid Integer conversion", g.Line));
  return v;
}

std::string GroupLayer(const DxfGroups& groups) {
  std::string layer;
  for (const DxfGroup& g : groups)
    if (g.Code == 8) layer = DxfLayerName(g.Value);
  return layer;
}

}  // namespace tibrel
