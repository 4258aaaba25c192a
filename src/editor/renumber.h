// Line numbers of an NC program: taken off and given anew with the post's
// line-number token, over the editor's list of lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "post/post.h"

namespace tibrel {

struct RenumberFields {
  int64_t Start = 100;
  int64_t Increment = 5;
  bool AddSpace = true;
};

// A typed field of the dialog: the digits only, empty 0; values past
// 999999999999 are held there.
int64_t DigitsField(std::string_view text);

// Takes the number off every line that begins with the address of the
// post's Nt token: the address, then blanks, points and digits, up to the
// first other character. A line with nothing after its number is kept.
void RemoveLineNumbers(std::vector<std::string>& lines, const TTBPostProcessor& post);

// Numbers every line that does not begin with the post's comment text:
// Start, then Increment more each line, back to Start past MaxBlock; the
// word is the Nt token's, a blank after it when AddSpace.
void AddLineNumbers(std::vector<std::string>& lines, const TTBPostProcessor& post, const RenumberFields& fields);

// Remove, then Add.
void RenumberLines(std::vector<std::string>& lines, const TTBPostProcessor& post, const RenumberFields& fields);

// The text cut into lines at "\n" (a "\r" before it dropped), and put
// together again with "\n" after every line.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace tibrel
