// libFuzzer target for the whole Open sequence (OpenDxfDrawing): read,
// convert, chain, join, orient, optional self-touching repair, order.
//
// Every input is opened twice into a job that already holds a small drawing,
// once without and once with the repair (Options.Fix); the closed-region
// direction (Options.Dir) follows the parity of the input length.
//
// Properties checked:
//  - OpenDxfDrawing never throws.
//  - A load that did not happen leaves the job's regions, extents, drawing
//    name and unit exactly as they were.
//  - After a load: element 0 of the region list is the empty placeholder;
//    every region 1..last holds at least one entity; every number in every
//    entity and region box is finite; consecutive entities of a region meet
//    end to start, and the last entity of a closed region meets the first
//    (within 0.001, checked for regions whose numbers are all below 1e6 in
//    magnitude, since far out the arithmetic itself is coarser than that);
//    the counts in the result agree with the region list; a load carries no
//    reader error; the job's unit is the result's, and the option's (which
//    also follows the parity of the input length) when the file named none.
//  - The repair only splits regions: with it the load succeeds exactly when
//    it does without, and never gives fewer regions.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "job/job.h"
#include "job/open_drawing.h"
#include "geometry/entity.h"
#include "fuzz_check.h"
#include "geometry/region.h"

namespace {

using namespace tibrel;

// A closed square of four lines, a circle and an open line: three regions.
constexpr std::string_view BaselineDxf =
    "0\nSECTION\n2\nENTITIES\n"
    "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n"
    "0\nLINE\n8\n0\n10\n10\n20\n0\n11\n10\n21\n10\n"
    "0\nLINE\n8\n0\n10\n10\n20\n10\n11\n0\n21\n10\n"
    "0\nLINE\n8\n0\n10\n0\n20\n10\n11\n0\n21\n0\n"
    "0\nCIRCLE\n8\n0\n10\n30\n20\n5\n40\n3\n"
    "0\nLINE\n8\n0\n10\n50\n20\n0\n11\n60\n21\n5\n"
    "0\nENDSEC\n0\nEOF\n";

Job& Baseline() {
  static Job job = [] {
    Job j;
    const OpenResult res = OpenDxfDrawing(j, BaselineDxf, "baseline.dxf");
    if (!res.Loaded || j.Regions.size() != 4 || res.Open != 1)
      Violated("the baseline drawing does not load as three regions", res.Status + " " + res.Error);
    return j;
  }();
  return job;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool SameEntity(const TTBEntity& a, const TTBEntity& b) {
  return SameBits(a.X, b.X) && SameBits(a.Y, b.Y) && SameBits(a.Radius, b.Radius) && SameBits(a.X2, b.X2) &&
         SameBits(a.Y2, b.Y2) && a.Pending == b.Pending && SameBits(a.XMin, b.XMin) && SameBits(a.YMin, b.YMin) &&
         SameBits(a.YMax, b.YMax) && SameBits(a.XMax, b.XMax) && a.Tag == b.Tag;
}

bool SameRegion(const TTBRegion& a, const TTBRegion& b) {
  if (a.Encloser != b.Encloser || a.NestCount != b.NestCount || a.WallProfile != b.WallProfile ||
      !SameBits(a.WallDelta, b.WallDelta) || a.Done != b.Done || a.Clockwise != b.Clockwise ||
      !SameBits(a.XMin, b.XMin) || !SameBits(a.YMin, b.YMin) || !SameBits(a.YMax, b.YMax) ||
      !SameBits(a.XMax, b.XMax) || !SameBits(a.Depth, b.Depth) || a.Used != b.Used || a.IsOpen != b.IsOpen ||
      a.IslandOf != b.IslandOf || a.Selected != b.Selected || !SameBits(a.ApproachDepth, b.ApproachDepth) ||
      a.LinkMode != b.LinkMode || a.Entities.size() != b.Entities.size())
    return false;
  for (size_t k = 0; k < a.Entities.size(); ++k)
    if (!SameEntity(a.Entities[k], b.Entities[k])) return false;
  return true;
}

bool SameExtents(const TExtents& a, const TExtents& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool Finite(const TTBEntity& e) {
  for (double v : {e.X, e.Y, e.Radius, e.X2, e.Y2, e.XMin, e.YMin, e.YMax, e.XMax})
    if (!std::isfinite(v)) return false;
  return true;
}

// Whether every number that places the entity is small enough for the
// meeting test to be meaningful.
bool Moderate(const TTBEntity& e) {
  constexpr double lim = 1e6;
  if (e.IsLine()) return std::fabs(e.X) < lim && std::fabs(e.Y) < lim && std::fabs(e.X2) < lim && std::fabs(e.Y2) < lim;
  return std::fabs(e.X) < lim && std::fabs(e.Y) < lim && std::fabs(e.Radius) < lim;
}

std::string Where(size_t region, size_t entity, const TTBEntity& e) {
  char buf[320];
  std::snprintf(buf, sizeof buf, "region %zu entity %zu: X %.17g Y %.17g R %.17g X2 %.17g Y2 %.17g", region, entity,
                e.X, e.Y, e.Radius, e.X2, e.Y2);
  return buf;
}

void CheckMeet(const TTBEntity& a, const TTBEntity& b, size_t region, size_t k, const char* what) {
  constexpr double tol = 0.001;
  const TTBPoint end = EntityEnd(a), start = EntityStart(b);
  const double gap = std::hypot(end.X - start.X, end.Y - start.Y);
  if (!(gap <= tol)) {
    char buf[96];
    std::snprintf(buf, sizeof buf, " gap %.17g\n", gap);
    Violated(what, Where(region, k, a) + buf + Where(region, k + 1, b));
  }
}

void CheckLoaded(const Job& job, const OpenResult& res) {
  const TTBRegionArray& regions = job.Regions;
  if (regions.empty() || !regions[0].Entities.empty()) Violated("element 0 is not the empty placeholder");
  if (!res.Error.empty()) Violated("loaded although the reader failed", res.Error);
  int open = 0;
  for (size_t i = 1; i < regions.size(); ++i) {
    const TTBRegion& r = regions[i];
    if (r.Entities.empty()) Violated("a region without entities", "region " + std::to_string(i));
    for (double v : {r.XMin, r.YMin, r.YMax, r.XMax})
      if (!std::isfinite(v)) Violated("a region box that is not finite", "region " + std::to_string(i));
    bool moderate = true;
    for (size_t k = 0; k < r.Entities.size(); ++k) {
      const TTBEntity& e = r.Entities[k];
      if (!Finite(e)) Violated("an entity field that is not finite", Where(i, k, e));
      moderate = moderate && Moderate(e);
    }
    if (r.IsOpen) ++open;
    if (!moderate) continue;
    for (size_t k = 0; k + 1 < r.Entities.size(); ++k)
      CheckMeet(r.Entities[k], r.Entities[k + 1], i, k, "consecutive entities of a region do not meet");
    if (!r.IsOpen)
      CheckMeet(r.Entities.back(), r.Entities.front(), i, r.Entities.size() - 1,
                "a closed region's last entity does not meet its first");
  }
  const int total = static_cast<int>(regions.size()) - 1;
  if (res.Regions != total || res.Open != open)
    Violated("the result's counts disagree with the region list",
             "result " + std::to_string(res.Regions) + "/" + std::to_string(res.Open) + ", list " +
                 std::to_string(total) + "/" + std::to_string(open));
}

void CheckUnchanged(const Job& job, const Job& before) {
  if (job.Regions.size() != before.Regions.size())
    Violated("a failed load changed the number of regions",
             std::to_string(before.Regions.size()) + " -> " + std::to_string(job.Regions.size()));
  for (size_t i = 0; i < job.Regions.size(); ++i)
    if (!SameRegion(job.Regions[i], before.Regions[i]))
      Violated("a failed load changed a region", "region " + std::to_string(i));
  if (!SameExtents(job.DrawingExtents, before.DrawingExtents)) Violated("a failed load changed the extents");
  if (job.DrawingName != before.DrawingName) Violated("a failed load changed the drawing name", job.DrawingName);
  if (job.DrawingUnits != before.DrawingUnits) Violated("a failed load changed the unit");
}

struct Run {
  OpenResult res;
  size_t regions = 0;
};

Run Open(std::string_view data, bool fix, bool clockwise) {
  const Job& before = Baseline();
  Job job = before;
  job.Options.Fix = fix;
  job.Options.Dir = clockwise;
  job.Options.DefaultUnits = clockwise ? Units::Inch : Units::Millimetre;
  Run run;
  try {
    run.res = OpenDxfDrawing(job, data, "fuzz.dxf");
  } catch (const std::exception& e) {
    Violated("OpenDxfDrawing threw", e.what());
  } catch (...) {
    Violated("OpenDxfDrawing threw a non-standard exception");
  }
  if (run.res.Cancelled) Violated("cancelled although nothing asked for it");
  if (run.res.Loaded) {
    CheckLoaded(job, run.res);
    if (job.DrawingUnits != run.res.DrawingUnits) Violated("the job's unit is not the result's");
    if (!run.res.UnitsInDrawing && job.DrawingUnits != job.Options.DefaultUnits)
      Violated("a drawing without a unit did not take the option's");
  } else
    CheckUnchanged(job, before);
  run.regions = job.Regions.size();
  return run;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Baseline();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  const bool clockwise = size % 2 == 1;
  const Run plain = Open(data, false, clockwise);
  const Run fixed = Open(data, true, clockwise);
  if (plain.res.Loaded != fixed.res.Loaded) Violated("the repair changed whether the drawing loads");
  if (plain.res.Loaded && fixed.regions < plain.regions)
    Violated("the repair lost regions", std::to_string(plain.regions) + " -> " + std::to_string(fixed.regions));
  return 0;
}
