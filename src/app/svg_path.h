// SVG path data ("d" attributes) and the number lists of the other shape
// attributes, read into painter paths.
#pragma once

#include <QPainterPath>
#include <QString>
#include <QStringView>
#include <vector>

namespace tibrel {

// The largest magnitude a number of an icon may have. An icon is drawn on a
// 24 unit square; anything far beyond is a damaged file, and refusing it
// keeps the painter away from coordinates it cannot handle.
constexpr double SvgNumberLimit = 1e6;

// Reads path data: the commands M L H V C S Q T A Z in both cases, numbers in
// every SVG form ("1e-3", ".5", "-1-2", "1.5.5"), arc flags written without
// separators ("a1 1 0 011 1"), and repeated parameter groups without their
// command (after M they are lines). Elliptical arcs become cubic Beziers of
// at most a quarter turn each. Empty data is an empty path. Returns false on
// the first malformed token (also a number beyond SvgNumberLimit, or data
// that does not begin with a move); `path` is then incomplete.
bool ParsePathData(QStringView data, QPainterPath& path);

// Reads a list of numbers separated by white space and/or one comma, as in
// "points" and "viewBox". Returns false on anything else.
bool ParseNumberList(QStringView text, std::vector<double>& numbers);

// Appends the elliptical arc from `from` to `to` of SVG's endpoint form:
// radii rx, ry (their signs are ignored; radii too small to reach `to` are
// grown as SVG prescribes, zero radii give a straight line), the ellipse's
// x axis turned by `rotationDegrees`, the larger of the two candidate arcs
// with `largeArc`, the arc of increasing angle (clockwise on a y-down
// screen) with `sweep`. The path's current point must be `from`.
void AppendSvgArc(QPainterPath& path, QPointF from, double rx, double ry, double rotationDegrees, bool largeArc,
                  bool sweep, QPointF to);

}  // namespace tibrel
