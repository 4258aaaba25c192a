// The in-memory drawing read from a DXF file: layers holding lists of entity
// objects, one list per entity class.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "geometry/units.h"

namespace tibrel {

struct DxfPoint3 {
  double X = 0, Y = 0, Z = 0;
};

// The object coordinate system of an entity whose extrusion is not the world
// Z axis: the three axes in world coordinates.
struct DxfOcs {
  DxfPoint3 Ax, Ay, Az;
  DxfPoint3 ToWorld(const DxfPoint3& p) const;
  // True when the plane is seen from below (the OCS mirrors the drawing).
  bool Mirrored() const { return Az.Z < 0; }
};

// Builds the OCS of an extrusion direction by the arbitrary axis algorithm;
// nothing for the world Z axis (or a zero vector).
std::optional<DxfOcs> OcsFromExtrusion(DxfPoint3 n);

class DXF_Entity {
 public:
  virtual ~DXF_Entity() = default;
  virtual const char* ClassName() const = 0;
  int Colour = 0;
  int LineType = 0;  // 0 = "CONTINUOUS", 1 = "DOT"
  // Absent when the extrusion is the world Z axis (held by pointer: most
  // entities have none, and entities are many).
  std::shared_ptr<const DxfOcs> Ocs;
  void SetOcs(const std::optional<DxfOcs>& ocs) {
    if (ocs) Ocs = std::make_shared<const DxfOcs>(*ocs);
  }
};

class Point_ : public DXF_Entity {
 public:
  const char* ClassName() const override { return "Point_"; }
  DxfPoint3 P1;  // world coordinates
};

class Line_ : public Point_ {
 public:
  const char* ClassName() const override { return "Line_"; }
  DxfPoint3 P2;
};

class Ellipse_ : public Line_ {
 public:
  const char* ClassName() const override { return "Ellipse_"; }
  // P1: centre; P2: major axis end relative to the centre.
  double Ratio = 0, StartParam = 0, EndParam = 0;
};

class Circle_ : public Point_ {
 public:
  const char* ClassName() const override { return "Circle_"; }
  double Radius = 0;
};

class Arc_ : public Circle_ {
 public:
  const char* ClassName() const override { return "Arc_"; }
  double StartAngle = 0, EndAngle = 0;  // radians in [0, 2*pi), counter-clockwise
};

class Text_ : public Point_ {
 public:
  const char* ClassName() const override { return "Text_"; }
  double Height = 0, Rotation = 0;  // rotation in degrees
  std::string Text;
  DxfPoint3 Align;  // the insertion point when the file gives none
  int HAlign = 0;
  // Vertical alignment: 0 baseline, 1 bottom, 2 middle, 3 top (TEXT's
  // group 73, an attribute's 74).
  int VAlign = 0;
  // MTEXT: the text holds formatting codes and "\P" line breaks, and its
  // insertion point is the attachment point (1..9: top, middle, bottom rows
  // of left, centre, right); HAlign, VAlign and Align do not apply.
  bool MText = false;
  int Attachment = 0;
  bool Invisible = false;  // an attribute that is not shown
};

class Attrib_ : public Text_ {
 public:
  const char* ClassName() const override { return "Attrib_"; }
};

class Attdef_ : public Attrib_ {
 public:
  const char* ClassName() const override { return "Attdef_"; }
};

// A block reference (INSERT, or MINSERT when it has rows or columns). P1 is
// the insertion point in world coordinates; rotation and the grid lie in the
// plane of the object coordinate system.
class Insert_ : public Point_ {
 public:
  const char* ClassName() const override { return "Insert_"; }
  std::string Block;                // the block's name as the file gives it
  DxfPoint3 Scale{1, 1, 1};
  double Rotation = 0;              // degrees
  long Columns = 1, Rows = 1;
  double ColumnSpacing = 0, RowSpacing = 0;
};

class Block_ : public DXF_Entity {
 public:
  const char* ClassName() const override { return "Block_"; }
  std::string Name;
  DxfPoint3 Base;
};

struct DxfVertex {
  double X = 0, Y = 0, Z = 0, Bulge = 0;
};

class Polyline_ : public DXF_Entity {
 public:
  const char* ClassName() const override { return "Polyline_"; }
  bool Closed = false;
  std::vector<DxfVertex> Vertices;
  double Width = 0;  // half the start width
};

class Face3D_ : public Polyline_ {
 public:
  const char* ClassName() const override { return "Face3D_"; }
};

class Solid_ : public Face3D_ {
 public:
  const char* ClassName() const override { return "Solid_"; }
};

class Polygon_mesh_ : public Polyline_ {
 public:
  const char* ClassName() const override { return "Polygon_mesh_"; }
  int M = 0, N = 0;
  bool ClosedM = false, ClosedN = false;
};

class Polyface_mesh_ : public Polyline_ {
 public:
  const char* ClassName() const override { return "Polyface_mesh_"; }
  std::vector<std::array<int, 4>> Faces;  // zero-based vertex numbers
};

// A B-spline curve (SPLINE). Points are world coordinates. A spline given
// only by fit points is interpolated through them (cubic, as drawing
// programs do); otherwise the control points, knots and weights define it.
class Spline_ : public DXF_Entity {
 public:
  const char* ClassName() const override { return "Spline_"; }
  static constexpr int ClosedFlag = 1, PeriodicFlag = 2, RationalFlag = 4;
  int Flags = 0;
  int Degree = 3;
  std::vector<double> Knots;
  std::vector<DxfPoint3> Control;
  std::vector<double> Weights;  // empty, or one per control point
  std::vector<DxfPoint3> Fit;
  std::optional<DxfPoint3> StartTangent, EndTangent;  // fit-point splines only
};

class DXF_Layer;

class Entity_List {
 public:
  std::string ClassName;
  DXF_Layer* Layer = nullptr;
  std::vector<std::unique_ptr<DXF_Entity>> Entities;
  bool Sorted = false;
};

class DXF_Layer {
 public:
  std::string Name;  // upper case
  int Colour = 0;
  std::vector<std::string> EntityNames;
  std::vector<std::unique_ptr<Entity_List>> Lists;
  // Puts the entity into the list of its class, creating the list on first use.
  void Add(std::unique_ptr<DXF_Entity> e);

 private:
  size_t last_ = 0;  // the list the last entity went to
};

// The notices for what the reader could not turn into geometry.
inline constexpr const char* BlockNotInsertedNotice =
    "A \"BLOCK\" was read but not inserted.  Explode all Blocks before loading.";
inline constexpr const char* SplineNotReadNotice =
    "A SPLINE was detected but not read.  Explode all SPLINE's before loading";

class DXF_read_exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The unit a $INSUNITS value names: 1 inch, 4 millimetres; nothing for
// any other value (0 is "unitless"; feet, metres and the rest are units this
// program does not machine in).
std::optional<Units> UnitsOfInsUnits(long insUnits);
// The $INSUNITS value of a unit: 1 or 4.
long InsUnitsOf(Units units);

// A block definition of the BLOCKS section: its entities in file order,
// each with its layer (upper case; "0" takes the layer of the insert).
struct DxfBlock {
  std::string Name;
  DxfPoint3 Base;
  struct Item {
    std::string Layer;
    std::unique_ptr<DXF_Entity> Entity;
  };
  std::vector<Item> Items;
  bool UnreadSpline = false;  // it held a SPLINE that could not be read
};

class DXF_Object {
 public:
  std::string Name;
  std::vector<std::unique_ptr<DXF_Layer>> Layers;
  // Block definitions by upper-case name (block names are case-insensitive).
  std::map<std::string, DxfBlock> Blocks;
  DxfPoint3 ExtMin, ExtMax;
  // $INSUNITS of the HEADER: the unit the drawing's numbers are in (1 inch,
  // 4 millimetres, ...); 0 ("unitless") when the file gives no readable value.
  long InsUnits = 0;
  // Messages the reader has for the user that do not stop the reading (the
  // block and spline notices), each at most once.
  // Adds a notice unless it was given already.
  void Notice(const std::string& text);
  std::vector<std::string> Warnings;

  DXF_Layer& LayerNamed(const std::string& upperName);
  // Entities of all non-polyline lists plus the vertices of polyline lists.
  size_t SegmentSlots() const;
  size_t PolylineCount() const;

 private:
  size_t lastLayer_ = 0;  // the layer LayerNamed gave last
};

}  // namespace tibrel
