// A minimal JSON writer for the command line's reports.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace tibrel::cli {

std::string JsonString(std::string_view s);
// Shortest text that reads back to the same double; non-finite values as null.
std::string JsonNumber(double v);

}  // namespace tibrel::cli
