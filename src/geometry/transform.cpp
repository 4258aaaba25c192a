#include "geometry/transform.h"

#include <cmath>

namespace tibrel {

void ScaleRegion(TTBRegion& r, double f) {
  if (!(f > 0) || f == 1) return;
  for (auto& e : r.Entities) {
    e.X *= f;
    e.Y *= f;
    if (e.Radius == 0) {
      e.X2 *= f;
      e.Y2 *= f;
    } else {
      e.Radius *= f;
    }
    UpdateEntityBox(e);
  }
}

void RotateRegion(TTBRegion& r, double cx, double cy, double angle) {
  if (angle == 0) return;
  const double c = std::cos(angle), s = std::sin(angle);
  auto turn = [&](double& x, double& y) {
    const double dx = x - cx, dy = y - cy;
    x = cx + dx * c - dy * s;
    y = cy + dy * c + dx * s;
  };
  // One addition or subtraction of 2*pi keeps angles in [0, 2*pi).
  auto wrap = [](double a) { return a >= TwoPi ? a - TwoPi : (a < 0 ? a + TwoPi : a); };
  for (auto& e : r.Entities) {
    turn(e.X, e.Y);
    if (e.Radius == 0) {
      turn(e.X2, e.Y2);
    } else {
      e.X2 = wrap(e.X2 + angle);
      e.Y2 = wrap(e.Y2 + angle);
    }
  }
}

void TranslateRegion(TTBRegion& r, double dx, double dy) {
  for (auto& e : r.Entities) {
    e.X += dx;
    e.Y += dy;
    if (e.Radius == 0) {
      e.X2 += dx;
      e.Y2 += dy;
    }
    e.XMin += dx, e.XMax += dx, e.YMin += dy, e.YMax += dy;
  }
  UpdateRegionBox(r);
}

std::optional<Box> SelectionBox(const TTBRegionArray& regions) {
  std::optional<Box> box;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (!r.Selected || r.Entities.empty()) continue;
    if (!box) box = Box{r.XMin, r.YMin, r.YMax, r.XMax};
    else UnionBox(*box, r);
  }
  return box;
}

namespace {
void RememberCentre(const Box& b, MoveScaleRotateState& state) {
  state.CentreX = (b.XMax - b.XMin) / 2 + b.XMin;
  state.CentreY = (b.YMax - b.YMin) / 2 + b.YMin;
}
}  // namespace

std::optional<Box> BeginMoveScaleRotate(const TTBRegionArray& regions, MoveScaleRotateState& state) {
  const std::optional<Box> box = SelectionBox(regions);
  if (box) RememberCentre(*box, state);
  return box;
}

std::optional<Box> ApplyMoveScaleRotate(TTBRegionArray& regions, TExtents& extents, MoveScaleRotateState& state, double cornerX, double cornerY,
                                        double scale, double angleDegrees) {
  TTBRegionArray& R = regions;
  for (size_t i = 1; i < R.size(); ++i) {
    if (!R[i].Selected) continue;
    ScaleRegion(R[i], scale);
    RotateRegion(R[i], state.CentreX, state.CentreY, angleDegrees * Pi / 180);
    UpdateEntityBoxes(R[i].Entities);
    UpdateRegionBox(R[i]);
  }
  const std::optional<Box> box = SelectionBox(R);
  if (!box) return box;
  for (size_t i = 1; i < R.size(); ++i)
    if (R[i].Selected) TranslateRegion(R[i], cornerX - box->XMin, cornerY - box->YMin);
  extents = RegionExtents(R);
  const std::optional<Box> moved = SelectionBox(R);
  if (moved) RememberCentre(*moved, state);
  return moved;
}

}  // namespace tibrel
