#include "geometry/touch_index.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tibrel {

void MaxTree::Build(const std::vector<double>& values) {
  size_ = values.size();
  leaves_ = 1;
  while (leaves_ < size_) leaves_ *= 2;
  tree_.assign(2 * leaves_, -std::numeric_limits<double>::infinity());
  for (size_t i = 0; i < size_; ++i) tree_[leaves_ + i] = values[i];
  for (size_t i = leaves_ - 1; i >= 1; --i) tree_[i] = std::max(tree_[2 * i], tree_[2 * i + 1]);
}

void MaxTree::Remove(size_t i) {
  size_t n = leaves_ + i;
  tree_[n] = -std::numeric_limits<double>::infinity();
  for (n /= 2; n >= 1; n /= 2) tree_[n] = std::max(tree_[2 * n], tree_[2 * n + 1]);
}

size_t MaxTree::FirstAbove(double threshold) const {
  if (size_ == 0 || !(tree_[1] > threshold)) return size_;
  size_t n = 1;
  while (n < leaves_) n = tree_[2 * n] > threshold ? 2 * n : 2 * n + 1;
  return n - leaves_;
}

int64_t TouchIndex::CellOf(double v) const {
  // Far coordinates share clamped cells: slower, never wrong, since every
  // candidate is checked against the real tolerance.
  const double c = std::floor(v / cell_);
  constexpr double lim = 4.0e18;
  if (!(c > -lim)) return static_cast<int64_t>(-lim);
  if (!(c < lim)) return static_cast<int64_t>(lim);
  return static_cast<int64_t>(c);
}

uint64_t TouchIndex::KeyOf(int64_t cx, int64_t cy) const {
  return static_cast<uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(cy);
}

void TouchIndex::Build(const std::vector<TTBPoint>& starts, const std::vector<TTBPoint>& ends,
                       const std::vector<double>& xmin, double tolerance) {
  tol_ = tolerance;
  cell_ = tolerance > 0 ? 2 * tolerance : 1;
  starts_ = starts;
  ends_ = ends;
  pending_.assign(starts.size(), 1);
  pendingCount_ = starts.size();
  cells_.clear();
  cells_.reserve(2 * starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    const auto item = static_cast<uint32_t>(i);
    cells_.push_back({KeyOf(CellOf(starts[i].X), CellOf(starts[i].Y)), item});
    const uint64_t ke = KeyOf(CellOf(ends[i].X), CellOf(ends[i].Y));
    if (ke != cells_.back().key) cells_.push_back({ke, item});
  }
  std::sort(cells_.begin(), cells_.end(),
            [](const Cell& a, const Cell& b) { return a.key != b.key ? a.key < b.key : a.item < b.item; });
  allTree_.Build(xmin);
  pendingTree_.Build(xmin);
}

void TouchIndex::Consume(size_t i) {
  if (!pending_[i]) return;
  pending_[i] = 0;
  --pendingCount_;
  pendingTree_.Remove(i);
}

bool TouchIndex::Touches(TTBPoint a, TTBPoint b) const {
  return std::fabs(a.X - b.X) < tol_ && std::fabs(a.Y - b.Y) < tol_;
}

TouchHit TouchIndex::FirstTouching(TTBPoint p, bool stopOnAny) const {
  const size_t stop = (stopOnAny ? allTree_ : pendingTree_).FirstAbove(p.X + tol_);
  TouchHit hit;
  const int64_t x0 = CellOf(p.X - tol_), x1 = CellOf(p.X + tol_);
  const int64_t y0 = CellOf(p.Y - tol_), y1 = CellOf(p.Y + tol_);
  uint64_t seen[4];
  int nseen = 0;
  for (int64_t cx = x0; cx <= x1; ++cx) {
    for (int64_t cy = y0; cy <= y1; ++cy) {
      const uint64_t key = KeyOf(cx, cy);
      if (std::find(seen, seen + nseen, key) != seen + nseen) continue;
      if (nseen < 4) seen[nseen++] = key;
      auto it = std::lower_bound(cells_.begin(), cells_.end(), key,
                                 [](const Cell& c, uint64_t k) { return c.key < k; });
      for (; it != cells_.end() && it->key == key; ++it) {
        const size_t i = it->item;
        if (i >= stop || i >= hit.index) break;  // items are sorted within a key
        if (!pending_[i]) continue;
        if (Touches(starts_[i], p) || Touches(ends_[i], p)) {
          hit.index = i;
          break;
        }
      }
    }
  }
  if (hit.found()) hit.atStart = Touches(starts_[hit.index], p);
  return hit;
}

}  // namespace tibrel
