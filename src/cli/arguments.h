// Reading the command line's arguments.
#pragma once

#include <string>
#include <vector>

namespace tibrel::cli {

// Numbers separated by commas; false when any is not a number.
bool ParseNumbers(const std::string& text, std::vector<double>& out);

}  // namespace tibrel::cli
