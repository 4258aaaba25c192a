// Whole strings as line entities in outline units, and the operations that
// scale, turn and place such lists. Every changed entity gets its box.
#pragma once

#include <string_view>

#include "geometry/entity.h"
#include "text/glyph_converter.h"

namespace tibrel {

// Lines made from glyph strokes carry their stroke's number in Tag (from 1,
// counting on over the whole list), so that each stroke can become a region
// of its own without being chained again.
//
// Appends copies of src to dst; their stroke numbers follow dst's.
void AppendEntities(TTBEntityArray& dst, const TTBEntityArray& src);
// Adds (dx, dy) to both ends of every line and the centre of every arc.
void TranslateEntities(TTBEntityArray& list, double dx, double dy);
// Nothing when factor <= 0 or factor = 1; otherwise x becomes (x - cx) *
// factor and y (y - cy) * factor (the centre is not added back), and arc
// radii are multiplied by factor.
void ScaleEntities(TTBEntityArray& list, double cx, double cy, double factor);
// Nothing when angle = 0; turns every point about (cx, cy) by angle
// radians counter-clockwise; arc angles turn with them, kept in [0, 2*pi).
void RotateEntities(TTBEntityArray& list, double cx, double cy, double angle);

// The string (UTF-8) as line entities in outline units, glyph after glyph
// along X, each character moved on by its own advance width (a space too).
// Resets and then sets the converter's LastAdvance.
void TextToEntities(std::string_view text, TTBEntityArray& out, TTTFToVectorConverter& converter);
void TextToEntities(const std::u32string& text, TTBEntityArray& out, TTTFToVectorConverter& converter);
// One glyph at the origin (the single-line rule included).
void GlyphToEntities(char32_t c, TTBEntityArray& out, TTTFToVectorConverter& converter);
// The sum of the characters' advance widths, in outline units.
double TextAdvance(const std::u32string& text, TTTFToVectorConverter& converter);

}  // namespace tibrel
