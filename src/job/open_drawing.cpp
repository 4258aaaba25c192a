#include "job/open_drawing.h"

#include "core/program_folder.h"
#include "dxf/convert.h"
#include "dxf/reader.h"
#include "geometry/chain.h"
#include "geometry/repair.h"
#include "geometry/tolerances.h"
#include "job/add_text.h"

namespace tibrel {

std::string DrawingNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  return base;
}

std::string RegionsCreatedMessage(int total, int open) {
  return std::to_string(total) + " Regions Created... " + std::to_string(open) + " Open";
}

std::string UnitsMessage(Units units, bool inDrawing) {
  return std::string("Units: ") + UnitsName(units) + (inDrawing ? "" : " (none in the drawing)");
}

namespace {

const char* const CancelledText = "Operation Cancelled...";
const char* const NothingText = "No Entities Loaded...";

// Steps shared by drawings and the wall profile file: segments chained, the
// polyline regions appended, then everything joined and oriented.
TTBRegionArray ChainAll(TTBEntityArray& segments, TTBRegionArray& polylines, uint8_t cw, const PassControl& control) {
  TTBRegionArray regions;
  if (!segments.empty())
    ChainEntities(segments, regions, cw, ChainTolerance, 0, control);
  else
    regions = EmptyRegionList();
  if (!control.FlagSet())
    regions.insert(regions.end(), std::make_move_iterator(polylines.begin()), std::make_move_iterator(polylines.end()));
  MarkRange(regions, 1, regions.size() - 1);
  SortRegionsByXMin(regions, 1, regions.size() - 1);
  JoinOpenRegions(regions, ChainTolerance);
  SetAllDirections(regions, cw);
  return regions;
}

}  // namespace

TTBRegionArray ChainDrawing(const DXF_Object& drawing, uint8_t cw, double curveTolerance, const PassControl& control) {
  TTBEntityArray segments;
  TTBRegionArray polylines;
  ConvertEntities(drawing, NoSkipLayer, curveTolerance, segments, polylines);
  CleanPolylineRegions(polylines, cw);
  return ChainAll(segments, polylines, cw, control);
}

OpenResult OpenDxfDrawing(Job& job, std::string_view data, const std::string& name) {
  OpenResult res;
  job.CommandMode = ModeIdle;
  job.CancelRequested = 0;
  job.Loading = 1;
  struct LoadingFlag {
    Job& j;
    ~LoadingFlag() { j.Loading = 0; }
  } loadingGuard{job};
  const PassControl control = job.Control();
  const uint8_t cw = job.Options.Dir ? 1 : 0;
  auto cancelled = [&] {
    job.CancelRequested = 0;
    res.Cancelled = true;
    res.Status = CancelledText;
    return res;
  };

  DXF_Object drawing;
  try {
    drawing = ReadDxf(data, name, control);
  } catch (const DXF_read_exception& e) {
    res.Error = e.what();
    drawing = DXF_Object{};
  }
  res.Notices = drawing.Warnings;
  if (control.FlagSet()) return cancelled();
  const std::optional<Units> fileUnits = UnitsOfInsUnits(drawing.InsUnits);

  std::string faceNotice;
  TTBRegionArray textRegions = DrawingTextRegions(drawing, job.Options, cw, control, faceNotice);
  if (!faceNotice.empty()) res.Notices.push_back(faceNotice);
  TTBEntityArray segments;
  TTBRegionArray polylines;
  ConvertEntities(drawing, NoSkipLayer, job.Options.CurveTolerance, segments, polylines);
  drawing = DXF_Object{};
  CleanPolylineRegions(polylines, cw);
  if (segments.size() >= 2) PrepareSegments(segments);
  if (segments.empty() && polylines.empty() && textRegions.size() <= 1) {
    res.Status = NothingText;
    return res;
  }
  TTBRegionArray regions = ChainAll(segments, polylines, cw, control);
  if (control.FlagSet()) return cancelled();
  if (job.Options.Fix) RepairSelfTouching(regions, cw);
  AppendRegions(textRegions, 1, regions);

  const TExtents extents = RegionExtents(regions);
  CountOpenClosed(regions, res.Open, res.Regions);
  res.Regions += res.Open;
  OrderRegionsNearest(regions, extents, control);
  if (control.FlagSet()) return cancelled();
  ResetRegionMarks(regions);

  job.Regions = std::move(regions);
  job.DrawingExtents = extents;
  job.DrawingName = DrawingNameOf(name);
  job.DrawingUnits = fileUnits.value_or(job.Options.DefaultUnits);
  job.ModelLoaded = 0;
  job.EditorShown = 0;
  res.Loaded = true;
  res.Status = RegionsCreatedMessage(res.Regions, res.Open);
  res.DrawingUnits = job.DrawingUnits;
  res.UnitsInDrawing = fileUnits.has_value();
  return res;
}

std::string LoadWallProfiles(Job& job, const std::string& path) {
  job.Profiles = EmptyRegionList();
  try {
    const std::string data = ReadFileBytes(path);
    const DXF_Object drawing = ReadDxf(data, path);
    job.Profiles = ChainDrawing(drawing, job.Options.Dir ? 1 : 0, job.Options.CurveTolerance);
  } catch (const DXF_read_exception& e) {
    return e.what();
  }
  return "";
}

std::string EnsureWallProfiles(Job& job) {
  if (job.Profiles.size() > 1) return "";
  return LoadWallProfiles(job, ProgramFile("Profiles.DXF"));
}

OpenResult OpenDxfFile(Job& job, const std::string& path) {
  // Read into memory rather than mapped: a drawing that another program
  // shortens while it is read must not take the program down.
  std::string data;
  try {
    data = ReadFileBytes(path);
  } catch (const DXF_read_exception& e) {
    OpenResult res;
    res.Error = e.what();
    res.Status = NothingText;
    return res;
  }
  return OpenDxfDrawing(job, data, path);
}

}  // namespace tibrel
