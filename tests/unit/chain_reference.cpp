#include "chain_reference.h"

#include <algorithm>
#include <cmath>

#include "geometry/chain.h"

namespace tibrel::reference {

namespace {

bool Touch(TTBPoint a, TTBPoint b, double tol) { return std::fabs(a.X - b.X) < tol && std::fabs(a.Y - b.Y) < tol; }

void Grow(TTBRegion& r, const TTBEntity& e) {
  r.XMin = std::min(r.XMin, e.XMin), r.YMin = std::min(r.YMin, e.YMin);
  r.YMax = std::max(r.YMax, e.YMax), r.XMax = std::max(r.XMax, e.XMax);
}

void Batch(TTBEntity* seg, long n, double tol, double depth, TTBRegionArray& out) {
  for (long i = 0; i < n; ++i) seg[i].Pending = 1;
  for (long s = 0; s < n; ++s) {
    if (!seg[s].Pending) continue;
    seg[s].Pending = 0;
    TTBRegion r;
    r.Depth = depth;
    TTBEntity first = seg[s];
    r.XMin = first.XMin, r.YMin = first.YMin, r.YMax = first.YMax, r.XMax = first.XMax;
    if (first.Radius != 0 && first.X2 == first.Y2) {
      if (first.Radius > 0) ReverseEntity(first);
      r.Entities = {first};
      r.Clockwise = 1;
      out.push_back(r);
      continue;
    }
    r.Entities = {first};
    const TTBPoint F = EntityStart(first);
    TTBPoint E = EntityEnd(first);
    bool closed = false, found = true, sawPending = false;
    while (found && !closed) {
      found = false;
      sawPending = false;
      for (long j = 0; j < n; ++j) {
        if (!seg[j].Pending) continue;
        sawPending = true;
        if (seg[j].XMin > E.X + tol) break;
        if (!(seg[j].XMax > E.X - tol)) continue;
        TTBEntity c = seg[j];
        if (Touch(EntityStart(c), E, tol)) {
          MoveEntityPoint(c, E, 0);
        } else if (Touch(EntityEnd(c), E, tol)) {
          MoveEntityPoint(c, E, 1);
          ReverseEntity(c);
        } else {
          continue;
        }
        seg[j].Pending = 0;
        c.Pending = 0;
        Grow(r, c);
        E = EntityEnd(c);
        if (Touch(E, F, tol)) {
          MoveEntityPoint(c, F, 1);
          closed = true;
        }
        r.Entities.push_back(c);
        found = true;
        break;
      }
    }
    if (!closed && sawPending) {
      TTBEntityArray back;
      TTBPoint G = F;
      found = true;
      while (found) {
        found = false;
        for (long j = 0; j < n; ++j) {
          if (seg[j].XMin > G.X + tol) break;
          if (!seg[j].Pending || !(seg[j].XMax > G.X - tol)) continue;
          TTBEntity c = seg[j];
          if (Touch(EntityStart(c), G, tol)) {
            MoveEntityPoint(c, G, 0);
            ReverseEntity(c);
          } else if (Touch(EntityEnd(c), G, tol)) {
            MoveEntityPoint(c, G, 1);
          } else {
            continue;
          }
          seg[j].Pending = 0;
          c.Pending = 0;
          G = EntityStart(c);
          Grow(r, c);
          back.push_back(c);
          found = true;
          break;
        }
      }
      std::reverse(back.begin(), back.end());
      back.insert(back.end(), r.Entities.begin(), r.Entities.end());
      r.Entities = back;
    }
    r.IsOpen = closed ? 0 : 1;
    out.push_back(r);
  }
}

}  // namespace

void ChainEntities(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw, double tol, double depth) {
  regions = TTBRegionArray(1);
  TTBRegionArray all;
  const long h = static_cast<long>(segments.size()) - 1;
  long size = 5000;
  long count = std::lround(h / 5000.0) + 1;
  if (std::lround(h / 5000.0) > 500) {
    size = h / 500;
    count = std::lround(static_cast<double>(h) / size) + 1;
  }
  for (long k = 0; k < count && h >= 0; ++k) {
    const long lo = k * size;
    if (lo > h) break;
    const long n = std::min(h, lo + size - 1) - lo + 1;
    TTBEntity* b = segments.data() + lo;
    if (n == 1 && b->X == 0 && b->Y == 0 && b->Radius == 0 && b->X2 == 0) continue;
    Batch(b, n, tol, depth, all);
  }
  segments.clear();
  for (auto& r : all) r.Selected = 1;
  std::stable_sort(all.begin(), all.end(), [](const TTBRegion& a, const TTBRegion& b) { return a.XMin < b.XMin; });
  reference::JoinOpenRegions(all, tol);
  for (auto& r : all)
    if (!r.IsOpen && !r.Entities.empty()) SetRegionDirection(r, cw);
  regions.insert(regions.end(), all.begin(), all.end());
}

void JoinOpenRegions(TTBRegionArray& regions, double tol) {
  const size_t n = regions.size();
  std::vector<uint8_t> taken(n, 0);
  auto marked = [&](size_t q) { return regions[q].Selected && regions[q].IsOpen && !regions[q].Entities.empty(); };
  TTBRegionArray result;
  for (size_t i = 0; i < n; ++i) {
    if (taken[i]) continue;
    if (!marked(i)) {
      result.push_back(regions[i]);
      continue;
    }
    regions[i].Selected = 0;
    TTBRegion A = regions[i];
    bool closed = false, found = true;
    while (found && !closed) {
      found = false;
      const TTBPoint E = RegionEnd(A);
      for (size_t q = 0; q < n; ++q) {
        if (!marked(q)) continue;
        if (regions[q].XMin > E.X + tol) break;
        if (!(regions[q].XMax > E.X - tol)) continue;
        TTBRegion Q = regions[q];
        if (Touch(RegionStart(Q), E, tol)) {
          MoveEntityPoint(Q.Entities.front(), E, 0);
        } else if (Touch(RegionEnd(Q), E, tol)) {
          MoveEntityPoint(Q.Entities.back(), E, 1);
          ReverseRegion(Q);
        } else {
          continue;
        }
        regions[q].Selected = 0;
        taken[q] = 1;
        A.XMin = std::min(A.XMin, Q.XMin), A.YMin = std::min(A.YMin, Q.YMin);
        A.YMax = std::max(A.YMax, Q.YMax), A.XMax = std::max(A.XMax, Q.XMax);
        A.Entities.insert(A.Entities.end(), Q.Entities.begin(), Q.Entities.end());
        if (Touch(RegionEnd(A), RegionStart(A), tol)) {
          MoveEntityPoint(A.Entities.back(), RegionStart(A), 1);
          closed = true;
        }
        found = true;
        break;
      }
    }
    found = !closed;
    while (found) {
      found = false;
      const TTBPoint S = RegionStart(A);
      for (size_t q = 0; q < n; ++q) {
        if (!marked(q)) continue;
        if (regions[q].XMin > S.X + tol) break;
        if (!(regions[q].XMax > S.X - tol)) continue;
        TTBRegion Q = regions[q];
        if (Touch(RegionStart(Q), S, tol)) {
          MoveEntityPoint(Q.Entities.front(), S, 0);
          ReverseRegion(Q);
        } else if (Touch(RegionEnd(Q), S, tol)) {
          MoveEntityPoint(Q.Entities.back(), S, 1);
        } else {
          continue;
        }
        regions[q].Selected = 0;
        taken[q] = 1;
        A.XMin = std::min(A.XMin, Q.XMin), A.YMin = std::min(A.YMin, Q.YMin);
        A.YMax = std::max(A.YMax, Q.YMax), A.XMax = std::max(A.XMax, Q.XMax);
        Q.Entities.insert(Q.Entities.end(), A.Entities.begin(), A.Entities.end());
        A.Entities = Q.Entities;
        found = true;
        break;
      }
    }
    A.IsOpen = closed ? 0 : 1;
    result.push_back(A);
  }
  regions = result;
}

void OrderRegionsNearest(TTBRegionArray& regions, const TExtents& extents) {
  TTBRegionArray out{regions[0]};
  std::vector<uint8_t> left(regions.size(), 1);
  TTBPoint p{extents.XMin, extents.YMin};
  for (size_t k = 1; k < regions.size(); ++k) {
    size_t best = 0;
    double bestD = 0;
    for (size_t i = 1; i < regions.size(); ++i) {
      if (!left[i]) continue;
      const TTBPoint s = RegionStart(regions[i]);
      const double dx = s.X - p.X, dy = s.Y - p.Y;
      const double d = dx * dx + dy * dy;
      if (best == 0 || d < bestD) best = i, bestD = d;
    }
    left[best] = 0;
    out.push_back(regions[best]);
    p = RegionEnd(regions[best]);
  }
  regions = out;
}

void PrepareSegments(TTBEntityArray& segments) {
  TTBEntityArray kept;
  for (const auto& e : segments)
    if (EntityLength(e) > 0.00025) kept.push_back(e);
  for (auto& e : kept)
    if (e.Radius == 0 && e.X > e.X2) std::swap(e.X, e.X2), std::swap(e.Y, e.Y2);
  std::stable_sort(kept.begin(), kept.end(), [](const TTBEntity& a, const TTBEntity& b) { return a.XMin < b.XMin; });
  const double t = 0.0005;
  auto near = [t](double a, double b) { return std::fabs(a - b) < t; };
  std::vector<bool> drop(kept.size(), false);
  for (size_t i = 0; i < kept.size(); ++i) {
    const TTBEntity& a = kept[i];
    for (size_t j = i + 1; j < kept.size() && kept[j].XMin - a.XMin <= t; ++j) {
      const TTBEntity& b = kept[j];
      if (b.Radius != a.Radius) continue;
      bool dup;
      if (b.Radius == 0) {
        const bool same = near(b.X2, a.X2) && near(b.Y, a.Y) && near(b.Y2, a.Y2);
        dup = std::fabs(b.X - b.X2) < t ? same || (near(b.Y2, a.Y) && near(b.Y, a.Y2)) : same;
      } else {
        dup = b.XMax - a.XMax < t && near(b.YMin, a.YMin) && near(b.YMax, a.YMax) &&
              std::fabs(b.X2 - a.X2) < 1e-8 && std::fabs(b.Y2 - a.Y2) < 1e-8;
      }
      if (dup) drop[i] = true;
    }
  }
  segments.clear();
  for (size_t i = 0; i < kept.size(); ++i)
    if (!drop[i]) segments.push_back(kept[i]);
}

}  // namespace tibrel::reference
