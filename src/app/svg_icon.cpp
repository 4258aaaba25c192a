#include "app/svg_icon.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "app/svg_path.h"

namespace tibrel {

namespace {

constexpr int MaxDepth = 64;
constexpr int MaxElements = 10000;

// Why a document was refused; thrown inside the reader only.
struct Refusal {
  QString why;
};

[[noreturn]] void Refuse(const QString& why) { throw Refusal{why}; }

double Number(QStringView text, const QString& what) {
  std::vector<double> v;
  if (!ParseNumberList(text, v) || v.size() != 1) Refuse("bad number in " + what + ": " + text.toString());
  return v[0];
}

// A length in user units: a plain number or one in px.
double Length(QStringView text, const QString& what) {
  text = text.trimmed();
  if (text.endsWith(QLatin1String("px"))) text.chop(2);
  return Number(text, what);
}

double Opacity(QStringView text, const QString& what) { return std::clamp(Number(text, what), 0.0, 1.0); }

int HexDigit(QChar c) {
  if (c >= '0' && c <= '9') return c.unicode() - '0';
  if (c >= 'a' && c <= 'f') return c.unicode() - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c.unicode() - 'A' + 10;
  return -1;
}

SvgPaint Paint(QStringView text) {
  text = text.trimmed();
  if (text == QLatin1String("none")) return {};
  if (text == QLatin1String("currentColor")) return {SvgPaint::Kind::CurrentColour, {}};
  if (text.startsWith('#') && (text.size() == 4 || text.size() == 7)) {
    int rgb[3];
    const bool shortForm = text.size() == 4;
    for (int k = 0; k < 3; ++k) {
      const int hi = HexDigit(text[shortForm ? 1 + k : 1 + 2 * k]);
      const int lo = HexDigit(text[shortForm ? 1 + k : 2 + 2 * k]);
      if (hi < 0 || lo < 0) Refuse("bad colour: " + text.toString());
      rgb[k] = hi * 16 + lo;
    }
    return {SvgPaint::Kind::Colour, QColor(rgb[0], rgb[1], rgb[2])};
  }
  // The colour keywords: letters only, so that Qt's own forms (#aarrggbb)
  // are not taken for SVG's.
  const bool word = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
  const QColor named = word ? QColor::fromString(text) : QColor();
  if (!named.isValid()) Refuse("unknown colour: " + text.toString());
  return {SvgPaint::Kind::Colour, named};
}

// One presentation property into the style; other names are ignored.
// `visible` is cleared by display:none.
void ApplyProperty(SvgStyle& s, bool& visible, QStringView name, QStringView value) {
  value = value.trimmed();
  const QString what = name.toString();
  if (name == QLatin1String("fill")) s.fill = Paint(value);
  else if (name == QLatin1String("stroke")) s.stroke = Paint(value);
  else if (name == QLatin1String("stroke-width")) {
    s.strokeWidth = Length(value, what);
    if (s.strokeWidth < 0) Refuse("negative stroke-width");
  } else if (name == QLatin1String("stroke-linecap")) {
    if (value == QLatin1String("butt")) s.cap = Qt::FlatCap;
    else if (value == QLatin1String("round")) s.cap = Qt::RoundCap;
    else if (value == QLatin1String("square")) s.cap = Qt::SquareCap;
    else Refuse("bad stroke-linecap: " + value.toString());
  } else if (name == QLatin1String("stroke-linejoin")) {
    if (value == QLatin1String("miter")) s.join = Qt::SvgMiterJoin;
    else if (value == QLatin1String("round")) s.join = Qt::RoundJoin;
    else if (value == QLatin1String("bevel")) s.join = Qt::BevelJoin;
    else Refuse("bad stroke-linejoin: " + value.toString());
  } else if (name == QLatin1String("stroke-miterlimit")) {
    s.miterLimit = Number(value, what);
    if (s.miterLimit < 1) Refuse("stroke-miterlimit below 1");
  } else if (name == QLatin1String("fill-rule")) {
    if (value == QLatin1String("nonzero")) s.fillRule = Qt::WindingFill;
    else if (value == QLatin1String("evenodd")) s.fillRule = Qt::OddEvenFill;
    else Refuse("bad fill-rule: " + value.toString());
  } else if (name == QLatin1String("opacity")) s.opacity *= Opacity(value, what);
  else if (name == QLatin1String("fill-opacity")) s.fillOpacity = Opacity(value, what);
  else if (name == QLatin1String("stroke-opacity")) s.strokeOpacity = Opacity(value, what);
  else if (name == QLatin1String("display")) visible = value != QLatin1String("none");
}

// One transform function with its numbers, as a QTransform (which maps row
// vectors: the function applied first stands first in a product).
QTransform TransformFunction(QStringView name, const std::vector<double>& a) {
  const auto count = [&](std::initializer_list<size_t> allowed) {
    if (std::find(allowed.begin(), allowed.end(), a.size()) == allowed.end())
      Refuse("wrong number of arguments to " + name.toString());
  };
  const auto radians = [](double degrees) { return degrees * std::numbers::pi / 180; };
  if (name == QLatin1String("translate")) {
    count({1, 2});
    return QTransform::fromTranslate(a[0], a.size() == 2 ? a[1] : 0);
  }
  if (name == QLatin1String("scale")) {
    count({1, 2});
    return QTransform::fromScale(a[0], a.size() == 2 ? a[1] : a[0]);
  }
  if (name == QLatin1String("rotate")) {
    count({1, 3});
    const double cx = a.size() == 3 ? a[1] : 0, cy = a.size() == 3 ? a[2] : 0;
    return QTransform::fromTranslate(-cx, -cy) * QTransform().rotate(a[0]) * QTransform::fromTranslate(cx, cy);
  }
  if (name == QLatin1String("matrix")) {
    count({6});
    return QTransform(a[0], a[1], a[2], a[3], a[4], a[5]);
  }
  if (name == QLatin1String("skewX")) {
    count({1});
    return QTransform(1, 0, std::tan(radians(a[0])), 1, 0, 0);
  }
  if (name == QLatin1String("skewY")) {
    count({1});
    return QTransform(1, std::tan(radians(a[0])), 0, 1, 0, 0);
  }
  Refuse("unknown transform: " + name.toString());
}

// A transform attribute ("translate(2 3) rotate(45)"): the functions apply
// from the right, as SVG composes them.
QTransform Transform(QStringView text) {
  QTransform total;
  qsizetype i = 0;
  const auto skip = [&] {
    while (i < text.size() && (text[i].isSpace() || text[i] == ',')) ++i;
  };
  for (skip(); i < text.size(); skip()) {
    const qsizetype nameBegin = i;
    while (i < text.size() && text[i].isLetter()) ++i;
    const QStringView name = text.mid(nameBegin, i - nameBegin);
    while (i < text.size() && text[i].isSpace()) ++i;
    const qsizetype close = text.indexOf(')', i);
    if (name.isEmpty() || i >= text.size() || text[i] != '(' || close < 0) Refuse("bad transform: " + text.toString());
    std::vector<double> args;
    if (!ParseNumberList(text.mid(i + 1, close - i - 1), args)) Refuse("bad transform: " + text.toString());
    total = TransformFunction(name, args) * total;
    i = close + 1;
  }
  return total;
}

struct Frame {
  SvgStyle style;
  QTransform transform;
};

// The frame of an element: its parent's, changed by its attributes; the
// style attribute's declarations win over the presentation attributes.
Frame ElementFrame(const QXmlStreamAttributes& attributes, const Frame& parent, bool& visible) {
  Frame f = parent;
  visible = true;
  QStringView style;
  for (const QXmlStreamAttribute& a : attributes) {
    if (!a.namespaceUri().isEmpty()) continue;
    if (a.name() == QLatin1String("transform")) f.transform = Transform(a.value()) * parent.transform;
    else if (a.name() == QLatin1String("style")) style = a.value();
    else ApplyProperty(f.style, visible, a.name(), a.value());
  }
  for (QStringView declaration : style.split(';')) {
    const qsizetype colon = declaration.indexOf(':');
    if (colon < 0) continue;
    ApplyProperty(f.style, visible, declaration.left(colon).trimmed(), declaration.mid(colon + 1));
  }
  return f;
}

double Attribute(const QXmlStreamAttributes& a, const char* name, double fallback = 0) {
  const QStringView v = a.value(QLatin1String(name));
  return v.isEmpty() ? fallback : Length(v, QString::fromLatin1(name));
}

// A size attribute: negative is an error, zero leaves the shape undrawn.
double Size(const QXmlStreamAttributes& a, const char* name) {
  const double v = Attribute(a, name);
  if (v < 0) Refuse(QString("negative %1").arg(name));
  return v;
}

QPainterPath RoundedRect(const QXmlStreamAttributes& a) {
  const QRectF r(Attribute(a, "x"), Attribute(a, "y"), Size(a, "width"), Size(a, "height"));
  if (r.width() == 0 || r.height() == 0) return {};
  const bool hasRx = a.hasAttribute(QLatin1String("rx")), hasRy = a.hasAttribute(QLatin1String("ry"));
  double rx = Size(a, "rx"), ry = Size(a, "ry");
  if (hasRx && !hasRy) ry = rx;
  if (hasRy && !hasRx) rx = ry;
  QPainterPath path;
  if (rx == 0 || ry == 0) path.addRect(r);
  else path.addRoundedRect(r, std::min(rx, r.width() / 2), std::min(ry, r.height() / 2));
  return path;
}

QPainterPath Points(const QXmlStreamAttributes& a, bool close) {
  std::vector<double> v;
  if (!ParseNumberList(a.value(QLatin1String("points")), v) || v.size() % 2 != 0)
    Refuse("bad points: " + a.value(QLatin1String("points")).toString());
  QPainterPath path;
  if (v.size() < 4) return path;
  path.moveTo(v[0], v[1]);
  for (size_t k = 2; k < v.size(); k += 2) path.lineTo(v[k], v[k + 1]);
  if (close) path.closeSubpath();
  return path;
}

// The outline of a shape element; false for an element that is not one.
bool ShapePath(QStringView name, const QXmlStreamAttributes& a, QPainterPath& path) {
  if (name == QLatin1String("path")) {
    if (!ParsePathData(a.value(QLatin1String("d")), path)) Refuse("bad path data: " + a.value(QLatin1String("d")).toString());
  } else if (name == QLatin1String("rect")) {
    path = RoundedRect(a);
  } else if (name == QLatin1String("circle") || name == QLatin1String("ellipse")) {
    const bool circle = name == QLatin1String("circle");
    const double rx = Size(a, circle ? "r" : "rx"), ry = circle ? rx : Size(a, "ry");
    if (rx > 0 && ry > 0) path.addEllipse(QPointF(Attribute(a, "cx"), Attribute(a, "cy")), rx, ry);
  } else if (name == QLatin1String("line")) {
    path.moveTo(Attribute(a, "x1"), Attribute(a, "y1"));
    path.lineTo(Attribute(a, "x2"), Attribute(a, "y2"));
  } else if (name == QLatin1String("polyline") || name == QLatin1String("polygon")) {
    path = Points(a, name == QLatin1String("polygon"));
  } else {
    return false;
  }
  return true;
}

QRectF ViewBox(const QXmlStreamAttributes& a) {
  if (a.hasAttribute(QLatin1String("viewBox"))) {
    std::vector<double> v;
    if (!ParseNumberList(a.value(QLatin1String("viewBox")), v) || v.size() != 4 || v[2] <= 0 || v[3] <= 0)
      Refuse("bad viewBox: " + a.value(QLatin1String("viewBox")).toString());
    return QRectF(v[0], v[1], v[2], v[3]);
  }
  const double w = Attribute(a, "width"), h = Attribute(a, "height");
  if (w <= 0 || h <= 0) Refuse("no viewBox and no width and height");
  return QRectF(0, 0, w, h);
}

SvgDrawing Read(const QByteArray& bytes) {
  if (bytes.size() > SvgMaxBytes) Refuse("file too large for an icon");
  QXmlStreamReader xml(bytes);
  SvgDrawing drawing;
  std::vector<Frame> frames;
  int skipped = 0;  // depth inside an element that is left out
  int elements = 0;
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) {
      if (skipped > 0) --skipped;
      else if (!frames.empty()) frames.pop_back();
      continue;
    }
    if (token != QXmlStreamReader::StartElement) continue;
    if (++elements > MaxElements) Refuse("too many elements");
    if (skipped > 0) {
      ++skipped;
      continue;
    }
    const QStringView name = xml.name();
    const QXmlStreamAttributes attributes = xml.attributes();
    if (frames.empty()) {
      if (name != QLatin1String("svg")) Refuse("not an SVG document");
      drawing.viewBox = ViewBox(attributes);
    }
    if (frames.size() >= MaxDepth) Refuse("groups nested too deep");
    bool visible = true;
    Frame frame = ElementFrame(attributes, frames.empty() ? Frame{} : frames.back(), visible);
    QPainterPath path;
    const bool group = frames.empty() || name == QLatin1String("g");
    if (!visible || (!group && !ShapePath(name, attributes, path))) {
      skipped = 1;  // hidden, or not drawn: its content goes with it
    } else if (group) {
      frames.push_back(frame);
    } else {
      if (!path.isEmpty()) {
        path.setFillRule(frame.style.fillRule);
        drawing.shapes.push_back({path, frame.transform, frame.style});
      }
      skipped = 1;  // a shape's children (titles, animations) are not drawn
    }
  }
  if (xml.hasError()) Refuse(xml.errorString());
  if (drawing.shapes.empty()) Refuse("nothing to draw");
  return drawing;
}

QColor Resolve(const SvgPaint& paint, const QColor& current, double opacity) {
  QColor c = paint.kind == SvgPaint::Kind::CurrentColour ? current : paint.colour;
  c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
  return c;
}

}  // namespace

std::optional<SvgDrawing> ReadSvg(const QByteArray& bytes, QString* error) {
  try {
    return Read(bytes);
  } catch (const Refusal& r) {
    if (error) *error = r.why;
    return std::nullopt;
  }
}

void PaintSvg(const SvgDrawing& drawing, QPainter& painter, const QRectF& target, const QColor& currentColour) {
  const QRectF& box = drawing.viewBox;
  const double scale = std::min(target.width() / box.width(), target.height() / box.height());
  const QTransform view = QTransform::fromTranslate(-box.x(), -box.y()) * QTransform::fromScale(scale, scale) *
                          QTransform::fromTranslate(target.center().x() - box.width() * scale / 2,
                                                    target.center().y() - box.height() * scale / 2);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  for (const SvgShape& shape : drawing.shapes) {
    const SvgStyle& s = shape.style;
    painter.setTransform(shape.transform * view);
    painter.setOpacity(s.opacity);
    if (s.fill.kind != SvgPaint::Kind::None)
      painter.fillPath(shape.path, Resolve(s.fill, currentColour, s.fillOpacity));
    if (s.stroke.kind != SvgPaint::Kind::None && s.strokeWidth > 0) {
      QPen pen(Resolve(s.stroke, currentColour, s.strokeOpacity), s.strokeWidth, Qt::SolidLine, s.cap, s.join);
      // Qt's limit counts from the join point, SVG's across the whole miter.
      pen.setMiterLimit(s.miterLimit / 2);
      painter.strokePath(shape.path, pen);
    }
  }
  painter.restore();
}

QImage RenderSvg(const SvgDrawing& drawing, int size, const QColor& currentColour) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintSvg(drawing, painter, QRectF(0, 0, size, size), currentColour);
  return image;
}

QIcon SvgIcon(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const auto drawing = ReadSvg(file.read(SvgMaxBytes + 1));
  if (!drawing) return {};
  const QColor text = QGuiApplication::palette().color(QPalette::WindowText);
  QIcon icon;
  for (int size : {16, 24, 32, 48}) icon.addPixmap(QPixmap::fromImage(RenderSvg(*drawing, size, text)));
  return icon;
}

}  // namespace tibrel
