// What the journal keeps of the file an import read: the sheet, the title
// row and a text file's encoding and separator, also in a journal made
// before it kept them.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>

#include "import/import_journal.h"

namespace tabrin {
namespace {

class JournalSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tabrin-journal-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string folder_;
};

TEST_F(JournalSourceTest, AnOlderJournalGainsTheColumnsAndKeepsItsEntries) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((folder_ + "/Journal.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE JournalEntry (Id INTEGER PRIMARY KEY AUTOINCREMENT, Operation TEXT NOT NULL, "
                         "StartedAt TEXT NOT NULL, Kind TEXT NOT NULL, Target TEXT NOT NULL, TableName TEXT NOT NULL, "
                         "Workbook TEXT NOT NULL DEFAULT '', WorkbookSha256 TEXT NOT NULL DEFAULT '', Cover TEXT NOT "
                         "NULL DEFAULT '', FieldNames TEXT NOT NULL DEFAULT '', Appended INTEGER NOT NULL DEFAULT 0, "
                         "Overwritten INTEGER NOT NULL DEFAULT 0, Unchanged INTEGER NOT NULL DEFAULT 0, Deleted "
                         "INTEGER NOT NULL DEFAULT 0, Restored INTEGER NOT NULL DEFAULT 0, Conflicts INTEGER NOT NULL "
                         "DEFAULT 0, State TEXT NOT NULL, UndoOf INTEGER, UndoneBy INTEGER);"
                         "INSERT INTO JournalEntry (Operation, StartedAt, Kind, Target, TableName, Workbook, State) "
                         "VALUES ('import', '2026/12/01 09:00:00', '1', 'Database.mdb', 'cls', '/data/cls.xls', 'done');",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);

  TImportJournal journal(folder_);
  {
    TJournalImportInfo info{TDatabaseKind::dkOrvella, "Database.mdb", TMasterTable::mtClassify, "/data/items.csv", "",
                            "0"};
    info.sheet = "sheet1";
    info.textEncoding = "Big5";
    info.textSeparator = "comma";
    TJournaledImport entry(journal, info);
    entry.Finish(TJournalState::jsDone);
  }
  {
    TJournalImportInfo info{TDatabaseKind::dkOrvella, "Database.mdb", TMasterTable::mtClassify,
                            "/data/price list.xls", "", "0"};
    info.sheet = "工作表1";
    info.titleRow = 3;
    TJournaledImport entry(journal, info);
    entry.Finish(TJournalState::jsDone);
  }
  const std::vector<TJournalEntry> history = journal.History();
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0].sheet, "工作表1");
  EXPECT_EQ(history[0].titleRow, 3);
  EXPECT_EQ(JournalSourceText(history[0]), "price list.xls（工作表「工作表1」，標題在第 3 列）");
  EXPECT_EQ(history[1].textEncoding, "Big5");
  EXPECT_EQ(JournalSourceText(history[1]), "items.csv（Big5，逗號）");
  EXPECT_EQ(history[2].sheet, "");
  EXPECT_EQ(JournalSourceText(history[2]), "cls.xls");

  // A second program opening the journal finds the columns there.
  TImportJournal again(folder_);
  EXPECT_EQ(again.History().size(), 3u);
}

}  // namespace
}  // namespace tabrin
