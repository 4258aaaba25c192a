// Block inserts are expanded into their blocks' entities where the inserts
// place them. The expansion is checked against ezdxf's own expansion of the
// same files (written beside them as reference files by make_fixtures.py)
// and against facts worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "dxf/blocks.h"
#include "dxf/reader.h"
#include "dxf_text.h"
#include "job/open_drawing.h"
#include "reference_file.h"

namespace tibrel {
namespace {

using testing_dxf::Entities;
using testing_dxf::G;
using testing_dxf::All;

const std::string Data = std::string(TIBREL_SOURCE_DIR) + "/tests/data/";

struct P2 {
  double x, y;
};

double Gap(P2 a, P2 b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The drawing's entities of one kind, in the order read.
// Our expansion as primitive pieces, in the order ezdxf's reference lists
// them: polylines come apart into their lines and arcs.
struct Piece {
  std::string kind;
  const DXF_Entity* entity = nullptr;
  P2 a{}, b{}, centre{};  // line ends; arc ends (counter-clockwise) and centre
  double radius = 0;
};

void Flatten(const DXF_Entity& e, std::vector<Piece>& out) {
  if (auto* p = dynamic_cast<const Polyline_*>(&e)) {
    const auto& v = p->Vertices;
    for (size_t i = 0; i + 1 < v.size(); ++i) {
      const P2 s{v[i].X, v[i].Y}, t{v[i + 1].X, v[i + 1].Y};
      const double bulge = v[i].Bulge;
      if (bulge == 0) {
        out.push_back({"line", &e, s, t, {}, 0});
        continue;
      }
      // The centre from the bulge: the chord's middle, moved along its
      // normal by the chord's half length times (1 - b^2) / (2 b).
      const double dx = t.x - s.x, dy = t.y - s.y, k = (1 - bulge * bulge) / (4 * bulge);
      const P2 c{(s.x + t.x) / 2 - dy * k, (s.y + t.y) / 2 + dx * k};
      out.push_back({"arc", &e, bulge > 0 ? s : t, bulge > 0 ? t : s, c, Gap(c, s)});
    }
  } else if (auto* el = dynamic_cast<const Ellipse_*>(&e)) {
    out.push_back({"ellipse", &e, {}, {}, {el->P1.X, el->P1.Y}, 0});
  } else if (auto* l = dynamic_cast<const Line_*>(&e)) {
    out.push_back({"line", &e, {l->P1.X, l->P1.Y}, {l->P2.X, l->P2.Y}, {}, 0});
  } else if (auto* a = dynamic_cast<const Arc_*>(&e)) {
    const P2 c{a->P1.X, a->P1.Y};
    out.push_back({"arc", &e, {c.x + a->Radius * std::cos(a->StartAngle), c.y + a->Radius * std::sin(a->StartAngle)},
                   {c.x + a->Radius * std::cos(a->EndAngle), c.y + a->Radius * std::sin(a->EndAngle)}, c, a->Radius});
  } else if (auto* ci = dynamic_cast<const Circle_*>(&e)) {
    out.push_back({"circle", &e, {}, {}, {ci->P1.X, ci->P1.Y}, ci->Radius});
  } else if (dynamic_cast<const Spline_*>(&e)) {
    out.push_back({"spline", &e, {}, {}, {}, 0});
  }
}

// Where q lies on our ellipse: its parameter, and how far (1 = on it) the
// point is in the ellipse's own measure.
void OnEllipse(const Ellipse_& e, P2 q, double& t, double& measure) {
  const double k = e.Ratio * (e.Ocs && e.Ocs->Mirrored() ? -1 : 1);
  const P2 M{e.P2.X, e.P2.Y}, m{-e.P2.Y * k, e.P2.X * k};
  const double dx = q.x - e.P1.X, dy = q.y - e.P1.Y;
  const double c = (dx * M.x + dy * M.y) / (M.x * M.x + M.y * M.y);
  const double s = (dx * m.x + dy * m.y) / (m.x * m.x + m.y * m.y);
  t = std::atan2(s, c);
  measure = std::hypot(c, s);
}

// Whether angle a lies on the counter-clockwise range from s to e.
bool OnRange(double a, double s, double e) {
  double span = std::fmod(e - s, TwoPi);
  if (span <= 1e-12) span += TwoPi;
  const double along = std::fmod(std::fmod(a - s, TwoPi) + TwoPi, TwoPi);
  return along <= span + 1e-9 || along >= TwoPi - 1e-9;
}

constexpr double Tol = 1e-9;

void ExpectSame(const Piece& ours, const testing_reference::Item& ref, const std::string& where) {
  SCOPED_TRACE(where);
  ASSERT_EQ(ours.kind, ref.Kind);
  const auto& v = ref.Values;
  if (ref.Kind == "line") {
    EXPECT_LT(Gap(ours.a, {v[0], v[1]}) + Gap(ours.b, {v[2], v[3]}), Tol);
  } else if (ref.Kind == "circle" || ref.Kind == "arc") {
    EXPECT_LT(Gap(ours.centre, {v[0], v[1]}) + std::fabs(ours.radius - v[2]), Tol);
  }
  if (ref.Kind == "arc") {
    // ezdxf gives the arc from its start through its middle to its end, in
    // its own sense; ours runs counter-clockwise. The same set of points.
    const P2 s{v[3], v[4]}, mid{v[5], v[6]}, e{v[7], v[8]};
    EXPECT_LT(std::min(Gap(ours.a, s) + Gap(ours.b, e), Gap(ours.a, e) + Gap(ours.b, s)), 2 * Tol);
    const double sa = std::atan2(ours.a.y - ours.centre.y, ours.a.x - ours.centre.x);
    const double ea = std::atan2(ours.b.y - ours.centre.y, ours.b.x - ours.centre.x);
    EXPECT_TRUE(OnRange(std::atan2(mid.y - ours.centre.y, mid.x - ours.centre.x), sa, ea));
  } else if (ref.Kind == "ellipse") {
    const auto& el = static_cast<const Ellipse_&>(*ours.entity);
    const size_t n = static_cast<size_t>(v[0]);
    const double scale = std::hypot(el.P2.X, el.P2.Y);
    for (size_t i = 0; i < n; ++i) {
      double t, measure;
      OnEllipse(el, {v[1 + 2 * i], v[2 + 2 * i]}, t, measure);
      EXPECT_NEAR(measure, 1, Tol / scale) << "point " << i;
      EXPECT_TRUE(OnRange(t, el.StartParam, el.EndParam)) << "point " << i;
    }
    double t0, t1, measure;
    OnEllipse(el, {v[1], v[2]}, t0, measure);
    OnEllipse(el, {v[2 * n - 1], v[2 * n]}, t1, measure);
    // The ends are ours (in either order: a mirror turns the sense).
    const double s = el.StartParam, e = el.EndParam;
    auto same = [](double a, double b) { return std::fabs(std::remainder(a - b, TwoPi)) < 1e-9; };
    EXPECT_TRUE((same(t0, s) && same(t1, e)) || (same(t0, e) && same(t1, s)));
  } else if (ref.Kind == "spline") {
    const auto& sp = static_cast<const Spline_&>(*ours.entity);
    EXPECT_EQ(sp.Degree, static_cast<int>(v[0]));
    ASSERT_EQ(sp.Knots.size(), static_cast<size_t>(v[1]));
    for (size_t i = 0; i < sp.Knots.size(); ++i) EXPECT_NEAR(sp.Knots[i], v[2 + i], Tol);
  } else if (ref.Kind == "points") {
    const auto& sp = static_cast<const Spline_&>(*ours.entity);
    ASSERT_EQ(sp.Control.size(), static_cast<size_t>(v[0]));
    for (size_t i = 0; i < sp.Control.size(); ++i)
      EXPECT_LT(Gap({sp.Control[i].X, sp.Control[i].Y}, {v[1 + 2 * i], v[2 + 2 * i]}), Tol) << "point " << i;
  }
}

class NestedBlocks : public testing::TestWithParam<const char*> {};

// Nested inserts turned, scaled unevenly and negatively, in a mirrored OCS,
// and MINSERT arrays: the same geometry as ezdxf's expansion, within 1e-9.
TEST_P(NestedBlocks, ExpandAsEzdxfExpandsThem) {
  const std::string name = GetParam();
  const DXF_Object d = ReadDxf(ReadFileBytes(Data + name + ".dxf"), name);
  EXPECT_TRUE(d.Warnings.empty());
  const std::vector<testing_reference::Item> ref = testing_reference::ReadReference(Data + name + ".ref");
  size_t r = 0, compared = 0, insertsSeen = 0;
  std::vector<std::unique_ptr<DXF_Entity>> kept;
  for (const Insert_* ins : All<Insert_>(d)) {
    ASSERT_LT(r, ref.size());
    ASSERT_EQ(ref[r].Kind, "insert");
    ++r, ++insertsSeen;
    std::vector<Piece> ours;
    InsertOutcome outcome;
    ExpandInsert(
        d, *ins, "0", DxfAffine{},
        [&](const std::string&, std::unique_ptr<DXF_Entity> e) {
          Flatten(*e, ours);
          kept.push_back(std::move(e));
        },
        outcome);
    EXPECT_FALSE(outcome.LeftOut);
    for (size_t k = 0; k < ours.size(); ++k) {
      ASSERT_LT(r, ref.size());
      const std::string where = name + " insert " + std::to_string(insertsSeen - 1) + " piece " + std::to_string(k);
      ExpectSame(ours[k], ref[r++], where);
      ++compared;
      // A spline's reference goes on over two more lines.
      if (ours[k].kind == "spline") {
        ExpectSame({"points", ours[k].entity, {}, {}, {}, 0}, ref[r++], where);
        ++r;
      }
    }
  }
  EXPECT_EQ(r, ref.size()) << "ezdxf's expansion has more pieces";
  EXPECT_EQ(insertsSeen, 7u);
  EXPECT_GT(compared, 70u);
}
INSTANTIATE_TEST_SUITE_P(Files, NestedBlocks, testing::Values("ezdxf_blocks_nested_r12", "ezdxf_blocks_nested_r2018"));

// The plate opens with all four holes of its block where the inserts put
// them. (The region counts of every fixture are the Open tests' table.)
TEST(Blocks, APlateWhoseHolesAreInsertsOpensWithEveryHole) {
  for (const char* file : {"ezdxf_plate_holes_r12.dxf", "ezdxf_plate_holes_r2018.dxf"}) {
    Job job;
    ASSERT_TRUE(OpenDxfFile(job, Data + file).Loaded);
    std::set<std::pair<double, double>> holes;
    for (size_t i = 1; i < job.Regions.size(); ++i)
      for (const TTBEntity& c : job.Regions[i].Entities)
        if (IsFullCircle(c) && std::fabs(std::fabs(c.Radius) - 3.2) < 1e-12) holes.insert({c.X, c.Y});
    EXPECT_EQ(holes, (std::set<std::pair<double, double>>{{8, 8}, {8, 42}, {72, 8}, {72, 42}}));
  }
}

// A block inserting itself, and blocks nested 34 deep: what can be inserted
// is (32 levels), the rest is left out with a notice that says why.
TEST(Blocks, CyclesAndDeepNestingEndWithAClearMessage) {
  Job job;
  const OpenResult res = OpenDxfFile(job, Data + "ezdxf_blocks_cycle_r12.dxf");
  ASSERT_TRUE(res.Loaded) << res.Error;
  ASSERT_EQ(res.Notices.size(), 3u);
  EXPECT_EQ(res.Notices[0], "Block \"SELF\" inserts itself and was not inserted.");
  EXPECT_EQ(res.Notices[1], "Blocks nested more than 32 deep in \"DEEP32\" were not inserted.");
  EXPECT_EQ(res.Notices[2], "A \"BLOCK\" was read but not inserted.  Explode all Blocks before loading.");
  double top = 0;
  for (size_t i = 1; i < job.Regions.size(); ++i)
    if (job.Regions[i].XMax <= 1) top = std::max(top, job.Regions[i].YMax);
  EXPECT_EQ(top, 62);  // the 32nd level: 31 steps of 2 up
}

std::string Block(const std::string& name, const std::string& body, double bx = 0, double by = 0) {
  return G({{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, std::to_string(bx)}, {20, std::to_string(by)}}) + body +
         G({{0, "ENDBLK"}});
}

std::string Drawing(const std::string& blocks, const std::string& entities) {
  return G({{0, "SECTION"}, {2, "BLOCKS"}}) + blocks + G({{0, "ENDSEC"}}) + Entities(entities);
}

const std::string QuarterArc = G({{0, "ARC"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "90"}});

struct Placement {
  const char* name;
  std::string groups;
  P2 middle;  // of the quarter arc about the block origin, from (1,0) to (0,1)
  P2 base{};  // the block's base point
};
class InsertPlacesTheArc : public testing::TestWithParam<Placement> {};

// Where the middle of the block's one arc lands tells where and which way
// round the insert placed it.
TEST_P(InsertPlacesTheArc, WhereTheInsertSays) {
  const Placement& c = GetParam();
  const DXF_Object d = ReadDxf(Drawing(Block("Q", QuarterArc, c.base.x, c.base.y), c.groups), "t");
  const auto arcs = All<Arc_>(d);
  ASSERT_EQ(arcs.size(), 1u);
  const Arc_& a = *arcs[0];
  double sweep = a.EndAngle - a.StartAngle;
  if (sweep <= 0) sweep += TwoPi;
  const double m = a.StartAngle + sweep / 2;
  EXPECT_LT(Gap({a.P1.X + a.Radius * std::cos(m), a.P1.Y + a.Radius * std::sin(m)}, c.middle), 1e-12);
}
const double H = std::sqrt(0.5);
INSTANTIATE_TEST_SUITE_P(
    Cases, InsertPlacesTheArc,
    testing::Values(
        Placement{"moved", G({{0, "INSERT"}, {2, "Q"}, {10, "10"}, {20, "5"}}), {10 + H, 5 + H}},
        Placement{"turned", G({{0, "INSERT"}, {2, "Q"}, {50, "90"}}), {-H, H}},
        Placement{"scaled", G({{0, "INSERT"}, {2, "Q"}, {41, "3"}, {42, "3"}}), {3 * H, 3 * H}},
        // A negative X scale mirrors: the arc runs the other way round.
        Placement{"mirrored_by_scale", G({{0, "INSERT"}, {2, "Q"}, {10, "10"}, {41, "-1"}}), {10 - H, H}},
        // Seen from below: OCS (x, y) is world (-x, y).
        Placement{"mirrored_ocs", G({{0, "INSERT"}, {2, "Q"}, {10, "5"}, {230, "-1"}}), {-5 - H, H}},
        // Block names are matched without regard to case.
        Placement{"lower_case_name", G({{0, "INSERT"}, {2, "q"}, {10, "1"}}), {1 + H, H}},
        // The base point is the point of the block that lands on the insertion point.
        Placement{"base_point_turned", G({{0, "INSERT"}, {2, "Q"}, {10, "100"}, {50, "90"}}), {100 - H, H - 1}, {1, 0}}),
    [](const testing::TestParamInfo<Placement>& i) { return std::string(i.param.name); });

// A turned insert inside an unevenly scaled one is sheared: each point goes
// through the inner placement, then the outer one.
TEST(Blocks, ATurnedInsertInsideAnUnevenlyScaledOneIsSheared) {
  const std::string slot = Block("SLOT", testing_dxf::Line(-2, -1, 4, -1), 1, 0);
  const std::string holder = Block("HOLDER", G({{0, "INSERT"}, {8, "0"}, {2, "SLOT"}, {10, "9"}, {20, "4"}, {50, "30"}}));
  const DXF_Object d = ReadDxf(
      Drawing(slot + holder, G({{0, "INSERT"}, {2, "HOLDER"}, {10, "30"}, {41, "2"}, {42, "0.5"}, {50, "10"}})), "t");
  auto place = [](double x, double y) {
    // SLOT in HOLDER: less the base point, turned 30 degrees, moved to (9, 4).
    const double c = std::cos(Pi / 6), s = std::sin(Pi / 6);
    x -= 1;
    const double hx = 9 + c * x - s * y, hy = 4 + s * x + c * y;
    // HOLDER in the drawing: scaled 2 by 0.5, turned 10 degrees, moved to (30, 0).
    const double c2 = std::cos(Pi / 18), s2 = std::sin(Pi / 18);
    return P2{30 + c2 * 2 * hx - s2 * 0.5 * hy, s2 * 2 * hx + c2 * 0.5 * hy};
  };
  const auto lines = All<Line_>(d);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_LT(Gap({lines[0]->P1.X, lines[0]->P1.Y}, place(-2, -1)), 1e-12);
  EXPECT_LT(Gap({lines[0]->P2.X, lines[0]->P2.Y}, place(4, -1)), 1e-12);
}

// Entities of a block on layer 0 take the insert's layer; the others keep
// their own.
TEST(Blocks, LayerZeroTakesTheInsertsLayer) {
  const std::string body = testing_dxf::Line(0, 0, 1, 0, "0") + testing_dxf::Line(0, 1, 1, 1, "edge");
  const DXF_Object d = ReadDxf(Drawing(Block("B", body), G({{0, "INSERT"}, {8, "parts"}, {2, "B"}})), "t");
  std::map<std::string, int> lines;
  for (const auto& layer : d.Layers)
    for (const auto& list : layer->Lists)
      if (list->ClassName == "Line_") lines[layer->Name] += static_cast<int>(list->Entities.size());
  EXPECT_EQ(lines["PARTS"], 1);
  EXPECT_EQ(lines["EDGE"], 1);
  EXPECT_EQ(lines["0"], 0);
}

// MINSERT copies: rows times columns, one copy along a direction without
// spacing.
TEST(Blocks, MinsertMakesItsGridOfCopies) {
  const std::string hole = Block("H", G({{0, "CIRCLE"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}}));
  auto circles = [&](const std::string& grid) {
    Job job;
    const OpenResult res = OpenDxfDrawing(job, Drawing(hole, G({{0, "INSERT"}, {2, "H"}}) + grid), "m.dxf");
    EXPECT_TRUE(res.Notices.empty());
    return res.Regions;
  };
  EXPECT_EQ(circles(G({{70, "4"}, {71, "3"}, {44, "5"}, {45, "5"}})), 12);
  EXPECT_EQ(circles(G({{70, "4"}, {71, "3"}, {44, "5"}, {45, "0"}})), 4);
  EXPECT_EQ(circles(G({{70, "0"}, {71, "-3"}, {44, "5"}, {45, "5"}})), 1);
}

// Arrays and nests that would make millions of copies stop at the limit
// with a notice, at once, instead of filling the memory.
TEST(Blocks, RunawayArraysStopAtTheLimit) {
  std::string blocks = Block("E", "");
  for (int k = 1; k <= 30; ++k) {
    const std::string inner = "D" + std::to_string(k - 1);
    blocks += Block("D" + std::to_string(k), G({{0, "INSERT"}, {2, k == 1 ? "E" : inner}}) +
                                                 G({{0, "INSERT"}, {2, k == 1 ? "E" : inner}, {10, "1"}}));
  }
  for (const std::string& entities :
       {G({{0, "INSERT"}, {2, "E"}, {70, "100000"}, {71, "100000"}, {44, "1"}, {45, "1"}}),
        G({{0, "INSERT"}, {2, "D30"}})}) {
    const DXF_Object d = ReadDxf(Drawing(blocks, entities + testing_dxf::Line(0, 0, 1, 0)), "t");
    ASSERT_EQ(d.Warnings.size(), 2u);
    EXPECT_EQ(d.Warnings[0], "The inserts of this drawing make more than 2000000 entities: the rest were not inserted.");
  }
}

}  // namespace
}  // namespace tibrel
