// The backplot of an NC program: the records of its path that the Run
// window has chosen, as the view's display list.
#pragma once

#include "editor/nc_path.h"
#include "editor/run_state.h"
#include "geometry/extents.h"
#include "view/view.h"

namespace tibrel {

// The path's extents as the view fits them; Z about its middle.
TExtents NcViewExtents(const NcExtents& e);

// Records range.First .. range.Last: feed lines solid black, rapids dotted
// blue, arcs black at their centre's Z flattened by the view's chord rule
// (no minimum step); drill plunges and tool changes are not drawn. The
// status is "NC " and the number of records drawn.
Display BuildNcBackplot(const NcPath& path, NcRange range, const ViewState& v, int32_t background = 0xFFFFFF);

}  // namespace tibrel
