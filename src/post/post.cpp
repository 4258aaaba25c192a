#include "post/post.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "core/ini.h"
#include "core/numbers.h"

namespace tibrel {

const std::array<const char*, TokenCount> TokenNames = {"Xt",  "Yt",  "Zt",  "It",     "Jt",     "Rt",     "Nt",     "Ft",
                                                        "St",  "Tt",  "Ct",  "Misc1t", "Misc2t", "Misc3t", "Misc4t", "Misc5t"};
const std::array<const char*, TokenCount> TokenCaptions = {
    "Xt (X Axis)", "Yt (Y Axis)", "Zt (Z Axis)", "It (Center X)", "Jt (Center Y)", "Rt (Radius)",
    "Nt (Ln Num)", "Ft (Feed)",   "St (Speed)",  "Tt (Tool)",     "Ct (Clearence)", "Misc1t",
    "Misc2t",      "Misc3t",      "Misc4t",      "Misc5t"};
const std::array<const char*, VariableCount> VariableNames = {"None", "Sx", "Sy", "Sz", "Ex", "Ey", "Ez",
                                                              "Sa",   "Ea", "Rad", "Cx", "Cy", "Ii", "Ji",
                                                              "Cv",   "Nv", "Fr", "Ss", "Tn"};
const std::array<const char*, 5> ScriptKindNames = {"Linear", "Rapid", "Arc CW", "Arc CCW", "Drill"};
const std::array<const char*, 2> ScriptFormNames = {"Single Move", "Continuous"};

namespace {

constexpr int MaxFormatField = 100;

// One printf conversion of a number, split out of a token's format.
struct NumberFormat {
  std::string Prefix, Suffix;  // literal text, "%%" already turned into "%"
  std::string Flags;
  int Width = -1, Precision = -1;
  char Conversion = 0;
};

// Literal text up to the next lone "%"; false at a "%" that is not "%%".
size_t ReadLiteral(std::string_view f, size_t i, std::string& out) {
  while (i < f.size()) {
    if (f[i] != '%') {
      out += f[i++];
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    break;
  }
  return i;
}

// Digits of a width or precision; false when it is beyond reason.
bool ReadField(std::string_view f, size_t& i, int& value) {
  value = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    value = value * 10 + (f[i] - '0');
    if (value > MaxFormatField) return false;
    ++i;
  }
  return true;
}

std::optional<NumberFormat> ParseFormat(std::string_view f) {
  NumberFormat n;
  size_t i = ReadLiteral(f, 0, n.Prefix);
  if (i >= f.size()) return std::nullopt;  // no conversion at all
  ++i;
  while (i < f.size() && std::string_view("-+ #0").find(f[i]) != std::string_view::npos) {
    if (n.Flags.size() >= 5) return std::nullopt;
    n.Flags += f[i++];
  }
  if (i < f.size() && f[i] >= '0' && f[i] <= '9') {
    if (!ReadField(f, i, n.Width)) return std::nullopt;
  }
  if (i < f.size() && f[i] == '.') {
    ++i;
    if (!ReadField(f, i, n.Precision)) return std::nullopt;
  }
  if (i >= f.size() || std::string_view("fFeEgGdi").find(f[i]) == std::string_view::npos) return std::nullopt;
  n.Conversion = f[i++];
  if ((n.Conversion == 'd' || n.Conversion == 'i') && n.Flags.find('#') != std::string::npos) return std::nullopt;
  if (ReadLiteral(f, i, n.Suffix) != f.size()) return std::nullopt;  // a second conversion
  return n;
}

bool IntegerFormat(std::string_view format) { return format.find('d') != std::string_view::npos; }

}  // namespace

std::vector<std::string> SplitFields(std::string_view value) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos < value.size()) {
    const size_t star = value.find('*', pos);
    if (star == std::string_view::npos) {
      out.emplace_back(value.substr(pos));
      break;
    }
    out.emplace_back(value.substr(pos, star - pos));
    pos = star + 1;
  }
  return out;
}

std::string TokenFormatProblem(const TTBToken& token) {
  if (token.Variable == VarNone || token.Format.empty()) return {};
  const auto n = ParseFormat(token.Format);
  if (!n) return "\"" + token.Format + "\" is not a format for one number";
  const bool intConversion = n->Conversion == 'd' || n->Conversion == 'i';
  if (intConversion && !IntegerFormat(token.Format)) return "\"" + token.Format + "\" is not a format for one number";
  return {};
}

TokenFormatter::TokenFormatter(const TTBToken& token) {
  if (token.Variable == VarNone) {
    kind_ = token.Address == "null" || token.Address.empty() ? Kind::Empty : Kind::Literal;
    address_ = token.Address;
    return;
  }
  if (token.Format.empty()) return;
  const auto n = ParseFormat(token.Format);
  if (!n) return;
  const bool integer = IntegerFormat(token.Format);
  if ((n->Conversion == 'd' || n->Conversion == 'i') && !integer) return;
  kind_ = integer ? Kind::Integer : Kind::Number;
  address_ = token.Address;
  if (!integer && token.UsePlus) address_ += '+';
  prefix_ = n->Prefix, suffix_ = n->Suffix, flags_ = n->Flags;
  width_ = n->Width, precision_ = n->Precision, conversion_ = n->Conversion;
  // printf writes no digit at all for 0 with "%.0d"; a word needs its number.
  if ((conversion_ == 'd' || conversion_ == 'i') && precision_ == 0) precision_ = -1;
}

void TokenFormatter::Append(std::string& out, double value) const {
  if (kind_ == Kind::Empty) return;
  out += address_;
  if (kind_ == Kind::Literal) return;
  // Integer formats show the value rounded to the nearest whole number,
  // halves to the even neighbour.
  if (kind_ == Kind::Integer) value = std::nearbyint(value);
  out += prefix_;
  char buf[512];
  const char* end = buf;
  if (flags_.empty() && conversion_ == 'f' && std::isfinite(value)) {
    // The common case, without printf.
    end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision_ < 0 ? 6 : precision_).ptr;
  } else {
    char spec[32];
    const bool intConversion = conversion_ == 'd' || conversion_ == 'i';
    std::snprintf(spec, sizeof spec, "%%%s%s%s%s%s%s%c", flags_.c_str(), width_ >= 0 ? std::to_string(width_).c_str() : "",
                  precision_ >= 0 ? "." : "", precision_ >= 0 ? std::to_string(precision_).c_str() : "",
                  intConversion ? "ll" : "", "", conversion_);
    int n = 0;
    if (intConversion) {
      const double clamped = std::isfinite(value) ? std::clamp(value, -9.2e18, 9.2e18) : 0.0;
      n = std::snprintf(buf, sizeof buf, spec, static_cast<long long>(clamped));
    } else {
      n = std::snprintf(buf, sizeof buf, spec, value);
    }
    end = buf + std::clamp(n, 0, static_cast<int>(sizeof buf) - 1);
  }
  const size_t len = static_cast<size_t>(end - buf);
  if (width_ > 0 && len < static_cast<size_t>(width_)) out.append(static_cast<size_t>(width_) - len, ' ');
  const size_t at = out.size();
  out.append(buf, len);
  const char dc = DecimalCharacter();
  if (dc != '.')
    for (size_t i = at; i < out.size(); ++i)
      if (out[i] == '.') out[i] = dc;
  out += suffix_;
}

std::string FormatToken(const TTBToken& token, double value) { return TokenFormatter(token).Word(value); }

std::string PostProblem(const TTBPostProcessor& post) {
  const std::string who = "Post Processor " + post.Name + ": ";
  for (int t = 0; t < TokenCount; ++t) {
    const TTBToken& tok = post.Tokens[t];
    if (tok.Variable < -1 || tok.Variable >= VariableCount)
      return who + "token " + TokenNames[t] + " uses unknown variable " + std::to_string(tok.Variable);
    const std::string problem = TokenFormatProblem(tok);
    if (!problem.empty()) return who + "token " + TokenNames[t] + ": " + problem;
  }
  auto check = [&](const TTBScript& s, const std::string& what) -> std::string {
    for (const auto& e : s.Entries)
      if (e.Token < -1 || e.Token >= TokenCount)
        return who + what + " names token " + std::to_string(e.Token) + ", outside 0..15";
    return {};
  };
  for (int k = 0; k < MoveScriptCount; ++k) {
    const std::string p =
        check(post.Scripts[k], std::string("script ") + ScriptKindNames[k / 2] + " " + ScriptFormNames[k % 2]);
    if (!p.empty()) return p;
  }
  for (int k = 0; k < ToolScriptCount; ++k) {
    const std::string p = check(post.MiniPost.ToolScripts[k], "tool script " + std::to_string(k));
    if (!p.empty()) return p;
  }
  return {};
}

namespace {

// A decimal integer as the post file writes it; throws with the key named.
int32_t PostInteger(const std::string& text, const std::string& post, const std::string& key) {
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  int32_t v = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size())
    throw PostError("Post Processor " + post + ": '" + text + "' in " + key + " is not a valid integer value");
  return v;
}

bool FirstIs(const std::string& s, char upper) {
  return !s.empty() && (s[0] == upper || s[0] == static_cast<char>(upper - 'A' + 'a'));
}

void ReadScript(const std::string& value, TTBScript& script, const std::string& post, const std::string& key) {
  const auto f = SplitFields(value);
  script.Entries.clear();
  if (f.size() < 3) return;
  script.Command = f[1];
  for (size_t i = 2; i + 1 < f.size(); i += 2) {
    ScriptEntry e;
    e.Token = f[i].empty() || f[i] == "<null>" ? 0 : PostInteger(f[i], post, key);
    e.Modal = FirstIs(f[i + 1], 'T');
    script.Entries.push_back(e);
  }
}

std::vector<std::string> ReadLines(const IniFile& file, const std::string& section, const std::string& key) {
  std::vector<std::string> lines;
  for (int i = 0; i < MaxPostLines; ++i) {
    const auto v = file.Read(section, key + std::to_string(i));
    if (!v) break;
    lines.push_back(*v);
  }
  return lines;
}

}  // namespace

bool LoadPost(TTBPostProcessor& post, const std::string& name, const IniFile& file) {
  if (name.empty() || name == "New" || !file.HasSection(name)) return false;
  TTBPostProcessor p = post;
  p.Extension = file.ReadString(name, "Extension", "Dnc");
  p.ToolChange = file.ReadString(name, "ToolChange", "");
  p.Comment = file.ReadString(name, "Comment", "(");
  p.EndComment = file.ReadString(name, "EndComment", "");
  p.IncludeComment = file.ReadInteger(name, "IncludeComment", 1) != 0;
  p.MaxBlock = static_cast<int32_t>(std::clamp(file.ReadInteger(name, "MaxBlock", 99999999), -2147483647L, 2147483647L));
  p.Start = static_cast<int32_t>(std::clamp(file.ReadInteger(name, "Start", 1), -2147483647L, 2147483647L));
  const long inc = file.ReadInteger(name, "Increment", 1);
  p.Increment = inc < 0 ? 1 : static_cast<int32_t>(std::min(inc, 2147483647L));
  p.DecimalCharacter = FirstIs(file.ReadString(name, "DecimalCharacter", "T"), 'T');
  p.Name = name;
  for (int t = 0; t < TokenCount; ++t) {
    const std::string key = "Tokens" + std::to_string(t);
    const auto v = file.Read(name, key);
    if (!v) continue;
    const auto f = SplitFields(*v);
    if (f.size() < 4) continue;
    TTBToken& tok = p.Tokens[t];
    tok.Variable = PostInteger(f[0], name, key);
    tok.Address = f[1];
    tok.Format = f[2];
    tok.UsePlus = !(f[3] == "F" || f[3] == "f");
  }
  for (int k = 0; k < MoveScriptCount; ++k) {
    const std::string key = "Scripts" + std::to_string(k);
    if (const auto v = file.Read(name, key)) ReadScript(*v, p.Scripts[k], name, key);
  }
  p.Header = ReadLines(file, name, "Header");
  p.Footer = ReadLines(file, name, "Footer");
  p.UnitsInch = file.ReadString(name, "UnitsInch", "G20");
  p.UnitsMillimetre = file.ReadString(name, "UnitsMillimetre", "G21");
  p.MiniPost.ToolHeader = ReadLines(file, name, "ToolHeader");
  p.MiniPost.ToolFooter = ReadLines(file, name, "ToolFooter");
  for (int k = 0; k < ToolScriptCount; ++k) {
    TTBScript& s = p.MiniPost.ToolScripts[k];
    s = TTBScript();
    const std::string key = "ToolScripts" + std::to_string(k);
    if (const auto v = file.Read(name, key)) ReadScript(*v, s, name, key);
  }
  post = std::move(p);
  SetDecimalCharacter(post.DecimalCharacter ? '.' : ',');
  return true;
}

bool LoadPost(TTBPostProcessor& post, const std::string& name, const std::string& fileName) {
  if (name.empty() || name == "New") return false;
  IniFile file;
  try {
    file = IniFile::Load(fileName);
  } catch (const std::exception& e) {
    throw PostError(e.what());
  }
  return LoadPost(post, name, file);
}

std::string TokenValue(const TTBToken& token) {
  return std::to_string(token.Variable) + "*" + token.Address + "*" + token.Format + "*" + (token.UsePlus ? "T" : "F");
}

std::string ScriptValue(const TTBScript& script) {
  std::string v = "F*" + script.Command;
  for (const auto& e : script.Entries) {
    v += '*';
    v += std::to_string(e.Token);
    v += e.Modal ? "*T" : "*F";
  }
  return v;
}

bool UsablePostName(const std::string& name) { return !name.empty() && name != "None"; }

void WritePostSection(IniFile& file, const std::string& name, const PostGeneralFields& general,
                      const TTBPostProcessor& current, const std::vector<std::string>& header,
                      const std::vector<std::string>& footer) {
  file.Write(name, "Extension", general.Extension);
  file.Write(name, "Comment", general.Comment);
  file.Write(name, "EndComment", general.EndComment);
  file.Write(name, "IncludeComment", general.IncludeComment ? "1" : "0");
  file.Write(name, "MaxBlock", std::to_string(general.MaxBlock));
  file.Write(name, "DecimalCharacter", general.DecimalPoint ? "T" : "F");
  for (int t = 0; t < TokenCount; ++t) file.Write(name, "Tokens" + std::to_string(t), TokenValue(current.Tokens[t]));
  for (int k = 0; k < MoveScriptCount; ++k)
    file.Write(name, "Scripts" + std::to_string(k), ScriptValue(current.Scripts[k]));
  auto lines = [&](const std::vector<std::string>& list, const std::string& key) {
    for (int i = 0; i < MaxPostLines; ++i) {
      const std::string k = key + std::to_string(i);
      if (static_cast<size_t>(i) < list.size()) file.Write(name, k, list[i]);
      else if (file.Read(name, k)) file.DeleteKey(name, k);
      else break;
    }
  };
  lines(header, "Header");
  lines(footer, "Footer");
  const PostGeneralFields defaults;
  if (general.UnitsInch != defaults.UnitsInch || general.UnitsMillimetre != defaults.UnitsMillimetre ||
      file.Read(name, "UnitsInch") || file.Read(name, "UnitsMillimetre")) {
    file.Write(name, "UnitsInch", general.UnitsInch);
    file.Write(name, "UnitsMillimetre", general.UnitsMillimetre);
  }
}

namespace {

// Where the placeholder starts in line at or after from, in any letter case.
size_t FindPlaceholder(const std::string& line, size_t from) {
  for (size_t at = from; at + UnitsPlaceholder.size() <= line.size(); ++at) {
    size_t k = 0;
    while (k < UnitsPlaceholder.size() && std::tolower(static_cast<unsigned char>(line[at + k])) ==
                                              std::tolower(static_cast<unsigned char>(UnitsPlaceholder[k])))
      ++k;
    if (k == UnitsPlaceholder.size()) return at;
  }
  return std::string::npos;
}

}  // namespace

bool PostPlacesUnits(const TTBPostProcessor& post) {
  for (const auto* list : {&post.Header, &post.Footer, &post.MiniPost.ToolHeader, &post.MiniPost.ToolFooter})
    for (const auto& line : *list)
      if (FindPlaceholder(line, 0) != std::string::npos) return true;
  return false;
}

const std::string& UnitsWord(const TTBPostProcessor& post, Units units) {
  return units == Units::Inch ? post.UnitsInch : post.UnitsMillimetre;
}

TTBPostProcessor PostForUnits(const TTBPostProcessor& post, Units units) {
  TTBPostProcessor p = post;
  const std::string& word = UnitsWord(post, units);
  for (auto* list : {&p.Header, &p.Footer, &p.MiniPost.ToolHeader, &p.MiniPost.ToolFooter})
    for (auto& line : *list)
      for (size_t at = 0; (at = FindPlaceholder(line, at)) != std::string::npos; at += word.size())
        line.replace(at, UnitsPlaceholder.size(), word);
  return p;
}

}  // namespace tibrel
