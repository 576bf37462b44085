#include "cli/interrupt.h"

#include <atomic>

namespace tabrin::cli {

namespace {

// The flag the handler sets; one scope at a time.
std::atomic<TCancelFlag*> gInterruptFlag{nullptr};
static_assert(std::atomic<TCancelFlag*>::is_always_lock_free);

extern "C" void RequestCancelOnInterrupt(int) {
  if (TCancelFlag* flag = gInterruptFlag.load()) flag->Request();
}

}  // namespace

InterruptCancels::InterruptCancels(TCancelFlag& flag) {
  gInterruptFlag.store(&flag);
  struct sigaction action {};
  action.sa_handler = RequestCancelOnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptCancels::~InterruptCancels() {
  if (installed_) sigaction(SIGINT, &previous_, nullptr);
  gInterruptFlag.store(nullptr);
}

}  // namespace tabrin::cli
