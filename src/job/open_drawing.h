// The Open command for a DXF drawing: read, convert, chain, join, orient,
// repair, order, and put the result into the job.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "job/job.h"
#include "dxf/entities.h"

namespace tibrel {

struct OpenResult {
  bool Loaded = false;      // the job now holds the new drawing
  bool Cancelled = false;
  std::string Status;       // status-bar text: counts, "No Entities Loaded...", "Operation Cancelled..."
  std::string Error;        // the reader's message, when it failed (shown before the status)
  std::vector<std::string> Notices;  // the reader's one-time notices (blocks, splines; a text face not found)
  int Regions = 0, Open = 0;
  Units DrawingUnits = Units::Millimetre;  // what the job now holds, when Loaded
  bool UnitsInDrawing = false;             // the file named the unit (else the option gave it)
};

// Runs the load sequence on a drawing held in memory. The job's Regions,
// DrawingExtents, DrawingName and DrawingUnits change only when something
// was loaded; a failed or cancelled load leaves the job as it was.
OpenResult OpenDxfDrawing(Job& job, std::string_view data, const std::string& name);
// The same for a file; a file that cannot be read gives its message in Error.
OpenResult OpenDxfFile(Job& job, const std::string& path);

// The drawing name shown and used for output files: the file name without
// folder and extension.
std::string DrawingNameOf(const std::string& path);

// The status text after a load: "<n> Regions Created... <m> Open".
std::string RegionsCreatedMessage(int total, int open);

// The unit as the status bar and the command line report it: "Units: inch",
// or "Units: mm (none in the drawing)" when the option gave it.
std::string UnitsMessage(Units units, bool inDrawing);

// Loads the wall profiles (numbered from 1) from a profile drawing file into
// job.Profiles. A file that cannot be read leaves the list empty and gives
// the reader's message.
std::string LoadWallProfiles(Job& job, const std::string& path);
// Add Walls: loads Profiles.DXF from the program folder when the profile
// list is still empty. Returns the reader's message, if any.
std::string EnsureWallProfiles(Job& job);

// Chains the segments and polylines of a drawing into a region list (no
// text, no repair, no ordering): what the wall profile file goes through.
// Curves follow the drawing within curveTolerance.
TTBRegionArray ChainDrawing(const DXF_Object& drawing, uint8_t cw, double curveTolerance,
                            const PassControl& control = {});

}  // namespace tibrel
