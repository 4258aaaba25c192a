#include "mesh/mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace tibrel {

void SortTriangleVertices(TTBTriangle& t) {
  if (t.V[0].Z > t.V[1].Z) std::swap(t.V[0], t.V[1]);
  if (t.V[0].Z > t.V[2].Z) std::swap(t.V[0], t.V[2]);
  if (t.V[1].Z > t.V[2].Z) std::swap(t.V[1], t.V[2]);
}

void SetTriangleZRange(TTBTriangle& t) {
  t.ZMin = std::min({t.V[0].Z, t.V[1].Z, t.V[2].Z});
  t.ZMax = std::max({t.V[0].Z, t.V[1].Z, t.V[2].Z});
}

void GetMeshExtents(const TTBTriangleArray& mesh, TExtents& e) {
  if (mesh.empty()) return;
  float x0 = mesh[0].V[0].X, x1 = x0, y0 = mesh[0].V[0].Y, y1 = y0, z0 = mesh[0].V[0].Z, z1 = z0;
  for (const auto& t : mesh)
    for (const auto& v : t.V) {
      x0 = std::min(x0, v.X), x1 = std::max(x1, v.X);
      y0 = std::min(y0, v.Y), y1 = std::max(y1, v.Y);
      z0 = std::min(z0, v.Z), z1 = std::max(z1, v.Z);
    }
  e.XMin = x0, e.XMax = x1, e.YMin = y0, e.YMax = y1, e.ZMin = z0, e.ZMax = z1;
  e.ZMid = (e.ZMin + e.ZMax) / 2;
  e.YSize = e.YMax - e.YMin;
  e.XSize = e.XMax - e.XMin;
}

void TranslateMesh(TTBTriangleArray& mesh, double dX, double dY, double dZ) {
  if (dX == 0 && dY == 0 && dZ == 0) return;
  for (auto& t : mesh) {
    for (auto& v : t.V) {
      v.X = static_cast<float>(v.X + dX);
      v.Y = static_cast<float>(v.Y + dY);
      v.Z = static_cast<float>(v.Z + dZ);
    }
    t.ZMin = static_cast<float>(t.ZMin + dZ);
    t.ZMax = static_cast<float>(t.ZMax + dZ);
    if (t.ZMax > 0) t.ZMax = 0;
  }
}

void ScaleMesh(TTBTriangleArray& mesh, double cX, double cY, double cZ, double factor) {
  if (factor == 0 || factor == 1) return;
  for (auto& t : mesh) {
    for (auto& v : t.V) {
      v.X = static_cast<float>((v.X - cX) * factor + cX);
      v.Y = static_cast<float>((v.Y - cY) * factor + cY);
      v.Z = static_cast<float>((v.Z - cZ) * factor + cZ);
    }
    SetTriangleZRange(t);
  }
}

void RotateMesh(TTBTriangleArray& mesh, int axis, double a, double b, double angle) {
  if (angle == 0) return;
  const double c = std::cos(angle), s = std::sin(angle);
  auto turn = [&](float& p, float& q) {
    const double u = p - a, w = q - b;
    p = static_cast<float>(u * c - w * s + a);
    q = static_cast<float>(w * c + u * s + b);
  };
  for (auto& t : mesh)
    for (auto& v : t.V) {
      if (axis == 2) turn(v.X, v.Y);
      else if (axis == 1) turn(v.X, v.Z);
      else turn(v.Y, v.Z);
    }
}

void SetBlankToExtents(const TExtents& e, TTBPrototypeParameters& blank) {
  blank.BlankX1 = e.XMin, blank.BlankY1 = e.YMin, blank.BlankZ1 = e.ZMin;
  blank.BlankX2 = e.XMax, blank.BlankY2 = e.YMax, blank.BlankZ2 = e.ZMax;
}

void FlipModel(TTBTriangleArray& mesh, TExtents& extents, TTBPrototypeParameters& blank) {
  if (mesh.empty()) return;
  const double k = extents.ZMin + extents.ZMax;
  for (auto& t : mesh) {
    for (auto& v : t.V) v.Z = static_cast<float>(k - v.Z);
    SortTriangleVertices(t);
    SetTriangleZRange(t);
    if (t.ZMax > 0) t.ZMax = 0;
  }
  GetMeshExtents(mesh, extents);
  SetBlankToExtents(extents, blank);
}

void PlaceLoadedMesh(TTBTriangleArray& mesh, double stlDepth, TExtents& e, TTBPrototypeParameters& blank) {
  GetMeshExtents(mesh, e);
  const double zMax = e.ZMax;
  TranslateMesh(mesh, 0, 0, -zMax - stlDepth);
  e.ZMin = e.ZMin - zMax - stlDepth;
  e.ZMax = 0.0 - stlDepth;  // +0, not -0, when the depth is 0
  e.ZMid = (e.ZMin + e.ZMax) / 2;
  SetBlankToExtents(e, blank);
}

void ApplyMeshPlacement(TTBTriangleArray& mesh, double scale, int axis, double degrees, double left, double bottom,
                        double top, TExtents& e, TTBPrototypeParameters& blank) {
  ScaleMesh(mesh, 0, 0, 0, scale);
  const double angle = degrees * std::numbers::pi / 180;
  if (angle != 0) RotateMesh(mesh, axis, 0, 0, angle);
  GetMeshExtents(mesh, e);
  const double dX = left - e.XMin, dY = bottom - e.YMin, dZ = top - e.ZMax;
  TranslateMesh(mesh, dX, dY, dZ);
  e.XMin += dX, e.XMax += dX, e.YMin += dY, e.YMax += dY, e.ZMin += dZ, e.ZMax += dZ;
  e.ZMid = (e.ZMin + e.ZMax) / 2;
  e.YSize = e.YMax - e.YMin;
  e.XSize = e.XMax - e.XMin;
  SetBlankToExtents(e, blank);
}

}  // namespace tibrel
