// Scaling, rotating and moving regions (the "Move, Scale, and Rotate "
// dialog in drawing mode).
#pragma once

#include <optional>

#include "geometry/extents.h"
#include "geometry/region.h"
#include "geometry/box_tree.h"

namespace tibrel {

// Scales about the origin; nothing for factors <= 0 or equal to 1. Arcs keep
// their angles and sense.
void ScaleRegion(TTBRegion& r, double factor);
// Rotates about (cx, cy) by angle radians counter-clockwise; arcs stay exact
// (their angles turn by the same amount).
void RotateRegion(TTBRegion& r, double cx, double cy, double angle);
void TranslateRegion(TTBRegion& r, double dx, double dy);
// Union of the boxes of the selected regions; nothing when none is selected.
std::optional<Box> SelectionBox(const TTBRegionArray& regions);

// What the dialog keeps between its Apply presses.
struct MoveScaleRotateState {
  double CentreX = 0, CentreY = 0;  // the selection centre when shown or last applied
};
// Showing the dialog: the box, and the centre remembered for rotations.
std::optional<Box> BeginMoveScaleRotate(const TTBRegionArray& regions, MoveScaleRotateState& state);
// Apply: scale, rotate about the remembered centre, then move the box's
// lower-left corner to (cornerX, cornerY); new extents; the new box (for the
// dialog's fields).
std::optional<Box> ApplyMoveScaleRotate(TTBRegionArray& regions, TExtents& extents, MoveScaleRotateState& state,
                                        double cornerX, double cornerY, double scale, double angleDegrees);

}  // namespace tibrel
