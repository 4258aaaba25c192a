// The triangle mesh of an STL model and the edits on it: extents, move,
// scale, rotation, flip, and the placement on load.
//
// Coordinates are single precision; computations on them run in double and
// are stored back as f32. After loading each triangle's vertices are sorted
// by ascending Z, so V[0].Z is its ZMin and V[2].Z its ZMax.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/extents.h"
#include "toolpath/model.h"

namespace tibrel {

struct TTBVertex {
  float X = 0, Y = 0, Z = 0;
};

struct TTBTriangle {
  TTBVertex V[3];
  float NormalZ = 0;  // the file's facet normal Z, as given; nothing reads it
  float ZMin = 0;
  float ZMax = 0;     // clamped to 0 by TranslateMesh
};
static_assert(sizeof(TTBTriangle) == 48, "a triangle is twelve f32");

using TTBTriangleArray = std::vector<TTBTriangle>;  // zero-based

// Orders the vertices by ascending Z; equal Z keep their order.
void SortTriangleVertices(TTBTriangle& t);

// Sets ZMin and ZMax from the three vertices.
void SetTriangleZRange(TTBTriangle& t);

// The box of every vertex, with ZMid and the sizes. An empty mesh leaves
// the record as it was.
void GetMeshExtents(const TTBTriangleArray& mesh, TExtents& extents);

// Adds the offsets to every vertex and to ZMin and ZMax; then a ZMax above
// 0 is clamped to 0 (the vertices are not). Nothing when all are 0.
void TranslateMesh(TTBTriangleArray& mesh, double dX, double dY, double dZ);

// Scales about (cX, cY, cZ); a factor of 0 or 1 changes nothing. ZMin and
// ZMax are recomputed; the vertices are not re-sorted.
void ScaleMesh(TTBTriangleArray& mesh, double cX, double cY, double cZ, double factor);

// Rotates by angle (radians, counter-clockwise seen from the axis' positive
// end) about the coordinate axis (0 X, 1 Y, 2 Z) through (a, b) in the
// other two coordinates (Y,Z for X; X,Z for Y; X,Y for Z). ZMin, ZMax and
// the vertex order are left as they were.
void RotateMesh(TTBTriangleArray& mesh, int axis, double a, double b, double angle);

// Extents and blank after an edit: the mesh's box, the blank set to it.
void SetBlankToExtents(const TExtents& extents, TTBPrototypeParameters& blank);

// Turns the model upside down about its own middle plane (Z becomes
// ZMin + ZMax - Z for the extents' ZMin and ZMax), re-sorts each triangle
// and its Z range, then recomputes the extents and sets the blank to them.
void FlipModel(TTBTriangleArray& mesh, TExtents& extents, TTBPrototypeParameters& blank);

// The placement on load: the model's top moves to Z = -stlDepth (X and Y
// stay), the extents follow, the blank becomes the model's box.
void PlaceLoadedMesh(TTBTriangleArray& mesh, double stlDepth, TExtents& extents, TTBPrototypeParameters& blank);

// The Move, Scale and Rotate dialog's Apply: scale about the origin (0 and
// 1 change nothing), rotate about the axis through the origin (degrees; 0
// changes nothing), then move the box's lower-left corner to (left, bottom)
// and its top to `top`; the extents and the blank follow.
void ApplyMeshPlacement(TTBTriangleArray& mesh, double scale, int axis, double degrees, double left, double bottom,
                        double top, TExtents& extents, TTBPrototypeParameters& blank);

}  // namespace tibrel
