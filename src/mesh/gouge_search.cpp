// Gouge control. A point's height h rises by the largest need
// G(neighbour) - h - M(cell) over the mask's cells (0 when none is larger),
// the search stopping once the tip reaches Z 0. The plain search costs one
// evaluation per mask cell; this one proves the largest need with bounds
// over square blocks of mask cells and evaluates only the cells of blocks
// that might beat the best need found so far.
//
// The bounds are tight because the grid's local slope is taken out first:
// with a slope g chosen per tile of target points,
//   need = F(neighbour) + Phi(cell) + base,
//   F = G - g.x (grid side), Phi = g.d - M (mask side), base = g.p - h,
// and the maxima of F and of Phi over every block are tabled per tile. On
// smooth ground F barely varies and Phi peaks where the cutter touches, so
// almost every block falls below the best need at once.
//
// Heights stay bit for bit those of the plain search: the best need is a
// need that some cell really gives, computed as the plain search computes
// it. Block bounds carry rounding error (at most margin); a block whose
// bound lies within the margin of the best need is not searched, and the
// point's height is then accepted only when every need up to twice the
// margin above the best gives the same f32 height, else the point is
// searched plainly. Where the tip reaches Z 0 the plain search's stopping
// point decides: the first cell in its order that reaches, found among the
// blocks that may reach. A flat cutter (every mask row one value) takes
// each row's largest need from the range maximum of the grid row instead.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "mesh/height_grid.h"

namespace tibrel {
namespace {

constexpr double NegInf = -std::numeric_limits<double>::infinity();

// Target points that share one slope and one set of tabled maxima. Taller
// tiles table fewer halo rows per point; the slope fits a smaller tile better.
constexpr int32_t TileRows = 16, TileColumns = 64;

// Rows of a band under a flat cutter: each band tables the grid rows it and
// the cutter's reach cover.
constexpr int32_t FlatBandRows = 64;

// Block levels kept at most: masks beyond 2^25 cells a side get the plain search.
constexpr int32_t MaxLevels = 24;

// The rounding error of a bound or a need, relative to the largest
// magnitude that enters it: about 20 roundings of 2^-53 each, with room.
constexpr double BoundRounding = 1e-13;

// The plain rule for one point: every mask row in order, every cell in the
// row, stopping once the tip would reach Z 0.
float PlainPoint(const TTBZGrid& src, const TTBToolMask& mask, int32_t r, int32_t c) {
  const int32_t hY = (mask.Rows - 1) / 2, hX = (mask.Columns - 1) / 2;
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

bool AllFinite(const std::vector<float>& v) {
  return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// What all tiles share.
struct Search {
  const TTBZGrid& src;  // the heights before any change
  const TTBToolMask& mask;
  int32_t hY = 0, hX = 0;
  int32_t top = 0;                      // top blocks are 2^top cells a side
  int32_t padRows = 0, padColumns = 0;  // the mask's rows and columns rounded up to whole top blocks
  std::vector<uint8_t> alive;           // cells whose need can exceed 0 anywhere on this grid
  double maxAbsHeight = 0, maxAliveMask = 0;

  Search(const TTBZGrid& g, const TTBToolMask& m) : src(g), mask(m), hY((m.Rows - 1) / 2), hX((m.Columns - 1) / 2) {
    const int32_t rows = 2 * hY + 1, columns = 2 * hX + 1;
    while ((4 << top) < std::max(rows, columns)) ++top;
    const int32_t block = 1 << top;
    padRows = (rows + block - 1) / block * block;
    padColumns = (columns + block - 1) / block * block;
    const auto [lo, hi] = std::minmax_element(g.Heights.begin(), g.Heights.end());
    maxAbsHeight = std::max(std::fabs(double(*lo)), std::fabs(double(*hi)));
    // A cell is dead when even the highest height less the lowest cannot
    // overcome its value: its need is never above 0, the least lift.
    const double span = double(*hi) - double(*lo);
    alive.assign(static_cast<size_t>(rows) * columns, 0);
    for (int32_t k = 0; k < rows; ++k)
      for (int32_t c = 0; c < columns; ++c)
        if (span - m.At(k, c) > 0) {
          alive[static_cast<size_t>(k) * columns + c] = 1;
          maxAliveMask = std::max(maxAliveMask, std::fabs(m.At(k, c)));
        }
  }
  bool Alive(int32_t k, int32_t m) const { return alive[static_cast<size_t>(k) * (2 * hX + 1) + m] != 0; }
};

struct Best {
  double need = 0;
  int32_t row = -1, column = -1;
};

// One thread's tables for a tile of target points.
class Tile {
 public:
  explicit Tile(const Search& s)
      : s_(s), rh_(TileRows + s.padRows), rw_(TileColumns + s.padColumns) {
    heights_.resize(static_cast<size_t>(rh_) * rw_);
    w_.resize(static_cast<size_t>(s.top + 1) * rh_ * rw_);
    cells_.assign(static_cast<size_t>(s.padRows) * s.padColumns, std::numeric_limits<double>::infinity());
    for (int32_t k = 0; k <= 2 * s.hY; ++k)
      for (int32_t m = 0; m <= 2 * s.hX; ++m)
        if (s.Alive(k, m)) cells_[static_cast<size_t>(k) * s.padColumns + m] = s.mask.At(k, m);
    size_t at = 0;
    for (int32_t l = 0; l <= s.top; ++l) at += static_cast<size_t>(s.padRows >> l) * (s.padColumns >> l);
    phi_.resize(at);
    at = 0;
    for (int32_t l = 0; l <= s.top; ++l) {
      wLevel_[l] = &w_[static_cast<size_t>(l) * rh_ * rw_];
      phiLevel_[l] = &phi_[at];
      at += static_cast<size_t>(s.padRows >> l) * (s.padColumns >> l);
    }
    above_.resize(static_cast<size_t>(s.src.NX) + 1);
  }

  // Gouge-controls target rows r0..r1 (columns 0..NX) into out, telling
  // poll the points of each tile done; false when poll says stop.
  template <class Poll>
  bool Band(int32_t r0, int32_t r1, TTBZGrid& out, Poll&& poll) {
    for (int32_t c0 = 0; c0 <= s_.src.NX; c0 += TileColumns) {
      const int32_t c1 = std::min(s_.src.NX, c0 + TileColumns - 1);
      Build(r0, r1, c0, c1);
      for (int32_t r = r0; r <= r1; ++r)
        for (int32_t c = c0; c <= c1; ++c) Point(r, c, out);
      if (!poll(int64_t{r1 - r0 + 1} * (c1 - c0 + 1))) return false;
    }
    return true;
  }

 private:
  void Build(int32_t r0, int32_t r1, int32_t c0, int32_t c1) {
    const TTBZGrid& g = s_.src;
    r0_ = r0, c0_ = c0;
    // Any slope keeps the bounds valid; the one across the tile keeps them tight.
    const int32_t rm = (r0 + r1) / 2, cm = (c0 + c1) / 2;
    gx_ = c1 > c0 ? (double(g.At(rm, c1)) - double(g.At(rm, c0))) / (c1 - c0) : 0.0;
    gy_ = r1 > r0 ? (double(g.At(r1, cm)) - double(g.At(r0, cm))) / (r1 - r0) : 0.0;
    const int32_t rows = (r1 - r0 + 1) + s_.padRows, columns = (c1 - c0 + 1) + s_.padColumns;
    for (int32_t lr = 0; lr < rows; ++lr) {
      const int32_t gr = r0 - s_.hY + lr;
      double* height = &heights_[static_cast<size_t>(lr) * rw_];
      double* f = wLevel_[0] + static_cast<size_t>(lr) * rw_;
      for (int32_t lc = 0; lc < columns; ++lc) {
        const int32_t gc = c0 - s_.hX + lc;
        const bool in = gr >= 0 && gr <= g.NY && gc >= 0 && gc <= g.NX;
        height[lc] = in ? double(g.At(gr, gc)) : NegInf;
        f[lc] = in ? height[lc] - gx_ * lc - gy_ * lr : NegInf;
      }
    }
    for (int32_t l = 1; l <= s_.top; ++l) {
      const int32_t half = 1 << (l - 1), size = 1 << l;
      for (int32_t lr = 0; lr + size <= rows; ++lr) {
        const double* a = wLevel_[l - 1] + static_cast<size_t>(lr) * rw_;
        const double* b = a + static_cast<size_t>(half) * rw_;
        double* to = wLevel_[l] + static_cast<size_t>(lr) * rw_;
        for (int32_t lc = 0; lc + size <= columns; ++lc)
          to[lc] = std::max(std::max(a[lc], a[lc + half]), std::max(b[lc], b[lc + half]));
      }
    }
    for (int32_t k = 0; k < s_.padRows; ++k)
      for (int32_t m = 0; m < s_.padColumns; ++m) {
        const double cell = cells_[static_cast<size_t>(k) * s_.padColumns + m];
        phiLevel_[0][static_cast<size_t>(k) * s_.padColumns + m] =
            cell == std::numeric_limits<double>::infinity() ? NegInf : gx_ * (m - s_.hX) + gy_ * (k - s_.hY) - cell;
      }
    for (int32_t l = 1; l <= s_.top; ++l) {
      const int32_t from = s_.padColumns >> (l - 1), to = s_.padColumns >> l;
      for (int32_t bk = 0; bk < (s_.padRows >> l); ++bk)
        for (int32_t bm = 0; bm < to; ++bm) {
          const double* a = phiLevel_[l - 1] + static_cast<size_t>(2 * bk) * from + 2 * bm;
          phiLevel_[l][static_cast<size_t>(bk) * to + bm] =
              std::max(std::max(a[0], a[1]), std::max(a[from], a[from + 1]));
        }
    }
    const int32_t mrows = 2 * s_.hY + 1, mcolumns = 2 * s_.hX + 1;
    const double reach = std::fabs(gx_) * (columns + mcolumns) + std::fabs(gy_) * (rows + mrows);
    margin_ = BoundRounding * (2 * s_.maxAbsHeight + reach + s_.maxAliveMask + 1);
  }

  // The need of mask cell (k, m), as the plain search computes it; minus
  // infinity off the grid and for dead cells.
  void Cell(int32_t k, int32_t m) {
    const double need =
        (point_[static_cast<size_t>(k) * rw_ + m] - h_) - cells_[static_cast<size_t>(k) * s_.padColumns + m];
    if (need > best_.need) best_ = {need, k, m};
  }

  // Whether a block of level l may hold a need above the best; notes a
  // block left out within the margin.
  bool Open(int32_t l, int32_t bk, int32_t bm) {
    const double bound = wPoint_[l][static_cast<size_t>(bk << l) * rw_ + (bm << l)] +
                         phiLevel_[l][static_cast<size_t>(bk) * (s_.padColumns >> l) + bm] + base_;
    if (bound > best_.need + margin_) return true;
    if (bound + margin_ > best_.need) slack_ = true;
    return false;
  }

  // The levels a mask of the usual sizes needs are unrolled; deeper ones recurse.
  template <int L>
  void VisitAt(int32_t bk, int32_t bm) {
    if constexpr (L == 0) {
      Cell(bk, bm);
    } else if constexpr (L == 1) {
      if (!Open(1, bk, bm)) return;
      const int32_t k = 2 * bk, m = 2 * bm;
      Cell(k, m), Cell(k, m + 1), Cell(k + 1, m), Cell(k + 1, m + 1);
    } else {
      if (!Open(L, bk, bm)) return;
      VisitAt<L - 1>(2 * bk, 2 * bm), VisitAt<L - 1>(2 * bk, 2 * bm + 1);
      VisitAt<L - 1>(2 * bk + 1, 2 * bm), VisitAt<L - 1>(2 * bk + 1, 2 * bm + 1);
    }
  }
  void Visit(int32_t l, int32_t bk, int32_t bm) {
    switch (l) {
      case 0: return VisitAt<0>(bk, bm);
      case 1: return VisitAt<1>(bk, bm);
      case 2: return VisitAt<2>(bk, bm);
      case 3: return VisitAt<3>(bk, bm);
      case 4: return VisitAt<4>(bk, bm);
      case 5: return VisitAt<5>(bk, bm);
      case 6: return VisitAt<6>(bk, bm);
      default:
        if (!Open(l, bk, bm)) return;
        for (int32_t a = 0; a < 2; ++a)
          for (int32_t b = 0; b < 2; ++b) Visit(l - 1, 2 * bk + a, 2 * bm + b);
    }
  }

  // Whether a block of level l may hold a cell whose need brings the tip
  // to Z 0 or above.
  bool Reaches(int32_t l, int32_t bk, int32_t bm) const {
    const double bound = wPoint_[l][static_cast<size_t>(bk << l) * rw_ + (bm << l)] +
                         phiLevel_[l][static_cast<size_t>(bk) * (s_.padColumns >> l) + bm] + base_;
    return bound + margin_ >= -h_;
  }

  // Where the tip reaches Z 0 the plain search stops at the first such cell
  // in its order (mask rows in turn, each from its first column), and the
  // height is the one that cell gives: the cells of blocks that may reach
  // are tried in that order.
  float FirstReach() {
    const int32_t top = s_.top, level = std::min(top, 2), size = 1 << level;
    const int32_t topColumns = s_.padColumns >> top, columns = s_.padColumns >> level;
    reaching_.assign(static_cast<size_t>(s_.padRows >> top) * topColumns, 0);
    for (int32_t bk = 0; bk < (s_.padRows >> top); ++bk)
      for (int32_t bm = 0; bm < topColumns; ++bm)
        reaching_[static_cast<size_t>(bk) * topColumns + bm] = top == 0 || Reaches(top, bk, bm);
    const int32_t lastRow = 2 * s_.hY, lastColumn = 2 * s_.hX;
    for (int32_t bk = 0; bk < (s_.padRows >> level); ++bk) {
      open_.clear();
      for (int32_t bm = 0; bm < columns; ++bm) {
        const int32_t shift = top - level;  // to the top block that holds this one
        const size_t parent = static_cast<size_t>(bk >> shift) * topColumns + (bm >> shift);
        if (reaching_[parent] && (level == 0 || Reaches(level, bk, bm))) open_.push_back(bm);
      }
      for (int32_t k = bk * size; k < (bk + 1) * size && k <= lastRow; ++k)
        for (const int32_t bm : open_)
          for (int32_t m = bm * size; m < (bm + 1) * size && m <= lastColumn; ++m) {
            const double need = (point_[static_cast<size_t>(k) * rw_ + m] - h_) -
                                cells_[static_cast<size_t>(k) * s_.padColumns + m];
            if (h_ + need >= 0) return static_cast<float>(h_ + need);
          }
    }
    return PlainPoint(s_.src, s_.mask, r_, c_);  // not reached: the best need reaches
  }

  // A cell given by its grid position, when the mask over the point reaches it.
  void Seed(const Best& seed) {
    const int32_t k = seed.row - r_ + s_.hY, m = seed.column - c_ + s_.hX;
    if (seed.row >= 0 && k >= 0 && k <= 2 * s_.hY && m >= 0 && m <= 2 * s_.hX) Cell(k, m);
  }

  void Point(int32_t r, int32_t c, TTBZGrid& out) {
    const double h = s_.src.At(r, c);
    if (!(h < 0)) return;
    r_ = r, c_ = c, h_ = h;
    const int32_t lr = r - r0_, lc = c - c0_;
    base_ = gx_ * (lc + s_.hX) + gy_ * (lr + s_.hY) - h;
    point_ = &heights_[static_cast<size_t>(lr) * rw_ + lc];
    for (int32_t l = 1; l <= s_.top; ++l) wPoint_[l] = wLevel_[l] + static_cast<size_t>(lr) * rw_ + lc;
    slack_ = false;
    // The cells that decided the neighbours usually decide this point: a
    // need that some cell really gives prunes most blocks at the top.
    const Best before = best_;
    best_ = {};
    Seed(before);
    Best& above = above_[static_cast<size_t>(c)];
    Seed(above);
    for (int32_t bk = 0; bk < (s_.padRows >> s_.top); ++bk)
      for (int32_t bm = 0; bm < (s_.padColumns >> s_.top); ++bm) Visit(s_.top, bk, bm);
    // Kept as grid positions for the next points.
    if (best_.row >= 0) best_.row += r - s_.hY, best_.column += c - s_.hX;
    above = best_;
    float height = static_cast<float>(h + best_.need);
    if (h + best_.need >= 0) {
      height = FirstReach();
    } else if (slack_) {
      const double highest = h + (best_.need + 3 * margin_);
      if (!(highest < 0) || static_cast<float>(highest) != height) height = PlainPoint(s_.src, s_.mask, r, c);
    }
    out.At(r, c) = height;
  }

  const Search& s_;
  int32_t rh_, rw_;
  std::vector<double> heights_;  // the grid over the tile and its halo; minus infinity off the grid
  std::vector<double> w_;        // per level, the maxima of F over blocks at every offset
  std::vector<double> cells_;    // the mask, padded; infinity for dead cells and the padding
  std::vector<double> phi_;      // per level, the maxima of Phi over the mask's aligned blocks
  double* wLevel_[MaxLevels] = {};
  double* phiLevel_[MaxLevels] = {};
  const double* wPoint_[MaxLevels] = {};
  const double* point_ = nullptr;
  std::vector<uint8_t> reaching_;  // top blocks that may bring the tip to Z 0
  std::vector<int32_t> open_;      // blocks of one block row that may too
  std::vector<Best> above_;  // per column, the cell that decided the point in the row before
  int32_t r0_ = 0, c0_ = 0;
  double gx_ = 0, gy_ = 0, margin_ = 0;
  int32_t r_ = 0, c_ = 0;
  double h_ = 0, base_ = 0;
  Best best_;
  bool slack_ = false;
};

// Range maxima of one grid row, each query two lookups (a sparse table).
class RowMax {
 public:
  void Build(const float* row, int32_t n) {
    n_ = n;
    int32_t levels = 1;
    while ((1 << levels) <= n) ++levels;
    table_.resize(static_cast<size_t>(levels) * n);
    std::copy(row, row + n, table_.begin());
    for (int32_t l = 1; l < levels; ++l) {
      const float* prev = &table_[static_cast<size_t>(l - 1) * n];
      float* cur = &table_[static_cast<size_t>(l) * n];
      const int32_t half = 1 << (l - 1);
      for (int32_t i = 0; i + (1 << l) <= n; ++i) cur[i] = std::max(prev[i], prev[i + half]);
    }
  }
  float Max(int32_t a, int32_t b) const {  // inclusive, a <= b
    const int32_t l = std::bit_width(static_cast<uint32_t>(b - a + 1)) - 1;
    const float* t = &table_[static_cast<size_t>(l) * n_];
    return std::max(t[a], t[b - (1 << l) + 1]);
  }

 private:
  int32_t n_ = 0;
  std::vector<float> table_;
};

// A flat cutter's mask row: its live cells one run of one value (a run with
// first > last holds none).
struct FlatRow {
  int32_t first = 1, last = 0;
  double value = 0;
};

// The rows of a mask whose every row is flat; none when one is not.
std::vector<FlatRow> FlatRows(const Search& s) {
  std::vector<FlatRow> rows(static_cast<size_t>(2 * s.hY + 1));
  for (int32_t k = 0; k <= 2 * s.hY; ++k) {
    FlatRow& f = rows[static_cast<size_t>(k)];
    for (int32_t m = 0; m <= 2 * s.hX; ++m) {
      if (!s.Alive(k, m)) continue;
      if (f.first > f.last) f = {m, m, s.mask.At(k, m)};
      else if (f.last == m - 1 && s.mask.At(k, m) == f.value) f.last = m;
      else return {};
    }
  }
  return rows;
}

// Gouge control under a flat cutter. Rounding is monotone, so a flat row's
// largest need is that of its highest height: one range maximum per mask
// row instead of a search of blocks, whose bounds a flat cutter's rim
// (equal values up to the edge of the cutter) keeps loose.
class FlatBand {
 public:
  FlatBand(const Search& s, const std::vector<FlatRow>& rows)
      : s_(s), rows_(rows), ring_(rows.size()), built_(rows.size(), -1) {}

  // As Tile::Band, telling poll each row done.
  template <class Poll>
  bool Band(int32_t r0, int32_t r1, TTBZGrid& out, Poll&& poll) {
    const TTBZGrid& g = s_.src;
    const auto span = static_cast<int32_t>(rows_.size());
    for (int32_t r = r0; r <= r1; ++r) {
      if (r > r0 && !poll(int64_t{g.NX} + 1)) return false;
      for (int32_t k = 0; k < span; ++k) {
        const int32_t gr = r - s_.hY + k;
        if (gr < 0 || gr > g.NY || built_[static_cast<size_t>(gr % span)] == gr) continue;
        ring_[static_cast<size_t>(gr % span)].Build(&g.Heights[static_cast<size_t>(gr) * (g.NX + 1)], g.NX + 1);
        built_[static_cast<size_t>(gr % span)] = gr;
      }
      for (int32_t c = 0; c <= g.NX; ++c) {
        const double h = g.At(r, c);
        if (!(h < 0)) continue;
        double best = 0;
        for (int32_t k = 0; k < span; ++k) best = std::max(best, RowNeed(r, c, k, h));
        out.At(r, c) = h + best >= 0 ? FirstReach(r, c, h) : static_cast<float>(h + best);
      }
    }
    return poll(int64_t{g.NX} + 1);
  }

 private:
  // The largest need of mask row k over the point (r, c) of height h; minus
  // infinity when the row misses the grid.
  double RowNeed(int32_t r, int32_t c, int32_t k, double h) const {
    const int32_t gr = r - s_.hY + k;
    const FlatRow& f = rows_[static_cast<size_t>(k)];
    const int32_t a = std::max(0, c - s_.hX + f.first), b = std::min(s_.src.NX, c - s_.hX + f.last);
    if (gr < 0 || gr > s_.src.NY || a > b) return NegInf;
    return (double(ring_[static_cast<size_t>(gr) % ring_.size()].Max(a, b)) - h) - f.value;
  }

  // The first cell in the plain search's order that brings the tip to Z 0.
  float FirstReach(int32_t r, int32_t c, double h) const {
    for (int32_t k = 0; k < static_cast<int32_t>(rows_.size()); ++k) {
      if (!(h + RowNeed(r, c, k, h) >= 0)) continue;
      const FlatRow& f = rows_[static_cast<size_t>(k)];
      for (int32_t gc = std::max(0, c - s_.hX + f.first); gc <= std::min(s_.src.NX, c - s_.hX + f.last); ++gc) {
        const double need = (double(s_.src.At(r - s_.hY + k, gc)) - h) - f.value;
        if (h + need >= 0) return static_cast<float>(h + need);
      }
    }
    return PlainPoint(s_.src, s_.mask, r, c);  // not reached: some row reaches
  }

  const Search& s_;
  const std::vector<FlatRow>& rows_;
  std::vector<RowMax> ring_;    // the grid rows that the mask over the current row covers
  std::vector<int32_t> built_;  // the grid row each ring slot holds
};

bool PlainRows(TTBZGrid& grid, const TTBZGrid& src, const TTBToolMask& mask, const PassControl& control) {
  const int32_t stride = std::max(grid.NY / 100, 1);
  for (int32_t r = 0; r <= grid.NY; ++r) {
    if (r % stride == 0 && r > 0) {
      control.Advance(r);
      if (control.Halted()) return false;
    }
    for (int32_t c = 0; c <= grid.NX; ++c)
      if (src.At(r, c) < 0) grid.At(r, c) = PlainPoint(src, mask, r, c);
  }
  return true;
}

}  // namespace

bool ApplyToolMask(TTBZGrid& grid, const TTBToolMask& mask, const PassControl& control) {
  if (grid.Empty() || mask.Rows < 1 || mask.Columns < 1) return true;
  const TTBZGrid src = grid;
  const int32_t rows = grid.NY + 1;
  control.Begin("Applying gouge control..", rows);
  // Infinite or undefined heights or mask values defeat the bounds' error
  // estimate; the grid builder makes none, and they get the plain search.
  const bool finiteMask =
      std::all_of(mask.Cells.begin(), mask.Cells.end(), [](double v) { return std::isfinite(v); });
  std::optional<Search> fast;
  if (finiteMask && AllFinite(src.Heights)) fast.emplace(src, mask);
  if (!fast || fast->top >= MaxLevels) {
    const bool ok = PlainRows(grid, src, mask, control);
    control.End();
    return ok;
  }
  const Search& search = *fast;
  // Bands of rows are handed out in turn; each height depends only on the
  // untouched copy, so any number of threads gives the same grid. The
  // calling thread alone polls the front end and stops the others.
  // A flat cutter's rows go in taller bands: each band builds the range
  // maxima of the grid rows it covers.
  const std::vector<FlatRow> flat = FlatRows(search);
  const int32_t bandRows = flat.empty() ? TileRows : FlatBandRows;
  const int32_t bands = (rows + bandRows - 1) / bandRows;
  std::atomic<int32_t> next{0};
  std::atomic<bool> stop{false};
  // The calling thread polls after each 1 % of the grid's rows' worth of
  // points that it has done itself.
  const int64_t perPoll = int64_t{grid.NX + 1} * std::max(grid.NY / 100, 1);
  auto work = [&](bool polls) {
    std::optional<Tile> tile;
    std::optional<FlatBand> flatBand;
    if (flat.empty()) tile.emplace(search);
    else flatBand.emplace(search, flat);
    int64_t done = 0;
    auto poll = [&](int64_t points) {
      if (stop.load(std::memory_order_relaxed)) return false;
      if (!polls || (done += points) < perPoll) return true;
      done = 0;
      control.Advance(std::min(rows, next.load() * bandRows));
      if (!control.Halted()) return true;
      stop = true;
      return false;
    };
    for (;;) {
      if (stop.load(std::memory_order_relaxed)) return false;
      const int32_t band = next.fetch_add(1);
      if (band >= bands) return true;
      const int32_t r0 = band * bandRows, r1 = std::min(rows - 1, r0 + bandRows - 1);
      if (!(tile ? tile->Band(r0, r1, grid, poll) : flatBand->Band(r0, r1, grid, poll))) return false;
    }
  };
  const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads && static_cast<int32_t>(t) < bands; ++t) {
    try {
      helpers.emplace_back(work, false);
    } catch (const std::system_error&) {
      break;  // fewer threads share the bands
    }
  }
  const bool ok = work(true);
  for (auto& t : helpers) t.join();
  control.End();
  return ok;
}

}  // namespace tibrel
