#pragma once
// A workbook file of either kind the program reads, recognised by its
// content rather than its name:
//
// - an OLE compound document: Excel 97-2003 (and 5.0/95), TWorkbookReader;
// - a ZIP package with a workbook part: Excel 2007 and later, TxlsxReader;
// - anything else: TWorkbookReader's error, which says what the file is.
//
// A file whose name ends in ".csv" or ".txt" and that is neither of these is
// read as text, a workbook of one sheet (see xls/csv/csv_spreadsheet.h).
//
//   std::unique_ptr<const TSpreadsheet> book = OpenSpreadsheetFile(path);
//   TWorksheet sheet = book->ReadSheet("sheet1");
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff8/workbook_reader.h"
#include "xls/csv/csv_reader.h"

namespace tabrin {

class TSpreadsheet {
 public:
  virtual ~TSpreadsheet() = default;
  virtual const std::string& DisplayName() const = 0;
  // The worksheets, in workbook order (chart and macro sheets left out).
  virtual std::vector<std::string> SheetNames() const = 0;
  // The worksheet of that name, compared without regard to letter case.
  // Raises TabrinError naming the sheets there are when it is missing.
  virtual TWorksheet ReadSheet(std::string_view name) const = 0;
  // How a text file is read: the encoding and separator used; none for a
  // workbook.
  virtual std::optional<TCsvLayout> TextLayout() const { return std::nullopt; }
};

// Raises TabrinError naming the file and what is wrong with it.  The options
// apply to a text file only.
std::unique_ptr<const TSpreadsheet> OpenSpreadsheetFile(const std::string& path, const TTextFileOptions& options = {});
// The same for bytes in memory, which must outlive the result.
std::unique_ptr<const TSpreadsheet> OpenSpreadsheetBytes(std::string_view bytes, std::string displayName);

}  // namespace tabrin
