// The command line's NC program commands.
#pragma once

#include <string>
#include <vector>

namespace tibrel::cli {

// nc PROGRAM [--post NAME] [--json]: the counts, tool changes and extents
// of the program as the editor pane reads it.
int NcInfo(const std::vector<std::string>& args);
// renumber PROGRAM [--start N] [--increment N] [--no-space] [--remove]
// [--post NAME] -o OUT: the renumber dialog's ReNumber (or Remove).
int Renumber(const std::vector<std::string>& args);
// Whether render's drawing argument is an NC program (anything but .dxf).
bool IsNcRender(const std::vector<std::string>& args);
// render PROGRAM -o OUT.png [--view 2d|3d] [--size WxH] [--post NAME]: the
// backplot (3D unless --view 2d).
int RenderNc(const std::vector<std::string>& args);

}  // namespace tibrel::cli
