#pragma once
// The rows an import left out (TImportOptions::skipped) handed back as a
// file the clerk fixes and imports as it is: the sheet's own titles and, for
// each rejected row in sheet order, its own cells, plus a last column
// "錯誤原因" with the error and the sheet row.
//
//   std::vector<TSkippedRow> skipped;
//   options.skipped = &skipped;
//   ImportTabSheet(sheet, database, kind, table, options);
//   if (!skipped.empty()) WriteRejectsFile(sheet, skipped, DefaultRejectsPath(workbookPath));
#include <string>
#include <string_view>
#include <vector>

#include "db/query.h"
#include "import/import_loop.h"

namespace tabrin {

// The title of the reason column.
inline constexpr std::string_view kRejectReasonTitle = "錯誤原因";

// Beside the workbook: "/data/items.xls" gives "/data/items-rejects.xls",
// the kind of file kept (".xlsx" for a name ending in it, ".csv" for a text
// file, else ".xls").  WriteRejectsFile writes the kind the name asks for.
std::string DefaultRejectsPath(const std::string& workbookPath);

// Writes the rows of the open sheet query that rows names, replacing the
// file only once it is complete: a workbook of the kind an export to that
// name writes (IsXlsxFileName), its one sheet named as the sheet the
// imports read.  Numbers stay numbers; dates, booleans and texts are
// written as the import reads them, as text.  Moves the sheet query.
void WriteRejectsFile(TQuery& sheet, const std::vector<TSkippedRow>& rows, const std::string& path);

}  // namespace tabrin
