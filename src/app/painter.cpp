#include "app/painter.h"

#include <QPainterPath>

#include <algorithm>

namespace tibrel {

void PaintDisplay(QPainter& p, const Display& d, int width, int height) {
  p.fillRect(0, 0, width, height, ColourOf(d.Background));
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen;
  pen.setWidth(1);
  auto stroke = [&](const Stroke& s) {
    pen.setColor(ColourOf(s.Colour));
    if (s.Pattern == PatternDotted) pen.setDashPattern({1, 2});
    else if (s.Pattern == PatternDashed) pen.setDashPattern({2, 2});
    else pen.setStyle(Qt::SolidLine);
    p.setPen(pen);
    QPolygonF line;
    line.reserve(static_cast<int>(s.Points.size()));
    for (const auto& q : s.Points) line.append(QPointF(q.X, q.Y));
    p.drawPolyline(line);
  };
  const size_t under = std::min(d.StrokesUnderFills, d.Strokes.size());
  for (size_t k = 0; k < under; ++k) stroke(d.Strokes[k]);
  // The model's triangles, back to front, each with its edges when the
  // display asks for them.
  QPen edge;
  edge.setWidth(1);
  for (const Fill& f : d.Fills) {
    if (f.Outlined) {
      edge.setColor(ColourOf(f.EdgeColour));
      p.setPen(edge);
    } else {
      p.setPen(Qt::NoPen);
    }
    p.setBrush(ColourOf(f.Colour));
    const QPointF corners[3] = {{f.P[0].X, f.P[0].Y}, {f.P[1].X, f.P[1].Y}, {f.P[2].X, f.P[2].Y}};
    p.drawConvexPolygon(corners, 3);
  }
  p.setBrush(Qt::NoBrush);
  for (size_t k = under; k < d.Strokes.size(); ++k) stroke(d.Strokes[k]);
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
