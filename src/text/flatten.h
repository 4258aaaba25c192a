// Flattening of the curve pieces of glyph outlines into straight segments.
#pragma once

#include <functional>

#include "geometry/entity.h"

namespace tibrel {

// Receives one straight piece of a flattened curve.
using SegmentSink = std::function<void(TTBPoint from, TTBPoint to)>;

// A quadratic piece from s with control k to e, as `precision` equal steps
// of its parameter; a step that lands on the previous point adds nothing.
// Returns the last point reached (e, unless every step was empty).
TTBPoint FlattenQuadratic(TTBPoint s, TTBPoint k, TTBPoint e, int precision, const SegmentSink& sink);
// A cubic piece (PostScript-flavoured outlines) with controls k1 and k2, at
// the same precision.
TTBPoint FlattenCubic(TTBPoint s, TTBPoint k1, TTBPoint k2, TTBPoint e, int precision, const SegmentSink& sink);

}  // namespace tibrel
