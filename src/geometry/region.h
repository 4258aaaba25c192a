// The region record (a chain of entities end to start) and region lists.
// Region lists are 1-based: element 0 is a placeholder that is never shown,
// counted or machined; the numbers the user sees start at 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/entity.h"

namespace tibrel {

struct TTBRegion {
  uint32_t Encloser = 0;    // nearest enclosing closed region (own index when none)
  uint32_t NestCount = 0;   // number of closed regions that enclose this one
  uint32_t WallProfile = 0; // wall profile number from 1; 0 = none
  float WallDelta = 0;
  uint8_t Done = 0;
  uint8_t Clockwise = 0;    // closed regions: 1 = clockwise travel
  double XMin = 0, YMin = 0, YMax = 0, XMax = 0;
  // Machining depth, positive downward. While a drawing is converted it
  // carries a polyline's half width.
  double Depth = 0;
  uint8_t Used = 0;
  uint8_t IsOpen = 0;
  uint32_t IslandOf = 0;    // boundary this region is an island of; 0 = none
  uint8_t Selected = 0;     // also the work mark of whole-list passes
  double ApproachDepth = 0;
  int32_t LinkMode = 0;
  TTBEntityArray Entities;  // travel order
};

using TTBRegionArray = std::vector<TTBRegion>;
using TTBSuperRegionArray = std::vector<TTBRegionArray>;
using TTBBooleanArray = std::vector<uint8_t>;
using TTBDoubleArray = std::vector<double>;

// A region list holding only the placeholder.
TTBRegionArray EmptyRegionList();

TTBPoint RegionStart(const TTBRegion& r);
TTBPoint RegionEnd(const TTBRegion& r);
void RegionEnds(const TTBRegion& r, TTBPoint& start, TTBPoint& end);
// Box = union of the entity boxes; clears every entity's Pending mark.
void UpdateRegionBox(TTBRegion& r);

// Anything with XMin, YMin, YMax, XMax fields.
template <class Dst, class Src>
void UnionBox(Dst& dst, const Src& src) {
  if (src.XMin < dst.XMin) dst.XMin = src.XMin;
  if (src.YMin < dst.YMin) dst.YMin = src.YMin;
  if (src.YMax > dst.YMax) dst.YMax = src.YMax;
  if (src.XMax > dst.XMax) dst.XMax = src.XMax;
}

// Inclusive, no tolerance: identical boxes are inside each other.
template <class A, class B>
bool BoxInside(const A& outer, const B& inner) {
  return inner.XMin >= outer.XMin && inner.XMax <= outer.XMax && inner.YMin >= outer.YMin &&
         inner.YMax <= outer.YMax;
}

// p lies in the box widened by ChainTolerance on every side.
template <class B>
bool PointInBox(TTBPoint p, const B& box);
template <class A, class B>
bool SameBox(const A& a, const B& b);

// Ray casting towards +X; false for open regions and points outside the
// widened box. A point inside a full circle of the region answers true at once.
bool PointInRegion(TTBPoint p, const TTBRegion& r);
// 1 when the closed region runs clockwise, else 0; always 0 for open regions.
uint8_t RegionDirection(const TTBRegion& r);
// Stores cw and reverses the region when its travel differs.
void SetRegionDirection(TTBRegion& r, uint8_t cw);
// Reverses entity order and each entity; toggles Clockwise.
void ReverseRegion(TTBRegion& r);

// Clears WallProfile, WallDelta, Depth, IslandOf and Selected on every element.
void ResetRegionMarks(TTBRegionArray& regions);
// Selected := 0 below lo, 1 for lo..hi.
void MarkRange(TTBRegionArray& regions, size_t lo, size_t hi);
void CountOpenClosed(const TTBRegionArray& regions, int& open, int& closed);
// Appends copies of src[lo..last] to dst; nothing when cancelled.
void AppendRegions(const TTBRegionArray& src, size_t lo, TTBRegionArray& dst, bool cancelled = false);

}  // namespace tibrel

#include "geometry/region_inl.h"
