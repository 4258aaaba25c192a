#include "cli/arguments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

}  // namespace tibrel::cli
