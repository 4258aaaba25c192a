// The program folder: where the settings files and Profiles.DXF live. It is
// the executable's folder when that folder is writable, else
// $XDG_CONFIG_HOME/tibrel (~/.config/tibrel), created on demand.
#pragma once

#include <string>

namespace tibrel {

std::string ProgramFolder();
// The folder of the running executable.
std::string ExecutableFolder();
// A file's path in the program folder.
std::string ProgramFile(const std::string& name);

// The settings shipped with the program (resources/ beside the executable:
// Posts.cfg, Options.cfg) copied into the program folder when they are not
// there yet; a file the user already has is never replaced. Failures are
// silent: the program then runs on its built-in defaults.
void InstallShippedSettings();

}  // namespace tibrel
