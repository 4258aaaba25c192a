// Nearest-point queries with removal, for nearest-neighbour walks. Distances
// are squared Euclidean, computed exactly as (dx*dx + dy*dy); among equal
// distances the lowest index wins, so a walk gives the same order as a plain
// scan over the points in index order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

class NearestTree {
 public:
  explicit NearestTree(const std::vector<TTBPoint>& points);
  // Index of the nearest point still present (SIZE_MAX when none), which is
  // then removed.
  size_t TakeNearest(TTBPoint p);
  size_t Remaining() const { return alive_; }
  // Removes a point; nothing when it is gone already.
  void Take(size_t index);
  // Whether a point still present, other than `except`, lies strictly within
  // squared distance r2 of p.
  bool AnyWithin(TTBPoint p, double r2, size_t except) const;

 private:
  struct Node {
    double xmin, ymin, xmax, ymax;
    uint32_t lo, hi;       // range in order_
    uint32_t left, right;  // children; 0 for a leaf
    uint32_t alive;
  };
  uint32_t Build(uint32_t lo, uint32_t hi, int depth);
  void Search(uint32_t node, TTBPoint p, double& best, size_t& bestIndex) const;
  void Remove(size_t index);
  bool AnyWithin(uint32_t node, TTBPoint p, double r2, size_t except) const;

  std::vector<TTBPoint> points_;
  std::vector<uint32_t> order_;
  std::vector<uint8_t> present_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> leafOf_;    // leaf node of each point
  std::vector<uint32_t> parentOf_;  // parent of each node
  size_t alive_ = 0;
};

}  // namespace tibrel
