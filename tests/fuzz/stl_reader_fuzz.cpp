// libFuzzer target for the STL readers (ReadStl, binary and ASCII).
//
// Properties checked on every input:
//  - ReadStl returns or throws StlError; anything else is a fault;
//  - a failed or empty read leaves the mesh as it was;
//  - a binary read gives exactly the complete 50-byte records after the head;
//  - every vertex is finite, every triangle's vertices are in ascending Z
//    and its ZMin and ZMax are theirs;
//  - the same input with the ASCII words separated by tabs instead of
//    spaces reads to the same triangles (or the same error).
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "mesh/mesh.h"
#include "mesh/stl_reader.h"

namespace {

using namespace tibrel;

struct Outcome {
  bool threw = false;
  std::string error;
  StlReadResult result;
  TTBTriangleArray mesh;
};

Outcome Read(std::string_view bytes) {
  Outcome o;
  o.mesh.push_back(TTBTriangle{});  // a sentinel: must survive a failed read
  try {
    o.result = ReadStl(bytes, o.mesh, PassControl{});
  } catch (const StlError& e) {
    o.threw = true;
    o.error = e.what();
  }
  return o;
}

bool Same(const TTBTriangleArray& a, const TTBTriangleArray& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(a[i].V, b[i].V, sizeof a[i].V) != 0) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Outcome o = Read(bytes);
  if (o.threw || o.result.Triangles == 0) {
    if (o.mesh.size() != 1) Violated("a failed read changed the mesh");
  } else {
    if (o.mesh.size() != o.result.Triangles) Violated("triangle count differs from the mesh");
    if (o.result.Binary && o.mesh.size() != (size - 84) / 50) Violated("binary read lost complete records");
    for (const auto& t : o.mesh) {
      if (t.V[0].Z > t.V[1].Z || t.V[1].Z > t.V[2].Z) Violated("vertices not in ascending Z");
      for (const auto& v : t.V)
        if (!std::isfinite(v.X) || !std::isfinite(v.Y) || !std::isfinite(v.Z)) Violated("a vertex is not finite");
      if (t.ZMin != t.V[0].Z || t.ZMax != t.V[2].Z) Violated("ZMin or ZMax not the vertices' own");
    }
  }
  if (!o.result.Binary && !o.threw && size < 100000) {
    std::string tabs(bytes);
    for (auto& c : tabs)
      if (c == ' ') c = '\t';
    const Outcome t = Read(tabs);
    if (!t.result.Binary && !t.threw && t.result.Triangles != o.result.Triangles)
      Violated("tabs and spaces read differently");
    if (!t.result.Binary && !t.threw && o.result.Triangles && !Same(t.mesh, o.mesh))
      Violated("tabs and spaces give other triangles");
  }
  return 0;
}
