#include "import/workbook_backend.h"

#include "import/workbook_sql.h"
#include "import/workbook_table.h"
#include "text/error.h"
#include "text/translation.h"

namespace tabrin {

namespace {

class TSheetStatement : public TPreparedStatement {
 public:
  TSheetStatement(std::shared_ptr<const TSpreadsheet> workbook, TSheetQuerySql query,
                  std::shared_ptr<TWorkbookBackend::TKeptPositions> keptPositions)
      : workbook_(std::move(workbook)), query_(std::move(query)), keptPositions_(std::move(keptPositions)) {}

  TStatementResult Execute(TParamList params) override {
    if (!params.empty()) throw TabrinError(Tr("A sheet query takes no parameters"));
    // Read afresh each time, so that a reopened query sees the sheet as the
    // file has it.
    auto sheet = std::make_shared<const TWorksheet>(workbook_->ReadSheet(query_.sheet));
    if (!query_.filterColumn) return WorksheetTable(sheet, query_.filterColumn);
    // The records' sheet rows come with the table, for an import's journal
    // and messages, instead of reading the sheet a second time for them.
    std::vector<int> kept;
    TStatementResult result = WorksheetTable(sheet, query_.filterColumn, &kept);
    (*keptPositions_)[{query_.sheet, *query_.filterColumn}] = std::move(kept);
    return result;
  }

 private:
  std::shared_ptr<const TSpreadsheet> workbook_;
  TSheetQuerySql query_;
  std::shared_ptr<TWorkbookBackend::TKeptPositions> keptPositions_;
};

}  // namespace

TWorkbookBackend::TWorkbookBackend(const std::string& path)
    : workbook_(OpenSpreadsheetFile(path)) {}

std::unique_ptr<TPreparedStatement> TWorkbookBackend::Prepare(const std::string& sql) {
  return std::make_unique<TSheetStatement>(workbook_, ParseSheetQuerySql(sql), keptPositions_);
}

std::vector<int> TWorkbookBackend::FilteredRecordPositions(const std::string& sheet,
                                                           const std::string& filterColumn) const {
  const auto found = keptPositions_->find({sheet, filterColumn});
  if (found != keptPositions_->end()) return found->second;
  return tabrin::FilteredRecordPositions(workbook_->ReadSheet(sheet), filterColumn);
}

void RegisterWorkbookReader() {
  RegisterWorkbookBackend([](const TConnectionProperties& properties) -> std::unique_ptr<TBackend> {
    return std::make_unique<TWorkbookBackend>(properties.Get("Data Source"));
  });
}

}  // namespace tabrin
