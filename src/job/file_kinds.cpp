#include "job/file_kinds.h"

#include <cctype>

#include "job/mesh_commands.h"
#include "job/open_gerber.h"

namespace tibrel {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

FileKind FileKindOf(const std::string& path, const std::string& postExtension) {
  if (IsStlPath(path)) return FileKind::Model;
  if (IsGerberPath(path)) return FileKind::Board;
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.find_first_of("/\\", dot) != std::string::npos) return FileKind::Unknown;
  const std::string ext = Lower(path.substr(dot + 1));
  if (ext == "dxf") return FileKind::Drawing;
  for (const char* known : {"dnc", "nc", "ngc", "tap", "cnc"})
    if (ext == known) return FileKind::NcProgram;
  if (!ext.empty() && ext == Lower(postExtension)) return FileKind::NcProgram;
  return FileKind::Unknown;
}

}  // namespace tibrel
