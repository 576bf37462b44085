#pragma once
// The whole import plan as a file a clerk opens in a spreadsheet program:
// one row per sheet row with its sheet row, code, outcome, the changed
// fields (old → new) and the error.  A name ending in ".csv" (any letter
// case) gives UTF-8 comma-separated text with a byte-order mark, which
// spreadsheet programs open as Unicode; any other name a workbook of the
// kind an export to that name writes (IsXlsxFileName: Excel 2007+ for
// ".xlsx", else Excel 97-2003), sheet "匯入計畫".
//
//   WritePlanReport(plan, "/tmp/plan.xls");
#include <string>

#include "import/import_plan.h"

namespace tabrin {

// The column titles: "工作表列", "代碼", "結果", "變更欄位", "錯誤".
const std::vector<std::string>& PlanReportTitles();

// The text of a planned row's error cell: "欄位「售價」：<message>", or the
// message alone when no column was being read.
std::string PlannedErrorText(const TPlannedRow& row);

// Writes the report, replacing the file only once it is complete.  A
// workbook holds at most 65,535 rows of plan (.xls) or 1,048,575 (.xlsx): a
// longer plan raises an error that suggests a .csv name, and no file is
// written.
void WritePlanReport(const TImportPlan& plan, const std::string& path);

}  // namespace tabrin
