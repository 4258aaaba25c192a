// The PC Board command as both front ends run it: the "PCB Route" dialog's
// fields into the machining parameters (once, for the dialog and the
// command line alike), then the routing with its messages.
#pragma once

#include <string>

#include "job/job.h"
#include "job/operations.h"
#include "post/configurations.h"

namespace tibrel {

inline constexpr const char* UseAllAsIslandsMessage = "Use Select All as Islands for this function";
inline constexpr const char* RoutingStatus = "Routing in progress...";
inline constexpr const char* RoutingCompleteStatus = "Routing complete...";

// What "Route" does with the fields (keys of the PC Board configuration)
// and the "Route Depth" text: the rough tool, depth, rapid height, fixed
// cut-out compensation without leads, the post's line numbering; then the
// fields saved as "LAST" in the file at configPath (none when empty).
void ApplyPcbFields(Job& job, const ConfigurationFields& fields, const std::string& depthText,
                    const std::string& configPath = "");

// What keeps the parameters from routing safely, naming the field as the
// configuration file does; empty when they are usable.
std::string PcbParameterProblem(const TTBMachiningParameters& params);

// The checks before the dialog: the All as Islands (PCB) mark, then a
// selection. Empty when the dialog may open, else the message.
std::string PcbPrecondition(const Job& job);

// The command after the dialog was accepted: the checks, then RoutePCB
// under its command mode. Toolpaths are replaced even when nothing is made.
OperationResult RunPcBoard(Job& job);

}  // namespace tibrel
