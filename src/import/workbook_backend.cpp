#include "import/workbook_backend.h"

#include "import/mapped_sheet_table.h"
#include "import/workbook_sql.h"
#include "import/workbook_table.h"
#include "text/error.h"

namespace tabrin {

namespace {

using TSheetTitles = std::map<std::string, std::vector<std::string>>;

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
    if (!params.empty()) throw TabrinError("A sheet query takes no parameters");
    // Read afresh each time, so that a reopened query sees the sheet as the
    // file has it.
    auto sheet = std::make_shared<const TWorksheet>(workbook_->ReadSheet(query_.sheet));
    (*titles_)[query_.sheet] = WorksheetTitles(*sheet);
    if (!query_.filterColumn) return MappedSheetTable(WorksheetTable(sheet, query_.filterColumn), *mapping_);
    // The records' sheet rows come with the table, for an import's journal
    // and messages, instead of reading the sheet a second time for them.
    std::vector<int> kept;
    TStatementResult result =
        WorksheetTable(sheet, MappedFilterColumn(*query_.filterColumn, *mapping_), &kept);
    (*keptPositions_)[{query_.sheet, *query_.filterColumn}] = std::move(kept);
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

TWorkbookBackend::TWorkbookBackend(const std::string& path)
    : workbook_(OpenSpreadsheetFile(path)) {}

std::unique_ptr<TPreparedStatement> TWorkbookBackend::Prepare(const std::string& sql) {
  return std::make_unique<TSheetStatement>(workbook_, ParseSheetQuerySql(sql), keptPositions_, mapping_, titles_);
}

std::vector<int> TWorkbookBackend::FilteredRecordPositions(const std::string& sheet,
                                                           const std::string& filterColumn) const {
  const auto found = keptPositions_->find({sheet, filterColumn});
  if (found != keptPositions_->end()) return found->second;
  return tabrin::FilteredRecordPositions(workbook_->ReadSheet(sheet), MappedFilterColumn(filterColumn, *mapping_));
}

std::vector<std::string> TWorkbookBackend::SheetTitles(const std::string& sheet) const {
  const auto found = titles_->find(sheet);
  if (found != titles_->end()) return found->second;
  return WorksheetTitles(workbook_->ReadSheet(sheet));
}

void RegisterWorkbookReader() {
  RegisterWorkbookBackend([](const TConnectionProperties& properties) -> std::unique_ptr<TBackend> {
    return std::make_unique<TWorkbookBackend>(properties.Get("Data Source"));
  });
}

}  // namespace tabrin
