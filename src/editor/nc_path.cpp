#include "editor/nc_path.h"

#include <algorithm>
#include <cmath>

namespace tibrel {

namespace {

void Grow(NcExtents& e, double x, double y, double z) {
  if (!e.Valid) {
    e = {true, x, y, z, x, y, z};
    return;
  }
  e.XMin = std::min(e.XMin, x), e.YMin = std::min(e.YMin, y), e.ZMin = std::min(e.ZMin, z);
  e.XMax = std::max(e.XMax, x), e.YMax = std::max(e.YMax, y), e.ZMax = std::max(e.ZMax, z);
}

void GrowByRecord(NcExtents& e, const NcPathRecord& r) {
  const NcPoint s = NcStart(r), f = NcEnd(r);
  Grow(e, s.X, s.Y, s.Z);
  Grow(e, f.X, f.Y, f.Z);
  if (!r.IsArc()) return;
  // The quadrant points the arc passes, counter-clockwise from B[0] to B[1].
  const double a0 = r.B[0], a1 = r.B[1];
  if (!(a1 - a0 < 8 * M_PI) || !(std::fabs(a0) < 1e6)) return;
  for (double q = std::ceil(a0 / (M_PI / 2)) * (M_PI / 2); q < a1; q += M_PI / 2)
    Grow(e, r.A[0] + r.R * std::cos(q), r.A[1] + r.R * std::sin(q), r.A[2]);
}

}  // namespace

NcPoint NcStart(const NcPathRecord& r) {
  if (!r.IsArc()) return {r.A[0], r.A[1], r.A[2]};
  const double a = r.Kind <= NcKindArcCWContinuous ? r.B[1] : r.B[0];
  return {r.A[0] + r.R * std::cos(a), r.A[1] + r.R * std::sin(a), r.A[2]};
}

NcPoint NcEnd(const NcPathRecord& r) {
  if (!r.IsArc()) return {r.B[0], r.B[1], r.BZ};
  const double a = r.Kind <= NcKindArcCWContinuous ? r.B[0] : r.B[1];
  return {r.A[0] + r.R * std::cos(a), r.A[1] + r.R * std::sin(a), r.BZ};
}

NcExtents PathExtents(const NcPath& path) {
  NcExtents e;
  size_t first = 1;
  while (first < path.size() && !(path[first].Kind >= NcKindFeed && path[first].Kind <= NcKindRapidContinuous)) ++first;
  if (first >= path.size()) first = 1;
  for (size_t i = first; i < path.size(); ++i)
    if (path[i].IsMove()) GrowByRecord(e, path[i]);
  for (size_t i = 1; i < first; ++i)
    if (path[i].IsMove()) GrowByRecord(e, path[i]);
  return e;
}

NcCounts CountRecords(const NcPath& path) {
  NcCounts c;
  for (size_t i = 1; i < path.size(); ++i) {
    const NcPathRecord& r = path[i];
    if (r.IsFeedLine()) ++c.Lines;
    else if (r.IsRapid()) ++c.Rapids;
    else if (r.IsArc()) ++c.Arcs;
    else if (r.IsDrillPlunge()) ++c.Drills;
    else if (r.Kind == NcKindTool) ++c.Tools;
  }
  return c;
}

double EstimatedMinutes(const NcPath& path, double rapidRate) {
  double minutes = 0;
  for (size_t i = 1; i < path.size(); ++i) {
    const NcPathRecord& r = path[i];
    if (!r.IsMove()) continue;
    double length = 0;
    if (r.IsArc()) {
      length = std::hypot(r.R * (r.B[1] - r.B[0]), r.BZ - r.A[2]);
    } else {
      length = std::sqrt((r.B[0] - r.A[0]) * (r.B[0] - r.A[0]) + (r.B[1] - r.A[1]) * (r.B[1] - r.A[1]) +
                         (r.BZ - r.A[2]) * (r.BZ - r.A[2]));
    }
    const double rate = r.IsRapid() ? rapidRate : r.Feed;
    if (rate > 0 && std::isfinite(length)) minutes += length / rate;
  }
  return minutes;
}

}  // namespace tibrel
