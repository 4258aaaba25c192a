// Post processors from any profile text. Every section either fails to load
// (leaving the post untouched), is refused by the post check and then by the
// writer too, or writes a small fixed job without fault: a program that
// starts with its comments and header (its units placeholder replaced by the
// word for the job's unit, which the comments then name), ends with its
// footer and a line end, and stays within a sane number of lines. The first
// line of the input, taken as a token format, gives a word of bounded length
// when the format check passes, and no number at all when it fails.
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "core/ini.h"
#include "core/numbers.h"
#include "fuzz_check.h"
#include "../sample_job.h"
#include "post/nc_writer.h"
#include "post/post.h"

namespace {

using namespace tibrel;

void Check(bool ok, const char* what, const std::string& detail = {}) {
  if (!ok) Violated(what, detail);
}

// The shared job, with a lifted path after the square so that the rule of
// the posts that mark the end of a path before a lift is reached.
const TTBOutRegionArray& SampleToolpaths() {
  static const TTBOutRegionArray list = [] {
    TTBOutRegionArray l = testing_job::SampleToolpaths();
    l.insert(l.begin() + 2, testing_job::Path(1, LinkLift, 1, -5, {MakeLine(20, 0, 25, 0)}));
    return l;
  }();
  return list;
}

const TTBMachiningParameters& SampleParameters() {
  static const TTBMachiningParameters p = testing_job::SampleParameters();
  return p;
}

// Everything a load may change, as text.
std::string PostState(const TTBPostProcessor& p) {
  std::string s = p.Name + '|' + p.Extension + '|' + p.ToolChange + '|' + p.Comment + '|' + p.EndComment + '|' +
                  std::to_string(p.DecimalCharacter) + std::to_string(p.Start) + ',' + std::to_string(p.Increment) +
                  ',' + std::to_string(p.IncludeComment) + std::to_string(p.MaxBlock) + '|';
  for (const auto& t : p.Tokens) s += TokenValue(t) + '|';
  for (const auto& sc : p.Scripts) s += ScriptValue(sc) + '|';
  for (const auto& sc : p.MiniPost.ToolScripts) s += ScriptValue(sc) + '|';
  s += p.UnitsInch + '|' + p.UnitsMillimetre + '|';
  for (const auto* lines : {&p.Header, &p.Footer, &p.MiniPost.ToolHeader, &p.MiniPost.ToolFooter}) {
    for (const auto& l : *lines) s += l + '\n';
    s += '|';
  }
  return s;
}

size_t LineCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// A width and a precision are at most 100, so the number itself never takes
// more than about 410 characters, even for 1e300 with "%100.100f".
constexpr size_t MaxNumberText = 410;

void CheckFormat(const std::string& format) {
  const double values[] = {0, -1.5, 1e300, std::nan("")};
  for (const char* address : {" X", "null"})
    for (const int32_t variable : {int32_t{VarNone}, int32_t{VarEx}, int32_t{VarNv}})
      for (const bool plus : {false, true}) {
        TTBToken token;
        token.Address = address;
        token.Variable = variable;
        token.Format = format;
        token.UsePlus = plus;
        const bool usable = TokenFormatProblem(token).empty();
        for (const double v : values) {
          const std::string word = FormatToken(token, v);
          const std::string detail = "format \"" + format + "\" address \"" + address + "\" variable " +
                                     std::to_string(variable) + " value " + std::to_string(v) + " word \"" + word +
                                     "\"";
          if (variable == VarNone) {
            Check(word == (token.Address == "null" ? "" : token.Address),
                  "a token without a variable does not give its address alone", detail);
          } else if (!usable || format.empty()) {
            Check(word.empty(), "a token without a usable format gives a word", detail);
          } else {
            Check(word.compare(0, token.Address.size(), token.Address) == 0,
                  "a usable format does not give the address first", detail);
            // A word without a digit ("X" alone) is not a number to a controller.
            Check(!std::isfinite(v) || word.find_first_of("0123456789", token.Address.size()) != std::string::npos,
                  "a usable format gives no digit for a number", detail);
            Check(word.size() <= token.Address.size() + 1 + format.size() + MaxNumberText,
                  "a usable format gives an overlong word", detail);
          }
        }
      }
}

void CheckPost(const IniFile& file, const std::string& name, Units units) {
  SetDecimalCharacter('.');
  TTBPostProcessor post;
  const std::string before = PostState(post);
  bool loaded = false;
  try {
    loaded = LoadPost(post, name, file);
  } catch (const PostError& e) {
    Check(PostState(post) == before, "a post that failed to load was changed", name + ": " + e.what());
    Check(DecimalCharacter() == '.', "a post that failed to load set the decimal character", name);
    return;
  }
  if (!loaded) {
    Check(PostState(post) == before, "a post that was not found was changed", name);
    return;
  }
  Check(DecimalCharacter() == (post.DecimalCharacter ? '.' : ','), "the decimal character is not the post's", name);

  const TTBMachiningParameters& params = SampleParameters();
  const std::vector<std::string> comments = NcCommentLines(post, params, "part (1).dxf", std::time_t{0}, units);
  for (const auto& c : comments) Check(c.find('\n') == std::string::npos, "a comment line breaks", c);
  // The time, the post, the two tools, and the unit when the post places its word.
  Check(comments.size() == 4u + (PostPlacesUnits(post) ? 1 : 0),
        "the comments name the unit when, and only when, the post places its word", name);
  const std::string problem = PostProblem(post);
  if (!problem.empty()) {
    bool refused = false;
    try {
      NcProgramText(SampleToolpaths(), comments, params, post, units);
    } catch (const PostError&) {
      refused = true;
    }
    Check(refused, "the writer took a post that the post check refuses", problem);
    return;
  }

  const std::string nc = NcProgramText(SampleToolpaths(), comments, params, post, units);
  const TTBPostProcessor placed = PostForUnits(post, units);
  Check(!nc.empty() && nc.back() == '\n', "the program does not end with a line end", name);
  const size_t lines = LineCount(nc);
  Check(lines < 10000, "the program of a small job is far too long", name + ": " + std::to_string(lines) + " lines");
  Check(lines >= post.Header.size() + post.Footer.size() + 1, "the program lacks lines", name);

  std::string head;
  if (post.IncludeComment)
    for (const auto& c : comments) head += c + '\n';
  for (const auto& h : placed.Header) head += h + '\n';
  Check(nc.compare(0, head.size(), head) == 0, "the program does not start with its comments and header", name);
  std::string foot;
  for (const auto& f : placed.Footer) foot += f + '\n';
  Check(nc.size() >= foot.size() && nc.compare(nc.size() - foot.size(), foot.size(), foot) == 0,
        "the program does not end with its footer", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetDecimalCharacter('.');
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string format = text.substr(0, text.find('\n'));
  while (!format.empty() && format.back() == '\r') format.pop_back();
  CheckFormat(format);

  const IniFile file = IniFile::Parse(text);
  // Both units, as the input's length chooses.
  const Units units = size % 2 ? Units::Inch : Units::Millimetre;
  for (const auto& name : file.Sections()) CheckPost(file, name, units);
  return 0;
}
