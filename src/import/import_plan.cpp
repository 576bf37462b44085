#include "import/import_plan.h"

#include "import/import_tabs.h"
#include "import/tab_mapping.h"

namespace tabrin {
namespace {

TPlannedRow PlannedRowOf(const detail::TRowWalkStep& step) {
  TPlannedRow row;
  row.sheetRow = step.sheetRow;
  if (step.error != nullptr) {
    row.outcome = TPlannedOutcome::poError;
    row.error = *step.error;
    row.column = std::string(step.column);
    row.code = std::string(step.code);
    return row;
  }
  const TRowChange& change = *step.change;
  row.code = change.code;
  switch (change.action) {
    case TRowAction::raAppended: row.outcome = TPlannedOutcome::poAppend; break;
    case TRowAction::raLeft: row.outcome = TPlannedOutcome::poLeft; break;
    case TRowAction::raNotAppended: row.outcome = TPlannedOutcome::poNotAppended; break;
    case TRowAction::raOverwritten:
      row.keptBlanks = change.keptBlanks;
      for (const TFieldChange& field : change.fields) {
        if (field.Changes()) row.changes.push_back(field);
      }
      row.outcome = row.changes.empty() ? TPlannedOutcome::poSame : TPlannedOutcome::poOverwrite;
      break;
  }
  return row;
}

}  // namespace

std::string_view PlannedOutcomeText(TPlannedOutcome outcome) {
  switch (outcome) {
    case TPlannedOutcome::poAppend: return "新增";
    case TPlannedOutcome::poOverwrite: return "覆蓋";
    case TPlannedOutcome::poSame: return "內容相同";
    case TPlannedOutcome::poLeft: return "未變更";
    case TPlannedOutcome::poError: return "錯誤";
    case TPlannedOutcome::poNotAppended: return "未新增";
  }
  return {};
}

TPlanCounts TImportPlan::Counts() const {
  TPlanCounts counts;
  for (const TPlannedRow& row : rows) {
    switch (row.outcome) {
      case TPlannedOutcome::poAppend: ++counts.appended; break;
      case TPlannedOutcome::poOverwrite: ++counts.overwritten; break;
      case TPlannedOutcome::poSame:
        ++counts.overwritten;
        ++counts.same;
        break;
      case TPlannedOutcome::poLeft: ++counts.left; break;
      case TPlannedOutcome::poError: ++counts.errors; break;
      case TPlannedOutcome::poNotAppended: ++counts.notAppended; break;
    }
  }
  counts.blankRows = blankRows;
  return counts;
}

std::string ChangesText(const std::vector<TFieldChange>& changes) {
  std::string text;
  for (const TFieldChange& change : changes) {
    if (!text.empty()) text += "；";
    text += std::string(change.title) + "：" + ValueText(change.before) + " → " + ValueText(change.after);
  }
  return text;
}

std::string KeptBlanksText(const TPlannedRow& row) {
  std::string text;
  for (std::string_view title : row.keptBlanks) text += (text.empty() ? "空白保留：" : "、") + std::string(title);
  return text;
}

TImportPlan PlanSheet(TQuery& sheet, TConnection& connection, const TImporterDef& importer,
                      const TImportOptions& options) {
  TImportPlan plan;
  detail::WalkSheetWithoutWriting(sheet, connection, importer, options,
                                  [&](const detail::TRowWalkStep& step) {
                                    if (step.blankRow) {
                                      ++plan.blankRows;
                                    } else {
                                      plan.rows.push_back(PlannedRowOf(step));
                                    }
                                  });
  return plan;
}

TImportPlan PlanTabSheet(TQuery& openSheet, TConnection& database, TDatabaseKind kind, TMasterTable table,
                         const TImportOptions& options) {
  TImportOptions tabOptions = options;
  if (!tabOptions.sheetRowOf && openSheet.Active()) tabOptions.sheetRowOf = detail::SheetRowsOf(openSheet);
  const TColumnMapping mapping = SheetMappingOf(openSheet);
  const TLeftColumnsImporter importer(ImporterFor(table, kind), mapping.left);
  TImportPlan plan = PlanSheet(openSheet, database, importer.Def(), tabOptions);
  plan.mappingText = MappingText(mapping);
  plan.missingColumns = TabMissingColumns(openSheet, table, kind, options.cover);
  return plan;
}

TImportPlan PlanWorkbookFile(TConnection& database, TDatabaseKind kind, TMasterTable table,
                             const std::string& path, const TImportOptions& options,
                             const TSheetChoice& choice) {
  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(ImportTab(table).sheetQueryName), workbook);
  OpenWorkbook(workbook, path, choice.text);
  OpenTabSheetQuery(sheet, workbook, table, choice);
  return PlanTabSheet(sheet, database, kind, table, options);
}

}  // namespace tabrin
