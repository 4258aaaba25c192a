#include "app/svg_path.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string>

namespace tibrel {

namespace {

bool IsSpace(QChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsDigit(QChar c) { return c >= '0' && c <= '9'; }

// Reads the tokens of SVG's number grammar from a text. Every successful
// read moves past the token and the separator after it (white space with
// at most one comma), so a caller that loops on reads always advances.
class Scanner {
 public:
  explicit Scanner(QStringView text) : t_(text) {}

  bool AtEnd() {
    SkipSpace();
    return i_ >= t_.size();
  }
  QChar Peek() {
    SkipSpace();
    return i_ < t_.size() ? t_[i_] : QChar();
  }
  void Advance() { ++i_; }
  bool AtNumber() {
    const QChar c = Peek();
    return IsDigit(c) || c == '.' || c == '-' || c == '+';
  }

  // sign? (digits ('.' digits?)? | '.' digits) exponent?; an 'e' that no
  // exponent digits follow is left for the next read, which refuses it.
  bool Number(double& value) {
    SkipSpace();
    const qsizetype begin = i_;
    if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
    int digits = SkipDigits();
    if (i_ < t_.size() && t_[i_] == '.') {
      ++i_;
      digits += SkipDigits();
    }
    if (digits == 0) return false;
    if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
      qsizetype j = i_ + 1;
      if (j < t_.size() && (t_[j] == '+' || t_[j] == '-')) ++j;
      if (j < t_.size() && IsDigit(t_[j])) {
        i_ = j;
        SkipDigits();
      }
    }
    // from_chars is free of the locale but takes no leading '+'.
    std::string token = t_.mid(begin, i_ - begin).toLatin1().toStdString();
    if (token[0] == '+') token.erase(0, 1);
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size()) return false;
    if (!std::isfinite(value) || std::abs(value) > SvgNumberLimit) return false;
    SkipSeparator();
    return true;
  }

  // An arc flag is one character, so "011" is two flags and a number.
  bool Flag(bool& value) {
    SkipSpace();
    if (i_ >= t_.size() || (t_[i_] != '0' && t_[i_] != '1')) return false;
    value = t_[i_++] == '1';
    SkipSeparator();
    return true;
  }

  bool Point(QPointF& p) {
    double x = 0, y = 0;
    if (!Number(x) || !Number(y)) return false;
    p = QPointF(x, y);
    return true;
  }

 private:
  void SkipSpace() {
    while (i_ < t_.size() && IsSpace(t_[i_])) ++i_;
  }
  void SkipSeparator() {
    SkipSpace();
    if (i_ < t_.size() && t_[i_] == ',') {
      ++i_;
      SkipSpace();
    }
  }
  int SkipDigits() {
    int n = 0;
    for (; i_ < t_.size() && IsDigit(t_[i_]); ++i_) ++n;
    return n;
  }

  QStringView t_;
  qsizetype i_ = 0;
};

// The state of a path between commands: where the pen is, where the
// subpath began, and the control point the smooth curves reflect.
struct PathState {
  QPainterPath& path;
  QPointF current, start;
  QPointF cubicControl, quadControl;
  bool cubicBefore = false, quadBefore = false;
  bool closed = false;  // a Z came last: the next drawing starts from `start`

  void BeginDrawing() {
    if (closed) path.moveTo(current);
    closed = false;
  }
};

bool IsCommand(QChar c) {
  switch (c.toUpper().unicode()) {
    case 'M': case 'L': case 'H': case 'V': case 'C': case 'S': case 'Q': case 'T': case 'A': case 'Z':
      return true;
    default:
      return false;
  }
}

// The commands' parameter groups, read and drawn; `base` is added to
// relative coordinates. Each returns false when the group is malformed.
bool MoveTo(Scanner& s, QPointF base, PathState& st) {
  QPointF p;
  if (!s.Point(p)) return false;
  st.current = st.start = p + base;
  st.path.moveTo(st.current);
  st.closed = false;
  return true;
}

bool LineTo(Scanner& s, char c, QPointF base, PathState& st) {
  QPointF p = st.current;
  double v = 0;
  if (c == 'L') {
    if (!s.Point(p)) return false;
    p += base;
  } else if (!s.Number(v)) {
    return false;
  } else if (c == 'H') {
    p.setX(v + base.x());
  } else {
    p.setY(v + base.y());
  }
  st.BeginDrawing();
  st.path.lineTo(p);
  st.current = p;
  return true;
}

// C, or S with its first control point the reflection of the last cubic's.
bool CubicTo(Scanner& s, char c, QPointF base, PathState& st) {
  QPointF c1 = st.cubicBefore ? 2 * st.current - st.cubicControl : st.current, c2, p;
  if (c == 'C' && !s.Point(c1)) return false;
  if (!s.Point(c2) || !s.Point(p)) return false;
  if (c == 'C') c1 += base;
  st.BeginDrawing();
  st.path.cubicTo(c1, c2 + base, p + base);
  st.cubicControl = c2 + base;
  st.current = p + base;
  return true;
}

// Q, or T with its control point the reflection of the last quadratic's.
bool QuadTo(Scanner& s, char c, QPointF base, PathState& st) {
  QPointF c1 = st.quadBefore ? 2 * st.current - st.quadControl : st.current, p;
  if (c == 'Q') {
    if (!s.Point(c1)) return false;
    c1 += base;
  }
  if (!s.Point(p)) return false;
  st.BeginDrawing();
  st.path.quadTo(c1, p + base);
  st.quadControl = c1;
  st.current = p + base;
  return true;
}

bool ArcTo(Scanner& s, QPointF base, PathState& st) {
  double rx = 0, ry = 0, rotation = 0;
  bool large = false, sweep = false;
  QPointF p;
  if (!s.Number(rx) || !s.Number(ry) || !s.Number(rotation) || !s.Flag(large) || !s.Flag(sweep) || !s.Point(p))
    return false;
  st.BeginDrawing();
  AppendSvgArc(st.path, st.current, rx, ry, rotation, large, sweep, p + base);
  st.current = p + base;
  return true;
}

// One parameter group of command `c` (upper case).
bool DrawOne(Scanner& s, char c, bool relative, PathState& st) {
  const QPointF base = relative ? st.current : QPointF();
  bool done = false;
  switch (c) {
    case 'M': done = MoveTo(s, base, st); break;
    case 'L': case 'H': case 'V': done = LineTo(s, c, base, st); break;
    case 'C': case 'S': done = CubicTo(s, c, base, st); break;
    case 'Q': case 'T': done = QuadTo(s, c, base, st); break;
    case 'A': done = ArcTo(s, base, st); break;
    default: break;
  }
  st.cubicBefore = c == 'C' || c == 'S';
  st.quadBefore = c == 'Q' || c == 'T';
  return done;
}

// A point (x, y) of the unit circle carried onto the turned ellipse about `centre`.
QPointF OnEllipse(const QPointF& centre, double rx, double ry, double cosPhi, double sinPhi, double x, double y) {
  return QPointF(centre.x() + rx * cosPhi * x - ry * sinPhi * y, centre.y() + rx * sinPhi * x + ry * cosPhi * y);
}

}  // namespace

bool ParsePathData(QStringView data, QPainterPath& path) {
  Scanner s(data);
  PathState st{path, {}, {}, {}, {}};
  char command = 0;
  bool relative = false;
  while (!s.AtEnd()) {
    const QChar c = s.Peek();
    if (IsCommand(c)) {
      command = static_cast<char>(c.toUpper().unicode());
      relative = c.isLower();
      s.Advance();
      if (command == 'Z') {
        st.path.closeSubpath();
        st.current = st.start;
        st.closed = true;
        st.cubicBefore = st.quadBefore = false;
        continue;
      }
    } else if (!s.AtNumber() || command == 0 || command == 'Z') {
      return false;  // numbers need a command, and Z takes none
    } else if (command == 'M') {
      command = 'L';  // the pairs after a move are lines
    }
    if (st.path.elementCount() == 0 && command != 'M') return false;
    if (!DrawOne(s, command, relative, st)) return false;
  }
  return true;
}

bool ParseNumberList(QStringView text, std::vector<double>& numbers) {
  Scanner s(text);
  numbers.clear();
  while (!s.AtEnd()) {
    double v = 0;
    if (!s.Number(v)) return false;
    numbers.push_back(v);
  }
  return true;
}

void AppendSvgArc(QPainterPath& path, QPointF from, double rx, double ry, double rotationDegrees, bool largeArc,
                  bool sweep, QPointF to) {
  if (from == to) return;  // SVG leaves such an arc out
  rx = std::abs(rx);
  ry = std::abs(ry);
  if (rx == 0 || ry == 0) {
    path.lineTo(to);
    return;
  }
  // The centre from the end points (SVG's conversion from the endpoint to
  // the centre form), in the frame of the ellipse's axes.
  const double phi = rotationDegrees * std::numbers::pi / 180;
  const double cosPhi = std::cos(phi), sinPhi = std::sin(phi);
  const double dx = (from.x() - to.x()) / 2, dy = (from.y() - to.y()) / 2;
  const double x1 = cosPhi * dx + sinPhi * dy, y1 = -sinPhi * dx + cosPhi * dy;
  const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
  if (lambda > 1) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
  const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
  double coef = std::sqrt(std::max(0.0, num / den));  // negative only by rounding when the radii were grown
  if (largeArc == sweep) coef = -coef;
  const double cx1 = coef * rx * y1 / ry, cy1 = -coef * ry * x1 / rx;
  const QPointF centre(cosPhi * cx1 - sinPhi * cy1 + (from.x() + to.x()) / 2,
                       sinPhi * cx1 + cosPhi * cy1 + (from.y() + to.y()) / 2);
  const double start = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
  double delta = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx) - start;
  if (sweep && delta < 0) delta += 2 * std::numbers::pi;
  if (!sweep && delta > 0) delta -= 2 * std::numbers::pi;

  // Quarter turns at most: a cubic then stays within 3e-4 of the radius.
  const int pieces = std::max(1, static_cast<int>(std::ceil(std::abs(delta) / (std::numbers::pi / 2) - 1e-9)));
  const double step = delta / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int n = 0; n < pieces; ++n) {
    const double a = start + n * step, b = a + step;
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const QPointF c1 = OnEllipse(centre, rx, ry, cosPhi, sinPhi, ca - k * sa, sa + k * ca);
    const QPointF c2 = OnEllipse(centre, rx, ry, cosPhi, sinPhi, cb + k * sb, sb - k * cb);
    const QPointF end = n + 1 == pieces ? to : OnEllipse(centre, rx, ry, cosPhi, sinPhi, cb, sb);
    path.cubicTo(c1, c2, end);
  }
}

}  // namespace tibrel
