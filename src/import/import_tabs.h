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
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
#include "import/import_loop.h"
#include "import/import_mapping.h"
#include "xls/csv/csv_reader.h"
#include "xls/csv/text_file_options.h"

namespace tabrin {

struct TImportTabInfo {
  TMasterTable table;
  std::string_view caption;         // tab caption: "小分類", "商品檔", "廠商資料", "會員資料"
  std::string_view sheetQueryName;  // "ADOCLSQuery", ...
  std::string_view sheetSql;        // the tab's sheet query text
};

const TImportTabInfo& ImportTab(TMasterTable table);

// What a tab reads of a file beyond its own defaults (sheet "sheet1", titles
// in its first row, a text file's encoding and separator found from it).
// The default choice reads exactly what the tab's sheet query reads.
struct TSheetChoice {
  std::string sheet;      // empty: the tab's "sheet1"
  int titleRow = 0;       // 1-based; 0: the first row of the sheet's used range; the rows above are no data
  TTextFileOptions text;  // a text file (.csv, .txt) only
};

// The tab's sheet query for the choice: ImportTab(table).sheetSql itself for
// the default, else the same query on the chosen sheet and title row.
std::string TabSheetSql(TMasterTable table, const TSheetChoice& choice);

// What a sheet query reads, as the journal records it: the sheet and title
// row its SQL names and how its workbook connection reads a text file.
struct TSheetSource {
  std::string sheet;
  int titleRow = 0;
  std::optional<TCsvLayout> text;
};
TSheetSource SheetSourceOf(const TQuery& sheet);

// The importer of a tab; the item layout depends on the database kind (see
// ItemImporter; none when it is not known).
const TImporterDef& ImporterFor(TMasterTable table, std::optional<TDatabaseKind> kind);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False",
// followed by "Text Encoding=<name>" and "Text Separator=<name>" for the
// text options that are set.
std::string WorkbookConnectionString(std::string_view path, const TTextFileOptions& text = {});

// Points the workbook connection at a file: closes it when connected, sets
// the file's connection string and opens it.  A file that is no readable
// workbook raises the reader's error and leaves the connection closed.
void OpenWorkbook(TConnection& workbook, const std::string& path, const TTextFileOptions& text = {});

// The worksheets of the file the open workbook connection reads, in workbook
// order (a text file's one sheet); none when it is not open.
std::vector<std::string> WorkbookSheetNames(TConnection& workbook);

// Whether the open workbook has the sheet the tab's query reads by default.
bool HasTabSheet(TConnection& workbook);

// Whether an error of OpenTabSheetQuery is the one the item tab raises for a
// sheet without its filter column "管理貨號".
bool IsMissingFilterColumnError(TMasterTable table, const std::exception& error);

// Runs the tab's sheet query on the open workbook: closes the query when
// open, sets the tab's SQL and opens it.  The query should carry the tab's
// sheet query name (ImportTab(table).sheetQueryName), which errors name.
// Raises the reader's error for a workbook without "sheet1" and, on the item
// tab, for a sheet without the column "管理貨號" (an empty sheet included);
// the query then stays closed.  With a choice: TabSheetSql's query.
void OpenTabSheetQuery(TQuery& sheet, TConnection& workbook, TMasterTable table, const TSheetChoice& choice = {});

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
                                 const std::string& path, const TImportOptions& options,
                                 const TSheetChoice& choice = {});

}  // namespace tabrin
