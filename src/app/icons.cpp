#include "app/icons.h"

#include "app/svg_icon.h"
#include "core/program_folder.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <functional>
#include <map>

namespace tibrel {

namespace {

constexpr int Size = 32;  // drawn at 32 pixels, scaled down by the tool bar

using Drawing = std::function<void(QPainter&)>;

QIcon Drawn(const Drawing& draw) {
  QPixmap pixmap(Size, Size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return QIcon(pixmap);
}

const QColor Ink(40, 40, 40), Part(30, 90, 200), Path(0, 128, 128), Selected(200, 40, 40);

QPen Pen(const QColor& c, double width = 2.0, Qt::PenStyle style = Qt::SolidLine) {
  QPen pen(c, width, style);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// A plate with a hole: the drawing the commands work on.
void Plate(QPainter& p, const QColor& c) {
  p.setPen(Pen(c));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(5, 7, 22, 18), 2, 2);
  p.drawEllipse(QPointF(16, 16), 4, 4);
}

void Magnifier(QPainter& p) {
  p.setPen(Pen(Ink, 2.5));
  p.drawEllipse(QPointF(13, 13), 8, 8);
  p.drawLine(QPointF(19, 19), QPointF(28, 28));
}

const std::map<QString, Drawing>& Drawings() {
  static const std::map<QString, Drawing> drawings = {
      {"Prototype",  // a raster's zig-zag over a mound
       [](QPainter& p) {
         p.setPen(Pen(Ink, 2));
         p.setBrush(QColor(200, 200, 200));
         p.drawChord(QRectF(4, 12, 24, 30), 0, 180 * 16);
         p.setPen(Pen(Path, 2));
         p.setBrush(Qt::NoBrush);
         p.drawPolyline(QPolygonF({{4, 5}, {28, 5}, {28, 10}, {4, 10}, {4, 15}, {28, 15}}));
       }},
      {"Zoom All",
       [](QPainter& p) {
         Plate(p, Part);
         p.setPen(Pen(Ink, 1.5));
         for (auto [x, y, dx, dy] : {std::tuple{2, 2, 1, 1}, {30, 2, -1, 1}, {2, 30, 1, -1}, {30, 30, -1, -1}}) {
           p.drawLine(QPointF(x, y), QPointF(x + 5 * dx, y));
           p.drawLine(QPointF(x, y), QPointF(x, y + 5 * dy));
         }
       }},
      {"Zoom In",
       [](QPainter& p) {
         Magnifier(p);
         p.drawLine(QPointF(9, 13), QPointF(17, 13));
         p.drawLine(QPointF(13, 9), QPointF(13, 17));
       }},
      {"Zoom Out",
       [](QPainter& p) {
         Magnifier(p);
         p.drawLine(QPointF(9, 13), QPointF(17, 13));
       }},
      {"Zoom Window",
       [](QPainter& p) {
         Magnifier(p);
         p.setPen(Pen(Selected, 1.5, Qt::DashLine));
         p.drawRect(QRectF(8, 8, 10, 10));
       }},
      {"Select All Closed",
       [](QPainter& p) {
         Plate(p, Selected);
         p.setPen(Pen(Ink, 1.5));
         p.drawLine(QPointF(20, 22), QPointF(28, 30));
         p.drawLine(QPointF(20, 22), QPointF(20, 29));
         p.drawLine(QPointF(20, 22), QPointF(27, 22));
       }},
      {"Pocket",
       [](QPainter& p) {
         p.setPen(Pen(Part));
         p.drawRect(QRectF(4, 4, 24, 24));
         p.setPen(Pen(Path, 1.5));
         for (int k = 1; k <= 3; ++k) p.drawRect(QRectF(4 + 3.5 * k, 4 + 3.5 * k, 24 - 7 * k, 24 - 7 * k));
       }},
      {"Contour",
       [](QPainter& p) {
         p.setPen(Pen(Part));
         p.drawRect(QRectF(9, 9, 14, 14));
         p.setPen(Pen(Path, 1.5));
         p.drawRoundedRect(QRectF(4, 4, 24, 24), 5, 5);
       }},
      {"Drill",
       [](QPainter& p) {
         p.setPen(Pen(Part));
         p.drawRect(QRectF(3, 19, 26, 10));
         p.setPen(Pen(Ink, 1.5));
         QPainterPath bit;
         bit.moveTo(13, 3);
         bit.lineTo(19, 3);
         bit.lineTo(19, 18);
         bit.lineTo(16, 24);
         bit.lineTo(13, 18);
         bit.closeSubpath();
         p.setBrush(QColor(190, 190, 190));
         p.drawPath(bit);
       }},
      {"View All", [](QPainter& p) { Plate(p, Part); }},
      {"View Selected",
       [](QPainter& p) {
         p.setPen(Pen(Part, 1.0, Qt::DotLine));
         p.drawRoundedRect(QRectF(5, 7, 22, 18), 2, 2);
         p.setPen(Pen(Selected));
         p.drawEllipse(QPointF(16, 16), 4, 4);
       }},
      {"View ToolPaths",
       [](QPainter& p) {
         p.setPen(Pen(Path, 1.5));
         p.drawRoundedRect(QRectF(4, 6, 24, 20), 4, 4);
         p.drawRoundedRect(QRectF(9, 11, 14, 10), 3, 3);
       }},
      {"Show Directions",
       [](QPainter& p) {
         p.setPen(Pen(Part));
         p.drawLine(QPointF(4, 24), QPointF(28, 8));
         p.setPen(Pen(Ink));
         p.drawLine(QPointF(11, 13), QPointF(17, 16));
         p.drawLine(QPointF(17, 16), QPointF(16, 22));
       }},
      {"Information",
       [](QPainter& p) {
         p.setPen(Pen(Part));
         p.drawEllipse(QPointF(16, 16), 12, 12);
         QFont f = p.font();
         f.setPixelSize(14);
         f.setBold(true);
         p.setFont(f);
         p.setPen(Ink);
         p.drawText(QRectF(4, 4, 24, 24), Qt::AlignCenter, "12");
       }},
  };
  return drawings;
}

}  // namespace

QString CommandIconFile(const QString& caption) {
  QString name;
  for (const QChar c : caption.toLower()) {
    if (c.isLetterOrNumber()) name += c;
    else if (!name.isEmpty() && !name.endsWith('_')) name += '_';
  }
  while (name.endsWith('_')) name.chop(1);
  return QString::fromStdString(ResourceFolder()) + "/icons/" + name + ".svg";
}

QIcon CommandIcon(const QString& caption) {
  if (QIcon svg = SvgIcon(CommandIconFile(caption)); !svg.isNull()) return svg;
  if (caption == "Open DXF, STL")
    return QIcon::fromTheme("document-open", QApplication::style()->standardIcon(QStyle::SP_DialogOpenButton));
  if (caption == "Save Toolpaths CNC")
    return QIcon::fromTheme("document-save", QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton));
  const auto it = Drawings().find(caption);
  return it == Drawings().end() ? QIcon() : Drawn(it->second);
}

}  // namespace tibrel
