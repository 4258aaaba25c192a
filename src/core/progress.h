// What long passes poll. The GUI implements it with event processing (so the
// window stays responsive and Esc can be seen), the CLI with a progress bar on
// stderr and Ctrl-C. Passes never wait on it; a null pointer means "no front
// end": nothing is shown and nothing cancels.
#pragma once

#include <cstdint>
#include <string>

#include "core/command_mode.h"

namespace tibrel {

class Progress {
 public:
  virtual ~Progress() = default;
  // A long pass starts; total is the number of steps it will report (0 when
  // unknown).
  virtual void Begin(const std::string& caption, int64_t total) { (void)caption, (void)total; }
  virtual void Advance(int64_t done) { (void)done; }
  virtual void End() {}
  // Lets the front end process pending events. A front end that sees a
  // cancel request sets the flag that it was bound to (the job's
  // CancelRequested) before returning.
  virtual void Pump() {}
};

// The handle a pass polls: the front end's pump and the flags that stop it.
// Long operations stop when the cancel flag is set, and also when the command
// mode they run under has been reset to 0 (Esc resets it). A pass sets the
// mode it runs under and drops it to 0 when it ends or stops. Unbound
// pointers mean no front end: nothing cancels and no mode is kept.
struct PassControl {
  Progress* progress = nullptr;
  uint8_t* cancelRequested = nullptr;
  int32_t* commandMode = nullptr;

  // Whether the mode is bound and has dropped to 0.
  bool Idle() const { return commandMode && *commandMode == ModeIdle; }
  bool InMode(int32_t mode) const { return commandMode && *commandMode == mode; }
  void SetMode(int32_t mode) const {
    if (commandMode) *commandMode = mode;
  }
  void ClearCancel() const {
    if (cancelRequested) *cancelRequested = 0;
  }
  // Pumps the front end; a cancel request drops the command mode to 0.
  // True when the mode is 0: the pass ends here.
  bool Halted() const {
    if (Cancelled()) SetMode(ModeIdle);
    return Idle();
  }

  // Pumps the front end, then reports whether the cancel flag is set.
  bool Cancelled() const {
    if (progress) progress->Pump();
    return cancelRequested && *cancelRequested;
  }
  // As Cancelled, but a command mode of 0 also counts as a stop request.
  bool Stopped() const {
    const bool c = Cancelled();
    return c || (commandMode && *commandMode == 0);
  }
  bool FlagSet() const { return cancelRequested && *cancelRequested; }
  void Begin(const std::string& caption, int64_t total) const {
    if (progress) progress->Begin(caption, total);
  }
  void Advance(int64_t done) const {
    if (progress) progress->Advance(done);
  }
  void End() const {
    if (progress) progress->End();
  }
};

}  // namespace tibrel
