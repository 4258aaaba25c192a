#include "geometry/chain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "geometry/nearest_grid.h"
#include "geometry/point_grid.h"
#include "geometry/tolerances.h"
#include "geometry/touch_index.h"

namespace tibrel {

void DropShortEntities(TTBEntityArray& segments, double limit) {
  std::erase_if(segments, [limit](const TTBEntity& e) { return !(EntityLength(e) > limit); });
}

void NormaliseLines(TTBEntityArray& segments) {
  for (auto& e : segments)
    if (e.Radius == 0 && e.X > e.X2) ReverseEntity(e);
}

namespace {

// A double's bits made into an unsigned number of the same order (for
// finite values; -0 counts as +0).
uint64_t OrderedBits(double v) {
  v += 0.0;
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return (b & 0x8000000000000000ull) ? ~b : b | 0x8000000000000000ull;
}

// Positions 0..n-1 ordered by their keys, equal keys in position order: a
// radix sort, 11 bits a pass, skipping the passes where all keys agree.
std::vector<uint32_t> RadixOrder(const std::vector<uint64_t>& keys) {
  const size_t n = keys.size();
  std::vector<uint32_t> order(n), next(n);
  for (size_t k = 0; k < n; ++k) order[k] = static_cast<uint32_t>(k);
  constexpr int bits = 11;
  constexpr size_t buckets = size_t{1} << bits;
  std::vector<uint32_t> count(buckets + 1);
  for (int shift = 0; shift < 64; shift += bits) {
    std::fill(count.begin(), count.end(), 0);
    for (uint64_t key : keys) ++count[((key >> shift) & (buckets - 1)) + 1];
    if (*std::max_element(count.begin(), count.end()) == n) continue;
    for (size_t b = 1; b <= buckets; ++b) count[b] += count[b - 1];
    for (uint32_t k : order) next[count[(keys[k] >> shift) & (buckets - 1)]++] = k;
    order.swap(next);
  }
  return order;
}

// Stable sort of items lo..hi by XMin. The records are large, so keys and
// positions are sorted and the records moved once.
template <class T>
void SortByXMin(std::vector<T>& items, size_t lo, size_t hi) {
  if (items.empty() || lo >= items.size() || hi < lo) return;
  hi = std::min(hi, items.size() - 1);
  const size_t n = hi - lo + 1;
  bool sorted = true;
  for (size_t k = 1; k < n && sorted; ++k) sorted = !(items[lo + k].XMin < items[lo + k - 1].XMin);
  if (sorted) return;
  std::vector<uint32_t> order;
  // Large lists by radix (the sort grows linearly with the list), small ones
  // by comparison; both keep equal keys in list order.
  if (n >= 4096) {
    std::vector<uint64_t> keys(n);
    for (size_t k = 0; k < n; ++k) keys[k] = OrderedBits(items[lo + k].XMin);
    order = RadixOrder(keys);
  } else {
    std::vector<std::pair<double, uint32_t>> keys(n);
    for (size_t k = 0; k < n; ++k) keys[k] = {items[lo + k].XMin + 0.0, static_cast<uint32_t>(k)};
    std::sort(keys.begin(), keys.end());
    order.resize(n);
    for (size_t k = 0; k < n; ++k) order[k] = keys[k].second;
  }
  std::vector<T> moved;
  moved.reserve(n);
  for (uint32_t k : order) moved.push_back(std::move(items[lo + k]));
  std::move(moved.begin(), moved.end(), items.begin() + static_cast<std::ptrdiff_t>(lo));
}

}  // namespace

void SortEntitiesByXMin(TTBEntityArray& segments, size_t lo, size_t hi) { SortByXMin(segments, lo, hi); }

void SortEntitiesByXMin(TTBEntityArray& segments) {
  if (!segments.empty()) SortEntitiesByXMin(segments, 0, segments.size() - 1);
}

namespace {

bool Near(double a, double b) { return std::fabs(a - b) < ChainTolerance; }

// Whether j duplicates i (the same segment, lines possibly drawn the other
// way). Both have the same Radius.
bool Duplicates(const TTBEntity& i, const TTBEntity& j) {
  if (j.Radius != i.Radius) return false;
  if (j.Radius == 0) {
    const bool same = Near(j.X2, i.X2) && Near(j.Y, i.Y) && Near(j.Y2, i.Y2);
    if (std::fabs(j.X - j.X2) < ChainTolerance) return same || (Near(j.Y2, i.Y) && Near(j.Y, i.Y2));
    return same;
  }
  return j.XMax - i.XMax < ChainTolerance && Near(j.YMin, i.YMin) && Near(j.YMax, i.YMax) &&
         std::fabs(j.X2 - i.X2) < AngleTolerance && std::fabs(j.Y2 - i.Y2) < AngleTolerance;
}

// Marks in drop each of the segments `which` that a later one duplicates.
void FindDuplicatesInGrid(const TTBEntityArray& segments, const std::vector<uint32_t>& which,
                          std::vector<uint8_t>& drop) {
  const size_t n = segments.size();
  // A later segment j within ChainTolerance in XMin is a duplicate candidate.
  // Every duplicate rule also asks for a Y value of j near one of i (the start
  // Y of a line, or its end Y when j is nearly vertical and may run the other
  // way; the YMin of an arc), so candidates are looked up in a grid over
  // (XMin, that Y) instead of scanning the whole XMin window, which in a
  // drawing laid out on a grid holds a whole column.
  std::vector<PointGrid::Entry> entries;
  entries.reserve(n + n / 4);
  for (size_t j = 0; j < n; ++j) {
    const TTBEntity& e = segments[j];
    const auto item = static_cast<uint32_t>(j);
    entries.push_back({{e.XMin, e.Radius == 0 ? e.Y : e.YMin}, item});
    if (e.Radius == 0 && std::fabs(e.X - e.X2) < ChainTolerance) entries.push_back({{e.XMin, e.Y2}, item});
  }
  PointGrid grid;
  grid.Build(entries, 2 * ChainTolerance);
  for (const uint32_t i : which) {
    const TTBEntity& e = segments[i];
    const double y = e.Radius == 0 ? e.Y : e.YMin;
    grid.ForEachNear(e.XMin, e.XMin + ChainTolerance, y - ChainTolerance, y + ChainTolerance, [&](size_t j) {
      if (j > i && segments[j].XMin - e.XMin <= ChainTolerance && Duplicates(e, segments[j])) drop[i] = 1;
      return !drop[i];
    });
  }
}

}  // namespace

void RemoveDuplicateEntities(TTBEntityArray& segments) {
  const size_t n = segments.size();
  std::vector<uint8_t> drop(n, 0);
  // In XMin order, the candidates of i are the segments just after it, up to
  // ChainTolerance further in XMin. Mostly they are few and are looked at in
  // turn; segments with many (a column of a drawing laid out on a grid), or
  // all when the list is not in XMin order, go through the grid.
  std::vector<uint32_t> crowded;
  bool inOrder = true;
  for (size_t i = 1; i < n && inOrder; ++i) inOrder = !(segments[i].XMin < segments[i - 1].XMin);
  for (size_t i = 0, end = 0; i < n; ++i) {
    if (!inOrder) {
      crowded.push_back(static_cast<uint32_t>(i));
      continue;
    }
    end = std::max(end, i + 1);
    while (end < n && segments[end].XMin - segments[i].XMin <= ChainTolerance) ++end;
    if (end - i > 16) {
      crowded.push_back(static_cast<uint32_t>(i));
      continue;
    }
    for (size_t j = i + 1; j < end && !drop[i]; ++j)
      if (Duplicates(segments[i], segments[j])) drop[i] = 1;
  }
  if (!crowded.empty()) FindDuplicatesInGrid(segments, crowded, drop);
  size_t k = 0;
  for (size_t i = 0; i < n; ++i)
    if (!drop[i]) segments[k++] = segments[i];
  segments.resize(k);
}

void PrepareSegments(TTBEntityArray& segments) {
  DropShortEntities(segments, MinEntityLength);
  NormaliseLines(segments);
  SortEntitiesByXMin(segments);
  RemoveDuplicateEntities(segments);
}

namespace {

// Chains one batch into regions (without placeholder), appended to out.
void ChainBatch(TTBEntity* seg, size_t n, double tol, double depth, TTBRegionArray& out) {
  std::vector<TTBPoint> starts(n), ends(n);
  std::vector<double> xmin(n);
  for (size_t i = 0; i < n; ++i) {
    seg[i].Pending = 1;
    starts[i] = EntityStart(seg[i]);
    ends[i] = EntityEnd(seg[i]);
    xmin[i] = seg[i].XMin;
  }
  TouchIndex index;
  index.Build(starts, ends, xmin, tol);
  auto touches = [tol](TTBPoint a, TTBPoint b) { return std::fabs(a.X - b.X) < tol && std::fabs(a.Y - b.Y) < tol; };

  // The chain is built in scratch arrays and copied once into a region of
  // its exact size.
  TTBEntityArray chain, backward;
  for (size_t s = 0; s < n; ++s) {
    if (!index.Pending(s)) continue;
    index.Consume(s);
    TTBEntity first = seg[s];
    first.Pending = 0;
    TTBRegion r;
    r.Depth = depth;
    r.XMin = first.XMin, r.YMin = first.YMin, r.YMax = first.YMax, r.XMax = first.XMax;
    if (IsExactCircle(first)) {
      if (first.Radius > 0) ReverseEntity(first);
      r.Entities.assign(1, first);
      r.Clockwise = 1;
      r.IsOpen = 0;
      out.push_back(std::move(r));
      continue;
    }
    chain.assign(1, first);
    const TTBPoint F0 = EntityStart(first);
    TTBPoint E = EntityEnd(first);
    bool closed = false;
    // The first pending segment touching p (the scan ending as the rules
    // say), snapped onto p and turned to run away from p (forward) or
    // towards it (backward).
    auto take = [&](TTBPoint p, bool forward, TTBEntity& j) {
      const TouchHit hit = index.FirstTouching(p, !forward);
      if (!hit.found()) return false;
      j = seg[hit.index];
      index.Consume(hit.index);
      j.Pending = 0;
      MoveEntityPoint(j, p, hit.atStart ? 0 : 1);
      if (hit.atStart != forward) ReverseEntity(j);
      UnionBox(r, j);
      return true;
    };
    TTBEntity j;
    while (!closed && take(E, true, j)) {
      E = EntityEnd(j);
      if (touches(E, F0)) {
        MoveEntityPoint(j, F0, 1);
        closed = true;
      }
      chain.push_back(j);
    }
    // The last forward scan saw pending segments exactly when some remain.
    backward.clear();
    if (!closed && index.PendingCount() > 0) {
      TTBPoint F = F0;
      while (take(F, false, j)) {
        F = EntityStart(j);
        backward.push_back(j);
      }
    }
    r.Entities.reserve(backward.size() + chain.size());
    r.Entities.assign(backward.rbegin(), backward.rend());
    r.Entities.insert(r.Entities.end(), chain.begin(), chain.end());
    r.IsOpen = closed ? 0 : 1;
    out.push_back(std::move(r));
  }
}

}  // namespace

void ChainEntities(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw, double tolerance,
                   double depth, const PassControl& control) {
  regions = EmptyRegionList();
  // The chains go after a placeholder of their own, which the join and the
  // directions leave alone, so that the list is not copied again at the
  // end. Most drawings give a region for every few segments; capacity never
  // used takes no memory pages.
  TTBRegionArray chains = EmptyRegionList();
  chains.reserve(segments.size() / 4 + 2);
  const long h = static_cast<long>(segments.size()) - 1;
  if (h >= 0) {
    long size = 5000;
    long count = std::lround(static_cast<double>(h) / 5000.0) + 1;
    if (std::lround(static_cast<double>(h) / 5000.0) > 500) {
      size = h / 500;
      count = std::lround(static_cast<double>(h) / static_cast<double>(size)) + 1;
    }
    const long pollEvery = std::max(1L, count / 10);
    control.Begin("Chaining...", count);
    for (long k = 0; k < count; ++k) {
      if (k % pollEvery == 0) {
        control.Advance(k);
        if (control.Cancelled()) {
          control.End();
          segments.clear();
          return;
        }
      }
      const long lo = k * size;
      if (lo > h) break;
      const long hi = std::min(h, lo + size - 1);
      TTBEntity* batch = segments.data() + lo;
      const size_t n = static_cast<size_t>(hi - lo + 1);
      if (n == 1 && batch[0].X == 0 && batch[0].Y == 0 && batch[0].Radius == 0 && batch[0].X2 == 0) continue;
      ChainBatch(batch, n, tolerance, depth, chains);
    }
    control.End();
  }
  segments.clear();
  for (size_t i = 1; i < chains.size(); ++i) chains[i].Selected = 1;
  if (chains.size() > 1) SortRegionsByXMin(chains, 1, chains.size() - 1);
  JoinOpenRegions(chains, tolerance);
  SetAllDirections(chains, cw);
  regions = std::move(chains);
}

void SortRegionsByXMin(TTBRegionArray& regions, size_t lo, size_t hi) { SortByXMin(regions, lo, hi); }

void JoinOpenRegions(TTBRegionArray& regions, double tol) {
  const size_t n = regions.size();
  // Only marked open regions take part; without any there is nothing to do.
  if (std::none_of(regions.begin(), regions.end(),
                   [](const TTBRegion& r) { return r.Selected && r.IsOpen && !r.Entities.empty(); }))
    return;
  // Only they are indexed (in list order, so the first found is the first
  // in the list): the others never stop a scan.
  std::vector<uint32_t> part;
  std::vector<uint32_t> partOf(n, UINT32_MAX);
  for (size_t i = 0; i < n; ++i)
    if (regions[i].Selected && regions[i].IsOpen && !regions[i].Entities.empty()) {
      partOf[i] = static_cast<uint32_t>(part.size());
      part.push_back(static_cast<uint32_t>(i));
    }
  const size_t m = part.size();
  std::vector<TTBPoint> starts(m), ends(m);
  std::vector<double> xmin(m);
  for (size_t k = 0; k < m; ++k) {
    RegionEnds(regions[part[k]], starts[k], ends[k]);
    xmin[k] = regions[part[k]].XMin;
  }
  TouchIndex index;
  index.Build(starts, ends, xmin, tol);
  std::vector<uint8_t> consumed(n, 0);
  auto touches = [tol](TTBPoint a, TTBPoint b) { return std::fabs(a.X - b.X) < tol && std::fabs(a.Y - b.Y) < tol; };

  // The result is written over the list: each region gives at most one, in
  // list order, and a chain only takes regions after its first.
  size_t w = 0;
  for (size_t i = 0; i < n; ++i) {
    if (consumed[i]) continue;
    TTBRegion& R = regions[i];
    if (partOf[i] == UINT32_MAX || !index.Pending(partOf[i])) {
      if (w != i) regions[w] = std::move(R);
      ++w;
      continue;
    }
    index.Consume(partOf[i]);
    R.Selected = 0;
    TTBRegion A = std::move(R);
    TTBPoint S = RegionStart(A), E = RegionEnd(A);
    bool closed = false;
    // The next marked open region touching p, snapped onto p and turned to
    // run away from p (appending) or towards it (prepending); null when none.
    auto take = [&](TTBPoint p, bool append) -> TTBRegion* {
      const TouchHit hit = index.FirstTouching(p, false);
      if (!hit.found()) return nullptr;
      index.Consume(hit.index);
      const uint32_t q = part[hit.index];
      TTBRegion& Q = regions[q];
      consumed[q] = 1;
      Q.Selected = 0;
      if (hit.atStart)
        MoveEntityPoint(Q.Entities.front(), p, 0);
      else
        MoveEntityPoint(Q.Entities.back(), p, 1);
      if (hit.atStart == append) return &Q;
      ReverseRegion(Q);
      return &Q;
    };
    while (TTBRegion* Q = take(E, true)) {
      UnionBox(A, *Q);
      A.Entities.insert(A.Entities.end(), Q->Entities.begin(), Q->Entities.end());
      E = RegionEnd(A);
      if (touches(E, S)) {
        MoveEntityPoint(A.Entities.back(), S, 1);
        closed = true;
        break;
      }
    }
    if (!closed) {
      // Pieces placed in front, in the order found; spliced in once at the
      // end (prepending each one would copy the chain every time).
      std::vector<TTBEntityArray> front;
      while (TTBRegion* Q = take(S, false)) {
        UnionBox(A, *Q);
        S = RegionStart(*Q);
        front.push_back(std::move(Q->Entities));
      }
      if (!front.empty()) {
        TTBEntityArray all;
        for (auto it = front.rbegin(); it != front.rend(); ++it) all.insert(all.end(), it->begin(), it->end());
        all.insert(all.end(), A.Entities.begin(), A.Entities.end());
        A.Entities = std::move(all);
      }
    }
    A.IsOpen = closed ? 0 : 1;
    regions[w++] = std::move(A);
  }
  regions.resize(w);
}

void SetAllDirections(TTBRegionArray& regions, uint8_t cw) {
  for (auto& r : regions)
    if (!r.IsOpen && !r.Entities.empty()) SetRegionDirection(r, cw);
}

void RemoveMarkedRegions(TTBRegionArray& regions) {
  if (regions.empty()) return;
  size_t k = 1;
  regions[0].Selected = 0;
  for (size_t i = 1; i < regions.size(); ++i)
    if (!regions[i].Selected) {
      if (k != i) regions[k] = std::move(regions[i]);
      ++k;
    }
  regions.resize(k);
}

void OrderRegionsNearest(TTBRegionArray& regions, const TExtents& extents, const PassControl& control) {
  if (control.Cancelled() || regions.size() <= 2) return;
  const size_t n = regions.size() - 1;
  std::vector<TTBPoint> starts(n), ends(n);
  for (size_t i = 0; i < n; ++i) RegionEnds(regions[i + 1], starts[i], ends[i]);
  NearestGrid grid(starts);
  // from[k]: the region that goes to place k + 1.
  std::vector<uint32_t> from(n);
  TTBPoint p{extents.XMin, extents.YMin};
  for (size_t k = 0; k < n; ++k) {
    const size_t i = grid.TakeNearest(p);
    p = ends[i];
    from[k] = static_cast<uint32_t>(i);
  }
  // The regions are moved along the cycles of the order, without a second
  // list.
  std::vector<uint8_t> placed(n, 0);
  for (size_t k = 0; k < n; ++k) {
    if (placed[k] || from[k] == k) continue;
    TTBRegion first = std::move(regions[k + 1]);
    size_t j = k;
    while (from[j] != k) {
      regions[j + 1] = std::move(regions[from[j] + 1]);
      placed[j] = 1;
      j = from[j];
    }
    regions[j + 1] = std::move(first);
    placed[j] = 1;
  }
}

}  // namespace tibrel
