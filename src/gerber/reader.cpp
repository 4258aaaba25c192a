#include "gerber/reader.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "geometry/chain.h"
#include "gerber/paint.h"

namespace tibrel {

namespace {

// Clear pixels round the painted box, as room for the outline tracing.
constexpr int32_t BoundsMargin = 10;
// A circle narrower than this (in pixels) still marks the pixel under its
// centre, so that hairlines and tiny pads do not vanish.
constexpr double MinimumRadiusPixels = 0.75;
constexpr uint8_t CopperBit = 1;

// An aperture's shapes in pixel units, grown by grow pixels (standard
// apertures only; a macro keeps its own sizes).
std::vector<GerberPrimitive> ApertureShapes(const GerberAperture* a, double scale, double grow) {
  std::vector<GerberPrimitive> out;
  auto mod = [&](size_t k) { return a && k < a->Modifiers.size() ? a->Modifiers[k] * scale : 0.0; };
  auto rect = [](double w, double h, TTBPoint c) {
    GerberPrimitive g;
    g.Points = {{c.X - w / 2, c.Y - h / 2}, {c.X + w / 2, c.Y - h / 2}, {c.X + w / 2, c.Y + h / 2}, {c.X - w / 2, c.Y + h / 2}};
    return g;
  };
  auto circle = [](double d, TTBPoint c) {
    GerberPrimitive g;
    g.Circle = true;
    g.Centre = c;
    g.Radius = std::max(d / 2, MinimumRadiusPixels);
    return g;
  };
  const GerberApertureType type = a ? a->Type : GerberApertureType::Circle;
  switch (type) {
    case GerberApertureType::Rectangle:
      out.push_back(rect(mod(0) + grow, mod(1) + grow, {0, 0}));
      break;
    case GerberApertureType::Obround: {
      const double w = mod(0) + grow, h = mod(1) + grow, d = std::min(w, h), s = (std::max(w, h) - d) / 2;
      const TTBPoint c1 = w > h ? TTBPoint{-s, 0} : TTBPoint{0, -s}, c2 = w > h ? TTBPoint{s, 0} : TTBPoint{0, s};
      out.push_back(circle(d, c1));
      out.push_back(circle(d, c2));
      out.push_back(rect(w > h ? 2 * s : d, w > h ? d : 2 * s, {0, 0}));
      break;
    }
    case GerberApertureType::Polygon: {
      const double r = (mod(0) + grow) / 2;
      const int n = std::clamp(static_cast<int>(a && a->Modifiers.size() > 1 ? a->Modifiers[1] : 3), 3, 1000);
      const double rot = a && a->Modifiers.size() > 2 ? a->Modifiers[2] * Pi / 180 : 0;
      GerberPrimitive g;
      for (int k = 0; k < n; ++k) g.Points.push_back({r * std::cos(rot + TwoPi * k / n), r * std::sin(rot + TwoPi * k / n)});
      out.push_back(std::move(g));
      break;
    }
    case GerberApertureType::Macro:
      for (GerberPrimitive g : a->Shapes) {
        g.Centre = {g.Centre.X * scale, g.Centre.Y * scale};
        g.Radius *= scale;
        for (auto& p : g.Points) p = {p.X * scale, p.Y * scale};
        out.push_back(std::move(g));
      }
      break;
    default:
      out.push_back(circle(mod(0) + grow, {0, 0}));
      break;
  }
  return out;
}

// How far an aperture's shapes reach from the flash point, in pixels.
double Reach(const std::vector<GerberPrimitive>& shapes) {
  double r = 0;
  for (const auto& g : shapes) {
    if (g.Circle) r = std::max(r, std::hypot(g.Centre.X, g.Centre.Y) + g.Radius);
    for (const auto& p : g.Points) r = std::max(r, std::hypot(p.X, p.Y));
  }
  return r;
}

struct Box2 {
  double X0 = INFINITY, Y0 = INFINITY, X1 = -INFINITY, Y1 = -INFINITY;
  void Add(TTBPoint p, double w) {
    X0 = std::min(X0, p.X - w), Y0 = std::min(Y0, p.Y - w), X1 = std::max(X1, p.X + w), Y1 = std::max(Y1, p.Y + w);
  }
};

void PaintItem(CopperBitmap& bmp, const GerberItem& it, double scale, const std::vector<GerberPrimitive>& shapes) {
  const TTBPoint a{it.A.X * scale, it.A.Y * scale}, b{it.B.X * scale, it.B.Y * scale};
  if (it.Kind == GerberItemKind::Contour) {
    std::vector<TTBPoint> pts;
    pts.reserve(it.Contour.size());
    for (const auto& p : it.Contour) pts.push_back({p.X * scale, p.Y * scale});
    FillPolygon(bmp, pts, it.Clear);
    return;
  }
  const bool stroke = it.Kind == GerberItemKind::Stroke;
  for (const auto& g : shapes) {
    const bool clear = it.Clear != g.Clear;
    if (g.Circle) {
      FillCapsule(bmp, {a.X + g.Centre.X, a.Y + g.Centre.Y}, stroke ? TTBPoint{b.X + g.Centre.X, b.Y + g.Centre.Y}
                                                                     : TTBPoint{a.X + g.Centre.X, a.Y + g.Centre.Y},
                  g.Radius, clear);
      continue;
    }
    std::vector<TTBPoint> pts;
    for (const auto& p : g.Points) pts.push_back({a.X + p.X, a.Y + p.Y});
    if (stroke) {
      for (const auto& p : g.Points) pts.push_back({b.X + p.X, b.Y + p.Y});
      pts = ConvexHull(std::move(pts));
    }
    FillPolygon(bmp, pts, clear);
  }
}

// The copper's edges as closed loops on the lines halfway between copper
// and clear pixels (marching squares), copper on the left of travel. Every
// edge crossing is the start of exactly one step and the end of exactly one,
// so every loop closes. Diagonal neighbours count as joined, as the copper
// of a pixel-wide diagonal track is. Collinear steps become one line.
void TraceOutlines(const CopperBitmap& bmp, double size, TTBRegionArray& regions) {
  const int64_t cols = bmp.Columns;
  auto copper = [&](int64_t c, int64_t r) { return (bmp.Pixels[static_cast<size_t>(r * cols + c)] & CopperBit) != 0; };
  // Edge ids: the horizontal edge from pixel (c, r) to (c+1, r) is even,
  // the vertical one from (c, r) to (c, r+1) odd.
  auto hEdge = [&](int64_t c, int64_t r) { return 2 * (r * cols + c); };
  auto vEdge = [&](int64_t c, int64_t r) { return 2 * (r * cols + c) + 1; };
  auto midpoint = [&](int64_t id) {
    const int64_t cell = id / 2, c = cell % cols, r = cell / cols;
    return id % 2 == 0 ? TTBPoint{c + 0.5, static_cast<double>(r)} : TTBPoint{static_cast<double>(c), r + 0.5};
  };
  std::unordered_map<int64_t, int64_t> next;
  std::vector<int64_t> starts;
  auto step = [&](int64_t e1, int64_t e2, TTBPoint inside) {
    const TTBPoint m1 = midpoint(e1), m2 = midpoint(e2);
    const double cross = (m2.X - m1.X) * (inside.Y - m1.Y) - (m2.Y - m1.Y) * (inside.X - m1.X);
    if (cross < 0) std::swap(e1, e2);
    next[e1] = e2;
    starts.push_back(e1);
  };
  for (int64_t c = 0; c + 1 < cols; ++c)
    for (int64_t r = 0; r + 1 < bmp.Rows; ++r) {
      const bool a = copper(c, r), b = copper(c + 1, r), t = copper(c + 1, r + 1), d = copper(c, r + 1);
      const int n = a + b + t + d;
      if (n == 0 || n == 4) continue;
      const int64_t B = hEdge(c, r), R = vEdge(c + 1, r), T = hEdge(c, r + 1), L = vEdge(c, r);
      const TTBPoint centre{c + 0.5, r + 0.5};
      if (n == 2 && a == t) {
        // Saddle: the copper corners are joined through the centre.
        if (a) step(B, R, centre), step(T, L, centre);
        else step(B, L, centre), step(R, T, centre);
        continue;
      }
      std::vector<int64_t> crossing;
      if (a != b) crossing.push_back(B);
      if (b != t) crossing.push_back(R);
      if (d != t) crossing.push_back(T);
      if (a != d) crossing.push_back(L);
      const TTBPoint inside = a ? TTBPoint{double(c), double(r)} : b ? TTBPoint{c + 1.0, double(r)}
                            : t ? TTBPoint{c + 1.0, r + 1.0} : TTBPoint{double(c), r + 1.0};
      step(crossing[0], crossing[1], inside);
    }
  auto point = [&](TTBPoint p) { return TTBPoint{(bmp.OriginX + p.X) * size, (bmp.OriginY + p.Y) * size}; };
  std::vector<TTBPoint> loop;
  for (const int64_t s : starts) {
    if (!next.count(s)) continue;
    loop.clear();
    for (int64_t e = s;;) {
      loop.push_back(midpoint(e));
      const auto it = next.find(e);
      const int64_t to = it->second;
      next.erase(it);
      if (to == s || !next.count(to)) break;
      e = to;
    }
    // Corners only: a point where the step direction changes.
    std::vector<TTBPoint> corners;
    const size_t n = loop.size();
    for (size_t k = 0; k < n; ++k) {
      const TTBPoint p = loop[(k + n - 1) % n], q = loop[k], u = loop[(k + 1) % n];
      if (q.X - p.X != u.X - q.X || q.Y - p.Y != u.Y - q.Y) corners.push_back(point(q));
    }
    if (corners.size() < 3) continue;
    TTBRegion r;
    for (size_t k = 0; k < corners.size(); ++k) {
      const TTBPoint p = corners[k], q = corners[(k + 1) % corners.size()];
      r.Entities.push_back(MakeLine(p.X, p.Y, q.X, q.Y));
    }
    UpdateRegionBox(r);
    regions.push_back(std::move(r));
  }
}

}  // namespace

std::string BoardTooLargeMessage(int64_t columns, int64_t rows) {
  return "Board too large to import: it needs a bitmap of " + std::to_string(columns) + " x " + std::to_string(rows) +
         " pixels.";
}

GerberResult ReadGerber(std::string_view data, const GerberReadOptions& options) {
  GerberArtwork art = ScanGerber(data);
  GerberResult res;
  res.DrawingUnits = art.Unit;
  res.UnitsInFile = art.UnitGiven;
  res.Notices = std::move(art.Notices);
  res.Regions = EmptyRegionList();
  const double size = GerberPixelSize(art.Unit), scale = 1 / size;
  const double grow = 2.0 * std::clamp(options.ToolOffsetMils, 0, 1000);

  std::map<int32_t, std::vector<GerberPrimitive>> shapes;
  std::map<int32_t, double> reach;
  Box2 box;
  for (const auto& it : art.Items) {
    if (it.Kind == GerberItemKind::Contour) {
      for (const auto& p : it.Contour) box.Add({p.X * scale, p.Y * scale}, 0);
      continue;
    }
    if (!shapes.count(it.Aperture)) {
      const auto a = art.Apertures.find(it.Aperture);
      shapes[it.Aperture] = ApertureShapes(a == art.Apertures.end() ? nullptr : &a->second, scale, grow);
      reach[it.Aperture] = Reach(shapes[it.Aperture]);
    }
    box.Add({it.A.X * scale, it.A.Y * scale}, reach[it.Aperture]);
    box.Add({it.B.X * scale, it.B.Y * scale}, reach[it.Aperture]);
  }
  if (art.Items.empty()) return res;
  const double cols = std::floor(box.X1) - std::floor(box.X0) + 2 * BoundsMargin + 5;
  const double rows = std::floor(box.Y1) - std::floor(box.Y0) + 2 * BoundsMargin + 5;
  if (!std::isfinite(cols) || !std::isfinite(rows) || cols * rows > static_cast<double>(options.PixelLimit) ||
      std::fabs(box.X0) > 1e9 || std::fabs(box.Y0) > 1e9)
    throw GerberError(BoardTooLargeMessage(std::isfinite(cols) ? static_cast<int64_t>(std::min(cols, 9e18)) : -1,
                                           std::isfinite(rows) ? static_cast<int64_t>(std::min(rows, 9e18)) : -1));
  CopperBitmap bmp;
  bmp.OriginX = static_cast<int32_t>(std::floor(box.X0)) - BoundsMargin - 2;
  bmp.OriginY = static_cast<int32_t>(std::floor(box.Y0)) - BoundsMargin - 2;
  bmp.Columns = static_cast<int32_t>(cols);
  bmp.Rows = static_cast<int32_t>(rows);
  bmp.Pixels.assign(static_cast<size_t>(bmp.Columns) * static_cast<size_t>(bmp.Rows), 0);
  for (const auto& it : art.Items) {
    PaintItem(bmp, it, scale, it.Kind == GerberItemKind::Contour ? std::vector<GerberPrimitive>{} : shapes[it.Aperture]);
    if (bmp.Work > options.WorkLimit) throw GerberError(BoardTooLargeMessage(bmp.Columns, bmp.Rows));
  }
  res.Columns = bmp.Columns, res.Rows = bmp.Rows;
  res.CopperPixels = std::count(bmp.Pixels.begin(), bmp.Pixels.end(), CopperBit);
  TraceOutlines(bmp, size, res.Regions);
  SetAllDirections(res.Regions, options.Clockwise ? 1 : 0);
  return res;
}

}  // namespace tibrel
