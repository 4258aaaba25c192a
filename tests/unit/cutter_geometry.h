// Exact distances between the lines and arcs of the cutter model: a move of
// the cutter's axis, a wall of the drawing. Written from first principles,
// without the library's geometry.
#pragma once

#include <optional>

#include "cutter_model.h"

namespace tibrel::cutter {

// A line piece from A to B, or an arc about C of radius r from angle a0
// through the signed sweep (positive counter-clockwise, |sweep| <= 2 pi);
// A and B are then its ends.
struct Curve {
  bool arc = false;
  double ax = 0, ay = 0, bx = 0, by = 0;
  double cx = 0, cy = 0, r = 0, a0 = 0, sweep = 0;
};

struct Extent {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Overlaps(const Extent& o, double grow) const {
    return x0 - grow <= o.x1 && o.x0 <= x1 + grow && y0 - grow <= o.y1 && o.y0 <= y1 + grow;
  }
};

Curve LineCurve(double ax, double ay, double bx, double by);
Curve ArcCurve(double cx, double cy, double r, double a0, double sweep);
// An entity of the drawing: equal angles make a full circle.
Curve EntityCurve(const TTBEntity& e);
// A move as the controller makes it: arcs about the centre through the
// start, a full turn when the end is the start.
Curve MoveCurve(const Move& m);
// The piece of c between the parameters t0 <= t1 in [0, 1].
Curve SubCurve(const Curve& c, double t0, double t1);
TTBPoint CurvePoint(const Curve& c, double t);
// The unit direction of travel at parameter t.
TTBPoint CurveTangent(const Curve& c, double t);
double CurveLength(const Curve& c);
Extent CurveExtent(const Curve& c);

double PointDistance(TTBPoint p, const Curve& c);
double CurveDistance(const Curve& a, const Curve& b);

// The deepest height reached within `reach` of q by a curve whose height
// runs linearly from z0 at its start to z1 at its end; none when no point
// of the curve comes that near.
std::optional<double> DeepestWithin(const Curve& c, double z0, double z1, double reach, TTBPoint q);

}  // namespace tibrel::cutter
