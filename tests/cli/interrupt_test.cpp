// Ctrl-C while long work runs: SIGINT sets the work's cancel flag instead of
// ending the process, and only while the work runs.
#include <gtest/gtest.h>

#include <signal.h>

#include "cli/interrupt.h"

namespace tabrin::cli {
namespace {

volatile sig_atomic_t gEarlierHandlerRan = 0;
extern "C" void EarlierHandler(int) { gEarlierHandlerRan = 1; }

TEST(InterruptCancels, SigintSetsTheFlagWhileTheScopeLastsAndTheEarlierHandlingComesBack) {
  struct sigaction earlier {};
  earlier.sa_handler = EarlierHandler;
  sigemptyset(&earlier.sa_mask);
  struct sigaction saved {};
  ASSERT_EQ(sigaction(SIGINT, &earlier, &saved), 0);

  TCancelFlag cancel;
  {
    const InterruptCancels interrupt(cancel);
    EXPECT_FALSE(cancel.Requested());
    raise(SIGINT);
    EXPECT_TRUE(cancel.Requested());
    EXPECT_EQ(gEarlierHandlerRan, 0);
  }
  cancel.Reset();
  raise(SIGINT);
  EXPECT_FALSE(cancel.Requested());
  EXPECT_EQ(gEarlierHandlerRan, 1);
  sigaction(SIGINT, &saved, nullptr);
}

}  // namespace
}  // namespace tabrin::cli
