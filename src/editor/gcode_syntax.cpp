#include "editor/gcode_syntax.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/numbers.h"
#include "editor/lines.h"
#include "geometry/entity.h"

namespace tibrel {

namespace {

enum class CharClass : uint8_t { End, Space, Return, Comment, Number, Axis, TSF, GCode, MCode, LineNo, Symbol };

// The first character of a token decides its kind; built once.
const std::array<CharClass, 256>& CharTable() {
  static const std::array<CharClass, 256> table = [] {
    std::array<CharClass, 256> t;
    t.fill(CharClass::Symbol);
    t[0] = CharClass::End;
    for (int c = 1; c <= 32; ++c) t[c] = CharClass::Space;
    t['\r'] = CharClass::Return;
    for (const char c : std::string_view("(*/")) t[static_cast<uint8_t>(c)] = CharClass::Comment;
    for (const char c : std::string_view("+-.0123456789")) t[static_cast<uint8_t>(c)] = CharClass::Number;
    for (const char c : std::string_view("ABCDHIJKPQRWXYZabcdhijkpqrwxyz")) t[static_cast<uint8_t>(c)] = CharClass::Axis;
    for (const char c : std::string_view("FSTfst")) t[static_cast<uint8_t>(c)] = CharClass::TSF;
    t['G'] = t['g'] = CharClass::GCode;
    t['M'] = t['m'] = CharClass::MCode;
    t['N'] = t['n'] = CharClass::LineNo;
    return t;
  }();
  return table;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A G-word by its number: "G", then the digits without leading zeros, so
// G0, G00 and G000 are one word. Text that is not a G and digits alone
// stays as it is (upper-cased).
std::string CanonicalWord(std::string_view w) {
  std::string s;
  for (const char c : w) s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (s.size() < 2 || s[0] != 'G' || !std::all_of(s.begin() + 1, s.end(), IsDigit)) return s;
  const size_t nz = s.find_first_not_of('0', 1);
  return nz == std::string::npos ? "G0" : "G" + s.substr(nz);
}

}  // namespace

TSynGCodeSyn::TSynGCodeSyn() {
  attributes_[AttrAxis] = {"Axis", -1, true, false};
  attributes_[AttrComment] = {"Comment", -1, false, true};
  attributes_[AttrGCode] = {"GCode", -1, true, false};
  attributes_[AttrLineNo] = {"LineNo", -1, true, false};
  attributes_[AttrMCode] = {"MCode", -1, true, false};
  attributes_[AttrNumber] = {"Number", -1, false, false};
  attributes_[AttrSpace] = {"Space", -1, false, false};
  attributes_[AttrTSF] = {"TSF", -1, true, false};
  variables_.fill(-1);
  Reset();
}

void TSynGCodeSyn::ConfigureFromPost(const TTBPostProcessor& post, const TTBEditorColours& colours) {
  if (post.Name.empty()) return;
  for (int t = 0; t < TokenCount; ++t) {
    addresses_[t] = Trimmed(post.Tokens[t].Address);
    variables_[t] = post.Tokens[t].Variable;
  }
  for (int s = 0; s < MoveScriptCount; ++s) commands_[s] = CanonicalWord(Trimmed(post.Scripts[s].Command));
  arcFormat_ = ArcFormatNone;
  for (const ScriptEntry& e : post.Scripts[2 * ScriptArcCW].Entries) {
    if (e.Token < 0 || e.Token >= TokenCount) continue;
    const int32_t v = post.Tokens[e.Token].Variable;
    if (v == VarRad) arcFormat_ = ArcFormatRadius;
    else if (v == VarCx) arcFormat_ = ArcFormatAbsolute;
    else if (v == VarIi) arcFormat_ = ArcFormatIncremental;
  }
  commentChar_ = post.Comment.size() == 1 ? post.Comment[0] : 0;
  const auto style = [](NcAttribute& a, int32_t s) {
    if (s == 1) a.Bold = true;
    else if (s == 2) a.Italic = true;
  };
  attributes_[AttrGCode].Foreground = colours.CommandColor;
  attributes_[AttrComment].Foreground = colours.CommentColor;
  attributes_[AttrAxis].Foreground = colours.AddressColor;
  attributes_[AttrMCode].Foreground = colours.AddressColor;
  attributes_[AttrLineNo].Foreground = 32768;
  style(attributes_[AttrGCode], colours.CommandStyle);
  style(attributes_[AttrAxis], colours.AddressStyle);
  style(attributes_[AttrComment], colours.CommentStyle);
}

void TSynGCodeSyn::Reset() {
  path_.clear();
  path_.reserve(10000);
  path_.emplace_back();
  values_.fill(0);
  currentToken_ = -1;
  lineHasAddress_ = false;
  motionMode_ = 0;
  x_ = y_ = z_ = 0;
  feed_ = 0;
  parseMode_ = false;
}

NcPath TSynGCodeSyn::Finish() {
  NcPath out = std::move(path_);
  out.shrink_to_fit();
  path_.clear();
  path_.emplace_back();
  return out;
}

void TSynGCodeSyn::SetLine(std::string_view line, int32_t lineNumber) {
  line_ = line;
  lineNumber_ = lineNumber;
  currentToken_ = -1;
  lineHasAddress_ = false;
  end_ = 0;
  kind_ = NcTokenKind::Space;
  Next();
}

void TSynGCodeSyn::Next() {
  if (kind_ == NcTokenKind::Null) return;
  start_ = end_;
  Scan();
  if (parseMode_) Interpret();
}

// One token from start_: its kind and its end.
void TSynGCodeSyn::Scan() {
  const size_t n = line_.size();
  size_t i = start_;
  if (i >= n || line_[i] == '\0') {
    kind_ = NcTokenKind::Null;
    end_ = start_;
    return;
  }
  const char c = line_[i];
  CharClass cls = CharTable()[static_cast<uint8_t>(c)];
  if (commentChar_ != 0 && c == commentChar_) cls = CharClass::Comment;
  const auto run = [&](auto pred) {
    ++i;
    while (i < n && pred(line_[i])) ++i;
  };
  switch (cls) {
    case CharClass::End:
      break;
    case CharClass::Return:
      kind_ = NcTokenKind::Space;
      i += (i + 1 < n && line_[i + 1] == '\n') ? 2 : 1;
      break;
    case CharClass::Space:
      kind_ = NcTokenKind::Space;
      if (c == '\n') {
        ++i;
        break;
      }
      run([](char ch) { return ch != '\n' && ch != '\r' && ch != '\0' && static_cast<unsigned char>(ch) <= 32; });
      break;
    case CharClass::Comment:
      kind_ = NcTokenKind::Comment;
      while (i < n && line_[i] != '\n' && line_[i] != '\r' && line_[i] != '\0') ++i;
      break;
    case CharClass::Number:
      kind_ = NcTokenKind::Number;
      ++i;
      while (i < n) {
        const char d = line_[i];
        if (!(IsDigit(d) || d == '+' || d == '-' || d == '.')) break;
        if (d == '.' && i + 1 < n && line_[i + 1] == '.') break;
        ++i;
      }
      break;
    case CharClass::Axis:
      kind_ = NcTokenKind::Axis;
      ++i;
      break;
    case CharClass::TSF:
      kind_ = NcTokenKind::TSF;
      run([](char ch) { return IsDigit(ch) || ch == '.' || ch == ','; });
      break;
    case CharClass::GCode:
      kind_ = NcTokenKind::GCode;
      run(IsDigit);
      break;
    case CharClass::MCode:
      kind_ = NcTokenKind::MCode;
      run(IsDigit);
      break;
    case CharClass::LineNo:
      kind_ = NcTokenKind::LineNo;
      run(IsDigit);
      break;
    case CharClass::Symbol:
      kind_ = NcTokenKind::Symbol;
      ++i;
      break;
  }
  end_ = i;
}

const NcAttribute* TSynGCodeSyn::Attribute() const {
  switch (kind_) {
    case NcTokenKind::Axis: return &attributes_[AttrAxis];
    case NcTokenKind::Comment: return &attributes_[AttrComment];
    case NcTokenKind::GCode: return &attributes_[AttrGCode];
    case NcTokenKind::LineNo: return &attributes_[AttrLineNo];
    case NcTokenKind::MCode: return &attributes_[AttrMCode];
    case NcTokenKind::Number: return &attributes_[AttrNumber];
    case NcTokenKind::TSF: return &attributes_[AttrTSF];
    case NcTokenKind::Space:
    case NcTokenKind::Symbol: return &attributes_[AttrSpace];
    case NcTokenKind::Null: return nullptr;
  }
  return nullptr;
}

int TSynGCodeSyn::MatchCommand(std::string_view word) const {
  const std::string w = CanonicalWord(word);
  for (int s = 0; s < MoveScriptCount; ++s)
    if (commands_[s] == w) return s;
  return -1;
}

double TSynGCodeSyn::Var(int token) const {
  const int32_t v = variables_[token];
  return v >= 0 && v < ParseVariableCount ? values_[v] : 0;
}

// A number belongs to the address letter directly before it. Posts that
// give one letter to two tokens (R for the arc radius and for the drill
// clearance) get the number in both variables, as a controller reads the
// letter in either role.
void TSynGCodeSyn::SetValue(double v) {
  const std::string& address = addresses_[currentToken_];
  for (int t = currentToken_; t < TokenCount; ++t) {
    if (addresses_[t] != address) continue;
    const int32_t var = variables_[t];
    if (var > 0 && var < ParseVariableCount) values_[var] = v;
  }
}

void TSynGCodeSyn::Interpret() {
  switch (kind_) {
    case NcTokenKind::Space:
      return;
    case NcTokenKind::Comment:
      currentToken_ = -1;
      CommentTool();
      return;
    case NcTokenKind::Null:
      EndLine();
      return;
    case NcTokenKind::Number: {
      double v = 0;
      if (currentToken_ >= 0 && TextToFloat(Token(), v)) SetValue(v);
      return;
    }
    case NcTokenKind::Axis: {
      const std::string_view letter = Token();
      currentToken_ = -1;
      for (int t = 0; t < TokenCount; ++t) {
        if (addresses_[t] != letter) continue;
        currentToken_ = t;
        lineHasAddress_ = true;
        if (t == TokenTt) NewRecord(NcKindTool);
        break;
      }
      return;
    }
    case NcTokenKind::GCode:
      currentToken_ = -1;
      if (const int s = MatchCommand(Token()); s >= 0) motionMode_ = s + 1;
      return;
    case NcTokenKind::TSF: {
      currentToken_ = -1;
      const std::string_view w = Token();
      // T words name tools whatever letter class the post's address is in;
      // F words are kept for the run time.
      if (!addresses_[TokenTt].empty() && w.substr(0, 1) == addresses_[TokenTt]) {
        NcPathRecord& r = NewRecord(NcKindTool);
        double t = 0;
        if (TextToFloat(w.substr(1), t)) r.R = t;
      } else if (w[0] == 'F' || w[0] == 'f') {
        double f = 0;
        if (TextToFloat(w.substr(1), f) && f >= 0) feed_ = f;
      }
      return;
    }
    default:
      currentToken_ = -1;
      return;
  }
}

// Posts for machines without a tool changer announce the tool in a comment
// ("(Change to tool T3)"): the tool address standing as a word of its own,
// directly followed by a digit, is a tool change there too.
void TSynGCodeSyn::CommentTool() {
  const std::string& address = addresses_[TokenTt];
  if (address.empty() || address == "null") return;
  const std::string_view c = Token();
  for (size_t at = c.find(address, 1); at != std::string_view::npos; at = c.find(address, at + 1)) {
    const size_t after = at + address.size();
    if ((c[at - 1] == ' ' || c[at - 1] == '(') && after < c.size() && IsDigit(c[after])) {
      NcPathRecord& r = NewRecord(NcKindTool);
      size_t e = after;
      while (e < c.size() && IsDigit(c[e]) && e - after < 9) ++e;
      double t = 0;
      if (TextToFloat(c.substr(after, e - after), t)) r.R = t;
      return;
    }
  }
}

NcPathRecord& TSynGCodeSyn::NewRecord(uint8_t kind) {
  NcPathRecord& r = path_.emplace_back();
  r.Kind = kind;
  r.Line = lineNumber_;
  r.Colour = pathColour_;
  r.Feed = feed_;
  return r;
}

void TSynGCodeSyn::AddLine(double x, double y, double z, uint8_t kind, double radius) {
  NcPathRecord& r = NewRecord(kind);
  r.A[0] = x_, r.A[1] = y_, r.A[2] = z_;
  r.B[0] = x, r.B[1] = y;
  r.BZ = z;
  r.R = radius;
  x_ = x, y_ = y, z_ = z;
}

void TSynGCodeSyn::EndLine() {
  if (!lineHasAddress_) return;
  lineHasAddress_ = false;
  if (motionMode_ >= 1 && motionMode_ <= 4) {
    AddLine(Var(TokenXt), Var(TokenYt), Var(TokenZt), static_cast<uint8_t>(motionMode_));
  } else if (motionMode_ >= 5 && motionMode_ <= 8) {
    AddArc();
  } else if (motionMode_ >= 9) {
    AddDrill();
  }
}

void TSynGCodeSyn::AddArc() {
  const bool cw = motionMode_ <= 6;
  const double ex = values_[VarEx], ey = values_[VarEy], ez = values_[VarEz];
  double cx = 0, cy = 0, radius = 0;
  switch (arcFormat_) {
    case ArcFormatAbsolute:
      cx = values_[VarCx], cy = values_[VarCy];
      radius = std::hypot(ex - cx, ey - cy);
      break;
    case ArcFormatIncremental:
      cx = x_ + values_[VarIi], cy = y_ + values_[VarJi];
      radius = std::hypot(values_[VarIi], values_[VarJi]);
      break;
    case ArcFormatRadius: {
      // As controllers read R: the centre on the side of the chord that
      // makes the move's sense take the shorter way for R > 0 and the longer
      // for R < 0. A radius too small for the chord is taken as half of it.
      const double mx = (x_ + ex) / 2, my = (y_ + ey) / 2;
      const double d = std::hypot(ex - mx, ey - my);
      radius = std::max(std::fabs(values_[VarRad]), d);
      const double h = std::sqrt(std::max(0.0, radius * radius - d * d));
      double ux = 0, uy = 0;
      if (d > 0) ux = (ex - mx) / d, uy = (ey - my) / d;
      // (uy, -ux) is the right of the chord: the centre side of a short
      // clockwise arc.
      const double side = (cw ? 1.0 : -1.0) * (values_[VarRad] < 0 ? -1.0 : 1.0);
      cx = mx + side * h * uy, cy = my - side * h * ux;
      break;
    }
    default:
      path_.emplace_back();
      path_.back().Line = lineNumber_;
      return;
  }
  NcPathRecord& r = NewRecord(static_cast<uint8_t>(motionMode_));
  r.A[0] = cx, r.A[1] = cy, r.A[2] = z_;
  r.R = radius;
  const double ap = PointAngle({cx, cy}, {x_, y_}), ae = PointAngle({cx, cy}, {ex, ey});
  double a0 = cw ? ae : ap, a1 = cw ? ap : ae;
  if (a0 >= a1) a1 += 2 * M_PI;
  r.B[0] = a0, r.B[1] = a1;
  r.BZ = ez;
  x_ = ex, y_ = ey, z_ = ez;
}

void TSynGCodeSyn::AddDrill() {
  const double k = Var(TokenCt);
  const double ex = values_[VarEx], ey = values_[VarEy], ez = values_[VarEz];
  AddLine(x_, y_, k, NcKindRapid);
  AddLine(ex, ey, k, NcKindRapid);
  AddLine(ex, ey, ez, NcKindPlunge, 1);
}

NcPath ParseNcProgram(std::string_view text, const TTBPostProcessor& post, int32_t colour) {
  TSynGCodeSyn parser;
  parser.ConfigureFromPost(post, TTBEditorColours{});
  parser.Reset();
  parser.SetPathColour(colour);
  parser.SetParseMode(true);
  int32_t line = 0;
  ForEachLine(text, [&](std::string_view l) {
    parser.ParseLine(l, line);
    if (line < INT32_MAX) ++line;
  });
  parser.SetParseMode(false);
  return parser.Finish();
}

}  // namespace tibrel
