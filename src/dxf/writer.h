// Writing drawings as ASCII DXF: the job's regions (Save Geometry DXF) and
// its toolpaths (Save Toolpaths DXF) become a DXF_Object, which DXF_Writer
// turns into the text of a plain file with header extents, a viewport, the
// layers, two line types and the entities.
#pragma once

#include <memory>
#include <string>

#include "dxf/entities.h"
#include "geometry/region.h"
#include "toolpath/model.h"

namespace tibrel {

// Line types of written entities (DXF_Entity::LineType).
enum DxfLineTypes : int { LineContinuous = 0, LineDot = 1 };

// The whole file: every group is its code, CR LF, its value, CR LF. The
// header holds the extents and, when the drawing has one, its $INSUNITS.
// Every number (coordinates, radii, angles in degrees, the header extents)
// is written in the shortest form that reads back as the same double, with
// the point as decimal mark, so that ends which met before the write still
// meet after reading the file back. Entities are written in world
// coordinates, without an extrusion.
std::string DXF_Writer(const DXF_Object& drawing);

// Writes the drawing to path without ever leaving a half-written file.
// Throws std::runtime_error naming the file.
void WriteDxfFile(const DXF_Object& drawing, const std::string& path);

// Regions 1..last: their lines and arcs on layer "0" at Z = the region's
// depth, in the drawing's unit. Layers "0", "1" and "2" exist in that order;
// an empty name gives "Untitled".
std::unique_ptr<DXF_Object> GeometryDrawing(const TTBRegionArray& regions, Units units, const std::string& name);

// Toolpaths 1..last at Z = -depth: the cuts on layer "0", entry and exit
// moves on layer "2", and the lift, move over and plunge of linked paths on
// layer "1" (colour 0, dotted above the stock, solid for the plunge).
std::unique_ptr<DXF_Object> ToolpathDrawing(const TTBOutRegionArray& toolpaths, Units units, const std::string& name);

// Save Geometry DXF and Save Toolpaths DXF (drawing name "Dxf").
void SaveGeometryDxf(const TTBRegionArray& regions, Units units, const std::string& path);
void SaveToolpathsDxf(const TTBOutRegionArray& toolpaths, Units units, const std::string& path);

}  // namespace tibrel
