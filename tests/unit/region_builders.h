// Small region lists for tests.
#pragma once

#include "job/job.h"
#include "geometry/chain.h"

namespace tibrel::testing_regions {

inline TTBRegion Square(double x0, double y0, double size, uint8_t cw = 0) {
  TTBRegion r;
  r.Entities = {MakeLine(x0, y0, x0 + size, y0), MakeLine(x0 + size, y0, x0 + size, y0 + size),
                MakeLine(x0 + size, y0 + size, x0, y0 + size), MakeLine(x0, y0 + size, x0, y0)};
  UpdateRegionBox(r);
  SetRegionDirection(r, cw);
  return r;
}

inline TTBRegion Circle(double cx, double cy, double radius) {
  TTBRegion r;
  r.Entities = {MakeCircle(cx, cy, radius)};
  UpdateRegionBox(r);
  r.Clockwise = 0;
  return r;
}

inline TTBRegion OpenLine(double x1, double y1, double x2, double y2) {
  TTBRegion r;
  r.Entities = {MakeLine(x1, y1, x2, y2)};
  r.IsOpen = 1;
  UpdateRegionBox(r);
  return r;
}

// A job holding the regions (after the placeholder) and their extents.
inline Job JobOf(std::initializer_list<TTBRegion> regions) {
  Job job;
  job.Regions = EmptyRegionList();
  job.Regions.insert(job.Regions.end(), regions.begin(), regions.end());
  job.DrawingExtents = RegionExtents(job.Regions);
  return job;
}

}  // namespace tibrel::testing_regions
