#include "text/flatten.h"

namespace tibrel {

namespace {

// Steps t = 1/n .. 1 exactly (an integer count, so the last step ends on
// the piece's end rather than a rounding hair before it).
template <class Point>
TTBPoint Walk(TTBPoint s, int precision, const Point& at, const SegmentSink& sink) {
  const int n = precision < 1 ? 1 : precision;
  TTBPoint prev = s;
  for (int i = 1; i <= n; ++i) {
    const double t = i == n ? 1.0 : static_cast<double>(i) / n;
    const TTBPoint q = at(t);
    if (q.X == prev.X && q.Y == prev.Y) continue;
    sink(prev, q);
    prev = q;
  }
  return prev;
}

}  // namespace

TTBPoint FlattenQuadratic(TTBPoint s, TTBPoint k, TTBPoint e, int precision, const SegmentSink& sink) {
  return Walk(s, precision, [&](double t) {
    return TTBPoint{s.X + 2 * t * (k.X - s.X) + t * t * (s.X - 2 * k.X + e.X),
                    s.Y + 2 * t * (k.Y - s.Y) + t * t * (s.Y - 2 * k.Y + e.Y)};
  }, sink);
}

TTBPoint FlattenCubic(TTBPoint s, TTBPoint k1, TTBPoint k2, TTBPoint e, int precision, const SegmentSink& sink) {
  return Walk(s, precision, [&](double t) {
    const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return TTBPoint{a * s.X + b * k1.X + c * k2.X + d * e.X, a * s.Y + b * k1.Y + c * k2.Y + d * e.Y};
  }, sink);
}

}  // namespace tibrel
