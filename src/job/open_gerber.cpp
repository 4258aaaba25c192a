#include "job/open_gerber.h"

#include <algorithm>
#include <cctype>

#include "dxf/reader.h"
#include "geometry/chain.h"
#include "gerber/reader.h"

namespace tibrel {

bool IsGerberPath(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const char* const Known[] = {"gbr", "ger", "gbx", "gtl", "gbl", "cmp", "sol", "art", "pho",
                                      "gl1", "gl2", "g1",  "g2",  "gtp", "gbp", "gts", "gbs", "gto", "gbo"};
  return std::any_of(std::begin(Known), std::end(Known), [&](const char* k) { return ext == k; });
}

namespace {

TTBRegion Frame(const TExtents& x, double margin, uint8_t cw) {
  const double x0 = x.XMin - margin, y0 = x.YMin - margin, x1 = x.XMax + margin, y1 = x.YMax + margin;
  TTBRegion r;
  r.Entities = {MakeLine(x0, y0, x1, y0), MakeLine(x1, y0, x1, y1), MakeLine(x1, y1, x0, y1), MakeLine(x0, y1, x0, y0)};
  UpdateRegionBox(r);
  SetRegionDirection(r, cw);
  return r;
}

}  // namespace

OpenResult OpenGerberDrawing(Job& job, std::string_view data, const std::string& name) {
  OpenResult res;
  job.CommandMode = ModeIdle;
  job.CancelRequested = 0;
  GerberReadOptions options;
  options.Clockwise = job.Options.Dir;
  options.ToolOffsetMils = job.Options.Offset;
  GerberResult read;
  try {
    read = ReadGerber(data, options);
  } catch (const GerberError& e) {
    res.Error = e.what();
    res.Status = "No Entities Loaded...";
    return res;
  }
  res.Notices = std::move(read.Notices);
  TTBRegionArray regions = std::move(read.Regions);
  TExtents extents = RegionExtents(regions);
  if (regions.size() > 1) {
    OrderRegionsNearest(regions, extents, job.Control());
    const double margin = GerberFrameMarginInch * (read.DrawingUnits == Units::Inch ? 1 : 25.4);
    regions.push_back(Frame(extents, margin, job.Options.Dir ? 1 : 0));
    extents = RegionExtents(regions);
  }
  ResetRegionMarks(regions);
  CountOpenClosed(regions, res.Open, res.Regions);
  res.Regions += res.Open;
  job.Regions = std::move(regions);
  job.Toolpaths = EmptyToolpathList();
  job.DrawingExtents = extents;
  job.DrawingName = DrawingNameOf(name);
  job.DrawingUnits = read.UnitsInFile ? read.DrawingUnits : job.Options.DefaultUnits;
  job.ModelLoaded = 0;
  job.EditorShown = 0;
  res.Loaded = true;
  res.Status = RegionsCreatedMessage(res.Regions, res.Open);
  res.DrawingUnits = job.DrawingUnits;
  res.UnitsInDrawing = read.UnitsInFile;
  return res;
}

OpenResult OpenGerberFile(Job& job, const std::string& path) {
  std::string data;
  try {
    data = ReadFileBytes(path);
  } catch (const std::exception&) {
    OpenResult res;
    res.Error = "Error opening file '" + path + "'";
    res.Status = "No Entities Loaded...";
    return res;
  }
  return OpenGerberDrawing(job, data, path);
}

}  // namespace tibrel
