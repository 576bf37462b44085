// The import journal and the undo, on both backends: an undo puts the table
// back as it was before the import, leaves records changed since alone, and
// cannot run twice; the journal covers every batch committed.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>

#include "import/import_journal.h"
#include "import/import_undo.h"
#include "import/import_tabs.h"
#include "import/importers.h"
#include "import_cases.h"
#include "import_test_support.h"

namespace tabrin::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class ImportUndo : public ImportTest {
 protected:
  ImportUndo() : journal_(std::make_unique<TImportJournal>(files.Path())) {}

  // Imports with a journal entry, as the command line does; returns the
  // entry's number (the import may fail: its error is kept in lastError).
  int JournaledImport(TMasterTable table, const std::vector<std::string>& titles, const SheetRows& rows,
                      TCoverMode cover = TCoverMode::cmOverwrite, TDatabaseKind kind = TDatabaseKind::dkKestaPos,
                      int batchRows = 3, TImportRecorder* around = nullptr) {
    const std::string path = NewWorkbookPath();
    WriteWorkbook(path, titles, rows);
    TJournaledImport entry(*journal_, {kind, "test", table, path, "", cover == TCoverMode::cmOverwrite ? "0" : "1"});
    TImportOptions options;
    options.cover = cover;
    options.batchRows = batchRows;
    options.recorder = around != nullptr ? around : &entry;
    if (around != nullptr) inner_ = &entry;
    lastError.reset();
    try {
      ImportWorkbookFile(Connection(), kind, table, path, options);
      entry.Finish(TJournalState::jsDone);
    } catch (const TImportError& e) {
      lastError = e;
      entry.Finish(TJournalState::jsFailed);
    }
    return entry.Id();
  }

  TUndoResult Undo(int id = 0) { return UndoImport(*journal_, UndoableImport(*journal_, id), Connection()); }

  Table All(const std::string& table, const std::string& key) { return Rows("SELECT * FROM " + table + " ORDER BY " + key); }
  std::vector<Table> Snapshot() {
    return {All("Classify", "ClsNo"), All("Item", "ItemNo"), All("Supplier", "FactNo"), All("Customer", "CustNo")};
  }

  std::unique_ptr<TImportJournal> journal_;
  std::optional<TImportError> lastError;
  TImportRecorder* inner_ = nullptr;
};

TEST_P(ImportUndo, AnUndoPutsTheTableBackAsItWasBeforeTheImport) {
  for (const PlanCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    for (const char* table : {"Classify", "Item", "Supplier", "Customer"}) Exec(std::string("DELETE FROM ") + table);
    for (const std::string& statement : c.setup) Exec(statement);
    const std::vector<Table> before = Snapshot();
    const int id = JournaledImport(c.table, c.titles, c.rows, c.cover, c.kind);
    const TUndoResult result = Undo();
    EXPECT_TRUE(result.conflicts.empty());
    EXPECT_EQ(Snapshot(), before);
    const std::optional<TJournalEntry> entry = journal_->Entry(id);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->undoneBy, result.undoId);
    EXPECT_EQ(result.deleted, entry->counts.appended);
  }
}

TEST_P(ImportUndo, TheJournalHoldsTheCodesAndTheEarlierValues) {
  Exec("INSERT INTO Classify (ClsNo, ClsName, Flag, Void) VALUES ('A01', '舊名', TRUE, 'X')");
  const int id = JournaledImport(TMasterTable::mtClassify, {"小分類代碼", "小分類名稱"},
                                 {{"A01", "新名"}, {"B02", "零食"}, {"B02", "點心"}});
  const std::optional<TJournalEntry> entry = journal_->Entry(id);
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->counts, (TImportCounts{1, 2, 0}));
  EXPECT_EQ(entry->state, TJournalState::jsDone);
  EXPECT_EQ(entry->table, TMasterTable::mtClassify);
  const std::vector<TJournalRow> rows = journal_->Rows(id);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].sheetRow, 2);
  EXPECT_EQ(rows[0].change.action, TRowAction::raOverwritten);
  EXPECT_EQ(rows[0].change.code, "A01");
  ASSERT_EQ(rows[0].change.fields.size(), 3u);  // ClsName, Flag, Void
  EXPECT_EQ(ValueText(rows[0].change.fields[0].before), "舊名");
  EXPECT_EQ(ValueText(rows[0].change.fields[0].after), "新名");
  EXPECT_EQ(ValueText(rows[0].change.fields[1].before), "True");
  EXPECT_EQ(ValueText(rows[0].change.fields[2].before), "X");
  EXPECT_EQ(rows[1].change.action, TRowAction::raAppended);
  EXPECT_EQ(rows[1].change.code, "B02");
  EXPECT_EQ(rows[2].sheetRow, 4);
  EXPECT_EQ(ValueText(rows[2].change.fields[0].before), "零食");
}

// The import's entry and its undo's keep the kind's code and the cover
// setting's text as SETUP.ini holds it, whatever that text means.
TEST_P(ImportUndo, TheJournalKeepsTheKindsCodeAndTheCoverTextAsStored) {
  Exec("INSERT INTO Classify (ClsNo, ClsName) VALUES ('A01', '舊名')");
  const std::string path = NewWorkbookPath();
  WriteWorkbook(path, {"小分類代碼", "小分類名稱"}, {{"A01", "新名"}, {"B02", "零食"}});
  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(ImportTab(TMasterTable::mtClassify).sheetQueryName), workbook);
  OpenWorkbook(workbook, path);
  OpenTabSheetQuery(sheet, workbook, TMasterTable::mtClassify);
  const TCoverSetting cover{TCoverMode::cmKeep, "00"};
  EXPECT_EQ(ImportTabSheetJournaled(sheet, Connection(), TDatabaseKind::dkKestaPlus, TMasterTable::mtClassify, path,
                                    files.Path(), cover, {})
                .counts,
            (TImportCounts{1, 0, 1}));

  const std::optional<TJournalEntry> import = journal_->NewestUndoable();
  ASSERT_TRUE(import.has_value());
  const std::optional<TJournalEntry> undo = journal_->Entry(Undo(import->id).undoId);
  ASSERT_TRUE(undo.has_value());
  for (const TJournalEntry& entry : {*import, *undo}) {
    EXPECT_EQ(entry.kindCode, "3");
    EXPECT_EQ(entry.Kind(), TDatabaseKind::dkKestaPlus);
    EXPECT_EQ(entry.coverText, "00");
  }
}

TEST_P(ImportUndo, RecordsChangedOrDeletedSinceAreLeftAndReportedAsConflicts) {
  Exec("INSERT INTO Customer (CustNo, Name) VALUES ('C3', '舊三')");
  Exec("INSERT INTO Customer (CustNo, Name) VALUES ('C4', '舊四')");
  JournaledImport(TMasterTable::mtCustomer, CustomerTitles(),
                  {{"C1", "", "新一"}, {"C2", "", "新二"}, {"C3", "", "新三"}, {"C4", "", "新四"}});
  Exec("UPDATE Customer SET Name = '改過' WHERE CustNo = 'C2'");
  Exec("DELETE FROM Customer WHERE CustNo = 'C4'");

  const TUndoResult result = Undo();
  EXPECT_EQ(result.deleted, 1);
  EXPECT_EQ(result.restored, 1);
  ASSERT_EQ(result.conflicts.size(), 2u);
  EXPECT_EQ(ConflictText(result.conflicts[0]), "代碼 C4：匯入後已被刪除，沒有復原");
  EXPECT_EQ(ConflictText(result.conflicts[1]), "代碼 C2：匯入後已被修改，沒有復原");
  EXPECT_EQ(Rows("SELECT CustNo, Name FROM Customer ORDER BY CustNo"), (Table{{"C2", "改過"}, {"C3", "舊三"}}));
  const std::optional<TJournalEntry> undo = journal_->Entry(result.undoId);
  ASSERT_TRUE(undo.has_value());
  EXPECT_TRUE(undo->isUndo);
  EXPECT_EQ(undo->deleted, 1);
  EXPECT_EQ(undo->restored, 1);
  EXPECT_EQ(undo->conflicts, 2);
}

// An overwrite that stores what the record holds is counted apart, as the
// plan's legend shows it: in the journal, in the summary that names the
// import, and in what its undo reports (nothing to restore for it).
TEST_P(ImportUndo, OverwritesThatChangeNothingAreCountedApart) {
  const std::vector<std::string> titles = {"小分類代碼", "小分類名稱"};
  JournaledImport(TMasterTable::mtClassify, titles, {{"A01", "飲料"}, {"B02", "零食"}});
  const Table before = All("Classify", "ClsNo");
  const int id = JournaledImport(TMasterTable::mtClassify, titles, {{"A01", "飲料"}, {"B02", "點心"}, {"C03", "雜貨"}});
  const std::optional<TJournalEntry> entry = journal_->Entry(id);
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->counts, (TImportCounts{1, 2, 0, 1}));
  EXPECT_EQ(ImportCountsText(entry->counts), "新增 1 筆，覆蓋 1 筆，內容相同 1 筆，未變更 0 筆");
  EXPECT_EQ(ImportSummary(*entry), entry->startedAt + "，" + std::filesystem::path(entry->workbook).filename().string() +
                                       "，新增 1 筆，覆蓋 1 筆，內容相同 1 筆，未變更 0 筆");

  const TUndoResult result = Undo(id);
  EXPECT_EQ(result.deleted, 1);
  EXPECT_EQ(result.restored, 1);
  EXPECT_EQ(result.same, 1);
  EXPECT_TRUE(result.conflicts.empty());
  EXPECT_EQ(UndoResultLines(*entry, result).at(1), "刪除 1 筆，還原 1 筆，內容相同 1 筆，衝突 0 筆");
  EXPECT_EQ(All("Classify", "ClsNo"), before);
}

// A journal written before overwrites that change nothing were counted gets
// the count, 0 for its entries, and keeps working.
TEST(ImportJournal, AnEarlierJournalGetsTheCountOfOverwritesThatChangeNothing) {
  TTempFolder folder;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(folder.File("Journal.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, R"sql(
    CREATE TABLE JournalEntry (Id INTEGER PRIMARY KEY AUTOINCREMENT, Operation TEXT NOT NULL,
      StartedAt TEXT NOT NULL, Kind TEXT NOT NULL, Target TEXT NOT NULL, TableName TEXT NOT NULL,
      Workbook TEXT NOT NULL DEFAULT '', WorkbookSha256 TEXT NOT NULL DEFAULT '', Cover TEXT NOT NULL DEFAULT '',
      FieldNames TEXT NOT NULL DEFAULT '', Appended INTEGER NOT NULL DEFAULT 0, Overwritten INTEGER NOT NULL DEFAULT 0,
      Unchanged INTEGER NOT NULL DEFAULT 0, Deleted INTEGER NOT NULL DEFAULT 0, Restored INTEGER NOT NULL DEFAULT 0,
      Conflicts INTEGER NOT NULL DEFAULT 0, State TEXT NOT NULL, UndoOf INTEGER, UndoneBy INTEGER);
    CREATE TABLE JournalBatch (EntryId INTEGER NOT NULL, Seq INTEGER NOT NULL, Records BLOB NOT NULL,
      PRIMARY KEY (EntryId, Seq));
    INSERT INTO JournalEntry (Operation, StartedAt, Kind, Target, TableName, Appended, Overwritten, State)
      VALUES ('import', '2026/12/10 17:19:40', '2', 'test', 'cls', 1, 2, 'done');
  )sql", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  for (int open = 0; open < 2; ++open) {
    TImportJournal journal(folder.Path());
    const std::optional<TJournalEntry> entry = journal.Entry(1);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->counts, (TImportCounts{1, 2, 0, 0}));
  }
}

TEST_P(ImportUndo, AnImportIsUndoneOnceAndTheNewestFirst) {
  const std::vector<std::string> titles = {"小分類代碼", "小分類名稱"};
  const int first = JournaledImport(TMasterTable::mtClassify, titles, {{"A01", "一"}});
  const int second = JournaledImport(TMasterTable::mtClassify, titles, {{"A01", "二"}, {"B02", "乙"}});
  const TUndoResult undoSecond = Undo();
  EXPECT_EQ(journal_->Entry(second)->undoneBy, undoSecond.undoId);
  EXPECT_EQ(Rows("SELECT ClsNo, ClsName FROM Classify"), (Table{{"A01", "一"}}));

  const struct {
    int id;
    std::string message;
  } refused[] = {
      {second, "匯入 #" + std::to_string(second) + " 已經復原過了（#" + std::to_string(undoSecond.undoId) + "）"},
      {undoSecond.undoId, "#" + std::to_string(undoSecond.undoId) + " 是一次復原，不是匯入"},
      {999, "找不到匯入紀錄 #999"},
  };
  for (const auto& r : refused) {
    try {
      UndoableImport(*journal_, r.id);
      ADD_FAILURE() << r.id << " was undoable";
    } catch (const TabrinError& e) {
      EXPECT_EQ(e.what(), r.message);
    }
  }
  Undo();
  EXPECT_EQ(journal_->Entry(first)->undoneBy != 0, true);
  EXPECT_TRUE(Rows("SELECT ClsNo FROM Classify").empty());
  try {
    UndoableImport(*journal_, 0);
    ADD_FAILURE() << "an import was left to undo";
  } catch (const TabrinError& e) {
    EXPECT_STREQ(e.what(), "沒有可以復原的匯入");
  }
}

// An import stopped by an error keeps the rows before it, batch by batch
// (the failing batch is written again up to the error): the journal must
// cover exactly those.
TEST_P(ImportUndo, AnImportStoppedByAnErrorIsUndoneToBefore) {
  Exec("INSERT INTO Item (ItemNo, PtName) VALUES ('C0005', '舊')");
  const std::vector<Table> before = Snapshot();
  SheetRows rows;
  for (int row = 2; row <= 40; ++row) {
    char code[16];
    std::snprintf(code, sizeof code, "C%04d", row);
    rows.push_back(ItemRow({{"管理貨號", code}, {"品名", "新"}, {"安全庫存", row == 37 ? 40000 : row}}));
  }
  const int id =
      JournaledImport(TMasterTable::mtItem, ItemTitles(), rows, TCoverMode::cmOverwrite, TDatabaseKind::dkKestaPos, 7);
  ASSERT_TRUE(lastError.has_value());
  EXPECT_EQ(journal_->Entry(id)->counts, (TImportCounts{34, 1, 0}));
  EXPECT_EQ(journal_->Entry(id)->state, TJournalState::jsFailed);
  EXPECT_EQ(journal_->Rows(id).size(), 35u);
  Undo(id);
  EXPECT_EQ(Snapshot(), before);
}

// The journal of a batch is kept before the batch is committed: when it
// cannot be kept, the batch is not stored.
class FailingJournal : public TImportRecorder {
 public:
  FailingJournal(TImportRecorder*& inner, int failAt) : inner_(inner), failAt_(failAt) {}
  void RowDone(int sheetRow, const TRowChange& change) override { inner_->RowDone(sheetRow, change); }
  void BatchCommitting() override {
    if (++batches_ == failAt_) throw TabrinError("disk full");
    inner_->BatchCommitting();
  }
  void BatchRolledBack() override { inner_->BatchRolledBack(); }

 private:
  TImportRecorder*& inner_;
  int failAt_;
  int batches_ = 0;
};

TEST_P(ImportUndo, ABatchTheJournalCannotKeepIsNotStored) {
  FailingJournal failing(inner_, 2);
  SheetRows rows;
  for (int i = 1; i <= 8; ++i) rows.push_back({"K" + std::to_string(i), "", "客"});
  const int id = JournaledImport(TMasterTable::mtCustomer, CustomerTitles(), rows, TCoverMode::cmOverwrite,
                                 TDatabaseKind::dkKestaPos, 3, &failing);
  ASSERT_TRUE(lastError.has_value());
  EXPECT_EQ(lastError->Cause(), "disk full");
  EXPECT_EQ(Rows("SELECT CustNo FROM Customer ORDER BY CustNo"), (Table{{"K1"}, {"K2"}, {"K3"}}));
  EXPECT_EQ(journal_->Rows(id).size(), 3u);
}

TABRIN_INSTANTIATE_ON_BOTH_BACKENDS(ImportUndo);

}  // namespace
}  // namespace tabrin::test
