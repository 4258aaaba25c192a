// The program folder: where the settings files and Profiles.DXF live. It is
// the executable's folder when that folder is writable, else
// $XDG_CONFIG_HOME/tibrel (~/.config/tibrel), created on demand.
#pragma once

#include <string>

namespace tibrel {

std::string ProgramFolder();
// A file's path in the program folder.
std::string ProgramFile(const std::string& name);

}  // namespace tibrel
