#include "gerber/macro.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tibrel {

namespace {

constexpr double DegreesToRadians = Pi / 180.0;
// Nothing in a pad needs more corners than this; it also bounds the work a
// hostile outline primitive can ask for.
constexpr int MaxOutlinePoints = 100000;

// Recursive descent over one expression; unreadable text gives 0 and
// marks the statement bad.
struct Expression {
  std::string_view text;
  size_t pos = 0;
  const std::vector<double>& vars;
  bool bad = false;

  char Peek() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return pos < text.size() ? text[pos] : '\0';
  }
  double Primary(int depth) {
    const char c = Peek();
    if (depth > 64) return bad = true, 0;
    if (c == '(') {
      ++pos;
      const double v = Sum(depth + 1);
      if (Peek() == ')') ++pos;
      else bad = true;
      return v;
    }
    if (c == '-' || c == '+') {
      ++pos;
      const double v = Primary(depth + 1);
      return c == '-' ? -v : v;
    }
    if (c == '$') {
      ++pos;
      size_t n = 0;
      const size_t from = pos;
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - from < 6) n = n * 10 + (text[pos++] - '0');
      if (pos == from) return bad = true, 0;
      return n >= 1 && n <= vars.size() ? vars[n - 1] : 0;
    }
    const size_t from = pos;
    while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == '.')) ++pos;
    if (pos == from) return bad = true, 0;
    return std::strtod(std::string(text.substr(from, pos - from)).c_str(), nullptr);
  }
  double Product(int depth) {
    double v = Primary(depth);
    for (char c = Peek(); c == 'x' || c == 'X' || c == '/'; c = Peek()) {
      ++pos;
      const double r = Primary(depth);
      v = c == '/' ? (r != 0 ? v / r : 0) : v * r;
    }
    return v;
  }
  double Sum(int depth) {
    double v = Product(depth);
    for (char c = Peek(); c == '+' || c == '-'; c = Peek()) {
      ++pos;
      const double r = Product(depth);
      v = c == '+' ? v + r : v - r;
    }
    return v;
  }
};

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  size_t from = 0;
  for (size_t k = 0; k <= s.size(); ++k)
    if (k == s.size() || s[k] == sep) out.push_back(s.substr(from, k - from)), from = k + 1;
  return out;
}

TTBPoint Rotate(TTBPoint p, double degrees) {
  if (degrees == 0) return p;
  const double a = degrees * DegreesToRadians, c = std::cos(a), s = std::sin(a);
  return {p.X * c - p.Y * s, p.X * s + p.Y * c};
}

GerberPrimitive Polygon(std::vector<TTBPoint> pts, double rotation, bool clear) {
  GerberPrimitive g;
  for (auto& p : pts) p = Rotate(p, rotation);
  g.Points = std::move(pts);
  g.Clear = clear;
  return g;
}

GerberPrimitive Circle(TTBPoint c, double d, double rotation, bool clear) {
  GerberPrimitive g;
  g.Circle = true;
  g.Centre = Rotate(c, rotation);
  g.Radius = std::fabs(d) / 2;
  g.Clear = clear;
  return g;
}

// A centred rectangle w by h at c.
std::vector<TTBPoint> Box(TTBPoint c, double w, double h) {
  return {{c.X - w / 2, c.Y - h / 2}, {c.X + w / 2, c.Y - h / 2}, {c.X + w / 2, c.Y + h / 2}, {c.X - w / 2, c.Y + h / 2}};
}

// The four quarters of a thermal: the ring between the two diameters less
// the cross of the gap, each quarter a polygon.
void Thermal(const std::vector<double>& a, double tol, std::vector<GerberPrimitive>& out) {
  const TTBPoint c{a[0], a[1]};
  const double ro = std::fabs(a[2]) / 2, ri = std::fabs(a[3]) / 2, g = std::fabs(a[4]) / 2, rot = a.size() > 5 ? a[5] : 0;
  if (!(ro > g) || !(ro > ri)) return;
  const double a0 = std::asin(std::min(1.0, g / ro)), a1 = Pi / 2 - a0;
  // Bounded before the conversion: the count may be huge or not a number.
  const double want = std::ceil((a1 - a0) / (2 * std::acos(std::max(0.0, 1 - tol / ro))));
  const int steps = want >= 256 ? 256 : want >= 1 ? static_cast<int>(want) : 1;
  for (int q = 0; q < 4; ++q) {
    std::vector<TTBPoint> pts;
    for (int k = 0; k <= steps; ++k) {
      const double t = a0 + (a1 - a0) * k / steps;
      pts.push_back(Rotate({ro * std::cos(t), ro * std::sin(t)}, 90.0 * q));
    }
    if (ri > g) {
      const double b0 = std::asin(g / ri), b1 = Pi / 2 - b0;
      for (int k = steps; k >= 0; --k) {
        const double t = b0 + (b1 - b0) * k / steps;
        pts.push_back(Rotate({ri * std::cos(t), ri * std::sin(t)}, 90.0 * q));
      }
    } else {
      pts.push_back(Rotate({g, g}, 90.0 * q));
    }
    for (auto& p : pts) p = {p.X + c.X, p.Y + c.Y};
    out.push_back(Polygon(std::move(pts), rot, false));
  }
}

void Primitive(int code, const std::vector<double>& a, double tol, std::vector<GerberPrimitive>& out) {
  auto need = [&](size_t n) { return a.size() >= n; };
  const bool clear = !a.empty() && a[0] == 0;
  switch (code) {
    case 1:
      if (need(4)) out.push_back(Circle({a[2], a[3]}, a[1], need(5) ? a[4] : 0, clear));
      break;
    case 2:
    case 20:
      if (need(7)) {
        const double dx = a[4] - a[2], dy = a[5] - a[3], len = std::hypot(dx, dy), w = a[1] / 2;
        if (len == 0) break;
        const double nx = -dy / len * w, ny = dx / len * w;
        out.push_back(Polygon({{a[2] + nx, a[3] + ny}, {a[2] - nx, a[3] - ny}, {a[4] - nx, a[5] - ny}, {a[4] + nx, a[5] + ny}},
                              a[6], clear));
      }
      break;
    case 21:
      if (need(6)) out.push_back(Polygon(Box({a[3], a[4]}, a[1], a[2]), a[5], clear));
      break;
    case 22:
      if (need(6)) out.push_back(Polygon(Box({a[3] + a[1] / 2, a[4] + a[2] / 2}, a[1], a[2]), a[5], clear));
      break;
    case 4: {
      if (!need(2) || !(a[1] >= 1) || a[1] > MaxOutlinePoints) break;
      const size_t n = static_cast<size_t>(a[1]) + 1;
      if (!need(2 + 2 * n)) break;
      std::vector<TTBPoint> pts;
      for (size_t k = 0; k < n; ++k) pts.push_back({a[2 + 2 * k], a[3 + 2 * k]});
      out.push_back(Polygon(std::move(pts), need(3 + 2 * n) ? a[2 + 2 * n] : 0, clear));
      break;
    }
    case 5: {
      if (!need(5) || !(a[1] >= 3) || a[1] > 1000) break;
      const int n = static_cast<int>(a[1]);
      std::vector<TTBPoint> pts;
      for (int k = 0; k < n; ++k) {
        const double t = TwoPi * k / n;
        pts.push_back({a[2] + a[4] / 2 * std::cos(t), a[3] + a[4] / 2 * std::sin(t)});
      }
      out.push_back(Polygon(std::move(pts), need(6) ? a[5] : 0, clear));
      break;
    }
    case 6:
      if (need(3)) out.push_back(Circle({a[0], a[1]}, a[2], a.size() > 8 ? a[8] : 0, false));
      break;
    case 7:
      if (need(5)) Thermal(a, tol, out);
      break;
    default:
      break;
  }
}

}  // namespace

std::vector<GerberPrimitive> EvaluateMacro(const std::string& body, const std::vector<double>& modifiers,
                                           double chordTolerance) {
  std::vector<double> vars = modifiers;
  std::vector<GerberPrimitive> out;
  for (std::string_view st : Split(body, '*')) {
    while (!st.empty() && (st.front() == ' ' || st.front() == '\n' || st.front() == '\r')) st.remove_prefix(1);
    if (st.empty() || st.front() == '0') continue;  // a comment
    if (st.front() == '$') {
      const size_t eq = st.find('=');
      if (eq == std::string_view::npos) continue;
      const int n = std::atoi(std::string(st.substr(1, eq - 1)).c_str());
      if (n < 1 || n > 10000) continue;
      Expression e{st.substr(eq + 1), 0, vars};
      const double v = e.Sum(0);
      if (static_cast<size_t>(n) > vars.size()) vars.resize(static_cast<size_t>(n), 0);
      vars[static_cast<size_t>(n) - 1] = v;
      continue;
    }
    const auto parts = Split(st, ',');
    const int code = std::atoi(std::string(parts[0]).c_str());
    std::vector<double> args;
    bool bad = false;
    for (size_t k = 1; k < parts.size(); ++k) {
      Expression e{parts[k], 0, vars};
      args.push_back(e.Sum(0));
      bad = bad || e.bad || !std::isfinite(args.back());
    }
    if (!bad) Primitive(code, args, chordTolerance, out);
  }
  return out;
}

}  // namespace tibrel
