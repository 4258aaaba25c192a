// Text as the characters a face is asked for.
#pragma once

#include <string>
#include <string_view>

namespace tibrel {

// The characters of UTF-8 text. A byte that does not start a valid UTF-8
// sequence stands for itself (Latin-1), so text in the old 8-bit code
// pages of drawings still reads.
std::u32string DecodeText(std::string_view text);

}  // namespace tibrel
