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

  // The positions of each filtered query's last run, by sheet, title row and
  // filter column as the query names them.  Its statements fill it (on the
  // connection's thread, like everything else of the connection).
  using TKeptPositions = std::map<std::tuple<std::string, int, std::string>, std::vector<int>>;

 private:
  std::shared_ptr<const TSpreadsheet> workbook_;
  std::shared_ptr<TKeptPositions> keptPositions_ = std::make_shared<TKeptPositions>();
};

}  // namespace tabrin
