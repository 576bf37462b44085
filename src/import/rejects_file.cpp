#include "import/rejects_file.h"

#include <filesystem>
#include <memory>

#include "text/ascii.h"
#include "text/encoding.h"
#include "text/error.h"
#include "text/format.h"
#include "xls/csv/text_file_options.h"
#include "xls/workbook_file_name.h"
#include "xls/workbook_output_for.h"

namespace tabrin {
namespace {

// The most text one workbook cell holds.
constexpr std::size_t kCellTextUnits = 32767;

void WriteCell(TWorkbookOutput& writer, int row, int column, const TField& field) {
  const TValue& value = field.Value();
  switch (value.Type()) {
    case TValueType::vtNull: return;
    case TValueType::vtFloat:
    case TValueType::vtInteger: writer.WriteNumber(row, column, value.Number(), kDefaultXfIndex); return;
    default: break;
  }
  const std::string text = field.AsString();
  if (!text.empty()) writer.WriteLabelSst(row, column, CutToUtf16Units(text, kCellTextUnits), kDefaultXfIndex);
}

void WriteRejectsWorkbook(TQuery& sheet, const std::vector<TSkippedRow>& rows, const std::string& path) {
  const std::unique_ptr<TWorkbookOutput> writer = WorkbookOutputFor(path);
  const int columns = sheet.FieldCount();
  writer->CreateWorkbookFile(path);
  writer->BeginWorkbook();
  writer->BeginSheet(TxlsSheetHead{});
  for (int c = 0; c < columns; ++c) writer->WriteLabelSst(0, c, sheet.Fields(c).FieldName(), kDefaultXfIndex);
  writer->WriteLabelSst(0, columns, kRejectReasonTitle, kDefaultXfIndex);
  int r = 1;
  for (const TSkippedRow& rejected : rows) {
    sheet.MoveTo(rejected.recordIndex);
    for (int c = 0; c < columns; ++c) WriteCell(*writer, r, c, sheet.Fields(c));
    writer->WriteLabelSst(r, columns, CutToUtf16Units(rejected.Reason(), kCellTextUnits), kDefaultXfIndex);
    ++r;
  }
  writer->EndSheet({});
  writer->FinishWorkbook();
  writer->CloseWorkbookFile();
}

}  // namespace

std::string DefaultRejectsPath(const std::string& workbookPath) {
  const std::filesystem::path path(workbookPath);
  const std::string extension = IsXlsxFileName(workbookPath) ? ".xlsx" : IsTextFileName(workbookPath) ? ".csv" : ".xls";
  return (path.parent_path() / (path.stem().string() + "-rejects" + extension)).string();
}

void WriteRejectsFile(TQuery& sheet, const std::vector<TSkippedRow>& rows, const std::string& path) {
  WriteRejectsWorkbook(sheet, rows, path);
}

}  // namespace tabrin
