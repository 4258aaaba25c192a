// tibrel-cli text: the text dialog's Add from the command line.
#pragma once

#include <string>
#include <vector>

namespace tibrel::cli {

extern const char* const TextUsage;

// Sets the text as the dialog's Add does (into an opened drawing when
// --into is given) and writes the regions as a geometry DXF. The exit
// status: 0 when text was added and written, 1 when nothing was, 2 for
// arguments not understood.
int TextCommand(const std::vector<std::string>& args);

}  // namespace tibrel::cli
