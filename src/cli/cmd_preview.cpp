// tabrin-cli preview [--sheet NAME] [--header-row N] [--encoding E] [--separator S] cls|item|supplier|customer FILE
// Opens the workbook as the tab's Open button does (workbook connection and
// the tab's sheet query) and prints what the tab's grid shows: the record
// count ("共 N 筆"), then the grid's column titles and one line per record, separated
// by tabs.  Columns of the tab's list that the sheet lacks are left out.
#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>
#include <string>

#include "cli/cli.h"
#include "cli/sheet_options.h"
#include "cli/mapping_options.h"
#include "config/program_folder.h"
#include "db/connection.h"
#include "db/query.h"
#include "import/cover_setting.h"
#include "import/import_tabs.h"
#include "import/workbook_preview_columns.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin::cli {

namespace {

struct PreviewOptions {
  std::string table;
  std::string file;
  TSheetChoice choice;
  MappingOptions mapping;
};

// Tabs and line breaks inside a cell would break the line layout.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

int RunPreview(const PreviewOptions& options, CliStreams& streams) {
  const std::optional<TMasterTable> table = MasterTableFromName(options.table);
  if (!table) throw TabrinError(FormatMessage(Tr("Unknown tab '%s': use cls, item, supplier or customer"), {options.table}));
  const TImportTabInfo& tab = ImportTab(*table);

  TConnection workbook("ADOXLSConnect");
  TQuery sheet(std::string(tab.sheetQueryName), workbook);
  OpenWorkbook(workbook, options.file, options.choice.text);
  // No database here: the item layout read is the standard one.
  OpenMappedTabSheet(sheet, workbook, *table, std::nullopt, ReadCoverSetting(ProgramFolder()).mode, options.mapping,
                     streams, /*sayMissing=*/false, options.choice);

  const std::vector<TGridColumn> columns = GridColumnsPresent(GridColumnList(*table), sheet);
  std::ostream& out = streams.out;
  out << "共 " << sheet.RecordCount() << " 筆\n";
  if (columns.empty()) {
    streams.err << "工作表沒有「" << tab.caption << "」頁籤顯示的任何欄位\n";
    return 0;
  }
  for (std::size_t i = 0; i < columns.size(); ++i) out << (i ? "\t" : "") << columns[i].entry->title;
  out << "\n";
  for (sheet.First(); !sheet.Eof(); sheet.Next()) {
    for (std::size_t i = 0; i < columns.size(); ++i) out << (i ? "\t" : "") << OneLine(columns[i].field->AsString());
    out << "\n";
  }
  return 0;
}

}  // namespace

void AddPreviewCommand(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<PreviewOptions>();
  CLI::App* sub = app.add_subcommand(
      "preview", "Show a workbook's sheet \"sheet1\" as a tab's grid shows it: record count, titles, rows");
  sub->add_option("table", options->table, "Tab: cls, item, supplier or customer")
      ->required()
      ->check(CLI::IsMember({"cls", "item", "supplier", "customer"}));
  sub->add_option("file", options->file, "Workbook to read: Excel 97-2003 (.xls) or 2007+ (.xlsx), told apart by its content, "
                  "or a text file of comma-, tab- or semicolon-separated values (.csv, .txt)")
      ->required();
  AddSheetOptions(*sub, options->choice);
  AddMappingOptions(*sub, options->mapping);
  context.AddAction(sub, [options, streams = context.streams]() mutable { return RunPreview(*options, streams); });
}

}  // namespace tabrin::cli
