#include "text/entity_list.h"

#include <cmath>

#include "geometry/transform.h"
#include "text/characters.h"

namespace tibrel {

void AppendEntities(TTBEntityArray& dst, const TTBEntityArray& src) {
  const uint32_t shift = dst.empty() ? 0 : dst.back().Tag;
  const size_t first = dst.size();
  dst.insert(dst.end(), src.begin(), src.end());
  for (size_t k = first; k < dst.size(); ++k) dst[k].Tag += shift;
}

void TranslateEntities(TTBEntityArray& list, double dx, double dy) {
  TTBRegion r;
  r.Entities = std::move(list);
  TranslateRegion(r, dx, dy);
  list = std::move(r.Entities);
}

void ScaleEntities(TTBEntityArray& list, double cx, double cy, double factor) {
  if (factor <= 0 || factor == 1) return;
  TTBRegion r;
  r.Entities = std::move(list);
  TranslateRegion(r, -cx, -cy);
  ScaleRegion(r, factor);
  list = std::move(r.Entities);
  UpdateEntityBoxes(list);
}

void RotateEntities(TTBEntityArray& list, double cx, double cy, double angle) {
  if (angle == 0) return;
  TTBRegion r;
  r.Entities = std::move(list);
  RotateRegion(r, cx, cy, angle);
  list = std::move(r.Entities);
  UpdateEntityBoxes(list);
}

namespace {

// The glyph's strokes as lines moved by (dx, 0), appended to out, their
// stroke numbers following out's.
void AppendGlyph(const TStrokeCollection& strokes, double dx, TTBEntityArray& out) {
  const uint32_t base = out.empty() ? 1 : out.back().Tag + 1;
  for (const auto& s : strokes.Items()) {
    out.push_back(MakeLine(s.X1 + dx, s.Y1, s.X2 + dx, s.Y2));
    out.back().Tag = base + static_cast<uint32_t>(s.Stroke);
  }
}

}  // namespace

void TextToEntities(const std::u32string& text, TTBEntityArray& out, TTTFToVectorConverter& converter) {
  out.clear();
  converter.LastAdvance = 0;
  double x = 0;
  for (const char32_t c : text) {
    if (const TStrokeCollection* strokes = converter.GetGlyphStrokes(c)) AppendGlyph(*strokes, x, out);
    x += converter.GetGlyphAdvance(c);
  }
}

void TextToEntities(std::string_view text, TTBEntityArray& out, TTTFToVectorConverter& converter) {
  TextToEntities(DecodeText(text), out, converter);
}

void GlyphToEntities(char32_t c, TTBEntityArray& out, TTTFToVectorConverter& converter) {
  out.clear();
  if (const TStrokeCollection* strokes = converter.GetGlyphStrokes(c)) AppendGlyph(*strokes, 0, out);
}

double TextAdvance(const std::u32string& text, TTTFToVectorConverter& converter) {
  double w = 0;
  for (const char32_t c : text) w += converter.GetGlyphAdvance(c);
  return w;
}

}  // namespace tibrel
