#pragma once
// The embedded kind-1 database: Database.mdb in the program folder, an SQLite
// 3 file holding the kind-1 layout (Item with all 45 columns).  The program
// never creates tables itself; this is what `tabrin-cli init-db` runs.
//
//   CreateEmbeddedDatabase(ProgramFolder() + "Database.mdb", {.overwrite = force});
//   FillSampleData(connection);  // believable master data, same every time
#include <string>
#include <string_view>

#include "db/connection.h"

namespace tabrin {

// The schema script of the embedded database (data/orvella_sqlite.sql, embedded by the build).
std::string_view EmbeddedSchemaSql();

struct TCreateDatabaseOptions {
  bool overwrite = false;  // replace an existing file
  bool sample = false;     // fill with sample master data
};

// Creates the file with the schema (and the sample data when asked).  An
// existing file is refused unless overwrite: "'%s' already exists; use --force
// to replace it".  The new file replaces the old one only once complete.
void CreateEmbeddedDatabase(const std::string& path, const TCreateDatabaseOptions& options);

// Appends the sample master data (about 20 sub-categories, 200 items, 20
// suppliers, 50 customers) in one transaction.  Deterministic.
void FillSampleData(TConnection& connection);

}  // namespace tabrin
