#include "export/export_command.h"

#include "db/query.h"
#include "db/schema.h"
#include "export/ferran3_xls.h"
#include "export/string_list.h"

namespace tabrin {

const TQueryDef& ExportQueryDef(TMasterTable table) {
  switch (table) {
    case TMasterTable::mtClassify: return schema::CLSExportQuery();
    case TMasterTable::mtItem: return schema::ItemExportQuery();
    case TMasterTable::mtSupplier: return schema::SupplierExportQuery();
    case TMasterTable::mtCustomer: return schema::CustExportQuery();
  }
  return schema::ItemExportQuery();
}

void ApplyHostExportSettings(TFerran3XLS& exporter) {
  exporter.Formats.SetDateTimeFormat("yyyy/MM/dd");
  exporter.Options.SetSheetTitle("Sheet1");
  exporter.Options.PageFooter = "Page &P of &N";
  exporter.Options.HyperlinkFormat.Font.Color = clrBlue;
  exporter.Options.HyperlinkFormat.Font.Underline = fulSingle;
  TxlsNoteFormat& note = exporter.Options.NoteFormat;
  note.Alignment.Horizontal = halLeft;
  note.Alignment.Vertical = valTop;
  note.Font.Name = "Tahoma";
  note.Font.Size = 8;
}

std::string ForceXlsExtension(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.rfind('.');
  std::string result(fileName);
  if (dot != std::string_view::npos && dot >= nameStart) result.erase(dot);
  return result + ".xls";
}

TExportFormat ExportFormatOf(std::string_view chosenFileName) {
  return IsXlsxFileName(chosenFileName) ? TExportFormat::efXlsx : TExportFormat::efXls;
}

std::string ExportFileName(std::string_view chosenFileName) {
  if (ExportFormatOf(chosenFileName) == TExportFormat::efXlsx) return std::string(chosenFileName);
  return ForceXlsExtension(chosenFileName);
}

std::string RunExportCommand(TFerran3XLS& exporter, TQuery& exportQuery, std::string_view chosenFileName) {
  exportQuery.Close();
  exportQuery.Open();
  exporter.FileName = ExportFileName(chosenFileName);
  exporter.DataSet = &exportQuery;
  exporter.Execute();
  return exporter.FileName;
}

}  // namespace tabrin
