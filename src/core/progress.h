// What long passes poll. The GUI implements it with event processing (so the
// window stays responsive and Esc can be seen), the CLI with a progress bar on
// stderr and Ctrl-C. Passes never wait on it; a null pointer means "no front
// end": nothing is shown and nothing cancels.
#pragma once

#include <cstdint>
#include <string>

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
// mode they run under has been reset to 0 (Esc resets it).
struct PassControl {
  Progress* progress = nullptr;
  const uint8_t* cancelRequested = nullptr;
  const int32_t* commandMode = nullptr;

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
