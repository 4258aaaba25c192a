#include "gerber/paint.h"

#include <algorithm>
#include <cmath>

namespace tibrel {

namespace {

void FillSpan(CopperBitmap& bmp, int32_t r, double xa, double xb, bool clear) {
  const double lo = std::max(1.0, std::ceil(xa - bmp.OriginX));
  const double hi = std::min(static_cast<double>(bmp.Columns - 2), std::floor(xb - bmp.OriginX));
  if (!(lo <= hi)) return;
  uint8_t* row = &bmp.Pixels[static_cast<size_t>(r) * bmp.Columns];
  std::fill(row + static_cast<int32_t>(lo), row + static_cast<int32_t>(hi) + 1, clear ? 0 : 1);
  bmp.Work += static_cast<int64_t>(hi - lo) + 1;
}

// The rows (bitmap indices) whose points lie within [y0, y1], clear of the outer ring.
bool RowRange(const CopperBitmap& bmp, double y0, double y1, int32_t& r0, int32_t& r1) {
  const double lo = std::max(1.0, std::ceil(y0 - bmp.OriginY));
  const double hi = std::min(static_cast<double>(bmp.Rows - 2), std::floor(y1 - bmp.OriginY));
  if (!(lo <= hi)) return false;
  r0 = static_cast<int32_t>(lo), r1 = static_cast<int32_t>(hi);
  return true;
}

// The x-interval of the line y where lo <= a x + b <= hi.
bool Slab(double a, double b, double lo, double hi, double& x0, double& x1) {
  if (a == 0) {
    if (b < lo || b > hi) return false;
    x0 = -INFINITY, x1 = INFINITY;
    return true;
  }
  x0 = (lo - b) / a, x1 = (hi - b) / a;
  if (x0 > x1) std::swap(x0, x1);
  return true;
}

double Cross(TTBPoint o, TTBPoint a, TTBPoint b) { return (a.X - o.X) * (b.Y - o.Y) - (a.Y - o.Y) * (b.X - o.X); }

}  // namespace

void FillPolygon(CopperBitmap& bmp, const std::vector<TTBPoint>& pts, bool clear) {
  if (pts.size() < 3) return;
  double y0 = pts[0].Y, y1 = pts[0].Y;
  for (const auto& p : pts) y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
  int32_t r0, r1;
  if (!RowRange(bmp, y0, y1, r0, r1)) return;
  std::vector<double> xs;
  for (int32_t r = r0; r <= r1; ++r) {
    const double y = r + bmp.OriginY;
    xs.clear();
    for (size_t k = 0; k < pts.size(); ++k) {
      const TTBPoint a = pts[k], b = pts[(k + 1) % pts.size()];
      if ((a.Y <= y) == (b.Y <= y)) continue;
      xs.push_back(a.X + (y - a.Y) * (b.X - a.X) / (b.Y - a.Y));
    }
    bmp.Work += static_cast<int64_t>(pts.size());
    std::sort(xs.begin(), xs.end());
    for (size_t k = 0; k + 1 < xs.size(); k += 2) FillSpan(bmp, r, xs[k], xs[k + 1], clear);
  }
}

void FillCapsule(CopperBitmap& bmp, TTBPoint a, TTBPoint b, double radius, bool clear) {
  int32_t r0, r1;
  if (!(radius > 0) || !RowRange(bmp, std::min(a.Y, b.Y) - radius, std::max(a.Y, b.Y) + radius, r0, r1)) return;
  const double dx = b.X - a.X, dy = b.Y - a.Y, len = std::hypot(dx, dy);
  const double ux = len > 0 ? dx / len : 0, uy = len > 0 ? dy / len : 0;
  for (int32_t r = r0; r <= r1; ++r) {
    const double y = r + bmp.OriginY;
    double lo = INFINITY, hi = -INFINITY;
    for (const TTBPoint c : {a, b}) {
      const double h2 = radius * radius - (y - c.Y) * (y - c.Y);
      if (h2 < 0) continue;
      const double h = std::sqrt(h2);
      lo = std::min(lo, c.X - h), hi = std::max(hi, c.X + h);
    }
    double x0, x1, x2, x3;
    // The band: along the segment 0..len, across it within the radius.
    if (len > 0 && Slab(ux, (y - a.Y) * uy - a.X * ux, 0, len, x0, x1) &&
        Slab(uy, -(y - a.Y) * ux - a.X * uy, -radius, radius, x2, x3)) {
      const double s0 = std::max(x0, x2), s1 = std::min(x1, x3);
      if (s0 <= s1) lo = std::min(lo, s0), hi = std::max(hi, s1);
    }
    if (lo <= hi) FillSpan(bmp, r, lo, hi, clear);
  }
}

std::vector<TTBPoint> ConvexHull(std::vector<TTBPoint> pts) {
  std::sort(pts.begin(), pts.end(), [](TTBPoint p, TTBPoint q) { return p.X < q.X || (p.X == q.X && p.Y < q.Y); });
  if (pts.size() < 3) return pts;
  std::vector<TTBPoint> h(2 * pts.size());
  size_t k = 0;
  for (size_t i = 0; i < pts.size(); ++i) {
    while (k >= 2 && Cross(h[k - 2], h[k - 1], pts[i]) <= 0) --k;
    h[k++] = pts[i];
  }
  for (size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && Cross(h[k - 2], h[k - 1], pts[i - 1]) <= 0) --k;
    h[k++] = pts[i - 1];
  }
  h.resize(k - 1);
  return h;
}

}  // namespace tibrel
