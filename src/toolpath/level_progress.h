// Progress of the Pocket and Contour passes: one step per Z level.
#pragma once

#include "core/progress.h"
#include "toolpath/model.h"

namespace tibrel {

// The progress display of a pass, a step per level.
class LevelProgress {
 public:
  LevelProgress(const PassControl& control, const char* caption, const TTBMasterRegionArray& plan) : c_(control) {
    int64_t levels = 0;
    for (const auto& m : plan) levels += static_cast<int64_t>(m.Levels.size()) - 1;
    c_.Begin(caption, levels);
  }
  ~LevelProgress() { c_.End(); }
  void Next() { c_.Advance(done_++); }

 private:
  PassControl c_;
  int64_t done_ = 0;
};

}  // namespace tibrel
