#pragma once
// The import plan: what importing an open sheet would do, row by row, worked
// out by the import loop itself run without writing (see
// detail::WalkSheetWithoutWriting), so it cannot disagree with the import.
//
//   TImportOptions options;
//   options.cover = ReadCoverSetting(ProgramFolder()).mode;
//   TImportPlan plan = PlanWorkbookFile(database, TDatabaseKind::dkKestaPos, TMasterTable::mtItem,
//                                       "/data/items.xls", options);
//   plan.Counts().appended ...;  for (const TPlannedRow& row : plan.rows) ...
//
// Every sheet row gets its outcome: appended; overwritten, with every field
// whose stored value changes (old -> new, as the import would store it);
// overwritten without a change ("same"); left as it is (TCoverMode::cmKeep);
// or the error the import would stop at, with its sheet row and
// column.  The plan goes on past an error, so one run lists every bad row.
// What the database itself would refuse when the record is posted (a
// constraint of its own) shows only when the import posts it.
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/database_connection.h"
#include "db/master_table.h"
#include "db/query.h"
#include "import/import_loop.h"
#include "import/import_tabs.h"
#include "import/row_change.h"

namespace tabrin {

enum class TPlannedOutcome { poAppend, poOverwrite, poSame, poLeft, poError, poNotAppended };

// "新增", "覆蓋", "內容相同", "未變更", "錯誤", "未新增" (update only).
std::string_view PlannedOutcomeText(TPlannedOutcome outcome);

struct TPlannedRow {
  int sheetRow = 0;
  TPlannedOutcome outcome = TPlannedOutcome::poError;
  std::string code;                    // for an error, as far as it was read (maybe empty)
  std::vector<TFieldChange> changes;   // poOverwrite: the fields whose value changes
  // poOverwrite, poSame with keep-blanks: the fields with a stored value a
  // blank cell leaves alone, by title.
  std::vector<std::string_view> keptBlanks;
  std::string error;                   // poError: the message the import would raise
  std::string column;                  // poError: the column being read, maybe empty
};

struct TPlanCounts {
  int appended = 0;
  int overwritten = 0;  // the same ones included, as the import counts them
  int same = 0;
  int left = 0;
  int errors = 0;
  int notAppended = 0;
  int blankRows = 0;  // rows with no cell filled, passed over
  friend bool operator==(const TPlanCounts&, const TPlanCounts&) = default;
};

struct TImportPlan {
  std::vector<TPlannedRow> rows;  // in sheet order; rows with no cell filled are not among them
  int blankRows = 0;              // those rows
  // A tab's plan: the columns its import reads that the sheet lacks (each
  // failing row names the first it reads), and the sheet's column mapping
  // as MappingText gives it (empty without one).
  std::vector<std::string> missingColumns;
  std::string mappingText;
  TPlanCounts Counts() const;
};

// "品名：舊名 → 新名；售價：10 → 12".
std::string ChangesText(const std::vector<TFieldChange>& changes);

// "空白保留：品名、售價", or empty when the row keeps no field.
std::string KeptBlanksText(const TPlannedRow& row);

// The plan of an open sheet query with an importer; see ImportSheet for the
// options used (cover, updateOnly, keepBlanks, sheetRowOf, control).
TImportPlan PlanSheet(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                      const TImportOptions& options);

// The plan of a tab's open sheet query, rows numbered as the workbook
// numbers them (as ImportTabSheet).
TImportPlan PlanTabSheet(TQuery& openSheet, TConnection& database, TDatabaseKind kind, TMasterTable table,
                         const TImportOptions& options);

// OpenWorkbook, OpenTabSheetQuery (with the choice) and PlanTabSheet.
TImportPlan PlanWorkbookFile(TConnection& database, TDatabaseKind kind, TMasterTable table,
                             const std::string& path, const TImportOptions& options,
                             const TSheetChoice& choice = {});

}  // namespace tabrin
