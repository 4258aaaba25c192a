// The NC program of the editor pane, on the job: Open NC reads a file's
// moves into the job's NC path through the current post.
#pragma once

#include <string>
#include <string_view>

#include "editor/nc_path.h"
#include "job/job.h"

namespace tibrel {

struct NcOpenResult {
  bool Loaded = false;
  std::string Error;  // the platform's message when the file cannot be read
  std::string Text;   // the file as read
  NcExtents Extents;
};

// The whole file as bytes; false with the platform's message when it cannot
// be read.
bool ReadNcFile(const std::string& path, std::string& text, std::string& error);

// Parses text through job.CurrentPost into job.NcProgram (replacing it)
// with the roughing toolpath colour as the path colour; returns the
// path's extents.
NcExtents LoadNcProgram(Job& job, std::string_view text);

// Reads and loads a file; a file that cannot be read leaves the job as it
// was.
NcOpenResult OpenNcProgram(Job& job, const std::string& path);

}  // namespace tibrel
