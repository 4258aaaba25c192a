// The gear outline of the pocket benchmarks: radius 100, root and tip arcs,
// flanks slightly convex arcs, counter-clockwise.
#pragma once

#include <cmath>

#include "geometry/region.h"

namespace tibrel::bench {

inline TTBRegion ClosedRegion(TTBEntityArray es) {
  TTBRegion r;
  r.Entities = std::move(es);
  UpdateRegionBox(r);
  SetRegionDirection(r, 0);
  return r;
}

inline TTBRegion GearOutline(int teeth) {
  TTBEntityArray es;
  const double root = 94, tip = 100, step = TwoPi / teeth;
  auto at = [](double r, double a) { return TTBPoint{r * std::cos(a), r * std::sin(a)}; };
  // A flank from p to q bulging slightly outward (to the right of travel for
  // a counter-clockwise outline).
  auto flank = [&](TTBPoint p, TTBPoint q) {
    const double b = -0.05, k = (1 / b - b) / 2;
    const TTBPoint c{(p.X + q.X - (q.Y - p.Y) * k) / 2, (p.Y + q.Y + (q.X - p.X) * k) / 2};
    const double r = std::hypot(c.X - p.X, c.Y - p.Y);
    es.push_back(MakeArc(c.X, c.Y, -r, PointAngle(c, p), PointAngle(c, q)));
  };
  for (int k = 0; k < teeth; ++k) {
    const double a0 = k * step, a1 = a0 + step * 0.45, a2 = a0 + step * 0.55, a3 = a0 + step * 0.95;
    es.push_back(MakeArc(0, 0, root, NormaliseAngle(a0), NormaliseAngle(a1)));
    flank(at(root, a1), at(tip, a2 - step * 0.05));
    es.push_back(MakeArc(0, 0, tip, NormaliseAngle(a2 - step * 0.05), NormaliseAngle(a3 - step * 0.05)));
    flank(at(tip, a3 - step * 0.05), at(root, a0 + step));
  }
  return ClosedRegion(es);
}

}  // namespace tibrel::bench
