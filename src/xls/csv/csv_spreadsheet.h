#pragma once
// A text file of rows (".csv", ".txt") as a workbook of one sheet, named
// after the file without its extension.  The tabs' sheet "sheet1" reads that
// sheet too, so that every tab opens such a file as it opens a workbook.
//
// Opening finds the encoding and the separator (see FindCsvLayout); each
// ReadSheet reads the file afresh with them.
#include <memory>
#include <optional>
#include <string>

#include "xls/csv/csv_reader.h"
#include "xls/spreadsheet.h"

namespace tabrin {

// Raises TabrinError "Cannot open file '%s': <reason>" for a file that
// cannot be read.
std::unique_ptr<const TSpreadsheet> OpenCsvFile(const std::string& path, const TTextFileOptions& options);

}  // namespace tabrin
