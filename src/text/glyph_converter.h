// The glyph converter: outlines of a face's glyphs as strokes of straight
// segments in outline units (strokes.h), and the advance widths that space
// them. Faces are found by name through the system's font configuration; a
// name it does not know falls back to its best match, which Face() tells.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "text/strokes.h"

namespace tibrel {

// The face to outline. File, when set, names the font file to use instead
// of looking the name up (Face still decides the single-line rule).
struct TextFont {
  std::string Face = "Arial";
  bool Bold = false;
  bool Italic = false;
  std::string File;
};

// The face actually used for a TextFont.
struct FaceMatch {
  std::string Family;  // as the font names itself ("Liberation Sans")
  std::string Style;   // "Regular", "Bold Italic", ...
  std::string File;
  // The name was not known: the best match of the font configuration took
  // its place. A metric-compatible alias ("Arial" as "Liberation Sans") is
  // not a substitute in this sense.
  bool Substituted = false;
  bool Usable = false;  // a face was opened
};

// The face that draws every stroke out and back along the same line, so
// that its first half is the single-line stroke.
inline constexpr const char* SingleLineFace = "Stick40";

class TTTFToVectorConverter {
 public:
  TTTFToVectorConverter();
  ~TTTFToVectorConverter();
  TTTFToVectorConverter(const TTTFToVectorConverter&) = delete;
  TTTFToVectorConverter& operator=(const TTTFToVectorConverter&) = delete;

  // Changing the face drops the glyphs made so far.
  void SetFont(const TextFont& font);
  const TextFont& Font() const { return font_; }
  // Segments per curve piece; values outside 1..100 leave it as it was.
  void SetPrecision(int32_t precision);
  int32_t Precision() const { return precision_; }
  // Advance of the last glyph that produced an outline (outline units).
  double LastAdvance = 0;

  // Opens the face on first use.
  const FaceMatch& Face();
  // The glyph of character c, or null when the face has no outline for it
  // (a space) or no face could be opened. Glyphs are kept per character
  // until the face or the precision changes; the pointer stays valid until
  // then.
  const TStrokeCollection* GetGlyphStrokes(char32_t c);
  // The glyph's advance width in outline units; 0 when the face cannot be
  // used.
  double GetGlyphAdvance(char32_t c);
  // Height of the capitals (the top of "H"), and the depth of the face's
  // descender below the baseline (positive), in outline units.
  double CapHeight();
  double Descent();

 private:
  struct Impl;
  struct Glyph;
  const Glyph* GlyphOf(char32_t c);

  TextFont font_;
  int32_t precision_ = 8;
  std::unique_ptr<Impl> impl_;
};

// Looks a face up through the font configuration without opening it.
FaceMatch FindFace(const TextFont& font);

}  // namespace tibrel
