// The reference files beside the fixtures (tests/data/*.ref): another
// library's reading of a fixture, one item a line, a word naming the item
// and then numbers. Lines starting with '#' are comments.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tibrel::testing_reference {

struct Item {
  std::string Kind;
  std::vector<double> Values;
};

inline std::vector<Item> ReadReference(const std::string& path) {
  std::ifstream in(path);
  std::vector<Item> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    Item item;
    words >> item.Kind;
    double v;
    while (words >> v) item.Values.push_back(v);
    out.push_back(std::move(item));
  }
  return out;
}

}  // namespace tibrel::testing_reference
