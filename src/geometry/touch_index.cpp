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
  // Above the first node whose maximum stays, nothing changes.
  for (n /= 2; n >= 1; n /= 2) {
    const double m = std::max(tree_[2 * n], tree_[2 * n + 1]);
    if (m == tree_[n]) break;
    tree_[n] = m;
  }
}

size_t MaxTree::FirstAbove(double threshold) const {
  if (size_ == 0 || !(tree_[1] > threshold)) return size_;
  size_t n = 1;
  while (n < leaves_) n = tree_[2 * n] > threshold ? 2 * n : 2 * n + 1;
  return n - leaves_;
}

void TouchIndex::Build(const std::vector<TTBPoint>& starts, const std::vector<TTBPoint>& ends,
                       const std::vector<double>& xmin, double tolerance) {
  tol_ = tolerance;
  starts_ = starts;
  ends_ = ends;
  const size_t n = starts.size();
  pending_.assign(n, 1);
  pendingCount_ = n;
  std::vector<PointGrid::Entry> entries;
  entries.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    entries.push_back({starts[i], static_cast<uint32_t>(i)});
    entries.push_back({ends[i], static_cast<uint32_t>(i)});
  }
  // Cells twice the tolerance: a query touches at most four.
  grid_.Build(entries, 2 * tolerance);
  sorted_ = true;
  for (size_t i = 1; i < n && sorted_; ++i) sorted_ = xmin[i - 1] <= xmin[i];
  if (n > 0 && std::isnan(xmin[0])) sorted_ = false;
  if (sorted_) {
    xmin_ = xmin;
    return;
  }
  allTree_.Build(xmin);
  pendingTree_.Build(xmin);
}

void TouchIndex::Consume(size_t i) {
  if (!pending_[i]) return;
  pending_[i] = 0;
  --pendingCount_;
  if (!sorted_) pendingTree_.Remove(i);
}

bool TouchIndex::Touches(TTBPoint a, TTBPoint b) const {
  return std::fabs(a.X - b.X) < tol_ && std::fabs(a.Y - b.Y) < tol_;
}

TouchHit TouchIndex::FirstTouching(TTBPoint p, bool stopOnAny) const {
  const double beyond = p.X + tol_;
  TouchHit hit;
  // In XMin order, both stop rules end the scan at the first item (pending
  // or not; a pending one when the earlier ones are not beyond either) whose
  // XMin is beyond: a pending item counts exactly when its own XMin is not.
  const size_t stop = sorted_ ? SIZE_MAX : (stopOnAny ? allTree_ : pendingTree_).FirstAbove(beyond);
  grid_.ForEachNear(p.X - tol_, beyond, p.Y - tol_, p.Y + tol_, [&](size_t i) {
    if (i >= stop || i >= hit.index || (sorted_ && xmin_[i] > beyond)) return false;
    if (pending_[i] && (Touches(starts_[i], p) || Touches(ends_[i], p))) {
      hit.index = i;
      return false;
    }
    return true;
  });
  if (hit.found()) hit.atStart = Touches(starts_[hit.index], p);
  return hit;
}

}  // namespace tibrel
