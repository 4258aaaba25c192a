#include "app/painter.h"

#include <QPainterPath>

namespace tibrel {

void PaintDisplay(QPainter& p, const Display& d, int width, int height) {
  p.fillRect(0, 0, width, height, ColourOf(d.Background));
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen;
  pen.setWidth(1);
  for (const auto& s : d.Strokes) {
    pen.setColor(ColourOf(s.Colour));
    if (s.Pattern == PatternDotted) pen.setDashPattern({1, 2});
    else if (s.Pattern == PatternDashed) pen.setDashPattern({2, 2});
    else pen.setStyle(Qt::SolidLine);
    p.setPen(pen);
    QPolygonF line;
    line.reserve(static_cast<int>(s.Points.size()));
    for (const auto& q : s.Points) line.append(QPointF(q.X, q.Y));
    p.drawPolyline(line);
  }
  if (!d.Labels.empty()) {
    p.setPen(ColourOf(d.Background ^ 0xFFFFFF));
    for (const auto& l : d.Labels) p.drawText(QPointF(l.At.X + 2, l.At.Y - 2), QString::fromStdString(l.Text));
  }
}

QImage RenderJob(const Job& job, const ViewState& view, const DisplaySettings& settings) {
  QImage image(view.Width, view.Height, QImage::Format_RGB32);
  QPainter p(&image);
  PaintDisplay(p, BuildDisplay(job, view, settings), view.Width, view.Height);
  return image;
}

}  // namespace tibrel
