#pragma once
// The four import tabs: which sheet query reads the workbook and which
// importer writes the table, and a whole import of a workbook file.
//
//   TImportCounts n = ImportWorkbookFile(database, "2", TImportTable::itItem,
//                                        "/data/items.xls", options);
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "import/import_loop.h"
#include "import/import_mapping.h"

namespace tabrin {

enum class TImportTable { itClassify, itItem, itSupplier, itCustomer };

struct TImportTabInfo {
  TImportTable table;
  std::string_view name;            // command-line name: "cls", "item", "supplier", "customer"
  std::string_view caption;         // tab caption: "小分類", "商品檔", "廠商資料", "會員資料"
  std::string_view sheetQueryName;  // "ADOCLSQuery", ...
  std::string_view sheetSql;        // the tab's sheet query text
};

const TImportTabInfo& ImportTab(TImportTable table);
std::optional<TImportTable> ImportTableFromName(std::string_view name);

// The importer of a tab; the item layout depends on the database kind.
const TImporterDef& ImporterFor(TImportTable table, std::string_view dbKind);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False"
std::string WorkbookConnectionString(std::string_view path);

// Opens the workbook's sheet "sheet1" and imports every row into the tab's
// table on an open database connection.  The item sheet is read whole and
// its rows without an item number are passed over, so that an error names
// the row as the workbook numbers it.
TImportCounts ImportWorkbookFile(TConnection& database, std::string_view dbKind, TImportTable table,
                                 const std::string& path, const TImportOptions& options);

}  // namespace tabrin
