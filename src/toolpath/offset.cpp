#include "toolpath/offset.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "geometry/tolerances.h"
#include "toolpath/intersect.h"

namespace tibrel {
// The command mode of a running pocket: island clearance is then also tested
// at the quarter point of every piece.
constexpr int32_t PocketCommandMode = 100;
// Joint gaps below this are rounding between the two sides of one crossing.
constexpr double SnapGap = 1e-5;
}

namespace tibrel {

namespace {

double Sq(double v) { return v * v; }
double Dist2(TTBPoint a, TTBPoint b) { return Sq(a.X - b.X) + Sq(a.Y - b.Y); }
TTBEntity PointEntity(TTBPoint p) { return MakeLine(p.X, p.Y, p.X, p.Y); }

// A corner arc about v from a to b with radius d on the side's sense, when
// its sweep is sensible.
bool CornerArc(TTBPoint v, TTBPoint a, TTBPoint b, double d, int side, TTBEntity& arc) {
  arc = MakeArc(v.X, v.Y, side == 0 ? d : -d, PointAngle(v, a), PointAngle(v, b));
  const double sweep = std::fabs(ArcSweep(arc));
  return !IsFullCircle(arc) && sweep >= OffsetTiny && sweep <= MaxCornerSweep;
}

bool StopRequested(const PassControl& c) { return c.commandMode && c.Stopped(); }

// The crossing of a and b nearest p, when one lies within reach of it.
bool CrossingNear(const TTBEntity& a, const TTBEntity& b, TTBPoint p, double reach, TTBPoint& at) {
  TTBCrossing x[2];
  const int n = IntersectEntities(a, b, x);
  double best = reach * reach;
  bool found = false;
  for (int i = 0; i < n; ++i)
    if (Dist2(x[i].P, p) <= best) best = Dist2(x[i].P, p), at = x[i].P, found = true;
  return found;
}

// A convex corner that turns by more than a half turn (a cusp whose sides
// curve apart): each offset runs into the other side's band just before the
// tip. The tip is then P's offset up to the far-side offset of N, that
// far-side offset back to the vertex's circle, the circle round the tip,
// the far-side offset of P out to N's offset, and N's offset on. Returns
// false, adding nothing, when the pieces do not meet near the tip.
bool OverturnedCorner(const TTBEntity& prevSrc, const TTBEntity& nextSrc, TTBPoint v, TTBEntity& prev,
                      TTBEntity& next, double d, int side, TTBEntity pieces[3]) {
  const OffsetResult pFar = OffsetEntity(prevSrc, 1 - side, d), nFar = OffsetEntity(nextSrc, 1 - side, d);
  if (!pFar.Ok || !nFar.Ok) return false;
  TTBPoint x, y;
  if (!CrossingNear(prev, nFar.Entity, EntityEnd(prev), d, x) || !CrossingNear(pFar.Entity, next, EntityStart(next), d, y))
    return false;
  TTBEntity in = nFar.Entity, out = pFar.Entity, tip;
  MoveEntityPoint(in, x, 1);
  ReverseEntity(in);
  MoveEntityPoint(out, y, 0);
  ReverseEntity(out);
  if (!CornerArc(v, EntityEnd(in), EntityStart(out), d, side, tip) || std::fabs(ArcSweep(tip)) > 3.14159265358979323846)
    return false;
  MoveEntityPoint(prev, x, 1);
  MoveEntityPoint(next, y, 0);
  pieces[0] = in, pieces[1] = tip, pieces[2] = out;
  return true;
}

}  // namespace

OffsetResult OffsetEntity(const TTBEntity& e, int side, double d) {
  OffsetResult r;
  r.Entity = e;
  r.Entity.Pending = 0;
  if (e.Radius == 0) {
    const double dx = e.X2 - e.X, dy = e.Y2 - e.Y, len = std::hypot(dx, dy);
    if (len < OffsetTiny) return r;
    double ux = dx / len, uy = dy / len;
    if (side == 1) ux = -ux, uy = -uy;
    TTBEntity& o = r.Entity;
    o.X = e.X + d * uy, o.Y = e.Y - d * ux, o.X2 = e.X2 + d * uy, o.Y2 = e.Y2 - d * ux;
    if (Sq(o.X2 - o.X) + Sq(o.Y2 - o.Y) <= OffsetMinLineSquared) {
      r.Entity = PointEntity({(o.X + o.X2) / 2, (o.Y + o.Y2) / 2});
      r.Entity.Tag = e.Tag;
      r.HasPoint = true;
      return r;
    }
    UpdateEntityBox(o);
    r.Ok = true;
    return r;
  }
  const double nr = side == 0 ? e.Radius + d : e.Radius - d;
  if ((nr > 0) == (e.Radius > 0) && std::fabs(nr) >= OffsetMinRadius) {
    r.Entity.Radius = nr;
    UpdateEntityBox(r.Entity);
    r.Ok = true;
    return r;
  }
  if (IsFullCircle(e)) return r;
  // The apex where the offsets of the arc's neighbours would meet.
  TTBPoint s, t;
  EntityEnds(e, s, t);
  const TTBPoint m{(s.X + t.X) / 2, (s.Y + t.Y) / 2};
  const double h = std::sqrt(Dist2(s, t)) / 2;
  TTBPoint dir{e.X - m.X, e.Y - m.Y};
  double len = std::hypot(dir.X, dir.Y);
  if (len < OffsetTiny) {
    const TTBPoint mid = EntityMidpoint(e);
    dir = {e.X - mid.X, e.Y - mid.Y};
    len = std::hypot(dir.X, dir.Y);
  }
  const double k = std::sqrt(std::fabs(d * d - h * h)) / (len > 0 ? len : 1);
  r.Entity = PointEntity({m.X + dir.X * k, m.Y + dir.Y * k});
  r.Entity.Tag = e.Tag;
  r.HasPoint = true;
  return r;
}

bool RawOffset(const TTBRegion& region, TTBEntityArray& out, double d, bool tagIslands, int side,
               const PassControl& control) {
  if (StopRequested(control)) return false;
  if (d == 0) {
    out = region.Entities;
    return true;
  }
  // Lines too short to have a direction take no part.
  TTBEntityArray src;
  src.reserve(region.Entities.size());
  for (const auto& e : region.Entities)
    if (e.Radius != 0 || std::hypot(e.X2 - e.X, e.Y2 - e.Y) >= OffsetTiny) src.push_back(e);
  if (src.empty()) return false;
  const size_t first = out.size();
  auto append = [&](const TTBEntity& e) {
    if (e.Radius == 0 && std::hypot(e.X2 - e.X, e.Y2 - e.Y) <= OffsetTiny) return;
    out.push_back(e);
    UpdateEntityBox(out.back());
  };
  OffsetResult prev;
  size_t k = 0;
  if (region.IsOpen) {
    while (k < src.size() && !(prev = OffsetEntity(src[k], side, d)).Ok) ++k;
    if (k == src.size()) return src.size() > 1;
    ++k;
  } else {
    prev = OffsetEntity(src.back(), side, d);
    if (src.size() == 1 && !prev.Ok) return false;
  }
  for (; k < src.size(); ++k) {
    const TTBPoint v = EntityStart(src[k]);
    OffsetResult next = OffsetEntity(src[k], side, d);
    TTBEntity arc;
    if (next.Ok && prev.Ok) {
      TTBCrossing x[2];
      const int n = IntersectEntities(prev.Entity, next.Entity, x);
      if (n > 0) {
        const TTBCrossing& c = n == 2 && x[1].B < x[0].B ? x[1] : x[0];
        MoveEntityPoint(prev.Entity, c.P, 1);
        MoveEntityPoint(next.Entity, c.P, 0);
        append(prev.Entity);
      } else {
        TTBEntity tip[3];
        const TTBEntity& prevSrc = k == 0 ? src.back() : src[k - 1];
        if (CornerArc(v, EntityEnd(prev.Entity), EntityStart(next.Entity), d, side, arc) &&
            std::fabs(ArcSweep(arc)) > 3.14159265358979323846 &&
            OverturnedCorner(prevSrc, src[k], v, prev.Entity, next.Entity, d, side, tip)) {
          append(prev.Entity);
          for (const auto& piece : tip) append(piece);
        } else {
          append(prev.Entity);
          if (CornerArc(v, EntityEnd(prev.Entity), EntityStart(next.Entity), d, side, arc)) append(arc);
        }
      }
    } else if (next.Ok && prev.HasPoint) {
      const TTBPoint p{prev.Entity.X, prev.Entity.Y};
      const TTBEntity& n = next.Entity;
      const bool on = n.Radius != 0 ? AngleOnArc(n, PointAngle({n.X, n.Y}, p), ClearanceSlack)
                                    : (p.X >= n.XMin - ClearanceSlack && p.X <= n.XMax + ClearanceSlack &&
                                       p.Y >= n.YMin - ClearanceSlack && p.Y <= n.YMax + ClearanceSlack);
      if (!on && CornerArc(v, p, EntityStart(n), d, side, arc)) append(arc);
    } else if (!next.Ok) {
      if (prev.Ok) append(prev.Entity);
      if (next.HasPoint) {
        const TTBPoint from = prev.Ok ? EntityEnd(prev.Entity) : TTBPoint{prev.Entity.X, prev.Entity.Y};
        if ((prev.Ok || prev.HasPoint) && CornerArc(v, from, {next.Entity.X, next.Entity.Y}, d, side, arc)) append(arc);
      }
    }
    prev = next;
  }
  if (region.IsOpen && prev.Ok) append(prev.Entity);
  if (tagIslands && region.IslandOf >= 1)
    for (size_t i = first; i < out.size(); ++i) out[i].Tag = region.IslandOf;
  return true;
}

namespace {

// Squared distance from p to an entity.
}  // namespace

namespace {

bool TooNear(const TTBEntity& e, TTBPoint p, double m, double limit) {
  if (!(p.X > e.XMin - m && p.X < e.XMax + m && p.Y > e.YMin - m && p.Y < e.YMax + m)) return false;
  // The distance to the whole circle is a lower bound of the distance to the
  // arc: when that is clear, no angle needs working out.
  if (e.Radius != 0 && Sq(std::hypot(p.X - e.X, p.Y - e.Y) - std::fabs(e.Radius)) >= limit) return false;
  return EntityDistanceSquared(e, p) < limit;
}

}  // namespace

bool HasClearance(const TTBRegion& region, TTBPoint p, double d) {
  if (d <= ClearanceSlack) return true;
  const double m = OverlapMargin + d, limit = Sq(d - ClearanceSlack);
  for (const auto& e : region.Entities)
    if (TooNear(e, p, m, limit)) return false;
  return true;
}

BoxTree EntityBoxTree(const TTBEntityArray& entities) {
  std::vector<Box> boxes(entities.size());
  std::vector<uint32_t> items(entities.size());
  for (size_t k = 0; k < entities.size(); ++k) {
    const TTBEntity& e = entities[k];
    boxes[k] = {e.XMin, e.YMin, e.YMax, e.XMax};
    items[k] = static_cast<uint32_t>(k);
  }
  return BoxTree(std::move(boxes), std::move(items));
}

bool HasClearance(const TTBRegion& region, const BoxTree& index, TTBPoint p, double d) {
  if (d <= ClearanceSlack) return true;
  const double m = OverlapMargin + d, limit = Sq(d - ClearanceSlack);
  thread_local std::vector<uint32_t> near;
  near.clear();
  index.Overlapping({p.X - m, p.Y - m, p.Y + m, p.X + m}, near);
  for (uint32_t k : near)
    if (TooNear(region.Entities[k], p, m, limit)) return false;
  return true;
}

namespace {

bool PieceKept(const TTBEntity& piece, int mode, double d, const TrimContext& ctx) {
  if (mode == 0 || !ctx.Source) return true;
  const TTBPoint m = EntityPointAt(piece, 0.5), q = EntityPointAt(piece, 0.25);
  if (!ctx.SourceIndex) {
    if (!HasClearance(*ctx.Source, m, d) || !HasClearance(*ctx.Source, q, d)) return false;
  } else if (d > ClearanceSlack) {
    // One look-up serves both points: they lie close together.
    const double margin = OverlapMargin + d, limit = Sq(d - ClearanceSlack);
    thread_local std::vector<uint32_t> near;
    near.clear();
    ctx.SourceIndex->Overlapping({std::min(m.X, q.X) - margin, std::min(m.Y, q.Y) - margin,
                                  std::max(m.Y, q.Y) + margin, std::max(m.X, q.X) + margin},
                                 near);
    for (uint32_t k : near) {
      const TTBEntity& e = ctx.Source->Entities[k];
      if (TooNear(e, m, margin, limit) || TooNear(e, q, margin, limit)) return false;
    }
  }
  if (mode != 2 || !ctx.Machine || !ctx.Regions) return true;
  for (const auto& isl : ctx.Machine->Islands) {
    if (isl.Region < 1 || static_cast<size_t>(isl.Region) >= ctx.Regions->size()) continue;
    const TTBRegion& r = (*ctx.Regions)[static_cast<size_t>(isl.Region)];
    if (!BoxesOverlapWidened(r, piece, OverlapMargin + isl.Offset)) continue;
    if (!HasClearance(r, m, isl.Offset)) return false;
    if (ctx.Pocketing && !HasClearance(r, q, isl.Offset)) return false;
  }
  return true;
}

TTBEntity PieceBetween(const TTBEntity& e, double t0, double t1) {
  TTBEntity p = e;
  p.Pending = 0;
  if (e.Radius == 0) {
    const TTBPoint a = EntityPointAt(e, t0), b = EntityPointAt(e, t1);
    p.X = a.X, p.Y = a.Y, p.X2 = b.X, p.Y2 = b.Y;
  } else {
    const double sweep = IsFullCircle(e) ? (e.Radius > 0 ? TwoPi : -TwoPi) : ArcSweep(e);
    p.X2 = NormaliseAngle(e.X2 + t0 * sweep);
    p.Y2 = NormaliseAngle(e.X2 + t1 * sweep);
  }
  UpdateEntityBox(p);
  return p;
}

}  // namespace

void SplitPieces(const TTBEntity& e, std::vector<double> params, int mode, double d, const TrimContext& ctx,
                 TTBEntityArray& pieces) {
  std::sort(params.begin(), params.end());
  const bool circle = e.Radius != 0 && IsFullCircle(e);
  if (circle && !params.empty()) params.push_back(params.front() + 1);
  for (size_t k = 0; k + 1 < params.size(); ++k) {
    const double t0 = params[k], t1 = params[k + 1];
    if (e.Radius == 0 ? t1 - t0 <= MinLinePieceFraction : false) continue;
    const TTBEntity piece = PieceBetween(e, t0, t1);
    if (e.Radius != 0 && (t1 - t0 <= 0 || EntityLength(piece) <= OffsetMinRadius ||
                          (IsFullCircle(piece) && t1 - t0 < 0.5)))
      continue;
    if (PieceKept(piece, mode, d, ctx)) pieces.push_back(piece);
  }
}

bool TrimOffset(TTBEntityArray& raw, TTBEntityArray& pieces, double d, int mode, TTBRegionArray* islandLoops,
                const TrimContext& ctx, const PassControl& control) {
  pieces.clear();
  if (StopRequested(control)) return false;
  if (islandLoops)
    for (auto& loop : *islandLoops) loop.Selected = 0;
  for (auto& e : raw) e.Pending = 0;
  const bool hasIslands = ctx.Machine && !ctx.Machine->Islands.empty();
  bool islandCrossed = false;
  std::vector<double> params;
  TTBCrossing x[2];
  // Which raw entities can cross which: a box tree finds the pairs whose
  // widened boxes overlap without looking at every pair.
  const BoxTree rawIndex = EntityBoxTree(raw);
  TrimContext indexed = ctx;
  BoxTree sourceIndex = ctx.Source && !ctx.SourceIndex ? EntityBoxTree(ctx.Source->Entities) : BoxTree({}, {});
  if (ctx.Source && !ctx.SourceIndex) indexed.SourceIndex = &sourceIndex;
  std::vector<uint32_t> near;
  for (size_t i = 0; i < raw.size(); ++i) {
    TTBEntity& e = raw[i];
    params.clear();
    int entityMode = mode;
    if (islandLoops)
      for (auto& loop : *islandLoops) {
        if (!BoxesOverlapWidened(loop, e)) continue;
        for (auto& f : loop.Entities) {
          if (!BoxesOverlapWidened(f, e)) continue;
          const int n = IntersectEntities(e, f, x);
          for (int k = 0; k < n; ++k) params.push_back(x[k].A);
          if (n > 0) f.Pending = 1, loop.Selected = 1, entityMode = 2, islandCrossed = true;
        }
      }
    near.clear();
    rawIndex.Overlapping({e.XMin - OverlapMargin, e.YMin - OverlapMargin, e.YMax + OverlapMargin, e.XMax + OverlapMargin},
                         near);
    for (uint32_t j : near) {
      if (j == i || raw[j].Pending || !BoxesOverlapWidened(raw[j], e)) continue;
      const int n = IntersectEntities(e, raw[j], x);
      for (int k = 0; k < n; ++k) params.push_back(x[k].A);
    }
    const bool circle = e.Radius != 0 && IsFullCircle(e);
    if (params.size() >= 2 || (circle && !params.empty())) {
      SplitPieces(e, params, entityMode, d, indexed, pieces);
    } else if (circle) {
      bool keep = !hasIslands;
      if (hasIslands && ctx.Regions)
        for (const auto& isl : ctx.Machine->Islands) {
          if (isl.Region < 1 || static_cast<size_t>(isl.Region) >= ctx.Regions->size()) continue;
          const TTBRegion& r = (*ctx.Regions)[static_cast<size_t>(isl.Region)];
          if (BoxesOverlapWidened(r, e, OverlapMargin + isl.Offset) && HasClearance(r, EntityStart(e), isl.Offset))
            keep = true;
        }
      if (keep) {
        TTBEntity whole = e;
        whole.Pending = 0;
        pieces.push_back(whole);
      }
    } else {
      e.Pending = 1;  // a raw entity that meets nothing at both ends is not part of a loop
    }
  }
  if (control.Cancelled()) return false;
  if (islandCrossed && islandLoops)
    for (auto& loop : *islandLoops) {
      if (!loop.Selected) continue;
      for (auto& f : loop.Entities) {
        if (!f.Pending) {
          pieces.push_back(f);
          continue;
        }
        f.Pending = 0;
        params.clear();
        for (const auto& e : raw) {
          if (!BoxesOverlapWidened(e, f)) continue;
          const int n = IntersectEntities(f, e, x);
          for (int k = 0; k < n; ++k) params.push_back(x[k].A);
        }
        if (!(f.Radius != 0 && IsFullCircle(f))) params.push_back(0), params.push_back(1);
        SplitPieces(f, params, 1, d, indexed, pieces);
      }
    }
  for (auto& e : raw) e.Pending = 0;
  return true;
}

namespace {

bool Joins(TTBPoint a, TTBPoint b) {
  return std::fabs(a.X - b.X) <= PieceJoinTolerance && std::fabs(a.Y - b.Y) <= PieceJoinTolerance;
}

// Where every piece starts, bucketed on a grid twice the joining tolerance,
// so that the piece joining an end is looked for among the few that start
// near it. Next finds exactly the piece a walk over the list would: the
// first unused one that joins, in list order from after `last`, wrapping.
class StartIndex {
 public:
  explicit StartIndex(const TTBEntityArray& pieces) : starts_(pieces.size()) {
    for (size_t k = 0; k < pieces.size(); ++k) {
      starts_[k] = EntityStart(pieces[k]);
      cells_[Key(Cell(starts_[k].X), Cell(starts_[k].Y))].push_back(static_cast<uint32_t>(k));
    }
  }
  size_t Next(TTBPoint end, size_t last, const std::vector<uint8_t>& used) const {
    const size_t n = starts_.size();
    size_t found = SIZE_MAX, bestRank = SIZE_MAX;
    const int64_t cx = Cell(end.X), cy = Cell(end.Y);
    for (int64_t i = cx - 1; i <= cx + 1; ++i)
      for (int64_t j = cy - 1; j <= cy + 1; ++j) {
        const auto it = cells_.find(Key(i, j));
        if (it == cells_.end()) continue;
        for (const uint32_t k : it->second) {
          if (used[k] || !Joins(starts_[k], end)) continue;
          const size_t rank = k > last ? k - last - 1 : n - last - 1 + k;
          if (rank < bestRank) bestRank = rank, found = k;
        }
      }
    return found;
  }

 private:
  static constexpr double CellSize = 2 * PieceJoinTolerance;
  static int64_t Cell(double v) {
    const double q = std::floor(v / CellSize);
    return std::isfinite(q) ? static_cast<int64_t>(std::clamp(q, -1e15, 1e15)) : 0;
  }
  static uint64_t Key(int64_t i, int64_t j) {
    return static_cast<uint64_t>(i) * 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(j);
  }
  std::vector<TTBPoint> starts_;
  std::unordered_map<uint64_t, std::vector<uint32_t>> cells_;
};

// Grows a chain from piece s; returns the pieces in order and whether it closed.
// At a dead end the last piece is given up once and the search resumes from
// the end before it: a wrong turn at a crossing is taken back. When nothing
// else leaves that end either, the given-up piece was the chain's true end
// and is put back, so that an open chain keeps every piece up to its end.
bool GrowChain(TTBEntityArray& pieces, const StartIndex& index, std::vector<uint8_t>& used, size_t s,
               TTBEntityArray& chain) {
  chain.clear();
  const TTBPoint start = EntityStart(pieces[s]);
  chain.push_back(pieces[s]);
  used[s] = 1;
  std::vector<size_t> joined{s};
  bool steppedBack = false;
  TTBEntity givenUp;
  bool holding = false;  // a piece was just given up and no other way on is known yet
  const size_t limit = pieces.size() + 20;
  for (size_t step = 0; step < limit; ++step) {
    const TTBPoint end = EntityEnd(chain.back());
    const size_t last = joined.back();
    const size_t found = index.Next(end, last, used);
    if (found == SIZE_MAX) {
      if (holding) {
        chain.push_back(givenUp);
        return false;
      }
      if (steppedBack || chain.size() < 2) return false;
      steppedBack = holding = true;
      givenUp = chain.back();
      chain.pop_back();
      joined.pop_back();
      continue;
    }
    holding = false;  // another way on: the given-up piece stays out of every chain
    chain.push_back(pieces[found]);
    // The two sides of a crossing are computed apart and may differ in the
    // last digits: such joints are made to meet exactly. A wider gap stays
    // (pulling the piece over could take it nearer the source than allowed).
    if (Dist2(EntityStart(chain.back()), end) < Sq(SnapGap)) MoveEntityPoint(chain.back(), end, 0);
    used[found] = 1;
    joined.push_back(found);
    if (Joins(EntityEnd(chain.back()), start) && (chain.size() >= 2 || chain[0].Radius != 0)) {
      MoveEntityPoint(chain.back(), start, 1);
      return true;
    }
  }
  return false;
}

TTBRegion MakeResult(TTBEntityArray&& chain, bool closed, double depth) {
  TTBRegion r;
  r.Entities = std::move(chain);
  for (auto& e : r.Entities) {
    e.Tag = 0;
    e.Pending = 0;
    UpdateEntityBox(e);
  }
  r.IsOpen = closed ? 0 : 1;
  r.Selected = closed ? 1 : 0;
  r.Depth = depth;
  UpdateRegionBox(r);
  return r;
}

}  // namespace

// Where three offsets nearly meet in one point, their pairwise crossings
// differ by rounding and leave slivers shorter than the joining tolerance; a
// chain through them would step round the corner on the wrong side. They
// are left out: the gap they leave is within the joining tolerance.
std::vector<uint8_t> SliversUsed(const TTBEntityArray& pieces) {
  std::vector<uint8_t> used(pieces.size(), 0);
  for (size_t k = 0; k < pieces.size(); ++k)
    if (!(pieces[k].Radius != 0 && IsFullCircle(pieces[k])) && EntityLength(pieces[k]) < PieceJoinTolerance) used[k] = 1;
  return used;
}

int ChainLoops(TTBEntityArray& pieces, TTBRegionArray& out, bool keepOpen, double depth) {
  if (out.empty()) out = EmptyRegionList();
  if (pieces.size() == 1 && pieces[0].X == 0 && pieces[0].Y == 0 && pieces[0].Radius == 0 && pieces[0].X2 == 0 &&
      pieces[0].Y2 == 0)
    return 0;
  std::vector<uint8_t> used = SliversUsed(pieces);
  const StartIndex index(pieces);
  int made = 0;
  TTBEntityArray chain;
  for (size_t s = 0; s < pieces.size(); ++s) {
    if (used[s] || pieces[s].Tag != 0) continue;
    if (pieces[s].Radius != 0 && IsFullCircle(pieces[s])) {
      used[s] = 1;
      out.push_back(MakeResult({pieces[s]}, true, depth));
      ++made;
      continue;
    }
    const bool closed = GrowChain(pieces, index, used, s, chain);
    if (closed || keepOpen) {
      out.push_back(MakeResult(std::move(chain), closed, depth));
      ++made;
    }
  }
  return made;
}

int ChainWithIslands(TTBEntityArray& pieces, TTBRegionArray& mainOut, TTBRegionArray& islandOut, uint8_t direction,
                     double depth) {
  if (mainOut.empty()) mainOut = EmptyRegionList();
  if (islandOut.empty()) islandOut = EmptyRegionList();
  std::vector<uint8_t> used = SliversUsed(pieces);
  const StartIndex index(pieces);
  int made = 0;
  TTBEntityArray chain;
  for (size_t s = 0; s < pieces.size(); ++s) {
    if (used[s]) continue;
    bool closed;
    bool boundary;
    if (pieces[s].Radius != 0 && IsFullCircle(pieces[s])) {
      used[s] = 1;
      chain = {pieces[s]};
      closed = true;
      boundary = pieces[s].Tag == 0;
    } else {
      closed = GrowChain(pieces, index, used, s, chain);
      if (!closed) continue;
      boundary = std::any_of(chain.begin(), chain.end(), [](const TTBEntity& e) { return e.Tag == 0; });
    }
    TTBRegion r = MakeResult(std::move(chain), true, depth);
    if (!boundary && RegionDirection(r) == direction) boundary = true;
    if (boundary) {
      mainOut.push_back(std::move(r));
      ++made;
    } else {
      r.Selected = 0;
      islandOut.push_back(std::move(r));
    }
  }
  return made;
}

bool OffsetBoundaryWithIslands(const TTBRegionArray& regions, const TTBMachineRegion& machine,
                               TTBRegionArray& islandOut, uint8_t direction, const TTBTolerances& tolerances,
                               double depth, TTBRegionArray& mainOut, const PassControl& control) {
  if (machine.Region < 1 || static_cast<size_t>(machine.Region) >= regions.size()) return false;
  TTBRegion boundary = regions[static_cast<size_t>(machine.Region)];
  boundary.IslandOf = 0;
  const int side = 1 - direction;
  TTBEntityArray raw;
  if (!RawOffset(boundary, raw, machine.Offset, true, side, control)) return false;
  for (size_t k = 0; k < machine.Islands.size(); ++k) {
    const TTBIsland& isl = machine.Islands[k];
    if (isl.Region < 1 || static_cast<size_t>(isl.Region) >= regions.size()) return false;
    TTBRegion copy = regions[static_cast<size_t>(isl.Region)];
    copy.IslandOf = static_cast<uint32_t>(k + 1);
    ReverseRegion(copy);
    if (!RawOffset(copy, raw, isl.Offset, true, side, control)) return false;
  }
  TTBEntityArray pieces;
  TrimContext ctx{&regions, &machine, &boundary, nullptr,
                  control.commandMode && *control.commandMode == PocketCommandMode};
  if (!TrimOffset(raw, pieces, machine.Offset, 2, nullptr, ctx, control)) return false;
  const size_t from = mainOut.empty() ? 1 : mainOut.size();
  const int made = ChainWithIslands(pieces, mainOut, islandOut, direction, depth);
  SimplifyPaths(mainOut, from, tolerances, control.FlagSet());
  return made > 0;
}

void TrimOpenOffset(TTBEntityArray& raw, TTBEntityArray& pieces, double d, const TTBRegion& source) {
  pieces.clear();
  const BoxTree index = EntityBoxTree(source.Entities);
  const TrimContext ctx{nullptr, nullptr, &source, &index, false};
  std::vector<double> params;
  TTBCrossing x[2];
  for (size_t i = 0; i < raw.size(); ++i) {
    const TTBEntity& e = raw[i];
    params.clear();
    for (size_t j = 0; j < raw.size(); ++j) {
      if (j == i || !BoxesOverlapWidened(raw[j], e)) continue;
      const int n = IntersectEntities(e, raw[j], x);
      for (int k = 0; k < n; ++k) params.push_back(x[k].A);
    }
    const bool circle = e.Radius != 0 && IsFullCircle(e);
    if (params.size() == 2 && params[0] == params[1]) params.pop_back();
    if (params.size() >= 2) {
      // The chain's first and last pieces have no neighbour at their free
      // ends: the ends bound a piece too, or the stretch before the first
      // crossing would be lost.
      if (!circle) params.insert(params.end(), {0, 1});
      SplitPieces(e, params, 1, d, ctx, pieces);
    } else if (params.size() == 1) {
      SplitPieces(e, {params[0], 1, 0}, 1, d, ctx, pieces);
    } else if (circle || HasClearance(source, EntityPointAt(e, 0.5), d)) {
      pieces.push_back(e);
    }
  }
}

void SimplifyPaths(TTBRegionArray& list, size_t from, const TTBTolerances& tol, bool cancelled) {
  if (cancelled) return;
  for (size_t i = std::max<size_t>(from, 1); i < list.size(); ++i) {
    TTBEntityArray& es = list[i].Entities;
    if (tol.MinArcLength != 0 || tol.MinArcRadius != 0)
      for (auto& e : es)
        if (e.Radius != 0 && !IsFullCircle(e) &&
            (EntityLength(e) < tol.MinArcLength || std::fabs(e.Radius) < tol.MinArcRadius)) {
          const TTBPoint s = EntityStart(e), t = EntityEnd(e);
          const uint32_t tag = e.Tag;
          e = MakeLine(s.X, s.Y, t.X, t.Y);
          e.Tag = tag;
        }
    if (es.size() < 3) continue;
    TTBEntityArray merged;
    size_t k = 0;
    while (k < es.size()) {
      const TTBEntity& first = es[k];
      size_t j = k + 1;
      if (first.Radius == 0) {
        const double dx = first.X2 - first.X, dy = first.Y2 - first.Y, len = std::hypot(dx, dy);
        while (j < es.size() && es[j].Radius == 0) {
          const double dist = len > 0 ? std::fabs((es[j].X2 - first.X) * dy - (es[j].Y2 - first.Y) * dx) / len : 0;
          if (dist > tol.TanDeviance) break;
          ++j;
        }
      }
      if (j == k + 1) {
        merged.push_back(first);
      } else {
        const TTBPoint end = j < es.size() ? EntityStart(es[j]) : EntityEnd(es.back());
        merged.push_back(MakeLine(first.X, first.Y, end.X, end.Y));
      }
      k = j;
    }
    es = std::move(merged);
    UpdateRegionBox(list[i]);
  }
}

double WallOffset(const TTBRegionArray& regions, size_t i, double z, const TTBRegionArray& profiles, double base) {
  if (i < 1 || i >= regions.size()) return base;
  const TTBRegion& r = regions[i];
  if (r.WallProfile == 0 || r.WallProfile >= profiles.size()) return base;
  const TTBRegion& p = profiles[r.WallProfile];
  const bool own = r.Encloser == i || r.Encloser == 0 || r.Encloser >= regions.size();
  const double h = own ? r.Depth : std::fabs(r.Depth - regions[r.Encloser].Depth);
  const double width = p.XMax - p.XMin, height = p.YMax - p.YMin;
  if (!(width > 0) || !(height > 0)) return base;
  const double sx = r.WallDelta / width, sy = h / height;
  if (sy < 1e-5) return base;
  const double y = r.IslandOf != 0 ? p.YMax - (z - r.Depth) / sy : p.YMin + (r.Depth - z) / sy;
  for (const auto& e : p.Entities) {
    if (y < e.YMin || y > e.YMax) continue;
    double x;
    if (e.Radius == 0) {
      if (std::fabs(e.X2 - e.X) < 0.0001) return base;
      const double slope = (e.Y2 - e.Y) / (e.X2 - e.X);
      if (std::fabs(slope) < 1e-5) return base;
      x = e.X + (y - e.Y) / slope;
    } else {
      const double root = std::sqrt(std::max(0.0, e.Radius * e.Radius - Sq(e.Y - y)));
      x = EntityMidpoint(e).Y > 0 ? e.X - root : e.X + root;
    }
    return (x - p.XMin) * sx + base;
  }
  return base;
}

}  // namespace tibrel
