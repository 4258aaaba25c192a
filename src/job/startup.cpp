#include "job/startup.h"

#include "core/ini.h"
#include "core/program_folder.h"
#include "post/post.h"

namespace tibrel {

void ApplySettings(Job& job, const TTBSettings& s) {
  job.Options = s.Options;
  job.RoughTolerances = s.Rough;
  job.FinishTolerances = s.Finish;
  job.MachiningParameters.Rough.PathColour = s.View.RoughToolpath;
  job.MachiningParameters.Finish.PathColour = s.View.FinishToolpath;
}

TTBSettings StartUp(Job& job) {
  InstallShippedSettings();
  TTBSettings s;
  s.Options = job.Options;
  s.Rough = job.RoughTolerances;
  s.Finish = job.FinishTolerances;
  ReadOptions(IniFile::Load(ProgramFile("Options.cfg")), s);
  ApplySettings(job, s);
  LoadPost(job.CurrentPost, job.Options.Post, ProgramFile("Posts.cfg"));
  return s;
}

Units OptionsDefaultUnits() {
  TTBSettings s;
  try {
    ReadOptions(IniFile::Load(ProgramFile("Options.cfg")), s);
  } catch (const std::exception&) {
  }
  return s.Options.DefaultUnits;
}

}  // namespace tibrel
