// Items keyed by a point, bucketed in a grid of square cells, for "which
// items lie near here" queries in expected constant time. Within a cell the
// items are listed in ascending order. Far coordinates share clamped cells:
// slower, never wrong, since callers check the real distances.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

class PointGrid {
 public:
  struct Entry {
    TTBPoint key;
    uint32_t item;
  };
  // Entries come in ascending item order; entries of one item that fall into
  // one cell are listed once.
  void Build(const std::vector<Entry>& entries, double cellSize);

  // Calls f(item) for the items of every cell that meets the rectangle, cell
  // by cell, each cell's items ascending; f returns false to leave that cell.
  template <class F>
  void ForEachNear(double xlo, double xhi, double ylo, double yhi, F f) const;

 private:
  int64_t CellOf(double v) const;
  static uint64_t KeyOf(int64_t cx, int64_t cy);
  size_t Find(uint64_t key) const;

  double cell_ = 1;
  std::vector<uint64_t> keys_;
  std::vector<uint32_t> slot_;  // table position -> slot number + 1 (0 = empty)
  std::vector<uint32_t> first_;
  std::vector<uint32_t> items_;
  size_t mask_ = 0;
};

template <class F>
void PointGrid::ForEachNear(double xlo, double xhi, double ylo, double yhi, F f) const {
  if (keys_.empty()) return;
  const int64_t x0 = CellOf(xlo), x1 = CellOf(xhi), y0 = CellOf(ylo), y1 = CellOf(yhi);
  // Distinct cells can share a slot when their hashes collide: visit a slot once.
  size_t seen[16];
  int nseen = 0;
  for (int64_t cx = x0; cx <= x1; ++cx)
    for (int64_t cy = y0; cy <= y1; ++cy) {
      const size_t slot = Find(KeyOf(cx, cy));
      if (slot == SIZE_MAX) continue;
      bool again = false;
      for (int k = 0; k < nseen; ++k) again = again || seen[k] == slot;
      if (again) continue;
      if (nseen < 16) seen[nseen++] = slot;
      for (uint32_t k = first_[slot]; k < first_[slot + 1]; ++k)
        if (!f(static_cast<size_t>(items_[k]))) break;
    }
}

}  // namespace tibrel
