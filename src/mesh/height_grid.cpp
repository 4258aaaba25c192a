#include "mesh/height_grid.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tibrel {

bool PointInTriangleXY(double x, double y, const TTBTriangle& t) {
  bool inside = false;
  for (int k = 0; k < 3; ++k) {
    const TTBVertex& a = t.V[k];
    const TTBVertex& b = t.V[(k + 1) % 3];
    const double ax = a.X, ay = a.Y, bx = b.X, by = b.Y;
    if (ay <= y && y < by) {
      if ((bx - ax) * (y - ay) > (by - ay) * (x - ax)) inside = !inside;
    } else if (by <= y && y < ay) {
      if ((bx - ax) * (y - ay) < (by - ay) * (x - ax)) inside = !inside;
    }
  }
  return inside;
}

namespace {

// Grid index of a coordinate, truncated toward zero as the grid's rule
// says, then widened by one and kept inside 0..last.
int32_t LowIndex(double v, double origin, double step, int32_t last) {
  const double q = std::trunc((v - origin) / step) - 1;
  return static_cast<int32_t>(std::clamp(q, 0.0, static_cast<double>(last)));
}
int32_t HighIndex(double v, double origin, double step, int32_t last) {
  const double q = std::trunc((v - origin) / step) + 1;
  return static_cast<int32_t>(std::clamp(q, -1.0, static_cast<double>(last)));
}

void SampleTriangle(const TTBTriangle& t, const GridSpec& spec, TTBZGrid& grid) {
  const double x0 = std::min({t.V[0].X, t.V[1].X, t.V[2].X}), x1 = std::max({t.V[0].X, t.V[1].X, t.V[2].X});
  const double y0 = std::min({t.V[0].Y, t.V[1].Y, t.V[2].Y}), y1 = std::max({t.V[0].Y, t.V[1].Y, t.V[2].Y});
  if (!(x1 >= grid.X0 - grid.XStep) || !(y1 >= grid.Y0 - grid.YStep)) return;
  const int32_t j0 = LowIndex(y0, grid.Y0, grid.YStep, grid.NY), j1 = HighIndex(y1, grid.Y0, grid.YStep, grid.NY);
  const int32_t i0 = LowIndex(x0, grid.X0, grid.XStep, grid.NX), i1 = HighIndex(x1, grid.X0, grid.XStep, grid.NX);
  if (j0 > j1 || i0 > i1) return;
  // The plane through the three vertices; a vertical one has no height.
  const double ux = t.V[1].X - t.V[0].X, uy = t.V[1].Y - t.V[0].Y, uz = t.V[1].Z - t.V[0].Z;
  const double vx = t.V[2].X - t.V[0].X, vy = t.V[2].Y - t.V[0].Y, vz = t.V[2].Z - t.V[0].Z;
  double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (len > 0) nx /= len, ny /= len, nz /= len;
  if (nz == 0) return;
  const double d = -(nx * t.V[0].X + ny * t.V[0].Y + nz * t.V[0].Z);
  const bool male = spec.Blank.Male != 0;
  for (int32_t j = j0; j <= j1; ++j) {
    const double y = grid.Y0 + j * grid.YStep;
    for (int32_t i = i0; i <= i1; ++i) {
      const double x = grid.X0 + i * grid.XStep;
      if (!PointInTriangleXY(x, y, t)) continue;
      const double h = -(nx * x + ny * y + d) / nz + spec.Stock;
      float& cell = grid.At(j, i);
      if (male) {
        if (h > 0) cell = 0;
        else if (h > cell) cell = static_cast<float>(h);
      } else if (h < cell) {
        cell = static_cast<float>(h);
      }
    }
  }
}

}  // namespace

bool BuildHeightGrid(const TTBTriangleArray& mesh, const GridSpec& spec, TTBZGrid& grid, const PassControl& control) {
  const TTBPrototypeParameters& b = spec.Blank;
  grid.NX = grid.NY = -1;
  grid.Heights.clear();
  if (b.BlankZ1 == b.BlankZ2 || !(spec.XStep > 0) || !(spec.YStep > 0)) return false;
  const double nx = std::trunc((b.BlankX2 - b.BlankX1) / spec.XStep) + 1;
  const double ny = std::trunc((b.BlankY2 - b.BlankY1) / spec.YStep) + 1;
  // A grid beyond a billion heights is no blank a machine cuts.
  if (!(nx >= 1 && ny >= 1) || (nx + 1) * (ny + 1) > 1e9) return false;
  grid.NX = static_cast<int32_t>(nx), grid.NY = static_cast<int32_t>(ny);
  grid.XStep = spec.XStep, grid.YStep = spec.YStep, grid.X0 = b.BlankX1, grid.Y0 = b.BlankY1;
  const float start = b.Male ? static_cast<float>(b.BlankZ1 + spec.Stock) : 0.0f;
  grid.Heights.assign(static_cast<size_t>(grid.NX + 1) * (grid.NY + 1), start);
  const size_t stride = std::max<size_t>(mesh.size() / 100, 1);
  control.Begin("Creating grid...", static_cast<int64_t>(mesh.size()));
  for (size_t k = 0; k < mesh.size(); ++k) {
    if (k % stride == 0 && k > 0) {
      control.Advance(static_cast<int64_t>(k));
      if (control.Halted()) {
        control.End();
        return false;
      }
    }
    SampleTriangle(mesh[k], spec, grid);
  }
  control.End();
  return true;
}

TTBToolMask BuildToolMask(int32_t toolType, double angle, double yStep, double xStep, double diameter) {
  const double r = diameter / 2;
  auto even = [](double v) {
    auto n = static_cast<int32_t>(std::lround(v));
    return n % 2 ? n + 1 : n;
  };
  const int32_t nX = std::max(even(diameter / xStep), 0), nY = std::max(even(diameter / yStep), 0);
  TTBToolMask mask;
  mask.Rows = nY + 1, mask.Columns = nX + 1;
  mask.Cells.resize(static_cast<size_t>(mask.Rows) * mask.Columns);
  const double slope = std::tan(std::numbers::pi / 2 - (std::numbers::pi / 180) * angle / 2);
  for (int32_t k = 0; k < mask.Rows; ++k)
    for (int32_t m = 0; m < mask.Columns; ++m) {
      const double dx = (m - nX / 2) * xStep, dy = (k - nY / 2) * yStep;
      const double d2 = dx * dx + dy * dy;
      double v = MaskOutside;
      if (d2 < r * r) {
        v = toolType == CutterBall ? r - std::sqrt(r * r - d2) : toolType == CutterV ? slope * std::sqrt(d2) : 0.0;
        if (v < 0) v = 0;
      }
      mask.Cells[static_cast<size_t>(k) * mask.Columns + m] = v;
    }
  return mask;
}

bool ApplyGougeControl(TTBZGrid& grid, int32_t toolType, double angle, double diameter, const PassControl& control) {
  if (grid.Empty()) return true;
  return ApplyToolMask(grid, BuildToolMask(toolType, angle, grid.YStep, grid.XStep, diameter), control);
}

}  // namespace tibrel
