#include "core/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tibrel {

namespace fs = std::filesystem;

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path dir = exe.parent_path();
    if (access(dir.c_str(), W_OK) == 0) return dir.string();
  }
  fs::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".config";
  else base = fs::temp_directory_path(ec);
  const fs::path dir = base / "tibrel";
  fs::create_directories(dir, ec);
  return dir.string();
}

std::string ProgramFile(const std::string& name) { return (fs::path(ProgramFolder()) / name).string(); }

}  // namespace tibrel
