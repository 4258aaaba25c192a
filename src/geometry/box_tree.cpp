#include "geometry/box_tree.h"

#include <algorithm>

namespace tibrel {

namespace {
constexpr uint32_t LeafSize = 8;

bool Contains(const Box& b, TTBPoint p) { return p.X >= b.XMin && p.X <= b.XMax && p.Y >= b.YMin && p.Y <= b.YMax; }
}  // namespace

BoxTree::BoxTree(std::vector<Box> boxes, std::vector<uint32_t> items) : boxes_(std::move(boxes)), items_(std::move(items)) {
  order_.resize(boxes_.size());
  for (uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  nodes_.push_back({});  // node 0 means "no child"
  if (!boxes_.empty()) Build(0, static_cast<uint32_t>(boxes_.size()));
}

uint32_t BoxTree::Build(uint32_t lo, uint32_t hi) {
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back({});
  Node nd{boxes_[order_[lo]], lo, hi, 0, 0};
  for (uint32_t k = lo; k < hi; ++k) {
    const Box& b = boxes_[order_[k]];
    nd.box.XMin = std::min(nd.box.XMin, b.XMin), nd.box.XMax = std::max(nd.box.XMax, b.XMax);
    nd.box.YMin = std::min(nd.box.YMin, b.YMin), nd.box.YMax = std::max(nd.box.YMax, b.YMax);
  }
  if (hi - lo > LeafSize) {
    const bool byX = nd.box.XMax - nd.box.XMin >= nd.box.YMax - nd.box.YMin;
    const uint32_t mid = lo + (hi - lo) / 2;
    std::nth_element(order_.begin() + lo, order_.begin() + mid, order_.begin() + hi, [&](uint32_t a, uint32_t b) {
      const Box &p = boxes_[a], &q = boxes_[b];
      return byX ? p.XMin + p.XMax < q.XMin + q.XMax : p.YMin + p.YMax < q.YMin + q.YMax;
    });
    nd.left = Build(lo, mid);
    nd.right = Build(mid, hi);
  }
  nodes_[id] = nd;
  return id;
}

template <class Hit>
void BoxTree::Query(Hit hit, std::vector<uint32_t>& out) const {
  if (nodes_.size() <= 1) return;
  uint32_t stack[128];
  int top = 0;
  stack[top++] = 1;
  while (top > 0) {
    const Node& nd = nodes_[stack[--top]];
    if (!hit(nd.box)) continue;
    if (nd.left == 0 || top + 2 > 128) {
      for (uint32_t k = nd.lo; k < nd.hi; ++k)
        if (hit(boxes_[order_[k]])) out.push_back(items_[order_[k]]);
      continue;
    }
    stack[top++] = nd.left;
    stack[top++] = nd.right;
  }
}

void BoxTree::Containing(TTBPoint p, std::vector<uint32_t>& out) const {
  Query([p](const Box& b) { return Contains(b, p); }, out);
}

void BoxTree::Overlapping(const Box& q, std::vector<uint32_t>& out) const {
  Query([&q](const Box& b) { return b.XMin <= q.XMax && b.XMax >= q.XMin && b.YMin <= q.YMax && b.YMax >= q.YMin; }, out);
}

}  // namespace tibrel
