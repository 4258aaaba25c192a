// The grid's nearest-neighbour walk against a plain scan over the points in
// index order (the nearest by dx*dx + dy*dy, the lowest index among equal
// distances): on point sets that make ties, crowd cells, lie on a line, sit
// far from the start, or carry values the grid refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geometry/nearest_grid.h"

namespace tibrel {
namespace {

// The walk by a plain scan: from start, each step to the nearest point left,
// then on from next[that point].
std::vector<size_t> PlainWalk(const std::vector<TTBPoint>& pts, const std::vector<TTBPoint>& next, TTBPoint start) {
  std::vector<uint8_t> left(pts.size(), 1);
  std::vector<size_t> order;
  TTBPoint p = start;
  for (size_t k = 0; k < pts.size(); ++k) {
    size_t best = SIZE_MAX;
    double bestD = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
      if (!left[i]) continue;
      const double dx = pts[i].X - p.X, dy = pts[i].Y - p.Y;
      const double d = dx * dx + dy * dy;
      if (best == SIZE_MAX || d < bestD) best = i, bestD = d;
    }
    left[best] = 0;
    order.push_back(best);
    p = next[best];
  }
  return order;
}

// How much of a walk the tree is to answer (Both: part of it, from where the
// grid's searches grew too costly): each way of answering, and the switch
// between them, must be tried by the cases made for them.
enum class Tree { Little, Some, Both };

struct WalkCase {
  std::string name;
  std::vector<TTBPoint> points, next;  // next[i]: where the walk goes on from after point i
  TTBPoint start;
  Tree tree;
};

WalkCase Make(std::string name, std::vector<TTBPoint> pts, TTBPoint start, Tree tree, std::mt19937* moveEnds = nullptr) {
  std::vector<TTBPoint> next = pts;
  if (moveEnds) {
    std::uniform_real_distribution<double> d(-3, 3);
    for (auto& q : next) q = {q.X + d(*moveEnds), q.Y + d(*moveEnds)};
  }
  return {std::move(name), std::move(pts), std::move(next), start, tree};
}

std::vector<WalkCase> Cases() {
  std::vector<WalkCase> cases;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(0, 1);
  {
    // Whole numbers on a small field: many equal distances, repeated points.
    std::vector<TTBPoint> pts;
    for (int k = 0; k < 3000; ++k) pts.push_back({std::floor(u(rng) * 60), std::floor(u(rng) * 60)});
    cases.push_back(Make("lattice ties", pts, {0, 0}, Tree::Little));
    cases.push_back(Make("lattice ties, open ends", pts, {-5, 70}, Tree::Little, &rng));
  }
  {
    // Whole numbers over 0..40 with 800 points make cells of exactly 2: many
    // points lie on cell sides at the same distance as the best one found
    // inside, and the search must still look beyond the side.
    std::vector<TTBPoint> pts = {{0, 0}, {40, 40}};
    while (pts.size() < 800) pts.push_back({std::floor(u(rng) * 41), std::floor(u(rng) * 41)});
    std::shuffle(pts.begin(), pts.end(), rng);
    cases.push_back(Make("ties on cell sides", pts, {0, 0}, Tree::Little));
    // The same, the walk going on from anywhere on the field: searches
    // through emptied cells and blocks, ties on their sides too.
    WalkCase jumps = Make("ties on block sides", pts, {0, 0}, Tree::Little);
    for (auto& q : jumps.next) q = {std::floor(u(rng) * 41), std::floor(u(rng) * 41)};
    cases.push_back(jumps);
  }
  {
    // A square grid of squares' corners, as the benchmark drawing has them.
    std::vector<TTBPoint> pts;
    for (int i = 0; i < 70; ++i)
      for (int j = 0; j < 70; ++j) pts.push_back({20.0 * i + u(rng), 20.0 * j + u(rng)});
    std::shuffle(pts.begin(), pts.end(), rng);
    cases.push_back(Make("grid of shapes", pts, {0, 0}, Tree::Little));
  }
  {
    // Most points crowded into a tiny patch, a few spread far: crowded cells.
    std::vector<TTBPoint> pts;
    for (int k = 0; k < 2500; ++k) pts.push_back({1000 + u(rng) * 1e-3, 1000 + u(rng) * 1e-3});
    for (int k = 0; k < 60; ++k) pts.push_back({u(rng) * 5000, u(rng) * 5000});
    std::shuffle(pts.begin(), pts.end(), rng);
    cases.push_back(Make("crowded patch", pts, {0, 0}, Tree::Both));
  }
  {
    // On one line (a flat spread), and all in one place.
    std::vector<TTBPoint> line, same(500, TTBPoint{3, 4});
    for (int k = 0; k < 2000; ++k) line.push_back({std::floor(u(rng) * 1e4) / 8, 2.5});
    cases.push_back(Make("one line", line, {5000, 2.5}, Tree::Little));
    cases.push_back(Make("one place", same, {0, 0}, Tree::Both));
  }
  {
    // Far coordinates and a start far outside the points.
    std::vector<TTBPoint> pts;
    for (int k = 0; k < 1500; ++k) pts.push_back({1e9 + std::floor(u(rng) * 400), -1e9 + std::floor(u(rng) * 400)});
    cases.push_back(Make("far away", pts, {-1e12, 1e12}, Tree::Little));
    // A field a millionth across, the walk starting a long way off: the
    // query's cell number is far beyond any integer.
    std::vector<TTBPoint> tiny;
    for (int k = 0; k < 1000; ++k) tiny.push_back({1 + std::floor(u(rng) * 1000) * 1e-9, 2 + std::floor(u(rng) * 1000) * 1e-9});
    cases.push_back(Make("tiny field", tiny, {-9e12, 9e12}, Tree::Little));
  }
  {
    // Values the grid refuses: the tree answers everything.
    std::vector<TTBPoint> pts;
    for (int k = 0; k < 400; ++k) pts.push_back({std::floor(u(rng) * 50), std::floor(u(rng) * 50)});
    pts[17] = {1e300, 0};
    cases.push_back(Make("beyond the grid's range", pts, {0, 0}, Tree::Some));
    pts[17] = {std::numeric_limits<double>::infinity(), 0};
    cases.push_back(Make("infinite point", pts, {0, 0}, Tree::Some));
  }
  return cases;
}

TEST(NearestGrid, WalksAsThePlainScanDoes) {
  for (const WalkCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const std::vector<size_t> want = PlainWalk(c.points, c.next, c.start);
    NearestGrid grid(c.points);
    TTBPoint p = c.start;
    for (size_t k = 0; k < c.points.size(); ++k) {
      const size_t i = grid.TakeNearest(p);
      ASSERT_EQ(i, want[k]) << "step " << k;
      p = c.next[i];
    }
    EXPECT_EQ(grid.Remaining(), 0u);
    EXPECT_EQ(grid.TakeNearest(p), SIZE_MAX);
    // Both ways of answering were tried where the case is made for them.
    const size_t tree = grid.TreeQueries();
    EXPECT_TRUE(c.tree == Tree::Little ? tree < c.points.size() / 8 : tree > 0) << tree;
    EXPECT_TRUE(c.tree != Tree::Both || tree < c.points.size()) << tree;
  }
}

// Queries that are not finite find what the plain scan's rules give: the
// lowest index left (every distance is infinite or not a number).
TEST(NearestGrid, QueriesThatAreNotFiniteTakeTheLowestIndex) {
  const std::vector<TTBPoint> pts = {{5, 5}, {1, 1}, {3, 3}, {2, 2}};
  NearestGrid grid(pts);
  EXPECT_EQ(grid.TakeNearest({std::nan(""), 0}), 0u);
  EXPECT_EQ(grid.TakeNearest({std::numeric_limits<double>::infinity(), 0}), 1u);
  EXPECT_EQ(grid.TakeNearest({2.1, 2.1}), 3u);
  EXPECT_EQ(grid.TakeNearest({0, 0}), 2u);
  EXPECT_EQ(grid.TakeNearest({0, 0}), SIZE_MAX);
}

}  // namespace
}  // namespace tibrel
