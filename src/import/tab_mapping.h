#pragma once
// A column mapping on an import tab: set on the tab's workbook connection,
// it governs every sheet query of that connection (the grid, the plan, the
// import and its journal) until the workbook is opened again.
//
//   OpenWorkbook(workbook, path);
//   SetSheetMapping(workbook, mapping);            // before the sheet query opens
//   OpenTabSheetQuery(sheet, workbook, table);
//   ImportTabSheet(sheet, database, kind, table, options);  // reads and leaves as mapped
//
// TabSheetTitles gives the sheet's own titles, also when the item tab's
// query failed for want of its code column, so that a mapping can be made
// for that sheet too.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
#include "import/column_mapping.h"
#include "import/cover_mode.h"
#include "import/import_tabs.h"

namespace tabrin {

// Raises TabrinError when the connection is not an open workbook.
void SetSheetMapping(TConnection& workbook, const TColumnMapping& mapping);

// The mapping of the sheet query's workbook connection; empty for any other
// query.
TColumnMapping SheetMappingOf(const TQuery& sheet);

// The titles of the sheet the query's SQL names, as the sheet has them
// (before a mapping); the query need not be open.  Raises the reader's error
// for a workbook without that sheet.
std::vector<std::string> TabSheetTitles(const TQuery& sheet);

// The columns the tab's import reads that the sheet and its mapping do not
// give (MissingColumns); none for a query on another connection.
std::vector<std::string> TabMissingColumns(const TQuery& sheet, TMasterTable table,
                                           std::optional<TDatabaseKind> kind, TCoverMode cover);

// How a tab's sheet was opened by OpenTabSheetMapped.
struct TTabSheetOpening {
  std::vector<std::string> titles;   // the sheet's own
  TColumnMapping mapping;            // the one in force, maybe empty
  std::string savedName;             // the saved mapping used, if one was
  std::vector<std::string> missing;  // columns still missing under it
};

// Given the sheet's titles and the proposed mapping: the mapping to use,
// or none to open the sheet without one.
using TMappingChooser =
    std::function<std::optional<TColumnMapping>(const std::vector<std::string>& titles,
                                                const TColumnMapping& proposed)>;

// Opens the tab's sheet query (OpenTabSheetQuery) under a mapping: the one
// requested when it is not empty; else, when the sheet lacks columns the
// import reads, the one saved in the program folder for a sheet with these
// titles (TMappingStore), else the one `choose` gives, if any.  A mapping is
// checked (CheckMapping) before it is set.  Without a mapping a sheet the
// tab cannot open raises the reader's error as OpenTabSheetQuery does.
// The sheet and title row are those of the choice (TabSheetSql).
TTabSheetOpening OpenTabSheetMapped(TQuery& sheet, TConnection& workbook, TMasterTable table,
                                    std::optional<TDatabaseKind> kind, TCoverMode cover,
                                    const TColumnMapping& requested, std::string_view programFolder,
                                    const TMappingChooser& choose, const TSheetChoice& choice = {});

// "工作表缺少匯入讀取的欄位：廠商代號、健康捐": the one line that names every
// missing column; empty when none is missing.
std::string MissingColumnsText(const std::vector<std::string>& missing);

}  // namespace tabrin
