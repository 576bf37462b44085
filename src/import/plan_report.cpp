#include "import/plan_report.h"

#include <filesystem>

#include "config/file_replacement.h"
#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"
#include "xls/biff8/workbook_writer.h"
#include "xls/ooxml/xlsx_writer.h"
#include "xls/workbook_file_name.h"

namespace tabrin {
namespace {

// The most text one workbook cell holds.
constexpr std::size_t kCellTextUnits = 32767;
// The text of a long plan goes to the file in pieces of about this size.
constexpr std::size_t kCsvChunkBytes = 1 << 16;

// The changed fields, then those a blank cell leaves alone (keep-blanks).
std::string ChangesCell(const TPlannedRow& row) {
  std::string text = ChangesText(row.changes);
  const std::string kept = KeptBlanksText(row);
  if (!kept.empty()) text += (text.empty() ? "" : "；") + kept;
  return text;
}

std::vector<std::string> ReportCells(const TPlannedRow& row) {
  return {std::to_string(row.sheetRow), row.code, std::string(PlannedOutcomeText(row.outcome)), ChangesCell(row),
          row.outcome == TPlannedOutcome::poError ? PlannedErrorText(row) : std::string()};
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

void WriteCsv(const TImportPlan& plan, const std::string& path) {
  const std::string cannotCreate = FormatMessage(Tr("Cannot create file '%s'"), {path});
  const std::string cannotWrite = FormatMessage(Tr("Error writing file '%s'"), {path});
  TFileReplacement file(path, {[cannotCreate](int) { return cannotCreate; },
                               [cannotWrite](int) { return cannotWrite; },
                               [cannotCreate](int) { return cannotCreate; }});
  std::string text = "\xEF\xBB\xBF";
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) text += (i > 0 ? "," : "") + CsvField(cells[i]);
    text += "\r\n";
    if (text.size() >= kCsvChunkBytes) {
      file.Write(text);
      text.clear();
    }
  };
  line(PlanReportTitles());
  for (const TPlannedRow& row : plan.rows) line(ReportCells(row));
  file.Write(text);
  file.Commit();
}

// The kind of workbook the name asks for, as an export to that name writes.
void WriteWorkbook(const TImportPlan& plan, const std::string& path) {
  const bool xlsx = IsXlsxFileName(path);
  const std::unique_ptr<TWorkbookOutput> output =
      xlsx ? std::unique_ptr<TWorkbookOutput>(std::make_unique<TxlsxWorkbookWriter>())
           : std::unique_ptr<TWorkbookOutput>(std::make_unique<TxlsWorkbookWriter>());
  TWorkbookOutput& writer = *output;
  // Rows below the title row in one sheet.
  const int planRows = writer.MaxRows() - 1;
  if (plan.rows.size() > static_cast<std::size_t>(planRows)) {
    throw TabrinError(FormatMessage("計畫有 %d 列，一個 %s 活頁簿最多放 %d 列；請用 .csv 檔名",
                                    {static_cast<int>(plan.rows.size()), xlsx ? ".xlsx" : ".xls", planRows}));
  }
  writer.CreateWorkbookFile(path);
  writer.BeginWorkbook();
  writer.ColumnWidths() = {8, 12, 8, 60, 60};
  TxlsSheetHead head;
  head.Title = "匯入計畫";
  writer.BeginSheet(head);
  auto row = [&](int r, const std::vector<std::string>& cells) {
    for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
      const std::string& text = cells[static_cast<std::size_t>(c)];
      if (text.empty()) continue;
      writer.WriteLabelSst(r, c, CutToUtf16Units(text, kCellTextUnits), kDefaultXfIndex);
    }
  };
  row(0, PlanReportTitles());
  for (std::size_t i = 0; i < plan.rows.size(); ++i) {
    const TPlannedRow& planned = plan.rows[i];
    const int r = static_cast<int>(i) + 1;
    std::vector<std::string> cells = ReportCells(planned);
    writer.WriteNumber(r, 0, planned.sheetRow, kDefaultXfIndex);
    cells[0].clear();
    row(r, cells);
  }
  writer.EndSheet({});
  writer.FinishWorkbook();
  writer.CloseWorkbookFile();
}

}  // namespace

const std::vector<std::string>& PlanReportTitles() {
  static const std::vector<std::string> titles = {"工作表列", "代碼", "結果", "變更欄位", "錯誤"};
  return titles;
}

std::string PlannedErrorText(const TPlannedRow& row) {
  if (row.column.empty()) return row.error;
  return FormatMessage("欄位「%s」：%s", {row.column, row.error});
}

void WritePlanReport(const TImportPlan& plan, const std::string& path) {
  if (IsCsvFileName(path)) {
    WriteCsv(plan, path);
  } else {
    WriteWorkbook(plan, path);
  }
}

}  // namespace tabrin
