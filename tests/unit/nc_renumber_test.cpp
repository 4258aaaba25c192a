// Renumbering the editor's lines and the Run window's stepping.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/numbers.h"
#include "editor/gcode_syntax.h"
#include "editor/renumber.h"
#include "editor/run_state.h"

namespace tibrel {
namespace {

TTBPostProcessor NumberingPost(const char* address = "N", int32_t maxBlock = 99999) {
  TTBPostProcessor p;
  p.Name = "Numbers";
  p.Tokens[TokenNt] = {address, VarNv, "%d", false};
  p.Comment = "(";
  p.MaxBlock = maxBlock;
  return p;
}

// What the random renumbering below cannot reach: numbers wrapping past
// the post's largest block, Add over numbers already there, Remove alone,
// and a post without a number address.
TEST(Renumbering, WrapsAddsOverAndRemoves) {
  SetDecimalCharacter('.');
  struct Case {
    const char* address;
    std::vector<std::string> lines;
    int32_t maxBlock;
    bool add;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"N", {"A", "B", "C", "D"}, 20, true, {"N10 A", "N20 B", "N10 C", "N20 D"}},
      {"N", {"N5 G00"}, 99999, true, {"N10 N5 G00"}},
      {"N", {"N0010 G00X0", "N0010", "N100  ", "G01 N5", "N1.5 X1"}, 99999, false,
       {"G00X0", "N0010", "N100  ", "G01 N5", "X1"}},
      {"", {"N10 G00", "G01"}, 99999, false, {"N10 G00", "G01"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = c.lines;
    const TTBPostProcessor post = NumberingPost(c.address, c.maxBlock);
    if (c.add) AddLineNumbers(lines, post, {10, 10, true});
    else RemoveLineNumbers(lines, post);
    EXPECT_EQ(lines, c.expected);
  }
}

TEST(Renumbering, FieldsKeepTheirDigits) {
  EXPECT_EQ(DigitsField("1a0"), 10);
  EXPECT_EQ(DigitsField(""), 0);
  EXPECT_EQ(DigitsField("99999999999999999999"), 999999999999);
}

// Whatever the program, renumbering keeps every character of every line
// but its old number: each numbered line is a new number word, the blank,
// and the line as it was with only its old number word taken off.
TEST(Renumbering, KeepsEveryOtherCharacter) {
  SetDecimalCharacter('.');
  std::mt19937 rng(17);
  const std::string alphabet = "NG0123456789 .XYZ(-)%\t;nx";
  const TTBPostProcessor post = NumberingPost();
  size_t numbered = 0;
  for (int round = 0; round < 500; ++round) {
    std::vector<std::string> lines(1 + rng() % 8);
    for (auto& l : lines)
      for (size_t n = rng() % 12; n > 0; --n) l += alphabet[rng() % alphabet.size()];
    const bool space = round % 2 == 0;
    std::vector<std::string> renumbered = lines;
    RenumberLines(renumbered, post, {7, 3, space});
    ASSERT_EQ(renumbered.size(), lines.size());
    int64_t n = 7;
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string rest = lines[i];
      if (rest.rfind("N", 0) == 0) {
        const size_t k = rest.find_first_not_of(" .0123456789", 1);
        if (k != std::string::npos) rest.erase(0, k);
      }
      // A comment line, also one that is a comment once its number is off,
      // gets no number.
      if (rest.rfind("(", 0) == 0) {
        EXPECT_EQ(renumbered[i], rest);
        continue;
      }
      EXPECT_EQ(renumbered[i], "N" + std::to_string(n) + (space ? " " : "") + rest) << "line \"" << lines[i] << "\"";
      n += 3;
      ++numbered;
    }
  }
  EXPECT_GT(numbered, 1000u);
}

TEST(Renumbering, SplitAndJoinKeepTheLines) {
  EXPECT_EQ(SplitLines("A\r\nB\n\nC"), (std::vector<std::string>{"A", "B", "", "C"}));
  EXPECT_EQ(JoinLines({"A", "", "C"}), "A\n\nC\n");
}

// --- the Run window ---

NcPath Path() {
  TTBPostProcessor p;
  p.Name = "Run";
  for (auto& t : p.Tokens) t = {"null", 0, "", false};
  p.Tokens[TokenXt] = {"X", VarEx, "%.4f", false};
  p.Tokens[TokenTt] = {"T", VarTn, "%d", false};
  p.Scripts[0].Command = "G01", p.Scripts[2].Command = "G00";
  SetDecimalCharacter('.');
  // Records: 1 rapid (line 0), 2 feed (1), 3 tool (2), 4 rapid (3),
  // 5..15 feeds (4..14).
  std::string text = "G00 X1\nG01 X2\nT2 M06\nG00 X3\nG01";
  for (int i = 0; i < 11; ++i) text += " X" + std::to_string(4 + i) + "\n";
  return ParseNcProgram(text, p);
}

TEST(RunWindow, StepsThroughThePath) {
  const NcPath path = Path();
  ASSERT_EQ(NcHigh(path), 15);
  NcRunState s;
  auto shown = [&] { return std::pair(ShownRange(s, path).First, ShownRange(s, path).Last); };
  RunAll(s, path);
  EXPECT_EQ(shown(), std::pair(1, 15));
  RunClear(s, path);
  EXPECT_GT(shown().first, shown().second) << "nothing drawn";
  EXPECT_EQ(RunNext(s, path).SelectRecord, 1);
  EXPECT_EQ(shown(), std::pair(1, 1));
  const NcStep tool = RunToTool(s, path);
  EXPECT_EQ(tool.SelectRecord, 3);
  EXPECT_EQ(path[static_cast<size_t>(tool.SelectRecord)].Line, 2);
  EXPECT_EQ(RunToRapid(s, path).SelectRecord, 4);
  EXPECT_EQ(shown().first, 4);
  EXPECT_EQ(RunNext10(s, path).SelectRecord, 14);
  EXPECT_EQ(shown().first, 5);
  EXPECT_FALSE(RunNext10(s, path).Redraw) << "fewer than ten left";
  EXPECT_FALSE(RunToRapid(s, path).Redraw);
  EXPECT_EQ(RunNext(s, path).SelectRecord, 15);
  EXPECT_FALSE(RunNext(s, path).Redraw) << "Next after the last record does nothing";
  EXPECT_EQ(shown().second, 15);

  RunAll(s, path);
  EXPECT_EQ(RunToCursor(s, path, 2).SelectRecord, 3);
  EXPECT_EQ(shown(), std::pair(1, 3));
  RunFromCursor(s, path, 3);
  EXPECT_EQ(shown(), std::pair(4, 15));
  EXPECT_FALSE(RunToCursor(s, path, 99).Redraw);
  // Clear after everything was drawn starts again at the beginning.
  RunAll(s, path);
  RunClear(s, path);
  EXPECT_EQ(RunNext(s, path).SelectRecord, 1);
}

TEST(RunWindow, EmptyPathDoesNothing) {
  const NcPath empty(1);
  NcRunState s;
  RunAll(s, empty);
  EXPECT_FALSE(RunNext(s, empty).Redraw);
  EXPECT_FALSE(RunToTool(s, empty).Redraw);
  EXPECT_GT(ShownRange(s, empty).First, ShownRange(s, empty).Last);
}

}  // namespace
}  // namespace tibrel
