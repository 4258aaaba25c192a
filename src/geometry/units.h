// The unit a drawing's numbers are in. Coordinates are never scaled: the
// unit only says what the numbers mean, to the machine controller (the
// post's units word, G20 or G21) and to other programs (a DXF's $INSUNITS).
#pragma once

#include <cctype>
#include <optional>
#include <string_view>

namespace tibrel {

enum class Units : int { Millimetre = 0, Inch = 1 };

// "mm" or "inch": the names Options.cfg, the command line, the reports and
// the NC comment use.
constexpr const char* UnitsName(Units u) { return u == Units::Inch ? "inch" : "mm"; }

// "mm" or "inch" in any letter case; nothing for any other text.
inline std::optional<Units> ParseUnits(std::string_view text) {
  auto is = [&](std::string_view name) {
    if (text.size() != name.size()) return false;
    for (size_t k = 0; k < name.size(); ++k)
      if (std::tolower(static_cast<unsigned char>(text[k])) != name[k]) return false;
    return true;
  };
  if (is("mm")) return Units::Millimetre;
  if (is("inch")) return Units::Inch;
  return std::nullopt;
}

}  // namespace tibrel
