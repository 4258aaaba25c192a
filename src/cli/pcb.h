// The board commands of tibrel-cli: Gerber files opened by extension (or
// --gerber) wherever a drawing is, and the pcb subcommand.
#pragma once

#include <string>
#include <vector>

#include "job/job.h"
#include "job/open_drawing.h"
#include "job/startup.h"

namespace tibrel::cli {

// Removes every --gerber from args: the files named are then read as Gerber
// whatever their extension.
void TakeGerberFlag(std::vector<std::string>& args);

// Opens a Gerber file (by extension or --gerber) or a DXF drawing.
OpenResult OpenBoardOrDrawing(Job& job, const std::string& path);

// What pcb borrows from the other commands: start-up, the JSON report and
// the writing of the program.
struct PcbHooks {
  bool (*StartProgram)(Job&, TTBSettings&);
  void (*PrintRegionsJson)(const Job&, const std::string&, const std::string&);
  std::string (*ToolpathsJson)(const Job&, const std::string&);
  bool (*WriteOutputs)(const Job&, const std::string& drawingPath, const std::string& out, const std::string& dxf);
};

// tibrel-cli pcb BOARD [--config NAME] [--set KEY=VALUE]... [--depth D]
//   [--post NAME] [--posts FILE] [--units mm|inch] -o OUT.nc [--dxf OUT.dxf] [--json]
int Pcb(const std::vector<std::string>& args, const PcbHooks& hooks);

// render --operation pcb: All as Islands (PCB) unless the rules made it,
// the PCB Route fields from the configuration and the --set keys, then the
// routing. False (told on stderr) when no toolpath was made; 2 in bad for a
// --set key that is not one of the board's.
bool RoutePcbForRender(Job& job, const std::string& config, const std::vector<std::string>& sets,
                       const std::string& depth, bool& bad);

}  // namespace tibrel::cli
