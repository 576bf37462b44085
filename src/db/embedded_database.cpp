#include "db/embedded_database.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "config/file_replacement.h"
#include "db/connection_string.h"
#include "db/orvella_schema.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

// The schema script lives in data/orvella_sqlite.sql; the build embeds it.
constexpr std::string_view kSchema = kOrvellaSchemaSql;

// The new database is a scratch file until it takes the target's place, and
// is thrown away whole on any failure: a rollback journal beside it would
// protect nothing, and would be one more file a killed init-db leaves.  The
// journal mode is not written into the file, whose bytes stay the same.
constexpr std::string_view kNoJournal = "PRAGMA journal_mode=OFF;";

// Runs the script on the file at path; failures name the database the user
// asked for (target), not the file it is built in.
void RunScript(const std::string& path, const std::string& target, std::string_view script) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : Tr("out of memory");
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage(Tr("Cannot create '%s': %s"), {target, message}));
  }
  char* error = nullptr;
  const std::string text = std::string(kNoJournal) + std::string(script);
  if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage(Tr("Cannot create '%s': %s"), {target, message}));
  }
  sqlite3_close_v2(db);
}

// The files SQLite keeps beside a database while it writes it.
constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

void RemoveWithCompanions(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
  for (const char* suffix : kCompanions) std::filesystem::remove(path + suffix, error);
}

// A journal, WAL or shared-memory file of the old database would be read as
// belonging to the new file that takes its name, and copy old pages into it.
// The old database is first opened once, which rolls back a journal that a
// crash left mid-commit (so the old file stays sound should we stop before
// the rename), then its companions are removed.
void RetireOldDatabase(const std::string& path) {
  std::error_code error;
  bool companions = false;
  for (const char* suffix : kCompanions) companions = companions || std::filesystem::exists(path + suffix, error);
  if (!companions) return;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 2000);
    sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(db);
  for (const char* suffix : kCompanions) std::filesystem::remove(path + suffix, error);
}

std::string SystemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace

std::string_view EmbeddedSchemaSql() { return kSchema; }

void CreateEmbeddedDatabase(const std::string& path, const TCreateDatabaseOptions& options) {
  std::error_code missing;
  if (std::filesystem::exists(path, missing) && !options.overwrite) {
    throw TabrinError(FormatMessage(Tr("'%s' already exists; use --force to replace it"), {path}));
  }
  // The new file is built beside the old one and takes its place only when
  // complete, so a failure never leaves a half-made database behind.  SQLite
  // opens files by name, so it is built in a named temporary file.
  TFileReplacement file(path, TReplacementMessages::Same([path](int error) {
                          return FormatMessage(Tr("Cannot create '%s': %s"), {path, SystemErrorText(error)});
                        }),
                        TTemporaryKind::tkNamed);
  // Other versions of this program build the new file as "<path>.new", with
  // a journal beside it; what a killed one of them left goes too.
  RemoveWithCompanions(path + ".new");
  RunScript(file.Path(), path, kSchema);
  if (options.sample) {
    TConnection connection("ADOConnection");
    connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(file.Path()));
    connection.Open();
    connection.Execute(std::string(kNoJournal));
    FillSampleData(connection);
    connection.Close();
  }
  RetireOldDatabase(path);
  file.Commit();
}

}  // namespace tabrin
