// Contour toolpaths: along the selected regions, beside them (compensation
// right or left of the travel), on them, or cutting closed shapes out
// (outside the boundaries, inside their holes); in Z levels, with an
// optional finishing pass and entry and exit moves.
#pragma once

#include "toolpath/operation_records.h"

namespace tibrel {

// Offset side of a contour: 0 right of travel, 1 left.
int ContourSide(int32_t compensation, bool clockwise, bool island);

// The depth plan of the selected regions: per region its Z levels from the
// top down to its depth less floor, every zStep (0: the first region's
// depth, for every region of the plan), with the offset distance of each
// level. Islands are planned before their boundary unless islandsAlone.
// False when the plan would be absurd (a negative step, or more levels
// than any machine could cut).
bool PlanContourLevels(TTBRegionArray& regions, TTBMasterRegionArray& plan, const TTBRegionArray& profiles,
                       double floor, bool islandsAlone, double base, double zStep);

// Approach depth and link mode of result regions 1..last, from the cutter
// position current: a path that starts where the cutter is goes on without
// lifting, any other is reached by a lift to the rapid height.
void LinkContourPaths(TTBRegionArray& results, const TTBMachiningParameters& params, TTBPoint current);

// What leads must keep clear of: the walls of the operation (the selected
// regions of the list) at the clearance its tool needs. Without walls
// (compensation None) leads are taken as the table gives them.
struct LeadWalls {
  const TTBRegionArray* Regions = nullptr;
  double Clearance = 0;
};

// Entry and exit moves of toolpaths from..last that want leads: arc,
// perpendicular or tangent, on the side that the default direction and the
// compensation give, of the lengths of the parameters. A lead that comes
// nearer to a wall than its path does (or than the clearance) is shortened
// until it fits, or left out: the path is then plunged onto. A path that
// would be reached at depth by a feed to its entry that does not keep clear
// is reached from above instead.
void AddLeadMoves(TTBOutRegionArray& toolpaths, size_t from, const TTBMachiningParameters& params, bool clockwise,
                  const LeadWalls& walls = {});

// The roughing contour (replaces Toolpaths) and the finishing contour
// (appends). Both stop when the command mode drops to 0.
void ContourRough(const OperationRecords& ops);
void ContourFinish(const OperationRecords& ops);

}  // namespace tibrel
