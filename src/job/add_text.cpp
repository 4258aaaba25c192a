#include "job/add_text.h"

#include "dxf/convert.h"
#include "text/dxf_text.h"

namespace tibrel {

TextFont TextFontOf(const TTBOptions& options) {
  TextFont f;
  f.Face = options.Font;
  f.Bold = options.FontBold;
  f.Italic = options.FontItalic;
  return f;
}

void LoadTextConverter(TTTFToVectorConverter& converter, const TTBOptions& options) {
  converter.SetFont(TextFontOf(options));
  converter.SetPrecision(options.FontPrecision);
}

std::string FaceNotice(const std::string& requested, const FaceMatch& face) {
  if (!face.Usable) return "Font " + requested + " could not be used";
  if (!face.Substituted) return "";
  return "Font " + requested + " not found: " + face.Family + " used";
}

CommandResult AddText(Job& job, const TextPlacement& placement, TTTFToVectorConverter& converter) {
  CommandResult res;
  if (job.Regions.empty()) job.Regions = EmptyRegionList();
  LoadTextConverter(converter, job.Options);
  TTBEntityArray segments = LayOutText(placement, converter, res.Message);
  if (!res.Message.empty()) return res;
  res.Status = FaceNotice(job.Options.Font, converter.Face());
  if (AppendTextRegions(segments, job.Regions, job.Options.Dir ? 1 : 0) == 0) return res;
  job.DrawingExtents = RegionExtents(job.Regions);
  res.Changed = true;
  return res;
}

TTBRegionArray DrawingTextRegions(const DXF_Object& drawing, const TTBOptions& options, uint8_t cw,
                                  const PassControl& control, std::string& notice) {
  if (!HasTextEntities(drawing, NoSkipLayer)) return EmptyRegionList();
  TTTFToVectorConverter converter;
  LoadTextConverter(converter, options);
  notice = FaceNotice(options.Font, converter.Face());
  bool cut = false;
  TTBRegionArray regions = ConvertTextEntities(drawing, NoSkipLayer, converter, cw, control, cut);
  if (cut) notice += (notice.empty() ? "" : "\n") + TextCutShortNotice();
  return regions;
}

}  // namespace tibrel
