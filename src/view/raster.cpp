#include "view/raster.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tibrel {

namespace {

// Clips the segment to [0, w) x [0, h) (Liang-Barsky); false when nothing
// of it is inside.
bool Clip(double& x0, double& y0, double& x1, double& y1, double w, double h) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy}, q[4] = {x0, w - 1 - x0, y0, h - 1 - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  x1 = x0 + t1 * dx, y1 = y0 + t1 * dy;
  x0 = x0 + t0 * dx, y0 = y0 + t0 * dy;
  return true;
}

void Line(RasterImage& img, ScreenPoint a, ScreenPoint b, int32_t colour, uint32_t mask, int& phase) {
  double x0 = a.X, y0 = a.Y, x1 = b.X, y1 = b.Y;
  if (!std::isfinite(x0 + y0 + x1 + y1) || !Clip(x0, y0, x1, y1, img.Width, img.Height)) return;
  int ix0 = static_cast<int>(std::lround(x0)), iy0 = static_cast<int>(std::lround(y0));
  const int ix1 = static_cast<int>(std::lround(x1)), iy1 = static_cast<int>(std::lround(y1));
  const int dx = std::abs(ix1 - ix0), dy = -std::abs(iy1 - iy0), sx = ix0 < ix1 ? 1 : -1, sy = iy0 < iy1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    if ((mask >> (phase++ & 31)) & 1) img.Pixels[static_cast<size_t>(iy0) * img.Width + ix0] = colour;
    if (ix0 == ix1 && iy0 == iy1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, ix0 += sx;
    if (e2 <= dx) err += dx, iy0 += sy;
  }
}

// The x where the edge from a to b (a above b on the screen) crosses the
// row at yc; both triangles that share an edge find the same x, so a mesh
// leaves no gap between its triangles.
double EdgeX(const ScreenPoint& a, const ScreenPoint& b, double yc) {
  return a.X + (yc - a.Y) * (b.X - a.X) / (b.Y - a.Y);
}

// Fills the pixels whose centres lie inside the triangle (on its left or
// top edge included, on its right or bottom edge not).
void FillTriangle(RasterImage& img, const Fill& f) {
  ScreenPoint p[3] = {f.P[0], f.P[1], f.P[2]};
  std::sort(p, p + 3, [](const ScreenPoint& a, const ScreenPoint& b) { return a.Y < b.Y; });
  if (!std::isfinite(p[0].X + p[0].Y + p[1].X + p[1].Y + p[2].X + p[2].Y) || !(p[2].Y > p[0].Y)) return;
  // Pixel indices of the centres inside [lo, hi), clamped so that far
  // off-screen coordinates stay within int.
  auto first = [](double lo) { return static_cast<int>(std::ceil(std::clamp(lo, -1.0, 1e9) - 0.5)); };
  const int rowFirst = std::max(0, first(p[0].Y)), rowEnd = std::min(img.Height, first(p[2].Y));
  for (int row = rowFirst; row < rowEnd; ++row) {
    const double yc = row + 0.5;
    double xa = EdgeX(p[0], p[2], yc);
    double xb = yc < p[1].Y ? EdgeX(p[0], p[1], yc) : EdgeX(p[1], p[2], yc);
    if (xa > xb) std::swap(xa, xb);
    const int from = std::max(0, first(xa)), to = std::min(img.Width, first(xb));
    int32_t* line = img.Pixels.data() + static_cast<size_t>(row) * img.Width;
    for (int x = from; x < to; ++x) line[x] = f.Colour;
  }
}

uint32_t Crc(const std::string& data, size_t from) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < data.size(); ++i) c = table[(c ^ static_cast<uint8_t>(data[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>((v >> s) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& body) {
  Be32(out, static_cast<uint32_t>(body.size()));
  const size_t from = out.size();
  out += type;
  out += body;
  Be32(out, Crc(out, from));
}

}  // namespace

RasterImage Rasterise(const Display& d, int width, int height) {
  RasterImage img;
  img.Width = std::max(1, width), img.Height = std::max(1, height);
  img.Pixels.assign(static_cast<size_t>(img.Width) * img.Height, d.Background);
  auto stroke = [&img](const Stroke& s) {
    const uint32_t mask = s.Pattern == PatternDotted ? 0xEAEAEAEAu : s.Pattern == PatternDashed ? 0xCCCCCCCCu : 0xFFFFFFFFu;
    int phase = 0;
    for (size_t k = 1; k < s.Points.size(); ++k) Line(img, s.Points[k - 1], s.Points[k], s.Colour, mask, phase);
  };
  const size_t under = std::min(d.StrokesUnderFills, d.Strokes.size());
  for (size_t k = 0; k < under; ++k) stroke(d.Strokes[k]);
  for (const Fill& f : d.Fills) {
    FillTriangle(img, f);
    if (!f.Outlined) continue;
    int phase = 0;
    for (int k = 0; k < 3; ++k) Line(img, f.P[k], f.P[(k + 1) % 3], f.EdgeColour, 0xFFFFFFFFu, phase);
  }
  for (size_t k = under; k < d.Strokes.size(); ++k) stroke(d.Strokes[k]);
  return img;
}

std::string EncodePng(const RasterImage& img) {
  std::string raw;
  raw.reserve(static_cast<size_t>(img.Height) * (img.Width * 3 + 1));
  for (int y = 0; y < img.Height; ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < img.Width; ++x) {
      const int32_t c = img.At(x, y);
      raw += static_cast<char>(c & 0xFF);
      raw += static_cast<char>((c >> 8) & 0xFF);
      raw += static_cast<char>((c >> 16) & 0xFF);
    }
  }
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  for (size_t at = 0; at < raw.size() || at == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + n >= raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF), z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF), z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    at += n;
    if (last) break;
  }
  Be32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Be32(ihdr, static_cast<uint32_t>(img.Width));
  Be32(ihdr, static_cast<uint32_t>(img.Height));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

}  // namespace tibrel
