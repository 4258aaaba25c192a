// The strokes of one glyph: numbered closed contours of straight segments in
// outline units (one em is OutlineUnitsPerEm; X to the right of the glyph
// origin, Y up from the baseline).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tibrel {

// One em in outline units: a 1024-point face at 96 pixels per inch. Text
// heights given as "h" scale the outline by h / 1024.
inline constexpr double OutlineUnitsPerEm = 1024.0 * 96.0 / 72.0;

// One segment of a contour. Ends are kept unrounded: rounding to whole
// outline units moves points by up to h / 2048 and makes zero-length and
// duplicate pieces out of short curve steps.
struct TTBStrokeItem {
  int32_t Stroke = 0;  // 0-based contour number within the glyph
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

class TStrokeCollection {
 public:
  // Last item's stroke + 1; 0 when empty.
  int32_t StrokeCount() const;
  // Index of the first item of stroke n; -1 when n is not a stroke number.
  long FirstSegment(int32_t n) const;
  // Items of stroke n; -1 for a stroke number outside the list.
  long SegmentCount(int32_t n) const;
  // Throws std::out_of_range("Error") for an index outside the list.
  const TTBStrokeItem& GetSegment(size_t i) const;
  size_t Size() const { return items_.size(); }
  const std::vector<TTBStrokeItem>& Items() const { return items_; }
  void Add(const TTBStrokeItem& item) { items_.push_back(item); }
  void Clear() { items_.clear(); }
  // For a single-line face that draws each stroke out and back along the
  // same line: every stroke of c items keeps its first c div 2 items and an
  // odd last one (items c div 2 .. 2 (c div 2) - 1 go).
  void DropSecondHalves();

 private:
  std::vector<TTBStrokeItem> items_;
};

}  // namespace tibrel
