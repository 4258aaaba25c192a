// The geometry and toolpath view without a window system: the world window,
// the plan and oblique projections, fitting and zooming, arc flattening by
// the pixel rule, and the display list that a painter (the window's, or the
// command line's image writer) draws line by line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "job/job.h"
#include "geometry/extents.h"

namespace tibrel {

enum ViewModes : int { View2D = 1, View3D = 3 };
enum ViewContents : int { ContentAll = 0, ContentSelected = 1, ContentToolpaths = 3 };
enum LinePatterns : int { PatternSolid = 0, PatternDotted = 1, PatternDashed = 2 };

struct ViewState {
  int Width = 800, Height = 600;  // the drawing area in pixels
  TExtents Window, PreviousWindow;
  int Mode = View2D;
  double Spin = 0, Tilt = 90;  // degrees
  double Sx = 1, Sy = 1;       // pixels per drawing unit
  double PivotX = 0, PivotY = 0;  // the 3D view turns about (PivotX, PivotY, Window.ZMid)
  ViewState();
};

// Shows the rectangle of e with at least the given pixel margins, at one
// scale for both axes, centred; ZMid becomes the centre of rotation.
void FitWindow(ViewState& v, const TExtents& e, double marginX, double marginY);
// FitWindow, and in the 3D view also the scale at which the turned and
// tilted drawing (its extents' eight corners) fits the area.
void FitView(ViewState& v, const TExtents& e, double margin);
// Shrinks the window by f times its size on every side (f < 0 enlarges),
// remembering the window shown before unless remember is false (the
// continuous zoom of a drag).
void ZoomBy(ViewState& v, double f, bool remember = true);
// Zoom Window: the dragged rectangle (world corners) fills the area; the
// window shown before is remembered.
void ZoomToRectangle(ViewState& v, double x1, double y1, double x2, double y2);
// A new size of the drawing area: same centre, same scale.
void Resize(ViewState& v, int width, int height);
// Back to the window before the last zoom; repeating it toggles.
void ZoomPrevious(ViewState& v);
void Set2D(ViewState& v);
void Set3D(ViewState& v);
// Pan by a mouse movement in pixels: the drawing follows the mouse.
void Pan(ViewState& v, int dx, int dy);
// Rotate by a mouse movement (3D only); below tells whether the cursor is
// in the lower half of the area.
void Rotate(ViewState& v, int dx, int dy, bool below);

struct ScreenPoint {
  double X = 0, Y = 0;
};
// Pixel position of a world point (Z is up; depths are drawn at -Depth).
ScreenPoint Project(const ViewState& v, double x, double y, double z);
// The world point under a pixel in the plan view; false (and 0, 0) outside
// the drawing area.
bool WorldFromScreen(const ViewState& v, int px, int py, double& x, double& y);

// Chords of an arc of this length at this scale: round(length * s) div 3,
// at most 50; 0 means the arc is too small to draw.
int ArcChords(double length, double pixelsPerUnit);
// World points of an arc flattened by that rule, in increasing angle (empty
// when it has no chord).
std::vector<TTBPoint> FlattenArc(const TTBEntity& arc, double pixelsPerUnit);

struct Stroke {
  int32_t Colour = 0;  // 0x00BBGGRR
  int Pattern = PatternSolid;
  std::vector<ScreenPoint> Points;  // a polyline
};

struct Label {
  ScreenPoint At;
  std::string Text;
};

struct DisplaySettings {
  TTBViewSettings Colours;
  int Content = ContentAll;
  bool Directions = false;
  bool Information = false;
  bool ShortLabels = false;  // the machining order's labels: the region number alone
};

struct Display {
  std::vector<Stroke> Strokes;
  std::vector<Label> Labels;
  std::string Status;  // "All 123", "Select 12", "Tool 40"
  int32_t Background = 0xFFFFFF;
};

// What the view shows of the job: regions by their state colours, or the
// toolpaths with their links dotted, direction marks and labels on request.
Display BuildDisplay(const Job& job, const ViewState& v, const DisplaySettings& s);

}  // namespace tibrel
