#include "core/ini.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/files.h"
#include "core/numbers.h"

namespace tibrel {

namespace {

constexpr size_t npos = static_cast<size_t>(-1);

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

IniFile IniFile::Parse(std::string_view text) {
  IniFile f;
  f.trailingNewline_ = text.empty() || text.back() == '\n';
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    while (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.raw = std::string(raw);
    const std::string_view t = Trim(raw);
    if (t.size() >= 2 && t.front() == '[') {
      const size_t close = t.find(']');
      if (close != std::string_view::npos) {
        line.header = true;
        line.section = std::string(Trim(t.substr(1, close - 1)));
      }
    } else if (!t.empty() && t.front() != ';' && t.find('=') != std::string_view::npos) {
      line.key = std::string(Trim(t.substr(0, t.find('='))));
    }
    f.lines_.push_back(std::move(line));
    pos = end + 1;
  }
  return f;
}

IniFile IniFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (access(path.c_str(), F_OK) != 0) return IniFile{};
    throw std::runtime_error("Cannot read " + path);
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) throw std::runtime_error("Cannot read " + path);
  return Parse(ss.str());
}

std::string IniFile::Text() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].raw;
    if (i + 1 < lines_.size() || trailingNewline_) out += '\n';
  }
  return out;
}

void IniFile::Save(const std::string& path) const { WriteFileAtomically(path, Text()); }

size_t IniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].header && SameName(lines_[i].section, Trim(section))) return i;
  return npos;
}

size_t IniFile::SectionEnd(size_t h) const {
  size_t i = h + 1;
  while (i < lines_.size() && !lines_[i].header) ++i;
  return i;
}

size_t IniFile::FindKey(size_t h, std::string_view key) const {
  const size_t end = SectionEnd(h);
  for (size_t i = h + 1; i < end; ++i)
    if (!lines_[i].key.empty() && SameName(lines_[i].key, Trim(key))) return i;
  return npos;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != npos; }

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> out;
  for (const auto& l : lines_)
    if (l.header) {
      bool seen = false;
      for (const auto& s : out) seen = seen || SameName(s, l.section);
      if (!seen) out.push_back(l.section);
    }
  return out;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> out;
  const size_t h = FindSection(section);
  if (h == npos) return out;
  for (size_t i = h + 1; i < SectionEnd(h); ++i)
    if (!lines_[i].key.empty()) out.push_back(lines_[i].key);
  return out;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const size_t h = FindSection(section);
  if (h == npos) return std::nullopt;
  const size_t k = FindKey(h, key);
  if (k == npos) return std::nullopt;
  const std::string& raw = lines_[k].raw;
  std::string_view v = Trim(std::string_view(raw).substr(raw.find('=') + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v.substr(0, MaxProfileValueLength));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const {
  const auto v = Read(section, key);
  return v ? *v : std::string(fallback);
}

long IniFile::ReadInteger(std::string_view section, std::string_view key, long fallback) const {
  const auto v = Read(section, key);
  if (!v) return fallback;
  std::string_view t = Trim(*v);
  bool negative = false;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) negative = t.front() == '-', t.remove_prefix(1);
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) base = 16, t.remove_prefix(2);
  long out = 0;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), out, base);
  if (t.empty() || ec != std::errc() || p != t.data() + t.size()) return fallback;
  return negative ? -out : out;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double fallback) const {
  const auto v = Read(section, key);
  double out = 0;
  return v && TextToFloat(*v, out) ? out : fallback;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sec(Trim(section)), k(Trim(key));
  // Line breaks would make a value into further lines of the file.
  std::string v(value);
  for (auto& c : v)
    if (c == '\n' || c == '\r') c = ' ';
  size_t h = FindSection(sec);
  if (h == npos) {
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back({});
    lines_.push_back({"[" + sec + "]", sec, "", true});
    h = lines_.size() - 1;
    trailingNewline_ = true;
  }
  const size_t at = FindKey(h, k);
  Line line{k + "=" + v, "", k, false};
  if (at != npos) {
    line.raw = lines_[at].key + "=" + v;  // keeps the key's spelling
    line.key = lines_[at].key;
    lines_[at] = std::move(line);
    return;
  }
  // After the section's last non-blank line.
  size_t end = SectionEnd(h);
  while (end > h + 1 && Trim(lines_[end - 1].raw).empty()) --end;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), std::move(line));
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  const size_t h = FindSection(section);
  if (h == npos) return;
  const size_t k = FindKey(h, key);
  if (k != npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
}

void IniFile::EraseSection(std::string_view section) {
  for (size_t h = FindSection(section); h != npos; h = FindSection(section))
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h), lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(h)));
}

}  // namespace tibrel
