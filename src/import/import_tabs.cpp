#include "import/import_tabs.h"

#include <memory>
#include <vector>

#include "import/importers.h"
#include "import/tab_mapping.h"
#include "import/workbook_backend.h"
#include "import/workbook_sql.h"
#include "text/ascii.h"
#include "text/error.h"
#include "text/messages.h"

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

// The sheet every tab reads unless told otherwise.
constexpr std::string_view kTabSheet = "sheet1";

TWorkbookBackend* WorkbookBackendOf(TConnection* workbook) {
  if (workbook == nullptr || !workbook->Connected()) return nullptr;
  return dynamic_cast<TWorkbookBackend*>(&workbook->Backend());
}

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
  // Record i lies i rows below the titles.
  const int titleRow = query.titleRow > 0 ? query.titleRow : 1;
  const auto belowTitles = [titleRow](int position) { return titleRow + 1 + position; };
  if (!query.filterColumn || workbook == nullptr) return belowTitles;

  struct TRowMap {
    bool known = false;
    std::vector<int> sheetRows;
  };
  auto map = std::make_shared<TRowMap>();
  return [map, workbook, belowTitles, query = std::move(query)](int recordIndex) {
    if (!map->known) {
      map->known = true;
      // Only the filter column is read, by the rule the query's own filter
      // follows.
      if (auto* backend = dynamic_cast<TWorkbookBackend*>(&workbook->Backend())) {
        for (int position : backend->FilteredRecordPositions(query.sheet, query.titleRow, *query.filterColumn)) {
          map->sheetRows.push_back(belowTitles(position));
        }
      }
    }
    if (recordIndex >= 0 && static_cast<std::size_t>(recordIndex) < map->sheetRows.size()) {
      return map->sheetRows[static_cast<std::size_t>(recordIndex)];
    }
    return belowTitles(recordIndex);
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

std::string TabSheetSql(TMasterTable table, const TSheetChoice& choice) {
  const std::string_view sql = ImportTab(table).sheetSql;
  if (choice.sheet.empty() && choice.titleRow == 0) return std::string(sql);
  const std::string defaultTable = SheetQueryTable(kTabSheet, 0);
  const std::size_t at = sql.find(defaultTable);
  return std::string(sql.substr(0, at)) +
         SheetQueryTable(choice.sheet.empty() ? kTabSheet : std::string_view(choice.sheet), choice.titleRow) +
         std::string(sql.substr(at + defaultTable.size()));
}

TSheetSource SheetSourceOf(const TQuery& sheet) {
  TSheetSource source;
  try {
    const TSheetQuerySql query = ParseSheetQuerySql(sheet.Sql());
    source.sheet = query.sheet;
    source.titleRow = query.titleRow;
  } catch (const TabrinError&) {  // not a sheet query: nothing to name
  }
  if (const TWorkbookBackend* backend = WorkbookBackendOf(sheet.Connection())) {
    source.text = backend->Workbook().TextLayout();
  }
  return source;
}

std::string WorkbookConnectionString(std::string_view path, const TTextFileOptions& text) {
  // Quoted, so that a file name holding ";", "=", quotes or outer blanks
  // opens that very file instead of adding keys to the string.
  std::string connection = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + QuoteConnectionValue(path) + ";" +
                           "Extended Properties=IMEX=1;Excel 8.0;" + "Persist Security Info=False";
  if (text.encoding) connection += ";Text Encoding=" + QuoteConnectionValue(TextEncodingName(*text.encoding));
  if (text.separator) connection += ";Text Separator=" + std::string(SeparatorKeyword(*text.separator));
  return connection;
}

void OpenWorkbook(TConnection& workbook, const std::string& path, const TTextFileOptions& text) {
  if (workbook.Connected()) workbook.Close();
  workbook.SetConnectionString(WorkbookConnectionString(path, text));
  workbook.Open();
}

std::vector<std::string> WorkbookSheetNames(TConnection& workbook) {
  const TWorkbookBackend* backend = WorkbookBackendOf(&workbook);
  return backend ? backend->Workbook().SheetNames() : std::vector<std::string>{};
}

bool HasTabSheet(TConnection& workbook) {
  const TWorkbookBackend* backend = WorkbookBackendOf(&workbook);
  if (backend == nullptr) return false;
  if (backend->Workbook().TextLayout()) return true;  // its one sheet is every tab's
  for (const std::string& name : backend->Workbook().SheetNames()) {
    if (EqualNoCaseAscii(name, kTabSheet)) return true;
  }
  return false;
}

bool IsMissingFilterColumnError(TMasterTable table, const std::exception& error) {
  const TImportTabInfo& tab = ImportTab(table);
  const std::optional<std::string> filter = ParseSheetQuerySql(tab.sheetSql).filterColumn;
  return filter && error.what() == std::string(tab.sheetQueryName) + ": " + FieldNotFoundMessage(*filter);
}

void OpenTabSheetQuery(TQuery& sheet, TConnection& workbook, TMasterTable table, const TSheetChoice& choice) {
  sheet.Close();
  sheet.SetConnection(&workbook);
  sheet.SetSql(TabSheetSql(table, choice));
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
                                 const std::string& path, const TImportOptions& options,
                                 const TSheetChoice& choice) {
  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(ImportTab(table).sheetQueryName), workbook);
  OpenWorkbook(workbook, path, choice.text);
  OpenTabSheetQuery(sheet, workbook, table, choice);
  return ImportTabSheet(sheet, database, kind, table, options);
}

}  // namespace tabrin
