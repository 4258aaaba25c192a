#include "geometry/extents.h"

#include <algorithm>

namespace tibrel {

TExtents RegionExtents(const TTBRegionArray& regions) {
  TExtents x;
  bool first = true;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (r.Entities.empty()) continue;
    if (first) {
      x.XMin = r.XMin, x.XMax = r.XMax, x.YMin = r.YMin, x.YMax = r.YMax;
      x.ZMin = x.ZMax = 0;
      first = false;
    }
    x.XMin = std::min(x.XMin, r.XMin);
    x.XMax = std::max(x.XMax, r.XMax);
    x.YMin = std::min(x.YMin, r.YMin);
    x.YMax = std::max(x.YMax, r.YMax);
    x.ZMin = std::min(x.ZMin, -r.Depth);
    x.ZMax = std::max(x.ZMax, -r.Depth);
  }
  x.ZMid = (x.ZMin + x.ZMax) / 2;
  x.XSize = x.XMax - x.XMin;
  x.YSize = x.YMax - x.YMin;
  return x;
}

}  // namespace tibrel
