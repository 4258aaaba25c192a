// SPLINE entities: reading them from their groups, the B-spline curve they
// define (seen from above), and its conversion to arcs and lines.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "dxf/entities.h"
#include "dxf/groups.h"
#include "geometry/biarc.h"
#include "geometry/region.h"

namespace tibrel {

// Degrees above this are refused (drawing programs write up to 11).
inline constexpr int MaxSplineDegree = 25;

// Reads a SPLINE from its groups: each group 10 starts a control point,
// each 11 a fit point, each 40 is a knot and each 41 a weight. Throws
// DXF_read_exception for a value that does not convert.
std::unique_ptr<Spline_> SplineFromGroups(const DxfGroups& groups);

// A B-spline curve in the XY plane, rational when its weights differ, over
// the parameters Begin() to End().
class PlaneBSpline {
 public:
  // points: the control points as (w * x, w * y, w); knots: as many as the
  // points plus degree plus one, ascending.
  PlaneBSpline(int degree, std::vector<double> knots, std::vector<std::array<double, 3>> points);
  double Begin() const { return knots_[static_cast<size_t>(degree_)]; }
  double End() const { return knots_[points_.size()]; }
  int Degree() const { return degree_; }
  const std::vector<double>& Knots() const { return knots_; }
  const std::vector<std::array<double, 3>>& Points() const { return points_; }
  // The point and first derivative at t (taken into [Begin, End]); at a
  // knot where the derivative jumps, before takes the span below it.
  CurveSample At(double t, bool before = false) const;
  // The distinct knots from Begin to End, ascending: the spans of the curve.
  std::vector<double> Spans() const;

 private:
  int degree_;
  std::vector<double> knots_;
  std::vector<std::array<double, 3>> points_;
};

// The curve a spline defines, seen from above: from its control points,
// knots and weights (a periodic spline stored without its wrapped points is
// wrapped; missing knots are taken uniform and clamped), or, for a spline
// with fit points only, the cubic through them with the given end tangents
// (estimated from the end points when not given), its knots at the chord
// lengths. Nothing when the data define no curve (too few points, knots that
// do not fit the points or run backwards, weights not above 0, a degree
// outside 1 .. MaxSplineDegree).
std::optional<PlaneBSpline> SplineCurve(const Spline_& s);

// The 3D control points of the cubic through the fit points (chord-length
// parameters in [0, 1], a knot at each fit point, end derivatives of the
// length of the polygon through the fit points), and its knots. Consecutive
// repeated fit points count once. Empty when fewer than two distinct points.
struct FitInterpolation {
  std::vector<DxfPoint3> Control;
  std::vector<double> Knots;
};
FitInterpolation InterpolateFitPoints(std::vector<DxfPoint3> fit, const std::optional<DxfPoint3>& startTangent,
                                      const std::optional<DxfPoint3>& endTangent, bool closed);

// The region of arcs and lines that follows the spline within tolerance,
// turning a corner only where the curve does; closed when the curve ends
// where it starts (within ChainTolerance). False when the spline defines no
// curve or none of its pieces is longer than MinEntityLength.
bool SplineToRegion(const Spline_& s, double tolerance, TTBRegion& r);

}  // namespace tibrel
