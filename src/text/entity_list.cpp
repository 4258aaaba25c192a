#include "text/entity_list.h"

#include <cmath>

#include "text/characters.h"

namespace tibrel {

void AppendEntities(TTBEntityArray& dst, const TTBEntityArray& src) {
  const uint32_t shift = dst.empty() ? 0 : dst.back().Tag;
  const size_t first = dst.size();
  dst.insert(dst.end(), src.begin(), src.end());
  for (size_t k = first; k < dst.size(); ++k) dst[k].Tag += shift;
}

void TranslateEntities(TTBEntityArray& list, double dx, double dy) {
  for (auto& e : list) {
    e.X += dx;
    e.Y += dy;
    if (e.IsLine()) {
      e.X2 += dx;
      e.Y2 += dy;
    }
    UpdateEntityBox(e);
  }
}

void ScaleEntities(TTBEntityArray& list, double cx, double cy, double factor) {
  if (factor <= 0 || factor == 1) return;
  for (auto& e : list) {
    e.X = (e.X - cx) * factor;
    e.Y = (e.Y - cy) * factor;
    if (e.IsLine()) {
      e.X2 = (e.X2 - cx) * factor;
      e.Y2 = (e.Y2 - cy) * factor;
    } else {
      e.Radius *= factor;
    }
    UpdateEntityBox(e);
  }
}

namespace {

double TurnAngle(double a, double by) {
  a += by;
  if (a >= TwoPi) a -= TwoPi;
  else if (a < 0) a += TwoPi;
  return a;
}

}  // namespace

void RotateEntities(TTBEntityArray& list, double cx, double cy, double angle) {
  if (angle == 0) return;
  const double c = std::cos(angle), s = std::sin(angle);
  auto turn = [&](double& x, double& y) {
    const double dx = x - cx, dy = y - cy;
    x = cx + dx * c - dy * s;
    y = cy + dx * s + dy * c;
  };
  for (auto& e : list) {
    turn(e.X, e.Y);
    if (e.IsLine()) {
      turn(e.X2, e.Y2);
    } else {
      e.X2 = TurnAngle(e.X2, angle);
      e.Y2 = TurnAngle(e.Y2, angle);
    }
    UpdateEntityBox(e);
  }
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
