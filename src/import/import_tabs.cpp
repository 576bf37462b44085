#include "import/import_tabs.h"

#include "db/query.h"
#include "import/importers.h"
#include "import/workbook_backend.h"

namespace tabrin {
namespace {

constexpr TImportTabInfo kTabs[] = {
    {TMasterTable::mtClassify, "小分類", "ADOCLSQuery", "SELECT * FROM [sheet1$]  "},
    {TMasterTable::mtItem, "商品檔", "ADOItemQuery", "SELECT * FROM [sheet1$]  where 管理貨號<>''"},
    {TMasterTable::mtSupplier, "廠商資料", "ADOSupplierQuery", "SELECT * FROM [sheet1$]  "},
    {TMasterTable::mtCustomer, "會員資料", "ADOCustQuery", "SELECT * FROM [sheet1$]  "},
};

// Every row of the sheet, title row excepted.
constexpr std::string_view kWholeSheetSql = "SELECT * FROM [sheet1$]  ";

}  // namespace

const TImportTabInfo& ImportTab(TMasterTable table) { return kTabs[static_cast<int>(table)]; }

const TImporterDef& ImporterFor(TMasterTable table, std::string_view dbKind) {
  switch (table) {
    case TMasterTable::mtClassify: return ClassifyImporter();
    case TMasterTable::mtItem: return ItemImporter(dbKind);
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

TImportCounts ImportWorkbookFile(TConnection& database, std::string_view dbKind, TMasterTable table,
                                 const std::string& path, const TImportOptions& options) {
  const TImportTabInfo& tab = ImportTab(table);
  RegisterWorkbookReader();
  TConnection workbook("ADOXLSConnect");
  workbook.SetConnectionString(WorkbookConnectionString(path));
  workbook.Open();
  TQuery sheet(std::string(tab.sheetQueryName), workbook);
  // The importer passes over the item rows the tab's filter would drop; with
  // every row in the query, record i is sheet row i + 2.
  sheet.SetSql(kWholeSheetSql);
  sheet.Open();
  return ImportSheet(sheet, database, ImporterFor(table, dbKind), options);
}

}  // namespace tabrin
