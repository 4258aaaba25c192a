#include "geometry/point_grid.h"

#include <cmath>

namespace tibrel {

int64_t PointGrid::CellOf(double v) const {
  const double c = std::floor(v / cell_);
  constexpr double lim = 4.0e18;
  if (!(c > -lim)) return static_cast<int64_t>(-lim);
  if (!(c < lim)) return static_cast<int64_t>(lim);
  return static_cast<int64_t>(c);
}

uint64_t PointGrid::KeyOf(int64_t cx, int64_t cy) {
  uint64_t h = static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cy);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 29);
}

size_t PointGrid::Find(uint64_t key) const {
  for (size_t pos = key & mask_;; pos = (pos + 1) & mask_) {
    const uint32_t s = slot_[pos];
    if (s == 0) return SIZE_MAX;
    if (keys_[s - 1] == key) return s - 1;
  }
}

void PointGrid::Build(const std::vector<Entry>& entries, double cellSize) {
  cell_ = cellSize > 0 ? cellSize : 1;
  const size_t n = entries.size();
  size_t cap = 16;
  while (cap < 2 * n) cap *= 2;
  mask_ = cap - 1;
  slot_.assign(cap, 0);
  keys_.clear();
  std::vector<uint32_t> slotOf(n), count, lastItem;
  for (size_t k = 0; k < n; ++k) {
    const uint64_t key = KeyOf(CellOf(entries[k].key.X), CellOf(entries[k].key.Y));
    size_t pos = key & mask_;
    while (slot_[pos] != 0 && keys_[slot_[pos] - 1] != key) pos = (pos + 1) & mask_;
    if (slot_[pos] == 0) {
      keys_.push_back(key);
      count.push_back(0);
      lastItem.push_back(UINT32_MAX);
      slot_[pos] = static_cast<uint32_t>(keys_.size());
    }
    const uint32_t s = slot_[pos] - 1;
    slotOf[k] = s;
    if (lastItem[s] != entries[k].item) ++count[s];
    lastItem[s] = entries[k].item;
  }
  first_.assign(keys_.size() + 1, 0);
  for (size_t s = 0; s < keys_.size(); ++s) first_[s + 1] = first_[s] + count[s];
  items_.assign(first_.back(), 0);
  std::vector<uint32_t> fill(first_.begin(), first_.end() - 1);
  std::fill(lastItem.begin(), lastItem.end(), UINT32_MAX);
  for (size_t k = 0; k < n; ++k) {
    const uint32_t s = slotOf[k];
    if (lastItem[s] == entries[k].item) continue;
    lastItem[s] = entries[k].item;
    items_[fill[s]++] = entries[k].item;
  }
}

}  // namespace tibrel
