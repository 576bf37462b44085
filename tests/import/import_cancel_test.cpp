// Imports run on a worker thread, report their progress and stop on a cancel
// request from another thread, keeping every row before the stop.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <future>
#include <thread>

#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

std::string ItemCode(int i) {
  char code[16];
  std::snprintf(code, sizeof code, "A%06d", i);  // seven characters: used as they are
  return code;
}

SheetRows NumberedItems(int count) {
  SheetRows rows;
  for (int i = 1; i <= count; ++i) rows.push_back(ItemRow({{"管理貨號", ItemCode(i)}, {"品名", "茶"}}));
  return rows;
}

class ImportCancel : public ImportTest {
 protected:
  Table StoredCodes() { return Rows("SELECT ItemNo FROM Item ORDER BY ItemNo"); }

  std::string WriteItems(const SheetRows& rows) {
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, ItemTitles(), rows);
    return path;
  }
};

// The window's case: the import runs on a worker thread, the user's thread
// cancels while it runs.  The progress report of row stopAfter waits until
// the cancel has come, so the stop falls at a known row.
TEST_P(ImportCancel, ACancelFromAnotherThreadStopsAfterTheRowItIsOnAndKeepsEveryEarlierRow) {
  constexpr int kRows = 300;
  constexpr int kStopAfter = 120;
  const std::string path = WriteItems(NumberedItems(kRows));

  TCancelFlag cancel;
  std::promise<void> reachedStop;
  TImportCounts live;
  std::vector<TWorkProgress> reports;
  TImportOptions options;
  options.batchRows = 50;  // the stop falls inside a batch
  options.liveCounts = &live;
  options.control.cancel = &cancel;
  options.control.progress = [&](const TWorkProgress& progress) {
    reports.push_back(progress);
    EXPECT_EQ(live.appended, progress.done);
    if (progress.done == kStopAfter) {
      reachedStop.set_value();
      while (!cancel.Requested()) std::this_thread::yield();
    }
  };

  std::future<TImportCounts> import = std::async(std::launch::async, [&] {
    return ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options);
  });
  reachedStop.get_future().wait();
  cancel.Request();

  try {
    import.get();
    FAIL() << "the import was not cancelled";
  } catch (const TImportCancelled& e) {
    EXPECT_EQ(e.Counts(), (TImportCounts{kStopAfter, 0, 0}));
    EXPECT_EQ(e.LastSheetRow(), kStopAfter + 1);
    EXPECT_STREQ(e.what(), "已取消匯入，工作表第 121 列及之前的資料列已處理");
  }
  ASSERT_EQ(reports.size(), static_cast<std::size_t>(kStopAfter));
  EXPECT_EQ(reports.front().done, 1);
  EXPECT_EQ(reports.back().total, kRows);

  const Table stored = StoredCodes();
  ASSERT_EQ(stored.size(), static_cast<std::size_t>(kStopAfter));
  EXPECT_EQ(stored.front(), (std::vector<std::string>{ItemCode(1)}));
  EXPECT_EQ(stored.back(), (std::vector<std::string>{ItemCode(kStopAfter)}));

  // What was stored is committed: importing the sheet again completes it
  // (and finds the rows stored before as they are).
  options.control = {};
  EXPECT_EQ(ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options),
            (TImportCounts{kRows - kStopAfter, kStopAfter, 0, kStopAfter}));
}

TEST_P(ImportCancel, ACancelBeforeTheFirstRowStoresNothing) {
  const std::string path = WriteItems(NumberedItems(5));
  TCancelFlag cancel;
  cancel.Request();
  TImportOptions options;
  options.control.cancel = &cancel;
  try {
    ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options);
    FAIL() << "the import was not cancelled";
  } catch (const TImportCancelled& e) {
    EXPECT_EQ(e.Counts(), TImportCounts{});
    EXPECT_EQ(e.LastSheetRow(), 0);
    EXPECT_STREQ(e.what(), "已取消匯入，沒有處理任何資料列");
  }
  EXPECT_TRUE(StoredCodes().empty());
}

// The item tab's query leaves out rows without an item number; progress
// counts its records, and the stop names the row as the workbook numbers it.
TEST_P(ImportCancel, OnTheItemTabProgressCountsItemRowsAndTheStopNamesTheWorkbookRow) {
  const std::string path = WriteItems({ItemRow({{"管理貨號", "A1"}}), ItemRow({{"品名", "沒有貨號"}}),
                                       ItemRow({{"品名", "沒有貨號"}}), ItemRow({{"管理貨號", "A4"}}),
                                       ItemRow({{"管理貨號", "A5"}})});
  TCancelFlag cancel;
  std::vector<TWorkProgress> reports;
  TImportOptions options;
  options.control.cancel = &cancel;
  options.control.progress = [&](const TWorkProgress& progress) {
    reports.push_back(progress);
    if (progress.done == 2) cancel.Request();
  };
  try {
    ImportWorkbookFile(Connection(), TDatabaseKind::dkOrvella, TMasterTable::mtItem, path, options);
    FAIL() << "the import was not cancelled";
  } catch (const TImportCancelled& e) {
    EXPECT_EQ(e.LastSheetRow(), 5);  // A4
    EXPECT_EQ(e.Counts(), (TImportCounts{2, 0, 0}));
  }
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].done, 2);
  EXPECT_EQ(reports[1].total, 3);
  EXPECT_EQ(StoredCodes(), (Table{{"A1"}, {"A4"}}));
}

TEST_P(ImportCancel, AWholeImportReportsEveryRowAndOnceMoreAtTheEnd) {
  const std::string path = WriteItems(NumberedItems(3));
  std::vector<std::pair<int, int>> reports;
  TImportOptions options;
  options.control.progress = [&](const TWorkProgress& p) { reports.emplace_back(p.done, p.total); };
  EXPECT_EQ(ImportWorkbookFile(Connection(), TDatabaseKind::dkKestaPos, TMasterTable::mtItem, path, options),
            (TImportCounts{3, 0, 0}));
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {3, 3}, {3, 3}}));
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ImportCancel);

}  // namespace
}  // namespace tabrin::test
