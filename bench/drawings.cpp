#include "drawings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tibrel::bench {

namespace {

// SplitMix64: small, fast and exactly defined, so the drawings are the same
// with every standard library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed) {}
  uint64_t Next() {
    uint64_t z = (s_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  // Uniform in [0, n) (the bias for n far below 2^64 does not matter here).
  uint64_t Below(uint64_t n) { return Next() % n; }

 private:
  uint64_t s_;
};

template <class T>
void Shuffle(std::vector<T>& v, Rng& rng) {
  for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[rng.Below(i)]);
}

// Columns of a square grid of n places.
long GridColumns(long n) { return std::max(1L, static_cast<long>(std::ceil(std::sqrt(static_cast<double>(n))))); }

// Rounds to the six decimals the file carries, so the generator's extents are
// exactly what a reader gets back.
double Round6(double v) { return std::round(v * 1e6) / 1e6; }

class DxfWriter {
 public:
  explicit DxfWriter(size_t reserve) { out_.reserve(reserve); }

  // A group code right-aligned in three columns, R12 style.
  void Code(int code) {
    char buf[16];
    const int len = std::snprintf(buf, sizeof buf, "%3d\n", code);
    out_.append(buf, static_cast<size_t>(len));
  }
  void Group(int code, std::string_view value) {
    Code(code);
    out_.append(value);
    out_.push_back('\n');
  }
  void Number(int code, double v, int decimals = 6) {
    Code(code);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    out_.append(buf, r.ptr);
    out_.push_back('\n');
  }
  void Integer(int code, long v) {
    Code(code);
    out_.append(std::to_string(v));
    out_.push_back('\n');
  }
  void Handle() {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, handle_++, 16);
    Code(5);
    for (char* c = buf; c != r.ptr; ++c) out_.push_back(static_cast<char>(*c >= 'a' ? *c - 'a' + 'A' : *c));
    out_.push_back('\n');
  }

  void Begin(const char* version, const GeneratedDrawing& d, bool full) {
    if (full) {
      Group(0, "SECTION");
      Group(2, "HEADER");
      Group(9, "$ACADVER");
      Group(1, version);
      Group(9, "$EXTMIN");
      Number(10, d.XMin);
      Number(20, d.YMin);
      Number(30, 0);
      Group(9, "$EXTMAX");
      Number(10, d.XMax);
      Number(20, d.YMax);
      Number(30, 0);
      Group(0, "ENDSEC");
      Group(0, "SECTION");
      Group(2, "BLOCKS");
      Group(0, "ENDSEC");
    }
    Group(0, "SECTION");
    Group(2, "ENTITIES");
  }
  void End() {
    Group(0, "ENDSEC");
    Group(0, "EOF");
  }

  void Line(double x1, double y1, double x2, double y2) {
    Group(0, "LINE");
    Handle();
    Group(8, "0");
    Number(10, x1);
    Number(20, y1);
    Number(30, 0);
    Number(11, x2);
    Number(21, y2);
    Number(31, 0);
  }
  void Circle(double cx, double cy, double r) {
    Group(0, "CIRCLE");
    Handle();
    Group(8, "0");
    Number(10, cx);
    Number(20, cy);
    Number(30, 0);
    Number(40, r);
  }

  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  unsigned long handle_ = 0x30;
};

// The squares of SquaresDxf, their corners already rounded.
struct Square {
  double x0, y0, x1, y1;
};

std::vector<Square> MakeSquares(long n, Rng& rng) {
  const long cols = GridColumns(n);
  constexpr double pitch = 20;
  std::vector<Square> squares;
  squares.reserve(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i) {
    const double x = static_cast<double>(i % cols) * pitch + rng.Unit();
    const double y = static_cast<double>(i / cols) * pitch + rng.Unit();
    const double side = 8 + 4 * rng.Unit();
    squares.push_back({Round6(x), Round6(y), Round6(x + side), Round6(y + side)});
  }
  return squares;
}

void SetExtents(GeneratedDrawing& d, const std::vector<Square>& squares) {
  if (squares.empty()) return;
  d.XMin = d.YMin = 1e300;
  d.XMax = d.YMax = -1e300;
  for (const Square& s : squares) {
    d.XMin = std::min(d.XMin, s.x0), d.YMin = std::min(d.YMin, s.y0);
    d.XMax = std::max(d.XMax, s.x1), d.YMax = std::max(d.YMax, s.y1);
  }
}

// One item of a shuffled entity list: side 0..3 of a square (reversed or
// not), or 4 for the square's circle.
struct Piece {
  uint32_t square;
  uint8_t side;
  uint8_t reversed;
};

std::vector<Piece> SquarePieces(long n, bool circles, Rng& rng) {
  std::vector<Piece> pieces;
  pieces.reserve(static_cast<size_t>(n) * (circles ? 5 : 4));
  // The six ways of choosing the two reversed sides out of four.
  static constexpr uint8_t pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
  for (long i = 0; i < n; ++i) {
    const auto& pair = pairs[rng.Below(6)];
    for (uint8_t side = 0; side < 4; ++side) {
      const bool rev = side == pair[0] || side == pair[1];
      pieces.push_back({static_cast<uint32_t>(i), side, static_cast<uint8_t>(rev)});
    }
    if (circles) pieces.push_back({static_cast<uint32_t>(i), 4, 0});
  }
  Shuffle(pieces, rng);
  return pieces;
}

GeneratedDrawing SquaresDrawing(long n, uint64_t seed, Layout layout, bool circles) {
  Rng rng(seed);
  const std::vector<Square> squares = MakeSquares(n, rng);
  const std::vector<Piece> pieces = SquarePieces(n, circles, rng);
  GeneratedDrawing d;
  d.Lines = 4 * n;
  d.Circles = circles ? n : 0;
  d.Entities = d.Lines + d.Circles;
  d.ClosedShapes = circles ? 2 * n : n;
  d.EntitiesPerShape = circles ? 0 : 4;
  SetExtents(d, squares);

  DxfWriter w(static_cast<size_t>(d.Entities) * 120 + 4096);
  w.Begin("AC1009", d, layout == Layout::Full);
  for (const Piece& p : pieces) {
    const Square& s = squares[p.square];
    if (p.side == 4) {
      const double side = s.x1 - s.x0;
      w.Circle(Round6((s.x0 + s.x1) / 2), Round6((s.y0 + s.y1) / 2), Round6(side / 4));
      continue;
    }
    // Corners counter-clockwise from the lower left; side k runs from corner
    // k to corner k+1.
    const double cx[4] = {s.x0, s.x1, s.x1, s.x0}, cy[4] = {s.y0, s.y0, s.y1, s.y1};
    const int a = p.side, b = (p.side + 1) % 4;
    if (p.reversed)
      w.Line(cx[b], cy[b], cx[a], cy[a]);
    else
      w.Line(cx[a], cy[a], cx[b], cy[b]);
  }
  w.End();
  d.Text = w.Take();
  return d;
}

}  // namespace

GeneratedDrawing SquaresDxf(long n, uint64_t seed, Layout layout) { return SquaresDrawing(n, seed, layout, false); }

GeneratedDrawing SquaresWithCirclesDxf(long n, uint64_t seed) {
  return SquaresDrawing(n, seed, Layout::Full, true);
}

GeneratedDrawing RoundedRectanglesDxf(long n, uint64_t seed) {
  Rng rng(seed);
  const long cols = GridColumns(n);
  constexpr double pitch = 30;
  struct Rect {
    double x0, y0, x1, y1, r;
  };
  std::vector<Rect> rects;
  rects.reserve(static_cast<size_t>(n));
  GeneratedDrawing d;
  d.XMin = d.YMin = 1e300;
  d.XMax = d.YMax = -1e300;
  for (long i = 0; i < n; ++i) {
    const double x = Round6(static_cast<double>(i % cols) * pitch + rng.Unit());
    const double y = Round6(static_cast<double>(i / cols) * pitch + rng.Unit());
    const double w = 12 + 8 * rng.Unit(), h = 10 + 8 * rng.Unit();
    const double r = Round6(1 + 2 * rng.Unit());
    rects.push_back({x, y, Round6(x + w), Round6(y + h), r});
    d.XMin = std::min(d.XMin, x), d.YMin = std::min(d.YMin, y);
    d.XMax = std::max(d.XMax, rects.back().x1), d.YMax = std::max(d.YMax, rects.back().y1);
  }
  if (n == 0) d.XMin = d.YMin = d.XMax = d.YMax = 0;
  std::vector<uint32_t> order(static_cast<size_t>(n));
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
  Shuffle(order, rng);

  d.Polylines = n;
  d.Entities = n;
  d.ClosedShapes = n;
  d.EntitiesPerShape = 8;
  DxfWriter w(static_cast<size_t>(n) * 400 + 4096);
  w.Begin("AC1015", d, true);
  for (uint32_t k : order) {
    const Rect& q = rects[k];
    w.Group(0, "LWPOLYLINE");
    w.Handle();
    w.Group(100, "AcDbEntity");
    w.Group(8, "0");
    w.Group(100, "AcDbPolyline");
    w.Integer(90, 8);
    w.Integer(70, 1);
    w.Number(43, 0, 1);
    // Counter-clockwise from the start of the bottom side; every second
    // vertex starts a quarter-circle corner.
    const double xs[8] = {q.x0 + q.r, q.x1 - q.r, q.x1, q.x1, q.x1 - q.r, q.x0 + q.r, q.x0, q.x0};
    const double ys[8] = {q.y0, q.y0, q.y0 + q.r, q.y1 - q.r, q.y1, q.y1, q.y1 - q.r, q.y0 + q.r};
    for (int v = 0; v < 8; ++v) {
      w.Number(10, Round6(xs[v]));
      w.Number(20, Round6(ys[v]));
      if (v % 2 == 1) w.Group(42, "0.41421356");
    }
  }
  w.End();
  d.Text = w.Take();
  return d;
}

GeneratedDrawing InsertsDxf(long n, uint64_t seed) {
  Rng rng(seed);
  const long cols = GridColumns(n);
  constexpr double pitch = 20;
  struct Place {
    double x, y;
    int quarter;
    bool mirrored;
  };
  std::vector<Place> places;
  places.reserve(static_cast<size_t>(n));
  for (long i = 0; i < n; ++i)
    places.push_back({Round6(static_cast<double>(i % cols) * pitch + rng.Unit()),
                      Round6(static_cast<double>(i / cols) * pitch + rng.Unit()), static_cast<int>(rng.Below(4)),
                      rng.Below(2) == 1});
  Shuffle(places, rng);
  GeneratedDrawing d;
  d.Entities = n;
  d.ClosedShapes = 2 * n;
  // The square (side 8 about the block origin) reaches 4 from the insertion
  // point whatever the turn or the mirror.
  d.XMin = d.YMin = 1e300;
  d.XMax = d.YMax = -1e300;
  for (const Place& p : places) {
    d.XMin = std::min(d.XMin, p.x - 4), d.YMin = std::min(d.YMin, p.y - 4);
    d.XMax = std::max(d.XMax, p.x + 4), d.YMax = std::max(d.YMax, p.y + 4);
  }
  if (n == 0) d.XMin = d.YMin = d.XMax = d.YMax = 0;
  DxfWriter w(static_cast<size_t>(n) * 160 + 4096);
  w.Group(0, "SECTION");
  w.Group(2, "BLOCKS");
  w.Group(0, "BLOCK");
  w.Group(8, "0");
  w.Group(2, "HOLE");
  w.Integer(70, 0);
  w.Number(10, 0);
  w.Number(20, 0);
  w.Number(30, 0);
  w.Circle(0, 0, 2);
  w.Group(0, "LWPOLYLINE");
  w.Group(8, "0");
  w.Integer(90, 4);
  w.Integer(70, 1);
  for (auto [x, y] : {std::pair{-4.0, -4.0}, {4.0, -4.0}, {4.0, 4.0}, {-4.0, 4.0}}) {
    w.Number(10, x);
    w.Number(20, y);
  }
  w.Group(0, "ENDBLK");
  w.Group(0, "ENDSEC");
  w.Begin("AC1015", d, false);
  for (const Place& p : places) {
    w.Group(0, "INSERT");
    w.Handle();
    w.Group(8, "0");
    w.Group(2, "HOLE");
    w.Number(10, p.x);
    w.Number(20, p.y);
    w.Number(30, 0);
    if (p.mirrored) w.Number(41, -1, 1);
    if (p.quarter) w.Number(50, 90.0 * p.quarter, 1);
  }
  w.End();
  d.Text = w.Take();
  return d;
}

GeneratedDrawing CurvesDxf(long n, uint64_t seed) {
  Rng rng(seed);
  const long cols = GridColumns(n);
  constexpr double pitch = 15;
  struct Curve {
    double x, y, a, b;
    bool spline;
  };
  std::vector<Curve> curves;
  curves.reserve(static_cast<size_t>(n));
  GeneratedDrawing d;
  d.XMin = d.YMin = 1e300;
  d.XMax = d.YMax = -1e300;
  for (long i = 0; i < n; ++i) {
    const double x = Round6(static_cast<double>(i % cols) * pitch), y = Round6(static_cast<double>(i / cols) * pitch);
    const bool spline = i % 2 == 0;
    const double a = Round6(spline ? 2 + 3 * rng.Unit() : 3 + 3 * rng.Unit());
    const double b = spline ? a : Round6(a * (0.5 + 0.5 * rng.Unit()));
    curves.push_back({x, y, a, b, spline});
    d.XMin = std::min(d.XMin, x - a), d.YMin = std::min(d.YMin, y - b);
    d.XMax = std::max(d.XMax, x + a), d.YMax = std::max(d.YMax, y + b);
  }
  if (n == 0) d.XMin = d.YMin = d.XMax = d.YMax = 0;
  Shuffle(curves, rng);
  d.Entities = n;
  d.ClosedShapes = n;
  DxfWriter w(static_cast<size_t>(n) * 700 + 4096);
  w.Begin("AC1015", d, true);
  static constexpr double square[9][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};
  static constexpr double knots[12] = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
  for (const Curve& c : curves) {
    if (!c.spline) {
      w.Group(0, "ELLIPSE");
      w.Handle();
      w.Group(8, "0");
      w.Number(10, c.x);
      w.Number(20, c.y);
      w.Number(30, 0);
      w.Number(11, c.a);
      w.Number(21, 0);
      w.Number(31, 0);
      w.Number(40, c.b / c.a, 12);
      w.Number(41, 0);
      w.Number(42, 6.283185307179586, 15);
      continue;
    }
    w.Group(0, "SPLINE");
    w.Handle();
    w.Group(8, "0");
    w.Integer(70, 13);
    w.Integer(71, 2);
    w.Integer(72, 12);
    w.Integer(73, 9);
    for (double k : knots) w.Number(40, k, 2);
    for (int k = 0; k < 9; ++k) w.Number(41, k % 2 ? 0.7071067811865476 : 1, 16);
    for (const auto& q : square) {
      w.Number(10, c.x + c.a * q[0]);
      w.Number(20, c.y + c.a * q[1]);
      w.Number(30, 0);
    }
  }
  w.End();
  d.Text = w.Take();
  return d;
}

namespace {

void MaybeDump(const GeneratedDrawing& d, const std::string& fileName) {
  const char* folder = std::getenv("TIBREL_BENCH_DUMP");
  if (!folder || !*folder) return;
  const std::filesystem::path path = std::filesystem::path(folder) / fileName;
  std::ofstream out(path, std::ios::binary);
  out.write(d.Text.data(), static_cast<std::streamsize>(d.Text.size()));
  if (!out) std::fprintf(stderr, "could not write %s\n", path.string().c_str());
}

}  // namespace

const GeneratedDrawing& CachedDrawing(Kind kind, long n) {
  static std::map<std::pair<Kind, long>, GeneratedDrawing> cache;
  auto it = cache.find({kind, n});
  if (it != cache.end()) return it->second;
  GeneratedDrawing d;
  switch (kind) {
    case Kind::Squares: d = SquaresDxf(n); break;
    case Kind::SquaresEntitiesOnly: d = SquaresDxf(n, 1, Layout::EntitiesOnly); break;
    case Kind::RoundedRectangles: d = RoundedRectanglesDxf(n); break;
    case Kind::SquaresWithCircles: d = SquaresWithCirclesDxf(n); break;
    case Kind::Inserts: d = InsertsDxf(n); break;
    case Kind::Curves: d = CurvesDxf(n); break;
  }
  if (kind == Kind::Squares) MaybeDump(d, "squares_" + std::to_string(n) + ".dxf");
  if (kind == Kind::RoundedRectangles) MaybeDump(d, "rounded_" + std::to_string(n) + ".dxf");
  return cache.emplace(std::make_pair(kind, n), std::move(d)).first->second;
}

}  // namespace tibrel::bench
