// The offset engine: where the centre of a cutter runs so that it keeps a
// distance from drawn regions. Lines and arcs in, lines and arcs out: every
// entity is offset, corners are trimmed or rounded, everything is cut at all
// mutual crossings, pieces too near the source are dropped, and the
// survivors are chained into loops.
//
// Side: 0 offsets to the right of the travel direction, 1 to the left.
// Tags: raw offsets of islands carry the island's position (1, 2, ...) in the
// working set; 0 marks boundary material. Tagged pieces may join a chain but
// never start one.
#pragma once

#include "core/progress.h"
#include "geometry/box_tree.h"
#include "toolpath/model.h"

namespace tibrel {

struct OffsetResult {
  TTBEntity Entity;
  bool Ok = false;        // a real offset
  bool HasPoint = false;  // collapsed to a point (a line whose ends coincide)
};

OffsetResult OffsetEntity(const TTBEntity& e, int side, double d);

// Appends the raw offset chain of a region to out (it may cross itself).
// d = 0 replaces out by a copy of the region's entities. False when
// cancelled, or when a one-entity region cannot be offset.
bool RawOffset(const TTBRegion& region, TTBEntityArray& out, double d, bool tagIslands, int side,
               const PassControl& control = {});

// True when p is at least d - 5e-5 from every entity of the region.
bool HasClearance(const TTBRegion& region, TTBPoint p, double d);

// The entity boxes of a region, for clearance tests that look only at the
// entities near the point (the same answers, in about log n).
BoxTree EntityBoxTree(const TTBEntityArray& entities);
bool HasClearance(const TTBRegion& region, const BoxTree& index, TTBPoint p, double d);

// How pieces are kept: 0 all, 1 clear of the source, 2 clear of the source
// and of the islands of the machine region.
struct TrimContext {
  const TTBRegionArray* Regions = nullptr;       // the job's regions (islands by index)
  const TTBMachineRegion* Machine = nullptr;     // the level being cut
  const TTBRegion* Source = nullptr;             // the region offset
  const BoxTree* SourceIndex = nullptr;          // EntityBoxTree of Source, when made
  bool Pocketing = false;                        // island test also at the quarter point
};

void SplitPieces(const TTBEntity& e, std::vector<double> params, int mode, double d, const TrimContext& ctx,
                 TTBEntityArray& pieces);

// Cuts the raw chain at all crossings (and at crossings with islandLoops)
// and keeps the pieces clear of the source. False when cancelled.
bool TrimOffset(TTBEntityArray& raw, TTBEntityArray& pieces, double d, int mode, TTBRegionArray* islandLoops,
                const TrimContext& ctx, const PassControl& control = {});

// Chains pieces into closed loops (and open chains when keepOpen); appends
// them to out and returns how many.
int ChainLoops(TTBEntityArray& pieces, TTBRegionArray& out, bool keepOpen, double depth);

// Chains pieces: chains holding boundary material go to mainOut, chains of
// island material only to islandOut (or to mainOut when they run in the
// given direction). Returns how many went to mainOut.
int ChainWithIslands(TTBEntityArray& pieces, TTBRegionArray& mainOut, TTBRegionArray& islandOut, uint8_t direction,
                     double depth);

// One level of a pocket or finishing pass: the boundary of the machine
// region offset inward together with its islands offset outward.
bool OffsetBoundaryWithIslands(const TTBRegionArray& regions, const TTBMachineRegion& machine,
                               TTBRegionArray& islandOut, uint8_t direction, const TTBTolerances& tolerances,
                               double depth, TTBRegionArray& mainOut, const PassControl& control = {});

// The pieces of an open region's raw offset that are clear of it.
void TrimOpenOffset(TTBEntityArray& raw, TTBEntityArray& pieces, double d, const TTBRegion& source);

// Short or tight arcs to chords, collinear lines merged, in regions from..last.
void SimplifyPaths(TTBRegionArray& list, size_t from, const TTBTolerances& tolerances, bool cancelled = false);

// The offset distance of region i at depth z when it carries a wall profile.
double WallOffset(const TTBRegionArray& regions, size_t i, double z, const TTBRegionArray& profiles, double base);

}  // namespace tibrel
