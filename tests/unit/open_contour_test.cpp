// Contours of open profiles cut every entity of the profile, from one free
// end to the other: on the profile itself without compensation, beside each
// entity at the tool radius with Right or Left.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "geometry_check.h"
#include "job/commands.h"
#include "job/operations.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace testing_regions;
using namespace testing_geometry;

// The point at distance d beside the entity at parameter t (0 start, 1
// end): side +1 left of travel, -1 right, 0 on it.
Pt Beside(const TTBEntity& e, double t, int side, double d) {
  if (e.Radius == 0) {
    const double l = std::hypot(e.X2 - e.X, e.Y2 - e.Y), ux = (e.X2 - e.X) / l, uy = (e.Y2 - e.Y) / l;
    return {e.X + (e.X2 - e.X) * t - side * d * uy, e.Y + (e.Y2 - e.Y) * t + side * d * ux};
  }
  double start, sweep;
  ArcSpan(e, start, sweep);
  const double a = start + sweep * t, s = sweep > 0 ? 1 : -1;
  const Pt p = ArcPoint(e, a);
  return {p.x - side * d * std::cos(a) * s, p.y - side * d * std::sin(a) * s};
}

// Every entity of the source has a piece of the path at distance d on the
// side, and nothing of the path comes nearer. Returns the points checked.
int ExpectEveryEntityCut(const TTBRegion& source, const TTBOutRegion& path, int side, double d, const std::string& what) {
  int checked = 0;
  for (size_t k = 0; k < source.Entities.size(); ++k)
    for (double t : {0.25, 0.5, 0.75}) {
      const Pt want = Beside(source.Entities[k], t, side, d);
      double nearest = 1e300;
      for (const auto& e : path.Entities) nearest = std::min(nearest, Dist(want, e));
      EXPECT_LT(nearest, 1e-6) << what << ": entity " << k << " at " << t << " not cut";
      ++checked;
    }
  for (const auto& e : path.Entities)
    for (const Pt p : Samples(e, 8)) EXPECT_GE(DistToRegion(p, source), d - 5e-5) << what << ": too near";
  return checked;
}

// The Contour command on the selected regions with a rough tool of radius
// 0.5 (paths of colour 0) and a finish tool of radius 0.3 (colour 1).
void RunContour(Job& job, const char* compensation) {
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Contour);
  for (const auto& [key, value] : {std::pair{"Compensation", compensation}, {"RoughDiameter", "1"}, {"FinishPass", "True"},
                                   {"FinishDiameter", "0.6"}, {"RoughStepZ", "0"}, {"FinishStepZ", "0"},
                                   {"RoughFeed", "500"}, {"RoughPlunge", "100"}, {"FinishFeed", "300"}})
    f[key] = value;
  job.MachiningParameters.Rough.PathColour = 0;
  job.MachiningParameters.Finish.PathColour = 1;
  ApplyOperationFields(job, OperationDialog::Contour, f, "1");
  const OperationResult res = RunOperation(job, OperationDialog::Contour);
  ASSERT_TRUE(res.Made) << res.Message;
}

// An open profile of n lines and arcs running towards +X: every chord is 4
// to 10 long and heads within 30 degrees of +X, an arc turns by 20 to 60
// degrees either way, so the travel never turns by more than 120 degrees at
// a joint and parts that are not neighbours stay far apart. A cutter of
// radius 0.5 then reaches the middle of every entity on both sides.
TTBRegion RandomProfile(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> u(0, 1);
  const double deg = M_PI / 180;
  TTBRegion r;
  TTBPoint p{100 * u(rng), 100 * u(rng)};
  for (int k = 0; k < n; ++k) {
    const double len = 4 + 6 * u(rng), heading = (-30 + 60 * u(rng)) * deg;
    const TTBPoint q{p.X + len * std::cos(heading), p.Y + len * std::sin(heading)};
    if (u(rng) < 0.5) {
      r.Entities.push_back(MakeLine(p.X, p.Y, q.X, q.Y));
    } else {
      const double sweep = (20 + 40 * u(rng)) * deg, s = u(rng) < 0.5 ? 1 : -1;
      const double radius = len / (2 * std::sin(sweep / 2)), h = radius * std::cos(sweep / 2);
      // The centre lies left of the chord for a counter-clockwise arc.
      const TTBPoint c{(p.X + q.X) / 2 - s * h * std::sin(heading), (p.Y + q.Y) / 2 + s * h * std::cos(heading)};
      r.Entities.push_back(MakeArc(c.X, c.Y, s * radius, NormaliseAngle(std::atan2(p.Y - c.Y, p.X - c.X)),
                                   NormaliseAngle(std::atan2(q.Y - c.Y, q.X - c.X))));
    }
    p = q;
  }
  r.IsOpen = 1;
  UpdateRegionBox(r);
  return r;
}

// Random open profiles through the Contour command, rough and finish: each
// pass is one path from the free end's offset to the other's that passes
// beside every entity at the tool radius (None: the profile itself).
TEST(OpenContourProperties, EveryEntityOfARandomProfileIsCut) {
  std::mt19937 rng(12);
  int checked = 0;
  for (int s = 0; s < 150; ++s) {
    const TTBRegion profile = RandomProfile(rng, 1 + static_cast<int>(rng() % 12));
    for (const char* comp : {"None", "Right", "Left"}) {
      Job job = JobOf({profile});
      SelectAllOpen(job);
      RunContour(job, comp);
      const int side = std::string(comp) == "Left" ? 1 : std::string(comp) == "Right" ? -1 : 0;
      for (const int colour : {0, 1}) {
        const std::string what = "profile " + std::to_string(s) + " " + comp + (colour ? " finish" : " rough");
        std::vector<const TTBOutRegion*> paths;
        for (size_t i = 1; i < job.Toolpaths.size(); ++i)
          if (job.Toolpaths[i].Colour == colour) paths.push_back(&job.Toolpaths[i]);
        ASSERT_EQ(paths.size(), 1u) << what;
        const TTBOutRegion& t = *paths[0];
        const double d = side == 0 ? 0 : colour ? 0.3 : 0.5;
        const Pt a = Beside(profile.Entities.front(), 0, side, d), b = Beside(profile.Entities.back(), 1, side, d);
        const TTBPoint first = EntityStart(t.Entities.front()), last = EntityEnd(t.Entities.back());
        EXPECT_LT(std::hypot(first.X - a.x, first.Y - a.y), 1e-6) << what << ": start";
        EXPECT_LT(std::hypot(last.X - b.x, last.Y - b.y), 1e-6) << what << ": end";
        checked += ExpectEveryEntityCut(profile, t, side, d, what);
      }
    }
  }
  EXPECT_GT(checked, 5000);
}

}  // namespace
}  // namespace tibrel
