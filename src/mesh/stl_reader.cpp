#include "mesh/stl_reader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tibrel {

namespace {

constexpr size_t HeadSize = 84;
// No model a machine cuts reaches a thousand kilometres from its origin;
// beyond this the single-precision sums of placement and the grid's
// indices stop meaning anything.
constexpr double MaxModelCoordinate = 1e9;
constexpr size_t RecordSize = 50;

uint32_t HeaderCount(std::string_view b) {
  uint32_t n = 0;
  for (int k = 3; k >= 0; --k) n = (n << 8) | static_cast<unsigned char>(b[80 + k]);
  return n;
}

float LittleFloat(const char* p) {
  uint32_t u = 0;
  for (int k = 3; k >= 0; --k) u = (u << 8) | static_cast<unsigned char>(p[k]);
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool SameWord(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(word[k])) != upper[k]) return false;
  return true;
}

// The words of one line, split at runs of spaces and tabs.
class Words {
 public:
  explicit Words(std::string_view line) : line_(line) {}
  std::string_view Next() {
    while (pos_ < line_.size() && IsBlank(line_[pos_])) ++pos_;
    const size_t start = pos_;
    while (pos_ < line_.size() && !IsBlank(line_[pos_])) ++pos_;
    return line_.substr(start, pos_ - start);
  }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

bool HasWord(std::string_view text, std::string_view upper) {
  for (size_t at = 0; at + upper.size() <= text.size(); ++at) {
    if (!SameWord(text.substr(at, upper.size()), upper)) continue;
    const bool before = at == 0 || !std::isalpha(static_cast<unsigned char>(text[at - 1]));
    const size_t end = at + upper.size();
    const bool after = end == text.size() || !std::isalpha(static_cast<unsigned char>(text[end]));
    if (before && after) return true;
  }
  return false;
}

class AsciiReader {
 public:
  AsciiReader(std::string_view text, const PassControl& control) : text_(text), control_(control) {}

  TTBTriangleArray Read() {
    TTBTriangleArray mesh;
    float normalZ = 0;
    const size_t stride = std::max<size_t>(text_.size() / 20, 1);
    size_t nextPump = stride;
    std::string_view line;
    while (NextLine(line)) {
      if (pos_ >= nextPump) {
        nextPump += stride;
        if (control_.Cancelled()) {
          cancelled_ = true;
          return {};
        }
      }
      Words w(line);
      const std::string_view first = w.Next();
      if (SameWord(first, "FACET")) {
        w.Next();
        w.Next();
        w.Next();
        const std::string_view z = w.Next();
        normalZ = z.empty() ? 0.0f : Number(z);
      } else if (SameWord(first, "OUTER") && SameWord(w.Next(), "LOOP")) {
        TTBTriangle t;
        for (auto& v : t.V) Vertex(v);
        t.NormalZ = normalZ;
        SetTriangleZRange(t);
        SortTriangleVertices(t);
        mesh.push_back(t);
      }
    }
    return mesh;
  }
  bool Cancelled() const { return cancelled_; }

 private:
  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    const size_t end = std::min(text_.find('\n', pos_), text_.size());
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++lineNumber_;
    return true;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw StlError("STL line " + std::to_string(lineNumber_) + ": " + what);
  }

  float Number(std::string_view word) const {
    double v = 0;
    const char* b = word.data();
    const char* e = b + word.size();
    if (b != e && *b == '+') ++b;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || !(std::fabs(v) <= MaxModelCoordinate))
      Fail("\"" + std::string(word.substr(0, 40)) + "\" is not a valid floating point value");
    return static_cast<float>(v);
  }

  void Vertex(TTBVertex& v) {
    std::string_view line;
    if (!NextLine(line)) Fail("the file ends inside a facet");
    Words w(line);
    if (!SameWord(w.Next(), "VERTEX")) Fail("a vertex was expected");
    v.X = Number(w.Next());
    v.Y = Number(w.Next());
    v.Z = Number(w.Next());
  }

  std::string_view text_;
  const PassControl& control_;
  size_t pos_ = 0;
  size_t lineNumber_ = 0;
  bool cancelled_ = false;
};

}  // namespace

bool IsBinaryStl(std::string_view bytes) {
  if (bytes.size() >= HeadSize && bytes.size() == HeadSize + RecordSize * static_cast<uint64_t>(HeaderCount(bytes)))
    return true;
  size_t at = 0;
  while (at < bytes.size() && (IsBlank(bytes[at]) || bytes[at] == '\n')) ++at;
  if (bytes.size() - at < 5 || !SameWord(bytes.substr(at, 5), "SOLID")) return true;
  return !(HasWord(bytes, "FACET") || HasWord(bytes, "VERTEX"));
}

bool ReadBinaryStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control) {
  mesh.clear();
  if (bytes.size() < HeadSize) return false;
  const size_t count = (bytes.size() - HeadSize) / RecordSize;
  mesh.resize(count);
  const size_t stride = std::max<size_t>(count / 20, 1);
  const char* p = bytes.data() + HeadSize;
  for (size_t i = 0; i < count; ++i, p += RecordSize) {
    if (i % stride == 0 && i > 0 && control.Cancelled()) {
      mesh.clear();
      mesh.shrink_to_fit();
      return false;
    }
    TTBTriangle& t = mesh[i];
    t.NormalZ = LittleFloat(p + 8);
    for (int k = 0; k < 3; ++k) {
      t.V[k].X = LittleFloat(p + 12 + 12 * k);
      t.V[k].Y = LittleFloat(p + 16 + 12 * k);
      t.V[k].Z = LittleFloat(p + 20 + 12 * k);
    }
    for (const auto& v : t.V)
      if (!(std::fabs(v.X) <= MaxModelCoordinate && std::fabs(v.Y) <= MaxModelCoordinate && std::fabs(v.Z) <= MaxModelCoordinate)) {
        mesh.clear();
        throw StlError("STL triangle " + std::to_string(i + 1) + " has a vertex that is not a number or lies beyond " +
                       "1e9");
      }
    SetTriangleZRange(t);
    SortTriangleVertices(t);
  }
  return !mesh.empty();
}

bool ReadAsciiStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control) {
  AsciiReader reader(bytes, control);
  TTBTriangleArray read = reader.Read();
  if (reader.Cancelled()) {
    mesh.clear();
    return false;
  }
  read.shrink_to_fit();
  mesh = std::move(read);
  return !mesh.empty();
}

StlReadResult ReadStl(std::string_view bytes, TTBTriangleArray& mesh, const PassControl& control) {
  StlReadResult r;
  r.Binary = IsBinaryStl(bytes);
  TTBTriangleArray read;
  const bool ok = r.Binary ? ReadBinaryStl(bytes, read, control) : ReadAsciiStl(bytes, read, control);
  r.Cancelled = control.FlagSet() || control.Idle();
  if (!ok || r.Cancelled) return r;
  r.Triangles = read.size();
  mesh = std::move(read);
  return r;
}

}  // namespace tibrel
