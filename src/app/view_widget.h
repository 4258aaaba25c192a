// The drawing area of the main window: paints the job through the view
// model, and turns the mouse into pans, zooms, rotations, rubber bands and
// clicks for the main window's click-driven commands.
#pragma once

#include <QWidget>
#include <functional>

class QPainter;

#include "view/view.h"

namespace tibrel {

class ViewWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ViewWidget(Job& job, QWidget* parent = nullptr);

  ViewState& State() { return view_; }
  DisplaySettings& Settings() { return settings_; }
  // Zoom to the drawing (or the toolpaths') extents with a margin of 20.
  void ZoomAll();
  // Arms the rubber band; the rectangle dragged next goes to onRectangle
  // (world corners), or zooms when zoomWindow is set.
  void ArmRubberBand(bool zoomWindow) { zoomBox_ = zoomWindow, selectBox_ = !zoomWindow; }
  bool RubberBandArmed() const { return zoomBox_ || selectBox_; }
  // Leaving a click mode takes the band away, so that the next drag pans,
  // zooms or rotates and the next click picks.
  void DisarmRubberBand() { zoomBox_ = selectBox_ = false; }

  std::function<void(double x, double y)> onClick;
  std::function<void(double x1, double y1, double x2, double y2)> onRectangle;
  std::function<void(double x, double y)> onCursor;
  std::function<void(const std::string& status)> onPainted;
  // What is drawn instead of the job when it returns true (the NC
  // backplot while the editor pane is shown).
  std::function<bool(const ViewState& v, Display& d)> overlay;
  // Drawn over the view after everything else (the text dialog's preview box).
  std::function<void(QPainter&, const ViewState&)> decoration;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;

 private:
  Job& job_;
  ViewState view_;
  DisplaySettings settings_;
  bool zoomBox_ = false, selectBox_ = false, dragging_ = false;
  QPoint anchor_, last_;
};

}  // namespace tibrel
