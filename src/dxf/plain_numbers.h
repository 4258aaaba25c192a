// Fast paths for the numbers DXF files are mostly made of. Each takes only
// the texts it is sure of, answering exactly what std::from_chars answers;
// for anything else it returns false and the caller parses the general way.
#pragma once

#include <cstdint>
#include <string_view>

namespace tibrel {

// An optional '-', then 1 to 15 digits with at most one point among or after
// them ("-12.500000", "3", "7."). The digits make an integer below 2^53 and
// the divisor is a power of ten below 10^16, both exact in a double, so the
// one division rounds to the nearest double as from_chars does.
inline bool ParsePlainDecimal(std::string_view t, double& out) {
  static constexpr double Pow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = t.data();
  const char* const end = p + t.size();
  const bool negative = p != end && *p == '-';
  if (negative) ++p;
  uint64_t mantissa = 0;
  int digits = 0, fraction = -1;  // fraction: digits after the point, -1 before it
  for (; p != end; ++p) {
    const unsigned d = static_cast<unsigned>(*p - '0');
    if (d <= 9) {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + d;
      if (fraction >= 0) ++fraction;
    } else if (*p == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  double v = static_cast<double>(mantissa);
  if (fraction > 0) v /= Pow10[fraction];
  out = negative ? -v : v;
  return true;
}

// 1 to 9 digits, no sign.
inline bool ParseSmallInteger(std::string_view t, long& out) {
  if (t.empty() || t.size() > 9) return false;
  long v = 0;
  for (const char c : t) {
    const unsigned d = static_cast<unsigned>(c - '0');
    if (d > 9) return false;
    v = v * 10 + static_cast<long>(d);
  }
  out = v;
  return true;
}

}  // namespace tibrel
