#include "mesh/raster.h"

#include <algorithm>
#include <cmath>

namespace tibrel {

void WriteRasterRow(const std::vector<double>& h, double tol, std::vector<int32_t>& kept) {
  const auto n = static_cast<int32_t>(h.size());
  if (n < 2) return;
  kept.push_back(0);
  double base = h[0], slope = 0;
  int32_t steps = 0, pending = -1;
  for (int32_t c = 1; c < n - 1; ++c) {
    ++steps;
    const double predicted = base + steps * slope;
    if (std::fabs(h[c] - predicted) > tol) {
      if (pending >= 0) kept.push_back(pending);
      kept.push_back(c);
      base = h[c - 1];
      slope = h[c] - base;
      steps = 0;
      pending = -1;
    } else {
      pending = c;
    }
  }
  // The last inner column is kept only when the row's end leaves the line
  // through it: a row of equal heights is its two ends.
  if (pending >= 0 && std::fabs(h[n - 1] - (base + (steps + 1) * slope)) > tol) kept.push_back(pending);
  kept.push_back(n - 1);
}

namespace {

// The layers of one raster; alongX walks grid rows, else grid columns.
bool RasterLayers(const TTBZGrid& grid, const RasterSpec& spec, bool alongX, TTBOutRegionArray3D& toolpaths,
                  const PassControl& control) {
  const TTBTool& t = *spec.Tool;
  const int32_t lines = alongX ? grid.NY : grid.NX, last = alongX ? grid.NX : grid.NY;
  if (last < 1 || lines < 0) return true;
  const size_t reserve = static_cast<size_t>(std::max(0L, std::lround(-spec.Depth / t.ZStep))) + 1;
  toolpaths.reserve(toolpaths.size() + std::min<size_t>(reserve, 100000));
  const int32_t stride = std::max(lines / 100, 1);
  std::vector<double> heights(static_cast<size_t>(last) + 1);
  std::vector<int32_t> kept;
  double layerZ = 0;
  do {
    TTBOutRegion3D layer;
    layer.XRaster = alongX ? 1 : 0;
    layer.FeedRate = t.FeedRate, layer.PlungeRate = t.PlungeRate, layer.SpindleRPM = t.SpindleRPM;
    layer.ToolNumber = t.ToolNumber, layer.Name = spec.PathName, layer.PathMode = 1;
    layer.RapidHeight = spec.RapidHeight, layer.Direction = alongX ? 1 : 2;
    layerZ -= t.ZStep;
    if (layerZ < spec.Depth) layerZ = spec.Depth;
    layer.LayerZ = layerZ;
    layer.Points.reserve(static_cast<size_t>(lines + 1) * (last + 1));
    for (int32_t j = 0; j <= lines; ++j) {
      if (j % stride == 0 && j > 0 && control.Halted()) return false;
      const bool forward = j % 2 == 0;
      for (int32_t p = 0; p <= last; ++p) {
        const int32_t i = forward ? p : last - p;
        const float g = alongX ? grid.At(j, i) : grid.At(i, j);
        heights[static_cast<size_t>(p)] = std::max(static_cast<double>(g), layerZ);
      }
      kept.clear();
      WriteRasterRow(heights, spec.Tolerance, kept);
      const double step = alongX ? grid.XStep : grid.YStep;
      for (size_t n = 0; n < kept.size(); ++n) {
        const int32_t p = kept[n];
        const int32_t i = forward ? p : last - p;
        const double a = alongX ? grid.X0 + i * grid.XStep : grid.X0 + j * grid.XStep;
        const double b = alongX ? grid.Y0 + j * grid.YStep : grid.Y0 + i * grid.YStep;
        const double z = heights[static_cast<size_t>(p)];
        if (n > 0) {
          // Steeper than 45 degrees the straight cut between two grid
          // points would take the edge off a wall that the grid stands
          // beside: the cutter goes over at the higher height and then
          // straight down, or straight up and then over.
          const TTBPoint3D before = layer.Points.back();
          if (std::fabs(z - before.Z) > step) {
            if (z < before.Z) layer.Points.push_back({MoveRaster3D, static_cast<float>(a), static_cast<float>(b), before.Z});
            else layer.Points.push_back({MoveRaster3D, before.X, before.Y, static_cast<float>(z)});
          }
        }
        layer.Points.push_back({MoveRaster3D, static_cast<float>(a), static_cast<float>(b), static_cast<float>(z)});
      }
    }
    layer.Points.shrink_to_fit();
    toolpaths.push_back(std::move(layer));
  } while (layerZ > spec.Depth);
  return true;
}

}  // namespace

bool CreateRasterToolpaths(const TTBZGrid& grid, const RasterSpec& spec, TTBOutRegionArray3D& toolpaths,
                           const PassControl& control) {
  if (control.Idle() || spec.Depth == 0 || spec.Tool == nullptr || !(spec.Tool->ZStep > 0) || grid.Empty())
    return !control.Idle();
  if (grid.Direction != 1 && grid.Direction != 2) return true;
  control.Begin("Creating toolpaths..", 0);
  const bool ok = RasterLayers(grid, spec, grid.Direction == 1, toolpaths, control);
  control.End();
  return ok;
}

void LiftCutMoves(TTBOutRegionArray3D& toolpaths, size_t first, double blankZ2, double depth, double rapidHeight) {
  double prevZ = blankZ2;
  double runTop = 0;
  for (size_t l = first; l < toolpaths.size(); ++l) {
    TTBOutRegion3D& layer = toolpaths[l];
    const TTBEntityArray3D& pts = layer.Points;
    const size_t n = pts.size();
    TTBEntityArray3D out;
    out.reserve(n + 100);
    size_t k = 0;
    while (k < n) {
      if (pts[k].Z <= prevZ) {
        out.push_back({MoveCut3D, pts[k].X, pts[k].Y, pts[k].Z});
        runTop = depth;
        ++k;
        continue;
      }
      out.push_back({MoveRaster3D, pts[k].X, pts[k].Y, pts[k].Z});
      const size_t start = k++;
      bool ended = true;
      for (; k < n; ++k) {
        runTop = std::max(runTop, static_cast<double>(pts[k].Z));
        if (pts[k].Z < prevZ) {
          ended = false;
          break;
        }
      }
      if (ended) break;
      if (k == start + 1) {
        out.push_back({MoveRaster3D, pts[k].X, pts[k].Y, pts[k].Z});
        ++k;
        continue;
      }
      // Over the stretch at its highest point (its first point included)
      // plus the rapid height, down to its last point, then on to the
      // point below the floor as a cut.
      const double over = std::max(runTop, static_cast<double>(pts[start].Z)) + rapidHeight;
      const TTBPoint3D& end = pts[k - 1];
      out.push_back({MoveRapid3D, pts[start].X, pts[start].Y, static_cast<float>(over)});
      out.push_back({MoveRapid3D, end.X, end.Y, static_cast<float>(over)});
      out.push_back({MoveRapid3D, end.X, end.Y, end.Z});
      out.push_back({MoveCut3D, pts[k].X, pts[k].Y, pts[k].Z});
      runTop = depth;
      ++k;
    }
    layer.Points = std::move(out);
    prevZ = layer.LayerZ;
  }
}

size_t DisplayLimitTotal(const TTBOutRegionArray3D& toolpaths) {
  size_t total = 0;
  for (const auto& l : toolpaths) {
    total += l.Points.size();
    if (total > DisplayPointLimit) return total;
  }
  return 0;
}

}  // namespace tibrel
