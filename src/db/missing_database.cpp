#include "db/missing_database.h"

#include <filesystem>

#include "text/format.h"
#include "text/translation.h"

namespace tabrin {
namespace {

// What is missing, then what to do about it.
std::string MissingFileText(const std::string& path, const std::string& remedy) {
  return FormatMessage(Tr("Could not find file '%s'; %s"), {path, remedy});
}

}  // namespace

TMissingDatabaseError::TMissingDatabaseError(const std::string& path)
    : TabrinError(MissingFileText(path, Tr("\"tabrin-cli init-db\" creates it."))), path_(path) {}

std::string TMissingDatabaseError::WindowText() const {
  const std::filesystem::path file(path_);
  return MissingFileText(path_, FormatMessage(Tr("the database must be in the program folder %s: copy the store's %s "
                                                 "there, or ask IT for it."),
                                              {file.parent_path().string(), file.filename().string()}));
}

}  // namespace tabrin
