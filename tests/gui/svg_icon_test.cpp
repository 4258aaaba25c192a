// The SVG icons of the tool bar: path data in its awkward forms, arcs by
// their centres and extents, transforms by where they put a known shape,
// what a document may and may not hold, the pixels of rendered shapes, and
// the shipped icon files themselves (each read, drawn inside its box, found
// for its button, replaced by a drawing when missing).
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest/QtTest>
#include <cmath>
#include <random>

#include "app/icons.h"
#include "app/main_window.h"
#include "app/svg_icon.h"
#include "app/svg_path.h"
#include "core/program_folder.h"
#include "screenshots.h"
#include "test_program_folder.h"

using namespace tibrel;

namespace {

const QString IconFolder = QStringLiteral(TIBREL_SOURCE_DIR "/resources/icons");

// The end points and control points of a path, in order.
QList<QPointF> Points(const QPainterPath& path) {
  QList<QPointF> points;
  for (int k = 0; k < path.elementCount(); ++k) points << QPointF(path.elementAt(k));
  return points;
}

bool Near(const QPointF& a, const QPointF& b, double tolerance = 1e-9) {
  return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

bool Near(const QRectF& a, const QRectF& b, double tolerance) {
  return Near(a.topLeft(), b.topLeft(), tolerance) && Near(a.bottomRight(), b.bottomRight(), tolerance);
}

QByteArray Document(const QByteArray& body, const QByteArray& root = "viewBox='0 0 24 24'") {
  return "<svg xmlns='http://www.w3.org/2000/svg' " + root + ">" + body + "</svg>";
}

SvgShape OnlyShape(const std::optional<SvgDrawing>& d) {
  if (!d || d->shapes.size() != 1) return {};
  return d->shapes[0];
}

QString Describe(const QRectF& r) {
  return QString("(%1, %2) to (%3, %4)").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
}

}  // namespace

class SvgIconTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { folder_ = std::make_unique<TestProgramFolder>(); }

  // Number forms and commands written without what they may leave out:
  // the points that land in the path are the ones the data means.
  void pathData_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::newRow("exponents and signs run together") << "M1e1-2.5.5.5" << QList<QPointF>{{10, -2.5}, {0.5, 0.5}};
    QTest::newRow("plus signs and capital E") << "M+1,+2L-.5e-1,3E+1" << QList<QPointF>{{1, 2}, {-0.05, 30}};
    QTest::newRow("a number ending in a point") << "M1..2 3 4" << QList<QPointF>{{1, 0.2}, {3, 4}};
    QTest::newRow("pairs after M are lines") << "M0 0 10 20 30 40" << QList<QPointF>{{0, 0}, {10, 20}, {30, 40}};
    QTest::newRow("pairs after m are relative lines") << "m1 1 2 2-1 0" << QList<QPointF>{{1, 1}, {3, 3}, {2, 3}};
    QTest::newRow("repeated L") << "M0 0L1 1 2 0" << QList<QPointF>{{0, 0}, {1, 1}, {2, 0}};
    QTest::newRow("H V and z") << "M0 0h10v10H0z" << QList<QPointF>{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    QTest::newRow("white space and commas") << " \tM 0 , 0\n H 5 V 5 h -5 v -5 "
                                            << QList<QPointF>{{0, 0}, {5, 0}, {5, 5}, {0, 5}, {0, 0}};
    QTest::newRow("relative after z starts from the subpath's start")
        << "M1 1l2 0z l0 2" << QList<QPointF>{{1, 1}, {3, 1}, {1, 1}, {1, 1}, {1, 3}};
    QTest::newRow("m after z is relative to the start") << "M1 1l2 0zm1 1h1"
                                                        << QList<QPointF>{{1, 1}, {3, 1}, {1, 1}, {2, 2}, {3, 2}};
    QTest::newRow("S reflects the last control point")
        << "M0 0C1 2 3 2 4 0S7-2 8 0" << QList<QPointF>{{0, 0}, {1, 2}, {3, 2}, {4, 0}, {5, -2}, {7, -2}, {8, 0}};
    QTest::newRow("c and s relative")
        << "M0 0c1 2 3 2 4 0s3-2 4 0" << QList<QPointF>{{0, 0}, {1, 2}, {3, 2}, {4, 0}, {5, -2}, {7, -2}, {8, 0}};
    QTest::newRow("S after a line starts at the pen")
        << "M0 0L1 1S2 2 3 0" << QList<QPointF>{{0, 0}, {1, 1}, {1, 1}, {2, 2}, {3, 0}};
    // A quadratic is kept as the cubic with control points two thirds of
    // the way to the quadratic's control point; T reflects (1,1) to (3,-1).
    QTest::newRow("Q and T")
        << "M0 0Q1 1 2 0T4 0"
        << QList<QPointF>{{0, 0}, {2.0 / 3, 2.0 / 3}, {4.0 / 3, 2.0 / 3}, {2, 0}, {8.0 / 3, -2.0 / 3}, {10.0 / 3, -2.0 / 3}, {4, 0}};
    QTest::newRow("T after a cubic does not reflect it")
        << "M0 0C0 1 2 1 2 0T4 0" << QList<QPointF>{{0, 0}, {0, 1}, {2, 1}, {2, 0}, {2, 0}, {8.0 / 3, 0}, {4, 0}};
    QTest::newRow("only a move") << "M1 2" << QList<QPointF>{{1, 2}};
    QTest::newRow("nothing") << "  " << QList<QPointF>{};
  }
  void pathData() {
    QFETCH(QString, data);
    QFETCH(QList<QPointF>, points);
    QPainterPath path;
    QVERIFY(ParsePathData(data, path));
    const QList<QPointF> got = Points(path);
    QCOMPARE(got.size(), points.size());
    for (int k = 0; k < got.size(); ++k)
      QVERIFY2(Near(got[k], points[k]), qPrintable(QString("point %1 is (%2, %3)").arg(k).arg(got[k].x()).arg(got[k].y())));
  }

  // Arcs: the path runs on the ellipse with the centre that the flags
  // choose (SVG's y axis points down, so sweep 1 turns clockwise on screen),
  // covers the extent of that arc and ends where the data says.
  void pathArcs_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<QPointF>("centre");
    QTest::addColumn<QPointF>("radii");  // along x and y after the ellipse's rotation
    QTest::addColumn<QRectF>("extent");
    QTest::addColumn<QPointF>("end");
    const QPointF unit(1, 1), one(1, 1);
    QTest::newRow("flags without separators") << "M0 0a1 1 0 011 1" << QPointF(0, 1) << unit << QRectF(0, 0, 1, 1) << one;
    QTest::newRow("small, counter-clockwise") << "M0 0A1 1 0 0 0 1 1" << QPointF(1, 0) << unit << QRectF(0, 0, 1, 1) << one;
    QTest::newRow("large, clockwise") << "M0 0A1 1 0 1 1 1 1" << QPointF(1, 0) << unit << QRectF(0, -1, 2, 2) << one;
    QTest::newRow("large, counter-clockwise") << "M0 0A1 1 0 1 0 1 1" << QPointF(0, 1) << unit << QRectF(-1, 0, 2, 2) << one;
    QTest::newRow("negative radii count as positive") << "M0 0a-1-1 0 011 1" << QPointF(0, 1) << unit << QRectF(0, 0, 1, 1)
                                                      << one;
    QTest::newRow("radii too small grow to reach") << "M0 0A.1 .1 0 0 1 2 0" << QPointF(1, 0) << unit << QRectF(0, -1, 2, 1)
                                                   << QPointF(2, 0);
    QTest::newRow("turned ellipse, exactly half") << "M0 0A2 1 90 1 1 0 4" << QPointF(0, 2) << QPointF(1, 2)
                                                 << QRectF(0, 0, 1, 4) << QPointF(0, 4);
    QTest::newRow("two halves make a circle") << "M0 0A5 5 0 1 1 10 0A5 5 0 1 1 0 0" << QPointF(5, 0) << QPointF(5, 5)
                                             << QRectF(0, -5, 10, 10) << QPointF(0, 0);
    QTest::newRow("relative end point") << "M3 3a1 1 0 0 1 1 1" << QPointF(3, 4) << unit << QRectF(3, 3, 1, 1)
                                        << QPointF(4, 4);
  }
  void pathArcs() {
    QFETCH(QString, data);
    QFETCH(QPointF, centre);
    QFETCH(QPointF, radii);
    QFETCH(QRectF, extent);
    QFETCH(QPointF, end);
    QPainterPath path;
    QVERIFY(ParsePathData(data, path));
    int checked = 0;
    for (const QPolygonF& polygon : path.toSubpathPolygons())
      for (const QPointF& p : polygon) {
        const double dx = (p.x() - centre.x()) / radii.x(), dy = (p.y() - centre.y()) / radii.y();
        QVERIFY2(std::abs(std::hypot(dx, dy) - 1) < 1e-3, qPrintable(QString("(%1, %2) off the ellipse").arg(p.x()).arg(p.y())));
        ++checked;
      }
    QVERIFY(checked >= 4);
    QVERIFY2(Near(path.boundingRect(), extent, 1e-3), qPrintable(Describe(path.boundingRect())));
    QVERIFY(Near(path.currentPosition(), end));
  }

  // Arcs that SVG draws otherwise: no radius is a line, no distance nothing.
  void pathArcsDegenerate() {
    QPainterPath line;
    QVERIFY(ParsePathData(u"M0 0A0 1 0 0 1 3 4", line));
    QCOMPARE(Points(line), (QList<QPointF>{{0, 0}, {3, 4}}));
    QPainterPath none;
    QVERIFY(ParsePathData(u"M2 2A1 1 0 0 1 2 2", none));
    QCOMPARE(Points(none), (QList<QPointF>{{2, 2}}));
  }

  void pathGarbage_data() {
    QTest::addColumn<QString>("data");
    for (const char* bad :
         {"L1 1", "1 2", "M", "M1", "M1 2L", "M1 2L3", "M1 2X3 4", "M0 0A1 1 0 2 1 3 3", "M0 0a1 1 0 0", "M1e 2",
          "M1 2z3 4", "M--1 2", "M.e1 2", "M. 2", "M1e400 0", "M2e6 0", "M0 0Lnan 1", "M0 0L1,,2", "M0 0 #",
          ",M0 0", "M0 0A1 1 0 01", "M0 0A1 1 0 0 1 1", "M1 2 3", "M0 0C1 1 2 2", "M0 0 L1 1e"})
      QTest::newRow(bad) << QString(bad);
    QTest::newRow("no-break space") << QString("M0 0\u00a0L1 1");
  }
  void pathGarbage() {
    QFETCH(QString, data);
    QPainterPath path;
    QVERIFY(!ParsePathData(data, path));
  }

  // Random data of path characters never crashes and always ends; some of
  // it reads, most does not.
  void pathRandom() {
    std::mt19937 random(7);
    const QString alphabet = "MmLlHhVvCcSsQqTtAaZz0123456789.-+eE ,";
    int read = 0, refused = 0;
    for (int n = 0; n < 20000; ++n) {
      QString data;
      const int length = std::uniform_int_distribution<int>(0, 40)(random);
      for (int k = 0; k < length; ++k)
        data += alphabet[std::uniform_int_distribution<int>(0, alphabet.size() - 1)(random)];
      QPainterPath path;
      (ParsePathData(data, path) ? read : refused)++;
    }
    QVERIFY(read > 0);
    QVERIFY(refused > 0);
  }

  void numberLists_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<double>>("numbers");
    QTest::newRow("spaces") << "0 0 24 24" << true << QList<double>{0, 0, 24, 24};
    QTest::newRow("commas") << "1,2 , 3,-4" << true << QList<double>{1, 2, 3, -4};
    QTest::newRow("run together") << "1-2.5.5" << true << QList<double>{1, -2.5, 0.5};
    QTest::newRow("a word") << "1 2 x" << false << QList<double>{};
    QTest::newRow("two commas") << "1,,2" << false << QList<double>{};
    QTest::newRow("units") << "12px" << false << QList<double>{};
  }
  void numberLists() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QList<double>, numbers);
    std::vector<double> got;
    QCOMPARE(ParseNumberList(text, got), valid);
    if (valid) QCOMPARE(QList<double>(got.begin(), got.end()), numbers);
  }

  // A 2 by 1 rectangle at the origin, transformed: where it lands.
  void transforms_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QRectF>("box");
    const QByteArray rect = "<rect width='2' height='1' transform='%1'/>";
    const auto with = [&](const char* t) { return QByteArray(rect).replace("%1", t); };
    QTest::newRow("none") << with("") << QRectF(0, 0, 2, 1);
    QTest::newRow("translate") << with("translate(3 4)") << QRectF(3, 4, 2, 1);
    QTest::newRow("translate x only") << with("translate(3)") << QRectF(3, 0, 2, 1);
    QTest::newRow("scale") << with("scale(2)") << QRectF(0, 0, 4, 2);
    QTest::newRow("scale x and y") << with("scale(2,3)") << QRectF(0, 0, 4, 3);
    QTest::newRow("rotate") << with("rotate(90)") << QRectF(-1, 0, 1, 2);
    QTest::newRow("rotate about a point") << with("rotate(90 1 1)") << QRectF(1, 0, 1, 2);
    QTest::newRow("matrix of a translation") << with("matrix(1 0 0 1 5 6)") << QRectF(5, 6, 2, 1);
    QTest::newRow("matrix of a quarter turn") << with("matrix(0,1,-1,0,0,0)") << QRectF(-1, 0, 1, 2);
    QTest::newRow("skewX") << with("skewX(45)") << QRectF(0, 0, 3, 1);
    QTest::newRow("skewY") << with("skewY(45)") << QRectF(0, 0, 2, 3);
    QTest::newRow("the right one applies first") << with("translate(10 0) scale(2)") << QRectF(10, 0, 4, 2);
    QTest::newRow("the other order") << with("scale(2),translate(10 0)") << QRectF(20, 0, 4, 2);
    QTest::newRow("group, then shape")
        << QByteArray("<g transform='translate(10 0)'><g><rect width='2' height='1' transform='scale(2)'/></g></g>")
        << QRectF(10, 0, 4, 2);
    QTest::newRow("nested groups") << QByteArray("<g transform='scale(2)'><g transform='translate(1 1)'><rect width='2' height='1'/></g></g>")
                                   << QRectF(2, 2, 4, 2);
  }
  void transforms() {
    QFETCH(QByteArray, body);
    QFETCH(QRectF, box);
    QString error;
    const auto drawing = ReadSvg(Document(body), &error);
    QVERIFY2(drawing, qPrintable(error));
    const SvgShape s = OnlyShape(drawing);
    const QRectF got = s.transform.map(s.path).boundingRect();
    QVERIFY2(Near(got, box, 1e-9), qPrintable(Describe(got)));
  }

  // Presentation attributes: defaults, inheritance from groups, the style
  // attribute over the attributes, colour forms.
  void styles() {
    const auto shape = [](const QByteArray& body) { return OnlyShape(ReadSvg(Document(body))).style; };
    const SvgStyle plain = shape("<rect width='1' height='1'/>");
    QCOMPARE(plain.fill.kind, SvgPaint::Kind::Colour);
    QCOMPARE(plain.fill.colour, QColor(Qt::black));
    QCOMPARE(plain.stroke.kind, SvgPaint::Kind::None);
    QCOMPARE(plain.fillRule, Qt::WindingFill);

    const SvgStyle inherited = shape(
        "<g fill='none' stroke='#f80' stroke-width='2' stroke-linecap='round' stroke-linejoin='bevel' opacity='.5'>"
        "<rect width='1' height='1' opacity='0.5' stroke-opacity='2'/></g>");
    QCOMPARE(inherited.fill.kind, SvgPaint::Kind::None);
    QCOMPARE(inherited.stroke.colour, QColor(0xff, 0x88, 0x00));
    QCOMPARE(inherited.strokeWidth, 2.0);
    QCOMPARE(inherited.cap, Qt::RoundCap);
    QCOMPARE(inherited.join, Qt::BevelJoin);
    QCOMPARE(inherited.opacity, 0.25);
    QCOMPARE(inherited.strokeOpacity, 1.0);

    const SvgStyle styled = shape("<rect width='1' height='1' fill='red' style='fill: #0000ff ; stroke:currentColor;stroke-width:3px'/>");
    QCOMPARE(styled.fill.colour, QColor(0, 0, 255));
    QCOMPARE(styled.stroke.kind, SvgPaint::Kind::CurrentColour);
    QCOMPARE(styled.strokeWidth, 3.0);
    QCOMPARE(shape("<rect width='1' height='1' fill='teal' fill-rule='evenodd'/>").fill.colour, QColor(0, 128, 128));
    QCOMPARE(shape("<rect width='1' height='1' fill-rule='evenodd'/>").fillRule, Qt::OddEvenFill);
  }

  // What is not drawn: unknown elements with their content, definitions,
  // hidden elements, shapes of no size; unknown attributes are no harm.
  void leftOut() {
    QString error;
    const auto d = ReadSvg(Document("<title>t</title><defs><rect width='5' height='5'/></defs>"
                                    "<text x='1'>12</text><foo><circle r='3'/></foo>"
                                    "<rect width='5' height='5' display='none'/><g style='display:none'><rect width='5' height='5'/></g>"
                                    "<rect width='0' height='5'/><circle r='0'/><path d=''/><polyline points='1 1'/>"
                                    "<circle cx='3' cy='4' r='2' foo='bar' xmlns:x='urn:x' x:label='a'><title>c</title><rect width='9' height='9'/></circle>"),
                           &error);
    QVERIFY2(d, qPrintable(error));
    QCOMPARE(int(d->shapes.size()), 1);
    QCOMPARE(d->shapes[0].path.boundingRect(), QRectF(1, 2, 4, 4));
  }

  // Shapes other than paths, by their outlines.
  void shapes_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QRectF>("box");
    QTest::addColumn<bool>("closed");
    QTest::newRow("rect") << QByteArray("<rect x='1' y='2' width='3' height='4'/>") << QRectF(1, 2, 3, 4) << true;
    QTest::newRow("rounded rect, one radius") << QByteArray("<rect x='1' y='2' width='3' height='4' rx='9'/>")
                                              << QRectF(1, 2, 3, 4) << true;
    QTest::newRow("circle") << QByteArray("<circle cx='5' cy='6' r='2'/>") << QRectF(3, 4, 4, 4) << true;
    QTest::newRow("ellipse") << QByteArray("<ellipse cx='5' cy='6' rx='2' ry='1'/>") << QRectF(3, 5, 4, 2) << true;
    QTest::newRow("line") << QByteArray("<line x1='1' y1='5' x2='4' y2='1'/>") << QRectF(1, 1, 3, 4) << false;
    QTest::newRow("polyline") << QByteArray("<polyline points='0,0 4,0 4,3'/>") << QRectF(0, 0, 4, 3) << false;
    QTest::newRow("polygon") << QByteArray("<polygon points='0 0 4 0 4 3'/>") << QRectF(0, 0, 4, 3) << true;
    QTest::newRow("px lengths") << QByteArray("<rect x='1px' y='2' width='3px' height='4'/>") << QRectF(1, 2, 3, 4) << true;
  }
  void shapes() {
    QFETCH(QByteArray, body);
    QFETCH(QRectF, box);
    QFETCH(bool, closed);
    const SvgShape s = OnlyShape(ReadSvg(Document(body)));
    QVERIFY2(Near(s.path.boundingRect(), box, 1e-9), qPrintable(Describe(s.path.boundingRect())));
    const QPointF first = s.path.elementAt(0), last = s.path.elementAt(s.path.elementCount() - 1);
    QCOMPARE(Near(first, last, 1e-9), closed);
  }

  // Documents refused as a whole, so that the tool bar falls back to its
  // drawn icon.
  void refused_data() {
    QTest::addColumn<QByteArray>("document");
    const QByteArray square = "<rect width='4' height='4'/>";
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not XML") << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("cut short") << Document(square).left(40);
    QTest::newRow("unclosed element") << QByteArray("<svg viewBox='0 0 24 24'><g><rect width='1' height='1'/></svg>");
    QTest::newRow("not svg") << QByteArray("<html><rect width='4' height='4'/></html>");
    QTest::newRow("no size") << Document(square, "");
    QTest::newRow("empty viewBox") << Document(square, "viewBox='0 0 0 24'");
    QTest::newRow("short viewBox") << Document(square, "viewBox='0 0 24'");
    QTest::newRow("nothing to draw") << Document("");
    QTest::newRow("bad path") << Document("<path d='M0 0L1'/>");
    QTest::newRow("short colour") << Document("<rect width='4' height='4' fill='#12'/>");
    QTest::newRow("Qt's colour form") << Document("<rect width='4' height='4' fill='#ff001122'/>");
    QTest::newRow("gradient") << Document("<rect width='4' height='4' fill='url(#g)'/>");
    QTest::newRow("unknown colour") << Document("<rect width='4' height='4' stroke='blurple'/>");
    QTest::newRow("rotate with two numbers") << Document("<rect width='4' height='4' transform='rotate(1 2)'/>");
    QTest::newRow("unknown transform") << Document("<rect width='4' height='4' transform='spin(3)'/>");
    QTest::newRow("transform without parenthesis") << Document("<rect width='4' height='4' transform='scale(2'/>");
    QTest::newRow("negative stroke") << Document("<rect width='4' height='4' stroke-width='-1'/>");
    QTest::newRow("negative width") << Document("<rect width='-4' height='4'/>");
    QTest::newRow("odd points") << Document("<polygon points='0 0 4 0 4'/>");
    QTest::newRow("bad number") << Document("<circle r='2x'/>");
    QTest::newRow("huge number") << Document("<circle r='1e300'/>");
    QTest::newRow("bad cap") << Document("<rect width='4' height='4' stroke-linecap='pointy'/>");
    QByteArray deep;
    for (int k = 0; k < 100; ++k) deep += "<g>";
    deep += square;
    for (int k = 0; k < 100; ++k) deep += "</g>";
    QTest::newRow("nested too deep") << Document(deep);
    QTest::newRow("too many elements") << Document(QByteArray("<g/>").repeated(20000) + square);
    QTest::newRow("too large") << Document(square + QByteArray(SvgMaxBytes, ' '));
    QTest::newRow("entities that multiply")
        << QByteArray("<!DOCTYPE svg [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
                      "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
                      "<!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'>]><svg viewBox='0 0 24 24'><path d='&e;&e;'/></svg>");
  }
  void refused() {
    QFETCH(QByteArray, document);
    QString error;
    QVERIFY(!ReadSvg(document, &error));
    QVERIFY(!error.isEmpty());
  }

  // Rendering: a filled square has its pixels where the square is, at every
  // icon size; a wide viewBox is centred; currentColor takes the colour
  // given; strokes have their width; the default fill rule fills a square
  // drawn twice in one direction, evenodd leaves the inner one out.
  void renderedPixels() {
    const auto square = ReadSvg(Document("<rect x='6' y='6' width='12' height='12' fill='#000'/>"));
    QVERIFY(square);
    for (int size : {16, 24, 32, 48}) {
      const QImage image = RenderSvg(*square, size, Qt::red);
      int inside = 0, outside = 0;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          const double u = (x + 0.5) * 24 / size, v = (y + 0.5) * 24 / size;  // the pixel's centre in the viewBox
          const QColor c = image.pixelColor(x, y);
          const double margin = 24.0 / size;  // a pixel's width, for the antialiased edge
          if (u > 6 + margin && u < 18 - margin && v > 6 + margin && v < 18 - margin) {
            QVERIFY2(c == QColor(0, 0, 0), qPrintable(QString("%1 px: (%2, %3) not black").arg(size).arg(x).arg(y)));
            ++inside;
          } else if (u < 6 - margin || u > 18 + margin || v < 6 - margin || v > 18 + margin) {
            QVERIFY2(c.alpha() == 0, qPrintable(QString("%1 px: (%2, %3) painted").arg(size).arg(x).arg(y)));
            ++outside;
          }
        }
      QVERIFY(inside > 0 && outside > 0);
    }

    const auto wide = ReadSvg(Document("<rect x='10' y='10' width='48' height='24' fill='currentColor'/>",
                                       "viewBox='10 10 48 24'"));
    QVERIFY(wide);
    const QImage band = RenderSvg(*wide, 24, QColor(0, 255, 0));
    for (int x = 0; x < 24; ++x) {
      QCOMPARE(band.pixelColor(x, 3).alpha(), 0);
      QCOMPARE(band.pixelColor(x, 12), QColor(0, 255, 0));
      QCOMPARE(band.pixelColor(x, 20).alpha(), 0);
    }

    const auto stroke = ReadSvg(Document("<line x1='0' y1='12' x2='24' y2='12' stroke='#f00' stroke-width='4' fill='#00f'/>"));
    QVERIFY(stroke);
    const QImage line = RenderSvg(*stroke, 24, Qt::black);
    QCOMPARE(line.pixelColor(12, 11), QColor(255, 0, 0));
    QCOMPARE(line.pixelColor(12, 12), QColor(255, 0, 0));
    QCOMPARE(line.pixelColor(12, 8).alpha(), 0);
    QCOMPARE(line.pixelColor(12, 15).alpha(), 0);

    const QByteArray twice = "<path d='M2 2h20v20H2zM8 8h8v8H8z' %1/>";
    const auto nonzero = ReadSvg(Document(QByteArray(twice).replace("%1", "")));
    const auto evenodd = ReadSvg(Document(QByteArray(twice).replace("%1", "fill-rule='evenodd'")));
    QVERIFY(nonzero && evenodd);
    QCOMPARE(RenderSvg(*nonzero, 24, Qt::black).pixelColor(12, 12).alpha(), 255);
    QCOMPARE(RenderSvg(*evenodd, 24, Qt::black).pixelColor(12, 12).alpha(), 0);
    QCOMPARE(RenderSvg(*evenodd, 24, Qt::black).pixelColor(4, 12).alpha(), 255);
  }

  // An icon from a file: every size the tool bar may ask for; none from a
  // missing or damaged file.
  void iconFromFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString good = dir.filePath("good.svg"), bad = dir.filePath("bad.svg");
    QFile f(good);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Document("<circle cx='12' cy='12' r='8' fill='#08f'/>"));
    f.close();
    QFile g(bad);
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.write(Document("<circle cx='12' cy='12' r='8' fill='#08f'/>").left(50));
    g.close();
    const QIcon icon = SvgIcon(good);
    QVERIFY(!icon.isNull());
    for (int size : {16, 24, 32, 48}) QVERIFY(icon.availableSizes().contains(QSize(size, size)));
    QCOMPARE(icon.pixmap(24).toImage().pixelColor(12, 12), QColor(0, 0x88, 0xff));
    // currentColor is the palette's text colour when the icon is made.
    const QPalette before = QGuiApplication::palette();
    QPalette green = before;
    green.setColor(QPalette::WindowText, QColor(0, 200, 0));
    QGuiApplication::setPalette(green);
    QFile h(good);
    QVERIFY(h.open(QIODevice::WriteOnly));
    h.write(Document("<circle cx='12' cy='12' r='8' fill='currentColor'/>"));
    h.close();
    QCOMPARE(SvgIcon(good).pixmap(24).toImage().pixelColor(12, 12), QColor(0, 200, 0));
    QGuiApplication::setPalette(before);
    QVERIFY(SvgIcon(bad).isNull());
    QVERIFY(SvgIcon(dir.filePath("missing.svg")).isNull());
    QVERIFY(SvgIcon(dir.path()).isNull());
  }

  // Every shipped icon reads, draws something at the smallest size, and
  // keeps its strokes inside its 24 unit box.
  void shippedIcons() {
    const QStringList files = QDir(IconFolder).entryList({"*.svg"}, QDir::Files);
    QVERIFY(files.size() >= 15);
    QImage sheet(files.size() * 56, 3 * 56, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(239, 239, 239));
    QPainter painter(&sheet);
    for (int n = 0; n < files.size(); ++n) {
      QFile f(IconFolder + "/" + files[n]);
      QVERIFY(f.open(QIODevice::ReadOnly));
      QString error;
      const auto d = ReadSvg(f.readAll(), &error);
      QVERIFY2(d, qPrintable(files[n] + ": " + error));
      QCOMPARE(d->viewBox, QRectF(0, 0, 24, 24));
      for (const SvgShape& s : d->shapes) {
        const double half = s.style.stroke.kind == SvgPaint::Kind::None ? 0 : s.style.strokeWidth / 2;
        const QRectF box = s.transform.map(s.path).boundingRect().adjusted(-half, -half, half, half);
        QVERIFY2(QRectF(0, 0, 24, 24).contains(box), qPrintable(files[n] + ": " + Describe(box)));
      }
      const QImage small = RenderSvg(*d, 16, Qt::black);
      int painted = 0;
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) painted += small.pixelColor(x, y).alpha() > 128;
      QVERIFY2(painted >= 16, qPrintable(files[n]));
      int row = 0;
      for (int size : {16, 24, 48}) {
        const QImage image = RenderSvg(*d, size, Qt::black).scaled(size <= 24 ? size * 2 : size, size <= 24 ? size * 2 : size);
        painter.drawImage(n * 56 + 4, row++ * 56 + 4, image);
      }
    }
    painter.end();
    Picture(sheet, "shipped_icons");
    // The desktop entry's icon, written for the desktop's renderers, reads too.
    QFile desktop(TIBREL_SOURCE_DIR "/desktop/tibrel.svg");
    QVERIFY(desktop.open(QIODevice::ReadOnly));
    const auto application = ReadSvg(desktop.readAll());
    QVERIFY(application);
    QCOMPARE(application->viewBox, QRectF(0, 0, 64, 64));
    QCOMPARE(int(application->shapes.size()), 5);
  }

  // The tool bar takes its pictures from the icon files: every button has
  // one; without the files it still has a picture for every button.
  void toolBarUsesFiles() {
    QStringList captions;
    {
      MainWindow w;
      auto* bar = w.findChild<QToolBar*>("ToolBar");
      QVERIFY(bar);
      for (QAction* a : bar->actions())
        if (!a->isSeparator()) captions << a->toolTip();
      w.resize(1280, 200);
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      const QRect used(0, 0, bar->widgetForAction(bar->actions().last())->geometry().right() + 4, bar->height());
      Picture(bar->grab(used).toImage().scaled(used.width() * 3, used.height() * 3), "tool_bar_x3");
    }
    QVERIFY(captions.size() >= 15);
    QCOMPARE(CommandIconFile("Open DXF, STL"), QString::fromStdString(ResourceFolder()) + "/icons/open_dxf_stl.svg");
    for (const QString& caption : captions) {
      QVERIFY2(QFile::exists(CommandIconFile(caption)), qPrintable(caption));
      QVERIFY2(!SvgIcon(CommandIconFile(caption)).isNull(), qPrintable(caption));
    }
    QTemporaryDir empty;
    qputenv("TIBREL_RESOURCE_FOLDER", empty.path().toLocal8Bit());
    for (const QString& caption : captions) {
      QVERIFY(!QFile::exists(CommandIconFile(caption)));
      QVERIFY2(!CommandIcon(caption).isNull(), qPrintable(caption));
    }
    qputenv("TIBREL_RESOURCE_FOLDER", QByteArray(TIBREL_SOURCE_DIR "/resources"));
  }

  // The manual shows every shipped icon beside its button's description,
  // and every picture it shows is shipped.
  void manualShowsEveryIcon() {
    QFile manual(TIBREL_SOURCE_DIR "/resources/Tibrel.html");
    QVERIFY(manual.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(manual.readAll());
    QStringList shown;
    static const QRegularExpression image("<img src=\"icons/([a-z_]+\\.svg)\"");
    for (auto it = image.globalMatch(html); it.hasNext();) shown << it.next().captured(1);
    QVERIFY(!shown.isEmpty());
    for (const QString& name : shown) QVERIFY2(QFile::exists(IconFolder + "/" + name), qPrintable(name));
    for (const QString& name : QDir(IconFolder).entryList({"*.svg"}, QDir::Files))
      QVERIFY2(shown.contains(name), qPrintable(name));
  }

  // Damaged copies of the shipped icons (cut short, bytes changed) are read
  // or refused, never more.
  void damagedIcons() {
    std::mt19937 random(11);
    int refused = 0, read = 0;
    for (const QString& name : QDir(IconFolder).entryList({"*.svg"}, QDir::Files)) {
      QFile f(IconFolder + "/" + name);
      QVERIFY(f.open(QIODevice::ReadOnly));
      const QByteArray original = f.readAll();
      for (int cut = 0; cut < original.size(); cut += 7) (ReadSvg(original.left(cut)) ? read : refused)++;
      for (int n = 0; n < 300; ++n) {
        QByteArray copy = original;
        for (int k = std::uniform_int_distribution<int>(1, 4)(random); k > 0; --k)
          copy[std::uniform_int_distribution<int>(0, copy.size() - 1)(random)] =
              "<>/=' .-0123456789MLAZaz#e,"[std::uniform_int_distribution<int>(0, 27)(random)];
        if (auto d = ReadSvg(copy)) {
          RenderSvg(*d, 16, Qt::black);
          ++read;
        } else {
          ++refused;
        }
      }
    }
    QVERIFY(read > 0);
    QVERIFY(refused > 0);
  }

 private:
  std::unique_ptr<TestProgramFolder> folder_;
};

QTEST_MAIN(SvgIconTest)
#include "svg_icon_test.moc"
