// Nearest-point queries with removal for nearest-neighbour walks, answering
// exactly as NearestTree does (squared distance computed as dx*dx + dy*dy,
// the lowest index among equal distances), in expected constant time when
// the next point lies near the last.
//
// The points are bucketed in a uniform grid of about two points a cell, the
// cells grouped in square blocks. A query searches rings of cells around the
// query point, then rings of blocks (passing over emptied ones and those
// farther than the best), until no unvisited cell can hold a point as near
// as the best found. A NearestTree, built on first need from the points then
// present, answers instead when a point or the query point is not finite or
// beyond the grid's coordinate range, and from the query on where the
// grid's searches have cost too much on average (the points crowd a few
// cells).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/entity.h"
#include "geometry/kdtree.h"

namespace tibrel {

class NearestGrid {
 public:
  explicit NearestGrid(const std::vector<TTBPoint>& points);
  ~NearestGrid();
  // Index of the nearest point still present (SIZE_MAX when none), which is
  // then removed.
  size_t TakeNearest(TTBPoint p);
  size_t Remaining() const { return alive_; }
  // Queries the tree answered so far (how often the grid gave up).
  size_t TreeQueries() const { return treeQueries_; }

 private:
  struct Slot {
    TTBPoint p;
    uint32_t index;
  };
  struct Best;
  bool Usable(TTBPoint p) const;
  size_t SearchGrid(TTBPoint p);
  void ScanCell(size_t cell, TTBPoint p, Best& b) const;
  // Whether every point of cells x0..x1 by y0..y1 is farther from p than
  // the best (slack: the rounding allowance for p).
  bool Beyond(TTBPoint p, double slack, int64_t x0, int64_t x1, int64_t y0, int64_t y1, const Best& b) const;
  size_t SearchTree(TTBPoint p);
  void Remove(size_t index);

  size_t alive_ = 0;
  size_t queries_ = 0, treeQueries_ = 0, work_ = 0;
  std::vector<TTBPoint> points_;  // kept for the tree
  std::vector<uint8_t> present_;
  bool gridUsable_ = false;
  double x0_ = 0, y0_ = 0, cell_ = 1, slack_ = 0;
  int64_t nx_ = 1, ny_ = 1, bx_ = 1, by_ = 1;  // cells and blocks across and up
  // The slots of cell c (row by row) start at first_[c]; the first live_[c]
  // of them hold the points still present, a removed point's slot taking the
  // last present one's place.
  std::vector<uint32_t> first_, live_;
  std::vector<Slot> slots_;
  std::vector<uint32_t> slotOf_, cellOf_;
  std::vector<uint32_t> blockAlive_;  // points still present in each block
  // Built on first need over the points then present; treeIndex_ maps its
  // indices (ascending with ours, so ties still go to the lowest index) back.
  std::unique_ptr<NearestTree> tree_;
  std::vector<uint32_t> treeIndex_;
  std::vector<uint32_t> inTree_;  // our index -> tree index + 1 (0 = not in it)
};

}  // namespace tibrel
