// Crossings of two entities (lines and arcs), with the position of each
// crossing along both: 0 at the start, 1 at the end (for arcs, the fraction
// of the sweep).
#pragma once

#include "geometry/entity.h"

namespace tibrel {

struct TTBCrossing {
  TTBPoint P;
  double A = 0;  // position along the first entity
  double B = 0;  // position along the second
};

// Position of p along e (p need not lie on e): lines by projection, arcs by
// the angle swept from the start in the arc's sense (in [0, 2*pi/sweep)).
double EntityParameter(const TTBEntity& e, TTBPoint p);
// The point at position t along e.
TTBPoint EntityPointAt(const TTBEntity& e, double t);

// 0, 1 or 2 crossings lying on both entities. A crossing just beyond an end
// (within 0.00025) counts, at exactly 0 or 1; crossings nearer than 0.0005
// merge into their mean. Tangent entities give one crossing; overlapping
// collinear lines or arcs of one circle give the ends of their overlap.
int IntersectEntities(const TTBEntity& a, const TTBEntity& b, TTBCrossing out[2]);

// Squared distance from p to the nearest point of e.
double EntityDistanceSquared(const TTBEntity& e, TTBPoint p);

// Shortest distance between two entities (lines and arcs); 0 when they
// cross or touch.
double EntitiesDistance(const TTBEntity& a, const TTBEntity& b);

// Whether the boxes of a and b, widened by 0.0005, overlap.
template <class A, class B>
bool BoxesOverlapWidened(const A& a, const B& b, double margin = 0.0005) {
  return a.XMin - margin < b.XMax && b.XMin - margin < a.XMax && a.YMin - margin < b.YMax && b.YMin - margin < a.YMax;
}

}  // namespace tibrel
