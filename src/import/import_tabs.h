#pragma once
// The four import tabs: which sheet query reads the workbook and which
// importer writes the table, and a whole import of a workbook file.
//
//   TImportCounts n = ImportWorkbookFile(database, "2", TMasterTable::mtItem,
//                                        "/data/items.xls", options);
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/master_table.h"
#include "import/import_loop.h"
#include "import/import_mapping.h"

namespace tabrin {

struct TImportTabInfo {
  TMasterTable table;
  std::string_view caption;         // tab caption: "小分類", "商品檔", "廠商資料", "會員資料"
  std::string_view sheetQueryName;  // "ADOCLSQuery", ...
  std::string_view sheetSql;        // the tab's sheet query text
};

const TImportTabInfo& ImportTab(TMasterTable table);

// The importer of a tab; the item layout depends on the database kind.
const TImporterDef& ImporterFor(TMasterTable table, std::string_view dbKind);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False"
std::string WorkbookConnectionString(std::string_view path);

// Opens the workbook's sheet "sheet1" and imports every row into the tab's
// table on an open database connection.  The item sheet is read whole and
// its rows without an item number are passed over, so that an error names
// the row as the workbook numbers it.
TImportCounts ImportWorkbookFile(TConnection& database, std::string_view dbKind, TMasterTable table,
                                 const std::string& path, const TImportOptions& options);

}  // namespace tabrin
