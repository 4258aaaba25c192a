// The model subcommands of tibrel-cli: info of an STL file and prototype.
#pragma once

#include <string>
#include <vector>

namespace tibrel::cli {

// Whether info's arguments name an STL model (then MeshInfo answers).
bool NamesStlModel(const std::vector<std::string>& args);

// tibrel-cli info MODEL.stl [--json]
int MeshInfo(const std::vector<std::string>& args);

// tibrel-cli prototype MODEL.stl [options] -o OUT.nc [--json]
int PrototypeCommand(const std::vector<std::string>& args);

}  // namespace tibrel::cli
