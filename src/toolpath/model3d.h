// The 3D toolpath records of prototype machining: one record per raster
// layer, each a list of points in cutting order. Z is machine Z (negative
// below the stock top), not a depth.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tibrel {

// How the cutter reaches a point of a layer.
enum MoveKinds3D : int32_t { MoveRapid3D = 0, MoveCut3D = 1, MoveRaster3D = 2 };

struct TTBPoint3D {
  int32_t MoveKind = MoveRaster3D;  // 0 rapid; 1 and 2 are cutting moves alike
  float X = 0, Y = 0, Z = 0;
};
using TTBEntityArray3D = std::vector<TTBPoint3D>;

struct TTBOutRegion3D {
  uint8_t XRaster = 1;  // 1 rows along X, 0 along Y
  double FeedRate = 0;
  double PlungeRate = 0;
  double SpindleRPM = 0;
  int32_t ToolNumber = 0;
  double LayerZ = 0;       // the layer's floor (negative)
  double RapidHeight = 0;  // above the stock top
  int32_t PathMode = 1;    // 1: reached from the rapid height and plunged
  int32_t Direction = 1;   // 1 rows along X, 2 along Y
  std::string Name;
  TTBEntityArray3D Points;
};

// Zero-based: every element is a layer.
using TTBOutRegionArray3D = std::vector<TTBOutRegion3D>;

}  // namespace tibrel
