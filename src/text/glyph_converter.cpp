#include "text/glyph_converter.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <vector>

#include "text/flatten.h"

namespace tibrel {

namespace {

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string PatternString(FcPattern* p, const char* object) {
  FcChar8* s = nullptr;
  return FcPatternGetString(p, object, 0, &s) == FcResultMatch && s ? reinterpret_cast<const char*>(s) : "";
}

// Shear of the slanted style made from an upright face (about 12 degrees).
constexpr FT_Fixed ObliqueShear = 0x0366A;
// Stroke widening of the bold style made from a regular face, per em.
constexpr double EmboldenPerEm = 1.0 / 24;

}  // namespace

FaceMatch FindFace(const TextFont& font) {
  FaceMatch m;
  if (!font.File.empty()) {
    m.File = font.File;
    m.Family = font.Face;
    return m;
  }
  if (!FcInit()) return m;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.Face.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  // The names the requested one stands for: itself and its metric-compatible
  // aliases, bound strongly; the default faces follow with weak bindings.
  std::vector<std::string> accepted;
  FcValue value;
  FcValueBinding binding;
  for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i)
    if (value.type == FcTypeString && binding == FcValueBindingStrong)
      accepted.push_back(Lower(reinterpret_cast<const char*>(value.u.s)));
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  if (match) {
    m.File = PatternString(match, FC_FILE);
    m.Family = PatternString(match, FC_FAMILY);
    m.Style = PatternString(match, FC_STYLE);
    m.Substituted = std::find(accepted.begin(), accepted.end(), Lower(m.Family)) == accepted.end();
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return m;
}

struct TTTFToVectorConverter::Glyph {
  std::optional<TStrokeCollection> Strokes;
  double Advance = 0;
};

struct TTTFToVectorConverter::Impl {
  FT_Library Library = nullptr;
  FT_Face FtFace = nullptr;
  bool Opened = false;
  FaceMatch Match;
  double Scale = 0;  // outline units per font unit
  bool MakeBold = false, MakeItalic = false;
  std::unordered_map<char32_t, Glyph> Glyphs;
  std::optional<double> Cap, Desc;

  ~Impl() {
    if (FtFace) FT_Done_Face(FtFace);
    if (Library) FT_Done_FreeType(Library);
  }

  void Open(const TextFont& font) {
    Opened = true;
    Match = FindFace(font);
    if (Match.File.empty() || FT_Init_FreeType(&Library) != 0) return;
    if (FT_New_Face(Library, Match.File.c_str(), 0, &FtFace) != 0) {
      FtFace = nullptr;
      return;
    }
    if (!FT_IS_SCALABLE(FtFace) || FtFace->units_per_EM == 0) return;
    FT_Select_Charmap(FtFace, FT_ENCODING_UNICODE);
    Scale = OutlineUnitsPerEm / FtFace->units_per_EM;
    MakeBold = font.Bold && !(FtFace->style_flags & FT_STYLE_FLAG_BOLD);
    MakeItalic = font.Italic && !(FtFace->style_flags & FT_STYLE_FLAG_ITALIC);
    if (!font.File.empty()) {
      Match.Family = FtFace->family_name ? FtFace->family_name : font.Face;
      Match.Style = FtFace->style_name ? FtFace->style_name : "";
    }
    Match.Usable = true;
  }

  // Loads c's glyph (unscaled, unhinted) into the face's slot; false when
  // the face has no glyph for c.
  bool Load(char32_t c) {
    if (!Match.Usable) return false;
    const FT_UInt index = FT_Get_Char_Index(FtFace, c);
    if (index == 0) return false;
    return FT_Load_Glyph(FtFace, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0;
  }

  FT_Pos Embolden() const { return static_cast<FT_Pos>(FtFace->units_per_EM * EmboldenPerEm); }

  Glyph Make(char32_t c, int precision, bool singleLine) {
    Glyph g;
    if (!Load(c)) return g;
    FT_GlyphSlot slot = FtFace->glyph;
    g.Advance = slot->advance.x * Scale;
    if (MakeBold) g.Advance += Embolden() * Scale;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE || slot->outline.n_contours <= 0) return g;
    FT_Outline& outline = slot->outline;
    if (MakeBold) FT_Outline_EmboldenXY(&outline, Embolden(), Embolden());
    if (MakeItalic) {
      FT_Matrix shear{0x10000, ObliqueShear, 0, 0x10000};
      FT_Outline_Transform(&outline, &shear);
    }
    TStrokeCollection strokes = Decompose(outline, precision, Scale);
    if (strokes.Size() == 0) return g;
    if (singleLine) strokes.DropSecondHalves();
    g.Strokes = std::move(strokes);
    return g;
  }

  struct Walker {
    TStrokeCollection* Out;
    double Scale;
    int Precision;
    int32_t Contours = 0;   // contours that made a segment
    bool Emitted = false;   // the current contour made one
    TTBPoint Start, Current;

    TTBPoint At(const FT_Vector* v) const { return {v->x * Scale, v->y * Scale}; }
    void Segment(TTBPoint a, TTBPoint b) {
      if (a.X == b.X && a.Y == b.Y) return;
      if (!Emitted) {
        Emitted = true;
        ++Contours;
      }
      Out->Add({Contours - 1, a.X, a.Y, b.X, b.Y});
    }
    void Close() {
      if (Emitted) Segment(Current, Start);
      Emitted = false;
    }
  };

  static TStrokeCollection Decompose(const FT_Outline& outline, int precision, double scale) {
    TStrokeCollection out;
    Walker w{&out, scale, precision, 0, false, {}, {}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
      auto* k = static_cast<Walker*>(user);
      k->Close();
      k->Start = k->Current = k->At(to);
      return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
      auto* k = static_cast<Walker*>(user);
      const TTBPoint q = k->At(to);
      k->Segment(k->Current, q);
      k->Current = q;
      return 0;
    };
    funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
      auto* k = static_cast<Walker*>(user);
      k->Current = FlattenQuadratic(k->Current, k->At(control), k->At(to), k->Precision,
                                    [k](TTBPoint a, TTBPoint b) { k->Segment(a, b); });
      return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
      auto* k = static_cast<Walker*>(user);
      k->Current = FlattenCubic(k->Current, k->At(c1), k->At(c2), k->At(to), k->Precision,
                                [k](TTBPoint a, TTBPoint b) { k->Segment(a, b); });
      return 0;
    };
    FT_Outline_Decompose(const_cast<FT_Outline*>(&outline), &funcs, &w);
    w.Close();
    return out;
  }
};

TTTFToVectorConverter::TTTFToVectorConverter() : impl_(std::make_unique<Impl>()) {}
TTTFToVectorConverter::~TTTFToVectorConverter() = default;

void TTTFToVectorConverter::SetFont(const TextFont& font) {
  if (font.Face == font_.Face && font.Bold == font_.Bold && font.Italic == font_.Italic && font.File == font_.File)
    return;
  font_ = font;
  impl_ = std::make_unique<Impl>();
}

void TTTFToVectorConverter::SetPrecision(int32_t precision) {
  if (precision < 1 || precision > 100 || precision == precision_) return;
  precision_ = precision;
  impl_->Glyphs.clear();
}

const FaceMatch& TTTFToVectorConverter::Face() {
  if (!impl_->Opened) impl_->Open(font_);
  return impl_->Match;
}

const TTTFToVectorConverter::Glyph* TTTFToVectorConverter::GlyphOf(char32_t c) {
  Face();
  auto it = impl_->Glyphs.find(c);
  if (it == impl_->Glyphs.end()) {
    it = impl_->Glyphs.emplace(c, impl_->Make(c, precision_, font_.Face == SingleLineFace)).first;
  }
  return &it->second;
}

const TStrokeCollection* TTTFToVectorConverter::GetGlyphStrokes(char32_t c) {
  const Glyph* g = GlyphOf(c);
  if (!g->Strokes) return nullptr;
  LastAdvance = g->Advance;
  return &*g->Strokes;
}

double TTTFToVectorConverter::GetGlyphAdvance(char32_t c) { return GlyphOf(c)->Advance; }

double TTTFToVectorConverter::CapHeight() {
  if (!impl_->Cap) {
    double top = 0;
    if (const TStrokeCollection* h = GetGlyphStrokes(U'H'))
      for (const auto& s : h->Items()) top = std::max({top, s.Y1, s.Y2});
    // A face without "H" (symbols) measures against its ascender.
    if (top <= 0 && Face().Usable) top = impl_->FtFace->ascender * impl_->Scale;
    impl_->Cap = top > 0 ? top : 0.7 * OutlineUnitsPerEm;
  }
  return *impl_->Cap;
}

double TTTFToVectorConverter::Descent() {
  if (!impl_->Desc) impl_->Desc = Face().Usable ? -impl_->FtFace->descender * impl_->Scale : 0.0;
  return *impl_->Desc;
}

}  // namespace tibrel

// fontconfig keeps a few hundred bytes of its first match in memory it no
// longer points to (any program that matches a face shows it, ours or
// not). The leak checker of sanitized builds is told to pass it over; in
// other builds nothing calls this.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
