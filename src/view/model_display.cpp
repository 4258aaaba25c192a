#include "view/model_display.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "mesh/raster.h"
#include "view/pen.h"

namespace tibrel {

namespace {

// Grid lines drawn at most each way (the closing line at the maximum comes
// on top of them).
constexpr int MaxGridLines = 1001;
constexpr int32_t AxisColour = 0x000000;

// Lines every step from lo (moved down to a multiple of the step) up to hi
// (moved up by as much), at most MaxGridLines, then the closing one at the
// moved maximum; calls line(at, from, to) with the span of the other axis.
template <class LineFn>
void GridLines(double lo, double hi, double step, LineFn line) {
  const double start = std::floor(lo / step) * step, end = hi + (lo - start);
  int k = 0;
  for (double at = start; at < end && k < MaxGridLines; at = start + ++k * step) line(at);
  line(end);
}

void DrawGrid(Pen& pen, const TExtents& e, double step, int32_t colour) {
  if (!(step > 0) || !std::isfinite(step)) return;
  const double x0 = std::floor(e.XMin / step) * step, x1 = e.XMax + (e.XMin - x0);
  const double y0 = std::floor(e.YMin / step) * step, y1 = e.YMax + (e.YMin - y0);
  if (!std::isfinite(x0 + x1 + y0 + y1)) return;
  pen.Style(colour, PatternSolid);
  GridLines(e.XMin, e.XMax, step, [&](double x) {
    pen.MoveTo(x, y0, e.ZMin);
    pen.LineTo(x, y1, e.ZMin);
  });
  GridLines(e.YMin, e.YMax, step, [&](double y) {
    pen.MoveTo(x0, y, e.ZMin);
    pen.LineTo(x1, y, e.ZMin);
  });
  pen.Flush();
}

void DrawAxes(Pen& pen, double g) {
  pen.Style(AxisColour, PatternSolid);
  pen.MoveTo(-g, 0, 0), pen.LineTo(g, 0, 0);
  pen.MoveTo(0, -g, 0), pen.LineTo(0, g, 0);
  pen.MoveTo(0, 0, -g), pen.LineTo(0, 0, g);
}

void DrawBlank(Pen& pen, const TTBPrototypeParameters& b, int32_t colour) {
  pen.Style(colour, PatternSolid);
  for (double z : {b.BlankZ1, b.BlankZ2}) {
    pen.MoveTo(b.BlankX1, b.BlankY1, z);
    pen.LineTo(b.BlankX2, b.BlankY1, z);
    pen.LineTo(b.BlankX2, b.BlankY2, z);
    pen.LineTo(b.BlankX1, b.BlankY2, z);
    pen.LineTo(b.BlankX1, b.BlankY1, z);
  }
  for (double x : {b.BlankX1, b.BlankX2})
    for (double y : {b.BlankY1, b.BlankY2}) {
      pen.MoveTo(x, y, b.BlankZ1);
      pen.LineTo(x, y, b.BlankZ2);
    }
}

// The triangles filled, sorted by their mean depth from the farthest to the
// nearest; those wholly outside the area or with no area on the screen are
// left out.
void AddTriangles(const TTBTriangleArray& mesh, const ViewState& v, const TTBViewSettings& c, Display& d) {
  const Projector projector(v);
  std::vector<Fill> fills;
  std::vector<std::pair<float, uint32_t>> order;
  fills.reserve(mesh.size());
  order.reserve(mesh.size());
  for (const TTBTriangle& t : mesh) {
    ViewPoint p[3];
    for (int k = 0; k < 3; ++k) p[k] = projector.Point(t.V[k].X, t.V[k].Y, t.V[k].Z);
    const double xMin = std::min({p[0].X, p[1].X, p[2].X}), xMax = std::max({p[0].X, p[1].X, p[2].X});
    const double yMin = std::min({p[0].Y, p[1].Y, p[2].Y}), yMax = std::max({p[0].Y, p[1].Y, p[2].Y});
    if (!(xMax >= 0 && yMax >= 0 && xMin <= v.Width && yMin <= v.Height)) continue;  // also drops NaN
    const double area = std::fabs((p[1].X - p[0].X) * (p[2].Y - p[0].Y) - (p[2].X - p[0].X) * (p[1].Y - p[0].Y)) / 2;
    if (!(area > 0) || !std::isfinite(area)) continue;
    const double ax = double(t.V[1].X) - t.V[0].X, ay = double(t.V[1].Y) - t.V[0].Y, az = double(t.V[1].Z) - t.V[0].Z;
    const double bx = double(t.V[2].X) - t.V[0].X, by = double(t.V[2].Y) - t.V[0].Y, bz = double(t.V[2].Z) - t.V[0].Z;
    const double light = FacetLight(projector, ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx);
    Fill f;
    for (int k = 0; k < 3; ++k) f.P[k] = {p[k].X, p[k].Y};
    f.Colour = ShadeColour(c.UnselectedClosed, light);
    f.EdgeColour = c.UnselectedClosed;
    f.Outlined = area >= OutlineMinArea;
    // The sort key in single precision, clamped so that a model scaled
    // past the float range still converts.
    const double depth = std::clamp(p[0].Depth + p[1].Depth + p[2].Depth, -3e38, 3e38);
    order.emplace_back(static_cast<float>(depth), static_cast<uint32_t>(fills.size()));
    fills.push_back(f);
  }
  std::sort(order.begin(), order.end());
  d.Fills.reserve(d.Fills.size() + order.size());
  for (const auto& o : order) d.Fills.push_back(fills[o.second]);
}

// Each layer from a move to its first point, solid into a cutting point and
// dashed into a rapid one, in the roughing colour along X and the finish
// colour along Y; drawing stops after the layer whose running count of
// points passes the display limit.
void DrawToolpaths3D(Pen& pen, const TTBOutRegionArray3D& toolpaths, const TTBViewSettings& c) {
  size_t drawn = 0;
  for (const TTBOutRegion3D& layer : toolpaths) {
    const int32_t colour = layer.XRaster == 1 ? c.RoughToolpath : c.FinishToolpath;
    const TTBEntityArray3D& pts = layer.Points;
    if (!pts.empty()) pen.MoveTo(pts[0].X, pts[0].Y, pts[0].Z);
    for (size_t k = 1; k < pts.size(); ++k) {
      pen.Style(colour, pts[k].MoveKind != MoveRapid3D ? PatternSolid : PatternDashed);
      pen.LineTo(pts[k].X, pts[k].Y, pts[k].Z);
    }
    drawn += pts.size();
    if (drawn > DisplayPointLimit) break;
  }
}

}  // namespace

int32_t ShadeColour(int32_t base, double light) {
  const double t = std::clamp(light, 0.0, 1.0);
  int32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double c = (base >> shift) & 0xFF;
    const double dark = c * FacetAmbient, bright = c + (255 - c) * FacetHighlight;
    out |= static_cast<int32_t>(std::round(dark + (bright - dark) * t)) << shift;
  }
  return out;
}

double FacetLight(const Projector& projector, double nx, double ny, double nz) {
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(len > 0) || !std::isfinite(len)) return 0;
  ViewDirection n = projector.Direction(nx / len, ny / len, nz / len);
  if (n.Toward < 0) n = {-n.Right, -n.Up, -n.Toward};
  return std::max(0.0, n.Right * LightRight + n.Up * LightUp + n.Toward * LightToward);
}

void AddModelDisplay(const TTBTriangleArray& mesh, const TTBOutRegionArray3D& toolpaths, const TExtents& extents,
                     const TTBPrototypeParameters& blank, const ViewState& v, const DisplaySettings& s, Display& d) {
  const TTBViewSettings& c = s.Colours;
  const bool stock = extents.XSize != 0;
  const bool toolpathsShown = s.Content == ContentToolpaths;
  Pen pen(v, d.Strokes);
  if (stock) DrawGrid(pen, extents, c.GridSize, c.Background & 0xC0C0C0);
  d.StrokesUnderFills = d.Strokes.size();
  if (!toolpathsShown || c.ShowBoundaries) AddTriangles(mesh, v, c, d);
  if (stock) {
    DrawAxes(pen, c.GridSize);
    DrawBlank(pen, blank, c.Background & 0x0000FF);
  }
  if (!toolpathsShown) {
    d.Status = "Tris " + std::to_string(mesh.size());
    return;
  }
  DrawToolpaths3D(pen, toolpaths, c);
  size_t total = 0;
  for (const auto& layer : toolpaths) total += layer.Points.size();
  d.Status = "Tool " + std::to_string(total);
}

TExtents ModelPictureExtents(const TExtents& extents, const TTBPrototypeParameters& blank,
                             const TTBOutRegionArray3D& toolpaths) {
  TExtents e = extents;
  auto widen = [&e](double x, double y, double z) {
    e.XMin = std::min(e.XMin, x), e.XMax = std::max(e.XMax, x);
    e.YMin = std::min(e.YMin, y), e.YMax = std::max(e.YMax, y);
    e.ZMin = std::min(e.ZMin, z), e.ZMax = std::max(e.ZMax, z);
  };
  widen(blank.BlankX1, blank.BlankY1, blank.BlankZ1);
  widen(blank.BlankX2, blank.BlankY2, blank.BlankZ2);
  for (const auto& layer : toolpaths)
    for (const auto& p : layer.Points) widen(p.X, p.Y, p.Z);
  e.ZMid = (e.ZMin + e.ZMax) / 2;
  e.XSize = e.XMax - e.XMin, e.YSize = e.YMax - e.YMin;
  return e;
}

}  // namespace tibrel
