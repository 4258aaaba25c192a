#pragma once
#include <cmath>

#include "geometry/tolerances.h"

namespace tibrel {

template <class B>
bool PointInBox(TTBPoint p, const B& box) {
  return p.X >= box.XMin - ChainTolerance && p.X <= box.XMax + ChainTolerance &&
         p.Y >= box.YMin - ChainTolerance && p.Y <= box.YMax + ChainTolerance;
}

template <class A, class B>
bool SameBox(const A& a, const B& b) {
  return std::fabs(a.XMin - b.XMin) < ChainTolerance && std::fabs(a.YMin - b.YMin) < ChainTolerance &&
         std::fabs(a.YMax - b.YMax) < ChainTolerance && std::fabs(a.XMax - b.XMax) < ChainTolerance;
}

}  // namespace tibrel
