// What the program does when it starts, for both front ends: the shipped
// settings installed beside it, Options.cfg read, and the post it names
// loaded from Posts.cfg.
#pragma once

#include "job/job.h"
#include "post/options.h"

namespace tibrel {

// The options, tolerances and the tools' path colours of settings, into the job.
void ApplySettings(Job& job, const TTBSettings& settings);

// Installs the shipped settings, reads Options.cfg (the job's values stay
// where the file or a key is missing), applies it to the job and loads the
// post the options name (silently left as it is when there is none).
// Returns everything read, the view's colours among it. Throws PostError
// or std::runtime_error naming a file that cannot be read.
TTBSettings StartUp(Job& job);

// "Units of drawings without units" as Options.cfg in the program folder
// holds it, without installing or applying anything else (millimetres when
// the file, the key or its value is missing or unreadable).
Units OptionsDefaultUnits();

}  // namespace tibrel
