// The text entities of a drawing (TEXT, MTEXT, ATTRIB, ATTDEF) as outlines
// in the places and sizes a CAD program draws them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/progress.h"
#include "dxf/entities.h"
#include "geometry/region.h"
#include "text/glyph_converter.h"

namespace tibrel {

// Line spacing of text entities, in text heights (baseline to baseline).
inline constexpr double TextLineSpacing = 1.2;

// The most characters of a drawing's text that become outlines: far above
// what a drawing labels, and a bound on what a damaged or hostile file can
// make (every character is a hundred segments or so).
inline constexpr size_t MaxDrawingTextCharacters = 200'000;
// The notice when a drawing holds more.
std::string TextCutShortNotice();

// The lines an MTEXT shows: formatting codes (font, height, colour,
// stacking, ...) and grouping braces removed, escaped characters and the
// special characters of %% codes put in, split at its "\P" breaks.
std::vector<std::string> MTextLines(std::string_view text);
// A TEXT's string with its %% codes (%%d, %%c, %%p, %%nnn, %%u, %%o) and
// \U+XXXX characters resolved.
std::string PlainText(std::string_view text);

// The outline segments of one text entity in drawing coordinates. The
// capitals are the entity's height tall; lines follow 1.2 heights apart.
// budget is the number of characters still to convert; the characters
// converted are taken from it, and what does not fit is left out.
void TextEntityToSegments(const Text_& text, TTTFToVectorConverter& converter, TTBEntityArray& out, size_t& budget);

// Whether any layer but skipLayer holds text entities.
bool HasTextEntities(const DXF_Object& drawing, const std::string& skipLayer);

// The text regions of a drawing: the outlines of every visible text entity
// of all layers but skipLayer, chained (closed regions running cw), with the
// placeholder. Nothing is made when the pass is cancelled on entry. cut
// tells whether text was left out beyond MaxDrawingTextCharacters.
TTBRegionArray ConvertTextEntities(const DXF_Object& drawing, const std::string& skipLayer,
                                   TTTFToVectorConverter& converter, uint8_t cw, const PassControl& control,
                                   bool& cut);

}  // namespace tibrel
