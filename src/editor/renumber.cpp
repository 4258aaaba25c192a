#include "editor/renumber.h"

#include "editor/lines.h"

namespace tibrel {

int64_t DigitsField(std::string_view text) {
  int64_t n = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') continue;
    n = n * 10 + (c - '0');
    if (n > 999999999999) n = 999999999999;
  }
  return n;
}

void RemoveLineNumbers(std::vector<std::string>& lines, const TTBPostProcessor& post) {
  const std::string& address = post.Tokens[TokenNt].Address;
  if (address.empty()) return;
  for (std::string& line : lines) {
    if (line.compare(0, address.size(), address) != 0) continue;
    const size_t rest = line.find_first_not_of(" .0123456789", address.size());
    if (rest != std::string::npos) line.erase(0, rest);
  }
}

void AddLineNumbers(std::vector<std::string>& lines, const TTBPostProcessor& post, const RenumberFields& fields) {
  const TokenFormatter word(post.Tokens[TokenNt]);
  const std::string& comment = post.Comment;
  int64_t n = fields.Start - fields.Increment;
  std::string out;
  for (std::string& line : lines) {
    if (!comment.empty() && line.compare(0, comment.size(), comment) == 0) continue;
    n += fields.Increment;
    if (n > post.MaxBlock) n = fields.Start;
    out.clear();
    word.Append(out, static_cast<double>(n));
    if (fields.AddSpace) out += ' ';
    out += line;
    line.swap(out);
  }
}

void RenumberLines(std::vector<std::string>& lines, const TTBPostProcessor& post, const RenumberFields& fields) {
  RemoveLineNumbers(lines, post);
  AddLineNumbers(lines, post, fields);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&](std::string_view l) { lines.emplace_back(l); });
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + '\n';
  return s;
}

}  // namespace tibrel
