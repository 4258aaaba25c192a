// Text set along a straight baseline or round a circle, scaled to a height,
// and chained into closed regions.
#pragma once

#include <string>

#include "geometry/region.h"
#include "text/glyph_converter.h"

namespace tibrel {

inline constexpr const char* NoTextMessage = "No Text to convert!";
inline constexpr const char* ZeroRadiusMessage = "Radius can not be 0!";

enum class TextAlign { Left, Centre, Right };

// Where and how big. Height h scales the outline by h / 1024 (one em is
// OutlineUnitsPerEm, so capitals come out about 0.7 h tall).
struct TextPlacement {
  std::string Text;  // UTF-8
  double Height = 1;
  bool OnArc = false;
  // Linear: the alignment point on the baseline. Arc: the circle's centre.
  double X = 0, Y = 0;
  TextAlign Align = TextAlign::Left;
  // Arc: where the text is set, in degrees clockwise from the top of the
  // circle, and the radius of the baseline circle.
  double AngleDegrees = 0;
  double Radius = 0;
};

// The text's scale from outline units to drawing units.
inline double TextScale(double height) { return height / 1024.0; }

// The width (sum of the advance widths) at the placement's height.
double TextWidth(const TextPlacement& p, TTTFToVectorConverter& converter);

// The preview box: linear, from the aligned origin W wide and h high; on
// an arc, the square of side 2 R + 2 h about the centre.
struct TextBox {
  double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};
TextBox TextPreviewBox(const TextPlacement& p, TTTFToVectorConverter& converter);

// The text's outline segments in drawing units. message gets "No Text to
// convert!" for an empty string and "Radius can not be 0!" for an arc of
// radius 0. On an arc a character wider than the radius gives up the whole
// text silently (no segments, no message).
TTBEntityArray LayOutText(const TextPlacement& p, TTTFToVectorConverter& converter, std::string& message);

// Text segments (consumed) as regions appended to regions (which gets its
// placeholder when empty), closed ones running cw (1 = clockwise). A stroke
// that comes back to its start is a closed region as it stands (its lines
// already run end to start); the others (single-line faces) are prepared
// and chained. Returns how many regions were added, unselected.
size_t AppendTextRegions(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw);

}  // namespace tibrel
