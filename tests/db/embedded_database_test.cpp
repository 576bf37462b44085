// Creating the embedded database: schema, refusal to overwrite, sample data.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/database_connection.h"
#include "db/embedded_database.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/sqlite_backend.h"
#include "db_test_support.h"
#include "support/troubled_write.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/regional.h"

namespace tabrin::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

TEST(EmbeddedDatabase, RefusesToReplaceAnExistingFileUnlessForced) {
  TTempFolder folder;
  const std::string path = folder.File("Database.mdb");
  folder.Write("Database.mdb", "precious");
  try {
    CreateEmbeddedDatabase(path, {});
    ADD_FAILURE() << "replaced without force";
  } catch (const TabrinError& error) {
    EXPECT_EQ(error.what(), "'" + path + "' already exists; use --force to replace it");
  }
  EXPECT_EQ(ReadFile(path), "precious");
  CreateEmbeddedDatabase(path, {.overwrite = true});
  EXPECT_EQ(ReadFile(path).substr(0, 15), "SQLite format 3");
}

// Leaves the database as a crash mid-commit does: pages already changed in
// the file and their old contents in a hot "-journal" beside it.
void CrashInTheMiddleOfACommit(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // A tiny page cache makes SQLite write changed pages into the file
    // before the commit.
    sqlite3_exec(db,
                 "PRAGMA cache_size=2; BEGIN; CREATE TABLE Filler(x); "
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
                 "INSERT INTO Filler SELECT randomblob(600) FROM n; DELETE FROM Classify;",
                 nullptr, nullptr, nullptr);
    _exit(0);  // no commit, no rollback, no close
  }
  int status = 0;
  waitpid(child, &status, 0);
}

TEST(EmbeddedDatabase, ReplacingADatabaseLeavesNothingOfItsJournalBehind) {
  TTempFolder folder;
  const std::string path = folder.File("Database.mdb");
  CreateEmbeddedDatabase(path, {.sample = true});
  CrashInTheMiddleOfACommit(path);
  ASSERT_TRUE(std::filesystem::exists(path + "-journal")) << "the crash left no journal to test with";
  folder.Write("Database.mdb-wal", "stale");
  folder.Write("Database.mdb-shm", "stale");
  // A journal of a killed earlier attempt at building the new file.
  folder.Write("Database.mdb.new-journal", ReadFile(path + "-journal"));

  CreateEmbeddedDatabase(path, {.overwrite = true});

  for (const char* left : {"Database.mdb-journal", "Database.mdb-wal", "Database.mdb-shm", "Database.mdb.new",
                           "Database.mdb.new-journal"}) {
    EXPECT_FALSE(std::filesystem::exists(folder.File(left))) << left;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  std::string check;
  sqlite3_exec(
      db, "PRAGMA integrity_check",
      [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) += values[0] ? values[0] : "";
        return 0;
      },
      &check, nullptr);
  int classifies = -1;
  sqlite3_stmt* count = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Classify", -1, &count, nullptr) == SQLITE_OK &&
      sqlite3_step(count) == SQLITE_ROW) {
    classifies = sqlite3_column_int(count, 0);
  }
  sqlite3_finalize(count);
  sqlite3_close_v2(db);
  EXPECT_EQ(check, "ok");
  EXPECT_EQ(classifies, 0) << "the new database is empty";
}

// A full disk, or a database the user may not write, while init-db --force
// replaces it: the old database stays whole and nothing is left beside it.
TEST(EmbeddedDatabase, TroubleKeepsTheOldDatabaseAndSaysWhat) {
  const struct {
    TTrouble trouble;
    const char* error;
  } cases[] = {
      {TTrouble::tFullDisk, "disk I/O error"},
      {TTrouble::tReadOnlyTarget, "Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TroubleName(c.trouble));
    TTempFolder folder;
    const std::string path = folder.File("Database.mdb");
    CreateEmbeddedDatabase(path, {.sample = true});
    const std::string old = ReadFile(path);
    const TTroubledWrite outcome = WriteInTrouble(
        c.trouble, path, [&] { CreateEmbeddedDatabase(path, {.overwrite = true, .sample = true}); });
    if (!outcome.skipped.empty()) {
      GTEST_SKIP() << outcome.skipped;
    }
    EXPECT_EQ(outcome.said, "Cannot create '" + path + "': " + c.error);
    EXPECT_TRUE(ReadFile(path) == old) << "the old database changed";
    EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"Database.mdb"});
  }
}

// init-db builds the new database under a name of its own (SQLite opens
// files by name): a killed init-db leaves it, and the next one clears it.
TEST(EmbeddedDatabase, AKilledInitDbLeavesTheOldDatabaseAndTheNextOneClearsUp) {
  TTempFolder folder;
  const std::string path = folder.File("Database.mdb");
  CreateEmbeddedDatabase(path, {});
  const std::string old = ReadFile(path);
  ASSERT_TRUE(KilledWhileWriting([&] { CreateEmbeddedDatabase(path, {.overwrite = true, .sample = true}); },
                                 old.size() + 4096));
  EXPECT_TRUE(ReadFile(path) == old) << "the old database changed";
  CreateEmbeddedDatabase(path, {.overwrite = true});
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"Database.mdb"});
}

TEST(EmbeddedDatabase, SampleDataFillsEveryDeclaredFieldListAndFitsTheWidths) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("Database.mdb"), {.sample = true});
  TConnection connection;
  ConnectDatabase(connection, TDatabaseKind::dkOrvella, folder.Path());

  struct TExpected {
    const TQueryDef& (*query)();
    int rows;
  } expected[] = {{schema::DBCLSQuery, 20},       {schema::OrvellaItemQuery, 200}, {schema::DBItemQuery, 200},
                  {schema::DBSupplierQuery, 20}, {schema::DBCustQuery, 50},       {schema::CLSExportQuery, 20},
                  {schema::ItemExportQuery, 200}, {schema::SupplierExportQuery, 20}, {schema::CustExportQuery, 50}};
  for (const TExpected& e : expected) {
    const TQueryDef& def = e.query();
    SCOPED_TRACE(std::string(def.name));
    TQuery query(def, connection);
    query.Open();  // every declared field binds
    EXPECT_EQ(query.RecordCount(), e.rows);
    for (query.First(); !query.Eof(); query.Next()) {
      for (int i = 0; i < query.FieldCount(); ++i) {
        const TField& field = query.Fields(i);
        if (field.Size() == 0) continue;
        const std::string text = field.AsString();
        const std::size_t length = field.DataType() == TFieldType::ftString ? Big5Length(text) : Utf16Length(text);
        EXPECT_LE(length, static_cast<std::size_t>(field.Size())) << field.FieldName() << " " << text;
      }
    }
  }
  TQuery item(schema::ItemExportQuery(), connection);
  item.Open();
  EXPECT_EQ(item.FieldByName("ItemNo").AsString().size(), 8u);
  EXPECT_FALSE(item.FieldByName("PtName").AsString().empty());
}

TEST(EmbeddedDatabase, SampleDataIsTheSameEveryTime) {
  TTempFolder folder;
  CreateEmbeddedDatabase(folder.File("a.mdb"), {.sample = true});
  CreateEmbeddedDatabase(folder.File("b.mdb"), {.sample = true});
  auto dump = [&](const std::string& file) {
    TConnection connection;
    connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder.File(file));
    connection.Open();
    std::string all;
    for (const char* sql : {"SELECT * FROM Item", "SELECT * FROM Customer", "SELECT * FROM Supplier"}) {
      TQuery query("Dump", connection);
      query.SetSql(sql);
      query.Open();
      for (; !query.Eof(); query.Next()) {
        for (int i = 0; i < query.FieldCount(); ++i) all += query.Fields(i).AsString() + "|";
      }
    }
    return all;
  };
  EXPECT_EQ(dump("a.mdb"), dump("b.mdb"));
}

}  // namespace
}  // namespace tabrin::test

namespace tabrin::test {
namespace {

// The text a date-time is stored as: the date, the time to the second, and
// milliseconds only when there are some; years outside 0..9999 as printed.
TEST(EmbeddedDatabase, DateTimesAreStoredAsIsoTexts) {
  struct TCase {
    DateTimeParts parts;
    const char* text;
  };
  const TCase cases[] = {
      {{2024, 3, 5, 0, 0, 0, 0}, "2024-03-05 00:00:00"},
      {{1899, 12, 30, 23, 59, 59, 0}, "1899-12-30 23:59:59"},
      {{2024, 12, 31, 13, 4, 5, 250}, "2024-12-31 13:04:05.250"},
      {{1, 1, 1, 0, 0, 0, 7}, "0001-01-01 00:00:00.007"},
      {{9999, 12, 31, 0, 0, 0, 0}, "9999-12-31 00:00:00"},
      {{10000, 1, 1, 0, 0, 0, 0}, "10000-01-01 00:00:00"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(detail::SqliteDateTimeText(EncodeDateTime(c.parts)), c.text);
  }
}

}  // namespace
}  // namespace tabrin::test
