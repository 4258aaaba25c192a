// The settings the program ships, for tests that run as the program starts:
// the posts of resources/Posts.cfg and a job started with the shipped
// options and tolerances.
#pragma once

#include <map>
#include <string>

#include "core/ini.h"
#include "job/job.h"
#include "job/startup.h"
#include "post/options.h"
#include "post/post.h"

namespace tibrel::testing_settings {

// The shipped posts, read once.
inline const std::map<std::string, TTBPostProcessor>& ShippedPosts() {
  static const std::map<std::string, TTBPostProcessor> posts = [] {
    std::map<std::string, TTBPostProcessor> m;
    const IniFile file = IniFile::Load(std::string(TIBREL_SOURCE_DIR) + "/resources/Posts.cfg");
    for (const auto& name : file.Sections()) LoadPost(m[name], name, file);
    return m;
  }();
  return posts;
}

// A job as the program starts it: the shipped options and tolerances.
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

}  // namespace tibrel::testing_settings
