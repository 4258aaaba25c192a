// What the Pocket, Contour and Drill generators read and write: the job's
// records, handed over by the job layer. A generator touches nothing else.
#pragma once

#include <cstdint>

#include "core/progress.h"
#include "geometry/region.h"
#include "toolpath/model.h"

namespace tibrel {

struct OperationRecords {
  TTBRegionArray& Regions;                      // marks and planned depths are written
  const TTBRegionArray& Profiles;               // wall profiles, numbered from 1
  TTBMachiningParameters& MachiningParameters;  // a Z step of 0 is written back
  const TTBTolerances& RoughTolerances;
  const TTBTolerances& FinishTolerances;
  TTBOutRegionArray& Toolpaths;  // replaced by the roughing pass, appended to by finishing
  PassControl Control;           // progress, cancel and the command mode the pass runs under
  uint8_t Dir = 0;               // default direction: clockwise when set
  uint8_t PocketDir = 0;         // pocket rings cut from the inside out when set
  uint8_t Trace = 0;             // island tops that no level reaches are cleared as plateaus
};

}  // namespace tibrel
