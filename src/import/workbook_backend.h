#pragma once
// The workbook connection: a data-access backend over an Excel workbook,
// 97-2003 (.xls) or 2007 and later (.xlsx), recognised by its content.  The connection string
//
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;Extended Properties=IMEX=1;Excel 8.0;Persist Security Info=False
//
// opens the file (errors for a file that is not a readable workbook come
// here); the sheet queries (see workbook_sql.h) then read its sheets.  A text
// file (".csv", ".txt") opens as a workbook of one sheet; the keys
// "Text Encoding" (a TextEncodingOfName name) and "Text Separator" (a
// SeparatorOfName name) say how to read it instead of finding that out.
//
// Front ends call RegisterWorkbookReader() once at start-up, before the first
// workbook connection opens; nothing below them registers it.  An open
// workbook is read-only and may be shared by the statements of one
// connection; a connection belongs to one thread at a time.
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "db/backend.h"
#include "import/column_mapping.h"
#include "xls/spreadsheet.h"

namespace tabrin {

void RegisterWorkbookReader();

class TWorkbookBackend : public TBackend {
 public:
  explicit TWorkbookBackend(const std::string& path, const TTextFileOptions& textOptions = {});
  std::unique_ptr<TPreparedStatement> Prepare(const std::string& sql) override;

  const TSpreadsheet& Workbook() const { return *workbook_; }

  // FilteredRecordPositions (workbook_table.h) of a filtered sheet query:
  // those its last run found when it has run, else read from the sheet.
  // titleRow as the query names it (0: the first row of the used range).
  std::vector<int> FilteredRecordPositions(const std::string& sheet, int titleRow,
                                           const std::string& filterColumn) const;

  // The column mapping every sheet query of the connection applies from its
  // next run on (see mapped_sheet_table.h); empty by default.  A filter on a
  // mapped column reads the sheet title it is mapped from.
  void SetColumnMapping(TColumnMapping mapping) { *mapping_ = std::move(mapping); }
  const TColumnMapping& ColumnMapping() const { return *mapping_; }

  // A sheet's own titles (WorksheetTitles) in its title row (0: the first
  // row of the used range), before any mapping: those its last query found,
  // even one that failed on its filter, else read from the sheet.
  std::vector<std::string> SheetTitles(const std::string& sheet, int titleRow) const;

  // The positions of each filtered query's last run, by sheet, title row and
  // filter column as the query names them.  Its statements fill it (on the
  // connection's thread, like everything else of the connection).
  using TKeptPositions = std::map<std::tuple<std::string, int, std::string>, std::vector<int>>;
  // Each sheet's titles by sheet and title row, as its last query found them.
  using TSheetTitles = std::map<std::pair<std::string, int>, std::vector<std::string>>;

 private:
  std::shared_ptr<const TSpreadsheet> workbook_;
  std::shared_ptr<TKeptPositions> keptPositions_ = std::make_shared<TKeptPositions>();
  std::shared_ptr<TColumnMapping> mapping_ = std::make_shared<TColumnMapping>();
  std::shared_ptr<TSheetTitles> titles_ = std::make_shared<TSheetTitles>();
};

}  // namespace tabrin
