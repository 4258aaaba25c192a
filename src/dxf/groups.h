// The raw (code, value) pairs of one entity, for entities whose groups repeat
// (the knots and points of a SPLINE) or whose missing groups do not read as
// 0 (the scales of an INSERT). Values are views into the text being read and
// live as long as it does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tibrel {

struct DxfGroup {
  int Code = 0;
  std::string_view Value;
  long Line = 0;  // the line of the value, for messages
};

using DxfGroups = std::vector<DxfGroup>;

// The value as a number, as every entity reads it. A value that does not
// convert raises DXF_read_exception with "Invalid Floating point conversion"
// (or "Invalid Integer conversion") at the group's line.
double GroupReal(const DxfGroup& g);
long GroupInteger(const DxfGroup& g);

// The conversions the reader uses for every value: DXF numbers always use
// the point; values that are not finite are refused; integers are 32-bit.
bool ParseDxfReal(std::string_view text, double& out);
bool ParseDxfInteger(std::string_view text, long& out);
// A value without the white space around it.
std::string_view TrimGroupValue(std::string_view text);
// A layer name as the reader keeps it: trimmed, upper case.
std::string DxfLayerName(std::string_view text);

// The layer (group 8) of an entity's groups; empty when it has none.
std::string GroupLayer(const DxfGroups& groups);

}  // namespace tibrel
