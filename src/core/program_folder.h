// The program folder: where the settings files and Profiles.DXF live. It is
// $TIBREL_PROGRAM_FOLDER when that is set (tests give each run a folder of
// its own this way, so nothing is read or written beside the built program),
// else the executable's folder when that folder is writable, else
// $XDG_CONFIG_HOME/tibrel (~/.config/tibrel), created on demand.
#pragma once

#include <string>

namespace tibrel {

std::string ProgramFolder();
// The folder of the running executable.
std::string ExecutableFolder();
// A file's path in the program folder.
std::string ProgramFile(const std::string& name);

// The read-only files shipped with the program: resources/ beside the
// executable in a build tree, else ../share/tibrel of an installed program;
// $TIBREL_RESOURCE_FOLDER when set.
std::string ResourceFolder();

// The settings shipped with the program (Posts.cfg, Options.cfg and
// Profiles.DXF of the resource folder) copied into the program folder when they are not
// there yet; a file the user already has is never replaced. Failures are
// silent: the program then runs on its built-in defaults.
void InstallShippedSettings();

}  // namespace tibrel
