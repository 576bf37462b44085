// Long work off the window's thread: an error on the window's side while the
// worker runs ends the command with the error box, once the worker has been
// asked to stop and has ended, instead of ending the program.
#include <gtest/gtest.h>

#include <QProgressDialog>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/error_box.h"
#include "app/long_work.h"
#include "app_test_support.h"
#include "text/error.h"

namespace tabrin::app {
namespace {

TEST(LongWork, AnErrorOnTheWindowsSideWhileTheWorkRunsIsReportedAfterTheWorkStops) {
  TScriptedDialogs dialogs;
  std::atomic<bool> started{false};
  std::atomic<bool> ended{false};
  // The work runs until it is asked to stop; the dialog's first update
  // after the work started fails.
  const auto work = [&](const TWorkControl& control) {
    started = true;
    while (!control.cancel->Requested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ended = true;
  };
  const auto failingUpdate = [&](QProgressDialog&, const TWorkProgress&) {
    if (started) throw TabrinError("The progress dialog failed");
  };

  const bool completed = ReportErrors(dialogs, [&] {
    RunLongWork(nullptr, ApplicationTitle(), QStringLiteral("匯入中"), work, failingUpdate);
  });

  EXPECT_FALSE(completed);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0].text, Q("The progress dialog failed."));
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace tabrin::app
