// Group values read as numbers give exactly what std::from_chars gives (after
// the reader's own trimming and '+' rule), whichever way they are parsed:
// random decimals of every length around the plain fast path's limits, and
// texts made to fall out of it.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "dxf/groups.h"

namespace tibrel {
namespace {

// The rule the reader states: trimmed, a leading '+' dropped, the whole rest
// a finite number.
bool LibraryReal(std::string t, double& out) {
  while (!t.empty() && std::strchr(" \t\r\n\v\f", t.front())) t.erase(0, 1);
  while (!t.empty() && std::strchr(" \t\r\n\v\f", t.back())) t.pop_back();
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  if (t.empty()) return false;
  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && p == t.data() + t.size() && std::isfinite(out);
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string RandomDecimal(std::mt19937_64& rng) {
  std::string t;
  if (rng() % 2) t += '-';
  const int digits = 1 + static_cast<int>(rng() % 19);
  const int point = static_cast<int>(rng() % (digits + 2)) - 1;  // -1: no point
  for (int k = 0; k < digits; ++k) {
    if (k == point) t += '.';
    t += static_cast<char>('0' + rng() % 10);
  }
  if (point == digits) t += '.';
  return t;
}

TEST(DxfNumbers, RealsMatchTheLibrary) {
  std::mt19937_64 rng(11);
  int checked = 0;
  auto check = [&](const std::string& t) {
    double want = 0, got = 0;
    const bool ok = LibraryReal(t, want);
    ASSERT_EQ(ParseDxfReal(t, got), ok) << '"' << t << '"';
    if (ok) {
      ASSERT_TRUE(SameBits(got, want)) << '"' << t << "\" gave " << got << ", not " << want;
    }
    ++checked;
  };
  for (int k = 0; k < 200000; ++k) check(RandomDecimal(rng));
  for (const char* t : {"0", "-0", "-0.000000", "0.", ".5", "-.5", "5.", ".", "-", "", " ", "+1.5", "+-1", "1e5",
                        "1.5E-3", "  12.25  ", "1..2", "1.2.3", "--1", "0x10", "nan", "inf", "1e400",
                        "999999999999999", "9999999999999999", "0.000000000000001", "123456789012345.",
                        "9007199254740993", "4503599627370497.5", "0.1", "0.30000000000000004", "1 2"})
    check(t);
  EXPECT_GT(checked, 200000);
}

TEST(DxfNumbers, IntegersMatchTheLibrary) {
  for (const char* t : {"0", "10", "  10", "999999999", "2147483647", "2147483648", "-5", "+5", "+-5", "-0",
                        "007", "1.0", "", " ", "12a", "99999999999"}) {
    std::string s = t;
    while (!s.empty() && s.front() == ' ') s.erase(0, 1);
    if (!s.empty() && s.front() == '+') s.erase(0, 1);
    int32_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    const bool ok = !s.empty() && ec == std::errc() && p == s.data() + s.size();
    long got = 0;
    ASSERT_EQ(ParseDxfInteger(t, got), ok) << '"' << t << '"';
    if (ok) {
      EXPECT_EQ(got, v) << '"' << t << '"';
    }
  }
}

}  // namespace
}  // namespace tibrel
