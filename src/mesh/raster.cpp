#include "mesh/raster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

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

// The grid's lines in travel-independent order, each contiguous: the rows
// of a raster along X, the columns (transposed once) of one along Y.
struct Lines {
  const float* heights = nullptr;
  std::vector<float> transposed;
  int32_t count = 0, last = 0;  // lines 0..count - 1 of columns 0..last
  double along0 = 0, alongStep = 0, across0 = 0, acrossStep = 0;
  bool alongX = true;
  std::vector<double> highest;  // per line; infinite when a height is not a number
  const float* Line(int32_t j) const { return heights + static_cast<size_t>(j) * (last + 1); }
};

Lines MakeLines(const TTBZGrid& grid, bool alongX) {
  Lines l;
  l.alongX = alongX;
  l.count = (alongX ? grid.NY : grid.NX) + 1, l.last = alongX ? grid.NX : grid.NY;
  l.along0 = alongX ? grid.X0 : grid.Y0, l.alongStep = alongX ? grid.XStep : grid.YStep;
  l.across0 = alongX ? grid.Y0 : grid.X0, l.acrossStep = alongX ? grid.YStep : grid.XStep;
  if (alongX) {
    l.heights = grid.Heights.data();
  } else {
    l.transposed.resize(grid.Heights.size());
    for (int32_t j = 0; j <= grid.NY; ++j)
      for (int32_t i = 0; i <= grid.NX; ++i) l.transposed[static_cast<size_t>(i) * (grid.NY + 1) + j] = grid.At(j, i);
    l.heights = l.transposed.data();
  }
  l.highest.resize(static_cast<size_t>(l.count));
  for (int32_t j = 0; j < l.count; ++j) {
    const float* h = l.Line(j);
    double top = -std::numeric_limits<double>::infinity();
    for (int32_t p = 0; p <= l.last; ++p)
      top = std::isnan(h[p]) ? std::numeric_limits<double>::infinity() : std::max(top, static_cast<double>(h[p]));
    l.highest[static_cast<size_t>(j)] = top;
  }
  return l;
}

// One thread's scratch for writing lines.
struct LineScratch {
  std::vector<double> heights;
  std::vector<int32_t> kept;
};

// Appends line j of a layer at floor layerZ: the zig-zag's travel order, the
// kept columns, and the two legs of every step steeper than 45 degrees.
void WriteLine(const Lines& lines, int32_t j, double layerZ, double tol, LineScratch& s, TTBEntityArray3D& out) {
  const bool forward = j % 2 == 0;
  const int32_t last = lines.last;
  const float* row = lines.Line(j);
  s.kept.clear();
  s.heights.resize(static_cast<size_t>(last) + 1);
  // Where the floor clips the whole line level, a tolerance of 0 or more
  // keeps its two ends.
  const bool level = lines.highest[static_cast<size_t>(j)] <= layerZ && !(0.0 > tol);
  if (level) {
    s.kept.push_back(0), s.kept.push_back(last);
  } else {
    for (int32_t p = 0; p <= last; ++p)
      s.heights[static_cast<size_t>(p)] = std::max(static_cast<double>(row[forward ? p : last - p]), layerZ);
    WriteRasterRow(s.heights, tol, s.kept);
  }
  const double across = lines.across0 + j * lines.acrossStep;
  for (size_t n = 0; n < s.kept.size(); ++n) {
    const int32_t p = s.kept[n];
    const int32_t i = forward ? p : last - p;
    const double along = lines.along0 + i * lines.alongStep;
    const float a = static_cast<float>(lines.alongX ? along : across);
    const float b = static_cast<float>(lines.alongX ? across : along);
    const double z = level ? layerZ : s.heights[static_cast<size_t>(p)];
    if (n > 0) {
      // Steeper than 45 degrees the straight cut between two grid points
      // would take the edge off a wall that the grid stands beside: the
      // cutter goes over at the higher height and then straight down, or
      // straight up and then over.
      const TTBPoint3D before = out.back();
      if (std::fabs(z - before.Z) > lines.alongStep) {
        if (z < before.Z) out.push_back({MoveRaster3D, a, b, before.Z});
        else out.push_back({MoveRaster3D, before.X, before.Y, static_cast<float>(z)});
      }
    }
    out.push_back({MoveRaster3D, a, b, static_cast<float>(z)});
  }
}

// The layers of one raster; alongX walks grid rows, else grid columns. The
// lines of a layer are shared among threads in contiguous parts joined in
// order, so the layer is the same on any number of threads; the calling
// thread alone polls the front end and stops the others.
bool RasterLayers(const TTBZGrid& grid, const RasterSpec& spec, bool alongX, TTBOutRegionArray3D& toolpaths,
                  const PassControl& control) {
  const TTBTool& t = *spec.Tool;
  if ((alongX ? grid.NX : grid.NY) < 1) return true;
  const Lines lines = MakeLines(grid, alongX);
  const size_t reserve = static_cast<size_t>(std::max(0L, std::lround(-spec.Depth / t.ZStep))) + 1;
  toolpaths.reserve(toolpaths.size() + std::min<size_t>(reserve, 100000));
  const int32_t stride = std::max((lines.count - 1) / 100, 1);
  // No more parts than lines: every part has a line.
  const auto parts =
      static_cast<int32_t>(std::min<int64_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u), lines.count));
  std::vector<TTBEntityArray3D> written(static_cast<size_t>(parts));
  std::vector<LineScratch> scratch(static_cast<size_t>(parts));
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
    std::atomic<bool> stop{false};
    auto part = [&](int32_t n) {
      const int32_t first = static_cast<int32_t>(static_cast<int64_t>(lines.count) * n / parts);
      const int32_t end = static_cast<int32_t>(static_cast<int64_t>(lines.count) * (n + 1) / parts);
      TTBEntityArray3D& out = written[static_cast<size_t>(n)];
      out.clear();
      for (int32_t j = first; j < end; ++j) {
        if (n == 0 && j % stride == 0 && j > 0 && control.Halted()) stop = true;
        if (stop.load(std::memory_order_relaxed)) return;
        WriteLine(lines, j, layerZ, spec.Tolerance, scratch[static_cast<size_t>(n)], out);
      }
    };
    std::vector<std::thread> helpers;
    int32_t started = 1;
    for (; started < parts; ++started) {
      try {
        helpers.emplace_back(part, started);
      } catch (const std::system_error&) {
        break;  // the parts that no thread took are written here
      }
    }
    part(0);
    for (int32_t n = started; n < parts; ++n) part(n);
    for (auto& h : helpers) h.join();
    if (stop) return false;
    size_t total = 0;
    for (const auto& w : written) total += w.size();
    layer.Points.reserve(total);
    for (const auto& w : written) layer.Points.insert(layer.Points.end(), w.begin(), w.end());
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
  // Built in one list for all layers, then copied into storage of its own
  // size: the lifted layer is mostly far shorter than the raster's, whose
  // storage goes.
  TTBEntityArray3D out;
  for (size_t l = first; l < toolpaths.size(); ++l) {
    TTBOutRegion3D& layer = toolpaths[l];
    const TTBEntityArray3D& pts = layer.Points;
    const size_t n = pts.size();
    out.clear();
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
        // Kept in a register: the run's walk is the lifting's inner loop.
        const double z = pts[k].Z;
        if (z > runTop) runTop = z;
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
      const double first = pts[start].Z;
      const double over = (runTop < first ? first : runTop) + rapidHeight;
      const TTBPoint3D& end = pts[k - 1];
      out.push_back({MoveRapid3D, pts[start].X, pts[start].Y, static_cast<float>(over)});
      out.push_back({MoveRapid3D, end.X, end.Y, static_cast<float>(over)});
      out.push_back({MoveRapid3D, end.X, end.Y, end.Z});
      out.push_back({MoveCut3D, pts[k].X, pts[k].Y, pts[k].Z});
      runTop = depth;
      ++k;
    }
    layer.Points = TTBEntityArray3D(out.begin(), out.end());
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
