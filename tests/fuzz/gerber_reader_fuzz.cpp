// libFuzzer target for the Gerber reader (ReadGerber) on arbitrary bytes,
// with a bitmap limit of 4 M pixels and a painting budget to match, so that
// a run stays short.
//
// Properties checked:
//  - ReadGerber throws nothing but GerberError, and no GerberError without
//    a message.
//  - Element 0 of the regions is the empty placeholder; every region is
//    closed, has at least three lines, no arcs, finite numbers; consecutive
//    lines meet exactly and the last meets the first; every line lies in
//    its region's box.
//  - The bitmap is within the limit, and every region within the bitmap.
#include <cmath>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "gerber/reader.h"

namespace {

using namespace tibrel;

constexpr int64_t PixelLimit = int64_t{1} << 22;

void Check(const GerberResult& res) {
  if (res.Regions.empty() || !res.Regions[0].Entities.empty()) Violated("element 0 is not the empty placeholder");
  if (static_cast<int64_t>(res.Columns) * res.Rows > PixelLimit) Violated("the bitmap exceeds its limit");
  const double px = GerberPixelSize(res.DrawingUnits);
  for (size_t i = 1; i < res.Regions.size(); ++i) {
    const TTBRegion& r = res.Regions[i];
    const std::string where = "region " + std::to_string(i);
    if (r.IsOpen) Violated("an open region", where);
    if (r.Entities.size() < 3) Violated("a region of fewer than three lines", where);
    if (r.XMax - r.XMin > (res.Columns + 1) * px || r.YMax - r.YMin > (res.Rows + 1) * px)
      Violated("a region larger than the bitmap", where);
    for (size_t k = 0; k < r.Entities.size(); ++k) {
      const TTBEntity& e = r.Entities[k];
      const TTBEntity& f = r.Entities[(k + 1) % r.Entities.size()];
      if (e.Radius != 0) Violated("an arc in a traced outline", where);
      for (double v : {e.X, e.Y, e.X2, e.Y2})
        if (!std::isfinite(v)) Violated("a coordinate that is not finite", where);
      if (e.X2 != f.X || e.Y2 != f.Y) Violated("lines that do not meet", where + " line " + std::to_string(k));
      if (e.X < r.XMin || e.X > r.XMax || e.Y < r.YMin || e.Y > r.YMax) Violated("a line outside its region's box", where);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  GerberReadOptions options;
  options.Clockwise = size % 2 == 1;
  options.ToolOffsetMils = static_cast<int32_t>(size % 5);
  options.PixelLimit = PixelLimit;
  options.WorkLimit = PixelLimit * 16;
  try {
    Check(ReadGerber(data, options));
  } catch (const GerberError& e) {
    if (std::string(e.what()).empty()) Violated("a reader error without a message");
  } catch (const std::exception& e) {
    Violated("ReadGerber threw something other than its error", e.what());
  } catch (...) {
    Violated("ReadGerber threw a non-standard exception");
  }
  return 0;
}
