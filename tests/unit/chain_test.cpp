#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "chain_reference.h"
#include "geometry/chain.h"
#include "geometry/tolerances.h"
#include "region_builders.h"

namespace tibrel {
namespace {

TTBRegionArray Chain(TTBEntityArray segs, uint8_t cw = 1) {
  PrepareSegments(segs);
  TTBRegionArray regions;
  ChainEntities(segs, regions, cw, ChainTolerance, 0);
  return regions;
}

// Consecutive entities meet exactly; a closed region's last meets its first.
void ExpectContinuous(const TTBRegion& r) {
  for (size_t k = 0; k + 1 < r.Entities.size(); ++k) {
    const TTBPoint e = EntityEnd(r.Entities[k]), s = EntityStart(r.Entities[k + 1]);
    EXPECT_NEAR(e.X, s.X, 1e-9);
    EXPECT_NEAR(e.Y, s.Y, 1e-9);
  }
  if (!r.IsOpen) {
    const TTBPoint e = RegionEnd(r), s = RegionStart(r);
    EXPECT_NEAR(e.X, s.X, 1e-9);
    EXPECT_NEAR(e.Y, s.Y, 1e-9);
  }
}

// A scrambled square and a circle come out closed, in the wanted direction.
TEST(Chain, ClosedShapesTakeTheWantedDirection) {
  for (uint8_t cw : {0, 1}) {
    const TTBRegionArray r = Chain({MakeLine(1, 1, 1, 0), MakeLine(0, 0, 1, 0), MakeCircle(5, 0, 2), MakeLine(0, 1, 1, 1),
                                    MakeLine(0, 0, 0, 1)},
                                   cw);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[1].Entities.size(), 4u);
    EXPECT_EQ(r[2].Entities[0].Radius, cw ? -2 : 2);
    for (size_t i = 1; i < 3; ++i) {
      EXPECT_EQ(r[i].IsOpen, 0);
      EXPECT_EQ(RegionDirection(r[i]), cw);
      EXPECT_EQ(r[i].Clockwise, cw);
      ExpectContinuous(r[i]);
    }
  }
}

// Ends link below the chaining tolerance (0.0005) and only there.
TEST(Chain, GapsLinkOnlyBelowTheTolerance) {
  for (const auto& [gap, regions] : {std::pair{0.0, 1u}, {0.0004, 1u}, {0.0006, 2u}}) {
    const TTBRegionArray r = Chain({MakeLine(0, 0, 5, 0), MakeLine(5 + gap, 0, 5 + gap, 5)});
    EXPECT_EQ(r.size() - 1, regions) << gap;
    if (r.size() == 2) {
      ExpectContinuous(r[1]);
    }
  }
}

TEST(Chain, BackwardSearchPutsAnOpenPathInTravelOrder) {
  // The first segment by XMin lies in the middle of the path.
  TTBEntityArray segs = {MakeLine(2, 0, 1, 3), MakeLine(1, 3, 4, 4), MakeLine(2, 0, 6, 1), MakeLine(6, 1, 9, 0)};
  const TTBRegionArray r = Chain(segs);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1].IsOpen, 1);
  EXPECT_EQ(r[1].Entities.size(), 4u);
  ExpectContinuous(r[1]);
  const TTBPoint s = RegionStart(r[1]), e = RegionEnd(r[1]);
  EXPECT_TRUE((s.X == 4 && e.X == 9) || (s.X == 9 && e.X == 4));
}

TEST(Chain, DuplicatesAndShortLinesVanish) {
  EXPECT_EQ(Chain({MakeLine(0, 0, 3, 3), MakeLine(3, 3, 0, 0)})[1].Entities.size(), 1u);
  EXPECT_EQ(Chain({MakeLine(0, 0, 0, 3), MakeLine(0, 3, 0, 0)})[1].Entities.size(), 1u);
  EXPECT_EQ(Chain({MakeArc(0, 0, 1, 0, 1), MakeArc(0, 0, 1, 0, 1)})[1].Entities.size(), 1u);
  EXPECT_EQ(Chain({MakeLine(0, 0, 0.0002, 0), MakeLine(5, 5, 6, 6)}).size(), 2u);
}

// Long drawings are chained in batches that are joined across their ends:
// an open zigzag of 12000 segments is one region, and a polygon of 7000
// whose last vertex misses the first by 0.0004 is closed by the join.
TEST(Chain, BatchesAreJoinedAcrossTheirEnds) {
  TTBEntityArray zigzag, polygon;
  for (int i = 0; i < 12000; ++i) zigzag.push_back(MakeLine(i, (i % 2) * 0.5, i + 1, ((i + 1) % 2) * 0.5));
  const int n = 7000;
  for (int i = 0; i < n; ++i) {
    const double a0 = TwoPi * i / n, a1 = TwoPi * (i + 1) / n;
    polygon.push_back(MakeLine(100 * std::cos(a0), 100 * std::sin(a0), i + 1 == n ? 100.0004 : 100 * std::cos(a1),
                               i + 1 == n ? 0 : 100 * std::sin(a1)));
  }
  for (const auto* segs : {&zigzag, &polygon}) {
    const TTBRegionArray r = Chain(*segs);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].Entities.size(), segs->size());
    EXPECT_EQ(r[1].IsOpen, segs == &zigzag);
    ExpectContinuous(r[1]);
  }
}

TEST(Chain, NearestOrderWalksFromTheLowerLeftCorner) {
  TTBRegionArray regions(1);
  for (double x : {30.0, 10.0, 20.0, 0.0}) regions.push_back(testing_regions::OpenLine(x, 0, x + 1, 0));
  OrderRegionsNearest(regions, RegionExtents(regions));
  ASSERT_EQ(regions.size(), 5u);
  for (size_t i = 1; i < regions.size(); ++i) EXPECT_EQ(RegionStart(regions[i]).X, 10.0 * (i - 1));
}

// --- differential tests against the plain transcription ---

bool Same(const TTBEntity& e, const TTBEntity& f) {
  return e.X == f.X && e.Y == f.Y && e.Radius == f.Radius && e.X2 == f.X2 && e.Y2 == f.Y2;
}

void ExpectSame(const TTBRegionArray& a, const TTBRegionArray& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    const TTBRegion &x = a[i], &y = b[i];
    ASSERT_EQ(x.Entities.size(), y.Entities.size()) << "region " << i;
    EXPECT_EQ(x.IsOpen, y.IsOpen);
    EXPECT_EQ(x.Clockwise, y.Clockwise);
    EXPECT_EQ(x.Selected, y.Selected);
    EXPECT_EQ(x.XMin, y.XMin);
    EXPECT_EQ(x.YMax, y.YMax);
    for (size_t k = 0; k < x.Entities.size(); ++k)
      ASSERT_TRUE(Same(x.Entities[k], y.Entities[k])) << "region " << i << " entity " << k;
  }
}

// Random drawings of the faults real files have: shapes in random order and
// direction, gaps under and over the tolerance, duplicates, arcs, circles.
TTBEntityArray RandomDrawing(std::mt19937& rng, int shapes) {
  std::uniform_real_distribution<double> pos(0, 400), unit(0, 1);
  TTBEntityArray segs;
  const double gaps[] = {0, 0, 0, 0.0002, 0.0004, 0.0006, 0.01};
  for (int s = 0; s < shapes; ++s) {
    const double x = std::floor(pos(rng)), y = std::floor(pos(rng)), w = 1 + std::floor(unit(rng) * 8);
    const double gap = gaps[rng() % 7];
    switch (rng() % 5) {
      case 0:  // square, maybe with a gap at one corner
        segs.push_back(MakeLine(x, y, x + w, y));
        segs.push_back(MakeLine(x + w, y, x + w, y + w));
        segs.push_back(MakeLine(x + w, y + w, x, y + w));
        segs.push_back(MakeLine(x, y + w, x + gap, y));
        break;
      case 1:  // slot of lines and half circles
        segs.push_back(MakeLine(x, y, x + w, y));
        segs.push_back(MakeArc(x + w, y + 0.5, 0.5, 3 * Pi / 2, Pi / 2));
        segs.push_back(MakeLine(x + w, y + 1, x, y + 1));
        segs.push_back(MakeArc(x, y + 0.5, 0.5, Pi / 2, 3 * Pi / 2));
        break;
      case 2:
        segs.push_back(MakeCircle(x, y, w / 2));
        break;
      case 3:  // open polyline with a gap
        segs.push_back(MakeLine(x, y, x + w, y + 1));
        segs.push_back(MakeLine(x + w + gap, y + 1, x + w, y + 3));
        segs.push_back(MakeLine(x + w, y + 3, x + 2 * w, y + 3 + gap));
        break;
      default:  // a duplicate of an earlier segment, maybe reversed
        if (!segs.empty()) {
          TTBEntity e = segs[rng() % segs.size()];
          if (rng() % 2) ReverseEntity(e);
          UpdateEntityBox(e);
          segs.push_back(e);
        }
    }
  }
  for (auto& e : segs)
    if (rng() % 2) ReverseEntity(e);
  std::shuffle(segs.begin(), segs.end(), rng);
  return segs;
}

TEST(ChainDifferential, IndexedChainingMatchesThePlainRules) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    TTBEntityArray segs = RandomDrawing(rng, seed <= 36 ? 40 + 30 * static_cast<int>(seed) : 3000);
    if (seed % 3) PrepareSegments(segs);  // also unsorted input, as the Join command gives
    TTBEntityArray copy = segs;
    TTBRegionArray fast, slow;
    ChainEntities(segs, fast, seed % 2, ChainTolerance, 0);
    reference::ChainEntities(copy, slow, seed % 2, ChainTolerance, 0);
    ExpectSame(fast, slow);
    for (size_t i = 1; i < fast.size(); ++i) ExpectContinuous(fast[i]);
    TTBRegionArray f2 = fast, s2 = slow;
    const TExtents x = RegionExtents(fast);
    OrderRegionsNearest(f2, x);
    reference::OrderRegionsNearest(s2, x);
    ExpectSame(f2, s2);
  }
}

// The preparation (sorted by radix for long lists, duplicates found by a
// scan or through a grid) gives the segments the plain rules give, in the
// same order: drawings small and large, with duplicates, and a drawing laid
// out on a grid, whose XMin windows hold whole columns.
TEST(ChainDifferential, PreparationMatchesThePlainRules) {
  for (unsigned seed = 200; seed < 212; ++seed) {
    std::mt19937 rng(seed);
    TTBEntityArray segs = RandomDrawing(rng, seed % 2 ? 200 : 6000);
    if (seed % 3 == 0) {
      // Columns of vertical lines, many sharing an XMin, with repeats.
      for (int k = 0; k < 3000; ++k) {
        const double x = static_cast<double>(k % 7), y = static_cast<double>(rng() % 500);
        segs.push_back(MakeLine(x, y, x + (k % 2 ? 0.0001 : 0), y + 1));
      }
    }
    TTBEntityArray a = segs, b = segs;
    PrepareSegments(a);
    reference::PrepareSegments(b);
    ASSERT_EQ(a.size(), b.size()) << seed;
    for (size_t k = 0; k < a.size(); ++k) ASSERT_TRUE(Same(a[k], b[k])) << seed << " segment " << k;
  }
}

TEST(ChainDifferential, JoiningMatchesThePlainRules) {
  for (unsigned seed = 100; seed < 130; ++seed) {
    std::mt19937 rng(seed);
    // Chains of one entity each, in random order: everything is left to the join.
    TTBEntityArray segs = RandomDrawing(rng, 200);
    TTBRegionArray regions;
    for (const auto& e : segs) {
      TTBRegion r;
      r.Entities = {e};
      r.IsOpen = IsFullCircle(e) ? 0 : 1;
      UpdateRegionBox(r);
      r.Selected = rng() % 8 != 0;
      regions.push_back(r);
    }
    if (seed % 2) SortRegionsByXMin(regions, 0, regions.size() - 1);
    TTBRegionArray a = regions, b = regions;
    JoinOpenRegions(a, ChainTolerance);
    reference::JoinOpenRegions(b, ChainTolerance);
    ExpectSame(a, b);
  }
}

}  // namespace
}  // namespace tibrel
