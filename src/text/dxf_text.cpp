#include "text/dxf_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "geometry/chain.h"
#include "text/characters.h"
#include "text/entity_list.h"
#include "text/layout.h"

namespace tibrel {

namespace {

void AppendUtf8(std::string& s, char32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool Hex4(std::string_view t, size_t at, char32_t& c) {
  if (at + 4 > t.size()) return false;
  c = 0;
  for (size_t k = at; k < at + 4; ++k) {
    const char h = t[k];
    const int v = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
    if (v < 0) return false;
    c = c * 16 + static_cast<char32_t>(v);
  }
  return true;
}

// Reads a %% code or a \U+XXXX character at i into out; the number of
// characters taken, 0 when there is none at i.
size_t SpecialAt(std::string_view t, size_t i, std::string& out) {
  if (t.compare(i, 3, "\\U+") == 0) {
    char32_t c;
    if (!Hex4(t, i + 3, c)) return 0;
    AppendUtf8(out, c);
    return 7;
  }
  if (t.compare(i, 2, "%%") != 0 || i + 2 >= t.size()) return 0;
  const char k = static_cast<char>(std::tolower(static_cast<unsigned char>(t[i + 2])));
  switch (k) {
    case 'd': AppendUtf8(out, U'\u00B0'); return 3;  // degree
    case 'p': AppendUtf8(out, U'\u00B1'); return 3;  // plus or minus
    case 'c': AppendUtf8(out, U'\u00D8'); return 3;  // diameter, drawn as the slashed O most faces carry
    case '%': out += '%'; return 3;
    case 'u': case 'o': case 'k': return 3;  // underline, overline, strike-through toggles
    default: break;
  }
  size_t n = i + 2;
  while (n < t.size() && n < i + 5 && std::isdigit(static_cast<unsigned char>(t[n]))) ++n;
  if (n == i + 2) return 0;
  AppendUtf8(out, static_cast<char32_t>(std::stoi(std::string(t.substr(i + 2, n - i - 2)))));
  return n - i;
}

// Position just past the ';' that ends a formatting code starting at i (or
// the end of the text).
size_t PastSemicolon(std::string_view t, size_t i) {
  const size_t semi = t.find(';', i);
  return semi == std::string_view::npos ? t.size() : semi + 1;
}

}  // namespace

std::string PlainText(std::string_view t) {
  std::string out;
  for (size_t i = 0; i < t.size();) {
    const size_t n = SpecialAt(t, i, out);
    if (n) i += n;
    else out += t[i++];
  }
  return out;
}

std::vector<std::string> MTextLines(std::string_view t) {
  std::vector<std::string> lines(1);
  size_t i = 0;
  while (i < t.size()) {
    std::string& line = lines.back();
    if (const size_t n = SpecialAt(t, i, line)) {
      i += n;
      continue;
    }
    const char c = t[i];
    if (c == '{' || c == '}') {
      ++i;
      continue;
    }
    if (c != '\\' || i + 1 >= t.size()) {
      line += c;
      ++i;
      continue;
    }
    const char d = t[i + 1];
    switch (d) {
      case 'P': case 'X': lines.emplace_back(); i += 2; break;
      case '~': line += ' '; i += 2; break;
      case '\\': case '{': case '}': line += d; i += 2; break;
      case 'L': case 'l': case 'O': case 'o': case 'K': case 'k': case 'N': i += 2; break;
      case 'S': {
        // Stacked text (a fraction): numerator and denominator side by side.
        const size_t end = PastSemicolon(t, i + 2);
        for (size_t k = i + 2; k < end && t[k] != ';'; ++k) line += (t[k] == '^' || t[k] == '#') ? '/' : t[k];
        i = end;
        break;
      }
      case 'M': i = std::min(t.size(), i + 8); break;  // a double-byte character of an Asian code page
      case 'f': case 'F': case 'H': case 'W': case 'Q': case 'T': case 'A': case 'C': case 'c': case 'p':
        i = PastSemicolon(t, i + 2);
        break;
      default: line += d; i += 2; break;
    }
  }
  return lines;
}

namespace {

struct Frame {
  double X = 0, Y = 0;             // where the local origin lands
  double Ux = 1, Uy = 0;           // the baseline direction
  double Vx = 0, Vy = 1;           // the glyphs' up direction
};

// The baseline and up directions of a text at rotation r (degrees), in
// world coordinates when the text lies in an object coordinate system.
Frame FrameOf(const Text_& t, double rotationRadians, DxfPoint3 at) {
  Frame f;
  f.X = at.X, f.Y = at.Y;
  const double c = std::cos(rotationRadians), s = std::sin(rotationRadians);
  DxfPoint3 u{c, s, 0}, v{-s, c, 0};
  if (t.Ocs) u = t.Ocs->ToWorld(u), v = t.Ocs->ToWorld(v);
  f.Ux = u.X, f.Uy = u.Y, f.Vx = v.X, f.Vy = v.Y;
  return f;
}

// Lines in outline units scaled by (sx, sy), moved by (ox, oy), then put
// into the frame.
void Place(TTBEntityArray& lines, double sx, double sy, double ox, double oy, const Frame& f, TTBEntityArray& out) {
  auto map = [&](double& x, double& y) {
    const double lx = x * sx + ox, ly = y * sy + oy;
    x = f.X + lx * f.Ux + ly * f.Vx;
    y = f.Y + lx * f.Uy + ly * f.Vy;
  };
  for (auto& e : lines) {
    map(e.X, e.Y);
    map(e.X2, e.Y2);
    UpdateEntityBox(e);
  }
  AppendEntities(out, lines);
}

double Distance(DxfPoint3 a, DxfPoint3 b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

}  // namespace

std::string TextCutShortNotice() {
  return "Only the first " + std::to_string(MaxDrawingTextCharacters) + " characters of the drawing's text were converted";
}

void TextEntityToSegments(const Text_& t, TTTFToVectorConverter& converter, TTBEntityArray& out, size_t& budget) {
  const double h = t.Height;
  if (!(h > 0) || !std::isfinite(h) || t.Invisible) return;
  const std::vector<std::string> lines = t.MText ? MTextLines(t.Text) : std::vector<std::string>{PlainText(t.Text)};
  const double s = h / converter.CapHeight(), descent = converter.Descent() * s, step = TextLineSpacing * h;
  double rotation = std::isfinite(t.Rotation) ? t.Rotation * Pi / 180 : 0;
  DxfPoint3 at = t.P1;
  int column = 0;  // 0 left, 1 centre, 2 right of the reference point
  double firstBaseline = 0;
  bool fitted = false;
  if (t.MText) {
    const int a = t.Attachment >= 1 && t.Attachment <= 9 ? t.Attachment : 1;
    column = (a - 1) % 3;
    const int row = (a - 1) / 3;
    const double below = static_cast<double>(lines.size() - 1) * step;
    firstBaseline = row == 0 ? -h : row == 1 ? (below - h) / 2 : below + descent;
  } else if ((t.HAlign == 3 || t.HAlign == 5) && Distance(t.P1, t.Align) > 0) {
    // Aligned and fitted text runs from the insertion point to the
    // alignment point, whatever its rotation says.
    fitted = true;
    rotation = std::atan2(t.Align.Y - t.P1.Y, t.Align.X - t.P1.X);
  } else if (t.HAlign != 0 || t.VAlign != 0) {
    at = t.Align;
    column = t.HAlign == 1 || t.HAlign == 4 ? 1 : t.HAlign == 2 ? 2 : 0;
    firstBaseline = t.VAlign == 1 ? descent : t.VAlign == 2 ? -h / 2 : t.VAlign == 3 ? -h : t.HAlign == 4 ? -h / 2 : 0;
  }
  const Frame frame = FrameOf(t, rotation, at);
  TTBEntityArray glyphs;
  for (size_t k = 0; k < lines.size(); ++k) {
    std::u32string line = DecodeText(lines[k]);
    if (line.size() > budget) line.resize(budget);
    budget -= line.size();
    TextToEntities(line, glyphs, converter);
    if (glyphs.empty()) continue;
    const double advance = TextAdvance(line, converter);
    double sx = s, sy = s;
    if (fitted && advance > 0) {
      sx = Distance(t.P1, t.Align) / advance;
      if (t.HAlign == 3) sy = sx;
    }
    const double width = advance * sx;
    const double ox = column == 1 ? -width / 2 : column == 2 ? -width : 0;
    Place(glyphs, sx, sy, ox, firstBaseline - static_cast<double>(k) * step, frame, out);
  }
}

bool HasTextEntities(const DXF_Object& drawing, const std::string& skipLayer) {
  for (const auto& layer : drawing.Layers) {
    if (layer->Name == skipLayer) continue;
    for (const auto& list : layer->Lists)
      if (!list->Entities.empty() && dynamic_cast<const Text_*>(list->Entities.front().get())) return true;
  }
  return false;
}

TTBRegionArray ConvertTextEntities(const DXF_Object& drawing, const std::string& skipLayer,
                                   TTTFToVectorConverter& converter, uint8_t cw, const PassControl& control,
                                   bool& cut) {
  TTBRegionArray regions = EmptyRegionList();
  size_t budget = MaxDrawingTextCharacters;
  cut = false;
  if (control.FlagSet()) return regions;
  TTBEntityArray segments;
  for (const auto& layer : drawing.Layers) {
    if (layer->Name == skipLayer) continue;
    for (const auto& list : layer->Lists) {
      if (list->Entities.empty() || !dynamic_cast<const Text_*>(list->Entities.front().get())) continue;
      for (const auto& e : list->Entities) TextEntityToSegments(static_cast<const Text_&>(*e), converter, segments, budget);
    }
  }
  cut = budget == 0;
  AppendTextRegions(segments, regions, cw);
  return regions;
}

}  // namespace tibrel
