#pragma once
// Progress and cancellation of long work (an import, an export), one path for
// every front end: the command line draws a bar and cancels on Ctrl-C, the
// window shows a progress dialog and cancels from its button, both through
// these types.
//
//   TCancelFlag cancel;                       // Request() from any thread
//   TWorkControl control;
//   control.progress = [](const TWorkProgress& p) { ... p.done, p.total ... };
//   control.cancel = &cancel;
//
// The work calls progress on its own thread, after each record and once at
// the end, and checks the flag between records.  Work that stops because it
// was cancelled raises TWorkCancelled (or a type derived from it that says
// what was kept); what it did before stays done, as after an error.
#include <atomic>
#include <functional>
#include <string>

#include "text/error.h"

namespace tabrin {

struct TWorkProgress {
  int done = 0;   // records handled so far
  int total = 0;  // records in all (0 while not known)
};

// A request to stop, set from any thread or from a signal handler (a
// lock-free atomic store is async-signal-safe); read by the work between
// records.
class TCancelFlag {
 public:
  void Request() noexcept { requested_.store(true, std::memory_order_relaxed); }
  void Reset() noexcept { requested_.store(false, std::memory_order_relaxed); }
  bool Requested() const noexcept { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
  static_assert(std::atomic<bool>::is_always_lock_free);
};

// What a piece of long work reports to and is stopped by; both may be empty.
struct TWorkControl {
  std::function<void(const TWorkProgress&)> progress;
  const TCancelFlag* cancel = nullptr;

  bool CancelRequested() const noexcept { return cancel != nullptr && cancel->Requested(); }
  void Report(int done, int total) const {
    if (progress) progress(TWorkProgress{done, total});
  }
};

// Raised by work that stopped because its cancel flag was set.
class TWorkCancelled : public TabrinError {
 public:
  explicit TWorkCancelled(const std::string& message) : TabrinError(message) {}
};

}  // namespace tabrin
