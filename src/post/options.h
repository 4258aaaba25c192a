// Program options (read from Options.cfg at start-up). The values here are
// the program-start values used when there is no options file.
#pragma once

#include <string>

namespace tibrel {

struct TTBOptions {
  bool Dir = false;         // default direction of closed regions: true clockwise
  bool PocketDir = false;   // "Pocketing Direction": false "Out/In", true "In/Out"
  bool Fix = false;         // "Try to correct bad DXF geometry"
  std::string Font = "Arial";
  bool FontBold = false;
  bool FontItalic = false;
  int FontPrecision = 0;
};

}  // namespace tibrel
