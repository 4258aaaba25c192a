#include "cutter_mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace tibrel::cutter {

namespace {

struct P {
  double x, y, z;
};

// Surface samples at most `spacing` apart on every triangle, in buckets.
class Surface {
 public:
  Surface(const TTBTriangleArray& mesh, double spacing, double bucket) : bucket_(bucket) {
    for (const auto& t : mesh) {
      const P a{t.V[0].X, t.V[0].Y, t.V[0].Z}, b{t.V[1].X, t.V[1].Y, t.V[1].Z}, c{t.V[2].X, t.V[2].Y, t.V[2].Z};
      const double longest = std::max({Dist(a, b), Dist(b, c), Dist(c, a)});
      const int n = std::max(1, static_cast<int>(std::ceil(longest / spacing)));
      for (int i = 0; i <= n; ++i)
        for (int j = 0; i + j <= n; ++j) {
          const double u = static_cast<double>(i) / n, v = static_cast<double>(j) / n, w = 1 - u - v;
          Add({u * a.x + v * b.x + w * c.x, u * a.y + v * b.y + w * c.y, u * a.z + v * b.z + w * c.z});
        }
    }
  }
  template <class F>
  void Near(double x, double y, double reach, F&& f) const {
    for (long i = Key(x - reach); i <= Key(x + reach); ++i)
      for (long j = Key(y - reach); j <= Key(y + reach); ++j) {
        const auto it = cells_.find(Hash(i, j));
        if (it == cells_.end()) continue;
        for (const P& p : it->second) f(p);
      }
  }

 private:
  static double Dist(P a, P b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }
  long Key(double v) const { return static_cast<long>(std::floor(v / bucket_)); }
  static long long Hash(long i, long j) { return (static_cast<long long>(i) << 32) ^ (j & 0xffffffffLL); }
  void Add(P p) { cells_[Hash(Key(p.x), Key(p.y))].push_back(p); }
  double bucket_;
  std::unordered_map<long long, std::vector<P>> cells_;
};

// The height of the tool's surface above its tip at distance d from the
// axis (d < radius).
double Profile(const MeshTool& t, double radius, double d) {
  if (t.Type == 1) return radius - std::sqrt(std::max(0.0, radius * radius - d * d));
  if (t.Type == 2) return d / std::tan(t.Angle * std::numbers::pi / 360);
  return 0;
}

// How deep a point lies inside the tool (tip at tip, grown by stock): the
// shortest way out, 0 or less when outside.
double Inside(const MeshTool& t, P tip, P q) {
  const double r = t.Radius + t.Stock;
  const double tz = tip.z - t.Stock;
  const double d = std::hypot(q.x - tip.x, q.y - tip.y);
  if (d >= r || q.z <= tz) return 0;
  if (t.Type == 1) {
    const double cz = tz + r;
    if (q.z >= cz) return r - d;
    return r - std::hypot(d, q.z - cz);
  }
  const double vertical = q.z - (tz + Profile(t, r, d));
  return std::min(vertical, r - d);
}

class Stock {
 public:
  Stock(const TTBPrototypeParameters& b, double cell) : b_(b), cell_(cell) {
    nx_ = static_cast<int>(std::ceil((b.BlankX2 - b.BlankX1) / cell)) + 1;
    ny_ = static_cast<int>(std::ceil((b.BlankY2 - b.BlankY1) / cell)) + 1;
    h_.assign(static_cast<size_t>(nx_) * ny_, b.BlankZ2);
  }
  // Calls f(height&, distance) for every lattice cell within reach.
  template <class F>
  void Under(P tip, double reach, F&& f) {
    const int i0 = std::max(0, static_cast<int>(std::floor((tip.x - reach - b_.BlankX1) / cell_)));
    const int i1 = std::min(nx_ - 1, static_cast<int>(std::ceil((tip.x + reach - b_.BlankX1) / cell_)));
    const int j0 = std::max(0, static_cast<int>(std::floor((tip.y - reach - b_.BlankY1) / cell_)));
    const int j1 = std::min(ny_ - 1, static_cast<int>(std::ceil((tip.y + reach - b_.BlankY1) / cell_)));
    for (int j = j0; j <= j1; ++j)
      for (int i = i0; i <= i1; ++i) {
        const double d = std::hypot(b_.BlankX1 + i * cell_ - tip.x, b_.BlankY1 + j * cell_ - tip.y);
        if (d < reach) f(h_[static_cast<size_t>(j) * nx_ + i], d);
      }
  }

 private:
  TTBPrototypeParameters b_;
  double cell_;
  int nx_ = 0, ny_ = 0;
  std::vector<double> h_;
};

}  // namespace

Violations CheckMeshCutter(const Program& program, const TTBTriangleArray& mesh, const TTBPrototypeParameters& blank,
                           const MeshToolTable& tools, const MeshCheckSettings& s, size_t* checked) {
  Violations out;
  for (const auto& v : program.problems) out.push_back(v);
  const Surface surface(mesh, 2 * s.Cell, 0.5);
  Stock stock(blank, s.Cell);
  const double top = blank.BlankZ2;
  size_t count = 0;
  int lastToolChanges = -1;
  bool entered = false;
  for (const Move& m : program.moves) {
    if (m.toolChanges != lastToolChanges) lastToolChanges = m.toolChanges, entered = false;
    const auto it = tools.find(m.tool);
    if (it == tools.end()) {
      if (std::min(m.z0, m.z1) < top) out.push_back({"gouge", m.line, "a move below the blank's top with no known tool"});
      continue;
    }
    const MeshTool& t = it->second;
    if (m.IsFeed() && !(m.feed > 0)) out.push_back({"feed0", m.line, "feed move without a feed"});
    if (m.IsFeed() && !entered && m.z1 < top - s.Rounding) {
      entered = true;
      const bool plunge = std::fabs(m.x0 - m.x1) <= s.Rounding && std::fabs(m.y0 - m.y1) <= s.Rounding;
      if (!m.startKnown || (!plunge && m.z0 < top - s.Rounding))
        out.push_back({"entry", m.line, "first cut after a tool change is not a plunge from a known XY"});
    }
    if (!m.startKnown) continue;
    const double len = std::hypot(m.x1 - m.x0, m.y1 - m.y0, m.z1 - m.z0);
    const int steps = std::max(1, static_cast<int>(std::ceil(len / s.Cell)));
    for (int k = 0; k <= steps; ++k) {
      const double f = static_cast<double>(k) / steps;
      const P tip{m.x0 + f * (m.x1 - m.x0), m.y0 + f * (m.y1 - m.y0), m.z0 + f * (m.z1 - m.z0)};
      if (tip.z >= top + t.Radius * 4 + 1) continue;
      ++count;
      double deepest = 0;
      surface.Near(tip.x, tip.y, t.Radius + t.Stock, [&](const P& q) { deepest = std::max(deepest, Inside(t, tip, q)); });
      if (deepest > s.Gouge) {
        out.push_back({"gouge", m.line, "the tool reaches " + std::to_string(deepest) + " into the surface at " +
                                            std::to_string(tip.x) + "," + std::to_string(tip.y) + "," +
                                            std::to_string(tip.z)});
        break;
      }
      if (m.IsFeed()) {
        stock.Under(tip, t.Radius, [&](double& h, double d) { h = std::min(h, tip.z + Profile(t, t.Radius, d)); });
      } else if (tip.z < top) {
        double worst = 0;
        stock.Under(tip, t.Radius - 2 * s.Cell,
                    [&](double& h, double d) { worst = std::max(worst, h - (tip.z + Profile(t, t.Radius, d))); });
        if (worst > s.RapidSlack + s.Rounding) {
          out.push_back({"rapid", m.line, "a rapid runs " + std::to_string(worst) + " into uncut stock"});
          break;
        }
      }
    }
  }
  for (const Event& e : program.events)
    if (e.z < top - s.Rounding) out.push_back({"stop", e.line, e.word + " below the blank's top"});
  if (!program.moves.empty() && program.moves.back().z1 < top)
    out.push_back({"stop", program.moves.back().line, "the program ends in the stock"});
  if (checked) *checked = count;
  return out;
}

Violations MissingPoints(const Program& program, const TTBOutRegionArray3D& layers, double rounding) {
  std::vector<TTBPoint3D> want;
  for (const auto& l : layers) want.insert(want.end(), l.Points.begin(), l.Points.end());
  size_t next = 0;
  Violations out;
  for (const Move& m : program.moves) {
    if (next >= want.size()) break;
    const TTBPoint3D& p = want[next];
    if (std::fabs(m.x1 - p.X) > rounding || std::fabs(m.y1 - p.Y) > rounding || std::fabs(m.z1 - p.Z) > rounding)
      continue;
    if ((p.MoveKind == MoveRapid3D) != !m.IsFeed())
      out.push_back({"uncut", m.line, "point " + std::to_string(next) + " reached with the wrong motion"});
    ++next;
  }
  if (next < want.size())
    out.push_back({"uncut", 0, std::to_string(want.size() - next) + " of " + std::to_string(want.size()) +
                                   " points missing, first " + std::to_string(want[next].X) + "," +
                                   std::to_string(want[next].Y) + "," + std::to_string(want[next].Z)});
  return out;
}

}  // namespace tibrel::cutter
