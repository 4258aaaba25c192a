// The model subcommands of tibrel-cli: info of an STL file, prototype, and
// render of a model.
#pragma once

#include <string>
#include <vector>

#include "job/job.h"
#include "job/mesh_commands.h"
#include "job/operations.h"
#include "post/configurations.h"

namespace tibrel::cli {

// Whether info's arguments name an STL model (then MeshInfo answers).
bool NamesStlModel(const std::vector<std::string>& args);

// tibrel-cli info MODEL.stl [--json]
int MeshInfo(const std::vector<std::string>& args);

// tibrel-cli prototype MODEL.stl [options] -o OUT.nc [--json]
int PrototypeCommand(const std::vector<std::string>& args);

// The Stl Machining dialog's fields as the command line gives them:
// --config, --set, --female, --margin or --blank, --rough-step-y,
// --finish-step-y, --rough-direction, --finish-direction.
struct PrototypeArguments {
  std::string config = LastConfiguration, margin, blank;
  std::vector<std::string> sets;
  PrototypeDialogValues values;  // a direction not understood is -1
  bool female = false;
  // Takes the option at k (moving k past its value); false when it is not
  // one of these.
  bool Take(const std::vector<std::string>& args, size_t& k);
};

// The fields into the job's machining parameters (saving "LAST"), the blank
// from the model's box, the margin or --blank, then the Prototype command;
// its messages go to stderr. Returns an exit status: 2 for arguments not
// understood, else 0 with the command's result in r.
int RunPrototypeArguments(Job& job, PrototypeArguments arguments, OperationResult& r);

// tibrel-cli render MODEL.stl [--operation prototype [prototype's field
// options]] [--view 2d|3d] [--size WxH] -o OUT.png: the model as the view
// shows it (3D unless --view 2d), with the 3D toolpaths of the operation;
// prints the view's status ("Tris N", "Tool N").
int RenderModel(const std::vector<std::string>& args);

}  // namespace tibrel::cli
