// Turns the entity objects of a DXF drawing into geometry: loose segments
// (lines, arcs, circles, ellipses as arcs), polyline regions (polylines,
// 3D faces, meshes, with bulges as arcs; splines as arcs) and, later, text
// outlines.
#pragma once

#include <string>

#include "dxf/entities.h"
#include "geometry/region.h"

namespace tibrel {

// Layer name that never matches: layer names are upper case.
inline constexpr const char* NoSkipLayer = "NoSkipLayer";

// Appends the segments of every line, arc, circle and ellipse list (all
// layers but skipLayer) to segments, and one region per polyline-like entity
// and per spline to polylines (no placeholder; Depth holds the polyline's
// half width, and every region is marked Selected). Ellipses and splines
// become arcs and lines within curveTolerance of the curve (0 means
// DefaultCurveTolerance). Entities whose numbers are not finite, or that
// have no extent, are dropped.
void ConvertEntities(const DXF_Object& drawing, const std::string& skipLayer, double curveTolerance,
                     TTBEntityArray& segments, TTBRegionArray& polylines);

// One region from a polyline's vertices; bulges become arcs; pieces not
// longer than 0.0005 vanish. Returns false when no piece is kept.
bool PolylineToRegion(const Polyline_& p, TTBRegion& r);

// The arcs (and lines, where it is flat) following an ellipse from its start
// to its end parameter within tolerance; the first starts at the point of
// the start parameter and the last ends at the point of the end parameter.
void EllipseToSegments(const Ellipse_& e, double tolerance, TTBEntityArray& out);

// A wide polyline (half width w) becomes its outline: an open one the closed
// outline of both sides joined by straight end caps; a circle grows by w;
// other closed polylines stay as drawn.
void WidenPolyline(TTBRegion& r, double w);

// The clean-up polyline regions get before they join the drawing: sort,
// drop empty ones, remove duplicates, join open ones end to end, set closed
// ones to direction cw, merge collinear lines, cut where a path turns
// straight back, and widen wide polylines. The half width in Depth is
// cleared.
void CleanPolylineRegions(TTBRegionArray& polylines, uint8_t cw);

}  // namespace tibrel
