#include "text/strokes.h"

#include <stdexcept>

namespace tibrel {

int32_t TStrokeCollection::StrokeCount() const { return items_.empty() ? 0 : items_.back().Stroke + 1; }

long TStrokeCollection::FirstSegment(int32_t n) const {
  if (n < 0 || n >= StrokeCount()) return -1;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Stroke == n) return static_cast<long>(i);
  return -1;
}

long TStrokeCollection::SegmentCount(int32_t n) const {
  const long first = FirstSegment(n);
  if (first < 0) return -1;
  size_t i = static_cast<size_t>(first);
  while (i < items_.size() && items_[i].Stroke == n) ++i;
  return static_cast<long>(i) - first;
}

const TTBStrokeItem& TStrokeCollection::GetSegment(size_t i) const {
  if (i >= items_.size()) throw std::out_of_range("Error");
  return items_[i];
}

void TStrokeCollection::DropSecondHalves() {
  std::vector<TTBStrokeItem> kept;
  kept.reserve(items_.size());
  size_t i = 0;
  while (i < items_.size()) {
    size_t end = i;
    while (end < items_.size() && items_[end].Stroke == items_[i].Stroke) ++end;
    const size_t c = end - i, half = c / 2;
    for (size_t k = 0; k < c; ++k)
      if (k < half || k >= 2 * half) kept.push_back(items_[i + k]);
    i = end;
  }
  items_ = std::move(kept);
}

}  // namespace tibrel
