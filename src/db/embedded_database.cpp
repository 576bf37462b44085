#include "db/embedded_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "db/connection_string.h"
#include "db/orvella_schema.h"
#include "text/error.h"
#include "text/format.h"

namespace tabrin {
namespace {

// The schema script lives in data/orvella_sqlite.sql; the build embeds it.
constexpr std::string_view kSchema = kOrvellaSchemaSql;

void RunScript(const std::string& path, std::string_view script) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, message}));
  }
  char* error = nullptr;
  const std::string text(script);
  if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::string message = error ? error : sqlite3_errmsg(db);
    sqlite3_free(error);
    sqlite3_close_v2(db);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, message}));
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

// Makes a rename in the folder durable.
void SyncFolderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string_view EmbeddedSchemaSql() { return kSchema; }

void CreateEmbeddedDatabase(const std::string& path, const TCreateDatabaseOptions& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(path, error) && !options.overwrite) {
    throw TabrinError(FormatMessage("'%s' already exists; use --force to replace it", {path}));
  }
  // Build the new file beside the old one and put it in place only when
  // complete, so a failure never leaves a half-made database behind.  A
  // journal left by an earlier, killed attempt would be played back into the
  // fresh file: it goes first.
  const std::string temporary = path + ".new";
  RemoveWithCompanions(temporary);
  try {
    RunScript(temporary, kSchema);
    if (options.sample) {
      TConnection connection("ADOConnection");
      connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(temporary));
      connection.Open();
      FillSampleData(connection);
      connection.Close();
    }
    RetireOldDatabase(path);
    fs::rename(temporary, path);
    SyncFolderOf(path);
  } catch (const fs::filesystem_error& failure) {
    RemoveWithCompanions(temporary);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, failure.code().message()}));
  } catch (...) {
    RemoveWithCompanions(temporary);
    throw;
  }
}

}  // namespace tabrin
