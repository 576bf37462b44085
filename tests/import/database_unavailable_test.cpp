// An import into the embedded database while another program writes to it,
// or into a database that cannot be written: the import waits for the other
// writer up to a limit, and an error of the database as a whole names no
// sheet row.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "import/import_tabs.h"
#include "import_test_support.h"

namespace tabrin::test {
namespace {

const std::vector<std::string> kTitles = {"小分類代碼", "小分類名稱"};

class DatabaseUnavailable : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateEmbeddedDatabase(folder_.File("Database.mdb"), {});
    WriteWorkbook(folder_.File("cls.xls"), kTitles, {{"A1", "飲料"}, {"A2", "零食"}, {"A3", "菸酒"}});
    ConnectDatabase(database_, TDatabaseKind::dkOrvella, folder_.Path());
  }
  void TearDown() override {
    database_.Close();
    if (other_ != nullptr) sqlite3_close_v2(other_);
  }

  // Another program starts writing: it holds the write lock until released.
  void AnotherProgramStartsWriting() {
    ASSERT_EQ(sqlite3_open_v2(folder_.File("Database.mdb").c_str(), &other_, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other_, "BEGIN IMMEDIATE; DELETE FROM Supplier", nullptr, nullptr, nullptr), SQLITE_OK);
  }
  void AnotherProgramFinishes() { sqlite3_exec(other_, "COMMIT", nullptr, nullptr, nullptr); }

  TImportCounts Import() {
    return ImportWorkbookFile(database_, TDatabaseKind::dkOrvella, TMasterTable::mtClassify,
                              folder_.File("cls.xls"), {});
  }

  int StoredRows() {
    sqlite3* db = nullptr;
    sqlite3_open_v2(folder_.File("Database.mdb").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* count = nullptr;
    int rows = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Classify", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW) {
      rows = sqlite3_column_int(count, 0);
    }
    sqlite3_finalize(count);
    sqlite3_close_v2(db);
    return rows;
  }

  TTempFolder folder_;
  TConnection database_{"ADOConnection"};
  sqlite3* other_ = nullptr;
};

TEST_F(DatabaseUnavailable, AnImportWaitsWhileAnotherProgramWrites) {
  AnotherProgramStartsWriting();
  std::thread finisher([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    AnotherProgramFinishes();
  });
  TImportCounts counts;
  try {
    counts = Import();
  } catch (const std::exception& e) {
    ADD_FAILURE() << e.what();
  }
  finisher.join();
  EXPECT_EQ(counts.appended, 3);
  EXPECT_EQ(StoredRows(), 3);
}

TEST_F(DatabaseUnavailable, AWriterThatDoesNotFinishEndsTheImportNamingNoRow) {
  AnotherProgramStartsWriting();
  try {
    Import();
    ADD_FAILURE() << "the import did not fail";
  } catch (const TImportError& e) {
    EXPECT_STREQ(e.what(), "Another program is writing to the database; try again when it has finished");
    EXPECT_EQ(e.SheetRow(), 0);
    EXPECT_EQ(e.Counts(), TImportCounts{});
  }
  AnotherProgramFinishes();
  EXPECT_EQ(StoredRows(), 0);
}

TEST_F(DatabaseUnavailable, ADatabaseThatCannotBeWrittenNamesNoRow) {
  // SQLite cannot create its journal where a folder of that name stands
  // (unlike a read-only folder, this stops root too).
  std::filesystem::create_directory(folder_.File("Database.mdb-journal"));
  try {
    Import();
    ADD_FAILURE() << "the import did not fail";
  } catch (const TImportError& e) {
    EXPECT_EQ(std::string(e.what()).find("工作表"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("The database cannot be used"), std::string::npos) << e.what();
    EXPECT_EQ(e.SheetRow(), 0);
  }
  std::filesystem::remove(folder_.File("Database.mdb-journal"));
  EXPECT_EQ(StoredRows(), 0);
}

}  // namespace
}  // namespace tabrin::test
