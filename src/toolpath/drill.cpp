#include "toolpath/drill.h"

#include "geometry/kdtree.h"
#include "geometry/transform.h"

namespace tibrel {

void ApplyTypedDepth(TTBRegionArray& regions, double depth) {
  if (depth == 0) return;
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected && regions[i].IslandOf == 0) regions[i].Depth = depth;
}

void GenerateDrillToolpaths(const OperationRecords& ops) {
  if (ops.Control.Idle()) return;
  const TTBRegionArray& regions = ops.Regions;
  const TTBMachiningParameters& P = ops.MachiningParameters;
  // The holes, indexed for the nearest-neighbour walk; the walk takes them
  // in the same order as a scan of all holes at every step would.
  std::vector<TTBPoint> centres;
  std::vector<size_t> regionOf;
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected && !regions[i].IsOpen) {
      centres.push_back({(regions[i].XMin + regions[i].XMax) / 2, (regions[i].YMin + regions[i].YMax) / 2});
      regionOf.push_back(i);
    }
  ops.Toolpaths = EmptyToolpathList();
  const auto box = SelectionBox(regions);
  if (centres.empty() || !box) {
    ops.Toolpaths.clear();
    return;
  }
  ops.Toolpaths.reserve(centres.size() + 1);
  NearestTree tree(centres);
  TTBPoint at{box->XMin, box->YMin};
  for (size_t k = tree.TakeNearest(at); k != SIZE_MAX; k = tree.TakeNearest(at)) {
    const TTBRegion& r = regions[regionOf[k]];
    at = centres[k];
    TTBOutRegion t;
    t.Colour = P.Rough.PathColour;
    t.FeedRate = P.Rough.FeedRate;
    t.PlungeRate = P.Rough.PlungeRate;
    t.SpindleRPM = P.Rough.SpindleRPM;
    t.ToolNumber = P.Rough.ToolNumber;
    t.Depth = r.Depth;
    t.ApproachDepth = -P.RapidHeight;
    t.LinkMode = P.DrillCycle == 1 ? LinkDrillCycle : LinkDrillLinear;
    t.Entities.push_back(MakeLine(at.X, at.Y, at.X, at.Y));
    ops.Toolpaths.push_back(std::move(t));
  }
}

}  // namespace tibrel
