#include "text/layout.h"

#include <cmath>

#include "geometry/chain.h"
#include "geometry/tolerances.h"
#include "text/characters.h"
#include "text/entity_list.h"

namespace tibrel {

double TextWidth(const TextPlacement& p, TTTFToVectorConverter& converter) {
  return TextAdvance(DecodeText(p.Text), converter) * TextScale(p.Height);
}

namespace {

double AlignedX(const TextPlacement& p, double width) {
  switch (p.Align) {
    case TextAlign::Centre: return p.X - width / 2;
    case TextAlign::Right: return p.X - width;
    default: return p.X;
  }
}

TTBEntityArray Linear(const TextPlacement& p, TTTFToVectorConverter& converter) {
  TTBEntityArray out;
  const std::u32string text = DecodeText(p.Text);
  TextToEntities(text, out, converter);
  ScaleEntities(out, 0, 0, TextScale(p.Height));
  TranslateEntities(out, AlignedX(p, TextAdvance(text, converter) * TextScale(p.Height)), p.Y);
  return out;
}

// Characters round the circle clockwise from the angle, each upright to
// the circle at its middle, with its origin on the circle.
TTBEntityArray OnArc(const TextPlacement& p, TTTFToVectorConverter& converter) {
  const std::u32string text = DecodeText(p.Text);
  const double R = p.Radius, scale = TextScale(p.Height);
  std::vector<double> w(text.size());
  double total = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    w[k] = converter.GetGlyphAdvance(text[k]) * scale;
    if (w[k] / std::fabs(R) > 1) return {};
    total += std::asin(w[k] / R);
  }
  const double theta0 = p.AngleDegrees * Pi / 180;
  const double firstHalf = text.empty() ? 0 : std::asin(w[0] / 2 / R);
  const double start = p.Align == TextAlign::Left     ? theta0
                       : p.Align == TextAlign::Centre ? theta0 - total / 2 + firstHalf
                                                      : theta0 - total + firstHalf;
  TTBEntityArray out, glyph;
  double s = 0, prev = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    const double wk = w[k] == 0 ? prev : w[k];
    const double half = std::asin(wk / 2 / R), theta = s + start;
    const double qx = p.X + R * std::cos(theta - Pi / 2 - half), qy = p.Y - R * std::sin(theta - Pi / 2 - half);
    GlyphToEntities(text[k], glyph, converter);
    ScaleEntities(glyph, 0, 0, scale);
    RotateEntities(glyph, 0, 0, -theta);
    TranslateEntities(glyph, qx, qy);
    AppendEntities(out, glyph);
    const double next = k + 1 < text.size() ? w[k + 1] : 0;
    s += std::asin((wk / 2 + next / 2) / R);
    prev = wk;
  }
  return out;
}

}  // namespace

TextBox TextPreviewBox(const TextPlacement& p, TTTFToVectorConverter& converter) {
  if (p.OnArc) {
    const double half = std::fabs(p.Radius) + std::fabs(p.Height);
    return {p.X - half, p.Y - half, p.X + half, p.Y + half};
  }
  const double width = TextWidth(p, converter), x = AlignedX(p, width);
  return {x, p.Y, x + width, p.Y + p.Height};
}

TTBEntityArray LayOutText(const TextPlacement& p, TTTFToVectorConverter& converter, std::string& message) {
  message.clear();
  if (p.Text.empty()) {
    message = NoTextMessage;
    return {};
  }
  if (!p.OnArc) return Linear(p, converter);
  if (p.Radius == 0) {
    message = ZeroRadiusMessage;
    return {};
  }
  return OnArc(p, converter);
}

namespace {

// One stroke's lines (first..last) as a closed region; false when the
// stroke does not come back to its start. Pieces not longer than
// MinEntityLength are absorbed into the next.
bool ClosedStroke(const TTBEntity* first, const TTBEntity* last, TTBRegion& r) {
  const TTBPoint start = EntityStart(*first);
  TTBPoint at = start;
  for (const TTBEntity* e = first; e <= last; ++e) {
    const TTBPoint to = EntityEnd(*e);
    if (std::hypot(to.X - at.X, to.Y - at.Y) <= MinEntityLength) continue;
    r.Entities.push_back(MakeLine(at.X, at.Y, to.X, to.Y));
    at = to;
  }
  if (r.Entities.size() < 3 || std::fabs(at.X - start.X) >= ChainTolerance || std::fabs(at.Y - start.Y) >= ChainTolerance)
    return false;
  SetEntityPoint(r.Entities.back(), start, 1);
  UpdateEntityBox(r.Entities.back());
  return true;
}

}  // namespace

size_t AppendTextRegions(TTBEntityArray& segments, TTBRegionArray& regions, uint8_t cw) {
  if (regions.empty()) regions = EmptyRegionList();
  const size_t before = regions.size();
  TTBEntityArray loose;
  for (size_t i = 0; i < segments.size();) {
    size_t end = i + 1;
    while (end < segments.size() && segments[end].Tag == segments[i].Tag) ++end;
    TTBRegion r;
    if (segments[i].Tag != 0 && ClosedStroke(&segments[i], &segments[end - 1], r)) {
      SetRegionDirection(r, cw);
      UpdateRegionBox(r);
      regions.push_back(std::move(r));
    } else {
      loose.insert(loose.end(), segments.begin() + static_cast<long>(i), segments.begin() + static_cast<long>(end));
    }
    i = end;
  }
  segments.clear();
  for (auto& e : loose) e.Tag = 0;
  PrepareSegments(loose);
  if (!loose.empty()) {
    TTBRegionArray chained;
    ChainEntities(loose, chained, cw, ChainTolerance, 0);
    AppendRegions(chained, 1, regions);
  }
  // New text joins the drawing unselected, as an opened drawing does.
  for (size_t k = before; k < regions.size(); ++k) regions[k].Selected = 0;
  return regions.size() - before;
}

}  // namespace tibrel
