#include "editor/run_state.h"

#include <algorithm>

namespace tibrel {

namespace {

int32_t FirstAtLine(const NcPath& path, int32_t line) {
  for (int32_t i = 1; i <= NcHigh(path); ++i)
    if (path[i].Line >= line) return i;
  return 0;
}

NcStep ToKind(NcRunState& s, const NcPath& path, uint8_t kind) {
  const int32_t from = s.ShownRecord + 1;
  for (int32_t i = std::max(from, 1); i <= NcHigh(path); ++i) {
    if (path[i].Kind != kind) continue;
    s.FirstShownRecord = from;
    s.ShownRecord = i;
    return {true, i};
  }
  return {};
}

}  // namespace

NcStep RunAll(NcRunState& s, const NcPath& path) {
  s.FirstShownRecord = 0;
  s.ShownRecord = NcHigh(path);
  return {true, 0};
}

NcStep RunClear(NcRunState& s, const NcPath& path) {
  if (s.ShownRecord >= NcHigh(path)) s.ShownRecord = 0;
  s.FirstShownRecord = s.ShownRecord + 1;
  return {true, 0};
}

NcStep RunNext(NcRunState& s, const NcPath& path) {
  if (s.ShownRecord >= NcHigh(path)) return {};
  ++s.ShownRecord;
  s.FirstShownRecord = s.ShownRecord;
  return {true, s.ShownRecord};
}

NcStep RunNext10(NcRunState& s, const NcPath& path) {
  if (s.ShownRecord > NcHigh(path) - 10) return {};
  s.FirstShownRecord = s.ShownRecord + 1;
  s.ShownRecord += 10;
  return {true, s.ShownRecord};
}

NcStep RunToCursor(NcRunState& s, const NcPath& path, int32_t caretLine) {
  const int32_t k = FirstAtLine(path, caretLine);
  if (k == 0) return {};
  s.FirstShownRecord = 1;
  s.ShownRecord = k;
  return {true, k};
}

NcStep RunFromCursor(NcRunState& s, const NcPath& path, int32_t caretLine) {
  const int32_t k = FirstAtLine(path, caretLine);
  if (k == 0) return {};
  s.FirstShownRecord = k;
  s.ShownRecord = NcHigh(path);
  return {true, 0};
}

NcStep RunToRapid(NcRunState& s, const NcPath& path) { return ToKind(s, path, NcKindRapid); }
NcStep RunToTool(NcRunState& s, const NcPath& path) { return ToKind(s, path, NcKindTool); }

NcRange ShownRange(const NcRunState& s, const NcPath& path) {
  return {std::max(s.FirstShownRecord, 1), std::min(s.ShownRecord, NcHigh(path))};
}

}  // namespace tibrel
