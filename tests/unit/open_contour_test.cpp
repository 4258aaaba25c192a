// Contours of open profiles cut every entity of the profile, from one free
// end to the other: on the profile itself without compensation, beside each
// entity at the tool radius with Right or Left.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "geometry_check.h"
#include "job/commands.h"
#include "job/open_drawing.h"
#include "job/operations.h"
#include "region_builders.h"

namespace tibrel {
namespace {

using namespace testing_regions;
using namespace testing_geometry;

constexpr double RoughRadius = 0.5, FinishRadius = 0.3;

// Unit direction of travel of an entity at parameter t (0 start, 1 end).
TTBPoint TravelAt(const TTBEntity& e, double t) {
  if (e.Radius == 0) {
    const double l = std::hypot(e.X2 - e.X, e.Y2 - e.Y);
    return {(e.X2 - e.X) / l, (e.Y2 - e.Y) / l};
  }
  double start, sweep;
  ArcSpan(e, start, sweep);
  const double a = start + sweep * t, s = sweep > 0 ? 1 : -1;
  return {-std::sin(a) * s, std::cos(a) * s};
}

Pt PointAt(const TTBEntity& e, double t) {
  if (e.Radius == 0) return {e.X + (e.X2 - e.X) * t, e.Y + (e.Y2 - e.Y) * t};
  double start, sweep;
  ArcSpan(e, start, sweep);
  return ArcPoint(e, start + sweep * t);
}

// The point at distance d beside the entity at t: side +1 left of travel,
// -1 right, 0 on it.
Pt Beside(const TTBEntity& e, double t, int side, double d) {
  const Pt p = PointAt(e, t);
  const TTBPoint u = TravelAt(e, t);
  return {p.x - side * d * u.Y, p.y + side * d * u.X};
}

double DistToPaths(Pt p, const std::vector<const TTBOutRegion*>& paths) {
  double d = 1e300;
  for (const auto* t : paths)
    for (const auto& e : t->Entities) d = std::min(d, Dist(p, e));
  return d;
}

struct Pass {
  const char* name;
  bool finish;
  double radius;  // with compensation; None cuts on the line
};

// Every entity of the source has a piece of the pass at the pass's radius
// on the compensation's side, and nothing of the pass comes nearer.
// Returns the number of entities checked.
int ExpectEveryEntityCut(const TTBRegion& source, const std::vector<const TTBOutRegion*>& paths, int side,
                         double radius, const std::string& what) {
  int checked = 0;
  for (size_t k = 0; k < source.Entities.size(); ++k)
    for (double t : {0.25, 0.5, 0.75}) {
      const Pt want = Beside(source.Entities[k], t, side, radius);
      EXPECT_LT(DistToPaths(want, paths), 1e-6) << what << ": entity " << k << " at " << t << " not cut";
      ++checked;
    }
  for (const auto* path : paths)
    for (const auto& e : path->Entities)
      for (const Pt p : Samples(e, 8)) EXPECT_GE(DistToRegion(p, source), radius - 5e-5) << what << ": too near";
  return checked;
}

ConfigurationFields ContourFields(const char* compensation) {
  ConfigurationFields f = DefaultConfigurationFields(OperationDialog::Contour);
  f["Compensation"] = compensation;
  f["RoughDiameter"] = "1";
  f["FinishPass"] = "True";
  f["FinishDiameter"] = "0.6";
  f["RoughStepZ"] = "0";
  f["FinishStepZ"] = "0";
  f["RoughFeed"] = "500";
  f["RoughPlunge"] = "100";
  f["FinishFeed"] = "300";
  return f;
}

// Runs the Contour command on the selected regions; rough paths get colour
// 0 and finish paths colour 1.
void RunContour(Job& job, const char* compensation) {
  job.MachiningParameters.Rough.PathColour = 0;
  job.MachiningParameters.Finish.PathColour = 1;
  ApplyOperationFields(job, OperationDialog::Contour, ContourFields(compensation), "1");
  const OperationResult res = RunOperation(job, OperationDialog::Contour);
  ASSERT_TRUE(res.Made) << res.Message;
}

std::vector<const TTBOutRegion*> PathsOf(const Job& job, bool finish) {
  std::vector<const TTBOutRegion*> out;
  for (size_t i = 1; i < job.Toolpaths.size(); ++i)
    if ((job.Toolpaths[i].Colour == 1) == finish) out.push_back(&job.Toolpaths[i]);
  return out;
}

int SideOf(const std::string& compensation) { return compensation == "Left" ? 1 : compensation == "Right" ? -1 : 0; }

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
      const TTBPoint end = EntityEnd(r.Entities.back());
      EXPECT_LT(std::hypot(end.X - q.X, end.Y - q.Y), 1e-9);
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
      const std::string what = "profile " + std::to_string(s) + " " + comp;
      Job job = JobOf({profile});
      SelectAllOpen(job);
      RunContour(job, comp);
      const int side = SideOf(comp);
      for (const Pass pass : {Pass{"rough", false, RoughRadius}, Pass{"finish", true, FinishRadius}}) {
        const auto paths = PathsOf(job, pass.finish);
        ASSERT_EQ(paths.size(), 1u) << what << " " << pass.name;
        const double d = side == 0 ? 0 : pass.radius;
        const TTBOutRegion& t = *paths[0];
        const Pt a = Beside(profile.Entities.front(), 0, side, d), b = Beside(profile.Entities.back(), 1, side, d);
        const TTBPoint first = EntityStart(t.Entities.front()), last = EntityEnd(t.Entities.back());
        EXPECT_LT(std::hypot(first.X - a.x, first.Y - a.y), 1e-6) << what << " " << pass.name << ": start";
        EXPECT_LT(std::hypot(last.X - b.x, last.Y - b.y), 1e-6) << what << " " << pass.name << ": end";
        checked += ExpectEveryEntityCut(profile, paths, side, d, what + " " + pass.name);
      }
    }
  }
  EXPECT_GT(checked, 5000);
}

// The open profiles of the example drawing: the zig-zag is cut to its end
// at (30,0) and the open square keeps its bottom edge, with every
// compensation, rough and finish.
TEST(OpenContourExamples, OpenProfilesDrawingLosesNoEntity) {
  for (const char* comp : {"None", "Right", "Left"}) {
    Job job;
    ASSERT_TRUE(OpenDxfFile(job, std::string(TIBREL_SOURCE_DIR) + "/examples/open_profiles.dxf").Loaded);
    SelectAllOpen(job);
    const TTBRegionArray sources = job.Regions;
    RunContour(job, comp);
    int open = 0;
    for (const Pass pass : {Pass{"rough", false, RoughRadius}, Pass{"finish", true, FinishRadius}}) {
      const auto paths = PathsOf(job, pass.finish);
      for (size_t i = 1; i < sources.size(); ++i) {
        if (!sources[i].IsOpen) continue;
        ++open;
        ExpectEveryEntityCut(sources[i], paths, SideOf(comp), SideOf(comp) == 0 ? 0 : pass.radius,
                             std::string(comp) + " " + pass.name + " region " + std::to_string(i));
      }
    }
    EXPECT_EQ(open, 2 * 5);
    if (std::string(comp) == "None") {
      // The paths are the profiles, end to end.
      for (size_t i = 1; i < job.Toolpaths.size(); ++i) {
        const TTBOutRegion& t = job.Toolpaths[i];
        const TTBPoint end = EntityEnd(t.Entities.back());
        bool matched = false;
        for (size_t k = 1; k < sources.size(); ++k) {
          const TTBPoint s = RegionStart(sources[k]), e = RegionEnd(sources[k]);
          if (std::hypot(EntityStart(t.Entities.front()).X - s.X, EntityStart(t.Entities.front()).Y - s.Y) < 1e-9)
            matched = matched || std::hypot(end.X - e.X, end.Y - e.Y) < 1e-9;
        }
        EXPECT_TRUE(matched) << "path " << i << " ends at " << end.X << "," << end.Y;
      }
    }
  }
}

}  // namespace
}  // namespace tibrel
