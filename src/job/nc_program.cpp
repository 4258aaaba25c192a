#include "job/nc_program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "editor/gcode_syntax.h"

namespace tibrel {

bool ReadNcFile(const std::string& path, std::string& text, std::string& error) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    error = "Cannot open file \"" + path + "\". " + std::strerror(errno ? errno : ENOENT);
    return false;
  }
  std::string out;
  char buf[1 << 16];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f.get())) > 0;) out.append(buf, n);
  if (std::ferror(f.get())) {
    error = "Cannot read file \"" + path + "\". " + std::strerror(errno ? errno : EIO);
    return false;
  }
  text.swap(out);
  return true;
}

NcExtents LoadNcProgram(Job& job, std::string_view text) {
  job.NcProgram = ParseNcProgram(text, job.CurrentPost, job.MachiningParameters.Rough.PathColour);
  return PathExtents(job.NcProgram);
}

NcOpenResult OpenNcProgram(Job& job, const std::string& path) {
  NcOpenResult r;
  if (!ReadNcFile(path, r.Text, r.Error)) return r;
  r.Extents = LoadNcProgram(job, r.Text);
  r.Loaded = true;
  return r;
}

}  // namespace tibrel
