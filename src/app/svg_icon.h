// The window's icons as SVG files: a reader of the part of SVG that simple
// flat pictures use, and their rendering into icons.
//
// Read: the elements svg, g, path, rect (with rx, ry), circle, ellipse,
// line, polyline and polygon; the presentation attributes fill, stroke,
// stroke-width, stroke-linecap, stroke-linejoin, stroke-miterlimit,
// fill-rule, opacity, fill-opacity, stroke-opacity and display, also inside
// a style attribute; transform (translate, scale, rotate, matrix, skewX,
// skewY) on groups and shapes; colours as #rgb, #rrggbb, the SVG colour
// names, none and currentColor. Other elements are left out with everything
// inside them; other attributes are ignored. Group opacity multiplies into
// the shapes of the group instead of compositing the group as one layer.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <optional>
#include <vector>

class QPainter;

namespace tibrel {

struct SvgPaint {
  enum class Kind { None, Colour, CurrentColour };
  Kind kind = Kind::None;
  QColor colour;
};

// The properties a shape is painted with, inherited from its groups.
struct SvgStyle {
  SvgPaint fill{SvgPaint::Kind::Colour, QColor(Qt::black)};
  SvgPaint stroke;
  double strokeWidth = 1;
  Qt::PenCapStyle cap = Qt::FlatCap;
  Qt::PenJoinStyle join = Qt::SvgMiterJoin;
  double miterLimit = 4;  // SVG's ratio of the miter's length to the stroke width
  Qt::FillRule fillRule = Qt::WindingFill;
  double fillOpacity = 1, strokeOpacity = 1;
  double opacity = 1;  // the product of the opacities of the shape and its groups
};

struct SvgShape {
  QPainterPath path;     // in the shape's own coordinates
  QTransform transform;  // from those to the coordinates of the viewBox
  SvgStyle style;
};

struct SvgDrawing {
  QRectF viewBox;
  std::vector<SvgShape> shapes;  // in painting order
};

// Files beyond this size are not icons.
constexpr qsizetype SvgMaxBytes = 256 * 1024;

// Reads an SVG document. Returns nothing, with the reason in `error` when
// given, for malformed XML or attribute values, a root that is not <svg>,
// a document without a size (viewBox, or width and height), groups nested
// deeper than 64, more than 10,000 elements, input beyond SvgMaxBytes, or
// a document that draws nothing.
std::optional<SvgDrawing> ReadSvg(const QByteArray& bytes, QString* error = nullptr);

// Paints the drawing into `target`, its viewBox scaled evenly and centred
// (SVG's xMidYMid meet); currentColor paints in `currentColour`.
void PaintSvg(const SvgDrawing& drawing, QPainter& painter, const QRectF& target, const QColor& currentColour);

// The drawing on a transparent square image of `size` pixels.
QImage RenderSvg(const SvgDrawing& drawing, int size, const QColor& currentColour);

// The icon of an SVG file, rendered at 16, 24, 32 and 48 pixels (the
// disabled look is QIcon's own, made from these); currentColor is the
// palette's window text colour. A null icon when the file cannot be read
// or ReadSvg refuses it.
QIcon SvgIcon(const QString& path);

}  // namespace tibrel
