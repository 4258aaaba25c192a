// The cutter model for 3D programs: a ball, flat or V cutter moved along a
// program read by cutter::ReadProgram, against a triangle mesh and the
// blank it is cut from. Written without the prototype engine's code: the
// surface is sampled from the triangles themselves, the stock is a height
// map lowered by every feed move.
#pragma once

#include <map>

#include "cutter_model.h"
#include "mesh/mesh.h"
#include "toolpath/model3d.h"

namespace tibrel::cutter {

struct MeshTool {
  int Type = 0;         // 0 flat end, 1 ball, 2 V
  double Radius = 0;
  double Angle = 0;     // V: included angle in degrees
  double Stock = 0;     // what this tool leaves on the surface
};
using MeshToolTable = std::map<int, MeshTool>;

struct MeshCheckSettings {
  // How far a tool may reach into the surface (as a distance out of the
  // tool's solid): the grid's sampling error, stated by each test.
  double Gouge = 0.05;
  // The stock's lattice; a rapid must clear the cut stock within R - 2
  // cells of its axis, by this much.
  double Cell = 0.1;
  double RapidSlack = 1e-3;
  // Programs are written with four decimals.
  double Rounding = 1e-4;
};

// Everything a 3D program must keep to:
// - "gouge": no surface point inside a tool grown by its stock to leave,
//   deeper than settings.Gouge;
// - "rapid": a rapid below the blank's top runs over stock already cut at
//   its height (the lattice under the tool, R - 2 cells round its axis);
// - "feed0": every feed move has a feed above 0;
// - "stop": no spindle stop, pause, tool change or end below the blank's
//   top, and the program ends above it;
// - "entry": the first feed into the stock after each tool change starts
//   from a known XY and is a plunge straight down, or starts on the
//   blank's top (a raster entering a cavity from the surface).
// checked counts the tool positions measured (for tests that must not pass
// vacuously).
Violations CheckMeshCutter(const Program& program, const TTBTriangleArray& mesh, const TTBPrototypeParameters& blank,
                           const MeshToolTable& tools, const MeshCheckSettings& settings, size_t* checked = nullptr);

// The program's move ends give every point of the layers, in order, as
// rapids where the point is a rapid and as feeds elsewhere.
Violations MissingPoints(const Program& program, const TTBOutRegionArray3D& layers, double rounding = 1e-4);

}  // namespace tibrel::cutter
