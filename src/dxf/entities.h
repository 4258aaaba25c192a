// The in-memory drawing read from a DXF file: layers holding lists of entity
// objects, one list per entity class.
#pragma once

#include <array>
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

class Insert_ : public Point_ {
 public:
  const char* ClassName() const override { return "Insert_"; }
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
};

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

class DXF_Object {
 public:
  std::string Name;
  std::vector<std::unique_ptr<DXF_Layer>> Layers;
  DxfPoint3 ExtMin, ExtMax;
  // $INSUNITS of the HEADER: the unit the drawing's numbers are in (1 inch,
  // 4 millimetres, ...); 0 ("unitless") when the file gives no readable value.
  long InsUnits = 0;
  // Messages the reader has for the user that do not stop the reading (the
  // block and spline notices), each at most once.
  std::vector<std::string> Warnings;

  DXF_Layer& LayerNamed(const std::string& upperName);
  // Entities of all non-polyline lists plus the vertices of polyline lists.
  size_t SegmentSlots() const;
  size_t PolylineCount() const;
};

}  // namespace tibrel
