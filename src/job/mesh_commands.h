// The model commands as both front ends run them: Open of an STL file, the
// "Stl Machining" dialog's fields into the machining parameters, the
// Prototype command, the mesh Edit menu and saving the 3D program.
#pragma once

#include <string>
#include <string_view>

#include "job/job.h"
#include "job/operations.h"
#include "post/configurations.h"

namespace tibrel {

// Whether a file is opened as an STL model: its upper-cased extension is
// ".STL".
bool IsStlPath(const std::string& path);

struct MeshOpenResult {
  bool Loaded = false;
  bool Cancelled = false;
  bool Binary = false;
  size_t Triangles = 0;
  std::string Status;  // "Ready..." or "Operation Cancelled..."
  std::string Error;   // the reader's message, or the file's
};

// Reads an STL model held in memory into the job: on success the mesh
// replaces the drawing, the 2D and 3D toolpaths are emptied, the model is
// placed (its top at -STLDepth of the options) and the blank set to its
// box. A file without facets, a malformed one or a cancelled read leaves
// the job as it was.
MeshOpenResult OpenStlData(Job& job, std::string_view data, const std::string& name);
MeshOpenResult OpenStlFile(Job& job, const std::string& path);

// The dialog's values that Configurations.cfg has no key for.
struct PrototypeDialogValues {
  TTBPrototypeParameters Blank;    // X1 .. Z2 and Male
  std::string RoughStepY, FinishStepY;  // empty: the X step
  int32_t RoughDirection = 1;      // 1 X, 2 Y
  int32_t FinishDirection = 2;     // 1 X, 2 Y, 0 none
};

// The dialog's values for the job's model: the blank as loaded or last
// stored, the directions of a fresh dialog.
PrototypeDialogValues DefaultPrototypeValues(const Job& job);

// "X and Y Margin": the blank's X and Y from the extents widened by the
// margin; Z stays.
void ApplyBlankMargin(const TExtents& extents, double margin, TTBPrototypeParameters& blank);

// The Machine button: the fields into MachiningParameters (Depth := Z1,
// the line numbering into CurrentPost), saved as "LAST" when configPath is
// not empty.
void ApplyPrototypeFields(Job& job, const ConfigurationFields& fields, const PrototypeDialogValues& values,
                          const std::string& configPath = "");

// What keeps the stored fields from making a safe program, naming the
// field ("RoughFeed must be greater than 0"); empty when none.
std::string PrototypeProblem(const TTBMachiningParameters& p);

// The Prototype command after Machine: nothing at all when Rough.ZStep is
// not positive; else the toolpaths are replaced by the run's layers.
// Message carries the display-limit note or the refusal.
OperationResult RunPrototype(Job& job);

// The mesh Edit menu.
void FlipJobModel(Job& job);
void MoveJobModel(Job& job, double scale, int axis, double degrees, double left, double bottom, double top);

// Save Toolpaths CNC for a model job.
void SaveToolpaths3D(const Job& job, const std::string& fileName);

}  // namespace tibrel
