// The toolpath model: the machining parameters that the dialogs fill and the
// generators read, the toolpath list, the path tolerances and the depth plan
// records of the pocket and contour generators.
//
// Depths are positive downward from the top of the stock (Z = 0); the rapid
// height is a positive height above it. Lengths in drawing units, feeds in
// drawing units per minute, spindle speed in revolutions per minute.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geometry/region.h"

namespace tibrel {

inline constexpr size_t MaxToolNameLength = 50;

struct TTBTool {
  int32_t ToolType = 0;       // cutter shape; prototype machining only
  double Radius = 0;          // typed diameter / 2
  double Angle = 0;           // prototype machining only
  double PlungeRate = 0;
  double StockToLeave = 0;    // added to the radius for every offset
  double XYStep = 0;          // step-over between pocket offsets
  double YStep = 0;           // prototype only
  double ZStep = 0;           // depth of cut per pass; 0 = one pass
  std::string ToolName;       // at most 50 characters
  int32_t ToolNumber = 0;     // 0..9
  double FeedRate = 0;
  int32_t SpindleRPM = 0;
  int32_t Direction = 0;      // prototype only
  int32_t PathColour = 0;     // colour of this tool's toolpaths (0x00BBGGRR)
};

// Stores a tool name cut to 50 characters.
void SetToolName(TTBTool& tool, const std::string& name);

// Values of the prototype (3D raster) dialog; filled by that dialog only.
struct TTBPrototypeParameters {
  double BlankX1 = 0, BlankY1 = 0, BlankZ1 = 0, BlankX2 = 0, BlankY2 = 0, BlankZ2 = 0;
  int32_t Male = 1;
};

struct TTBMachiningParameters {
  TTBTool Rough;
  TTBTool Finish;
  int32_t FinishMode = 0;    // 0 none; Pocket 1 islands only, 2 islands/boundaries, 3 both + bottom; Contour 1 on
  double Depth = 0;          // 0 = keep each region's own depth
  double DepthCopy = 0;
  double RapidHeight = 0;
  int32_t Coolant = 0;       // 7 on, 0 off
  int32_t Compensation = 0;  // Contour: 0 none, 1 right, 2 left, 3 cut out
  int32_t DrillCycle = 0;    // 0 linear moves, 1 canned cycle
  int32_t EntryType = 0;     // 0 none, 1 arc, 2 perpendicular, 3 tangent
  int32_t ExitType = 0;
  double EntryLength = 0;    // 0 when EntryType is 0
  double ExitLength = 0;
  double FloorStock = 0;
  TTBPrototypeParameters Prototype;
};

// Switches the finishing pass off: the finish tool is "Unknown" with zero
// radius, feed, speed and steps.
void ClearFinishTool(TTBMachiningParameters& p);

struct TTBTolerances {
  double MinArcLength = 0;
  double TanDeviance = 0;
  double MinArcRadius = 0;
};

// How the cutter reaches the start of a toolpath.
enum LinkModes : int32_t {
  LinkStayDown = 0,   // feed from the previous end without lifting
  LinkLift = 1,       // lift to ApproachDepth, move over, plunge
  LinkRunStart = 3,   // first path of a run, starting where the cutter is
  LinkDrillLinear = 5,
  LinkDrillCycle = 6,
};

struct TTBOutRegion {
  int32_t Colour = 0;
  double FeedRate = 0;
  double PlungeRate = 0;
  double SpindleRPM = 0;
  int32_t ToolNumber = 0;
  TTBEntity EntryMove;  // present when HasLeads is 1 and its Pending byte is nonzero
  TTBEntity ExitMove;
  double Depth = 0;
  uint8_t HasLeads = 0;
  uint8_t IsOpen = 0;
  uint8_t IsIsland = 0;
  uint8_t SourceFlag = 0;
  double ApproachDepth = 0;
  int32_t LinkMode = 0;
  TTBEntityArray Entities;
};

// 1-based like the region list: element 0 carries nothing.
using TTBOutRegionArray = std::vector<TTBOutRegion>;

// Whether the toolpath's entry and exit moves are there to be cut.
inline bool HasEntryMove(const TTBOutRegion& t) { return t.HasLeads == 1 && t.EntryMove.Pending != 0; }
inline bool HasExitMove(const TTBOutRegion& t) { return t.HasLeads == 1 && t.ExitMove.Pending != 0; }

// Where the cutter starts a toolpath (the entry move's start when it has
// one, else the first entity's) and where it leaves it. A toolpath without
// entities starts and ends at the origin.
TTBPoint PathStart(const TTBOutRegion& t);
TTBPoint PathEnd(const TTBOutRegion& t);

// A toolpath list holding only its placeholder.
TTBOutRegionArray EmptyToolpathList();

struct TTBIsland {
  int32_t Region = 0;
  double Offset = 0;
};
using TTBIslandArray = std::vector<TTBIsland>;

struct TTBMachineRegion {
  int32_t Region = 0;   // the region cut at this level
  double Offset = 0;    // tool radius + stock, corrected by the wall profile
  double Z = 0;         // depth of this level
  TTBIslandArray Islands;
};
using TTBMachineRegionArray = std::vector<TTBMachineRegion>;  // 1-based

struct TTBMasterRegion {
  int32_t Region = 0;
  int32_t Root = 0;
  uint8_t Placed = 0;
  TTBMachineRegionArray Levels;
};
using TTBMasterRegionArray = std::vector<TTBMasterRegion>;

// Appends one toolpath per result region 1..last, in order: cutting data from
// the rough or finish tool, depth, leads, open flag, source flag, approach
// and link mode and a copy of the entities from the region.
void AppendToolpaths(const TTBRegionArray& results, const TTBMachiningParameters& params, bool island, bool finish,
                     TTBOutRegionArray& toolpaths);

}  // namespace tibrel
