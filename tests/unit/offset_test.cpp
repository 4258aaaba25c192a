#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "geometry_check.h"
#include "region_builders.h"
#include "toolpath/intersect.h"
#include "toolpath/offset.h"

namespace tibrel {
namespace {

using namespace testing_regions;
using namespace testing_geometry;

// --- the engine as the generators use it ---

TTBRegionArray Offset(const TTBRegion& r, double d, bool inward) {
  const int side = inward ? (RegionDirection(r) == 1 ? 0 : 1) : (RegionDirection(r) == 1 ? 1 : 0);
  TTBEntityArray raw, pieces;
  TTBRegionArray out = EmptyRegionList();
  if (!RawOffset(r, raw, d, false, side)) return out;
  TrimContext ctx;
  ctx.Source = &r;
  TrimOffset(raw, pieces, d, 1, nullptr, ctx);
  ChainLoops(pieces, out, false, 0);
  return out;
}

int CheckLoops(const TTBRegion& src, const TTBRegionArray& loops, double d, bool inward) {
  int checked = 0;
  for (size_t i = 1; i < loops.size(); ++i) {
    const TTBRegion& L = loops[i];
    EXPECT_EQ(L.IsOpen, 0);
    for (size_t k = 0; k < L.Entities.size(); ++k) {
      // Pieces join within the chaining tolerance.
      const TTBPoint e = EntityEnd(L.Entities[k]), s = EntityStart(L.Entities[(k + 1) % L.Entities.size()]);
      EXPECT_LE(std::fabs(e.X - s.X), 0.00025);
      EXPECT_LE(std::fabs(e.Y - s.Y), 0.00025);
      double nearest = 1e300;
      for (const Pt p : Samples(L.Entities[k], 16)) {
        const double dist = DistToRegion(p, src);
        EXPECT_GE(dist, d - 5e-5) << "loop " << i << " entity " << k;
        nearest = std::min(nearest, dist);
        ++checked;
      }
      if (inward) {
        EXPECT_LE(nearest, d + 1e-3) << "loop " << i << " entity " << k << " wanders off";
      }
    }
    // No loop crosses itself or another.
    const auto a = Polyline(L);
    for (size_t j = i; j < loops.size(); ++j) {
      const auto b = Polyline(loops[j]);
      for (size_t p = 0; p < a.size(); ++p)
        for (size_t q = 0; q < b.size(); ++q) {
          if (j == i && (q == p || (q + 1) % b.size() == p || (p + 1) % a.size() == q)) continue;
          EXPECT_FALSE(SegmentsCross(a[p], a[(p + 1) % a.size()], b[q], b[(q + 1) % b.size()]))
              << "loops " << i << " and " << j;
        }
    }
  }
  return checked;
}

// --- shapes ---

TTBRegion Closed(TTBEntityArray es, uint8_t cw) {
  TTBRegion r;
  r.Entities = std::move(es);
  UpdateRegionBox(r);
  SetRegionDirection(r, cw);
  return r;
}

TTBRegion Polygon(const std::vector<Pt>& pts, uint8_t cw) {
  TTBEntityArray es;
  for (size_t k = 0; k < pts.size(); ++k) {
    const Pt a = pts[k], b = pts[(k + 1) % pts.size()];
    es.push_back(MakeLine(a.x, a.y, b.x, b.y));
  }
  return Closed(es, cw);
}

TTBRegion RoundedRect(double w, double h, double r, uint8_t cw) {
  return Closed({MakeLine(r, 0, w - r, 0), MakeArc(w - r, r, r, 3 * M_PI / 2, 0), MakeLine(w, r, w, h - r),
                 MakeArc(w - r, h - r, r, 0, M_PI / 2), MakeLine(w - r, h, r, h), MakeArc(r, h - r, r, M_PI / 2, M_PI),
                 MakeLine(0, h - r, 0, r), MakeArc(r, r, r, M_PI, 3 * M_PI / 2)},
                cw);
}

// Teeth as arcs on a pitch circle joined by radial lines.
TTBRegion Gear(int teeth, double root, double tip, uint8_t cw) {
  TTBEntityArray es;
  const double step = 2 * M_PI / teeth;
  for (int k = 0; k < teeth; ++k) {
    const double a0 = k * step, a1 = a0 + step / 2, a2 = a0 + step;
    es.push_back(MakeArc(0, 0, root, NormaliseAngle(a0), NormaliseAngle(a1)));
    es.push_back(MakeLine(root * std::cos(a1), root * std::sin(a1), tip * std::cos(a1), tip * std::sin(a1)));
    es.push_back(MakeArc(0, 0, tip, NormaliseAngle(a1), NormaliseAngle(a2)));
    es.push_back(MakeLine(tip * std::cos(a2), tip * std::sin(a2), root * std::cos(a2), root * std::sin(a2)));
  }
  return Closed(es, cw);
}

// A pie slice: two radii and an arc of the given sweep.
TTBRegion Pie(double sweep, double radius, uint8_t cw) {
  const double a = NormaliseAngle(sweep);
  return Closed({MakeLine(0, 0, radius, 0), MakeArc(0, 0, radius, 0, a),
                 MakeLine(radius * std::cos(a), radius * std::sin(a), 0, 0)},
                cw);
}

// No point of the loops comes nearer than d to any of the regions.
int ExpectClear(const TTBRegionArray& loops, const TTBRegionArray& regions, double d) {
  int checked = 0;
  for (size_t i = 1; i < loops.size(); ++i)
    for (const auto& e : loops[i].Entities)
      for (const Pt p : Samples(e, 8)) {
        for (size_t r = 1; r < regions.size(); ++r) EXPECT_GE(DistToRegion(p, regions[r]), d - 5e-5) << "loop " << i;
        ++checked;
      }
  return checked;
}

struct ExampleCase {
  const char* name;
  TTBRegion shape;
  double d;
  bool inward;
  size_t loops;
  int lines, arcs;  // of the first loop; -1: any
};
class OffsetExample : public testing::TestWithParam<ExampleCase> {};

TEST_P(OffsetExample, GivesItsLoops) {
  const ExampleCase& c = GetParam();
  const TTBRegionArray out = Offset(c.shape, c.d, c.inward);
  ASSERT_EQ(out.size(), c.loops + 1);
  CheckLoops(c.shape, out, c.d, c.inward);
  if (c.lines < 0) return;
  int lines = 0, arcs = 0;
  for (const auto& e : out[1].Entities) (e.Radius == 0 ? lines : arcs)++;
  EXPECT_EQ(lines, c.lines);
  EXPECT_EQ(arcs, c.arcs);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, OffsetExample,
    testing::Values(ExampleCase{"square_in", Square(0, 0, 10), 1, true, 1, 4, 0},
                    // Quarter arcs round the corners.
                    ExampleCase{"square_out", Square(0, 0, 10), 1, false, 1, 4, 4},
                    ExampleCase{"circle_in", Circle(0, 0, 2), 0.5, true, 1, 0, 1},
                    ExampleCase{"circle_collapses", Circle(0, 0, 2), 2.5, true, 0, -1, -1},
                    // Two 10 x 10 squares joined by a 2-wide neck that a tool of 1.5 cannot pass.
                    ExampleCase{"dumbbell",
                                Polygon({{0, 0}, {10, 0}, {10, 4}, {14, 4}, {14, 0}, {24, 0}, {24, 10}, {14, 10}, {14, 6},
                                         {10, 6}, {10, 10}, {0, 10}},
                                        0),
                                1.5, true, 2, -1, -1}),
    [](const testing::TestParamInfo<ExampleCase>& i) { return std::string(i.param.name); });

TEST(OffsetExamples, IslandNearTheBoundaryMergesAndFarOneStaysApart) {
  Job job = JobOf({Square(0, 0, 20), Square(1.5, 8, 4), Square(10, 8, 4)});
  TTBMachineRegion level;
  level.Region = 1;
  level.Offset = 1;
  level.Islands = {{2, 1}, {3, 1}};
  TTBRegionArray mainOut = EmptyRegionList(), islandOut = EmptyRegionList();
  ASSERT_TRUE(OffsetBoundaryWithIslands(job.Regions, level, islandOut, 0, {}, 2, mainOut));
  ASSERT_EQ(mainOut.size(), 2u);   // boundary merged with the near island
  EXPECT_EQ(islandOut.size(), 2u); // the far island alone
  EXPECT_EQ(mainOut[1].Depth, 2);
  ExpectClear(mainOut, job.Regions, 1);
  ExpectClear(islandOut, job.Regions, 1);
}

TEST(OffsetExamples, TightArcsBecomeChords) {
  TTBRegionArray list = EmptyRegionList();
  list.push_back(RoundedRect(10, 10, 0.4, 0));
  TTBTolerances tol;
  tol.MinArcRadius = 0.5;
  SimplifyPaths(list, 1, tol);
  ASSERT_EQ(list[1].Entities.size(), 8u);
  for (const auto& e : list[1].Entities) EXPECT_EQ(e.Radius, 0);
}

TEST(OffsetExamples, OpenCornerIsTrimmedOnItsInnerSide) {
  TTBRegion v = OpenLine(0, 10, 5, 0);
  v.Entities.push_back(MakeLine(5, 0, 10, 10));
  UpdateRegionBox(v);
  TTBEntityArray raw, pieces;
  ASSERT_TRUE(RawOffset(v, raw, 1, false, 0));  // right of travel: inside the V
  TrimOpenOffset(raw, pieces, 1, v);
  ASSERT_FALSE(pieces.empty());
  for (const auto& e : pieces)
    for (const Pt p : Samples(e, 8)) EXPECT_GE(DistToRegion(p, v), 1 - 5e-5);
}

// --- properties over many shapes ---

struct ShapeCase {
  const char* name;
  TTBRegion region;
};

std::vector<ShapeCase> Shapes() {
  std::vector<ShapeCase> s;
  for (uint8_t cw : {0, 1}) {
    s.push_back({"rounded", RoundedRect(30, 20, 4, cw)});
    s.push_back({"gear", Gear(24, 18, 21, cw)});
    s.push_back({"slot", RoundedRect(40, 1.6, 0.8, cw)});  // narrower than the tool below
    for (double sweep : {0.3, 1.0, M_PI / 2, 2.5, M_PI, 4.0, 5.5, 6.1}) s.push_back({"pie", Pie(sweep, 10, cw)});
    s.push_back({"comb", Polygon({{0, 0}, {30, 0}, {30, 10}, {26, 10}, {26, 3}, {24, 3}, {24, 10}, {16, 10},
                                  {16, 3}, {15.5, 3}, {15.5, 10}, {0, 10}},
                                 cw)});
  }
  return s;
}

TEST(OffsetProperties, LoopsKeepTheirDistanceAndInwardOnesHugTheShape) {
  int checked = 0, loops = 0;
  for (const auto& shape : Shapes())
    for (bool inward : {true, false})
      for (double d : inward ? std::vector<double>{0.25, 1.0, 2.5} : std::vector<double>{0.5, 3.0}) {
        SCOPED_TRACE(std::string(shape.name) + " d=" + std::to_string(d) + (inward ? " in" : " out"));
        const TTBRegionArray out = Offset(shape.region, d, inward);
        EXPECT_TRUE(inward || out.size() == 2u);
        checked += CheckLoops(shape.region, out, d, inward);
        loops += static_cast<int>(out.size()) - 1;
      }
  EXPECT_GT(loops, 80);
  EXPECT_GT(checked, 11000);
}

TEST(OffsetProperties, DegenerateInputNeverHangsOrBreaksTheRules) {
  std::vector<TTBRegion> shapes;
  shapes.push_back(Polygon({{0, 0}, {5, 0}, {5, 0}, {5, 5}, {0, 5}}, 0));                 // repeated point
  shapes.push_back(Closed({MakeArc(0, 0, 0.0002, 0, M_PI), MakeLine(-0.0002, 0, 0.0002, 0)}, 0));  // tiny arc
  std::vector<Pt> many;
  for (int k = 0; k <= 1000; ++k) many.push_back({k * 0.01, 0});
  many.push_back({10, 5});
  many.push_back({0, 5});
  shapes.push_back(Polygon(many, 0));  // a thousand collinear pieces
  shapes.push_back(Closed({MakeArc(0, 0, 5, 0, M_PI), MakeArc(0, 0.0001, 5.0001, M_PI, 0)}, 0));  // near-tangent
  for (const auto& r : shapes)
    for (double d : {0.0, 0.1, 3.0, 100.0}) {
      const TTBRegionArray out = Offset(r, d, true);
      if (d > 0) CheckLoops(r, out, d, true);
    }
}

// Star-shaped outlines with random vertices, some edges bulged into arcs.
TTBRegion RandomOutline(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(0, 1);
  const int n = 5 + static_cast<int>(rng() % 16);
  std::vector<Pt> pts;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * M_PI * (k + 0.8 * u(rng)) / n, r = 8 + 12 * u(rng);
    pts.push_back({r * std::cos(a), r * std::sin(a)});
  }
  TTBEntityArray es;
  for (int k = 0; k < n; ++k) {
    const Pt p = pts[k], q = pts[(k + 1) % n];
    const double b = rng() % 3 == 0 ? (u(rng) - 0.5) * 0.5 : 0;
    if (b == 0) {
      es.push_back(MakeLine(p.x, p.y, q.x, q.y));
      continue;
    }
    const double kk = (1 / b - b) / 2;
    const Pt c{(p.x + q.x - (q.y - p.y) * kk) / 2, (p.y + q.y + (q.x - p.x) * kk) / 2};
    const double r = std::hypot(c.x - p.x, c.y - p.y);
    es.push_back(MakeArc(c.x, c.y, b > 0 ? r : -r, PointAngle({c.x, c.y}, {p.x, p.y}), PointAngle({c.x, c.y}, {q.x, q.y})));
  }
  return Closed(es, rng() % 2);
}

bool SelfCrossing(const TTBRegion& r) {
  const auto pts = Polyline(r);
  for (size_t p = 0; p < pts.size(); ++p)
    for (size_t q = p + 2; q < pts.size(); ++q) {
      if ((q + 1) % pts.size() == p) continue;
      if (SegmentsCross(pts[p], pts[(p + 1) % pts.size()], pts[q], pts[(q + 1) % pts.size()])) return true;
    }
  return false;
}

TEST(OffsetProperties, ThousandsOfRandomOutlines) {
  const int count = std::getenv("TIBREL_LONG_PROPERTIES") ? 100000 : 2000;
  std::mt19937 rng(12345);
  int shapes = 0, loops = 0, outward = 0, lost = 0;
  for (int s = 0; s < count; ++s) {
    const TTBRegion r = RandomOutline(rng);
    if (SelfCrossing(r)) continue;
    const double d = 0.2 + 4 * std::uniform_real_distribution<double>(0, 1)(rng);
    const bool inward = rng() % 4 != 0;
    SCOPED_TRACE("shape " + std::to_string(s) + " d=" + std::to_string(d) + (inward ? " in" : " out"));
    const TTBRegionArray out = Offset(r, d, inward);
    CheckLoops(r, out, d, inward);
    // Outward there is one loop, unless a spike turns back by more than a
    // half turn: its corner arc is refused and that loop is lost.
    if (!inward) {
      EXPECT_LE(out.size(), 2u);
      ++outward;
      lost += out.size() == 1;
    }
    loops += static_cast<int>(out.size()) - 1;
    ++shapes;
    if (HasFailure()) break;
  }
  EXPECT_GT(shapes, count / 2);
  EXPECT_GT(loops, shapes / 2);
  EXPECT_LT(lost * 100, outward);
}

// A spike whose sides leave the tip turning by a little more than a half
// turn (they curve apart): each side's offset runs into the other side's
// band just before the tip, and must be cut there.
TEST(OffsetProperties, OverturnedCuspKeepsItsDistance) {
  const double e[][5] = {
      {12.457445899570589, 1.1443124610873208, 0, 16.656942626032322, -2.8915408331602084},
      {16.656942626032322, -2.8915408331602084, 0, 9.2137879315740143, -7.6502473173097583},
      {15.172629825612969, -7.9139335264179147, 5.9646732630570458, 3.0973702524412925, 3.8660929334459886},
      {10.706099307341781, -11.867088249468821, 0, 4.3262594916560131, -11.918459588173606},
      {-30.329675788241818, 40.460044893969524, -62.805585594836664, 5.2969064479357089, 5.1491585844429721},
      {-3.7619997870801143, -16.449534034429266, 0, -6.8366003189982987, -15.341682696278218},
      {0.51400487392840155, 11.596645303324705, -27.92319666722404, 4.4460060373837722, 4.1446027481962311},
      {-14.502167562506205, -11.945221179087715, 0, -14.530108393520161, -5.0812859364256999},
      {-14.530108393520161, -5.0812859364256999, 0, -10.83524490741719, 1.9848977301720692},
      {-17.55998851162181, -3.5776155838727561, 8.7271834466348253, 0.69109048741603651, 1.6326152887485867},
      {-18.099150371173426, 5.1328973401990385, 0, -5.8986820870953176, 5.8119674640018797},
      {-15.52473699493642, 11.139346390970985, 11.001904349715383, 5.7777100197084748, 6.0073445812877608},
      {-4.9387424653686036, 8.1429119865084854, 0, -1.4893268395263082, 17.008246788945012},
      {1.5023907408549344, 30.569948085981498, 13.887768580690105, 4.4952660056939928, 5.0851035521665748},
      {12.433114538147123, 19.165372209922715, 6.0694885940907275, 3.3963695383029333, 4.2756589856161504},
      {-14.69004897427607, 13.747476112856782, -24.556036023510647, 6.2798497398391264, 5.8670529244988465},
      {7.7703545184995217, 3.8212895273816412, 0, 12.457445899570589, 1.1443124610873208}};
  TTBEntityArray es;
  for (const auto& f : e) es.push_back(f[2] == 0 ? MakeLine(f[0], f[1], f[3], f[4]) : MakeArc(f[0], f[1], f[2], f[3], f[4]));
  const TTBRegion r = Closed(es, 0);
  for (double d : {0.5, 2.907319, 6.0}) {
    SCOPED_TRACE(d);
    const TTBRegionArray out = Offset(r, d, false);
    ASSERT_EQ(out.size(), 2u);
    CheckLoops(r, out, d, false);
  }
}

// A boundary with random circular and square islands, offset together.
TEST(OffsetProperties, IslandsNearAndFarKeepTheirDistance) {
  std::mt19937 rng(777);
  std::uniform_real_distribution<double> u(0, 1);
  int checked = 0;
  for (int s = 0; s < 200; ++s) {
    Job job = JobOf({RoundedRect(60, 40, 5, 0)});
    TTBMachineRegion level;
    level.Region = 1;
    level.Offset = 0.5 + 2 * u(rng);
    const int islands = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < islands; ++k) {
      const double x = 3 + 50 * u(rng), y = 3 + 30 * u(rng);
      job.Regions.push_back(rng() % 2 ? Circle(x + 2, y + 2, 0.5 + 2 * u(rng)) : Square(x, y, 1 + 4 * u(rng)));
      // Islands must not overlap one another.
      bool overlaps = false;
      for (size_t j = 2; j + 1 < job.Regions.size(); ++j)
        overlaps = overlaps || (job.Regions[j].XMin < job.Regions.back().XMax + 0.1 && job.Regions.back().XMin < job.Regions[j].XMax + 0.1 &&
                                job.Regions[j].YMin < job.Regions.back().YMax + 0.1 && job.Regions.back().YMin < job.Regions[j].YMax + 0.1);
      if (overlaps) {
        job.Regions.pop_back();
        continue;
      }
      level.Islands.push_back({static_cast<int32_t>(job.Regions.size() - 1), level.Offset});
    }
    TTBRegionArray mainOut = EmptyRegionList(), islandOut = EmptyRegionList();
    OffsetBoundaryWithIslands(job.Regions, level, islandOut, 0, {}, 1, mainOut);
    for (const auto* out : {&mainOut, &islandOut}) {
      checked += ExpectClear(*out, job.Regions, level.Offset);
      for (size_t i = 1; i < out->size(); ++i) {
        const TTBRegion& L = (*out)[i];
        EXPECT_EQ(L.IsOpen, 0);
        for (size_t k = 0; k < L.Entities.size(); ++k) {
          const TTBPoint e = EntityEnd(L.Entities[k]), st = EntityStart(L.Entities[(k + 1) % L.Entities.size()]);
          EXPECT_NEAR(e.X, st.X, 1e-6);
          EXPECT_NEAR(e.Y, st.Y, 1e-6);
        }
      }
    }
    EXPECT_GE(mainOut.size(), 2u) << "shape " << s;
    if (HasFailure()) break;
  }
  EXPECT_GT(checked, 5000);
}

// The shortest distance between random lines and arcs agrees with a dense
// sampling of both (which can only overestimate it, by at most the sampling
// step's sagitta) and is 0 where they cross.
TEST(EntityDistance, MatchesDenseSamplingOfRandomLinesAndArcs) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-10, 10), ang(0, TwoPi), rad(0.2, 6);
  auto random = [&]() {
    if (rng() % 2) return MakeLine(u(rng), u(rng), u(rng), u(rng));
    TTBEntity arc = MakeArc(u(rng), u(rng), rad(rng), ang(rng), ang(rng));
    if (rng() % 2) ReverseEntity(arc);
    return arc;
  };
  constexpr int Samples = 800;
  for (int k = 0; k < 600; ++k) {
    const TTBEntity a = random(), b = random();
    double sampled = 1e300;
    for (int s = 0; s <= Samples; ++s) {
      const double t = static_cast<double>(s) / Samples;
      sampled = std::min({sampled, std::sqrt(EntityDistanceSquared(b, EntityPointAt(a, t))),
                          std::sqrt(EntityDistanceSquared(a, EntityPointAt(b, t)))});
    }
    const double exact = EntitiesDistance(a, b);
    const double step = std::max(EntityLength(a), EntityLength(b)) / Samples;
    ASSERT_LE(exact, sampled + 1e-9) << k;
    ASSERT_GE(exact, sampled - step) << k;
  }
}

}  // namespace
}  // namespace tibrel
