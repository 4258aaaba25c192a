#include "dxf/convert.h"

#include <cmath>

#include "dxf/spline.h"
#include "geometry/biarc.h"
#include "geometry/chain.h"
#include "geometry/point_grid.h"
#include "toolpath/offset.h"
#include "geometry/tolerances.h"

namespace tibrel {

namespace {

bool Sane(double v) { return std::fabs(v) <= MaxCoordinate; }  // false for NaN too

// Finite and within the coordinate range (for an arc, its box is).
bool Finite(const TTBEntity& e) {
  return Sane(e.X) && Sane(e.Y) && Sane(e.Radius) && Sane(e.X2) && Sane(e.Y2) && Sane(e.XMin) && Sane(e.XMax) &&
         Sane(e.YMin) && Sane(e.YMax);
}

void Push(TTBEntityArray& out, TTBEntity e) {
  e.Pending = 0;
  e.Tag = 0;
  UpdateEntityBox(e);
  if (Finite(e)) out.push_back(e);
}

}  // namespace

void EllipseToSegments(const Ellipse_& el, double tolerance, TTBEntityArray& out) {
  if (!(tolerance > 0)) tolerance = DefaultCurveTolerance;
  const TTBPoint o{el.P1.X, el.P1.Y};
  const double a = std::hypot(el.P2.X, el.P2.Y);
  // Seen from below, the minor axis points the other way.
  double b = a * el.Ratio;
  if (el.Ocs && el.Ocs->Mirrored()) b = -b;
  if (!Sane(a) || !Sane(b) || !Sane(o.X) || !Sane(o.Y) || !std::isfinite(el.EndParam - el.StartParam) || !(a > 0))
    return;
  // The curve repeats every turn of the parameter.
  const double t0 = std::fmod(el.StartParam, TwoPi);
  // Ellipse arcs run counter-clockwise from the start parameter to the end
  // one: an end below the start wraps through 0, and equal ones (or a span
  // of whole turns) are the full ellipse.
  double span = std::fmod(el.EndParam - el.StartParam, TwoPi);
  if (span <= 1e-12) span += TwoPi;
  const double t1 = t0 + span;
  // The major axis and the minor one (a quarter turn counter-clockwise).
  const TTBPoint ma{el.P2.X, el.P2.Y}, mi{-el.P2.Y * b / a, el.P2.X * b / a};
  const PlaneCurve curve = [&](double t, bool) {
    const double c = std::cos(t), s = std::sin(t);
    return CurveSample{{o.X + c * ma.X + s * mi.X, o.Y + c * ma.Y + s * mi.Y}, {c * mi.X - s * ma.X, c * mi.Y - s * ma.Y}};
  };
  // Breaks at the ends of the axes: between them the curvature only grows
  // or only falls, where biarcs fit best; a full ellipse gets four.
  std::vector<double> breaks{t0};
  for (double q = std::ceil(t0 / (Pi / 2) + 1e-9) * (Pi / 2); q < t1 - 1e-9; q += Pi / 2) breaks.push_back(q);
  breaks.push_back(t1);
  TTBEntityArray pieces;
  if (std::fabs(b) < GeometricZero * a) {
    // Flat: the ellipse runs along its major axis and back.
    for (size_t k = 0; k + 1 < breaks.size(); ++k) {
      const CurveSample p = curve(breaks[k], false), q = curve(breaks[k + 1], false);
      pieces.push_back(MakeLine(p.P.X, p.P.Y, q.P.X, q.P.Y));
    }
  } else if (!FitBiarcs(curve, breaks, tolerance, pieces)) {
    return;
  }
  for (const TTBEntity& e : pieces) Push(out, e);
}

bool PolylineToRegion(const Polyline_& p, TTBRegion& r) {
  r = TTBRegion{};
  const auto& v = p.Vertices;
  if (v.empty()) return false;
  r.Entities.reserve(v.size());
  TTBPoint P{v[0].X, v[0].Y};
  double bulge = v[0].Bulge;
  for (size_t i = 1; i < v.size(); ++i) {
    const TTBPoint Q{v[i].X, v[i].Y};
    TTBEntity e;
    if (bulge == 0) {
      e = MakeLine(P.X, P.Y, Q.X, Q.Y);
    } else {
      const double k = (1 / bulge - bulge) / 2;
      const TTBPoint c{(P.X + Q.X - (Q.Y - P.Y) * k) / 2, (P.Y + Q.Y + (Q.X - P.X) * k) / 2};
      const double radius = std::hypot(c.X - P.X, c.Y - P.Y);
      // A bulge over a zero-length chord has no arc: the piece vanishes.
      if (!(radius > 0)) {
        bulge = v[i].Bulge;
        continue;
      }
      e = MakeArc(c.X, c.Y, bulge > 0 ? radius : -radius, PointAngle(c, P), PointAngle(c, Q));
    }
    if (EntityLength(e) > MinPolylinePieceLength && Finite(e)) {
      r.Entities.push_back(e);
      P = Q;
    }
    bulge = v[i].Bulge;
  }
  if (r.Entities.empty()) return false;
  r.IsOpen = p.Closed ? 0 : 1;
  if (!r.IsOpen) {
    // Dropped pieces may leave the end a little off the start: snap it, and
    // a loop that does not come back at all is open.
    const TTBPoint s = RegionStart(r), e = RegionEnd(r);
    if (std::fabs(s.X - e.X) < ChainTolerance && std::fabs(s.Y - e.Y) < ChainTolerance)
      MoveEntityPoint(r.Entities.back(), s, 1);
    else
      r.IsOpen = 1;
  }
  if (r.Entities.size() == 2 && v.size() >= 2 && v[0].Bulge == 1 && v[1].Bulge == 1) {
    const TTBEntity& a = r.Entities[0];
    r.Entities = {MakeCircle(a.X, a.Y, std::fabs(a.Radius))};
    r.IsOpen = 0;
  }
  UpdateRegionBox(r);
  r.Selected = 1;
  r.Depth = p.Width;
  return true;
}

void ConvertEntities(const DXF_Object& drawing, const std::string& skipLayer, double curveTolerance,
                     TTBEntityArray& segments, TTBRegionArray& polylines) {
  if (!(curveTolerance > 0)) curveTolerance = DefaultCurveTolerance;
  segments.reserve(segments.size() + drawing.SegmentSlots());
  polylines.reserve(polylines.size() + drawing.PolylineCount());
  for (const auto& layer : drawing.Layers) {
    if (layer->Name == skipLayer) continue;
    for (const auto& list : layer->Lists) {
      if (list->Entities.empty()) continue;
      const DXF_Entity* first = list->Entities.front().get();
      if (dynamic_cast<const Polyline_*>(first)) {
        for (const auto& ent : list->Entities) {
          TTBRegion r;
          if (PolylineToRegion(static_cast<const Polyline_&>(*ent), r)) polylines.push_back(std::move(r));
        }
      } else if (dynamic_cast<const Spline_*>(first)) {
        for (const auto& ent : list->Entities) {
          TTBRegion r;
          if (SplineToRegion(static_cast<const Spline_&>(*ent), curveTolerance, r)) polylines.push_back(std::move(r));
        }
      } else if (dynamic_cast<const Ellipse_*>(first)) {
        for (const auto& ent : list->Entities)
          EllipseToSegments(static_cast<const Ellipse_&>(*ent), curveTolerance, segments);
      } else if (dynamic_cast<const Line_*>(first)) {
        for (const auto& ent : list->Entities) {
          const auto& l = static_cast<const Line_&>(*ent);
          Push(segments, MakeLine(l.P1.X, l.P1.Y, l.P2.X, l.P2.Y));
        }
      } else if (dynamic_cast<const Arc_*>(first)) {
        for (const auto& ent : list->Entities) {
          const auto& a = static_cast<const Arc_&>(*ent);
          if (a.Radius > 0) Push(segments, MakeArc(a.P1.X, a.P1.Y, a.Radius, a.StartAngle, a.EndAngle));
        }
      } else if (dynamic_cast<const Circle_*>(first)) {
        for (const auto& ent : list->Entities) {
          const auto& c = static_cast<const Circle_&>(*ent);
          if (c.Radius > 0) Push(segments, MakeCircle(c.P1.X, c.P1.Y, c.Radius));
        }
      }
    }
  }
}

namespace {

// Drops regions that repeat a later one (same entity count, same box, the
// later one passing through this one's start).
void RemoveDuplicatePolylines(TTBRegionArray& regions) {
  const size_t n = regions.size();
  std::vector<uint8_t> drop(n, 0);
  auto near = [](double a, double b) { return std::fabs(a - b) < DuplicatePolylineTolerance; };
  // Candidates have nearly the same box, so they are found through a grid
  // over the lower-left corners rather than by scanning the XMin window.
  std::vector<PointGrid::Entry> entries(n);
  for (size_t j = 0; j < n; ++j) entries[j] = {{regions[j].XMin, regions[j].YMin}, static_cast<uint32_t>(j)};
  PointGrid grid;
  grid.Build(entries, 2 * ChainTolerance);
  for (size_t i = 0; i < n; ++i) {
    const TTBRegion& ri = regions[i];
    const TTBPoint s = RegionStart(ri);
    const double y0 = ri.YMin - DuplicatePolylineTolerance, y1 = ri.YMin + DuplicatePolylineTolerance;
    grid.ForEachNear(ri.XMin, ri.XMin + ChainTolerance, y0, y1, [&](size_t j) {
      const TTBRegion& rj = regions[j];
      if (j <= i || rj.XMin - ri.XMin > ChainTolerance || rj.Entities.size() != ri.Entities.size()) return true;
      if (!near(rj.XMin, ri.XMin) || !near(rj.YMin, ri.YMin) || !near(rj.YMax, ri.YMax) || !near(rj.XMax, ri.XMax))
        return true;
      for (const auto& e : rj.Entities) {
        TTBPoint a, b;
        EntityEnds(e, a, b);
        if ((near(a.X, s.X) && near(a.Y, s.Y)) || (near(b.X, s.X) && near(b.Y, s.Y))) drop[i] = 1;
      }
      return !drop[i];
    });
  }
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    if (drop[i]) continue;
    if (k != i) regions[k] = std::move(regions[i]);
    ++k;
  }
  regions.resize(k);
}

bool Agree(TTBPoint a, TTBPoint b) {
  return std::fabs(a.X - b.X) < CollinearTolerance && std::fabs(a.Y - b.Y) < CollinearTolerance;
}

// Merges consecutive collinear lines and cuts the region where the path turns
// straight back. The parts are appended to out.
void MergeAndSplit(TTBRegion& r, TTBRegionArray& out) {
  bool needed = false;
  for (size_t k = 0; k + 1 < r.Entities.size() && !needed; ++k) {
    const TTBEntity &a = r.Entities[k], &b = r.Entities[k + 1];
    if (a.Radius != 0 || b.Radius != 0) continue;
    const TTBPoint d1 = UnitDirection(a), d2 = UnitDirection(b);
    needed = Agree(d1, d2) || Agree(d1, {-d2.X, -d2.Y});
  }
  if (!needed) {
    out.push_back(std::move(r));
    return;
  }
  TTBRegion cur = r;
  cur.Entities.clear();
  bool changed = false;
  auto finish = [&](TTBRegion& part) {
    if (changed) {
      UpdateRegionBox(part);
      // A part cut out of a loop is closed only when its ends still meet.
      if (!part.IsOpen) {
        const TTBPoint s = RegionStart(part), e = RegionEnd(part);
        if (std::fabs(s.X - e.X) >= ChainTolerance || std::fabs(s.Y - e.Y) >= ChainTolerance) part.IsOpen = 1;
      }
    }
    out.push_back(std::move(part));
  };
  for (const TTBEntity& e : r.Entities) {
    if (cur.Entities.empty()) {
      cur.Entities.push_back(e);
      continue;
    }
    TTBEntity& last = cur.Entities.back();
    if (last.Radius == 0 && e.Radius == 0) {
      const TTBPoint d1 = UnitDirection(last), d2 = UnitDirection(e);
      if (Agree(d1, d2)) {
        last.X2 = e.X2;
        last.Y2 = e.Y2;
        UpdateEntityBox(last);
        changed = true;
        continue;
      }
      if (Agree(d1, {-d2.X, -d2.Y})) {
        changed = true;
        TTBRegion next = cur;
        next.Entities = {e};
        finish(cur);
        cur = std::move(next);
        continue;
      }
    }
    cur.Entities.push_back(e);
  }
  finish(cur);
}

}  // namespace

void WidenPolyline(TTBRegion& r, double w) {
  if (r.Entities.empty() || !(w > 0)) return;
  if (!r.IsOpen) {
    // A circle grows to its outer edge; other closed polylines stay as drawn.
    TTBEntity& c = r.Entities.front();
    if (r.Entities.size() == 1 && IsFullCircle(c)) {
      c.Radius = std::copysign(std::fabs(c.Radius) + w, c.Radius);
      UpdateEntityBox(c);
      UpdateRegionBox(r);
    }
    return;
  }
  // Both sides offset by the half width (corners trimmed or rounded), joined
  // by straight end caps.
  TTBRegion back = r;
  ReverseRegion(back);
  TTBEntityArray right, left;
  if (!RawOffset(r, right, w, false, 0) || !RawOffset(back, left, w, false, 0) || right.empty() || left.empty())
    return;
  TTBEntityArray outline = std::move(right);
  const TTBPoint e1 = EntityEnd(outline.back()), s2 = EntityStart(left.front());
  outline.push_back(MakeLine(e1.X, e1.Y, s2.X, s2.Y));
  outline.insert(outline.end(), left.begin(), left.end());
  const TTBPoint e2 = EntityEnd(outline.back()), s1 = EntityStart(outline.front());
  outline.push_back(MakeLine(e2.X, e2.Y, s1.X, s1.Y));
  // Where a corner turns back so sharply that no corner arc is made, the
  // offsets leave a gap: a straight piece closes it, so the outline stays
  // one closed chain.
  TTBEntityArray closed;
  closed.reserve(outline.size() + 4);
  for (size_t k = 0; k < outline.size(); ++k) {
    closed.push_back(outline[k]);
    const TTBPoint e = EntityEnd(outline[k]), n = EntityStart(outline[(k + 1) % outline.size()]);
    if (std::hypot(e.X - n.X, e.Y - n.Y) > GeometricZero) closed.push_back(MakeLine(e.X, e.Y, n.X, n.Y));
  }
  r.Entities = std::move(closed);
  r.IsOpen = 0;
  r.IslandOf = 0;
  UpdateRegionBox(r);
}

void CleanPolylineRegions(TTBRegionArray& polylines, uint8_t cw) {
  if (polylines.empty()) return;
  SortRegionsByXMin(polylines, 0, polylines.size() - 1);
  // The first element is always kept by the list removal; a polyline region
  // without entities is never made, so every element here has some.
  for (auto& r : polylines) r.Selected = r.Entities.empty() ? 1 : 0;
  std::erase_if(polylines, [](const TTBRegion& r) { return r.Entities.empty(); });
  RemoveDuplicatePolylines(polylines);
  for (auto& r : polylines) r.Selected = 1;
  JoinOpenRegions(polylines, ChainTolerance);
  SetAllDirections(polylines, cw);
  TTBRegionArray merged;
  merged.reserve(polylines.size());
  for (auto& r : polylines) MergeAndSplit(r, merged);
  for (auto& r : merged) {
    if (r.Depth != 0) WidenPolyline(r, r.Depth);
    r.Depth = 0;
  }
  polylines = std::move(merged);
}

}  // namespace tibrel
