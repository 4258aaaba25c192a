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

// A world point in the view's frame: its pixel and its depth, in drawing
// units and growing toward the viewer (world Z itself in the plan view).
struct ViewPoint {
  double X = 0, Y = 0, Depth = 0;
};
// A direction in the view's frame: right and up on the screen, toward the
// viewer; same length as the world direction.
struct ViewDirection {
  double Right = 0, Up = 0, Toward = 0;
};

// The projection of one view with its turn and tilt worked out once, for
// drawing many points; Point gives the pixels of Project exactly.
class Projector {
 public:
  explicit Projector(const ViewState& v);
  ViewPoint Point(double x, double y, double z) const;
  ViewDirection Direction(double dx, double dy, double dz) const;

 private:
  bool turned_ = false;
  double cosSpin_ = 1, sinSpin_ = 0, cosTilt_ = 0, sinTilt_ = 1;
  double pivotX_ = 0, pivotY_ = 0, zMid_ = 0, xMin_ = 0, yMin_ = 0, sx_ = 1, sy_ = 1, height_ = 0;
};
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

// A filled triangle of a model; when Outlined its edges are drawn over it
// in EdgeColour before the next triangle is filled.
struct Fill {
  ScreenPoint P[3];
  int32_t Colour = 0;  // 0x00BBGGRR
  int32_t EdgeColour = 0;
  bool Outlined = false;
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
  std::string Status;  // "All 123", "Select 12", "Tool 40", "Tris 960"
  // Painting order: the first StrokesUnderFills strokes (the model's grid),
  // then the fills in order (back to front), then the other strokes.
  std::vector<Fill> Fills;
  size_t StrokesUnderFills = 0;
  int32_t Background = 0xFFFFFF;
};

// What the view shows of the job: regions by their state colours, or the
// toolpaths with their links dotted, direction marks and labels on request;
// with a model loaded, the model's grid and blank, its shaded triangles and
// its 3D toolpaths instead (view/model_display.h).
Display BuildDisplay(const Job& job, const ViewState& v, const DisplaySettings& s);

}  // namespace tibrel
