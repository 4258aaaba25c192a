#include "view/view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "view/model_display.h"
#include "view/pen.h"

namespace tibrel {

namespace {

constexpr double Deg = 3.14159265358979323846 / 180;

void SetScaleFromWindow(ViewState& v) {
  const double w = v.Window.XMax - v.Window.XMin, h = v.Window.YMax - v.Window.YMin;
  v.Sx = w > 0 ? v.Width / w : 1;
  v.Sy = h > 0 ? v.Height / h : 1;
}

double Scale(const ViewState& v) { return std::min(v.Sx, v.Sy); }

// A line by LineTo to its end, an arc flattened; the pen ends at the end.
void DrawEntity(Pen& pen, const ViewState& v, const TTBEntity& e, double z, bool fromPen) {
  const TTBPoint s = EntityStart(e), t = EntityEnd(e);
  if (e.Radius == 0) {
    if (!fromPen) pen.MoveTo(s.X, s.Y, z);
    pen.LineTo(t.X, t.Y, z);
    return;
  }
  const auto pts = FlattenArc(e, Scale(v));
  if (!pts.empty()) {
    pen.MoveTo(pts[0].X, pts[0].Y, z);
    for (size_t k = 1; k < pts.size(); ++k) pen.LineTo(pts[k].X, pts[k].Y, z);
  }
  pen.MoveTo(t.X, t.Y, z);
}

int32_t RegionColour(const TTBRegion& r, const TTBViewSettings& c) {
  if (r.IsOpen) return r.Selected ? c.SelectedOpen : c.UnselectedOpen;
  if (r.Selected) return r.IslandOf < 1 ? c.SelectedClosed : c.SelectedIsland;
  return c.UnselectedClosed;
}

size_t DrawRegion(Pen& pen, const ViewState& v, const TTBRegion& r, int32_t colour) {
  pen.Style(colour, PatternSolid);
  bool first = true;
  for (const auto& e : r.Entities) {
    DrawEntity(pen, v, e, -r.Depth, !first && e.Radius == 0);
    first = false;
  }
  return r.Entities.size();
}

void Chevron(Pen& pen, const TTBEntity& e, double z, double size) {
  const TTBPoint m = EntityMidpoint(e), s = EntityStart(e), t = EntityEnd(e);
  double a;
  if (e.Radius == 0) {
    a = std::atan2(s.Y - m.Y, s.X - m.X);
  } else {
    a = std::atan2(s.Y - t.Y, s.X - t.X);
    if (e.Radius < 0 && e.Y2 >= e.X2) a += 180 * Deg;
  }
  pen.MoveTo(m.X + size * std::cos(a + 45 * Deg), m.Y + size * std::sin(a + 45 * Deg), z);
  pen.LineTo(m.X, m.Y, z);
  pen.LineTo(m.X + size * std::cos(a - 45 * Deg), m.Y + size * std::sin(a - 45 * Deg), z);
}

std::string Number3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return buf;
}

}  // namespace

ViewState::ViewState() {
  Window.XMin = Window.YMin = -100;
  Window.XMax = Window.YMax = 100;
  PreviousWindow = Window;
  SetScaleFromWindow(*this);
}

void FitWindow(ViewState& v, const TExtents& e, double marginX, double marginY) {
  const double w = e.XMax - e.XMin, h = e.YMax - e.YMin;
  double sx = w != 0 ? (v.Width - 2 * marginX) / w : 1.0;
  double sy = h != 0 ? (v.Height - 2 * marginY) / h : 1.0;
  const double s = std::min(sx, sy);
  v.Window.ZMid = e.ZMid;
  if (!(s > 0) || !std::isfinite(s)) return;
  const double cx = (e.XMin + e.XMax) / 2, cy = (e.YMin + e.YMax) / 2;
  v.PivotX = cx, v.PivotY = cy;
  v.Window.XMin = cx - v.Width / 2.0 / s;
  v.Window.XMax = cx + v.Width / 2.0 / s;
  v.Window.YMin = cy - v.Height / 2.0 / s;
  v.Window.YMax = cy + v.Height / 2.0 / s;
  v.Sx = v.Sy = s;
}

void FitView(ViewState& v, const TExtents& e, double margin) {
  FitWindow(v, e, margin, margin);
  if (v.Mode != View3D) return;
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (double x : {e.XMin, e.XMax})
    for (double y : {e.YMin, e.YMax})
      for (double z : {e.ZMin, e.ZMax}) {
        const ScreenPoint p = Project(v, x, y, z);
        x0 = std::min(x0, p.X), y0 = std::min(y0, p.Y), x1 = std::max(x1, p.X), y1 = std::max(y1, p.Y);
      }
  const double k = std::min((v.Width - 2 * margin) / std::max(x1 - x0, 1.0), (v.Height - 2 * margin) / std::max(y1 - y0, 1.0));
  if (!(k > 0) || !std::isfinite(k)) return;
  // Centre the turned drawing: the middle of its screen box, in world units
  // about the window's centre, scaled with the new scale.
  const double old = v.Sx;
  const double cx = (v.Window.XMin + v.Window.XMax) / 2 + ((x0 + x1) / 2 - v.Width / 2.0) / old;
  const double cy = (v.Window.YMin + v.Window.YMax) / 2 - ((y0 + y1) / 2 - v.Height / 2.0) / old;
  const double s = old * k;
  v.Window.XMin = cx - v.Width / 2.0 / s, v.Window.XMax = cx + v.Width / 2.0 / s;
  v.Window.YMin = cy - v.Height / 2.0 / s, v.Window.YMax = cy + v.Height / 2.0 / s;
  v.Sx = v.Sy = s;
}

void ZoomBy(ViewState& v, double f, bool remember) {
  TExtents w = v.Window;
  const double dx = (w.XMax - w.XMin) * f, dy = (w.YMax - w.YMin) * f;
  w.XMin += dx, w.XMax -= dx, w.YMin += dy, w.YMax -= dy;
  if (!(w.XMax > w.XMin) || !(w.YMax > w.YMin)) return;
  if (remember) v.PreviousWindow = v.Window;
  FitWindow(v, w, 0, 0);
}

void ZoomToRectangle(ViewState& v, double x1, double y1, double x2, double y2) {
  v.PreviousWindow = v.Window;
  TExtents w = v.Window;
  w.XMin = std::min(x1, x2), w.XMax = std::max(x1, x2), w.YMin = std::min(y1, y2), w.YMax = std::max(y1, y2);
  FitWindow(v, w, 0, 0);
}

void Resize(ViewState& v, int width, int height) {
  const double cx = (v.Window.XMin + v.Window.XMax) / 2, cy = (v.Window.YMin + v.Window.YMax) / 2;
  v.Width = std::max(1, width);
  v.Height = std::max(1, height);
  v.Window.XMin = cx - v.Width / 2.0 / v.Sx;
  v.Window.XMax = cx + v.Width / 2.0 / v.Sx;
  v.Window.YMin = cy - v.Height / 2.0 / v.Sy;
  v.Window.YMax = cy + v.Height / 2.0 / v.Sy;
}

void ZoomPrevious(ViewState& v) {
  const TExtents shown = v.Window;
  FitWindow(v, v.PreviousWindow, 0, 0);
  v.PreviousWindow = shown;
}

void Set2D(ViewState& v) { v.Mode = View2D, v.Spin = 0, v.Tilt = 90; }
void Set3D(ViewState& v) { v.Mode = View3D, v.Spin = 30, v.Tilt = 45; }

void Pan(ViewState& v, int dx, int dy) {
  v.Window.XMin -= dx / v.Sx, v.Window.XMax -= dx / v.Sx;
  v.Window.YMin += dy / v.Sy, v.Window.YMax += dy / v.Sy;
}

void Rotate(ViewState& v, int dx, int dy, bool below) {
  if (v.Mode != View3D) return;
  v.Tilt = std::clamp(v.Tilt + dy, -100.0, 100.0);
  v.Spin += below ? -dx : dx;
  if (v.Spin < 0) v.Spin = 360;
  else if (v.Spin >= 360) v.Spin = 0;
}

Projector::Projector(const ViewState& v)
    : turned_(v.Mode == View3D || v.Spin != 0 || v.Tilt != 90),
      pivotX_(v.PivotX),
      pivotY_(v.PivotY),
      zMid_(v.Window.ZMid),
      xMin_(v.Window.XMin),
      yMin_(v.Window.YMin),
      sx_(v.Sx),
      sy_(v.Sy),
      height_(v.Height) {
  if (turned_) {
    cosSpin_ = std::cos(v.Spin * Deg), sinSpin_ = std::sin(v.Spin * Deg);
    cosTilt_ = std::cos(v.Tilt * Deg), sinTilt_ = std::sin(v.Tilt * Deg);
  }
}

// The turn is about Z through the pivot by Spin, then the tilt about the
// screen's horizontal by Tilt: at Tilt 90 the viewer looks down the Z axis.
ViewPoint Projector::Point(double x, double y, double z) const {
  double depth = z;
  if (turned_) {
    const double u = (x - pivotX_) * cosSpin_ - (y - pivotY_) * sinSpin_;
    const double r = (x - pivotX_) * sinSpin_ + (y - pivotY_) * cosSpin_;
    x = u + pivotX_;
    y = r * sinTilt_ + (z - zMid_) * cosTilt_ + pivotY_;
    depth = (z - zMid_) * sinTilt_ - r * cosTilt_;
  }
  return {(x - xMin_) * sx_, height_ - (y - yMin_) * sy_, depth};
}

ViewDirection Projector::Direction(double dx, double dy, double dz) const {
  if (!turned_) return {dx, dy, dz};
  const double u = dx * cosSpin_ - dy * sinSpin_, r = dx * sinSpin_ + dy * cosSpin_;
  return {u, r * sinTilt_ + dz * cosTilt_, dz * sinTilt_ - r * cosTilt_};
}

ScreenPoint Project(const ViewState& v, double x, double y, double z) {
  const ViewPoint p = Projector(v).Point(x, y, z);
  return {p.X, p.Y};
}

bool WorldFromScreen(const ViewState& v, int px, int py, double& x, double& y) {
  if (px < 0 || py < 0 || px >= v.Width || py >= v.Height) {
    x = y = 0;
    return false;
  }
  x = v.Window.XMin + px / v.Sx;
  y = v.Window.YMin + (v.Height - py) / v.Sy;
  return true;
}

int ArcChords(double length, double pixelsPerUnit) {
  const double px = std::round(length * pixelsPerUnit);
  if (!(px >= 3)) return 0;
  return static_cast<int>(std::min(px / 3, 50.0));
}

std::vector<TTBPoint> FlattenArc(const TTBEntity& e, double s) {
  std::vector<TTBPoint> pts;
  const double r = std::fabs(e.Radius);
  const bool full = std::fabs(e.Y2 - e.X2) < 1e-6;
  double a0 = e.Radius > 0 ? e.X2 : e.Y2, a1 = e.Radius > 0 ? e.Y2 : e.X2;
  if (full) a1 = a0 + 2 * 3.14159265358979323846;
  else if (a1 <= a0) a1 += 2 * 3.14159265358979323846;
  const int n = ArcChords(r * (a1 - a0), s);
  if (n == 0) return pts;
  const double step = std::max((a1 - a0) / n, 0.01);
  pts.push_back({e.X + r * std::cos(a0), e.Y + r * std::sin(a0)});
  for (double a = a0 + step; a < a1; a += step) pts.push_back({e.X + r * std::cos(a), e.Y + r * std::sin(a)});
  pts.push_back({e.X + r * std::cos(a1), e.Y + r * std::sin(a1)});
  return pts;
}

Display BuildDisplay(const Job& job, const ViewState& v, const DisplaySettings& s) {
  Display d;
  d.Background = s.Colours.Background;
  if (job.ModelLoaded) {
    AddModelDisplay(job.Mesh, job.Toolpaths3D, job.DrawingExtents, job.MachiningParameters.Prototype, v, s, d);
    return d;
  }
  const double arrow = Scale(v) > 0 ? 8 / Scale(v) : 1;
  {
    Pen pen(v, d.Strokes);
    size_t drawn = 0;
    const bool toolpaths = s.Content == ContentToolpaths;
    if (!toolpaths || s.Colours.ShowBoundaries)
      for (size_t i = 1; i < job.Regions.size(); ++i) {
        const TTBRegion& r = job.Regions[i];
        if (s.Content == ContentSelected && !r.Selected) continue;
        const size_t n = DrawRegion(pen, v, r, RegionColour(r, s.Colours));
        if (!toolpaths) drawn += n;
      }
    if (toolpaths) {
      TTBPoint last{0, 0};
      double lastZ = 0;
      pen.MoveTo(0, 0, 0);
      for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
        const TTBOutRegion& t = job.Toolpaths[i];
        if (t.Entities.empty()) continue;
        const TTBPoint start = PathStart(t);
        pen.MoveTo(last.X, last.Y, lastZ);
        pen.Style(t.Colour, PatternDotted);
        if (t.LinkMode >= 1 && t.LinkMode <= 4) {
          pen.LineTo(last.X, last.Y, -t.ApproachDepth);
          pen.LineTo(start.X, start.Y, -t.ApproachDepth);
        }
        pen.LineTo(start.X, start.Y, -t.Depth);
        pen.Style(t.Colour, PatternSolid);
        if (HasEntryMove(t)) DrawEntity(pen, v, t.EntryMove, -t.Depth, true);
        for (const auto& e : t.Entities) DrawEntity(pen, v, e, -t.Depth, true);
        if (HasExitMove(t)) DrawEntity(pen, v, t.ExitMove, -t.Depth, true);
        last = PathEnd(t);
        lastZ = -t.Depth;
        ++drawn;
      }
    }
    d.Status = (s.Content == ContentAll ? "All " : s.Content == ContentSelected ? "Select " : "Tool ") +
               std::to_string(drawn);
    if (s.Directions) {
      auto marks = [&](const TTBEntityArray& es, int32_t colour, double z) {
        pen.Style(colour, PatternSolid);
        for (size_t k = 0; k < es.size() && (k == 0 || s.Colours.AllDirections); ++k) Chevron(pen, es[k], z, arrow);
      };
      if (toolpaths) {
        for (size_t i = 1; i < job.Toolpaths.size(); ++i)
          marks(job.Toolpaths[i].Entities, job.Toolpaths[i].Colour, -job.Toolpaths[i].Depth);
      } else {
        for (size_t i = 1; i < job.Regions.size(); ++i) {
          const TTBRegion& r = job.Regions[i];
          if (s.Content == ContentSelected && !r.Selected) continue;
          marks(r.Entities, RegionColour(r, s.Colours), -r.Depth);
        }
      }
    }
  }
  if (s.ShortLabels && s.Content != ContentToolpaths) {
    for (size_t i = 1; i < job.Regions.size(); ++i) {
      const TTBRegion& r = job.Regions[i];
      if ((s.Content == ContentSelected && !r.Selected) || r.Entities.empty()) continue;
      const TTBPoint p = RegionStart(r);
      d.Labels.push_back({Project(v, p.X, p.Y, -r.Depth), std::to_string(i)});
    }
  } else if (s.Information) {
    if (s.Content == ContentToolpaths) {
      for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
        const TTBOutRegion& t = job.Toolpaths[i];
        if (t.Entities.empty()) continue;
        const TTBPoint p = PathStart(t);
        d.Labels.push_back({Project(v, p.X, p.Y, -t.Depth), std::to_string(i)});
      }
    } else {
      for (size_t i = 1; i < job.Regions.size(); ++i) {
        const TTBRegion& r = job.Regions[i];
        if ((s.Content == ContentSelected && !r.Selected) || r.Entities.empty()) continue;
        std::string text = std::to_string(i);
        if (r.IslandOf != 0) text += "-" + std::to_string(r.IslandOf);
        if (r.Depth != 0) text += ", " + Number3(r.Depth);
        if (r.WallProfile != 0)
          text += s.Content == ContentAll ? ",(" + std::to_string(r.WallProfile) + ", " + Number3(r.WallDelta) + ")"
                                          : ", " + std::to_string(r.WallProfile) + ", " + Number3(r.WallDelta);
        const TTBPoint p = RegionStart(r);
        d.Labels.push_back({Project(v, p.X, p.Y, -r.Depth), text});
      }
    }
  }
  return d;
}

}  // namespace tibrel
