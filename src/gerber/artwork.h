// Gerber artwork as the statement scanner leaves it: apertures as lists of
// primitive shapes, and the painted items (flashes, strokes, filled
// contours) in file order. Everything is in the file's own unit, with the
// coordinate format already applied.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "geometry/entity.h"
#include "geometry/units.h"

namespace tibrel {

// One shape of an aperture, centred on the flash point: a circle or a
// polygon (closed implicitly). Clear shapes erase what lies under them.
struct GerberPrimitive {
  bool Circle = false;
  TTBPoint Centre;
  double Radius = 0;
  std::vector<TTBPoint> Points;
  bool Clear = false;
};

enum class GerberApertureType { Circle, Rectangle, Obround, Polygon, Macro };

struct GerberAperture {
  GerberApertureType Type = GerberApertureType::Circle;
  std::vector<double> Modifiers;          // as given after the comma, file units
  std::vector<GerberPrimitive> Shapes;    // a macro's primitives, evaluated
};

enum class GerberItemKind { Flash, Stroke, Contour };

struct GerberItem {
  GerberItemKind Kind = GerberItemKind::Flash;
  TTBPoint A, B;                  // flash point; stroke ends
  int32_t Aperture = 0;
  std::vector<TTBPoint> Contour;  // a filled region's outline (arcs flattened)
  bool Clear = false;             // painted with clear layer polarity
};

struct GerberArtwork {
  std::map<int32_t, GerberAperture> Apertures;
  std::vector<GerberItem> Items;
  Units Unit = Units::Inch;
  bool UnitGiven = false;             // an MO parameter (or G70/G71) named it
  std::vector<std::string> Notices;   // messages shown while reading; the import goes on
};

// The edge length of one pixel in the file's unit: 0.002 inch whatever the
// unit, so that a board's bitmap has one size in either.
inline double GerberPixelSize(Units u) { return u == Units::Inch ? 0.002 : 0.0508; }

}  // namespace tibrel
