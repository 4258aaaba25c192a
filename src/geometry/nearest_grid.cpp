#include "geometry/nearest_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tibrel {

namespace {

// Coordinates up to this keep the grid's rounding far below its safety
// margin; beyond it (far past MaxCoordinate) the tree answers.
constexpr double GridCoordinateLimit = 1e13;
// A search stops when every unvisited cell lies farther than the best point
// found. Cell positions and distances are rounded; the bound is lowered by
// this share of the coordinates' size and of the squared distance, many
// times the rounding, so that a point rounding to an equal distance (which
// may win by its lower index) is never passed over.
constexpr double RoundingMargin = 1e-9;
// Cells a block has across and up.
constexpr int64_t BlockCells = 8;
// Rings of cells searched before rings of blocks.
constexpr int64_t CellRings = 2;
// When the grid's searches have looked at more than this many cells, blocks
// and points a query on average (the points crowd a few cells), the tree
// answers from then on: a walk's near neighbour takes a few dozen, a tree
// query costs about as much as a few hundred.
constexpr size_t WorkPerQuery = 256;
// Queries before that average counts.
constexpr size_t QueriesBeforeJudging = 64;

bool Finite(TTBPoint p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// Clamped before the conversion: a query point far outside a small field
// gives a quotient beyond any integer.
int64_t CellOf(double v, double origin, double cell, int64_t count) {
  const double c = std::floor((v - origin) / cell);
  return c > 0 ? (c < static_cast<double>(count - 1) ? static_cast<int64_t>(c) : count - 1) : 0;
}

// Calls f(x, y) for the cells of the square ring at Chebyshev distance r
// around (cx, cy) that lie in the nx by ny grid, row by row.
template <class F>
void ForRing(int64_t cx, int64_t cy, int64_t r, int64_t nx, int64_t ny, F f) {
  const int64_t x0 = std::max<int64_t>(cx - r, 0), x1 = std::min(cx + r, nx - 1);
  const int64_t y0 = std::max<int64_t>(cy - r, 0), y1 = std::min(cy + r, ny - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    if (y == cy - r || y == cy + r) {
      for (int64_t x = x0; x <= x1; ++x) f(x, y);
      continue;
    }
    if (cx - r >= 0) f(cx - r, y);
    if (cx + r < nx) f(cx + r, y);
  }
}

}  // namespace

struct NearestGrid::Best {
  double d = std::numeric_limits<double>::infinity();
  size_t index = SIZE_MAX;
  size_t work = 0;  // cells, blocks and points looked at
};

NearestGrid::NearestGrid(const std::vector<TTBPoint>& points)
    : alive_(points.size()), points_(points), present_(points.size(), 1) {
  const size_t n = points_.size();
  if (n == 0 || n >= UINT32_MAX) return;
  double xmin = std::numeric_limits<double>::infinity(), ymin = xmin, xmax = -xmin, ymax = -xmin;
  for (const TTBPoint& q : points_) {
    if (!Finite(q) || std::fabs(q.X) > GridCoordinateLimit || std::fabs(q.Y) > GridCoordinateLimit) return;
    xmin = std::min(xmin, q.X), xmax = std::max(xmax, q.X);
    ymin = std::min(ymin, q.Y), ymax = std::max(ymax, q.Y);
  }
  // About two points a cell; a flat spread gets a row of cells.
  const double w = xmax - xmin, h = ymax - ymin;
  const double cells = std::max(1.0, static_cast<double>(n) / 2);
  double c = std::max(std::sqrt(w * h / cells), std::max(w, h) / cells);
  if (!(c > 0) || !std::isfinite(c)) c = 1;
  x0_ = xmin, y0_ = ymin, cell_ = c;
  nx_ = static_cast<int64_t>(w / c) + 1;
  ny_ = static_cast<int64_t>(h / c) + 1;
  bx_ = (nx_ + BlockCells - 1) / BlockCells;
  by_ = (ny_ + BlockCells - 1) / BlockCells;
  const double size = std::max({std::fabs(xmin), std::fabs(xmax), std::fabs(ymin), std::fabs(ymax)});
  slack_ = RoundingMargin * (size + w + h + 4 * c);

  const size_t ncells = static_cast<size_t>(nx_ * ny_);
  cellOf_.resize(n);
  first_.assign(ncells + 1, 0);
  blockAlive_.assign(static_cast<size_t>(bx_ * by_), 0);
  for (size_t i = 0; i < n; ++i) {
    const int64_t ix = CellOf(points_[i].X, x0_, c, nx_), iy = CellOf(points_[i].Y, y0_, c, ny_);
    cellOf_[i] = static_cast<uint32_t>(iy * nx_ + ix);
    ++first_[cellOf_[i] + 1];
    ++blockAlive_[static_cast<size_t>((iy / BlockCells) * bx_ + ix / BlockCells)];
  }
  for (size_t k = 0; k < ncells; ++k) first_[k + 1] += first_[k];
  live_.resize(ncells);
  for (size_t k = 0; k < ncells; ++k) live_[k] = first_[k + 1] - first_[k];
  slots_.resize(n);
  slotOf_.resize(n);
  std::vector<uint32_t> fill(first_.begin(), first_.end() - 1);
  for (size_t i = 0; i < n; ++i) {
    slotOf_[i] = fill[cellOf_[i]]++;
    slots_[slotOf_[i]] = {points_[i], static_cast<uint32_t>(i)};
  }
  gridUsable_ = true;
}

NearestGrid::~NearestGrid() = default;

bool NearestGrid::Usable(TTBPoint p) const {
  return gridUsable_ && Finite(p) && std::fabs(p.X) <= GridCoordinateLimit && std::fabs(p.Y) <= GridCoordinateLimit;
}

void NearestGrid::ScanCell(size_t c, TTBPoint p, Best& b) const {
  const uint32_t begin = first_[c], end = begin + live_[c];
  for (uint32_t k = begin; k < end; ++k) {
    const Slot& s = slots_[k];
    const double ex = s.p.X - p.X, ey = s.p.Y - p.Y;
    const double d = ex * ex + ey * ey;
    if (d < b.d || (d == b.d && s.index < b.index)) {
      b.d = d;
      b.index = s.index;
    }
  }
  b.work += 1 + (end - begin);
}

bool NearestGrid::Beyond(TTBPoint p, double slack, int64_t x0, int64_t x1, int64_t y0, int64_t y1, const Best& b) const {
  const double xlo = x0_ + static_cast<double>(x0) * cell_, xhi = x0_ + static_cast<double>(x1 + 1) * cell_;
  const double ylo = y0_ + static_cast<double>(y0) * cell_, yhi = y0_ + static_cast<double>(y1 + 1) * cell_;
  const double dx = std::max(0.0, std::max(xlo - p.X, p.X - xhi) - slack);
  const double dy = std::max(0.0, std::max(ylo - p.Y, p.Y - yhi) - slack);
  return (dx * dx + dy * dy) * (1 - RoundingMargin) > b.d;
}

size_t NearestGrid::SearchGrid(TTBPoint p) {
  const int64_t cx = CellOf(p.X, x0_, cell_, nx_), cy = CellOf(p.Y, y0_, cell_, ny_);
  const double slack = slack_ + RoundingMargin * (std::fabs(p.X) + std::fabs(p.Y));
  Best b;
  // Whether no point in a cell outside columns xlo..xhi and rows ylo..yhi
  // can be as near as the best.
  auto settled = [&](int64_t xlo, int64_t xhi, int64_t ylo, int64_t yhi) {
    double reach = std::numeric_limits<double>::infinity();
    if (xlo > 0) reach = std::min(reach, p.X - (x0_ + static_cast<double>(xlo) * cell_));
    if (xhi < nx_ - 1) reach = std::min(reach, (x0_ + static_cast<double>(xhi + 1) * cell_) - p.X);
    if (ylo > 0) reach = std::min(reach, p.Y - (y0_ + static_cast<double>(ylo) * cell_));
    if (yhi < ny_ - 1) reach = std::min(reach, (y0_ + static_cast<double>(yhi + 1) * cell_) - p.Y);
    if (reach == std::numeric_limits<double>::infinity()) return true;
    reach -= slack;
    return b.index != SIZE_MAX && reach > 0 && reach * reach * (1 - RoundingMargin) > b.d;
  };
  size_t found = SIZE_MAX;
  // Rings of cells first: the next point of a walk is mostly in the first two.
  for (int64_t r = 0; r <= CellRings && found == SIZE_MAX; ++r) {
    ForRing(cx, cy, r, nx_, ny_, [&](int64_t x, int64_t y) { ScanCell(static_cast<size_t>(y * nx_ + x), p, b); });
    if (settled(cx - r, cx + r, cy - r, cy + r)) found = b.index;
  }
  // Then rings of blocks, passing over emptied blocks and cells and those
  // farther than the best; their first rings hold cells already seen, which
  // are looked at again.
  const int64_t qx = cx / BlockCells, qy = cy / BlockCells;
  for (int64_t r = 0; found == SIZE_MAX; ++r) {
    ForRing(qx, qy, r, bx_, by_, [&](int64_t bx, int64_t by) {
      ++b.work;
      const int64_t x0 = bx * BlockCells, x1 = std::min(x0 + BlockCells, nx_) - 1;
      const int64_t y0 = by * BlockCells, y1 = std::min(y0 + BlockCells, ny_) - 1;
      if (blockAlive_[static_cast<size_t>(by * bx_ + bx)] == 0 || Beyond(p, slack, x0, x1, y0, y1, b)) return;
      for (int64_t y = y0; y <= y1; ++y)
        for (int64_t x = x0; x <= x1; ++x) {
          const size_t c = static_cast<size_t>(y * nx_ + x);
          ++b.work;
          if (live_[c] != 0 && !Beyond(p, slack, x, x, y, y, b)) ScanCell(c, p, b);
        }
    });
    const int64_t xhi = std::min((qx + r + 1) * BlockCells, nx_) - 1, yhi = std::min((qy + r + 1) * BlockCells, ny_) - 1;
    if (settled((qx - r) * BlockCells, xhi, (qy - r) * BlockCells, yhi)) found = b.index;
  }
  work_ += b.work;
  return found;
}

size_t NearestGrid::SearchTree(TTBPoint p) {
  ++treeQueries_;
  if (!tree_) {
    std::vector<TTBPoint> live;
    live.reserve(alive_);
    inTree_.assign(points_.size(), 0);
    for (size_t i = 0; i < points_.size(); ++i)
      if (present_[i]) {
        inTree_[i] = static_cast<uint32_t>(treeIndex_.size() + 1);
        treeIndex_.push_back(static_cast<uint32_t>(i));
        live.push_back(points_[i]);
      }
    tree_ = std::make_unique<NearestTree>(live);
  }
  const size_t k = tree_->TakeNearest(p);
  return k == SIZE_MAX ? SIZE_MAX : treeIndex_[k];
}

void NearestGrid::Remove(size_t index) {
  present_[index] = 0;
  --alive_;
  if (gridUsable_) {
    const uint32_t c = cellOf_[index];
    const uint32_t k = slotOf_[index], last = first_[c] + --live_[c];
    std::swap(slots_[k], slots_[last]);
    slotOf_[slots_[k].index] = k;
    slotOf_[index] = last;
    const int64_t ix = c % nx_, iy = c / nx_;
    --blockAlive_[static_cast<size_t>((iy / BlockCells) * bx_ + ix / BlockCells)];
  }
  if (tree_ && inTree_[index]) tree_->Take(inTree_[index] - 1);
}

size_t NearestGrid::TakeNearest(TTBPoint p) {
  if (alive_ == 0) return SIZE_MAX;
  ++queries_;
  if (queries_ > QueriesBeforeJudging && work_ > WorkPerQuery * queries_) gridUsable_ = false;
  const size_t i = Usable(p) ? SearchGrid(p) : SearchTree(p);
  if (i != SIZE_MAX) Remove(i);
  return i;
}

}  // namespace tibrel
