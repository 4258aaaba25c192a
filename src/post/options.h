// Program options (Options.cfg, section "Options"). The values below are the
// program-start values, which stay when there is no options file.
#pragma once

#include <cstdint>
#include <string>

#include "core/ini.h"
#include "geometry/units.h"
#include "geometry/tolerances.h"
#include "toolpath/model.h"

namespace tibrel {

struct TTBOptions {
  bool Dir = false;         // default direction of closed regions: true clockwise
  bool Trace = true;        // trace the contour of islands when tops are to be finished
  bool PocketDir = false;   // "Pocketing Direction": false "Out/In", true "In/Out"
  bool Fix = false;         // "Try to correct bad DXF geometry"
  double Overlap = 0.5;     // tool overlap, a fraction
  double StlOverlap = 0.1;  // X and Y step as a fraction of the cutter diameter
  std::string Post = "Varnix";
  std::string Font = "arial";
  bool FontBold = false;
  bool FontItalic = false;
  int32_t FontPrecision = 8;
  double STLDepth = 0;
  bool Air = false;         // avoid cutting air during roughing
  int32_t Offset = 0;       // Gerber tool offset in mils
  // "Units of drawings without units": the unit of a drawing whose file
  // does not say (key "DefaultUnits", "mm" or "inch").
  Units DefaultUnits = Units::Millimetre;
  // The rapid rate, units per minute, that the NC program's run time is
  // estimated with (key "RapidRate"; not above 0 reads as the default).
  double RapidRate = 5000;
  // Ellipses and splines are followed by arcs within this distance (drawing
  // units) of the true curve.
  double CurveTolerance = DefaultCurveTolerance;
};

// Colours are 24-bit numbers with red in the lowest byte (0x00BBGGRR).
struct TTBEditorColours {
  int32_t CommandColor = 0xFF0000;
  int32_t AddressColor = 0;
  int32_t CommentColor = 0xFF0000;
  int32_t CommandStyle = 0;  // 0 none, 1 bold, 2 italic
  int32_t AddressStyle = 0;
  int32_t CommentStyle = 0;
};

// The view's colours and flags, as the view holds them from its creation.
struct TTBViewSettings {
  int32_t SelectedClosed = 0xFF0000;
  int32_t SelectedIsland = 0x0000FF;
  int32_t SelectedOpen = 0x008000;
  int32_t RoughToolpath = 0x800080;
  int32_t FinishToolpath = 0x808000;
  int32_t UnselectedOpen = 0xC0C0C0;
  int32_t UnselectedClosed = 0x808080;
  int32_t Background = 0xFFFFFF;
  bool ShowBoundaries = false;  // draw the regions with the toolpaths
  bool AllDirections = false;   // mark every entity, not just the first
  double GridSize = 0.5;
};

// Everything Options.cfg holds.
struct TTBSettings {
  TTBOptions Options;
  TTBEditorColours Editor;
  TTBViewSettings View;
  TTBTolerances Rough;
  TTBTolerances Finish;
};

// Reads every key of section "Options" with its default; nothing changes
// when the section is missing.
void ReadOptions(const IniFile& file, TTBSettings& s);
// Writes every key of section "Options" (other sections and unknown keys stay).
void WriteOptions(IniFile& file, const TTBSettings& s);

}  // namespace tibrel
