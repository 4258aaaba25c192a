// The checks of the cutter model: walls, the stock's height map under the
// rapids, feeds, stops and the first plunge.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cutter_geometry.h"
#include "cutter_model.h"

namespace tibrel::cutter {

namespace {

// A loop's arcs are flattened to chords no farther than this from them;
// only points farther than the tool radius from every wall are tested.
constexpr double LoopChordError = 1e-4;
// What a floor may be below the depth asked for: the print's rounding.
constexpr double FloorTolerance = 1e-4;
// The stock's height map is cut at or below a rapid within this.
constexpr double HeightTolerance = 1e-6;
// A profile's point counts as cut within this of the reach of the tool.
constexpr double CutTolerance = 1e-3;

std::string F4(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.4f", v);
  return b;
}
std::string At(TTBPoint p) { return F4(p.X) + "," + F4(p.Y); }

bool Known(const Move& m) {
  return m.startKnown && !std::isnan(m.x1) && !std::isnan(m.y1) && !std::isnan(m.z0) && !std::isnan(m.z1);
}

// A move straight up only passes where the cutter already was.
bool Rises(const Move& m) {
  return m.x0 == m.x1 && m.y0 == m.y1 && m.z1 >= m.z0 && m.kind != Motion::ArcCW && m.kind != Motion::ArcCCW;
}

// The parameters of a move below the height `top`; false when none.
bool BelowRange(const Move& m, double top, double& t0, double& t1) {
  const double level = top + StockTop;
  if (m.z0 >= level && m.z1 >= level) return false;
  t0 = 0, t1 = 1;
  if (m.z0 < level && m.z1 < level) return true;
  const double t = (level - m.z0) / (m.z1 - m.z0);
  if (m.z1 < m.z0) t0 = t;
  else t1 = t;
  return t1 > t0;
}

Loop LoopOf(const TTBRegion& r, size_t index) {
  Loop l;
  l.Depth = r.Depth, l.Region = index;
  for (const auto& e : r.Entities) {
    const Curve c = EntityCurve(e);
    int n = 1;
    if (c.arc && c.r > LoopChordError)
      n = std::max(1, static_cast<int>(std::ceil(std::fabs(c.sweep) / (2 * std::acos(1 - LoopChordError / c.r)))));
    for (int k = 0; k < n; ++k) l.Points.push_back(CurvePoint(c, static_cast<double>(k) / n));
  }
  for (size_t k = 0; k < l.Points.size(); ++k) {
    const TTBPoint a = l.Points[k], b = l.Points[(k + 1) % l.Points.size()];
    l.Area += a.X * b.Y - b.X * a.Y;
  }
  l.Area = std::fabs(l.Area) / 2;
  for (const TTBPoint q : l.Points)
    l.XMin = std::min(l.XMin, q.X), l.YMin = std::min(l.YMin, q.Y), l.XMax = std::max(l.XMax, q.X),
    l.YMax = std::max(l.YMax, q.Y);
  return l;
}

bool Inside(const Loop& l, TTBPoint p) {
  if (p.X < l.XMin || p.X > l.XMax || p.Y < l.YMin || p.Y > l.YMax) return false;
  bool in = false;
  for (size_t k = 0, j = l.Points.size() - 1; k < l.Points.size(); j = k++) {
    const TTBPoint a = l.Points[k], b = l.Points[j];
    if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X) in = !in;
  }
  return in;
}

std::vector<Loop> SelectedLoops(const TTBRegionArray& regions) {
  std::vector<Loop> loops;
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected && !regions[i].IsOpen && !regions[i].Entities.empty())
      loops.push_back(LoopOf(regions[i], i));
  return loops;
}

// The smallest loop of the list around p, other than that of notRegion.
const Loop* Innermost(const std::vector<Loop>& loops, TTBPoint p, size_t notRegion) {
  const Loop* best = nullptr;
  for (const auto& l : loops)
    if (l.Region != notRegion && Inside(l, p) && (!best || l.Area < best->Area)) best = &l;
  return best;
}

// Where material stands at p after the operation; none where any depth is
// allowed.
std::optional<double> SurfaceTop(const Part& part, TTBPoint p) {
  if (part.Kind == Part::Surface::Pocket) {
    const Loop* l = Innermost(part.Loops, p, 0);
    return l ? -l->Depth : 0.0;
  }
  if (part.Kind == Part::Surface::CutOut) {
    int n = 0;
    for (const auto& l : part.Loops) n += Inside(l, p);
    if (n % 2 == 1) return 0.0;
  }
  return std::nullopt;
}

const Tool* ToolOf(const ToolTable& tools, const Move& m) {
  const auto it = tools.find(m.tool);
  if (it != tools.end()) return &it->second;
  return m.tool < 0 && tools.size() == 1 ? &tools.begin()->second : nullptr;
}

}  // namespace

Part PocketPart(const TTBRegionArray& regions) {
  Part part;
  part.Kind = Part::Surface::Pocket;
  part.Loops = SelectedLoops(regions);
  for (const auto& l : part.Loops) {
    const TTBRegion& r = regions[l.Region];
    const Loop* around = Innermost(part.Loops, EntityStart(r.Entities.front()), l.Region);
    const double outside = around ? -around->Depth : 0.0;
    for (const auto& e : r.Entities) part.Walls.push_back({e, std::max(-r.Depth, outside), l.Region});
  }
  return part;
}

Part SidesPart(const TTBRegionArray& regions) {
  Part part;
  for (size_t i = 1; i < regions.size(); ++i)
    if (regions[i].Selected)
      for (const auto& e : regions[i].Entities) part.Walls.push_back({e, 0.0, i});
  return part;
}

Part CutOutPart(const TTBRegionArray& regions) {
  Part part;
  part.Kind = Part::Surface::CutOut;
  part.Loops = SelectedLoops(regions);
  for (const auto& l : part.Loops)
    for (const auto& e : regions[l.Region].Entities) part.Walls.push_back({e, 0.0, l.Region});
  return part;
}

namespace {

// The cut stock: every feed move's swept disk, indexed by buckets; the
// height at a point is the deepest height a move reached within its reach
// of the point, the stock top where none did.
class CutMap {
 public:
  CutMap(const Program& program, double reach) {
    box_ = {1e300, 1e300, -1e300, -1e300};
    for (const auto& m : program.moves)
      if (Known(m)) {
        const Extent e = CurveExtent(MoveCurve(m));
        box_ = {std::min(box_.x0, e.x0), std::min(box_.y0, e.y0), std::max(box_.x1, e.x1), std::max(box_.y1, e.y1)};
      }
    size_ = std::max({2 * reach, (box_.x1 - box_.x0) / 400, (box_.y1 - box_.y0) / 400, 0.5});
    box_.x0 -= 2 * reach, box_.y0 -= 2 * reach;
    nx_ = box_.x1 >= box_.x0 ? static_cast<size_t>((box_.x1 + 2 * reach - box_.x0) / size_) + 1 : 0;
    ny_ = box_.y1 >= box_.y0 ? static_cast<size_t>((box_.y1 + 2 * reach - box_.y0) / size_) + 1 : 0;
    buckets_.resize(nx_ * ny_);
  }

  void Add(const Move& m, double reach) {
    const Curve c = MoveCurve(m);
    const Extent e = CurveExtent(c);
    const uint32_t id = static_cast<uint32_t>(swept_.size());
    swept_.push_back({c, m.z0, m.z1, reach});
    for (size_t y = Cell(e.y0 - reach, box_.y0, ny_); y <= Cell(e.y1 + reach, box_.y0, ny_); ++y)
      for (size_t x = Cell(e.x0 - reach, box_.x0, nx_); x <= Cell(e.x1 + reach, box_.x0, nx_); ++x)
        buckets_[y * nx_ + x].push_back(id);
  }

  // How far q lies inside a swept disk cut to z or deeper: the lattice
  // points that near q are cut by the same move when it runs level; -1
  // when the stock at q is not cut to z.
  double CutSlack(TTBPoint q, double z) {
    if (z >= -HeightTolerance) return 0;
    if (last_ < swept_.size() && Reaches(swept_[last_], q, z)) return Slack(swept_[last_], q);
    for (const uint32_t id : Bucket(q))
      if (Reaches(swept_[id], q, z)) return last_ = id, Slack(swept_[id], q);
    return -1;
  }

  double Height(TTBPoint q) const {
    double h = 0;
    for (const uint32_t id : Bucket(q)) {
      const Swept& s = swept_[id];
      h = std::min(h, DeepestWithin(s.c, s.z0, s.z1, s.reach, q).value_or(0.0));
    }
    return h;
  }

 private:
  struct Swept {
    Curve c;
    double z0, z1, reach;
  };
  static double Slack(const Swept& s, TTBPoint q) {
    return s.z0 == s.z1 ? std::max(0.0, s.reach - PointDistance(q, s.c)) : 0.0;
  }
  static bool Reaches(const Swept& s, TTBPoint q, double z) {
    const auto d = DeepestWithin(s.c, s.z0, s.z1, s.reach, q);
    return d && *d <= z + HeightTolerance;
  }
  size_t Cell(double v, double origin, size_t n) const {
    if (n == 0) return 0;
    return static_cast<size_t>(std::clamp((v - origin) / size_, 0.0, static_cast<double>(n - 1)));
  }
  const std::vector<uint32_t>& Bucket(TTBPoint q) const {
    static const std::vector<uint32_t> none;
    if (nx_ == 0 || ny_ == 0 || q.X < box_.x0 || q.Y < box_.y0) return none;
    const size_t x = static_cast<size_t>((q.X - box_.x0) / size_), y = static_cast<size_t>((q.Y - box_.y0) / size_);
    return x < nx_ && y < ny_ ? buckets_[y * nx_ + x] : none;
  }

  Extent box_;
  double size_ = 1;
  size_t nx_ = 0, ny_ = 0;
  std::vector<Swept> swept_;
  std::vector<std::vector<uint32_t>> buckets_;
  size_t last_ = SIZE_MAX;
};

double LargestRadius(const ToolTable& tools) {
  double r = 0;
  for (const auto& [n, t] : tools) r = std::max({r, t.Radius, t.Clearance});
  return r;
}

// "gouge": the axis keeps the clearance of its tool from every wall it is
// below the top of, and no move goes below the part's surface. A move that
// keeps off every wall stays on one side of each, so one point of it tells
// the surface under it.
void CheckWalls(const Program& p, const Part& part, const ToolTable& tools, const CheckSettings& s, Violations& out) {
  std::vector<std::pair<Curve, Extent>> walls;
  for (const auto& w : part.Walls) walls.push_back({EntityCurve(w.Entity), CurveExtent(EntityCurve(w.Entity))});
  for (const auto& m : p.moves) {
    const Tool* tool = ToolOf(tools, m);
    if (!Known(m) || std::min(m.z0, m.z1) >= StockTop || !tool || Rises(m)) continue;
    const Curve c = MoveCurve(m);
    const Extent box = CurveExtent(c);
    double nearest = 1e300;
    size_t region = 0;
    for (size_t k = 0; k < walls.size(); ++k) {
      double t0, t1;
      if (!box.Overlaps(walls[k].second, tool->Clearance) || !BelowRange(m, part.Walls[k].Top, t0, t1)) continue;
      const double d = CurveDistance(SubCurve(c, t0, t1), walls[k].first);
      if (d < nearest) nearest = d, region = part.Walls[k].Region;
    }
    if (nearest < tool->Clearance - s.WallTolerance) {
      out.push_back({"gouge", m.line,
                     "axis " + F4(nearest) + " from a wall of region " + std::to_string(region) + ", keeps " +
                         F4(tool->Clearance)});
      continue;
    }
    const double z = std::min(m.z0, m.z1);
    const TTBPoint q = CurvePoint(c, m.z0 <= m.z1 ? 0 : 1);
    const auto top = SurfaceTop(part, q);
    if (top && z < *top - FloorTolerance)
      out.push_back({"gouge", m.line, "at " + At(q) + " Z" + F4(z) + " below the part's surface Z" + F4(*top)});
  }
}

// The first point of the lattice within rho of the rapid's axis below the
// stock top that the stock is not yet cut down to; none when all are. Along
// a level rapid, the points a cut's slack covers are passed over.
std::optional<TTBPoint> UncutUnder(const Move& m, double rho, double cell, CutMap& map) {
  double t0, t1;
  if (!BelowRange(m, 0, t0, t1)) return std::nullopt;
  const Curve c = SubCurve(MoveCurve(m), t0, t1);
  const double z0 = m.z0 + (m.z1 - m.z0) * t0, z1 = m.z0 + (m.z1 - m.z0) * t1;
  const double len = CurveLength(c);
  const TTBPoint u = CurveTangent(c, 0), v{-u.Y, u.X};
  const int along = static_cast<int>(std::floor((len + 2 * rho) / cell));
  const int across = static_cast<int>(std::floor(2 * rho / cell));
  for (int j = 0; j <= across; ++j)
    for (int i = 0; i <= along; ++i) {
      const double a = -rho + i * cell, b = -rho + j * cell;
      const TTBPoint q{c.ax + a * u.X + b * v.X, c.ay + a * u.Y + b * v.Y};
      const auto need = DeepestWithin(c, z0, z1, rho, q);
      if (!need) continue;
      const double slack = map.CutSlack(q, *need);
      if (slack < 0) return q;
      if (z0 == z1) i += static_cast<int>(std::floor(slack / cell));
    }
  return std::nullopt;
}

// "rapid": every rapid below the stock top runs over stock already cut at
// its height or deeper, within R - 2 cells of its axis. The height map is
// the feed moves' swept disks, asked on the lattice under each rapid.
void CheckRapids(const Program& p, const ToolTable& tools, const CheckSettings& s, Violations& out) {
  CutMap map(p, LargestRadius(tools));
  for (const auto& m : p.moves) {
    const Tool* tool = ToolOf(tools, m);
    if (!Known(m) || !tool) continue;
    if (m.IsFeed()) {
      map.Add(m, tool->Radius);
      continue;
    }
    const double cell = std::min(s.MaxCell, tool->Radius / 20), rho = tool->Radius - 2 * cell;
    if (Rises(m) || rho <= 0) continue;
    if (const auto q = UncutUnder(m, rho, cell, map))
      out.push_back({"rapid", m.line,
                     "rapid at Z" + F4(std::min(m.z0, m.z1)) + " over stock at " + At(*q) + " standing to Z" +
                         F4(map.Height(*q))});
  }
}

// "feed0", "modal", "spindle": every feed move has a feed, a line that sets
// a feed does not run as a rapid, nothing is cut with the spindle stopped.
void CheckFeeds(const Program& p, Violations& out) {
  for (const auto& m : p.moves) {
    if (m.IsFeed() && !(m.feed > 0)) out.push_back({"feed0", m.line, "a feed move at F" + F4(m.feed)});
    if (!m.IsFeed() && m.feedWord) out.push_back({"modal", m.line, "a line with a feed word runs as a rapid"});
    if (m.IsFeed() && !m.spindle && std::min(m.z0, m.z1) < StockTop)
      out.push_back({"spindle", m.line, "cuts with the spindle stopped"});
  }
}

// "stop": no stop, pause, tool change or end with the cutter in the stock.
void CheckStops(const Program& p, Violations& out) {
  for (const auto& e : p.events)
    if (e.z < StockTop) out.push_back({"stop", e.line, e.word + " with the cutter at Z" + F4(e.z)});
  if (!p.moves.empty() && p.moves.back().z1 < StockTop)
    out.push_back({"stop", p.moves.back().line, "the program ends with the cutter in the stock"});
}

// "entry": every move into the stock starts where the program put the
// cutter; the first, and the first after each tool change, goes straight
// down.
void CheckEntries(const Program& p, Violations& out) {
  int checked = -1;
  for (const auto& m : p.moves) {
    if (m.z0 < StockTop || std::min(m.z0, m.z1) >= StockTop) continue;
    const bool first = m.toolChanges != checked;
    checked = m.toolChanges;
    if (!m.startKnown) {
      out.push_back({"entry", m.line, "enters the stock from a position the program never set"});
    } else if (first && (m.x0 != m.x1 || m.y0 != m.y1 || m.kind == Motion::ArcCW || m.kind == Motion::ArcCCW)) {
      out.push_back({"entry", m.line,
                     std::string(m.toolChanges > 1 ? "after a tool change " : "") +
                         "enters the stock on the way from " + At({m.x0, m.y0}) + " to " + At({m.x1, m.y1}) +
                         ", not straight down"});
    }
  }
}

// Whether the tool can touch p from its side (1 right of the travel t, 2
// left) without coming nearer any wall than its clearance.
bool Reachable(const std::vector<std::pair<Curve, Extent>>& walls, TTBPoint p, TTBPoint t, int side, double clr) {
  const double sgn = side == 1 ? 1 : -1;
  const TTBPoint at{p.X + sgn * t.Y * clr, p.Y - sgn * t.X * clr};
  const Extent here{at.X, at.Y, at.X, at.Y};
  for (const auto& [curve, extent] : walls)
    if (extent.Overlaps(here, clr) && PointDistance(at, curve) < clr - 1e-6) return false;
  return true;
}

}  // namespace

Violations CheckCutter(const Program& program, const Part& part, const ToolTable& tools, const CheckSettings& s) {
  Violations out;
  for (const auto& m : program.moves)
    if (!ToolOf(tools, m) && std::min(m.z0, m.z1) < StockTop) {
      out.push_back({"reader", m.line, "no radius known for tool " + std::to_string(m.tool)});
      break;
    }
  CheckWalls(program, part, tools, s, out);
  CheckRapids(program, tools, s, out);
  CheckFeeds(program, out);
  CheckStops(program, out);
  CheckEntries(program, out);
  out.insert(out.end(), program.problems.begin(), program.problems.end());
  std::stable_sort(out.begin(), out.end(), [](const Violation& a, const Violation& b) { return a.line < b.line; });
  return out;
}

Violations UncutOpenProfiles(const Program& program, const TTBRegionArray& regions, const ToolTable& tools, int side,
                             double bottomStock) {
  std::vector<std::pair<Curve, Extent>> walls;
  for (const auto& w : SidesPart(regions).Walls)
    walls.push_back({EntityCurve(w.Entity), CurveExtent(EntityCurve(w.Entity))});
  Violations out;
  for (const auto& [number, tool] : tools) {
    const double reach = (side == 0 ? 0 : tool.Clearance) + CutTolerance;
    CutMap map(program, reach);
    bool used = false;
    for (const auto& m : program.moves)
      if (Known(m) && m.IsFeed() && ToolOf(tools, m) == &tool) map.Add(m, reach), used = true;
    if (!used) continue;
    for (size_t i = 1; i < regions.size(); ++i) {
      const TTBRegion& r = regions[i];
      if (!r.Selected || !r.IsOpen) continue;
      for (size_t k = 0; k < r.Entities.size(); ++k) {
        const Curve c = EntityCurve(r.Entities[k]);
        const int n = std::max(2, static_cast<int>(std::ceil(CurveLength(c) / 0.05)));
        int missed = 0;
        TTBPoint firstMissed{};
        for (int j = 0; j <= n; ++j) {
          const TTBPoint p = CurvePoint(c, static_cast<double>(j) / n), t = CurveTangent(c, static_cast<double>(j) / n);
          if (side != 0 && !Reachable(walls, p, t, side, tool.Clearance)) continue;
          if (map.CutSlack(p, -(r.Depth - bottomStock) + FloorTolerance) < 0 && missed++ == 0) firstMissed = p;
        }
        if (missed > 0)
          out.push_back({"uncut", SIZE_MAX,
                         "region " + std::to_string(i) + " entity " + std::to_string(k) + " (" + At({c.ax, c.ay}) +
                             " to " + At({c.bx, c.by}) + "): " + std::to_string(missed) + " of " +
                             std::to_string(n + 1) + " points not reached by tool " + std::to_string(number) +
                             ", the first at " + At(firstMissed)});
      }
    }
  }
  return out;
}

}  // namespace tibrel::cutter
