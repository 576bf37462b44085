#pragma once
// Ctrl-C during long work: while an InterruptCancels is alive, SIGINT sets
// the work's cancel flag instead of ending the process, so the work stops
// between records and the command can say what was kept.  The handler does
// nothing but that store (async-signal-safe); the previous handling of
// SIGINT comes back when the scope ends.
//
//   TCancelFlag cancel;
//   InterruptCancels interrupt(cancel);
//   options.control.cancel = &cancel;
//   ... run the import ...
#include <signal.h>

#include "text/work_control.h"

namespace tabrin::cli {

// Exit code of a command stopped by Ctrl-C (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedExitCode = 128 + SIGINT;

class InterruptCancels {
 public:
  explicit InterruptCancels(TCancelFlag& flag);
  ~InterruptCancels();
  InterruptCancels(const InterruptCancels&) = delete;
  InterruptCancels& operator=(const InterruptCancels&) = delete;

 private:
  struct sigaction previous_ {};
  bool installed_ = false;
};

}  // namespace tabrin::cli
