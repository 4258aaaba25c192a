// Builds DXF text for tests from (code, value) pairs.
#pragma once

#include <initializer_list>
#include <vector>
#include <string>
#include <utility>

#include "dxf/entities.h"

namespace tibrel::testing_dxf {

using Groups = std::initializer_list<std::pair<int, std::string>>;

inline std::string G(Groups groups) {
  std::string s;
  for (const auto& [code, value] : groups) s += std::to_string(code) + "\n" + value + "\n";
  return s;
}

// An ENTITIES section holding the given entity text, and the end of file.
inline std::string Entities(const std::string& body) {
  return G({{0, "SECTION"}, {2, "ENTITIES"}}) + body + G({{0, "ENDSEC"}, {0, "EOF"}});
}

inline std::string Line(double x1, double y1, double x2, double y2, const std::string& layer = "0") {
  return G({{0, "LINE"}, {8, layer}, {10, std::to_string(x1)}, {20, std::to_string(y1)}, {11, std::to_string(x2)},
            {21, std::to_string(y2)}});
}

// Every entity of type T in a drawing that was read, layer by layer.
template <class T>
std::vector<const T*> All(const DXF_Object& d) {
  std::vector<const T*> out;
  for (const auto& layer : d.Layers)
    for (const auto& list : layer->Lists)
      for (const auto& e : list->Entities)
        if (auto* t = dynamic_cast<const T*>(e.get())) out.push_back(t);
  return out;
}

}  // namespace tibrel::testing_dxf
