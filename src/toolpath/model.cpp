#include "toolpath/model.h"

namespace tibrel {

void SetToolName(TTBTool& tool, const std::string& name) { tool.ToolName = name.substr(0, MaxToolNameLength); }

void ClearFinishTool(TTBMachiningParameters& p) {
  p.FinishMode = 0;
  p.Finish.ToolName = "Unknown";
  p.Finish.Radius = 0;
  p.Finish.FeedRate = 0;
  p.Finish.SpindleRPM = 0;
  p.Finish.XYStep = 0;
  p.Finish.ZStep = 0;
}

TTBPoint PathStart(const TTBOutRegion& t) {
  if (HasEntryMove(t)) return EntityStart(t.EntryMove);
  return t.Entities.empty() ? TTBPoint{} : EntityStart(t.Entities.front());
}

TTBPoint PathEnd(const TTBOutRegion& t) {
  if (HasExitMove(t)) return EntityEnd(t.ExitMove);
  return t.Entities.empty() ? TTBPoint{} : EntityEnd(t.Entities.back());
}

TTBOutRegionArray EmptyToolpathList() { return TTBOutRegionArray(1); }

void AppendToolpaths(const TTBRegionArray& results, const TTBMachiningParameters& params, bool island, bool finish,
                     TTBOutRegionArray& toolpaths) {
  if (toolpaths.empty()) toolpaths = EmptyToolpathList();
  const TTBTool& tool = finish ? params.Finish : params.Rough;
  for (size_t i = 1; i < results.size(); ++i) {
    const TTBRegion& r = results[i];
    TTBOutRegion t;
    t.Colour = tool.PathColour;
    t.FeedRate = tool.FeedRate;
    t.PlungeRate = tool.PlungeRate;
    t.SpindleRPM = static_cast<double>(tool.SpindleRPM);
    t.ToolNumber = tool.ToolNumber;
    t.Depth = r.Depth;
    t.HasLeads = r.Used;
    t.IsOpen = r.IsOpen;
    t.IsIsland = island ? 1 : 0;
    t.SourceFlag = r.Selected;
    t.ApproachDepth = r.ApproachDepth;
    t.LinkMode = r.LinkMode;
    t.Entities = r.Entities;
    toolpaths.push_back(std::move(t));
  }
}

}  // namespace tibrel
