#include "core/program_folder.h"

#include "core/files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tibrel {

namespace fs = std::filesystem;

std::string ProgramFolder() {
  std::error_code ec;
  if (const char* chosen = std::getenv("TIBREL_PROGRAM_FOLDER"); chosen && *chosen) {
    fs::create_directories(chosen, ec);
    return chosen;
  }
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

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

std::string ProgramFile(const std::string& name) { return (fs::path(ProgramFolder()) / name).string(); }

std::string ResourceFolder() {
  if (const char* chosen = std::getenv("TIBREL_RESOURCE_FOLDER"); chosen && *chosen) return chosen;
  std::error_code ec;
  const fs::path beside = fs::path(ExecutableFolder()) / "resources";
  if (fs::is_directory(beside, ec)) return beside.string();
  return (fs::path(ExecutableFolder()).parent_path() / "share" / "tibrel").string();
}

void InstallShippedSettings() {
  const fs::path from = ResourceFolder();
  const fs::path to = ProgramFolder();
  for (const char* name : {"Posts.cfg", "Options.cfg", "Profiles.DXF"}) {
    std::error_code ec;
    if (fs::exists(to / name, ec) || !fs::is_regular_file(from / name, ec)) continue;
    try {
      std::ifstream in(from / name, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      if (in && !fs::exists(to / name, ec)) WriteFileAtomically((to / name).string(), text.str());
    } catch (const std::exception&) {
    }
  }
}

}  // namespace tibrel
