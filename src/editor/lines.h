// The lines of a program's text as the editor numbers them: cut at "\n",
// a "\r" before it dropped, no empty line after a final "\n".
#pragma once

#include <string_view>

namespace tibrel {

template <class F>
void ForEachLine(std::string_view text, F&& f) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    pos = eol + 1;
  }
}

}  // namespace tibrel
