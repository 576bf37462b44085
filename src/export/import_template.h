#pragma once
// Import templates: an empty sheet "sheet1" with exactly the titles a tab's
// import reads, for a user to fill in and import without a mapping.
//
//   WriteImportTemplate(TMasterTable::mtItem, TDatabaseKind::dkOrvella, "/home/store/items.xlsx");
//
// The titles are ColumnsRead of the tab's importer for the kind, with the
// columns of both branches (a new record and an overwrite), in bold.  The
// columns read as text (the code first of all) are formatted as text, so
// that a code typed with leading zeros keeps them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database_connection.h"
#include "db/master_table.h"

namespace tabrin {

struct TTemplateColumn {
  std::string title;
  bool text = false;  // read as text: formatted as text
  friend bool operator==(const TTemplateColumn&, const TTemplateColumn&) = default;
};

// The template's columns for the table's import on a database of the kind
// (none when it is not known: the standard item layout).
std::vector<TTemplateColumn> ImportTemplateColumns(TMasterTable table, std::optional<TDatabaseKind> kind);

// Writes the template to the file a chosen name asks for as an export does
// (ExportFileName: .xlsx, .csv, else .xls) and returns that file's name.
// The file is put in place only when complete.
std::string WriteImportTemplate(TMasterTable table, std::optional<TDatabaseKind> kind,
                                std::string_view chosenFileName);

}  // namespace tabrin
