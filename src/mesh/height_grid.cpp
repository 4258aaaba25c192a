#include "mesh/height_grid.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <thread>

namespace tibrel {

bool PointInTriangleXY(double x, double y, const TTBTriangle& t) {
  bool inside = false;
  for (int k = 0; k < 3; ++k) {
    const TTBVertex& a = t.V[k];
    const TTBVertex& b = t.V[(k + 1) % 3];
    const double ax = a.X, ay = a.Y, bx = b.X, by = b.Y;
    if (ay <= y && y < by) {
      if ((bx - ax) * (y - ay) > (by - ay) * (x - ax)) inside = !inside;
    } else if (by <= y && y < ay) {
      if ((bx - ax) * (y - ay) < (by - ay) * (x - ax)) inside = !inside;
    }
  }
  return inside;
}

namespace {

// Grid index of a coordinate, truncated toward zero as the grid's rule
// says, then widened by one and kept inside 0..last.
int32_t LowIndex(double v, double origin, double step, int32_t last) {
  const double q = std::trunc((v - origin) / step) - 1;
  return static_cast<int32_t>(std::clamp(q, 0.0, static_cast<double>(last)));
}
int32_t HighIndex(double v, double origin, double step, int32_t last) {
  const double q = std::trunc((v - origin) / step) + 1;
  return static_cast<int32_t>(std::clamp(q, -1.0, static_cast<double>(last)));
}

void SampleTriangle(const TTBTriangle& t, const GridSpec& spec, TTBZGrid& grid) {
  const double x0 = std::min({t.V[0].X, t.V[1].X, t.V[2].X}), x1 = std::max({t.V[0].X, t.V[1].X, t.V[2].X});
  const double y0 = std::min({t.V[0].Y, t.V[1].Y, t.V[2].Y}), y1 = std::max({t.V[0].Y, t.V[1].Y, t.V[2].Y});
  if (!(x1 >= grid.X0 - grid.XStep) || !(y1 >= grid.Y0 - grid.YStep)) return;
  const int32_t j0 = LowIndex(y0, grid.Y0, grid.YStep, grid.NY), j1 = HighIndex(y1, grid.Y0, grid.YStep, grid.NY);
  const int32_t i0 = LowIndex(x0, grid.X0, grid.XStep, grid.NX), i1 = HighIndex(x1, grid.X0, grid.XStep, grid.NX);
  if (j0 > j1 || i0 > i1) return;
  // The plane through the three vertices; a vertical one has no height.
  const double ux = t.V[1].X - t.V[0].X, uy = t.V[1].Y - t.V[0].Y, uz = t.V[1].Z - t.V[0].Z;
  const double vx = t.V[2].X - t.V[0].X, vy = t.V[2].Y - t.V[0].Y, vz = t.V[2].Z - t.V[0].Z;
  double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (len > 0) nx /= len, ny /= len, nz /= len;
  if (nz == 0) return;
  const double d = -(nx * t.V[0].X + ny * t.V[0].Y + nz * t.V[0].Z);
  const bool male = spec.Blank.Male != 0;
  for (int32_t j = j0; j <= j1; ++j) {
    const double y = grid.Y0 + j * grid.YStep;
    for (int32_t i = i0; i <= i1; ++i) {
      const double x = grid.X0 + i * grid.XStep;
      if (!PointInTriangleXY(x, y, t)) continue;
      const double h = -(nx * x + ny * y + d) / nz + spec.Stock;
      float& cell = grid.At(j, i);
      if (male) {
        if (h > 0) cell = 0;
        else if (h > cell) cell = static_cast<float>(h);
      } else if (h < cell) {
        cell = static_cast<float>(h);
      }
    }
  }
}

}  // namespace

bool BuildHeightGrid(const TTBTriangleArray& mesh, const GridSpec& spec, TTBZGrid& grid, const PassControl& control) {
  const TTBPrototypeParameters& b = spec.Blank;
  grid.NX = grid.NY = -1;
  grid.Heights.clear();
  if (b.BlankZ1 == b.BlankZ2 || !(spec.XStep > 0) || !(spec.YStep > 0)) return false;
  const double nx = std::trunc((b.BlankX2 - b.BlankX1) / spec.XStep) + 1;
  const double ny = std::trunc((b.BlankY2 - b.BlankY1) / spec.YStep) + 1;
  // A grid beyond a billion heights is no blank a machine cuts.
  if (!(nx >= 1 && ny >= 1) || (nx + 1) * (ny + 1) > 1e9) return false;
  grid.NX = static_cast<int32_t>(nx), grid.NY = static_cast<int32_t>(ny);
  grid.XStep = spec.XStep, grid.YStep = spec.YStep, grid.X0 = b.BlankX1, grid.Y0 = b.BlankY1;
  const float start = b.Male ? static_cast<float>(b.BlankZ1 + spec.Stock) : 0.0f;
  grid.Heights.assign(static_cast<size_t>(grid.NX + 1) * (grid.NY + 1), start);
  const size_t stride = std::max<size_t>(mesh.size() / 100, 1);
  control.Begin("Creating grid...", static_cast<int64_t>(mesh.size()));
  for (size_t k = 0; k < mesh.size(); ++k) {
    if (k % stride == 0 && k > 0) {
      control.Advance(static_cast<int64_t>(k));
      if (control.Halted()) {
        control.End();
        return false;
      }
    }
    SampleTriangle(mesh[k], spec, grid);
  }
  control.End();
  return true;
}

TTBToolMask BuildToolMask(int32_t toolType, double angle, double yStep, double xStep, double diameter) {
  const double r = diameter / 2;
  auto even = [](double v) {
    auto n = static_cast<int32_t>(std::lround(v));
    return n % 2 ? n + 1 : n;
  };
  const int32_t nX = std::max(even(diameter / xStep), 0), nY = std::max(even(diameter / yStep), 0);
  TTBToolMask mask;
  mask.Rows = nY + 1, mask.Columns = nX + 1;
  mask.Cells.resize(static_cast<size_t>(mask.Rows) * mask.Columns);
  const double slope = std::tan(std::numbers::pi / 2 - (std::numbers::pi / 180) * angle / 2);
  for (int32_t k = 0; k < mask.Rows; ++k)
    for (int32_t m = 0; m < mask.Columns; ++m) {
      const double dx = (m - nX / 2) * xStep, dy = (k - nY / 2) * yStep;
      const double d2 = dx * dx + dy * dy;
      double v = MaskOutside;
      if (d2 < r * r) {
        v = toolType == CutterBall ? r - std::sqrt(r * r - d2) : toolType == CutterV ? slope * std::sqrt(d2) : 0.0;
        if (v < 0) v = 0;
      }
      mask.Cells[static_cast<size_t>(k) * mask.Columns + m] = v;
    }
  return mask;
}

namespace {

// Range maxima of one grid row in O(1) per query (a sparse table).
class RowMax {
 public:
  void Build(const float* row, int32_t n) {
    n_ = n;
    levels_ = 1;
    while ((1 << levels_) <= n) ++levels_;
    table_.resize(static_cast<size_t>(levels_) * n);
    std::copy(row, row + n, table_.begin());
    for (int l = 1; l < levels_; ++l) {
      const float* prev = &table_[static_cast<size_t>(l - 1) * n];
      float* cur = &table_[static_cast<size_t>(l) * n];
      const int32_t half = 1 << (l - 1);
      for (int32_t i = 0; i + (1 << l) <= n; ++i) cur[i] = std::max(prev[i], prev[i + half]);
    }
  }
  float Max(int32_t a, int32_t b) const {  // inclusive, a <= b
    const int l = 31 - __builtin_clz(static_cast<unsigned>(b - a + 1));
    const float* t = &table_[static_cast<size_t>(l) * n_];
    return std::max(t[a], t[b - (1 << l) + 1]);
  }

 private:
  int32_t n_ = 0, levels_ = 0;
  std::vector<float> table_;
};

// Range minima of the mask's rows, with the same scheme in double.
class MaskMin {
 public:
  explicit MaskMin(const TTBToolMask& mask) : mask_(mask) {
    levels_ = 1;
    while ((1 << levels_) <= mask.Columns) ++levels_;
    table_.resize(static_cast<size_t>(mask.Rows) * levels_ * mask.Columns);
    for (int32_t k = 0; k < mask.Rows; ++k) {
      double* base = Level(k, 0);
      for (int32_t m = 0; m < mask.Columns; ++m) base[m] = mask.At(k, m);
      for (int l = 1; l < levels_; ++l) {
        const double* prev = Level(k, l - 1);
        double* cur = Level(k, l);
        for (int32_t m = 0; m + (1 << l) <= mask.Columns; ++m) cur[m] = std::min(prev[m], prev[m + (1 << (l - 1))]);
      }
    }
  }
  double Min(int32_t k, int32_t a, int32_t b) const {
    const int l = 31 - __builtin_clz(static_cast<unsigned>(b - a + 1));
    const double* t = Level(k, l);
    return std::min(t[a], t[b - (1 << l) + 1]);
  }

 private:
  double* Level(int32_t k, int l) {
    return &table_[(static_cast<size_t>(k) * levels_ + l) * mask_.Columns];
  }
  const double* Level(int32_t k, int l) const {
    return &table_[(static_cast<size_t>(k) * levels_ + l) * mask_.Columns];
  }
  const TTBToolMask& mask_;
  int levels_ = 0;
  std::vector<double> table_;
};

// Below this many cells a stretch of a mask row is scanned cell by cell.
constexpr int32_t PlainStretch = 6;

struct GougeRows {
  const TTBZGrid& src;  // the heights before any change
  const TTBToolMask& mask;
  const MaskMin& maskMin;
  int32_t hY, hX;

  // The plain search of one point, scanning the mask row by row and
  // stopping once the tip reaches Z 0: the rule the faster search keeps.
  float Plain(int32_t r, int32_t c) const {
    const double h = src.At(r, c);
    double lift = 0;
    for (int32_t k = 0; k <= 2 * hY; ++k) {
      if (h + lift >= 0) break;
      const int32_t gr = r - hY + k;
      if (gr < 0 || gr > src.NY) continue;
      for (int32_t m = 0; m <= 2 * hX; ++m) {
        const int32_t gc = c - hX + m;
        if (gc < 0 || gc > src.NX) continue;
        const double need = src.At(gr, gc) - h - mask.At(k, m);
        if (need > lift) {
          lift = need;
          if (h + lift >= 0) break;
        }
      }
    }
    return static_cast<float>(h + lift);
  }

  // The largest need over mask columns a..b of mask row k (grid row gr,
  // first grid column gc0 for mask column 0), raising best; stretches whose
  // bound (highest height less lowest mask value) cannot beat best are
  // skipped. Rounding is monotone, so the bound holds for the rounded needs.
  // The best need so far and the grid cell that gives it.
  struct Best {
    double need = 0;
    int32_t row = -1, column = -1;
  };

  void Stretch(const RowMax& row, const float* heights, double h, int32_t k, int32_t gr, int32_t gc0, int32_t a,
               int32_t b, Best& best) const {
    if (b - a < PlainStretch) {
      for (int32_t m = a; m <= b; ++m) {
        const double need = heights[gc0 + m] - h - mask.At(k, m);
        if (need > best.need) best = {need, gr, gc0 + m};
      }
      return;
    }
    const double bound = row.Max(gc0 + a, gc0 + b) - h - maskMin.Min(k, a, b);
    if (!(bound > best.need)) return;
    const int32_t mid = a + (b - a) / 2;
    Stretch(row, heights, h, k, gr, gc0, a, mid, best);
    Stretch(row, heights, h, k, gr, gc0, mid + 1, b, best);
  }
};

// Target rows first..last, with the sparse tables of the grid rows they
// reach kept in a ring.
bool GougeBand(const GougeRows& g, TTBZGrid& out, int32_t first, int32_t last, const PassControl* control,
               int32_t stride) {
  const TTBZGrid& src = g.src;
  const int32_t span = 2 * g.hY + 1;
  std::vector<RowMax> ring(static_cast<size_t>(span));
  std::vector<int32_t> built(static_cast<size_t>(span), -1);
  for (int32_t r = first; r <= last; ++r) {
    if (control && stride > 0 && r % stride == 0 && r > first) {
      control->Advance(r);
      if (control->Halted()) return false;
    }
    for (int32_t k = 0; k < span; ++k) {
      const int32_t gr = r - g.hY + k;
      if (gr < 0 || gr > src.NY) continue;
      const size_t slot = static_cast<size_t>(gr % span);
      if (built[slot] != gr) {
        ring[slot].Build(&src.Heights[static_cast<size_t>(gr) * (src.NX + 1)], src.NX + 1);
        built[slot] = gr;
      }
    }
    // The cell that decided the point before: usually it or its neighbour
    // decides this one too, and a need that some cell really gives lets
    // the search skip every stretch that cannot beat it.
    GougeRows::Best last;
    for (int32_t c = 0; c <= src.NX; ++c) {
      const double h = src.At(r, c);
      if (!(h < 0)) continue;
      GougeRows::Best best;
      if (last.row >= 0) {
        const int32_t k = last.row - r + g.hY, m = last.column - c + g.hX;
        if (k >= 0 && k <= 2 * g.hY && m >= 0 && m <= 2 * g.hX) {
          const double need = src.At(last.row, last.column) - h - g.mask.At(k, m);
          if (need > 0) best = {need, last.row, last.column};
        }
      }
      // The cutter's own row first: its centre cell alone is often the
      // largest need.
      for (int32_t step = 0; step < span; ++step) {
        const int32_t kk = step % 2 ? g.hY + (step + 1) / 2 : g.hY - step / 2;
        const int32_t gr = r - g.hY + kk;
        if (gr < 0 || gr > src.NY) continue;
        const int32_t gc0 = c - g.hX;
        const int32_t a = std::max(0, -gc0), b = std::min(2 * g.hX, src.NX - gc0);
        if (a > b) continue;
        const size_t slot = static_cast<size_t>(gr % span);
        g.Stretch(ring[slot], &src.Heights[static_cast<size_t>(gr) * (src.NX + 1)], h, kk, gr, gc0, a, b, best);
      }
      last = best;
      // Where the cutter reaches Z 0 the plain search's stopping point
      // decides the height; elsewhere it is the largest need.
      out.At(r, c) = h + best.need >= 0 ? g.Plain(r, c) : static_cast<float>(h + best.need);
    }
  }
  return true;
}

}  // namespace

bool ApplyToolMask(TTBZGrid& grid, const TTBToolMask& mask, const PassControl& control) {
  if (grid.Empty() || mask.Rows < 1 || mask.Columns < 1) return true;
  const TTBZGrid src = grid;
  const MaskMin maskMin(mask);
  const GougeRows g{src, mask, maskMin, (mask.Rows - 1) / 2, (mask.Columns - 1) / 2};
  const int32_t rows = grid.NY + 1;
  const int32_t stride = std::max(grid.NY / 100, 1);
  control.Begin("Applying gouge control..", rows);
  // Two bands of rows on two threads: each point's height depends only on
  // the untouched copy, so the result is the same as on one thread. The
  // second band polls nothing; the first stops both through the flag.
  const unsigned hw = std::max(1u, std::min(2u, std::thread::hardware_concurrency()));
  bool ok = true;
  if (hw > 1 && rows >= 64) {
    const int32_t split = rows / 2;
    std::atomic<bool> stop{false};
    std::thread second([&] {
      for (int32_t r = split; r < rows && !stop.load(); r += 16)
        GougeBand(g, grid, r, std::min(rows - 1, r + 15), nullptr, 0);
    });
    ok = GougeBand(g, grid, 0, split - 1, &control, stride);
    if (!ok) stop = true;
    second.join();
  } else {
    ok = GougeBand(g, grid, 0, rows - 1, &control, stride);
  }
  control.End();
  return ok;
}

bool ApplyGougeControl(TTBZGrid& grid, int32_t toolType, double angle, double diameter, const PassControl& control) {
  if (grid.Empty()) return true;
  return ApplyToolMask(grid, BuildToolMask(toolType, angle, grid.YStep, grid.XStep, diameter), control);
}

}  // namespace tibrel
