// The interaction state carried by CommandMode: the click modes that the
// view's mouse events are dispatched by, and the mode a long pass runs under
// (dropping it to 0 stops the pass).
#pragma once

#include <cstdint>

namespace tibrel {

// Interaction modes carried by CommandMode (0 = idle).
enum CommandModes : int32_t {
  ModeIdle = 0,
  ModeZoomWindow = 1,
  ModeSelectSingle = 4,
  ModeSelectRegion = 6,
  ModeDeselectRegion = 7,
  ModeChangeFirstEntity = 8,
  ModeSelectAllClosed = 10,
  ModeDeselectSingle = 11,
  ModeSingleBoundary = 13,
  ModeSingleIsland = 14,
  ModeSingleIslandBoundary = 15,
  ModeMachiningOrder = 16,
  ModeDeselectWindow = 29,
  ModeSelectWindow = 31,
  ModeAllAsIslands = 77,
  ModePocket = 100,
  ModeContour = 200,
  ModePcBoard = 207,
  ModeDrill = 300,
  ModeTextPlacement = 321,
  ModeTextPlacement2 = 322,
  ModePolylineOutlines = 333,
  ModePrototype = 501,
  ModeStlLoading = 777,
};

}  // namespace tibrel
