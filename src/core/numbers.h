// Conversions between numbers and text with the process-wide decimal
// character (set when a post processor is loaded: the point, or the comma).
#pragma once

#include <string>
#include <string_view>

namespace tibrel {

char DecimalCharacter();
void SetDecimalCharacter(char c);

// Strict conversion: the whole trimmed text must be a finite number written
// with the decimal character.
bool TextToFloat(std::string_view text, double& out);

// Lenient conversion of a typed field: every character other than digits,
// the decimal character, "E", "e", "+" and "-" is dropped; an empty result or
// a lone "-" is 0, and so is anything that still is not a number.
double ToNumber(std::string_view text);

// printf-style formatting of one number, with the decimal character.
std::string FormatNumber(const char* format, double v);

}  // namespace tibrel
