#include "geometry/kdtree.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tibrel {

namespace {
constexpr uint32_t LeafSize = 8;
}

NearestTree::NearestTree(const std::vector<TTBPoint>& points)
    : points_(points), present_(points.size(), 1), leafOf_(points.size(), 0), alive_(points.size()) {
  order_.resize(points.size());
  for (uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  nodes_.reserve(2 * points.size() / LeafSize + 2);
  nodes_.push_back({});  // node 0 is unused: 0 means "no child"
  parentOf_.push_back(0);
  if (!points.empty()) Build(0, static_cast<uint32_t>(points.size()), 0);
}

uint32_t NearestTree::Build(uint32_t lo, uint32_t hi, int depth) {
  const auto id = static_cast<uint32_t>(nodes_.size());
  nodes_.push_back({});
  parentOf_.push_back(0);
  Node nd{};
  nd.lo = lo;
  nd.hi = hi;
  nd.alive = hi - lo;
  nd.xmin = nd.ymin = std::numeric_limits<double>::infinity();
  nd.xmax = nd.ymax = -std::numeric_limits<double>::infinity();
  for (uint32_t k = lo; k < hi; ++k) {
    const TTBPoint& q = points_[order_[k]];
    nd.xmin = std::min(nd.xmin, q.X), nd.xmax = std::max(nd.xmax, q.X);
    nd.ymin = std::min(nd.ymin, q.Y), nd.ymax = std::max(nd.ymax, q.Y);
  }
  if (hi - lo <= LeafSize) {
    std::sort(order_.begin() + lo, order_.begin() + hi);
    for (uint32_t k = lo; k < hi; ++k) leafOf_[order_[k]] = id;
    nodes_[id] = nd;
    return id;
  }
  const bool byX = (nd.xmax - nd.xmin) >= (nd.ymax - nd.ymin) || depth < 0;
  const uint32_t mid = lo + (hi - lo) / 2;
  std::nth_element(order_.begin() + lo, order_.begin() + mid, order_.begin() + hi, [&](uint32_t a, uint32_t b) {
    return byX ? points_[a].X < points_[b].X : points_[a].Y < points_[b].Y;
  });
  nd.left = Build(lo, mid, depth + 1);
  nd.right = Build(mid, hi, depth + 1);
  parentOf_[nd.left] = id;
  parentOf_[nd.right] = id;
  nodes_[id] = nd;
  return id;
}

void NearestTree::Search(uint32_t id, TTBPoint p, double& best, size_t& bestIndex) const {
  const Node& nd = nodes_[id];
  if (nd.alive == 0) return;
  const double dx = p.X < nd.xmin ? nd.xmin - p.X : (p.X > nd.xmax ? p.X - nd.xmax : 0);
  const double dy = p.Y < nd.ymin ? nd.ymin - p.Y : (p.Y > nd.ymax ? p.Y - nd.ymax : 0);
  // Equal distances must still be visited: they may hold a lower index.
  if (dx * dx + dy * dy > best) return;
  if (nd.left == 0) {
    for (uint32_t k = nd.lo; k < nd.hi; ++k) {
      const uint32_t i = order_[k];
      if (!present_[i]) continue;
      const double ex = points_[i].X - p.X, ey = points_[i].Y - p.Y;
      const double d = ex * ex + ey * ey;
      if (d < best || (d == best && i < bestIndex)) {
        best = d;
        bestIndex = i;
      }
    }
    return;
  }
  // Visit the nearer child first.
  const Node& a = nodes_[nd.left];
  const Node& b = nodes_[nd.right];
  auto boxDist = [&](const Node& c) {
    const double ddx = p.X < c.xmin ? c.xmin - p.X : (p.X > c.xmax ? p.X - c.xmax : 0);
    const double ddy = p.Y < c.ymin ? c.ymin - p.Y : (p.Y > c.ymax ? p.Y - c.ymax : 0);
    return ddx * ddx + ddy * ddy;
  };
  if (boxDist(a) <= boxDist(b)) {
    Search(nd.left, p, best, bestIndex);
    Search(nd.right, p, best, bestIndex);
  } else {
    Search(nd.right, p, best, bestIndex);
    Search(nd.left, p, best, bestIndex);
  }
}

void NearestTree::Remove(size_t index) {
  present_[index] = 0;
  --alive_;
  for (uint32_t id = leafOf_[index]; id != 0; id = parentOf_[id]) --nodes_[id].alive;
}

void NearestTree::Take(size_t index) {
  if (index < present_.size() && present_[index]) Remove(index);
}

bool NearestTree::AnyWithin(TTBPoint p, double r2, size_t except) const {
  return nodes_.size() > 1 && AnyWithin(1, p, r2, except);
}

bool NearestTree::AnyWithin(uint32_t id, TTBPoint p, double r2, size_t except) const {
  const Node& nd = nodes_[id];
  if (nd.alive == 0) return false;
  const double dx = p.X < nd.xmin ? nd.xmin - p.X : (p.X > nd.xmax ? p.X - nd.xmax : 0);
  const double dy = p.Y < nd.ymin ? nd.ymin - p.Y : (p.Y > nd.ymax ? p.Y - nd.ymax : 0);
  if (!(dx * dx + dy * dy < r2)) return false;
  if (nd.left != 0) return AnyWithin(nd.left, p, r2, except) || AnyWithin(nd.right, p, r2, except);
  for (uint32_t k = nd.lo; k < nd.hi; ++k) {
    const uint32_t i = order_[k];
    if (!present_[i] || i == except) continue;
    const double ex = points_[i].X - p.X, ey = points_[i].Y - p.Y;
    if (ex * ex + ey * ey < r2) return true;
  }
  return false;
}

size_t NearestTree::TakeNearest(TTBPoint p) {
  if (alive_ == 0) return SIZE_MAX;
  double best = std::numeric_limits<double>::infinity();
  size_t bestIndex = SIZE_MAX;
  Search(1, p, best, bestIndex);
  if (bestIndex == SIZE_MAX) {
    // Only reachable with distances that overflow to infinity or NaN: fall
    // back to the lowest index present.
    for (size_t i = 0; i < present_.size(); ++i)
      if (present_[i]) {
        bestIndex = i;
        break;
      }
  }
  Remove(bestIndex);
  return bestIndex;
}

}  // namespace tibrel
