// The Open Gerber command: a board's copper layer read into the job as
// closed regions of copper outlines, with a frame round them that All as
// Islands (PCB) takes as the board outline.
#pragma once

#include <string>
#include <string_view>

#include "job/open_drawing.h"

namespace tibrel {

// What the frame keeps from the copper's extents, in inches (scaled for a
// millimetre board): room for any isolation cutter.
inline constexpr double GerberFrameMarginInch = 0.1;

// Whether a file is taken as Gerber by its extension: .gbr .ger .gbx .gtl
// .gbl .cmp .sol and the other copper and artwork extensions of board
// programs, in any letter case.
bool IsGerberPath(const std::string& path);

// Reads a Gerber file held in memory into the job: regions (closed copper
// outlines, nearest-first, then the frame), extents, name and unit (from
// MO; the option for files that name none). The tool offset and the
// default direction come from the options. A file the reader refuses
// leaves the job as it was and gives its message in Error.
OpenResult OpenGerberDrawing(Job& job, std::string_view data, const std::string& name);
OpenResult OpenGerberFile(Job& job, const std::string& path);

}  // namespace tibrel
