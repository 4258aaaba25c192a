// Finds, among the pending items of a list, the first one (in list order)
// that has an end point within a tolerance of a given point, honouring the
// scan rule of the chaining passes: a scan from index 0 ends at the first
// item whose XMin lies beyond the point.
//
// Items are anything with XMin and two end points. The answer is exactly the
// one a plain front-to-back scan gives, but costs O(log n) per query instead
// of O(n): end points are bucketed in a grid of cells twice the tolerance,
// and the stop index comes from a max-tree over XMin. When the items come in
// XMin order (as the chaining passes give them) no tree is needed: an item
// lies before the stop exactly when its own XMin is not beyond the point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"
#include "geometry/point_grid.h"

namespace tibrel {

class MaxTree {
 public:
  void Build(const std::vector<double>& values);
  // Removes an index from the tree (it no longer stops a scan).
  void Remove(size_t i);
  // The first index whose value is greater than threshold; size() when none.
  size_t FirstAbove(double threshold) const;

 private:
  size_t size_ = 0, leaves_ = 1;
  std::vector<double> tree_;
};

struct TouchHit {
  size_t index = SIZE_MAX;
  bool atStart = false;  // true: the item's start touches; false: its end
  bool found() const { return index != SIZE_MAX; }
};

class TouchIndex {
 public:
  // starts[i], ends[i], xmin[i] describe item i; every item starts pending.
  void Build(const std::vector<TTBPoint>& starts, const std::vector<TTBPoint>& ends,
             const std::vector<double>& xmin, double tolerance);
  void Consume(size_t i);
  bool Pending(size_t i) const { return pending_[i] != 0; }
  size_t PendingCount() const { return pendingCount_; }
  // stopOnAny: the scan ends at the first item (pending or not) whose XMin is
  // beyond p.X + tol; otherwise at the first pending one.
  TouchHit FirstTouching(TTBPoint p, bool stopOnAny) const;

 private:
  bool Touches(TTBPoint a, TTBPoint b) const;

  double tol_ = 0;
  bool sorted_ = false;  // XMin ascending (no NaN): the trees are not built
  std::vector<double> xmin_;
  std::vector<TTBPoint> starts_, ends_;
  std::vector<uint8_t> pending_;
  size_t pendingCount_ = 0;
  PointGrid grid_;
  MaxTree allTree_, pendingTree_;
};

}  // namespace tibrel
