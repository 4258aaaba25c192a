#include "app/view_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>

#include "app/painter.h"
#include "view/nc_backplot.h"

namespace tibrel {

ViewWidget::ViewWidget(Job& job, QWidget* parent) : QWidget(parent), job_(job) {
  setMouseTracking(true);
  setMinimumSize(200, 150);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ViewWidget::ZoomAll() {
  // While the NC editor pane is shown the view fits the program's moves.
  FitView(view_, job_.EditorShown ? NcViewExtents(PathExtents(job_.NcProgram)) : job_.DrawingExtents, 20);
  update();
}

void ViewWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (job_.Loading) {
    p.fillRect(rect(), ColourOf(settings_.Colours.Background));
    return;
  }
  Display d;
  d.Background = settings_.Colours.Background;
  if (!overlay || !overlay(view_, d)) d = BuildDisplay(job_, view_, settings_);
  PaintDisplay(p, d, width(), height());
  if (dragging_ && RubberBandArmed()) {
    p.setPen(QPen(Qt::red, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(anchor_, last_).normalized());
  }
  if (decoration) decoration(p, view_);
  if (onPainted) onPainted(d.Status);
}

void ViewWidget::resizeEvent(QResizeEvent*) { Resize(view_, width(), height()); }

void ViewWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  anchor_ = last_ = e->pos();
  dragging_ = true;
  if (!RubberBandArmed() && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) && onClick) {
    double x, y;
    if (WorldFromScreen(view_, e->pos().x(), e->pos().y(), x, y)) onClick(x, y);
  }
}

void ViewWidget::mouseMoveEvent(QMouseEvent* e) {
  double x, y;
  WorldFromScreen(view_, e->pos().x(), e->pos().y(), x, y);
  if (onCursor) onCursor(x, y);
  if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return;
  const int dx = e->pos().x() - last_.x(), dy = e->pos().y() - last_.y();
  last_ = e->pos();
  if (RubberBandArmed()) {
    update();
    return;
  }
  if (e->modifiers() & Qt::ShiftModifier) {
    Pan(view_, dx, dy);
  } else if (e->modifiers() & Qt::ControlModifier) {
    ZoomBy(view_, -dy * 4.0 / std::max(1, height()), false);
  } else if (view_.Mode == View3D) {
    Rotate(view_, dx, dy, e->pos().y() > height() / 2);
  }
  update();
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  if (!RubberBandArmed()) return;
  const QRect r = QRect(anchor_, e->pos()).normalized();
  // The band's size is the distance dragged, not the count of pixels it
  // covers: a press and release one pixel apart is a click, and the band
  // stays armed.
  if (std::abs(e->pos().x() - anchor_.x()) < 2 || std::abs(e->pos().y() - anchor_.y()) < 2) {
    update();
    return;
  }
  double x1, y1, x2, y2;
  WorldFromScreen(view_, r.left(), r.bottom(), x1, y1);
  WorldFromScreen(view_, r.right(), r.top(), x2, y2);
  if (zoomBox_) {
    zoomBox_ = false;
    ZoomToRectangle(view_, x1, y1, x2, y2);
    if (onRectangle) onRectangle(x1, y1, x2, y2);
  } else {
    selectBox_ = false;
    if (onRectangle) onRectangle(x1, y1, x2, y2);
  }
  update();
}

void ViewWidget::wheelEvent(QWheelEvent* e) {
  ZoomBy(view_, e->angleDelta().y() > 0 ? 0.1 : -0.1);
  update();
}

}  // namespace tibrel
