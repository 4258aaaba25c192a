// The model's part of the view: the grid and the blank, the triangles
// filled and shaded back to front (the painter's algorithm), and the 3D
// toolpaths of prototype machining.
#pragma once

#include <cstdint>

#include "geometry/extents.h"
#include "mesh/mesh.h"
#include "toolpath/model.h"
#include "toolpath/model3d.h"
#include "view/view.h"

namespace tibrel {

// The light that shades the triangles, fixed in the view's frame (right,
// up, toward the viewer; a unit vector): from the upper left and in front,
// so that the model reads alike however the view is turned.
inline constexpr double LightRight = -0.35, LightUp = 0.45, LightToward = 0.8215838362577492;
// A face's shade runs with its light from the base colour scaled by
// Ambient (turned from the light: its outline stays readable against the
// background) to the base moved Highlight of the way to white (square to
// the light), so that a black base (the colour for a missing option) shows
// its shape too.
inline constexpr double FacetAmbient = 0.45, FacetHighlight = 0.55;
// Triangles covering fewer pixels than this are filled without their
// edges: on a fine mesh the edges would cover the shading altogether.
inline constexpr double OutlineMinArea = 30;

// The base colour (0x00BBGGRR) lit by light in [0, 1] (the cosine between
// the face and the light, 0 when turned away).
int32_t ShadeColour(int32_t base, double light);

// The light on a facet with this world normal (any length, either sense:
// the side facing the viewer is the one seen, since a stored triangle's
// vertices are sorted by Z and have lost the file's winding): the cosine
// between that side's normal and the light, 0 when it is turned away or
// the normal has no length.
double FacetLight(const Projector& projector, double nx, double ny, double nz);

// Adds the model to the display, as the view paints a loaded model: the
// grid and stock (when the extents' XSize is not 0), then for content 3
// the triangles when ShowBoundaries is set and the 3D toolpaths up to the
// layer whose running point count passes DisplayPointLimit, status "Tool "
// and the points of all layers; for any other content the triangles,
// status "Tris " and their count.
void AddModelDisplay(const TTBTriangleArray& mesh, const TTBOutRegionArray3D& toolpaths, const TExtents& extents,
                     const TTBPrototypeParameters& blank, const ViewState& v, const DisplaySettings& s, Display& d);

// The box of the model, its blank and its 3D toolpaths: what a picture of
// the model job fits.
TExtents ModelPictureExtents(const TExtents& extents, const TTBPrototypeParameters& blank,
                             const TTBOutRegionArray3D& toolpaths);

}  // namespace tibrel
