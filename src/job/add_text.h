// Text on the job: the Add Text command of the text dialog and the text
// entities of an opened drawing, both set in the options' face.
#pragma once

#include <string>

#include "dxf/entities.h"
#include "geometry/selection.h"
#include "job/job.h"
#include "text/glyph_converter.h"
#include "text/layout.h"

namespace tibrel {

// The options' face (Font, FontBold, FontItalic) and FontPrecision.
TextFont TextFontOf(const TTBOptions& options);
void LoadTextConverter(TTTFToVectorConverter& converter, const TTBOptions& options);

// The status text when the face is not installed and another takes its
// place ("Font Foo not found: DejaVu Sans used"); empty otherwise.
std::string FaceNotice(const std::string& requested, const FaceMatch& face);

// Add: the text set as placed, chained into closed regions appended after
// the job's regions; the drawing extents follow. An empty text gives the
// message "No Text to convert!", an arc of radius 0 "Radius can not be
// 0!"; a character wider than the radius adds nothing, without a message.
// The converter gets the options' face first. Changed tells whether
// regions were added.
CommandResult AddText(Job& job, const TextPlacement& placement, TTTFToVectorConverter& converter);

// The text regions of an opened drawing (placeholder first), in the
// options' face; only the placeholder when the drawing holds no text.
// notice gets FaceNotice's text when the face was not found.
TTBRegionArray DrawingTextRegions(const DXF_Object& drawing, const TTBOptions& options, uint8_t cw,
                                  const PassControl& control, std::string& notice);

}  // namespace tibrel
