// A job as the program starts it: the shipped options and tolerances.
#pragma once

#include <string>

#include "core/ini.h"
#include "job/job.h"
#include "job/startup.h"

namespace tibrel::testing_jobs {

inline Job StartedJob() {
  Job job;
  TTBSettings s;
  s.Options = job.Options;
  s.Rough = job.RoughTolerances;
  s.Finish = job.FinishTolerances;
  ReadOptions(IniFile::Load(std::string(TIBREL_SOURCE_DIR) + "/resources/Options.cfg"), s);
  ApplySettings(job, s);
  return job;
}

}  // namespace tibrel::testing_jobs
