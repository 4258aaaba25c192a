#include "gerber/scanner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "gerber/macro.h"

namespace tibrel {

namespace {

// Arcs and curved macro edges are flattened to chords that stray at most
// this fraction of a pixel from the curve.
constexpr double ChordFractionOfPixel = 0.1;
// Bounds the chords of one arc, whatever its radius.
constexpr int MaxArcChords = 4096;
// Angular slack when a single-quadrant arc is matched to its quarter.
constexpr double QuadrantSlack = 0.01;
// At most this many copies of a block by step and repeat.
constexpr double MaxRepeats = 10000;
// Painted items (arcs count a stroke per chord) and region corners of one
// file: a thousand times what a large board holds, and a bound on memory.
constexpr size_t MaxItems = 2000000;
constexpr size_t MaxContourPoints = 8000000;

// The coordinate format: digits before and after the decimal point, which
// zeros are left out, absolute or incremental.
struct Format {
  int Integer = 3, Decimal = 3;
  bool TrailingOmitted = false;
  bool Incremental = false;
};

struct StepRepeat {
  size_t FirstItem = 0;
  int X = 1, Y = 1;
  double I = 0, J = 0;
};

class Scanner {
 public:
  explicit Scanner(std::string_view data) : text_(data) {}
  GerberArtwork Run();

 private:
  void Parameter(std::string_view block);
  void Statement(std::string_view st);
  void Perform(TTBPoint start, int op, bool coords, int gcode);
  void ApertureDefinition(std::string_view body);
  void FormatStatement(std::string_view body);
  void StepAndRepeat(std::string_view body);
  void EndRepeat();
  void ArcPoints(TTBPoint s, TTBPoint e, bool clockwise, std::vector<TTBPoint>& pts);
  void CloseContour();
  double Coordinate(std::string_view digits) const;
  double ChordTolerance() const { return GerberPixelSize(art_.Unit) * ChordFractionOfPixel; }
  void Notice(const char* m) { art_.Notices.emplace_back(m); }
  void Add(GerberItem&& it);

  std::string_view text_;
  GerberArtwork art_;
  Format fmt_;
  std::map<std::string, std::string> macros_;
  TTBPoint cur_{0, 0};
  double i_ = 0, j_ = 0;
  int32_t aperture_ = 0;
  int interp_ = 1;  // 1 linear, 2 clockwise, 3 counter-clockwise
  bool multiQuadrant_ = false;
  bool regionMode_ = false;
  bool clear_ = false;
  std::vector<TTBPoint> contour_;
  StepRepeat repeat_;
  bool repeating_ = false;
  size_t contourPoints_ = 0;
};

void Scanner::Add(GerberItem&& it) {
  contourPoints_ += it.Contour.size();
  if (art_.Items.size() >= MaxItems || contourPoints_ > MaxContourPoints)
    throw GerberError("Too many items to paint: the file draws more than " + std::to_string(MaxItems) + " strokes.");
  art_.Items.push_back(std::move(it));
}

[[noreturn]] void NotAnInteger(std::string_view digits) {
  throw GerberError("'" + std::string(digits) + "' is not a valid integer value");
}

// The digits after position k; k moves past them.
int32_t ReadInteger(std::string_view s, size_t& k) {
  const size_t from = k;
  while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k;
  if (k == from) NotAnInteger("");
  std::string_view d = s.substr(from, k - from);
  while (d.size() > 1 && d.front() == '0') d.remove_prefix(1);
  if (d.size() > 9) NotAnInteger(d);
  return static_cast<int32_t>(std::atol(std::string(d).c_str()));
}

// A plain decimal number (the aperture and repeat parameters).
double Decimal(std::string_view s) {
  const double v = std::strtod(std::string(s).c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

// Whether every number given after A and B in a parameter body equals v.
bool Identity(std::string_view b, double v) {
  for (size_t k = 0; k < b.size(); ++k) {
    if (b[k] != 'A' && b[k] != 'B') continue;
    size_t e = k + 1;
    while (e < b.size() && (std::isdigit(static_cast<unsigned char>(b[e])) || b[e] == '.' || b[e] == '-' || b[e] == '+')) ++e;
    if (Decimal(b.substr(k + 1, e - k - 1)) != v) return false;
    k = e - 1;
  }
  return true;
}

GerberArtwork Scanner::Run() {
  size_t k = 0;
  std::string st;
  while (k < text_.size()) {
    const char c = text_[k];
    if (c == '%') {
      const size_t end = text_.find('%', k + 1);
      const size_t stop = end == std::string_view::npos ? text_.size() : end;
      std::string block;
      for (size_t m = k + 1; m < stop; ++m)
        if (text_[m] != '\r' && text_[m] != '\n') block += text_[m];
      Parameter(block);
      k = stop + 1;
      continue;
    }
    if (c == '*') {
      Statement(st);
      st.clear();
    } else if (c != '\r' && c != '\n') {
      st += c;
    }
    ++k;
  }
  if (!st.empty()) Statement(st);
  CloseContour();
  EndRepeat();
  return std::move(art_);
}

void Scanner::Parameter(std::string_view block) {
  if (block.size() < 2) return;
  const std::string_view code = block.substr(0, 2), body = block.substr(2);
  if (code == "AM") {
    const size_t star = body.find('*');
    if (star == std::string_view::npos) return;
    macros_[std::string(body.substr(0, star))] = std::string(body.substr(star + 1));
    return;
  }
  // The other parameters hold one statement each; a block with several
  // (rare) is read statement by statement.
  size_t from = 0;
  while (from < block.size()) {
    size_t star = block.find('*', from);
    if (star == std::string_view::npos) star = block.size();
    const std::string_view one = block.substr(from, star - from);
    from = star + 1;
    if (one.size() < 2) continue;
    const std::string_view c = one.substr(0, 2), b = one.substr(2);
    if (c == "AD") ApertureDefinition(b);
    else if (c == "FS") FormatStatement(b);
    else if (c == "MO") {
      if (b.substr(0, 2) == "MM") art_.Unit = Units::Millimetre, art_.UnitGiven = true;
      else if (b.substr(0, 2) == "IN") art_.Unit = Units::Inch, art_.UnitGiven = true;
    } else if (c == "IP") {
      if (b.substr(0, 3) == "NEG") throw GerberError(NegativePolarityMessage);
    } else if (c == "LP") {
      clear_ = b.substr(0, 1) == "C";
    } else if (c == "SR") {
      StepAndRepeat(b);
    } else if (c == "AS") Notice("Axis Select Read But Ignored.");
    else if (c == "MI") Notice("Mirror Image Read But Ignored.");
    // An offset of zero and a scale of one (Eagle writes both) change nothing.
    else if (c == "OF" && !Identity(b, 0)) Notice("Offset Read But Ignored.");
    else if (c == "SF" && !Identity(b, 1)) Notice("Scale Factor Read But Ignored.");
    else if (c == "IJ") Notice("Image Justify Read But Ignored.");
    else if (c == "IF") Notice("Include File Not Read.");
    else if (c == "IO") Notice("Image Offset Read But Ignored.");
    else if (c == "IR") Notice("Image Rotation Read But Ignored.");
    else if (c == "KO") Notice("Knockout Read But Ignored.");
    else if (c == "RO") Notice("Rotate Read But Ignored.");
    // IN, PF, LN, the attributes TF, TA, TO, TD and anything unknown: nothing to do.
  }
}

void Scanner::FormatStatement(std::string_view b) {
  for (size_t k = 0; k < b.size(); ++k) {
    const char c = b[k];
    if (c == 'T') fmt_.TrailingOmitted = true;
    else if (c == 'L') fmt_.TrailingOmitted = false;
    else if (c == 'I') fmt_.Incremental = true;
    else if (c == 'A') fmt_.Incremental = false;
    else if ((c == 'X' || c == 'Y') && k + 2 < b.size() && std::isdigit(static_cast<unsigned char>(b[k + 1])) &&
             std::isdigit(static_cast<unsigned char>(b[k + 2]))) {
      fmt_.Integer = b[k + 1] - '0';
      fmt_.Decimal = b[k + 2] - '0';
      k += 2;
    }
  }
}

void Scanner::ApertureDefinition(std::string_view b) {
  if (b.empty() || b[0] != 'D') {
    Notice(InvalidApertureMessage);
    return;
  }
  size_t k = 1;
  const int32_t n = ReadInteger(b, k);
  const size_t comma = b.find(',', k);
  const std::string name(b.substr(k, comma == std::string_view::npos ? std::string_view::npos : comma - k));
  GerberAperture a;
  if (comma != std::string_view::npos) {
    std::string_view mods = b.substr(comma + 1);
    size_t from = 0;
    while (from <= mods.size() && a.Modifiers.size() < 20) {
      size_t x = mods.find('X', from);
      if (x == std::string_view::npos) x = mods.size();
      if (x > from || from > 0) a.Modifiers.push_back(Decimal(mods.substr(from, x - from)));
      from = x + 1;
    }
  }
  if (name.size() == 1 && name == "R") a.Type = GerberApertureType::Rectangle;
  else if (name.size() == 1 && name == "O") a.Type = GerberApertureType::Obround;
  else if (name.size() == 1 && name == "P") a.Type = GerberApertureType::Polygon;
  else if (const auto m = macros_.find(name); name.size() > 1 && m != macros_.end()) {
    a.Type = GerberApertureType::Macro;
    a.Shapes = EvaluateMacro(m->second, a.Modifiers, ChordTolerance());
  }
  art_.Apertures[n] = std::move(a);
}

void Scanner::StepAndRepeat(std::string_view b) {
  EndRepeat();
  StepRepeat r;
  r.FirstItem = art_.Items.size();
  for (size_t k = 0; k < b.size(); ++k) {
    const char c = b[k];
    if (c != 'X' && c != 'Y' && c != 'I' && c != 'J') continue;
    size_t e = k + 1;
    while (e < b.size() && (std::isdigit(static_cast<unsigned char>(b[e])) || b[e] == '.' || b[e] == '-' || b[e] == '+')) ++e;
    const double v = Decimal(b.substr(k + 1, e - k - 1));
    if (c == 'X') r.X = static_cast<int>(std::clamp(v, 1.0, MaxRepeats));
    if (c == 'Y') r.Y = static_cast<int>(std::clamp(v, 1.0, MaxRepeats));
    if (c == 'I') r.I = v;
    if (c == 'J') r.J = v;
    k = e - 1;
  }
  if (static_cast<double>(r.X) * r.Y > MaxRepeats) r.Y = std::max(1, static_cast<int>(MaxRepeats) / r.X);
  repeat_ = r;
  repeating_ = r.X > 1 || r.Y > 1;
}

void Scanner::EndRepeat() {
  if (!repeating_) return;
  repeating_ = false;
  const size_t first = repeat_.FirstItem, last = art_.Items.size();
  for (int y = 0; y < repeat_.Y; ++y)
    for (int x = 0; x < repeat_.X; ++x) {
      if (x == 0 && y == 0) continue;
      const double dx = x * repeat_.I, dy = y * repeat_.J;
      for (size_t k = first; k < last; ++k) {
        GerberItem it = art_.Items[k];
        it.A = {it.A.X + dx, it.A.Y + dy};
        it.B = {it.B.X + dx, it.B.Y + dy};
        for (auto& p : it.Contour) p = {p.X + dx, p.Y + dy};
        Add(std::move(it));
      }
    }
}

double Scanner::Coordinate(std::string_view s) const {
  if (s.find('.') != std::string_view::npos) return Decimal(s);
  bool negative = false;
  std::string digits;
  for (char c : s) {
    if (c == '-') negative = true;
    else if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.empty()) return 0;
  if (fmt_.TrailingOmitted) {
    const size_t total = static_cast<size_t>(fmt_.Integer + fmt_.Decimal);
    if (digits.size() < total) digits.append(total - digits.size(), '0');
  }
  const double v = std::strtod(digits.c_str(), nullptr) / std::pow(10.0, fmt_.Decimal);
  return negative ? -v : v;
}

void Scanner::Statement(std::string_view st) {
  const TTBPoint start = cur_;
  int op = -1, gcode = -1;
  bool coords = false;
  for (size_t k = 0; k < st.size();) {
    const char c = st[k];
    if (c == 'G') {
      ++k;
      const int32_t n = ReadInteger(st, k);
      if (n == 4) return;  // a comment: the rest of the statement is its text
      switch (n) {
        case 1: case 2: case 3: interp_ = n, gcode = n; break;
        case 36: CloseContour(), regionMode_ = true; break;
        case 37: CloseContour(), regionMode_ = false; break;
        case 74: multiQuadrant_ = false; break;
        case 75: multiQuadrant_ = true; break;
        case 70: art_.Unit = Units::Inch, art_.UnitGiven = true; break;
        case 71: art_.Unit = Units::Millimetre, art_.UnitGiven = true; break;
        case 90: fmt_.Incremental = false; break;
        case 91: fmt_.Incremental = true; break;
        case 0: gcode = 0; break;
        case 10: case 11: case 12: case 54: case 55: break;
        default: Notice(UnrecognisedGMessage); break;
      }
    } else if (c == 'D') {
      ++k;
      const int32_t n = ReadInteger(st, k);
      if (n >= 1 && n <= 3) op = n;
      else if (n >= 10) aperture_ = n;
    } else if (c == 'X' || c == 'Y' || c == 'I' || c == 'J') {
      size_t e = k + 1;
      while (e < st.size() && (std::isdigit(static_cast<unsigned char>(st[e])) || st[e] == '-' || st[e] == '+' || st[e] == '.'))
        ++e;
      const double v = Coordinate(st.substr(k + 1, e - k - 1));
      if (c == 'X') cur_.X = fmt_.Incremental ? cur_.X + v : v;
      if (c == 'Y') cur_.Y = fmt_.Incremental ? cur_.Y + v : v;
      if (c == 'I') i_ = v;
      if (c == 'J') j_ = v;
      coords = true;
      k = e;
    } else {
      ++k;
    }
  }
  Perform(start, op, coords, gcode);
  i_ = j_ = 0;
}

void Scanner::Perform(TTBPoint start, int op, bool coords, int gcode) {
  // A G01, G02 or G03 with coordinates and no D code draws, as D01 would.
  if (op < 0 && coords && gcode >= 1) op = 1;
  if (op < 0 && gcode == 0 && coords) op = 2;
  if (op == 2) {
    if (regionMode_) CloseContour();
    return;
  }
  if (op == 3 && !regionMode_) {
    GerberItem it;
    it.Kind = GerberItemKind::Flash;
    it.A = it.B = cur_;
    it.Aperture = aperture_;
    it.Clear = clear_;
    Add(std::move(it));
    return;
  }
  if (op != 1) return;
  std::vector<TTBPoint> pts{start};
  if (interp_ == 1) {
    if (cur_.X == start.X && cur_.Y == start.Y) return;
    pts.push_back(cur_);
  } else {
    ArcPoints(start, cur_, interp_ == 2, pts);
  }
  if (regionMode_) {
    if (contour_.empty()) contour_.push_back(start);
    contour_.insert(contour_.end(), pts.begin() + 1, pts.end());
    if (contour_.size() + contourPoints_ > MaxContourPoints)
      throw GerberError("Too many items to paint: the file draws more than " + std::to_string(MaxItems) + " strokes.");
    return;
  }
  for (size_t k = 1; k < pts.size(); ++k) {
    GerberItem it;
    it.Kind = GerberItemKind::Stroke;
    it.A = pts[k - 1];
    it.B = pts[k];
    it.Aperture = aperture_;
    it.Clear = clear_;
    Add(std::move(it));
  }
}

void Scanner::ArcPoints(TTBPoint s, TTBPoint e, bool clockwise, std::vector<TTBPoint>& pts) {
  auto sweepOf = [&](TTBPoint c) {
    const double a0 = std::atan2(s.Y - c.Y, s.X - c.X), a1 = std::atan2(e.Y - c.Y, e.X - c.X);
    double sw = clockwise ? a0 - a1 : a1 - a0;  // positive in the arc's own sense
    while (sw < 0) sw += TwoPi;
    while (sw >= TwoPi) sw -= TwoPi;
    return sw;
  };
  TTBPoint c{s.X + i_, s.Y + j_};
  double sweep;
  if (multiQuadrant_) {
    sweep = sweepOf(c);
    if (sweep == 0 && s.X == e.X && s.Y == e.Y) sweep = TwoPi;
  } else {
    // Single quadrant: the offsets are unsigned; the centre is the one of
    // the four that is as far from both ends and gives a quarter at most.
    double best = -1;
    sweep = 0;
    for (int sx = -1; sx <= 1; sx += 2)
      for (int sy = -1; sy <= 1; sy += 2) {
        const TTBPoint cc{s.X + sx * std::fabs(i_), s.Y + sy * std::fabs(j_)};
        const double sw = sweepOf(cc);
        if (sw > Pi / 2 + QuadrantSlack) continue;
        const double miss = std::fabs(std::hypot(s.X - cc.X, s.Y - cc.Y) - std::hypot(e.X - cc.X, e.Y - cc.Y));
        if (best < 0 || miss < best) best = miss, c = cc, sweep = sw;
      }
    if (best < 0) {
      pts.push_back(e);
      return;
    }
  }
  const double r0 = std::hypot(s.X - c.X, s.Y - c.Y), r1 = std::hypot(e.X - c.X, e.Y - c.Y);
  const double r = std::max(r0, r1), tol = ChordTolerance();
  int n = 1;
  if (r > tol && std::isfinite(r) && std::isfinite(sweep)) {
    const double step = 2 * std::acos(std::max(-1.0, 1 - tol / r));
    // Clamped before the conversion: a huge arc's chord count is beyond int.
    n = static_cast<int>(std::clamp(std::ceil(sweep / std::max(step, 1e-9)), 1.0, double(MaxArcChords)));
  }
  const double a0 = std::atan2(s.Y - c.Y, s.X - c.X), dir = clockwise ? -1 : 1;
  for (int k = 1; k < n; ++k) {
    const double t = static_cast<double>(k) / n, a = a0 + dir * sweep * t, rr = r0 + (r1 - r0) * t;
    pts.push_back({c.X + rr * std::cos(a), c.Y + rr * std::sin(a)});
  }
  pts.push_back(e);
}

void Scanner::CloseContour() {
  if (contour_.size() >= 3) {
    GerberItem it;
    it.Kind = GerberItemKind::Contour;
    it.Contour = std::move(contour_);
    it.A = it.B = it.Contour.front();
    it.Clear = clear_;
    Add(std::move(it));
  }
  contour_.clear();
}

}  // namespace

GerberArtwork ScanGerber(std::string_view data) { return Scanner(data).Run(); }

}  // namespace tibrel
