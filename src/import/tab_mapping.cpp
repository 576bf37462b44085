#include "import/tab_mapping.h"

#include "import/import_tabs.h"
#include "import/workbook_backend.h"
#include "import/workbook_sql.h"
#include "text/error.h"

namespace tabrin {
namespace {

TWorkbookBackend* WorkbookBackendOf(TConnection* connection) {
  if (connection == nullptr || !connection->Connected()) return nullptr;
  return dynamic_cast<TWorkbookBackend*>(&connection->Backend());
}

}  // namespace

void SetSheetMapping(TConnection& workbook, const TColumnMapping& mapping) {
  TWorkbookBackend* backend = WorkbookBackendOf(&workbook);
  if (backend == nullptr) throw TabrinError("A column mapping needs an open workbook connection");
  backend->SetColumnMapping(mapping);
}

TColumnMapping SheetMappingOf(const TQuery& sheet) {
  const TWorkbookBackend* backend = WorkbookBackendOf(sheet.Connection());
  return backend != nullptr ? backend->ColumnMapping() : TColumnMapping{};
}

std::vector<std::string> TabSheetTitles(const TQuery& sheet) {
  const TWorkbookBackend* backend = WorkbookBackendOf(sheet.Connection());
  if (backend == nullptr) throw TabrinError("The sheet query has no open workbook connection");
  return backend->SheetTitles(ParseSheetQuerySql(sheet.Sql()).sheet);
}

std::vector<std::string> TabMissingColumns(const TQuery& sheet, TMasterTable table,
                                           std::optional<TDatabaseKind> kind, TCoverMode cover) {
  if (WorkbookBackendOf(sheet.Connection()) == nullptr) return {};
  return MissingColumns(TabSheetTitles(sheet), ImporterFor(table, kind), cover, SheetMappingOf(sheet));
}

std::string MissingColumnsText(const std::vector<std::string>& missing) {
  std::string text;
  for (const std::string& column : missing) text += (text.empty() ? "" : "、") + column;
  return text.empty() ? text : "工作表缺少匯入讀取的欄位：" + text;
}

}  // namespace tabrin
