#include "import/tab_mapping.h"

#include <exception>

#include "import/import_tabs.h"
#include "import/saved_mappings.h"
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
  const TSheetQuerySql query = ParseSheetQuerySql(sheet.Sql());
  return backend->SheetTitles(query.sheet, query.titleRow);
}

std::vector<std::string> TabMissingColumns(const TQuery& sheet, TMasterTable table,
                                           std::optional<TDatabaseKind> kind, TCoverMode cover) {
  if (WorkbookBackendOf(sheet.Connection()) == nullptr) return {};
  return MissingColumns(TabSheetTitles(sheet), ImporterFor(table, kind), cover, SheetMappingOf(sheet));
}

TTabSheetOpening OpenTabSheetMapped(TQuery& sheet, TConnection& workbook, TMasterTable table,
                                    std::optional<TDatabaseKind> kind, TCoverMode cover,
                                    const TColumnMapping& requested, std::string_view programFolder,
                                    const TMappingChooser& choose, const TSheetChoice& choice) {
  std::exception_ptr openError;
  try {
    OpenTabSheetQuery(sheet, workbook, table, choice);
  } catch (const TabrinError&) {  // the item tab's code column may be one to map
    openError = std::current_exception();
  }
  TTabSheetOpening opening;
  try {
    opening.titles = TabSheetTitles(sheet);
  } catch (const TabrinError&) {
    if (openError) std::rethrow_exception(openError);
    throw;
  }
  const TImporterDef& importer = ImporterFor(table, kind);
  opening.mapping = requested;
  if (requested.Empty() && !MissingColumns(opening.titles, importer, cover, {}).empty()) {
    TMappingStore store(programFolder);
    if (const std::optional<TSavedMapping> saved = store.FindFor(table, opening.titles)) {
      opening.mapping = saved->mapping;
      opening.savedName = saved->name;
    } else if (choose) {
      const TColumnMapping proposed = ProposeMapping(opening.titles, table, importer, cover);
      if (std::optional<TColumnMapping> chosen = choose(opening.titles, proposed)) opening.mapping = std::move(*chosen);
    }
  }
  if (!opening.mapping.Empty()) {
    CheckMapping(opening.mapping, opening.titles, importer);
    SetSheetMapping(workbook, opening.mapping);
    OpenTabSheetQuery(sheet, workbook, table, choice);
  } else if (openError) {
    std::rethrow_exception(openError);
  }
  opening.missing = MissingColumns(opening.titles, importer, cover, opening.mapping);
  return opening;
}

std::string MissingColumnsText(const std::vector<std::string>& missing) {
  std::string text;
  for (const std::string& column : missing) text += (text.empty() ? "" : "、") + column;
  return text.empty() ? text : "工作表缺少匯入讀取的欄位：" + text;
}

}  // namespace tabrin
