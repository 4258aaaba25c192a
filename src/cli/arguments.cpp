#include "cli/arguments.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>

#include "core/program_folder.h"
#include "post/post.h"

namespace tibrel::cli {

bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t comma = std::min(text.find(',', pos), text.size());
    const std::string part = text.substr(pos, comma - pos);
    char* end = nullptr;
    const double v = std::strtod(part.c_str(), &end);
    if (part.empty() || *end != '\0' || !std::isfinite(v)) return false;
    out.push_back(v);
    pos = comma + 1;
  }
  return true;
}

bool FieldsFromArguments(OperationDialog dialog, const std::string& config, const std::vector<std::string>& sets,
                         ConfigurationFields& fields) {
  fields = DefaultConfigurationFields(dialog);
  try {
    LoadConfigurationFile(ProgramFile("Configurations.cfg"), config, dialog, fields);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return false;
  }
  const auto& keys = ConfigurationKeys(dialog);
  for (const auto& kv : sets) {
    const size_t eq = kv.find('=');
    const std::string key = kv.substr(0, eq);
    if (eq == std::string::npos ||
        std::none_of(keys.begin(), keys.end(), [&](const ConfigurationKey& k) { return key == k.Key; })) {
      std::cerr << "unknown field: " << kv << "\n";
      return false;
    }
    fields[key] = kv.substr(eq + 1);
  }
  return true;
}

bool LoadChosenPost(Job& job, const std::string& postName, const std::string& postsFile) {
  if (postName.empty() && postsFile.empty()) return true;
  const std::string name = postName.empty() ? job.Options.Post : postName;
  try {
    if (LoadPost(job.CurrentPost, name, postsFile.empty() ? ProgramFile("Posts.cfg") : postsFile)) return true;
    std::cerr << "Post Processor " << name << " not found!\n";
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
  }
  return false;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  int w = 0, h = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &end) != 2 || w < 1 || h < 1 || w > 16384 || h > 16384)
    return false;
  width = w, height = h;
  return true;
}

}  // namespace tibrel::cli
