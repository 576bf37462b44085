#include "import/workbook_backend.h"

#include "import/mapped_sheet_table.h"
#include "import/workbook_sql.h"
#include "import/workbook_table.h"
#include "text/error.h"
#include "text/format.h"
#include "text/translation.h"

namespace tabrin {

namespace {

// The sheet a query names, from its title row on.
TWorksheet ReadQueriedSheet(const TSpreadsheet& workbook, const std::string& name, int titleRow) {
  TWorksheet sheet = workbook.ReadSheet(name);
  if (titleRow > 0) sheet.DropRowsAbove(titleRow - 1);
  return sheet;
}

// The options of the connection string's text keys; a name the reader does
// not know is refused rather than quietly read another way.
TTextFileOptions TextOptionsOf(const TConnectionProperties& properties) {
  TTextFileOptions options;
  const std::string encoding = properties.Get("Text Encoding");
  if (!encoding.empty()) {
    options.encoding = TextEncodingOfName(encoding);
    if (!options.encoding) {
      throw TabrinError(FormatMessage(Tr("Unknown text encoding '%s': use utf-8, big5, utf-16le or utf-16be"), {encoding}));
    }
  }
  const std::string separator = properties.Get("Text Separator");
  if (!separator.empty()) {
    options.separator = SeparatorOfName(separator);
    if (!options.separator) {
      throw TabrinError(FormatMessage(Tr("Unknown separator '%s': use comma, tab or semicolon"), {separator}));
    }
  }
  return options;
}

using TSheetTitles = TWorkbookBackend::TSheetTitles;

class TSheetStatement : public TPreparedStatement {
 public:
  TSheetStatement(std::shared_ptr<const TSpreadsheet> workbook, TSheetQuerySql query,
                  std::shared_ptr<TWorkbookBackend::TKeptPositions> keptPositions,
                  std::shared_ptr<const TColumnMapping> mapping, std::shared_ptr<TSheetTitles> titles)
      : workbook_(std::move(workbook)),
        query_(std::move(query)),
        keptPositions_(std::move(keptPositions)),
        mapping_(std::move(mapping)),
        titles_(std::move(titles)) {}

  TStatementResult Execute(TParamList params) override {
    if (!params.empty()) throw TabrinError(Tr("A sheet query takes no parameters"));
    // Read afresh each time, so that a reopened query sees the sheet as the
    // file has it.
    auto sheet = std::make_shared<const TWorksheet>(ReadQueriedSheet(*workbook_, query_.sheet, query_.titleRow));
    (*titles_)[{query_.sheet, query_.titleRow}] = WorksheetTitles(*sheet);
    if (!query_.filterColumn) return MappedSheetTable(WorksheetTable(sheet, query_.filterColumn), *mapping_);
    // The records' sheet rows come with the table, for an import's journal
    // and messages, instead of reading the sheet a second time for them.
    std::vector<int> kept;
    TStatementResult result =
        WorksheetTable(sheet, MappedFilterColumn(*query_.filterColumn, *mapping_), &kept);
    (*keptPositions_)[{query_.sheet, query_.titleRow, *query_.filterColumn}] = std::move(kept);
    return MappedSheetTable(std::move(result), *mapping_);
  }

 private:
  std::shared_ptr<const TSpreadsheet> workbook_;
  TSheetQuerySql query_;
  std::shared_ptr<TWorkbookBackend::TKeptPositions> keptPositions_;
  std::shared_ptr<const TColumnMapping> mapping_;
  std::shared_ptr<TSheetTitles> titles_;
};

}  // namespace

TWorkbookBackend::TWorkbookBackend(const std::string& path, const TTextFileOptions& textOptions)
    : workbook_(OpenSpreadsheetFile(path, textOptions)) {}

std::unique_ptr<TPreparedStatement> TWorkbookBackend::Prepare(const std::string& sql) {
  return std::make_unique<TSheetStatement>(workbook_, ParseSheetQuerySql(sql), keptPositions_, mapping_, titles_);
}

std::vector<int> TWorkbookBackend::FilteredRecordPositions(const std::string& sheet, int titleRow,
                                                           const std::string& filterColumn) const {
  const auto found = keptPositions_->find({sheet, titleRow, filterColumn});
  if (found != keptPositions_->end()) return found->second;
  return tabrin::FilteredRecordPositions(ReadQueriedSheet(*workbook_, sheet, titleRow),
                                         MappedFilterColumn(filterColumn, *mapping_));
}

std::vector<std::string> TWorkbookBackend::SheetTitles(const std::string& sheet, int titleRow) const {
  const auto found = titles_->find({sheet, titleRow});
  if (found != titles_->end()) return found->second;
  return WorksheetTitles(ReadQueriedSheet(*workbook_, sheet, titleRow));
}

void RegisterWorkbookReader() {
  RegisterWorkbookBackend([](const TConnectionProperties& properties) -> std::unique_ptr<TBackend> {
    return std::make_unique<TWorkbookBackend>(properties.Get("Data Source"), TextOptionsOf(properties));
  });
}

}  // namespace tabrin
