// The Run window's stepping through an NC path: which records the view
// draws (FirstShownRecord .. ShownRecord) and which record's line the
// editor selects after a step.
#pragma once

#include <cstdint>

#include "editor/nc_path.h"

namespace tibrel {

struct NcRunState {
  int32_t FirstShownRecord = 0;
  int32_t ShownRecord = 0;
};

// What a step asks of the window: a redraw, and the record whose program
// line is selected (0: none).
struct NcStep {
  bool Redraw = false;
  int32_t SelectRecord = 0;
};

// The whole path drawn (after Open NC, and the "All" button).
NcStep RunAll(NcRunState& s, const NcPath& path);
// Nothing drawn; the next Next starts after the last record drawn, or at
// the beginning when the whole path was drawn.
NcStep RunClear(NcRunState& s, const NcPath& path);
// The next record alone. Past the last record nothing changes.
NcStep RunNext(NcRunState& s, const NcPath& path);
// The next ten records; nothing changes when fewer than ten remain.
NcStep RunNext10(NcRunState& s, const NcPath& path);
// Records 1 .. the first record made at or after caretLine (0-based).
NcStep RunToCursor(NcRunState& s, const NcPath& path, int32_t caretLine);
// From the first record made at or after caretLine to the end.
NcStep RunFromCursor(NcRunState& s, const NcPath& path, int32_t caretLine);
// From the record after the last one drawn up to the next rapid (kind 3),
// or the next tool change.
NcStep RunToRapid(NcRunState& s, const NcPath& path);
NcStep RunToTool(NcRunState& s, const NcPath& path);

// The records to draw, clamped to the path: an empty range when first >
// last.
struct NcRange {
  int32_t First = 1;
  int32_t Last = 0;
};
NcRange ShownRange(const NcRunState& s, const NcPath& path);

}  // namespace tibrel
