// Meshes made in the tests (a half sphere, a pyramid, a stepped block) and
// STL writers for them, binary and ASCII, written here from the format's
// layout rather than with the reader's code.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "mesh/mesh.h"

namespace tibrel::testmesh {

struct Facet {
  float N[3] = {0, 0, 0};
  float V[3][3] = {};
};
using Facets = std::vector<Facet>;

inline Facet MakeFacet(double ax, double ay, double az, double bx, double by, double bz, double cx, double cy,
                       double cz) {
  Facet f;
  const double v[3][3] = {{ax, ay, az}, {bx, by, bz}, {cx, cy, cz}};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) f.V[i][k] = static_cast<float>(v[i][k]);
  const double ux = bx - ax, uy = by - ay, uz = bz - az, wx = cx - ax, wy = cy - ay, wz = cz - az;
  double n[3] = {uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int k = 0; k < 3; ++k) f.N[k] = len > 0 ? static_cast<float>(n[k] / len) : 0.0f;
  return f;
}

// A closed half sphere of radius r centred at (cx, cy, 0) on its flat base
// (z from 0 to r), with rings x sectors quads on the dome.
inline Facets HalfSphere(double r, double cx, double cy, int rings = 24, int sectors = 48) {
  Facets out;
  auto p = [&](int i, int j, double& x, double& y, double& z) {
    const double phi = std::numbers::pi / 2 * i / rings;  // 0 at the top
    const double th = 2 * std::numbers::pi * j / sectors;
    x = cx + r * std::sin(phi) * std::cos(th), y = cy + r * std::sin(phi) * std::sin(th), z = r * std::cos(phi);
  };
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < sectors; ++j) {
      double a[3], b[3], c[3], d[3];
      p(i, j, a[0], a[1], a[2]);
      p(i + 1, j, b[0], b[1], b[2]);
      p(i + 1, j + 1, c[0], c[1], c[2]);
      p(i, j + 1, d[0], d[1], d[2]);
      out.push_back(MakeFacet(a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]));
      if (i > 0) out.push_back(MakeFacet(a[0], a[1], a[2], c[0], c[1], c[2], d[0], d[1], d[2]));
    }
  for (int j = 0; j < sectors; ++j) {
    double b[3], c[3];
    p(rings, j, b[0], b[1], b[2]);
    p(rings, j + 1, c[0], c[1], c[2]);
    out.push_back(MakeFacet(cx, cy, 0, c[0], c[1], 0, b[0], b[1], 0));
  }
  return out;
}

// A square pyramid: base side s on z = 0 at (x0, y0), apex height h.
inline Facets Pyramid(double x0, double y0, double s, double h) {
  const double ax = x0 + s / 2, ay = y0 + s / 2;
  const double c[4][2] = {{x0, y0}, {x0 + s, y0}, {x0 + s, y0 + s}, {x0, y0 + s}};
  Facets out;
  for (int k = 0; k < 4; ++k) {
    const auto& p = c[k];
    const auto& q = c[(k + 1) % 4];
    out.push_back(MakeFacet(p[0], p[1], 0, q[0], q[1], 0, ax, ay, h));
  }
  out.push_back(MakeFacet(x0, y0, 0, x0 + s, y0 + s, 0, x0 + s, y0, 0));
  out.push_back(MakeFacet(x0, y0, 0, x0, y0 + s, 0, x0 + s, y0 + s, 0));
  return out;
}

// An axis-aligned box's twelve facets.
inline void Box(Facets& out, double x0, double y0, double z0, double x1, double y1, double z1) {
  const double v[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                          {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
  const int f[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                        {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}};
  for (const auto& t : f)
    out.push_back(MakeFacet(v[t[0]][0], v[t[0]][1], v[t[0]][2], v[t[1]][0], v[t[1]][1], v[t[1]][2], v[t[2]][0],
                            v[t[2]][1], v[t[2]][2]));
}

// Three blocks of rising height side by side along X: a stepped block.
inline Facets SteppedBlock() {
  Facets out;
  Box(out, 0, 0, 0, 10, 20, 4);
  Box(out, 10, 0, 0, 20, 20, 8);
  Box(out, 20, 0, 0, 30, 20, 12);
  return out;
}

inline void PutLittle(std::string& s, const void* p, size_t n) { s.append(static_cast<const char*>(p), n); }

inline std::string BinaryStl(const Facets& facets, const std::string& header = "binary from the tests",
                             int64_t count = -1) {
  std::string s(80, ' ');
  std::memcpy(s.data(), header.data(), std::min<size_t>(header.size(), 80));
  const auto n = static_cast<uint32_t>(count < 0 ? static_cast<int64_t>(facets.size()) : count);
  PutLittle(s, &n, 4);
  for (const auto& f : facets) {
    PutLittle(s, f.N, 12);
    PutLittle(s, f.V, 36);
    s.append(2, '\0');
  }
  return s;
}

// sep separates the words; upper writes the keywords in capitals.
inline std::string AsciiStl(const Facets& facets, const std::string& sep = " ", bool upper = false) {
  auto w = [&](const char* lower) {
    std::string t = lower;
    if (upper)
      for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
  };
  std::ostringstream o;
  o.precision(9);
  o << w("solid") << sep << "test\n";
  for (const auto& f : facets) {
    o << sep << w("facet") << sep << w("normal") << sep << f.N[0] << sep << f.N[1] << sep << f.N[2] << "\n";
    o << sep << sep << w("outer") << sep << w("loop") << "\n";
    for (const auto& v : f.V) o << sep << sep << sep << w("vertex") << sep << v[0] << sep << v[1] << sep << v[2] << "\n";
    o << sep << sep << w("endloop") << "\n" << sep << w("endfacet") << "\n";
  }
  o << w("endsolid") << sep << "test\n";
  return o.str();
}

}  // namespace tibrel::testmesh
