// The Gerber reader: the artwork painted into a bitmap of 0.002-inch
// pixels and the copper's edges traced into closed regions of short lines
// (a staircase within a pixel of the artwork), in the file's own unit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/region.h"
#include "gerber/scanner.h"

namespace tibrel {

struct GerberReadOptions {
  bool Clockwise = true;       // the default direction of closed regions
  int32_t ToolOffsetMils = 0;  // "Tool Offset in Mils": every aperture grows by twice this many pixels
  // A board needing more pixels than this (or more painting work than
  // WorkLimit pixel visits) ends the import with a message.
  int64_t PixelLimit = int64_t{1} << 30;
  int64_t WorkLimit = int64_t{1} << 36;
};

struct GerberResult {
  TTBRegionArray Regions;            // element 0 the placeholder
  Units DrawingUnits = Units::Inch;  // from MO (inch when the file names none)
  bool UnitsInFile = false;
  std::vector<std::string> Notices;  // in the order they came up
  int32_t Columns = 0, Rows = 0;     // the bitmap's size
  int64_t CopperPixels = 0;          // painted pixels: the copper's area in pixels
};

// The message of a board too large for the bitmap.
std::string BoardTooLargeMessage(int64_t columns, int64_t rows);

// Reads a whole Gerber file held in memory. Throws GerberError with the
// message the user sees; nothing is returned then.
GerberResult ReadGerber(std::string_view data, const GerberReadOptions& options);

}  // namespace tibrel
