#include "mesh/prototype.h"

namespace tibrel {

bool FinishReusesRoughGrid(const TTBMachiningParameters& p) {
  const TTBTool &r = p.Rough, &f = p.Finish;
  return r.Radius == f.Radius && r.XYStep == f.XYStep && r.YStep == f.YStep && r.StockToLeave == 0 &&
         r.ToolType == f.ToolType && r.Angle == f.Angle;
}

namespace {

bool Grid(const TTBTriangleArray& mesh, const TTBMachiningParameters& p, const TTBTool& t, double stock,
          TTBZGrid& grid, const PassControl& control, PrototypeRun& run) {
  run.Steps.push_back("Creating grid...");
  ++run.GridsBuilt;
  GridSpec spec{p.Prototype, t.XYStep, t.YStep, stock};
  if (!BuildHeightGrid(mesh, spec, grid, control)) return false;
  run.Steps.push_back("Applying gouge control..");
  return ApplyGougeControl(grid, t.ToolType, t.Angle, 2 * (t.Radius + stock), control);
}

bool Raster(const TTBZGrid& grid, const TTBMachiningParameters& p, const TTBTool& t, double tol,
            TTBOutRegionArray3D& toolpaths, const PassControl& control, PrototypeRun& run) {
  run.Steps.push_back("Creating toolpaths..");
  RasterSpec spec{&t, p.Prototype.BlankZ1, p.RapidHeight, "", tol};
  return CreateRasterToolpaths(grid, spec, toolpaths, control);
}

}  // namespace

PrototypeRun MachinePrototype(const TTBTriangleArray& mesh, const TTBMachiningParameters& p, double roughTolerance,
                              TTBZGrid& grid, TTBOutRegionArray3D& toolpaths, const PassControl& control) {
  PrototypeRun run;
  toolpaths.clear();
  const double top = p.Prototype.BlankZ2, depth = p.Prototype.BlankZ1;
  bool ok = true;
  if (p.Rough.Direction != 0 && p.Rough.ZStep > 0) {
    grid.Direction = p.Rough.Direction;
    ok = Grid(mesh, p, p.Rough, p.Rough.StockToLeave, grid, control, run) &&
         Raster(grid, p, p.Rough, roughTolerance, toolpaths, control, run);
    if (ok) LiftCutMoves(toolpaths, 0, top, depth, p.RapidHeight);
    run.RoughLayers = toolpaths.size();
  }
  if (ok && !control.Idle() && p.Finish.Direction != 0 && p.Finish.ZStep > 0) {
    const bool reuse = p.Rough.Direction != 0 && !grid.Empty() && FinishReusesRoughGrid(p);
    grid.Direction = p.Finish.Direction;
    if (!reuse) ok = Grid(mesh, p, p.Finish, 0, grid, control, run);
    ok = ok && Raster(grid, p, p.Finish, 0, toolpaths, control, run);
    if (ok) LiftCutMoves(toolpaths, run.RoughLayers, top, depth, p.RapidHeight);
  }
  run.Cancelled = !ok && (control.FlagSet() || control.Idle());
  run.DisplayTotal = DisplayLimitTotal(toolpaths);
  return run;
}

std::string DisplayLimitMessage(size_t total) {
  return "Only the first " + std::to_string(total) + " Toolpaths will be displayed.";
}

}  // namespace tibrel
