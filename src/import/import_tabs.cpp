#include "import/import_tabs.h"

#include <memory>
#include <vector>

#include "import/importers.h"
#include "import/tab_mapping.h"
#include "import/workbook_backend.h"
#include "import/workbook_sql.h"
#include "text/ascii.h"
#include "text/error.h"

namespace tabrin {
namespace {

constexpr TImportTabInfo kTabs[] = {
    {TMasterTable::mtClassify, "小分類", "ADOCLSQuery", "SELECT * FROM [sheet1$]  "},
    {TMasterTable::mtItem, "商品檔", "ADOItemQuery", "SELECT * FROM [sheet1$]  where 管理貨號<>''"},
    {TMasterTable::mtSupplier, "廠商資料", "ADOSupplierQuery", "SELECT * FROM [sheet1$]  "},
    {TMasterTable::mtCustomer, "會員資料", "ADOCustQuery", "SELECT * FROM [sheet1$]  "},
};

// Record i of a query over every row of a sheet is sheet row i + 2 (the
// titles are row 1).
int UnfilteredSheetRow(int recordIndex) { return recordIndex + 2; }

}  // namespace

namespace detail {

// The sheet row of each record of a filtered sheet query (the item tab
// leaves out rows without an item number): the rows of the whole sheet whose
// cell in the filter column is not empty, in order.  Worked out only when an
// error, a cancel or a plan names a row, by reading the filter column once.
std::function<int(int)> SheetRowsOf(const TQuery& sheet) {
  TSheetQuerySql query;
  try {
    query = ParseSheetQuerySql(sheet.Sql());
  } catch (const TabrinError&) {  // not a sheet query: its records are numbered as they come
    return UnfilteredSheetRow;
  }
  TConnection* workbook = sheet.Connection();
  if (!query.filterColumn || workbook == nullptr) return UnfilteredSheetRow;

  struct TRowMap {
    bool known = false;
    std::vector<int> sheetRows;
  };
  auto map = std::make_shared<TRowMap>();
  return [map, workbook, query = std::move(query)](int recordIndex) {
    if (!map->known) {
      map->known = true;
      // Only the filter column is read, by the rule the query's own filter
      // follows.
      if (auto* backend = dynamic_cast<TWorkbookBackend*>(&workbook->Backend())) {
        for (int position : backend->FilteredRecordPositions(query.sheet, *query.filterColumn)) {
          map->sheetRows.push_back(UnfilteredSheetRow(position));
        }
      }
    }
    if (recordIndex >= 0 && static_cast<std::size_t>(recordIndex) < map->sheetRows.size()) {
      return map->sheetRows[static_cast<std::size_t>(recordIndex)];
    }
    return UnfilteredSheetRow(recordIndex);
  };
}

}  // namespace detail

const TImportTabInfo& ImportTab(TMasterTable table) { return kTabs[static_cast<int>(table)]; }

const TImporterDef& ImporterFor(TMasterTable table, std::optional<TDatabaseKind> kind) {
  switch (table) {
    case TMasterTable::mtClassify: return ClassifyImporter();
    case TMasterTable::mtItem: return ItemImporter(kind);
    case TMasterTable::mtSupplier: return SupplierImporter();
    case TMasterTable::mtCustomer: return CustomerImporter();
  }
  return ClassifyImporter();
}

std::string WorkbookConnectionString(std::string_view path) {
  // Quoted, so that a file name holding ";", "=", quotes or outer blanks
  // opens that very file instead of adding keys to the string.
  return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(path) + ";" +
         "Extended Properties=IMEX=1;Excel 8.0;" + "Persist Security Info=False";
}

void OpenWorkbook(TConnection& workbook, const std::string& path) {
  if (workbook.Connected()) workbook.Close();
  workbook.SetConnectionString(WorkbookConnectionString(path));
  workbook.Open();
}

void OpenTabSheetQuery(TQuery& sheet, TConnection& workbook, TMasterTable table) {
  sheet.Close();
  sheet.SetConnection(&workbook);
  sheet.SetSql(ImportTab(table).sheetSql);
  sheet.Open();
}

TImportCounts ImportTabSheet(TQuery& openSheet, TConnection& database, std::optional<TDatabaseKind> kind,
                             TMasterTable table, const TImportOptions& options) {
  const TLeftColumnsImporter importer(ImporterFor(table, kind), SheetMappingOf(openSheet).left);
  if (options.sheetRowOf || !openSheet.Active()) {
    return ImportSheet(openSheet, database, importer.Def(), options);
  }
  TImportOptions tabOptions = options;
  tabOptions.sheetRowOf = detail::SheetRowsOf(openSheet);
  return ImportSheet(openSheet, database, importer.Def(), tabOptions);
}

TImportCounts ImportWorkbookFile(TConnection& database, TDatabaseKind kind, TMasterTable table,
                                 const std::string& path, const TImportOptions& options) {
  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(ImportTab(table).sheetQueryName), workbook);
  OpenWorkbook(workbook, path);
  OpenTabSheetQuery(sheet, workbook, table);
  return ImportTabSheet(sheet, database, kind, table, options);
}

}  // namespace tabrin
