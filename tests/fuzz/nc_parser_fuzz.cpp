// NC programs from arbitrary bytes through the editor's colourer, its parse
// mode, renumbering and the Run window's steps. The first byte chooses the
// post: its arc format (incremental centre, radius, absolute centre), a
// one-character comment, the tool address (a T word or an axis letter).
// Tokens cover every line exactly; the path holds no more records than the
// lines can make, each naming a line of the program; arcs run
// counter-clockwise from their start angle to at most a turn past it; the
// extents, run time, renumbering and stepping stay in range.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/numbers.h"
#include "editor/gcode_syntax.h"
#include "editor/nc_path.h"
#include "editor/renumber.h"
#include "editor/run_state.h"
#include "fuzz_check.h"

namespace {

using namespace tibrel;

void Check(bool ok, const char* what, const std::string& detail = {}) {
  if (!ok) Violated(what, detail);
}

TTBPostProcessor FuzzPost(uint8_t choice) {
  TTBPostProcessor p;
  p.Name = "Fuzz";
  for (auto& t : p.Tokens) t = {"null", 0, "", false};
  const auto token = [&](int t, int32_t var, const char* address) { p.Tokens[t] = {address, var, "%.4f", false}; };
  token(TokenXt, VarEx, " X"), token(TokenYt, VarEy, " Y"), token(TokenZt, VarEz, " Z");
  token(TokenIt, VarIi, " I"), token(TokenJt, VarJi, " J"), token(TokenRt, VarRad, " R");
  token(TokenCt, VarCv, " R"), token(TokenMisc1t, VarCx, "P"), token(TokenMisc2t, VarCy, "Q");
  p.Tokens[TokenNt] = {"N", VarNv, "%d", false};
  token(TokenTt, VarTn, (choice / 6) % 2 ? "D" : "T");
  const char* commands[] = {"G01", "G1", "G00", "G0", "G02", "G2", "G03", "G3", "G81", "G81"};
  for (int s = 0; s < MoveScriptCount; ++s) p.Scripts[s].Command = commands[s];
  const int arc = choice % 3;
  p.Scripts[4].Entries = {{-1, false}, {arc == 0 ? TokenIt : arc == 1 ? TokenRt : TokenMisc1t, false}};
  p.Comment = (choice / 3) % 2 ? ";" : "(";
  p.MaxBlock = 1 + choice * 7;
  return p;
}

void CheckTokens(TSynGCodeSyn& s, std::string_view line, int32_t number) {
  size_t covered = 0;
  size_t tokens = 0;
  for (s.SetLine(line, number); !s.Eol(); s.Next()) {
    Check(s.TokenStart() == covered, "a token does not start where the last one ended");
    Check(s.TokenLength() > 0, "an empty token before the end of the line");
    covered += s.TokenLength();
    Check(covered <= line.size(), "a token runs past the line");
    Check(s.Attribute() != nullptr, "a token without an attribute");
    Check(++tokens <= line.size(), "more tokens than characters");
  }
  const size_t nul = line.find('\0');
  Check(covered == (nul == std::string_view::npos ? line.size() : nul), "the tokens do not cover the line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  SetDecimalCharacter('.');
  const TTBPostProcessor post = FuzzPost(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<std::string> lines = SplitLines(text);

  TSynGCodeSyn colourer;
  colourer.ConfigureFromPost(post, {});
  for (size_t i = 0; i < lines.size(); ++i) CheckTokens(colourer, lines[i], static_cast<int32_t>(i));

  const NcPath path = ParseNcProgram(text, post, 7);
  Check(!path.empty(), "the path lost its placeholder");
  Check(path.size() <= 1 + 3 * lines.size() + text.size(), "more records than the program can make");
  for (size_t i = 1; i < path.size(); ++i) {
    const NcPathRecord& r = path[i];
    Check(r.Line >= 0 && static_cast<size_t>(r.Line) < lines.size(), "a record names no line of the program");
    if (r.IsArc() && std::isfinite(r.B[0]) && std::isfinite(r.B[1]) && std::fabs(r.B[0]) < 1e6)
      Check(r.B[0] < r.B[1] && r.B[1] - r.B[0] <= 2 * M_PI + 1e-9, "an arc's angles are out of order",
            std::to_string(r.B[0]) + " " + std::to_string(r.B[1]));
  }
  const NcExtents e = PathExtents(path);
  if (e.Valid && std::isfinite(e.XMin) && std::isfinite(e.XMax)) Check(e.XMin <= e.XMax, "extents inside out");
  const double minutes = EstimatedMinutes(path, 5000);
  Check(!(minutes < 0), "a negative run time");

  NcRunState run;
  RunAll(run, path);
  const auto inRange = [&](const char* step) {
    const NcRange r = ShownRange(run, path);
    Check(r.First >= 1 && r.Last <= NcHigh(path), step);
  };
  RunClear(run, path), inRange("Clear");
  for (int k = 0; k < 3; ++k) RunNext(run, path), inRange("Next");
  RunNext10(run, path), inRange("Next 10");
  RunToRapid(run, path), inRange("To Rapid");
  RunToTool(run, path), inRange("To Tool");
  RunToCursor(run, path, static_cast<int32_t>(lines.size() / 2)), inRange("To Cursor");
  RunFromCursor(run, path, static_cast<int32_t>(lines.size() / 3)), inRange("From Cursor");

  std::vector<std::string> renumbered = lines;
  RenumberLines(renumbered, post, {data[0], static_cast<int64_t>(data[0] % 7), data[0] % 2 == 0});
  Check(renumbered.size() == lines.size(), "renumbering changed the number of lines");
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> one = {lines[i]};
    RemoveLineNumbers(one, post);
    const std::string& before = one[0];
    Check(renumbered[i].size() >= before.size() &&
              renumbered[i].compare(renumbered[i].size() - before.size(), before.size(), before) == 0,
          "renumbering changed a line's text", lines[i] + " -> " + renumbered[i]);
  }
  return 0;
}
