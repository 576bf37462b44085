#pragma once
// The four import tabs: which sheet query reads the workbook and which
// importer writes the table, and the steps of the tab's Open and Import
// buttons, which the command line runs too.
//
//   TConnection workbook("ADOXLSConnect");
//   TQuery sheet(std::string(ImportTab(TMasterTable::mtItem).sheetQueryName));
//   OpenWorkbook(workbook, "/data/items.xls");                      // Open ...
//   OpenTabSheetQuery(sheet, workbook, TMasterTable::mtItem);       // ... shows the rows
//   TImportCounts n = ImportTabSheet(sheet, database, TDatabaseKind::dkKestaPos, TMasterTable::mtItem,
//                                    options);                          // Import
//
//   // or all three at once:
//   TImportCounts n = ImportWorkbookFile(database, TDatabaseKind::dkKestaPos, TMasterTable::mtItem,
//                                        "/data/items.xls", options);
//
// The workbook reader must be registered (RegisterWorkbookReader, once at
// start-up).  An import may run on a worker thread while another thread
// cancels it through options.control; the connections and queries it is
// given are used by that thread alone until it returns.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
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

// The importer of a tab; the item layout depends on the database kind (see
// ItemImporter; none when it is not known).
const TImporterDef& ImporterFor(TMasterTable table, std::optional<TDatabaseKind> kind);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False"
std::string WorkbookConnectionString(std::string_view path);

// Points the workbook connection at a file: closes it when connected, sets
// the file's connection string and opens it.  A file that is no readable
// workbook raises the reader's error and leaves the connection closed.
void OpenWorkbook(TConnection& workbook, const std::string& path);

// Runs the tab's sheet query on the open workbook: closes the query when
// open, sets the tab's SQL and opens it.  The query should carry the tab's
// sheet query name (ImportTab(table).sheetQueryName), which errors name.
// Raises the reader's error for a workbook without "sheet1" and, on the item
// tab, for a sheet without the column "管理貨號" (an empty sheet included);
// the query then stays closed.
void OpenTabSheetQuery(TQuery& sheet, TConnection& workbook, TMasterTable table);

// Imports every row of a tab's open sheet query into the tab's table on an
// open database connection (the Import button).  Errors name the sheet row
// as the workbook numbers it, also on the item tab, whose query leaves out
// the rows without an item number.  kind is none for a database opened
// without saying which kind it is (the window's stored connection).
TImportCounts ImportTabSheet(TQuery& openSheet, TConnection& database, std::optional<TDatabaseKind> kind,
                             TMasterTable table, const TImportOptions& options);

namespace detail {
// The sheet row of each record of a tab's sheet query, as the workbook
// numbers it (the item tab's query leaves out rows without an item number).
std::function<int(int recordIndex)> SheetRowsOf(const TQuery& sheet);
}  // namespace detail

// OpenWorkbook, OpenTabSheetQuery and ImportTabSheet on a workbook
// connection and sheet query of its own.
TImportCounts ImportWorkbookFile(TConnection& database, TDatabaseKind kind, TMasterTable table,
                                 const std::string& path, const TImportOptions& options);

}  // namespace tabrin
