// The export command runs on a worker thread, reports progress per record
// and is cancelled from another thread through the exporter's abort
// protocol, writing nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "export/export_command.h"
#include "export_fixture.h"

namespace tabrin::testing {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ExportCancel : public ExportFixture {
 protected:
  // A table T of count rows and an open query on it.
  TQuery& Records(int count) {
    Connection().Execute("CREATE TABLE T (A INTEGER, B TEXT)");
    Connection().BeginTransaction();
    for (int i = 1; i <= count; ++i) {
      Connection().Execute("INSERT INTO T VALUES (?, ?)", std::vector<TValue>{TValue::Integer(i), TValue::Text("列")});
    }
    Connection().Commit();
    return OpenQuery("SELECT A, B FROM T ORDER BY A");
  }

  // Runs the export command; the message of a TWorkCancelled, or "" when
  // the run ended normally.
  std::string RunCancellable(TQuery& query, const TWorkControl& control) {
    try {
      RunExportCommand(exporter, query, File("out.xls"), control);
    } catch (const TWorkCancelled& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(ExportCancel, ACancelFromAnotherThreadLeavesTheEarlierFileAndSaysSo) {
  constexpr int kRecords = 2000;
  TQuery& query = Records(kRecords);
  { std::ofstream(File("out.xls")) << "earlier workbook"; }
  bool endFired = false;
  int ownRecords = 0;
  exporter.OnExportedRecord = [&](TFerran3&, int) { ++ownRecords; };
  exporter.OnEndExport = [&](TFerran3&) { endFired = true; };

  TCancelFlag cancel;
  std::promise<void> reached;
  TWorkControl control;
  control.cancel = &cancel;
  control.progress = [&](const TWorkProgress& progress) {
    if (progress.done == 100) {
      reached.set_value();
      while (!cancel.Requested()) std::this_thread::yield();
    }
  };
  std::future<std::string> run = std::async(std::launch::async, [&] { return RunCancellable(query, control); });
  reached.get_future().wait();
  cancel.Request();

  EXPECT_EQ(run.get(), kExportCancelledMessage);
  EXPECT_EQ(FileBytes(File("out.xls")), "earlier workbook");
  EXPECT_FALSE(endFired);
  EXPECT_EQ(ownRecords, 100);  // the exporter's own handler ran until the stop

  // The exporter is idle again, with its own handlers, and runs normally.
  EXPECT_EQ(exporter.Sheets.Count(), 0);
  EXPECT_EQ(RunCancellable(query, {}), "");
  EXPECT_TRUE(endFired);
  EXPECT_EQ(ReadBack().LastRow(), kRecords);
}

// Wherever the request comes (before the first record, at the last one),
// the run writes nothing.
TEST_F(ExportCancel, ACancelAtAnyPointWritesNoFile) {
  TQuery& query = Records(3);
  for (int cancelAt : {0, 1, 3}) {
    SCOPED_TRACE(cancelAt);
    std::filesystem::remove(File("out.xls"));
    TCancelFlag cancel;
    TWorkControl control;
    control.cancel = &cancel;
    control.progress = [&](const TWorkProgress& progress) {
      if (progress.done == cancelAt) cancel.Request();
    };
    EXPECT_EQ(RunCancellable(query, control), kExportCancelledMessage);
    EXPECT_FALSE(std::filesystem::exists(File("out.xls")));
  }
}

TEST_F(ExportCancel, ProgressCountsTheRecordsWritten) {
  TQuery& query = Records(3);
  std::vector<std::pair<int, int>> reports;
  TWorkControl control;
  control.progress = [&](const TWorkProgress& p) { reports.emplace_back(p.done, p.total); };
  EXPECT_EQ(RunCancellable(query, control), "");
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}, {3, 3}}));
  EXPECT_EQ(ReadBack().LastRow(), 3);
}

}  // namespace
}  // namespace tabrin::testing
