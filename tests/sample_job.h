// A fixed job for the NC writer's tests and fuzz target: lines, arcs both
// ways, leads, stay-down, lift and plunge-here links, two tools and holes
// drilled both ways with a third.
#pragma once

#include <cmath>

#include "toolpath/model.h"

namespace tibrel::testing_job {

inline TTBOutRegion Path(int tool, int32_t link, double depth, double approach, TTBEntityArray es) {
  TTBOutRegion t;
  t.ToolNumber = tool;
  t.LinkMode = link;
  t.Depth = depth;
  t.ApproachDepth = approach;
  t.FeedRate = 300;
  t.PlungeRate = 100;
  t.SpindleRPM = 12000;
  t.Entities = std::move(es);
  return t;
}

inline TTBOutRegion Hole(int tool, int32_t link, double x, double y) {
  TTBOutRegion t = Path(tool, link, 3, -5, {MakeLine(x, y, x, y)});
  t.FeedRate = t.PlungeRate = 50;
  t.SpindleRPM = 3000;
  return t;
}

// The fixed job every shipped post writes: lines, arcs both ways, leads,
// stay-down, lift and plunge-here links, two tools and holes drilled both
// ways with a third.
inline TTBOutRegionArray SampleToolpaths() {
  TTBOutRegionArray list = EmptyToolpathList();
  list.push_back(Path(1, LinkLift, 1, -5,
                      {MakeLine(0, 0, 10, 0), MakeLine(10, 0, 10, 10), MakeLine(10, 10, 0, 10), MakeLine(0, 10, 0, 0)}));
  list.push_back(Path(1, LinkStayDown, 1, 1, {MakeArc(5, 5, 2, M_PI, 0), MakeArc(5, 5, 2, 0, M_PI)}));
  TTBOutRegion leads = Path(1, LinkRunStart, 2, 1, {MakeArc(10, 5, -5, M_PI, M_PI / 2), MakeLine(10, 10, 30, 10)});
  leads.HasLeads = 1;
  leads.EntryMove = MakeLine(3, 5, 5, 5);
  leads.EntryMove.Pending = 1;
  leads.ExitMove = MakeArc(30, 12, 2, 1.5 * M_PI, 0);
  leads.ExitMove.Pending = 1;
  list.push_back(leads);
  list.push_back(Path(2, LinkLift, 0.5, -5, {MakeLine(40, 0, 50, 0), MakeLine(50, 0, 50, 5)}));
  list.push_back(Hole(3, LinkDrillCycle, 60, 0));
  list.push_back(Hole(3, LinkDrillCycle, 60, 10));
  list.push_back(Hole(3, LinkDrillLinear, 70, 0));
  list.push_back(Hole(3, LinkDrillLinear, 70, 10));
  return list;
}

inline TTBMachiningParameters SampleParameters() {
  TTBMachiningParameters p;
  p.RapidHeight = 5;
  p.Rough.ToolNumber = 1;
  p.Rough.ToolName = "Flat (3mm)";
  p.FinishMode = 1;
  p.Finish.ToolNumber = 2;
  p.Finish.ToolName = "Ball\n3mm";
  return p;
}

}  // namespace tibrel::testing_job
