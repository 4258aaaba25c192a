// The Pocket, Contour and Drill commands as both front ends run them: the
// dialog's fields into the machining parameters (once, for the dialogs and
// the command line alike), then the command flow with its messages.
#pragma once

#include <string>

#include "job/job.h"
#include "post/configurations.h"

namespace tibrel {

inline constexpr const char* NothingSelectedMessage = "Nothing Selected! - Select Regions First";
inline constexpr const char* NoToolpathsMessage = "Toolpaths not Created.  Check Parameters.";
inline constexpr const char* ReadyStatus = "Ready...";
inline constexpr const char* CancelledStatus = "Operation Cancelled...";

// A number typed into a field: the point or the comma as decimal mark;
// text that is not a number gives 0.
double FieldNumber(const std::string& text);

// What the command button does with the fields: fills MachiningParameters
// and the line numbering of CurrentPost. depthText is the operation's depth
// field (not part of a configuration).
void ApplyOperationFields(Job& job, OperationDialog dialog, const ConfigurationFields& fields,
                          const std::string& depthText);

// The same, then the fields saved as the configuration "LAST" in the file
// at configPath (no file is written when configPath is empty).
void ApplyOperationFields(Job& job, OperationDialog dialog, const ConfigurationFields& fields,
                          const std::string& depthText, const std::string& configPath);

struct OperationResult {
  std::string Message;  // for a message box; empty when there is none
  std::string Status;   // for the status bar
  bool Made = false;    // toolpaths exist
  std::string Problem;  // the field that kept the command from running, for the command line
};

// Whether the parameters can make toolpaths at all: no negative number, a
// pocket tool and step that can clear, no step so small that the job would
// never end. When false the command makes nothing.
bool UsableParameters(const TTBMachiningParameters& params, OperationDialog dialog);
// What keeps the parameters from being usable, naming the field as the
// configuration file does ("RoughFeed must be greater than 0"); empty when
// they are usable.
std::string ParameterProblem(const TTBMachiningParameters& params, OperationDialog dialog);

// The command flow after the dialog was accepted: the selection check, the
// typed depth, the generators under their command mode (Pocket: rough then
// finish; Contour: the same; Drill), the toolpath check.
OperationResult RunOperation(Job& job, OperationDialog which);

// Whether any region is selected (the commands refuse to start otherwise).
bool AnythingSelected(const Job& job);

}  // namespace tibrel
