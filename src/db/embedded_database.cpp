#include "db/embedded_database.h"

#include <sqlite3.h>

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

}  // namespace

std::string_view EmbeddedSchemaSql() { return kSchema; }

void CreateEmbeddedDatabase(const std::string& path, const TCreateDatabaseOptions& options) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::exists(path, error) && !options.overwrite) {
    throw TabrinError(FormatMessage("'%s' already exists; use --force to replace it", {path}));
  }
  // Build the new file beside the old one and put it in place only when
  // complete, so a failure never leaves a half-made database behind.
  const std::string temporary = path + ".new";
  fs::remove(temporary, error);
  try {
    RunScript(temporary, kSchema);
    if (options.sample) {
      TConnection connection("ADOConnection");
      connection.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(temporary));
      connection.Open();
      FillSampleData(connection);
      connection.Close();
    }
    fs::rename(temporary, path);
  } catch (const fs::filesystem_error& failure) {
    fs::remove(temporary, error);
    throw TabrinError(FormatMessage("Cannot create '%s': %s", {path, failure.code().message()}));
  } catch (...) {
    fs::remove(temporary, error);
    throw;
  }
}

}  // namespace tabrin
