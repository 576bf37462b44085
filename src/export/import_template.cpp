#include "export/import_template.h"

#include <algorithm>
#include <memory>

#include "export/export_command.h"
#include "xls/workbook_output_for.h"
#include "import/column_mapping.h"
#include "import/cover_mode.h"
#include "import/import_mapping.h"
#include "import/import_tabs.h"

namespace tabrin {
namespace {

bool ReadsAsText(const TCellSource& source, std::string_view column) {
  return (source.rule == TCellRule::crText || source.rule == TCellRule::crTextCut) && source.column == column;
}

bool IsTextColumn(const TImporterDef& importer, std::string_view column) {
  if (column == importer.codeColumn) return true;
  return std::any_of(importer.fields.begin(), importer.fields.end(), [&](const TFieldMapping& field) {
    return ReadsAsText(field.newRecord, column) || ReadsAsText(field.overwrite, column);
  });
}

// The sheet the tab's query reads when no other is chosen.
constexpr std::string_view kTemplateSheet = "sheet1";
// Excel's number format of text.
constexpr std::string_view kTextFormat = "@";

}  // namespace

std::vector<TTemplateColumn> ImportTemplateColumns(TMasterTable table, std::optional<TDatabaseKind> kind) {
  const TImporterDef& importer = ImporterFor(table, kind);
  std::vector<TTemplateColumn> columns;
  for (std::string_view column : ColumnsRead(importer, TCoverMode::cmOverwrite)) {
    columns.push_back({std::string(column), IsTextColumn(importer, column)});
  }
  return columns;
}

std::string WriteImportTemplate(TMasterTable table, std::optional<TDatabaseKind> kind,
                                std::string_view chosenFileName) {
  const std::vector<TTemplateColumn> columns = ImportTemplateColumns(table, kind);
  const std::string fileName = ExportFileName(chosenFileName);
  std::unique_ptr<TWorkbookOutput> output = WorkbookOutputFor(fileName);
  output->CreateWorkbookFile(fileName);
  try {
    output->BeginWorkbook();
    TxlsFormatRegistry& formats = output->Formats();
    TxlsCellFormatRequest titleFormat;
    titleFormat.Font = TxlsFont();
    titleFormat.Font->Style = xfsBold;
    const std::uint16_t titleXf = formats.GetOrCreate(titleFormat);
    TxlsCellFormatRequest textFormat;
    textFormat.NumberFormat = std::string(kTextFormat);
    const std::uint16_t textXf = formats.GetOrCreate(textFormat);

    TxlsSheetHead head;
    head.Title = std::string(kTemplateSheet);
    output->ColumnWidths().assign(columns.size(), head.DefColWidth);
    output->ColumnFormats().clear();
    for (const TTemplateColumn& column : columns) {
      output->ColumnFormats().push_back(column.text ? textXf : kDefaultXfIndex);
    }
    output->BeginSheet(head);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const int col = static_cast<int>(i);
      output->WriteLabelSst(0, col, columns[i].title, titleXf);
      output->MeasureCellWidth(columns[i].title, titleXf, col);
    }
    output->PatchColumnWidths();
    output->EndSheet({});
    output->FinishWorkbook();
  } catch (...) {
    try {
      output->CloseWorkbookFile();  // drops the unfinished file
    } catch (...) {
    }
    throw;
  }
  output->CloseWorkbookFile();
  return fileName;
}

}  // namespace tabrin
