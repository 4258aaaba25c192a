#include "core/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tibrel {

namespace {
char decimalChar = '.';
}

char DecimalCharacter() { return decimalChar; }
void SetDecimalCharacter(char c) { decimalChar = c; }

bool TextToFloat(std::string_view text, double& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  std::string s(text);
  for (auto& c : s) {
    if (c == decimalChar) c = '.';
    else if (c == '.') return false;  // the point is not the decimal character now
  }
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && p == s.data() + s.size() && std::isfinite(out);
}

double ToNumber(std::string_view text) {
  std::string kept;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == decimalChar || c == 'E' || c == 'e' || c == '+' || c == '-') kept += c;
  double v = 0;
  if (kept.empty() || kept == "-" || !TextToFloat(kept, v)) return 0;
  return v;
}

std::string FormatNumber(const char* format, double v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, v);
  std::string s(buf);
  if (decimalChar != '.')
    for (auto& c : s)
      if (c == '.') c = decimalChar;
  return s;
}

}  // namespace tibrel
