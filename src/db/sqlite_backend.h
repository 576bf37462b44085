#pragma once
// The embedded database backend: an SQLite 3 file (Database.mdb).
// Internal to the data layer; TConnection reaches it through OpenBackend.
#include <memory>
#include <string>

#include "db/backend.h"

namespace tabrin::detail {

// Opens an existing database file.  Raises TMissingDatabaseError when it is
// missing, and a clear error for an Access (Jet) file or any other file that
// is not an SQLite database.
std::unique_ptr<TBackend> OpenSqliteBackend(const std::string& path);

// Texts of date-times as the embedded database stores them: "yyyy-mm-dd hh:mm:ss[.zzz]".
std::string SqliteDateTimeText(double serial);

}  // namespace tabrin::detail
