// A static bounding-box hierarchy over items with boxes, answering "which
// boxes contain this point" in about O(log n + answers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

struct Box {
  double XMin = 0, YMin = 0, YMax = 0, XMax = 0;
};

class BoxTree {
 public:
  explicit BoxTree(std::vector<Box> boxes, std::vector<uint32_t> items);
  // Appends to out the items whose boxes contain p (boundary included), in no
  // particular order.
  void Containing(TTBPoint p, std::vector<uint32_t>& out) const;
  // Appends the items whose boxes meet q (boundaries included).
  void Overlapping(const Box& q, std::vector<uint32_t>& out) const;
  size_t size() const { return boxes_.size(); }

 private:
  struct Node {
    Box box;
    uint32_t lo, hi;       // range of order_
    uint32_t left, right;  // 0 for a leaf
  };
  uint32_t Build(uint32_t lo, uint32_t hi);
  template <class Hit>
  void Query(Hit hit, std::vector<uint32_t>& out) const;

  std::vector<Box> boxes_;
  std::vector<uint32_t> items_;
  std::vector<uint32_t> order_;
  std::vector<Node> nodes_;
};

}  // namespace tibrel
