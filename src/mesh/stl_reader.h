// STL files, binary and ASCII, into a triangle mesh. The readers take the
// file's bytes; a path-taking wrapper reads the file first.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/progress.h"
#include "mesh/mesh.h"

namespace tibrel {

// A file that cannot be read as STL; the message is the user's.
class StlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Binary when the size is exactly 84 + 50 x the header's count (many
// binary files begin with "solid"); otherwise ASCII when the text begins
// with "solid" and holds a "facet" or "vertex" word, in any letter case;
// otherwise binary.
bool IsBinaryStl(std::string_view bytes);

// The 50-byte records after the 84-byte head, whatever the count says; an
// incomplete last record is dropped. A vertex that is not a finite number
// within 1e9 of the origin throws StlError naming its triangle. True when at least one triangle was
// read; false also when cancelled (the mesh is then empty).
bool ReadBinaryStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control);

// The facets of an ASCII file: words are separated by any run of spaces and
// tabs, keywords match in any letter case. A vertex line that is missing or
// a word that is not a number (or lies beyond 1e9) throws StlError naming
// the line; the mesh is
// then left as it was. True when at least one facet was read.
bool ReadAsciiStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control);

struct StlReadResult {
  bool Binary = false;
  bool Cancelled = false;
  size_t Triangles = 0;
};

// Detects the format and reads into mesh, which changes only when the read
// succeeds. Throws StlError for a malformed ASCII file.
StlReadResult ReadStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control);

}  // namespace tibrel
