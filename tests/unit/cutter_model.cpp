#include "cutter_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>

namespace tibrel::cutter {

namespace {

// Farther apart than this, an arc's end is not on the circle through its
// start about its centre (what a controller accepts before it refuses).
constexpr double ArcRadiusTolerance = 1e-3;
constexpr double MillimetresPerInch = 25.4;

struct Word {
  char letter = 0;
  double value = 0;
  size_t pos = 0;
};

std::string Fixed(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.4f", v);
  return b;
}

// Cuts comments out of a line; returns the words in order, and the T words
// found inside comments (a manual tool change announced to the operator).
bool SplitWords(const std::string& raw, std::vector<Word>& words, std::vector<int>& announced, std::string& error) {
  std::string line;
  for (size_t k = 0; k < raw.size(); ++k) {
    if (raw[k] == ';') break;
    if (raw[k] != '(') {
      line += raw[k];
      continue;
    }
    const size_t close = raw.find(')', k);
    if (close == std::string::npos) {
      error = "a comment without its ')'";
      return false;
    }
    const std::string text = raw.substr(k + 1, close - k - 1);
    for (size_t t = 0; t + 1 < text.size(); ++t) {
      if ((text[t] != 'T' && text[t] != 't') || (t > 0 && text[t - 1] != ' ')) continue;
      size_t e = t + 1;
      while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) ++e;
      if (e > t + 1 && (e == text.size() || text[e] == ' ')) announced.push_back(std::atoi(text.c_str() + t + 1));
    }
    line += std::string(close - k + 1, ' ');
    k = close;
  }
  for (size_t k = 0; k < line.size();) {
    if (line[k] == ' ' || line[k] == '\t' || line[k] == '\r') {
      ++k;
      continue;
    }
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(line[k])));
    if (!std::isalpha(static_cast<unsigned char>(letter))) {
      error = std::string("'") + line[k] + "' where a word should start";
      return false;
    }
    size_t e = k + 1;
    while (e < line.size() && (std::isdigit(static_cast<unsigned char>(line[e])) || line[e] == '.' ||
                               ((line[e] == '-' || line[e] == '+') && e == k + 1)))
      ++e;
    char* end = nullptr;
    const std::string number = line.substr(k + 1, e - k - 1);
    const double v = std::strtod(number.c_str(), &end);
    if (number.empty() || end != number.c_str() + number.size()) {
      error = std::string("the word ") + letter + " without a number";
      return false;
    }
    words.push_back({letter, v, k});
    k = e;
  }
  return true;
}

class Reader {
 public:
  Program Read(const std::string& text) {
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) p_.lines.push_back(l);
    for (line_ = 0; line_ < p_.lines.size(); ++line_) Line(p_.lines[line_]);
    return std::move(p_);
  }

 private:
  void Problem(const std::string& what) { p_.problems.push_back({"reader", line_, what}); }

  void Line(const std::string& text) {
    if (!text.empty() && text[0] == '%') return;
    std::vector<Word> words;
    std::vector<int> announced;
    std::string error;
    if (!SplitWords(text, words, announced, error)) return Problem(error);
    if (words.empty() && announced.empty()) return;
    if (ended_) return Problem("a line after the program end");
    words_ = std::move(words);
    g53_ = changedHere_ = false;
    motionAt_ = SIZE_MAX;
    axes_.clear();
    Modes();
    for (const int t : announced) SelectTool(t, "T" + std::to_string(t));
    if (const Word* t = Find('T'))
      SelectTool(static_cast<int>(t->value), "T" + std::to_string(static_cast<int>(t->value)));
    for (const Word& w : words_)
      if (w.letter == 'M' && w.pos < motionAt_) MWord(w);
    Motion();
    for (const Word& w : words_)
      if (w.letter == 'M' && w.pos > motionAt_ && motionAt_ != SIZE_MAX) MWord(w);
  }

  const Word* Find(char letter) const {
    for (const Word& w : words_)
      if (w.letter == letter) return &w;
    return nullptr;
  }
  std::optional<double> Value(char letter) const {
    const Word* w = Find(letter);
    if (!w) return std::nullopt;
    return w->value * scale_;
  }

  // The modal G words, units, feed and speed of a line.
  void Modes() {
    for (const Word& w : words_) {
      if (w.letter == 'X' || w.letter == 'Y' || w.letter == 'Z' || w.letter == 'I' || w.letter == 'J')
        axes_ += w.letter, motionAt_ = std::min(motionAt_, w.pos);
      if (w.letter == 'M') p_.codes.push_back("M" + std::to_string(static_cast<int>(w.value)));
      if (w.letter != 'G') continue;
      const int g = static_cast<int>(std::lround(w.value * 10));
      p_.codes.push_back("G" + std::to_string(g / 10));
      if (g == 0 || g == 10 || g == 20 || g == 30 || g == 810) mode_ = g / 10, motionAt_ = std::min(motionAt_, w.pos);
      else if (g == 530) g53_ = true, motionAt_ = std::min(motionAt_, w.pos);
      else if (g == 800) mode_ = -1;
      else if (g == 200 || g == 210) Units(g == 200);
      else if (g != 170 && g != 400 && g != 490 && g != 900 && g != 940)
        Problem("G" + Fixed(w.value) + " is not understood");
    }
    if (const auto f = Value('F')) feed_ = *f;
    if (const Word* s = Find('S')) speed_ = s->value;
  }

  // Coordinates are kept in the units of the first unit word.
  void Units(bool inch) {
    unitWord_ = inch ? 20 : 21;
    if (baseInch_ < 0) baseInch_ = inch ? 1 : 0;
    scale_ = inch == (baseInch_ == 1) ? 1.0 : inch ? MillimetresPerInch : 1 / MillimetresPerInch;
  }

  void Event(Stop kind, const std::string& word) { p_.events.push_back({kind, z_, line_, word}); }

  // A tool named that is not the one in the spindle is a tool change; an
  // M6 on the same line is the same change.
  void SelectTool(int t, const std::string& word) {
    if (t == tool_) return;
    tool_ = t;
    ++toolChanges_;
    changedHere_ = true;
    Event(Stop::ToolChange, word);
  }

  void MWord(const Word& w) {
    const int m = static_cast<int>(std::lround(w.value));
    const std::string word = "M" + std::to_string(m);
    if (m == 3 || m == 4) spindle_ = true;
    else if (m == 5) spindle_ = false, Event(Stop::Spindle, word);
    else if (m == 0 || m == 1) Event(Stop::Pause, word);
    else if (m == 2 || m == 30) ended_ = true, Event(Stop::End, word);
    else if (m == 6 && !changedHere_) ++toolChanges_, Event(Stop::ToolChange, word);
    else if (m != 6 && (m < 7 || m > 9)) Problem(word + " is not understood");
  }

  void Add(Motion kind, double x1, double y1, double z1, double cx = 0, double cy = 0) {
    Move m;
    m.kind = kind;
    m.x0 = x_, m.y0 = y_, m.z0 = z_, m.x1 = x1, m.y1 = y1, m.z1 = z1, m.cx = cx, m.cy = cy;
    m.feed = feed_;
    m.startKnown = !std::isnan(x_) && !std::isnan(y_);
    m.feedWord = kind == Motion::Rapid && mode_ == 0 && !g53_ && Find('F') != nullptr;
    m.spindle = spindle_ && speed_ > 0;
    m.tool = tool_;
    m.toolChanges = toolChanges_;
    m.line = line_;
    x_ = x1, y_ = y1, z_ = z1;
    const bool still =
        m.startKnown && x1 == m.x0 && y1 == m.y0 && z1 == m.z0 && kind != Motion::ArcCW && kind != Motion::ArcCCW;
    if (!still && p_.moves.empty()) p_.unitsAtFirstMove = unitWord_;
    if (!still) p_.moves.push_back(m);
  }

  void Motion() {
    if (g53_) return MachineMove();
    if (axes_.empty()) return;
    if (mode_ < 0) return Problem("axis words without a motion mode");
    const double x = Value('X').value_or(x_), y = Value('Y').value_or(y_), z = Value('Z').value_or(z_);
    if (mode_ == 81) return DrillCycle(x, y);
    if (mode_ == 0 || mode_ == 1) return Add(mode_ == 0 ? Motion::Rapid : Motion::Line, x, y, z);
    if (std::isnan(x_) || std::isnan(y_)) return Problem("an arc from an unknown position");
    const double cx = x_ + Value('I').value_or(0), cy = y_ + Value('J').value_or(0);
    const double r0 = std::hypot(x_ - cx, y_ - cy), r1 = std::hypot(x - cx, y - cy);
    if (r0 < 1e-9) return Problem("an arc of radius 0");
    if (std::fabs(r0 - r1) > ArcRadiusTolerance)
      Problem("an arc whose end is " + Fixed(std::fabs(r0 - r1)) + " off its circle");
    Add(mode_ == 2 ? Motion::ArcCW : Motion::ArcCCW, x, y, z, cx, cy);
  }

  // G53 G00 Z0: straight up to machine Z 0, above everything.
  void MachineMove() {
    const auto z = Value('Z');
    if (Find('X') || Find('Y') || !z || *z != 0 || mode_ != 0) return Problem("a G53 move other than G53 G00 Z0");
    Add(Motion::Rapid, x_, y_, SafeZ);
  }

  // G81 as the controller runs it: up to R when below it, over at that
  // height, down to R, the feed to the depth, back up to R.
  void DrillCycle(double x, double y) {
    if (const auto z = Value('Z')) cycleZ_ = *z;
    if (const auto r = Value('R')) cycleR_ = *r;
    if (std::isnan(cycleZ_) || std::isnan(cycleR_)) return Problem("G81 without its Z or R");
    if (z_ < cycleR_) Add(Motion::Rapid, x_, y_, cycleR_);
    Add(Motion::Rapid, x, y, z_);
    Add(Motion::Rapid, x, y, cycleR_);
    Add(Motion::Line, x, y, cycleZ_);
    Add(Motion::Rapid, x, y, cycleR_);
  }

  Program p_;
  size_t line_ = 0;
  std::vector<Word> words_;
  std::string axes_;
  size_t motionAt_ = SIZE_MAX;
  bool g53_ = false, ended_ = false, spindle_ = false, changedHere_ = false;
  int mode_ = -1, tool_ = -1, toolChanges_ = 0, baseInch_ = -1, unitWord_ = 0;
  double scale_ = 1, feed_ = 0, speed_ = 0;
  double x_ = NAN, y_ = NAN, z_ = SafeZ;
  double cycleZ_ = NAN, cycleR_ = NAN;
};

}  // namespace

Program ReadProgram(const std::string& text) { return Reader().Read(text); }

size_t MovesBelowTop(const Program& program) {
  return static_cast<size_t>(std::count_if(program.moves.begin(), program.moves.end(),
                                           [](const Move& m) { return std::min(m.z0, m.z1) < StockTop; }));
}

std::string Describe(const Violation& v, const Program& program) {
  const bool onLine = v.line < program.lines.size();
  return v.check + (onLine ? " line " + std::to_string(v.line + 1) + " `" + program.lines[v.line] + "`" : "") + ": " +
         v.what;
}

std::string Report(const Violations& v, const Program& program, size_t first) {
  std::map<std::string, size_t> counts;
  for (const auto& x : v) ++counts[x.check];
  std::string out = std::to_string(v.size()) + " violations:";
  for (const auto& [check, n] : counts) out += " " + check + " " + std::to_string(n);
  for (size_t k = 0; k < v.size() && k < first; ++k) out += "\n    " + Describe(v[k], program);
  return out;
}

namespace {

bool Near(double a, double b) { return std::fabs(a - b) < 1e-4; }

}  // namespace

Violations MissingCuts(const Program& program, const TTBOutRegionArray& toolpaths) {
  std::vector<const Move*> cuts;
  for (const auto& m : program.moves)
    if (m.IsFeed()) cuts.push_back(&m);
  Violations out;
  size_t k = 0;
  auto find = [&](auto&& matches, const std::string& what) {
    size_t j = k;
    while (j < cuts.size() && !matches(*cuts[j])) ++j;
    if (j < cuts.size()) k = j + 1;
    else
      out.push_back({"uncut", cuts.empty() ? 0 : cuts[std::min(k, cuts.size() - 1)]->line,
                     what + " is not cut (looked for from this line on)"});
  };
  auto expectMove = [&](const TTBEntity& e, double depth) {
    const TTBPoint s = EntityStart(e), t = EntityEnd(e);
    const Motion kind = e.Radius < 0 ? Motion::ArcCW : e.Radius > 0 ? Motion::ArcCCW : Motion::Line;
    find(
        [&](const Move& m) {
          return m.kind == kind && Near(m.x0, s.X) && Near(m.y0, s.Y) && Near(m.x1, t.X) && Near(m.y1, t.Y) &&
                 Near(m.z1, -depth);
        },
        "the move " + Fixed(s.X) + "," + Fixed(s.Y) + " to " + Fixed(t.X) + "," + Fixed(t.Y) + " at " + Fixed(-depth));
  };
  for (size_t i = 1; i < toolpaths.size(); ++i) {
    const TTBOutRegion& t = toolpaths[i];
    if (t.Entities.empty()) continue;
    if (t.LinkMode >= LinkDrillLinear) {
      const double hx = t.Entities[0].X, hy = t.Entities[0].Y;
      find([&](const Move& m) { return Near(m.x1, hx) && Near(m.y1, hy) && Near(m.z1, -t.Depth) && m.z0 > m.z1; },
           "the hole at " + Fixed(hx) + "," + Fixed(hy));
      continue;
    }
    if (HasEntryMove(t)) expectMove(t.EntryMove, t.Depth);
    for (const auto& e : t.Entities) expectMove(e, t.Depth);
    if (HasExitMove(t)) expectMove(t.ExitMove, t.Depth);
  }
  return out;
}

}  // namespace tibrel::cutter
