#include "view/nc_backplot.h"

#include <algorithm>
#include <cmath>

namespace tibrel {

TExtents NcViewExtents(const NcExtents& e) {
  TExtents t;
  if (!e.Valid) return t;
  t.XMin = e.XMin, t.XMax = e.XMax, t.YMin = e.YMin, t.YMax = e.YMax, t.ZMin = e.ZMin, t.ZMax = e.ZMax;
  t.ZMid = (e.ZMax - e.ZMin) / 2 + e.ZMin;
  t.XSize = e.XMax - e.XMin, t.YSize = e.YMax - e.YMin;
  return t;
}

namespace {

constexpr int32_t Black = 0x000000;
constexpr int32_t RapidBlue = 0xFF0000;

// Pixels per drawing unit, as the view's own arc rule takes it.
double PixelScale(const ViewState& v) { return std::min(v.Sx, v.Sy); }

}  // namespace

Display BuildNcBackplot(const NcPath& path, NcRange range, const ViewState& v, int32_t background) {
  Display d;
  d.Background = background;
  const int32_t last = std::min(range.Last, NcHigh(path));
  const double s = PixelScale(v);
  int64_t drawn = 0;
  for (int32_t i = std::max(range.First, 1); i <= last; ++i) {
    const NcPathRecord& r = path[static_cast<size_t>(i)];
    if (r.IsFeedLine() || r.IsRapid()) {
      Stroke st;
      st.Colour = r.IsRapid() ? RapidBlue : Black;
      st.Pattern = r.IsRapid() ? PatternDotted : PatternSolid;
      st.Points = {Project(v, r.A[0], r.A[1], r.A[2]), Project(v, r.B[0], r.B[1], r.BZ)};
      d.Strokes.push_back(std::move(st));
      ++drawn;
    } else if (r.IsArc()) {
      const double sweep = r.B[1] - r.B[0];
      const int n = std::isfinite(sweep) ? ArcChords(r.R * sweep, s) : 0;
      if (n == 0) continue;
      Stroke st;
      st.Colour = Black;
      st.Points.reserve(static_cast<size_t>(n) + 1);
      for (int k = 0; k <= n; ++k) {
        const double a = r.B[0] + sweep * k / n;
        st.Points.push_back(Project(v, r.A[0] + r.R * std::cos(a), r.A[1] + r.R * std::sin(a), r.A[2]));
      }
      d.Strokes.push_back(std::move(st));
      ++drawn;
    }
  }
  d.Status = "NC " + std::to_string(drawn);
  return d;
}

}  // namespace tibrel
