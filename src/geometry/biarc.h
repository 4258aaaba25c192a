// Biarc approximation of smooth plane curves (ellipses, splines): circular
// arcs, and lines where the curve is straight, each joint tangent, the whole
// within a distance tolerance of the curve. Arcs follow a curve with far
// fewer pieces than chords, and the machine cuts them as G2/G3 moves.
#pragma once

#include <functional>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

// A point of a parametric curve and its first derivative there.
struct CurveSample {
  TTBPoint P;
  TTBPoint D;
};
// The curve at parameter t; where the derivative jumps (a corner), before
// asks for its limit from below, else from above.
using PlaneCurve = std::function<CurveSample(double t, bool before)>;

// Appends to out the pieces that follow curve from breaks.front() to
// breaks.back() (ascending parameters), in travel order, end to start. The
// curve must be smooth between two breaks; at a break its tangent may turn,
// and so do the pieces. The first piece starts at curve(breaks.front()).P and
// the last ends at curve(breaks.back()).P (within rounding); consecutive
// pieces share their tangent wherever the curve does; no point of a piece is
// farther than tolerance from the curve and no point of the curve farther
// than tolerance from the pieces. A curve that gives numbers that are not
// finite appends nothing and gives false.
bool FitBiarcs(const PlaneCurve& curve, const std::vector<double>& breaks, double tolerance, TTBEntityArray& out);

}  // namespace tibrel
