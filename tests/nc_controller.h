// An independent reading of NC programs: a small model of a controller that
// knows the words the shipped posts write. It gives the moves it would make,
// every G and M word it read, and the unit (G20 inch, G21 millimetre) that
// was in force at its first move. Shared by the NC writer's and the units
// tests.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tibrel::testing_nc {

struct Motion {
  int mode;  // 0 rapid, 1 feed, 2 cw, 3 ccw, 81 drill
  double x0, y0, z0, x1, y1, z1, i, j, feed;
};

struct Controller {
  std::vector<Motion> moves;
  std::vector<std::string> codes;  // every G and M word, as read
  double x = NAN, y = NAN, z = NAN, f = 0, cycleZ = NAN;
  int mode = -1;
  int units = 0;             // 20 or 21 once a unit word was read
  int unitsAtFirstMove = 0;  // the unit the first move was made in
};

inline Controller Simulate(const std::string& program) {
  Controller c;
  std::istringstream in(program);
  for (std::string line; std::getline(in, line);) {
    // Comments out, then words: a letter and a number.
    for (size_t a; (a = line.find('(')) != std::string::npos;) line.erase(a, line.find(')', a) - a + 1);
    std::map<char, double> w;
    std::vector<std::pair<char, std::string>> words;
    for (size_t k = 0; k < line.size();) {
      if (line[k] == ' ') {
        ++k;
        continue;
      }
      const char letter = line[k++];
      size_t e = k;
      while (e < line.size() && (std::isdigit(static_cast<unsigned char>(line[e])) || line[e] == '.' || line[e] == '-' || line[e] == '+')) ++e;
      EXPECT_GT(e, k) << "a word without a number in: " << line;
      words.push_back({letter, line.substr(k, e - k)});
      k = e;
    }
    bool motion = false, g53 = false;
    for (const auto& [letter, num] : words) {
      const double v = std::strtod(num.c_str(), nullptr);
      if (letter == 'G' || letter == 'M') c.codes.push_back(letter + std::to_string(static_cast<int>(v)));
      if (letter == 'G' && (v == 0 || v == 1 || v == 2 || v == 3 || v == 81)) c.mode = static_cast<int>(v), motion = true;
      else if (letter == 'G' && v == 53) g53 = true;
      else if (letter == 'G' && v == 80) c.mode = -1;
      else if (letter == 'G' && (v == 20 || v == 21)) c.units = static_cast<int>(v);
      else w[letter] = v;
    }
    if (w.count('F')) c.f = w['F'];
    const bool axes = w.count('X') || w.count('Y') || w.count('Z');
    if (g53 || !(axes || w.count('I') || w.count('J')) || c.mode < 0) continue;
    (void)motion;
    // A drill cycle keeps its depth from line to line.
    if (c.mode == 81 && w.count('Z')) c.cycleZ = w['Z'];
    Motion m{c.mode, c.x, c.y, c.z, w.count('X') ? w['X'] : c.x, w.count('Y') ? w['Y'] : c.y,
             c.mode == 81 ? c.cycleZ : w.count('Z') ? w['Z'] : c.z, w.count('I') ? w['I'] : 0,
             w.count('J') ? w['J'] : 0, c.f};
    if (c.moves.empty()) c.unitsAtFirstMove = c.units;
    c.moves.push_back(m);
    c.x = m.x1, c.y = m.y1;
    if (c.mode != 81) c.z = m.z1;
  }
  return c;
}

}  // namespace tibrel::testing_nc
