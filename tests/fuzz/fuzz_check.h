// What every fuzz target does when a property fails: say which, and abort so
// that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void Violated(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "\n*** property violated: %s\n%s\n", what, detail.c_str());
  std::fflush(stderr);
  std::abort();
}
